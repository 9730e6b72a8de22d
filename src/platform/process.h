#pragma once
// Starting another program the way the shell's "open" verb does, without a
// shell: the file name is resolved against the working folder (or the current
// one), the parameter text is split into arguments, and the program runs
// detached. Results follow the Windows convention: above 32 is success.

#include <functional>
#include <string>
#include <vector>

namespace td {

enum ShowCommand { SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOWMINIMIZED = 2, SW_SHOWMAXIMIZED = 3 };

// Codes below 32 as the shell reports them.
constexpr int kOpenFileNotFound = 2;
constexpr int kOpenPathNotFound = 3;
constexpr int kOpenAccessDenied = 5;
constexpr int kOpenOk = 42;

// Splits a parameter text: words are separated by blanks (and tabs); a double
// quote opens a group that runs to the next double quote, blanks included;
// there are no escapes. Quotes join with adjacent characters ("a"b -> ab).
std::vector<std::string> splitParameters(const std::string& params);

// Finds the file to start: a bare name is looked up in dir (current folder
// when empty); "name.exe" also finds an executable "name" when no such .exe
// exists. A bare name found in neither form there is looked up on the PATH,
// without ".exe" (an installed engine). Returns an empty text when nothing
// executable is found.
std::string resolveExecutable(const std::string& file, const std::string& dir);

// The first executable `name` in the folders of a PATH-style list (folders
// separated by ':'); empty and relative entries are skipped, since the
// working folder has been looked at already. Empty when none is found.
std::string findOnPath(const std::string& name, const std::string& searchPath);

// Starts the program detached (it outlives this one and is never waited for),
// with the arguments as Windows-1251 bytes. Returns kOpenOk or a code < 32.
int shellOpen(const std::string& file, const std::string& params, const std::string& dir, int show);

// Runs the program (found as shellOpen finds it) and collects what it writes
// to its standard output, waiting through `wait` (a nested event loop in the
// program) so the windows stay responsive; a run longer than limitMs is
// ended. Returns its exit code, or -1 when it could not be started or ended
// abnormally.
int runForOutput(const std::string& file, const std::string& params, const std::string& dir,
                 std::string& output, const std::function<void(int ms)>& wait, int limitMs = 60000);

}  // namespace td
