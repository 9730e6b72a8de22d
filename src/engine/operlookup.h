#pragma once
#include <string>

namespace td {

// Command text of an operation in section Operations of the bare-named ini
// in StartDir, or "" after telling the user why (file missing, empty
// operation name, operation missing, empty or a single blank).
std::string GetOperByName(const std::string& iniName, const std::string& operation);

// The explanation for a key function whose bound operation is not in the
// list (operation: the one bound before, or "").
std::string missingOperationText(const std::string& caption, const std::string& operation);

}  // namespace td
