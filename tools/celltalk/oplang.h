#pragma once
// The operation language: a command text is a row of AT commands and engine
// macros separated by "|" (a "|" inside a quoted text, such as a date-book
// title, is part of the text). Expansion turns it into the flat list of steps the
// engine executes, with the arguments put in and batch files read in.

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace celltalk {

struct Step {
    enum class Kind { Command, Delay, SendSms, StoreSms };
    Kind kind = Kind::Command;
    std::string text;     // Command: the AT command; SendSms: the recipient number;
                          // StoreSms: what follows !smw
    double seconds = -1;  // Delay: seconds, -1 for the configured default
    bool operator==(const Step&) const = default;
};

struct OpArgs {
    std::string arg1;  // "№" and !bat[ use it; !sms takes the recipients from it
    std::string arg2;  // !sms sends it as the text
};

// Reads a batch file by name (matched without regard to letter case); nothing
// when it cannot be found. Returns its lines.
using BatchLoader = std::function<std::optional<std::vector<std::string>>(const std::string&)>;

class OpError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

constexpr char kNumberMark = '\xB9';  // "№" in Windows-1251
constexpr int kMaxBatchDepth = 8;
// Bounds on one run's work, whatever the batch files say: the steps an
// operation may expand to, and the batch files it may read on the way.
constexpr size_t kMaxSteps = 20000;
constexpr size_t kMaxBatchReads = 2000;
// The longest pause !dly may ask for, in seconds.
constexpr double kMaxDelaySec = 3600;

// Expands a command text. Throws OpError on an unknown macro, a batch file
// that cannot be found, batch files nested deeper than kMaxBatchDepth, more
// than kMaxSteps steps or kMaxBatchReads batch files, a pause that is not a
// number from 0 to kMaxDelaySec, or a send macro without recipients.
std::vector<Step> expandOperation(const std::string& text, const OpArgs& args,
                                  const BatchLoader& loadBatch);

// Recipient numbers of a send: blank-separated, leading and repeated blanks allowed.
std::vector<std::string> splitRecipients(const std::string& list);

}  // namespace celltalk
