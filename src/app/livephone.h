#pragma once
// The phone, live: while the program runs it may keep the resident engine
// (`celltalk serve`, which holds the port between runs and records what the
// phone announces in AutoRun/Events.log) and turns each new line of that
// file into a desktop notification. Only with LivePhone=YES in tapdeck.ini;
// the engine only while ResidentEngine=YES (the settings window's box).

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "formats/eventlog.h"

namespace td {

class KeptProcess;
class Notifier;
struct Forms;

// What a news line shows: title and body (Windows-1251), and whether a click
// opens the unread messages. Nothing for kinds that are not announced.
struct Announcement {
    std::string title, body;
    bool opensUnread = false;
};
// `nameFor` gives the name the own book holds for a number (the number
// itself where it holds none).
std::optional<Announcement> announcementFor(
    const EventRecord& e, const std::function<std::string(const std::string&)>& nameFor);

class LivePhone {
  public:
    static constexpr int PollMs = 200;        // looks at Events.log and the engine
    static constexpr int StopGraceMs = 3000;  // SIGTERM, then SIGKILL after this

    LivePhone(Notifier& notifier, KeptProcess& engine);
    ~LivePhone();
    LivePhone(const LivePhone&) = delete;
    LivePhone& operator=(const LivePhone&) = delete;

    // After the main window's first activation (StartDir known).
    void start();
    // The settings window's box ticked or unticked: start or end the engine.
    void setResident(bool on);
    // At exit: ends the engine, waiting through the event loop.
    void stop();
    bool following() const { return tail_.has_value(); }

    // Opens the unread SMS window and reads it (wired in src/app/forms.cpp).
    std::function<void()> openUnread;

  private:
    void poll();
    void startEngine();
    void engineFailed();
    std::string nameFor(const std::string& number) const;

    Notifier& notifier_;
    KeptProcess& engine_;
    std::optional<EventLogTail> tail_;
    bool keep_ = false;  // the engine is wanted and was started
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// The settings window's box and the unread window's opening, connected to
// `live`; windows missing from f are left out.
void wireLivePhone(LivePhone& live, const Forms& f);

}  // namespace td
