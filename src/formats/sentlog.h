#pragma once
// AutoRun/Sent.log: the messages the engine sent asking for a status report,
// and what the reports told of them. One entry a line, tab separated:
//
//   2026-12-08 14:03:11  sent           +79161234567  17,18  Привет, это...
//   2026-12-08 14:03:40  delivered      +79161234567  17,18  Привет, это...
//
// date and time (local), kind (`sent`, `delivered`, `not-delivered`), the
// recipient, the message reference the phone gave each part (in part
// order), and the text's start (Windows-1251). The engine appends a `sent`
// line after a send and the resident engine an outcome line once every part
// was delivered or one failed; the sent SMS window reads the file to show
// each listed message's outcome. No widgets.

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace td {

// How much of a text an entry keeps, in characters (one byte each).
constexpr size_t kSentTextChars = 70;

struct SentEntry {
    std::string when;  // "YYYY-MM-DD hh:mm:ss"
    std::string kind;  // "sent", "delivered", "not-delivered"
    std::string number;
    std::vector<int> refs;  // 0-255, one a part
    std::string text;       // the start of the text
};

// "YYYY-MM-DD hh:mm:ss" in local time.
std::string sentStamp(std::time_t t);
// A text as an entry keeps it: tabs and line breaks as blanks, cut to
// kSentTextChars.
std::string sentTextStart(std::string_view text);

std::string sentLogLine(const SentEntry& e);
// Nothing for a line that is no entry (a kind or a reference unknown).
std::optional<SentEntry> readSentLogLine(std::string_view line);

// Appends one entry in a single write (CR LF ended): a reader never sees
// half a line. false when it could not be written.
bool appendSentLog(const std::string& path, const SentEntry& e);
// The file's entries in order; lines that are no entry are skipped.
std::vector<SentEntry> readSentLog(const std::string& path);

// The newest `sent` entry to this number (compared as numbers) one of whose
// parts had this reference: its place in `log`.
std::optional<size_t> sendOfReport(const std::vector<SentEntry>& log, const std::string& number,
                                   int ref);
// The outcome entry of the send at `send`: the first later delivered or
// not-delivered line for the same number and references.
const SentEntry* outcomeOf(const std::vector<SentEntry>& log, size_t send);
// The outcome of a message the phone lists as sent (it keeps no reference):
// the newest send to the number whose text start is the message's, or of
// which the message is the first part.
const SentEntry* deliveryOf(const std::vector<SentEntry>& log, const std::string& number,
                            std::string_view text);
// "доставлено 08.12 14:03" / "не доставлено 08.12 14:03" (Windows-1251).
std::string deliveryText(const SentEntry& outcome);

}  // namespace td
