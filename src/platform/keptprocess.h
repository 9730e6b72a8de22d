#pragma once
// A helper program kept running beside this one for as long as it wants it
// (the resident engine): started as a child, watched, and ended with
// SIGTERM. What it writes to its standard error is kept, so a start that
// failed can be told in the helper's own words. Tests replace it.

#include <sys/types.h>

#include <string>

namespace td {

class KeptProcess {
  public:
    virtual ~KeptProcess() = default;
    // Starts `file` (found as shellOpen finds it) with the parameter text in
    // `dir`. False when it could not be started at all.
    virtual bool start(const std::string& file, const std::string& params,
                       const std::string& dir) = 0;
    // Whether it still runs; an ended child is reaped here.
    virtual bool running() = 0;
    // The last line it wrote to its standard error (as written, UTF-8).
    virtual std::string lastWords() = 0;
    // Ends it: SIGTERM, then waits through pump().sleep (the windows stay
    // live) up to graceMs before SIGKILL. Nothing when it is not running.
    virtual void stop(int graceMs) = 0;
};

// The real child process. It gets SIGTERM too when this program dies
// without stopping it, so the port it holds is never left behind.
class ChildProcess : public KeptProcess {
  public:
    ~ChildProcess() override;
    bool start(const std::string& file, const std::string& params, const std::string& dir) override;
    bool running() override;
    std::string lastWords() override;
    void stop(int graceMs) override;

  private:
    void drain();
    pid_t pid_ = -1;
    int err_ = -1;  // read end of its standard error
    std::string errText_;
};

}  // namespace td
