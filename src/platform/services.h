#pragma once
// The small interfaces through which the program reaches the user and the
// system. The running program installs the Qt versions (qtservices.h); tests
// install scripted ones, so no window ever blocks and no time really passes.

#include <ctime>
#include <functional>
#include <string>
#include <utility>
#include <vector>

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
    // Runs f once, ms milliseconds from now, from the event loop (a timer:
    // nothing waits for it). The caller makes sure that what f uses still
    // exists then.
    virtual void later(int ms, std::function<void()> f) = 0;
};

// Starting a program (the engine). Returns a code as shellOpen does.
class ProcessStarter {
  public:
    virtual ~ProcessStarter() = default;
    virtual int open(const std::string& file, const std::string& params, const std::string& dir,
                     int show) = 0;
    // Runs a program to its end and collects its standard output, the
    // windows staying responsive; its exit code, or -1 when it did not run.
    virtual int capture(const std::string& file, const std::string& params, const std::string& dir,
                        std::string& output) {
        (void)file, (void)params, (void)dir;
        output.clear();
        return -1;
    }
};

// The wall clock and the system's date and time formats. Formats use the
// tokens d dd M MM yy yyyy h hh H HH m mm s ss, and AP / ap (AM/PM, am/pm);
// other characters are copied.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual std::time_t now() = 0;
    std::string shortDateFormat = "dd.MM.yyyy";
    std::string longTimeFormat = "HH:mm:ss";
    std::string shortDate(std::time_t t) const;
    std::string longTime(std::time_t t) const;
    std::string dateTime(std::time_t t) const { return shortDate(t) + " " + longTime(t); }
    // The date of a satellite marker, compared as text by every satellite:
    // the short date when it is day, month and four-digit year with leading
    // zeros, else "dd.MM.yyyy".
    std::string markerDate(std::time_t t) const;
    // The date and time for a file name: the marker's date and the long time
    // (24-hour, or with AM/PM), every "/" and ":" turned into "-". Valid on
    // Linux, and one name for one moment.
    std::string fileStamp(std::time_t t) const;
};

std::string formatLocalTime(std::time_t t, const std::string& format);

// The clock's format for a system (Qt-style) short date or long time format,
// or "" when it is not sound: names of months or days, a 12-hour time
// without AM/PM, a part missing. Time zones and quoted text are dropped.
std::string clockDateFormat(const std::string& systemFormat);
std::string clockTimeFormat(const std::string& systemFormat);

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
// The installed clock's file-name stamp of this moment (Clock::fileStamp).
inline std::string fileStampNow() {
    return clock().fileStamp(clock().now());
}

// Plain implementations without windows: the real process start and the
// system clock.
class SystemProcessStarter : public ProcessStarter {
  public:
    int open(const std::string& file, const std::string& params, const std::string& dir,
             int show) override;
    int capture(const std::string& file, const std::string& params, const std::string& dir,
                std::string& output) override;
};
class SystemClock : public Clock {
  public:
    std::time_t now() override { return std::time(nullptr); }
};

// Files that could not be saved are told to the user once per action.
// While a SaveReport lives, failures are gathered and shown in one message
// when the outermost one ends (each file once); outside one, each failure is
// shown at once. Without installed dialogs (the engine) nothing is shown.
class SaveReport {
  public:
    SaveReport();
    ~SaveReport();
    SaveReport(const SaveReport&) = delete;
    SaveReport& operator=(const SaveReport&) = delete;
};
// error: the errno of the failure (EINVAL: a name or value the file cannot hold).
void reportUnsaved(const std::string& path, int error);
// Why a file was not written, from the errno of the failure.
std::string unsavedReason(int error);
// The message for these failures, one line per file.
std::string unsavedMessage(const std::vector<std::pair<std::string, int>>& failures);

// The folder that stands in for "c:\" of the satellite markers: every
// satellite program of one user shares it, and no other user's program
// sees it. Default: the TAPDECK_MARKER_DIR environment variable, else
// $XDG_RUNTIME_DIR, else the folder tapdeck-<uid> in the temporary folder
// (made private to the user), else ~/.cache/tapdeck. Tests redirect it.
void setMarkerDir(const std::string& dir);
std::string markerDir();
// Maps a Windows marker path such as "c:\swapping.fl3" onto markerDir().
std::string mapMarkerPath(const std::string& windowsPath);

}  // namespace td
