#pragma once
// What the engine knows of every AT command and every line a phone sends
// unasked, in two tables (commands.cpp): which answer a command gets (its
// lines' prefix, one line or many, a text or a PDU after each header, a "> "
// prompt, the final words of a call), whether its refusal fails the run,
// whether its texts are in the phone's character set, and how often a busy
// SIM is asked again. The framing (framing.h) reads answers by this grammar;
// adding a command is a row here and, at most, a parser of its lines.

#include <string>
#include <string_view>
#include <vector>

namespace celltalk {

// "+CPBR" for "at+cpbr=1,250", "+CSQ" for "AT+CSQ", "D" for "ATD123;",
// "" for "AT" or text that is not an AT command. Upper-cased.
std::string commandPrefix(std::string_view command);
// True for the plain form of a command ("at+cgsn"), false for "=" and "?" forms.
bool isExecForm(std::string_view command);
// "=?" only asks what a command would take: a probe, which may be refused.
bool isProbe(std::string_view command);

struct CommandRow {
    // What follows each header line ("+CMGL: 3,...") of the answer: nothing,
    // the message (its text lines in text mode, one line of UCS2 hex or PDU
    // hex otherwise).
    enum class Body { None, Message };

    std::string_view prefix;  // "+CPBR"; "D" for a dial
    std::string_view
        answerPrefix;   // the prefix of its answer lines when another ("+CPBR" for +CPBF)
    bool list = false;  // its answer may hold many lines (a read of a list)
    Body body = Body::None;
    bool prompt = false;       // the phone prompts "> " for a text after the command line
    bool call = false;         // NO CARRIER, BUSY, NO ANSWER, CONNECT: what became of the call
    bool mustSucceed = false;  // a refusal fails the run (its "=?" probe may be refused)
    bool charset = false;      // its texts are in the phone's character set
    bool identity = false;     // answered with a bare line that gets the command's prefix
    int busyRetries = 3;       // a busy SIM (+CME ERROR 14, 515; +CMS ERROR 314) asked again
};

// The row of a command's prefix; a command the table does not hold gets the
// plain row (any lines, may be refused, asked again when busy). The answer
// prefixes of MetaOperation (`routed`, upper-cased) are list reads that must
// succeed, their texts in the phone's character set.
CommandRow commandRow(std::string_view command, const std::vector<std::string>& routed = {});

// The prefix the command's answer lines carry ("+CPBR" for +CPBF), the
// identity pairs as one name ("+GMR" for +CGMR and +GMR).
std::string answerName(const CommandRow& row);

// Commands whose refusal fails the run: list reads, sends, re-sends, deletes,
// entry writes, dialling and key presses. Their "=?" forms, and every other
// command (character set, SMS format, storage, identity and capability
// questions) may be refused without failing it.
bool mustSucceed(std::string_view command);
bool isIdentityQuestion(std::string_view command);

// A line the phone sends unasked, as the report table knows it.
struct ReportRow {
    // What follows the report line: nothing; one line (the message of +CMT,
    // +CBM, the PDU of a +CDS that gives only its length); or, for a text in
    // quotes that runs over several lines (a USSD menu), the lines up to the
    // one that closes the quotes.
    enum class Body { None, NextLine, QuotedText };
    std::string_view name;  // "+CMTI", or a whole word ("RING")
    bool word = false;      // the line is the word alone
    Body body = Body::None;
};

// The report a line is, or null. A line carrying the prefix of the command
// being answered (`cmdPrefix`) is that command's answer; NO CARRIER after a
// call command is its final word. A maker's own "^NAME: ..." line is a
// report of its own kind.
const ReportRow* reportOf(std::string_view line, std::string_view cmdPrefix);
bool isUnsolicited(std::string_view line, std::string_view cmdPrefix);
// The report line is followed by one line that belongs to it.
bool reportHasBodyLine(std::string_view line);
// The report's quoted text is still open at the end of the line.
bool quoteOpen(std::string_view line);
// A report whose fields after the colon are all numbers or quoted strings
// ("+CMTI: \"SM\",5"): the strict shape by which a report is told from a
// line of a message text that merely starts like one.
bool reportShaped(std::string_view line);

// False for a line "+NAME: ..." that names another command than `command`
// (a late answer to an earlier one); lines without such a name fit.
bool answerFits(std::string_view command, std::string_view line);

}  // namespace celltalk
