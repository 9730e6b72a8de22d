#pragma once
// How a run is shown: with the engine's window when the operations ini asks
// for it and a display is there, else without one, exactly as always. The
// window lives in a module of its own (celltalk_window.so beside the
// executable in the build tree, in ../lib/tapdeck from it when installed), loaded only when it is
// wanted: without it the engine needs no window library at all.

#include <functional>
#include <string>
#include <vector>

#include "engine.h"
#include "windowrun.h"

namespace celltalk {

enum class WindowMode { Min, Norm, Max };

// AutoRun/Window as written by the front end ("Min", "Norm", "Max", any
// letter case); anything else shows no window.
WindowMode windowMode(const std::string& value);
// A window can be shown: a display or a Qt platform is named in the environment.
bool displayPresent(const std::function<const char*(const char*)>& getenv);
// The window is wanted for this mode and environment.
bool wantWindow(WindowMode mode, bool display);
// Where the window module is looked for, in order, given the folder of the
// running executable: beside it, then the installed place ../lib/tapdeck.
std::vector<std::string> windowModulePaths(const std::string& exeDir);

// The whole run as the command asks for it: with the window when wanted and
// possible, else without; then the end signal when Common/Beep is YES
// (the window's beep, or the terminal bell on stderr).
int runAsAsked(const RunRequest& req);

}  // namespace celltalk
