#include "commands.h"

#include <array>

#include "formats/fieldcursor.h"
#include "platform/cp1251.h"

namespace celltalk {

namespace {

using Body = CommandRow::Body;

// Every command the engine treats otherwise than a plain one. The shapes are
// 3GPP 27.007 / 27.005 and Motorola's date-book and message commands; the
// busy retries are 0 where trying again would do the thing twice.
constexpr CommandRow kCommands[] = {
    // prefix   answer    list   body           prompt call   must   charset identity retries
    // Phone books.
    {"+CPBR", "", true, Body::None, false, false, true, true, false, 3},
    {"+CPBF", "+CPBR", true, Body::None, false, false, true, true, false, 3},
    {"+CPBW", "", false, Body::None, false, false, true, true, false, 3},
    {"+CNUM", "", true, Body::None, false, false, false, true, false, 3},
    // Message lists and reads: a header, then the message.
    {"+CMGL", "", true, Body::Message, false, false, true, true, false, 3},
    {"+CMGR", "", false, Body::Message, false, false, true, true, false, 3},
    {"+MMGL", "", true, Body::Message, false, false, true, true, false, 3},
    {"+MMGR", "", false, Body::Message, false, false, true, true, false, 3},
    // Sends: the text after the "> " prompt; a send is never repeated.
    {"+CMGS", "", false, Body::None, true, false, true, true, false, 0},
    {"+CMSS", "", false, Body::None, false, false, true, false, false, 3},
    {"+CMGW", "", false, Body::None, false, false, true, true, false, 3},
    // Deletes.
    {"+CMGD", "", false, Body::None, false, false, true, false, false, 3},
    {"+MMGD", "", false, Body::None, false, false, true, false, false, 3},
    {"+MDBD", "", false, Body::None, false, false, true, false, false, 3},
    // Motorola's date book.
    {"+MDBR", "", true, Body::None, false, false, true, true, false, 3},
    {"+MDBAD", "", true, Body::None, false, false, true, true, false, 3},
    {"+MDBW", "", false, Body::None, false, false, true, true, false, 3},
    // Calls and keys: what became of a call is the dial's final word.
    {"D", "", false, Body::None, false, true, true, false, false, 3},
    {"A", "", false, Body::None, false, true, false, false, false, 3},
    {"O", "", false, Body::None, false, true, false, false, false, 3},
    {"+CKPD", "", false, Body::None, false, false, true, false, false, 3},
    {"+CLCC", "", true, Body::None, false, false, false, false, false, 3},
    // Identity: a bare line, labelled with the command's name.
    {"+CGMI", "+GMI", false, Body::None, false, false, false, false, true, 3},
    {"+CGMM", "+GMM", false, Body::None, false, false, false, false, true, 3},
    {"+CGMR", "+GMR", false, Body::None, false, false, false, false, true, 3},
    {"+CGSN", "+GSN", false, Body::None, false, false, false, false, true, 3},
    {"+GMI", "+GMI", false, Body::None, false, false, false, false, true, 3},
    {"+GMM", "+GMM", false, Body::None, false, false, false, false, true, 3},
    {"+GMR", "+GMR", false, Body::None, false, false, false, false, true, 3},
    {"+GSN", "+GSN", false, Body::None, false, false, false, false, true, 3},
    {"+CIMI", "", false, Body::None, false, false, false, false, true, 3},
};

// The plain row: any lines, may be refused, asked again when the SIM is busy.
constexpr CommandRow kPlain{};

// Lines a phone sends of its own accord (27.007, 27.005, V.250 and the
// makers' start-up words).
constexpr ReportRow kReports[] = {
    {"RING", true},
    {"NO CARRIER", true},
    {"RDY", true},
    {"+PBREADY", true},
    {"CALL READY", true},
    {"SMS READY", true},
    {"^BOOT", true},
    {"+CMTI"},
    {"+CMT", false, ReportRow::Body::NextLine},
    {"+CDSI"},
    {"+CDS", false, ReportRow::Body::NextLine},  // in text mode one line: see reportHasBodyLine
    {"+CBMI"},
    {"+CBM", false, ReportRow::Body::NextLine},
    {"+CRING"},
    {"+CLIP"},
    {"+CCWA"},
    {"+CIEV"},
    {"+CSQ"},
    {"+CREG"},
    {"+CGREG"},
    {"+CUSD", false, ReportRow::Body::QuotedText},
    {"+CSSI"},
    {"+CSSU"},
    {"+CALV"},
    {"+CBCI"},
    {"+CCCM"},
    {"+CGEV"},
};

// The maker's own reports ("^RSSI: 3", "^NWTIME: ...") are all of one kind.
constexpr ReportRow kMakerReport{"^"};

// The part of a line before ":" for lines of the form "+XXXX: ...", upper-cased.
std::string linePrefix(std::string_view line) {
    if (line.empty() || (line[0] != '+' && line[0] != '^' && line[0] != '*')) return {};
    size_t colon = line.find(':');
    if (colon == std::string_view::npos) return {};
    return td::upperAscii(line.substr(0, colon));
}

}  // namespace

std::string commandPrefix(std::string_view command) {
    std::string up = td::upperAscii(td::trimView(command));
    if (!up.starts_with("AT")) return {};
    std::string_view rest(up);
    rest.remove_prefix(2);
    if (rest.empty()) return {};
    if (rest[0] == 'D') return "D";
    if (rest[0] != '+' && rest[0] != '^' && rest[0] != '$' && rest[0] != '*') {
        return std::string(rest.substr(0, 1));
    }
    size_t end = 1;
    while (end < rest.size() && rest[end] != '=' && rest[end] != '?' && rest[end] != ';' &&
           rest[end] != ' ')
        ++end;
    return std::string(rest.substr(0, end));
}

bool isExecForm(std::string_view command) {
    return command.find('=') == std::string_view::npos &&
           command.find('?') == std::string_view::npos;
}

bool isProbe(std::string_view command) {
    return td::trimView(command).ends_with("=?");
}

CommandRow commandRow(std::string_view command, const std::vector<std::string>& routed) {
    const std::string prefix = commandPrefix(command);
    for (const CommandRow& s : kCommands)
        if (prefix == s.prefix) return s;
    for (const std::string& r : routed)
        if (!r.empty() && prefix == r) {
            CommandRow s;
            s.list = s.mustSucceed = s.charset = true;
            return s;
        }
    return kPlain;
}

std::string answerName(const CommandRow& row) {
    return std::string(row.answerPrefix.empty() ? row.prefix : row.answerPrefix);
}

bool mustSucceed(std::string_view command) {
    return !isProbe(command) && commandRow(command).mustSucceed;
}

bool isIdentityQuestion(std::string_view command) {
    return isExecForm(command) && commandRow(command).identity;
}

const ReportRow* reportOf(std::string_view line, std::string_view cmdPrefix) {
    const std::string up = td::upperAscii(td::trimView(line));
    for (const ReportRow& r : kReports)
        if (r.word && up == r.name)
            return r.name == "NO CARRIER" && cmdPrefix == "D" ? nullptr : &r;
    const std::string p = linePrefix(up);
    if (p.empty() || p == cmdPrefix) return nullptr;
    for (const ReportRow& r : kReports)
        if (!r.word && p == r.name) return &r;
    if (p.size() > 1 && p[0] == '^') return &kMakerReport;
    return nullptr;
}

bool isUnsolicited(std::string_view line, std::string_view cmdPrefix) {
    return reportOf(line, cmdPrefix) != nullptr;
}

bool reportHasBodyLine(std::string_view line) {
    line = td::trimView(line);
    const ReportRow* r = reportOf(line, "");
    if (!r || r->body != ReportRow::Body::NextLine) return false;
    // A status report in text mode is one line of fields; in PDU mode the
    // line holds only the length and the PDU follows.
    if (r->name != "+CDS") return true;
    td::FieldCursor c(line.substr(line.find(':') + 1));
    c.skip();
    return !c.moreFields();
}

bool quoteOpen(std::string_view line) {
    size_t quotes = 0;
    for (char c : line) quotes += c == '"';
    return quotes % 2 == 1;
}

bool reportShaped(std::string_view line) {
    line = td::trimView(line);
    // A word of its own, or a maker's "^NAME:" line, whatever its fields.
    if (td::upperAscii(line) == "RING" || line.starts_with("^")) return true;
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos || linePrefix(line).empty()) return false;
    td::FieldCursor c(line.substr(colon + 1));
    // Numbers, quoted strings and empty fields, nothing else.
    for (;;) {
        if (!c.number() && !c.string()) {
            auto empty = c.token();
            if (!empty || !empty->empty()) return false;
        }
        if (!c.moreFields()) return c.atEnd();
    }
}

bool answerFits(std::string_view command, std::string_view line) {
    line = td::trimView(line);
    if (line.size() < 3 || line[0] != '+') return true;
    size_t end = 1;
    while (end < line.size() &&
           ((line[end] >= 'A' && line[end] <= 'Z') || (line[end] >= 'a' && line[end] <= 'z')))
        ++end;
    // Only "+NAME:" names a command; "+7916...: text" is a message's text.
    if (end == 1 || end >= line.size() || line[end] != ':') return true;
    const std::string cmd = commandPrefix(command);
    if (cmd.empty() || cmd[0] != '+') return true;
    const std::string got = td::upperAscii(line.substr(0, end));
    if (got == cmd) return true;
    // The command's own answer name ("+CPBR" for a search of the book), and
    // the identity pairs ("+GMR" and "+CGMR" ask the same).
    const std::string name = answerName(commandRow(command));
    return got == name || answerName(commandRow("AT" + got)) == name;
}

}  // namespace celltalk
