#pragma once
// What a resident engine makes of the lines a phone sends unasked: new
// messages (+CMTI, which asks for a read of the message, and +CMT, which
// brings it along), status reports on sent messages (+CDS, or +CDSI naming a
// stored report to read: a part delivered or not, the message reference as
// the index, matched to its send by DeliveryMatcher), calls (RING, +CRING and +CLIP: one `call`,
// then `missed` when the ringing stops without the call being answered), and the line of
// AutoRun/Events.log each event becomes.

#include <chrono>
#include <ctime>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "formats/eventlog.h"
#include "formats/sentlog.h"

namespace celltalk {

struct PhoneEvent {
    std::string kind;    // sms, call, missed, delivered, not-delivered
    std::string number;  // the correspondent as the phone gave it
    std::string index;   // the message's place; a part's reference; a delivery's references
    std::string text;    // Windows-1251: the message's text; a part's TP-Status; the text sent
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
// A stored status report as its read (+CMGR) answers it, in text mode one
// line (stat, fo, mr, ra, tora, scts, dt, st), in PDU mode the header and
// an SMS-STATUS-REPORT: a part's delivered or not-delivered. Nothing for
// anything else, or while the centre still tries.
std::optional<PhoneEvent> storedReportEvent(const std::vector<std::string>& answer);

// A stored report to read: the memory the phone named and its place.
struct StoredReport {
    std::string memory, index;
};

// Ties the reports on single parts to the sends of AutoRun/Sent.log (by
// message reference and recipient, the newest send first): a message is
// delivered once every part is, and not delivered as soon as one part is not.
class DeliveryMatcher {
  public:
    struct Outcome {
        PhoneEvent event;                    // the line for Events.log
        std::optional<td::SentEntry> entry;  // the outcome line for Sent.log
    };
    // A part's report (kind, number, index = reference) against the log:
    // the message's outcome once known; the report as it came when it
    // belongs to no recorded send; nothing while other parts are awaited or
    // when the send's outcome was already told.
    std::optional<Outcome> report(const PhoneEvent& part, const std::vector<td::SentEntry>& log,
                                  std::time_t now);

  private:
    std::map<std::string, std::set<int>> delivered_;  // by the send's line
};

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
    std::vector<StoredReport> takeReportReads();
    bool ringing() const { return ringing_; }

  private:
    void callStarts();
    double ringGap_;
    std::vector<PhoneEvent> events_;
    std::vector<std::string> reads_;
    std::vector<StoredReport> reportReads_;
    std::optional<std::string> bodyOf_;  // a +CMT or +CDS whose next line is its own
    bool ringing_ = false, called_ = false, hungUp_ = false;
    std::string number_;  // the caller's, from +CLIP
    Clock::time_point lastRing_{};
};

}  // namespace celltalk
