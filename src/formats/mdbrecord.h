#pragma once
// The lines of a Motorola date book as they travel between the phone, the
// engine's result file and this program's last copy:
//
//   +MDBR: <index>,"<title>",<timed>,<alarm>,"<time>","<date>",<duration>,
//          "<alarm time>","<alarm date>",<repeat>      one event
//   +MDBAD: <weeks>                                    the auto-delete setting
//
// The last copy "LastMDBook.txt" is the result file's lines followed, when the
// phone's setting is known, by one auto-delete line. Reader and writer of both
// line kinds live here, for the program, the engine and the simulated phone.
// Texts are byte strings (Windows-1251 in the program).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace td {

extern const std::string MdbRecordPrefix;      // "+MDBR"
extern const std::string MdbAutoDeletePrefix;  // "+MDBAD"

// A title the engine kept in the phone's own UCS2 hex, because Windows-1251
// cannot give it exactly (a double quote, a tab or another control character,
// a character outside the code page, or a title that itself starts with the
// mark): the mark followed by the hex, four digits per UTF-16 unit, as in
// "UCS2:0041002200420022". A write in UCS2 sends the hex back unchanged.
extern const std::string MdbUcs2Mark;  // "UCS2:"

// The hex of a kept UCS2 title; nothing for a plain title.
std::optional<std::string_view> mdbTitleHex(std::string_view title);
// The title as the user reads it (Windows-1251): a kept UCS2 title decoded,
// a character outside the code page as "?", a control character as a blank;
// a plain title unchanged.
std::string mdbTitleText(const std::string& title);
// The title in UTF-8, a kept UCS2 title with every character it holds.
std::string mdbTitleUtf8(const std::string& title);

// A UTF-8 title as the record keeps it: Windows-1251 when that gives it
// exactly, else the UCS2 form above (a double quote, a control character, a
// character outside the code page, or a title that starts with the mark).
std::string mdbTitleFromUtf8(std::string_view utf8);
// Its length in characters, as the phone counts them.
size_t mdbTitleLength(const std::string& title);

// What a Motorola date book holds at most: the characters of a title and
// the minutes of an event (its answer to AT+MDBW=?).
constexpr size_t MdbTitleMax = 64;
constexpr int MdbDurationMax = 1440;

// One event, its ten fields as texts without quotes.
struct MdbRecord {
    std::string index, title, timed, alarm, time, date, duration, alarmTime, alarmDate, repeat;
    bool operator==(const MdbRecord&) const = default;
};

// prefix + ": " + the fields; title, times and dates in double quotes.
std::string writeMdbRecord(const MdbRecord& r, const std::string& prefix = MdbRecordPrefix);

// The event of a line that holds prefix + ":", nothing for any other line.
// Fields are split at commas outside double quotes, so a comma inside a title
// stays in it; a quote that is never closed makes every comma count. A quoted
// field gives the text between its first quote and the next; missing fields
// are empty.
std::optional<MdbRecord> readMdbRecord(std::string_view line,
                                       const std::string& prefix = MdbRecordPrefix);

// The fields of a text at commas outside double quotes (see readMdbRecord).
std::vector<std::string> splitMdbFields(std::string_view text);

// prefix + ": " + text; the text is kept as the phone gave it (usually with
// its own leading blank).
std::string writeAutoDeleteLine(const std::string& text,
                                const std::string& prefix = MdbAutoDeletePrefix);
// What follows prefix + ":" on the line, unchanged; nothing without it.
std::optional<std::string> readAutoDeleteText(std::string_view line,
                                              const std::string& prefix = MdbAutoDeletePrefix);
// The setting as a number: leading blanks allowed, 0 when it is not a number.
int autoDeleteWeeks(std::string_view text);

// The number that stands for "the phone's setting was not read".
constexpr int AutoDeleteUnknown = 99;

// The last copy of a read from the phone: the result lines and, when the
// setting is known (weeks below AutoDeleteUnknown), its auto-delete line.
std::vector<std::string> mdbLastCopy(std::vector<std::string> resultLines, int weeks,
                                     const std::string& autoDeleteText,
                                     const std::string& prefix = MdbAutoDeletePrefix);

// Two events are the same when every field but the index is, and the
// alarm's time and date only count when its alarm is on (a phone keeps
// anything there when it is off): one key for both, so that many events are
// compared in one pass.
std::string mdbSameEventKey(MdbRecord e);

// Where new events go into a date book's lines: after the last event line
// (records with `prefix`), else before the first auto-delete line, else at
// the end.
std::size_t mdbEventsEnd(const std::vector<std::string>& lines,
                         const std::string& prefix = MdbRecordPrefix,
                         const std::string& autoDeletePrefix = MdbAutoDeletePrefix);

}  // namespace td
