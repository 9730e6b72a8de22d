#pragma once
// AutoRun/Events.log, the resident engine's record of what the phone
// announced: one event a line (Windows-1251, CR LF), tab separated: local
// date and time ("2026-12-08 01:31:24"), kind (sms, call, missed, delivered,
// not-delivered), number, index (a message's place in the phone, a report's
// message reference) and text (a message's start, a report's status). The
// engine appends the lines; the program follows the file and announces them.
// No widgets.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace td {

struct EventRecord {
    std::string when;  // "YYYY-MM-DD HH:MM:SS", local time
    std::string kind;
    std::string number;
    std::string index;
    std::string text;
};

// A text is cut to its first EventTextChars characters (one byte each).
constexpr size_t EventTextChars = 70;

// The line for an event at `when`, without its line end. Control characters
// (tabs, line breaks) in number, index and text become blanks, so a line
// always holds five fields.
std::string eventLogLine(const std::string& kind, const std::string& number,
                         const std::string& index, const std::string& text, std::time_t when);

// A line (its CR LF or LF gone or not) back as its record; nothing when it
// holds fewer than five fields or no kind. A text holding tabs (a line
// written by hand) is kept whole.
std::optional<EventRecord> readEventLine(std::string_view line);

// Follows the file as the engine appends to it: each poll gives the whole
// lines added since the last one. The first poll starts at the file's end
// (what stood before is old news). A line still being written waits for its
// line end. A file that shrank or was replaced (another inode) is read again
// from its start; a file that is gone gives nothing until it comes back.
class EventLogTail {
  public:
    explicit EventLogTail(std::string osPath) : path_(std::move(osPath)) {}
    std::vector<EventRecord> poll();

  private:
    std::string path_;
    bool started_ = false;
    std::uint64_t offset_ = 0;  // bytes taken: the end of the last whole line
    std::uint64_t inode_ = 0, device_ = 0;
};

}  // namespace td
