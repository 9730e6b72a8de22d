#pragma once
// Batch files for the engine: before the delete operation starts, the
// commands that must follow the delete (further deletes, then the command
// text of the operation that reads the list again) are written into the
// batch file that the delete operation's command text names with the
// macro !BAT"<file>". One engine start then deletes and re-reads.

#include <string>

namespace td::sms {

// The batch file named in a command text: the text is upper-cased (Latin
// letters only), then the name is the part between the first and the next
// double quote after the first "!BAT". Empty when there is no "!BAT", no
// quoted name, or the name holds a folder separator (the engine looks for
// batch files in its own folder only).
std::string batchFileName(const std::string& command);

// The batch file's one line: the prefix, then the read command.
std::string batchLine(const std::string& prefix, const std::string& readCommand);

// Writes prefix + the command text of `readOperation` into the batch file
// named in the command text of `batchOperation` (both looked up in section
// Operations of `iniName` in StartDir), replacing it: StartDir\<NAME> under
// its upper-cased name and, so that the engine cannot pick a stale one, every
// other file of StartDir whose name differs from it only in letter case.
// False, with the lookup's message or the file's, when nothing was written.
// A read operation that cannot be looked up leaves the prefix alone on the
// line (after the lookup's message); that still counts as written.
bool PutOperToOperBat(const std::string& iniName, const std::string& batchOperation,
                      const std::string& readOperation, const std::string& prefix);

}  // namespace td::sms
