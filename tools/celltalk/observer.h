#pragma once
// What a run reports while it works, for whoever watches it (the engine's
// window). The engine calls these only through a pointer that is null when
// nobody listens, so an unwatched run pays one test per event.
// The calls come from the thread that runs the operation; texts are
// Windows-1251.

#include <cstddef>
#include <string>

namespace celltalk {

class RunObserver {
  public:
    enum class StepKind { Command, Delay, SendSms, StoreSms };

    virtual ~RunObserver() = default;
    // The run begins (before the settings are read).
    virtual void started(const std::string& operation) {}
    // Step `index` (from 1) of `total`, batch file lines included; `text`
    // is the command, the pause in seconds, or the recipient of a send.
    virtual void step(std::size_t index, std::size_t total, StepKind kind,
                      const std::string& text) {}
    // Bytes sent to the phone as one line: a command or a message body.
    virtual void sent(const std::string& text) {}
    // A line the phone sent; `unsolicited` for one it sent unasked.
    virtual void received(const std::string& line, bool unsolicited) {}
    // The run has ended: the marker is gone, the port closed, the files
    // written. `code` is the exit code; `reason` the text of CellTalk.err
    // (empty on success).
    virtual void finished(int code, const std::string& reason) {}
};

}  // namespace celltalk
