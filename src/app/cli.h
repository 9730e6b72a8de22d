#pragma once
// The program's command line for scripts: exports and imports on the
// folder's own ini and last copies, without a window. Messages go to `err`
// in UTF-8; the help to `out`. Exit codes: 0 done, 1 failed (or an import
// refused something: the rest is merged all the same), 2 wrong usage.

#include <ostream>
#include <string>
#include <vector>

#include "platform/services.h"

namespace td::exchange {

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

// The arguments (without the program's name) less the options Qt takes
// for itself ("-platform offscreen", "-style x", "-session id", "-reverse"
// and the like, with one dash): what the command line has to read.
std::vector<std::string> commandLineArgs(const std::vector<std::string>& args);

// The arguments ask for the command line: any is left that is not Qt's own
// (an option of this program, "-h", an unknown option or a bare file name,
// which the command line answers with its usage).
bool wantsCommandLine(const std::vector<std::string>& args);

// Messages and questions of a run without windows: a message goes to `err`
// in UTF-8 after "tapdeck: ", a question is answered "no".
class ConsoleDialogs : public Dialogs {
  public:
    explicit ConsoleDialogs(std::ostream& err) : err_(err) {}
    void message(const std::string& text) override;
    bool confirm(const std::string& text) override;

  private:
    std::ostream& err_;
};

// A write beyond the size limit of files (ulimit -f) fails with EFBIG and is
// told, instead of the signal that would end the program mid-write.
void keepRunningPastFileSizeLimit();

// Runs the one action the arguments name (Qt's own options passed over), in
// the current folder. exeName is
// the program's file name (it names the operations ini, as in the windows).
// Paths are in the system's bytes; a relative one is taken from callerDir
// when given (the folder the user ran the program in, which the program may
// have left for its start folder).
int runCommandLine(const std::vector<std::string>& given, const std::string& exeName,
                   std::ostream& out, std::ostream& err, const std::string& callerDir = {});

}  // namespace td::exchange
