#pragma once
// The network's side of the simulated phone, driven by lines a test or a
// person appends to a control file (UTF-8):
//
//   sms NUMBER TEXT    a message arrives (the rest of the line is its text)
//   call NUMBER        a call comes in and rings until it is answered or
//   hangup             the caller gives up (a missed call)

#include <sys/types.h>

#include <string>
#include <vector>

#include "phonesim.h"

namespace phonesim {

// The lines appended to a file since the last look. A file there when the
// feed starts counts from its end (what it held is history); one that
// appears later, or is cut short, is read from its start.
class ControlFeed {
  public:
    explicit ControlFeed(std::string path);
    std::vector<std::string> newLines();

  private:
    std::string path_;
    off_t offset_ = 0;
    std::string partial_;
};

// Carries out one control line on the phone: what the phone sends unasked
// (empty for none); `known` is false for a line it does not understand.
struct ControlResult {
    bool known = true;
    std::string output;
};
ControlResult applyControl(Phone& phone, const std::string& line);

}  // namespace phonesim
