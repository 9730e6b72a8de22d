#pragma once
// Test doubles for the platform services: scripted message boxes, a recorded
// beep and cursor, virtual time with scheduled actions, recorded engine
// starts and a fixed clock. TestEnv installs them all in a fresh temporary
// folder that becomes the current folder and StartDir.

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/services.h"

namespace td::test {

class ScriptedDialogs : public Dialogs {
  public:
    void message(const std::string& text) override { messages.push_back(text); }
    bool confirm(const std::string& text) override;
    std::vector<std::string> messages;   // Windows-1251, in order
    std::vector<std::string> questions;  // Windows-1251, in order
    std::deque<bool> answers;  // next answers; empty: confirm() fails the test and says No
    bool defaultAnswer = false;
    bool failOnUnscripted = true;
};

class RecordingFeedback : public Feedback {
  public:
    void beep() override { ++beeps; }
    void setHourglass(bool on) override { hourglass = on; }
    int beeps = 0;
    bool hourglass = false;
};

// Virtual time: sleep(ms) moves the clock on without really waiting and runs,
// in time order, every action scheduled up to the new moment. Actions also
// run from processEvents() when their moment has come.
class VirtualPump : public EventPump {
  public:
    void processEvents() override;
    void sleep(int ms) override;
    long long nowMs() override { return now; }
    // Runs f when the virtual clock reaches at (absolute, ms).
    void at(long long atMs, std::function<void()> f);
    void after(long long delayMs, std::function<void()> f) { at(now + delayMs, std::move(f)); }
    void later(int ms, std::function<void()> f) override { after(ms, std::move(f)); }
    // Called at every processEvents (after due actions); lets a test act "during" a wait.
    std::function<void()> onEvents;
    long long now = 0;
    int processEventsCalls = 0;
    std::vector<int> sleeps;  // every sleep asked for, in ms

  private:
    void runDue();
    std::multimap<long long, std::function<void()>> actions_;
    bool running_ = false;
};

struct StartRecord {
    std::string file, params, dir;
    int show;
};

class RecordingStarter : public ProcessStarter {
  public:
    int open(const std::string& file, const std::string& params, const std::string& dir,
             int show) override;
    std::vector<StartRecord> starts;
    int result = 42;                                  // what open() returns
    std::function<void(const StartRecord&)> onStart;  // e.g. a fake engine
    // The parameter texts started so far.
    std::vector<std::string> params() const;
};

class FixedClock : public Clock {
  public:
    std::time_t now() override { return t; }
    std::time_t t = 1764806400;  // 2025-12-04 00:00:00 UTC
    void setLocal(int year, int month, int day, int hour = 12, int min = 0, int sec = 0);
};

// Installs the doubles, makes a fresh temporary folder current (StartDir),
// redirects the satellite markers into its "markers" subfolder and resets
// the program-wide values. Everything is restored on destruction.
class TestEnv {
  public:
    TestEnv();
    ~TestEnv();
    TestEnv(const TestEnv&) = delete;
    TestEnv& operator=(const TestEnv&) = delete;

    std::string dir;      // the temporary folder (system bytes = ASCII)
    std::string markers;  // the satellite marker folder
    ScriptedDialogs dialogs;
    RecordingFeedback feedback;
    VirtualPump pump;
    RecordingStarter starter;
    FixedClock clock;

    // Writes a file in dir; text given in UTF-8 is stored as Windows-1251
    // with CR LF line ends when crlf is set.
    void writeFile(const std::string& name, const std::string& utf8, bool crlf = true) const;
    std::string readFile(const std::string& name) const;  // raw bytes
    std::string path(const std::string& name) const;
    bool exists(const std::string& name) const;  // any kind of entry, a folder too

  private:
    Services saved_;
    std::string oldCwd_;
};

// Windows-1251 of a UTF-8 literal and back, for readable assertions.
std::string W(const std::string& utf8);
std::string U(const std::string& cp1251);

}  // namespace td::test
