#pragma once
// Serves a simulated phone on a pseudo-terminal, the way a phone on a serial
// cable looks to a host: the host opens the terminal's slave side (through a
// symbolic link at a path of our choice) and talks AT commands to it.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

#include "control.h"
#include "phonesim.h"

namespace phonesim {

// When the bytes of the phone's output may leave at a line rate of `baud`
// (10 bits per byte; 0: at once): the n-th byte of an answer is due n byte
// times after the answer started, whatever the writes before it did.
class LineSchedule {
  public:
    using Clock = std::chrono::steady_clock;
    explicit LineSchedule(int baud);
    void startAnswer(Clock::time_point now);  // the line was idle until now
    // How many of `waiting` bytes to write now (none until a chunk is due).
    size_t dueBytes(Clock::time_point now, size_t waiting) const;
    Clock::time_point nextWrite(size_t waiting) const;  // when dueBytes becomes non-zero
    void wrote(size_t n);

  private:
    Clock::time_point dueTime(size_t bytes) const;
    std::chrono::duration<double> byteTime_;
    size_t chunk_;
    Clock::time_point start_{};
    size_t written_ = 0;
};

class PtyServer {
  public:
    // baud > 0 paces the output to that line rate (10 bits per byte).
    PtyServer(Phone& phone, std::string linkPath, int baud = 0);
    ~PtyServer();  // closes the terminal and removes the link
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // Opens the terminal pair and creates the link; false with a reason.
    bool open(std::string* error);
    // Serves until stop becomes true (looked at every 100 ms at least).
    void run(const std::atomic<bool>& stop);

    // Takes the network's events from lines appended to `file` (control.h);
    // a call rings every `ringEverySec` seconds while it comes in.
    void control(const std::string& file, double ringEverySec);

    const std::string& slavePath() const { return slavePath_; }

  private:
    Phone& phone_;
    std::string linkPath_;
    std::string slavePath_;
    int baud_;
    int master_ = -1;
    int slave_ = -1;  // kept open so that a host closing its side causes no hang-up
    bool linked_ = false;
    std::unique_ptr<ControlFeed> control_;
    std::chrono::duration<double> ringEvery_{3.0};
};

}  // namespace phonesim
