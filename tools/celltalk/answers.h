#pragma once
// What the engine makes of the lines a phone sends back: which line ends a
// command, which arrives on its own (unsolicited), and how answer lines are
// turned into the lines of the result files.

#include <string>
#include <string_view>
#include <vector>

#include "commands.h"

namespace celltalk {

enum class Final { None, Ok, Error, Other };
// Classifies a line as the end of a command's answer: OK; a refusal (Error):
// ERROR, +CME ERROR, +CMS ERROR, COMMAND NOT SUPPORT, TOO MANY PARAMETERS,
// NO DIALTONE, and BUSY or NO ANSWER outside a call. For a dial command
// (prefix "D") what became of the call (NO CARRIER, BUSY, NO ANSWER,
// CONNECT) ends it as well (Other). Any other line is None, never OK.
Final finalResult(std::string_view line, bool dialCommand);

// The meaning of a refusal ("+CME ERROR: 515" -> "телефон занят ...", in
// Windows-1251); empty for a code the engine does not know.
std::string errorMeaning(std::string_view finalLine);
// The phone is busy and the command may succeed when tried again:
// +CME ERROR 14 or 515, +CMS ERROR 314.
bool phoneBusy(std::string_view finalLine);
// A phone answers the identity commands (+CGMI, +CGMM, +CGMR, +CGSN, ...)
// with a bare line; the log gets it with the command's prefix so that every
// answer line names its command ("+CGSN: 351234...").
// Quotes around the whole value are taken off.
std::string labelIdentityAnswer(std::string_view command, std::string_view line);
// The information lines of one identity answer as one labelled line (a
// version some phones give on two or three lines keeps them all).
std::string labelIdentityAnswer(std::string_view command, const std::vector<std::string>& lines);

// A field without blanks around it and without its outer pair of quotes.
std::string unquote(std::string_view field);

// Replaces every quoted field that is UCS2 hex (and decodes to text the code
// page can hold) by its Windows-1251 text in quotes; double quotes inside the
// decoded text become apostrophes so that the field stays one field.
std::string decodeUcs2Fields(std::string_view line);

// A date-book answer line of a phone in UCS2 as the result file gets it: the
// quoted fields decoded as decodeUcs2Fields does, but the title (the second
// field of a `prefix` + ":" line) only when Windows-1251 gives it exactly (no
// double quote, no control character, every character in the code page, not
// starting with td::MdbUcs2Mark); any other UCS2 title stays the phone's hex
// behind that mark, so that a backup writes back exactly what was read.
std::string dateBookLine(std::string_view line, std::string_view prefix);

// A phone-book answer's lines as the result file gets them. A line whose
// quotes are left open (a phone that splits a long entry with a line feed
// inside the quoted number) is joined with the lines that follow until they
// close, unless a following line starts a new entry (`prefix` + ":"). For a
// phone in UCS2 the quoted UCS2 fields are decoded (decodeUcs2Fields), and
// so is an unquoted field of 8-bit hex ending 00 after the index, number and
// type (a name as some phones give it in UCS2: 416E6E6100 -> "Anna").
std::vector<std::string> phoneBookLines(const std::vector<std::string>& lines,
                                        std::string_view prefix, bool ucs2);

// The other way round, for a phone set to UCS2: the quoted texts of a write
// command that the phone stores as text (the title of +MDBW, the name of
// +CPBW, the search text of +CPBF) as UCS2 hex of their Windows-1251
// characters. Fields are found at commas outside quotes, so a comma inside a
// title stays in it. Other commands and fields (numbers, times, dates,
// memory names) are returned unchanged. A +MDBW title kept in the phone's
// hex (td::MdbUcs2Mark + hex) goes as that hex, unchanged.
std::string encodeUcs2WriteText(std::string_view command);

// SMS list answer (+CMGL / +MMGL, text or PDU mode) -> the engine's record
// lines: prefix "=" index "," status "," number [further fields] "}" text,
// as td::sms::writeSmsRecord (src/sms/smsrecord.h) writes them.
// `lines` are the answer's information lines (no echo, no final result, no
// unsolicited reports); `prefix` is the answer prefix ("+CMGL"); `ucs2` says
// that texts and numbers of a text-mode answer are UCS2 hex, `gsm` that the
// texts are bytes of the GSM 7-bit alphabet (the phone's set is "GSM": "@"
// comes as 00, "{" as 1B 28). Line breaks inside a text are folded to blanks.
std::vector<std::string> buildSmsRecords(const std::vector<std::string>& lines,
                                         std::string_view prefix, bool ucs2, bool gsm = false);

// Status word of a PDU-mode list ("0" -> "REC UNREAD", ...), quoted.
std::string pduStatusText(std::string_view stat);

// Control characters (CR, LF, TAB, ...) -> blanks.
std::string foldLineBreaks(std::string_view text);

}  // namespace celltalk
