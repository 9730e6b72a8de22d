#pragma once
// The program's command line for scripts: exports and imports on the
// folder's own ini and last copies, without a window. Messages go to `err`
// in UTF-8; the help to `out`. Exit codes: 0 done, 1 failed (or an import
// refused something: the rest is merged all the same), 2 wrong usage.

#include <ostream>
#include <string>
#include <vector>

namespace td::exchange {

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

// The arguments (without the program's name) ask for the command line:
// one of them begins with "--" (or is "-h").
bool wantsCommandLine(const std::vector<std::string>& args);

// Runs the one action the arguments name, in the current folder. exeName is
// the program's file name (it names the operations ini, as in the windows).
// Paths are in the system's bytes; a relative one is taken from callerDir
// when given (the folder the user ran the program in, which the program may
// have left for its start folder).
int runCommandLine(const std::vector<std::string>& args, const std::string& exeName,
                   std::ostream& out, std::ostream& err, const std::string& callerDir = {});

}  // namespace td::exchange
