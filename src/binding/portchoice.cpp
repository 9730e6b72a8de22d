#include "binding/portchoice.h"

#include "engine/settingkeys.h"
#include "engine/settings.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/services.h"

namespace td::binding {

std::vector<PortFound> parsePortsListing(const std::string& utf8) {
    std::vector<PortFound> found;
    size_t at = 0;
    bool stateDue = false;
    while (at < utf8.size()) {
        size_t end = utf8.find('\n', at);
        if (end == std::string::npos) end = utf8.size();
        std::string line = utf8.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.starts_with("    ")) {
            if (stateDue) found.back().state = utf8ToCp1251(trim(line));
            stateDue = false;
            continue;
        }
        // A device line starts with the device's path; the listing's other
        // lines (none found, the closing hint) are sentences.
        stateDue = line.starts_with("/");
        if (!stateDue) continue;
        const size_t arrow = line.find(" -> ");
        found.push_back({utf8ToCp1251(line.substr(0, arrow)), {}});
    }
    return found;
}

std::optional<std::vector<PortFound>> findPorts() {
    std::string output;
    // The listing's exit code is 1 when no device answers: it is a listing all the same.
    int code = starter().capture(EngineExeName, "ports", prog().StartDir, output);
    if (code != 0 && code != 1) return std::nullopt;
    return parsePortsListing(output);
}

bool writeEnginePort(const std::string& dir, const std::string& port, std::string& note) {
    note.clear();
    std::string model;
    if (!td::writeEnginePort(dir, port, model)) return false;
    if (!model.empty())
        note = W("Внимание: ") + model +
               W(" задаёт свой порт (ComPort), и CellTalk возьмёт его: поправьте и его");
    return true;
}

}  // namespace td::binding
