#pragma once
// What a resident engine makes of the lines a phone sends unasked: new
// messages (+CMTI, which asks for a read of the message, and +CMT, which
// brings it along), status reports on sent messages (+CDS: delivered or
// not-delivered, the message reference as the index), calls (RING, +CRING and +CLIP: one `call`,
// then `missed` when the ringing stops without the call being answered), and the line of
// AutoRun/Events.log each event becomes.

#include <chrono>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "formats/eventlog.h"

namespace celltalk {

struct PhoneEvent {
    std::string kind;    // sms, call, missed, delivered, not-delivered
    std::string number;  // the correspondent as the phone gave it
    std::string index;   // the message's place in the phone; a report's message reference
    std::string text;    // Windows-1251: the message's text, or a report's TP-Status
};

// The Events.log line (td::eventLogLine): date and time, kind, number, index
// and text, tab separated; tabs and line breaks inside the text become blanks
// and the text is cut to its first kEventTextChars characters.
constexpr size_t kEventTextChars = td::EventTextChars;
std::string eventLine(const PhoneEvent& e, std::time_t when);

// A stored message as its read (+CMGR) answers it: the header and the text or
// PDU lines. `index` is the place asked for; `ucs2` and `gsm` tell the phone's
// character set (for a text-mode answer). Nothing when the answer holds no
// message.
std::optional<PhoneEvent> messageEvent(const std::vector<std::string>& answer,
                                       const std::string& index, bool ucs2, bool gsm);

class EventWatcher {
  public:
    using Clock = std::chrono::steady_clock;
    explicit EventWatcher(double ringGapSec) : ringGap_(ringGapSec) {}

    // One line the phone sent unasked, at `now`.
    void line(const std::string& text, Clock::time_point now);
    // The ringing stopped (no RING for the gap, or NO CARRIER): true once,
    // when the engine should ask whether the call was answered and then call
    // ringEnded().
    bool ringingStopped(Clock::time_point now) const;
    void ringEnded(bool answered);

    // Events complete so far, and the message places to read, taken.
    std::vector<PhoneEvent> takeEvents();
    std::vector<std::string> takeReads();
    bool ringing() const { return ringing_; }

  private:
    void callStarts();
    double ringGap_;
    std::vector<PhoneEvent> events_;
    std::vector<std::string> reads_;
    std::optional<std::string> bodyOf_;  // a +CMT or +CDS whose next line is its own
    bool ringing_ = false, called_ = false, hungUp_ = false;
    std::string number_;  // the caller's, from +CLIP
    Clock::time_point lastRing_{};
};

}  // namespace celltalk
