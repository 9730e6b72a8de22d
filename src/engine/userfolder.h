#pragma once
// The per-user folder of an installed program. The program keeps its files
// in the folder it is started from; a start from a folder without the
// program's own ini (the desktop menu, a terminal in the home folder) goes to
// $XDG_DATA_HOME/tapdeck instead, made on the first such start from the
// installed templates. Paths here are Windows-1251, as everywhere inside.

#include <functional>
#include <string>

namespace td {

// Reads an environment variable; nullptr when it is not set.
using EnvLookup = std::function<const char*(const char*)>;
EnvLookup systemEnv();

// $XDG_DATA_HOME/tapdeck, or $HOME/.local/share/tapdeck when XDG_DATA_HOME is
// unset, empty or relative (the base directory rules ignore a relative one).
// Empty when neither gives an absolute folder.
std::string userDataFolder(const EnvLookup& env);

// The templates installed with a program at <prefix>/bin/<program>:
// <prefix>/share/tapdeck. `exePath` is the program's own absolute path.
std::string templateFolderFor(const std::string& exePath);

// Makes `folder` (missing parents too, new folders private to the user) with
// its AutoRun folder and copies into it every file of `templates` that it
// does not hold yet; a file already there is never overwritten. false, with
// `error` set, when the templates are missing or something cannot be made.
bool fillFromTemplates(const std::string& folder, const std::string& templates, std::string& error);

struct StartFolder {
    std::string folder;  // where the program is to run
    bool moved = false;  // true when that is the per-user folder
    std::string error;   // why the per-user folder could not be used
};

// A start folder holding the own ini stays the start folder (today's use:
// the demo, the tests, satellite copies). Otherwise the per-user folder,
// filled from the templates where it lacks files; when it cannot be made the
// start folder stays and `error` says why.
StartFolder chooseStartFolder(const std::string& current, const std::string& userFolder,
                              const std::string& templates);

// What the user is told when the per-user folder could not be used
// (Windows-1251); "" when nothing went wrong.
std::string startFolderProblem(const StartFolder& start);

}  // namespace td
