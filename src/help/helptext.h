#pragma once
// The text of the short help: what the program is, how to install it beside
// the engine, and what it can do. The list of abilities follows the feature
// switches, so nothing switched off is described.

#include <string>
#include <vector>

namespace td::help {

struct HelpInputs {
    std::string progName;     // the program's name (its exe name without extension)
    std::string progVersion;  // "v 0.54" or the other series' "v 5.4"
    std::string altVersion;
    std::string pbookRead;  // feature switches, upper-cased
    std::string sendSmsRus;
    std::string missCall;
};

// The ini that takes the phone's port for a program of this name: its own
// operations ini P.ini, or celltalk.ini when P.ini is the settings file.
std::string portIniName(const std::string& progName);

// Lines in Windows-1251.
std::vector<std::string> helpLines(const HelpInputs& in);

}  // namespace td::help
