#pragma once
// Starting the engine, the busy test, and the satellite markers by which the
// engine's front-end programs see each other.

#include <string>
#include <vector>

namespace td {

// `oper "{operation}"` followed by each argument in double quotes.
std::string operParams(const std::string& operation, const std::vector<std::string>& args = {});

// What a failed start tells the user: the program looked for (without the
// ".exe" the system drops) and where, or that it may not be run.
std::string StartFailureText(const std::string& file, const std::string& dir, int code);
// Asks the system to start file with the parameter text; on failure shows
// StartFailureText. True when it started.
bool ExecuteActAll(const std::string& file, const std::string& params, int show,
                   const std::string& dir);
// Starts the engine with oper "{operation}" "{argument}".
void CallReSendSMSCell(const std::string& operation, const std::string& argument);
// Starts the engine with operParams(operation, args); true when it started.
bool StartEngine(const std::string& operation, const std::vector<std::string>& args = {});

// True (after telling the user) while the engine's run marker shows a
// running engine; the marker of an engine that was killed is removed.
bool CellBusy();

// Deletes markers dated before today, then tells whether any marker exists.
// A marker that cannot be read counts as present. `own` (the marker this
// program created, as CreSateliteFile returned it) is left alone and not
// counted: it shows only that this program runs.
bool CheckSateliteFile(const std::string& base, const std::string& own = {});
// Creates this program's marker in the first free slot; its name, or "".
std::string CreSateliteFile(const std::string& base);

}  // namespace td
