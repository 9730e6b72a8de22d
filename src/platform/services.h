#pragma once
// The small interfaces through which the program reaches the user and the
// system. The running program installs the Qt versions (qtservices.h); tests
// install scripted ones, so no window ever blocks and no time really passes.

#include <ctime>
#include <functional>
#include <string>

namespace td {

// Message boxes. Texts are Windows-1251; "\r" inside a text is a line break.
class Dialogs {
  public:
    virtual ~Dialogs() = default;
    virtual void message(const std::string& text) = 0;
    virtual bool confirm(const std::string& text) = 0;  // Yes/No, true for Yes
};

// The system beep and the mouse cursor.
class Feedback {
  public:
    virtual ~Feedback() = default;
    virtual void beep() = 0;
    virtual void setHourglass(bool on) = 0;  // false: the normal arrow
};

// Waiting without freezing the windows.
class EventPump {
  public:
    virtual ~EventPump() = default;
    // Runs the window events that are pending now.
    virtual void processEvents() = 0;
    // Waits ms milliseconds; the windows stay responsive throughout (events
    // are handled as they arrive, not only before and after).
    virtual void sleep(int ms) = 0;
    // Milliseconds on a steady clock (virtual in tests).
    virtual long long nowMs() = 0;
};

// Starting a program (the engine). Returns a code as shellOpen does.
class ProcessStarter {
  public:
    virtual ~ProcessStarter() = default;
    virtual int open(const std::string& file, const std::string& params, const std::string& dir,
                     int show) = 0;
};

// The wall clock and the system's date and time formats. Formats use the
// tokens d dd M MM yy yyyy h hh H HH m mm s ss; other characters are copied.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual std::time_t now() = 0;
    std::string shortDateFormat = "dd.MM.yyyy";
    std::string longTimeFormat = "HH:mm:ss";
    std::string shortDate(std::time_t t) const;
    std::string longTime(std::time_t t) const;
    std::string dateTime(std::time_t t) const { return shortDate(t) + " " + longTime(t); }
};

std::string formatLocalTime(std::time_t t, const std::string& format);

struct Services {
    Dialogs* dialogs = nullptr;
    Feedback* feedback = nullptr;
    EventPump* pump = nullptr;
    ProcessStarter* starter = nullptr;
    Clock* clock = nullptr;
};

// The installed services (set once by the program, or by each test).
Services& services();
// Installs a whole set; the objects must outlive their use.
void installServices(Dialogs& d, Feedback& f, EventPump& p, ProcessStarter& s, Clock& c);
inline Dialogs& dialogs() {
    return *services().dialogs;
}
inline Feedback& feedback() {
    return *services().feedback;
}
inline EventPump& pump() {
    return *services().pump;
}
inline ProcessStarter& starter() {
    return *services().starter;
}
inline Clock& clock() {
    return *services().clock;
}

// Plain implementations without windows: the real process start and the
// system clock.
class SystemProcessStarter : public ProcessStarter {
  public:
    int open(const std::string& file, const std::string& params, const std::string& dir,
             int show) override;
};
class SystemClock : public Clock {
  public:
    std::time_t now() override { return std::time(nullptr); }
};

// The folder that stands in for "c:\" of the satellite markers: every
// satellite program of one user shares it. Default: the TAPDECK_MARKER_DIR
// environment variable, else the system's temporary folder. Tests redirect it.
void setMarkerDir(const std::string& dir);
std::string markerDir();
// Maps a Windows marker path such as "c:\swapping.fl3" onto markerDir().
std::string mapMarkerPath(const std::string& windowsPath);

}  // namespace td
