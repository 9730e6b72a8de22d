#include "engine/settingkeys.h"

#include <cstdlib>

#include "platform/cp1251.h"
#include "platform/ini.h"

namespace td {

const std::string EngineExeName = "celltalk.exe";
const std::string OwnIniName = "tapdeck.ini";
const std::string EngineIniName = "celltalk.ini";
const std::string RunMarkerName = "celltalk.run";
const std::string EventsLogName = "Events.log";
const std::string ResidentLogName = "Resident.log";
const std::string SentLogName = "Sent.log";
const std::string EngineErrorName = "CellTalk.err";
const std::string AutoRunDir = "AutoRun";

std::string keyName(const Setting& s) {
    return W(s.key);
}

std::string readSetting(const IniFile& f, const Setting& s) {
    return readSetting(f, s, W(s.def));
}

std::string readSetting(const IniFile& f, const Setting& s, const std::string& def) {
    return f.readString(std::string(s.section), keyName(s), def);
}

bool writeSetting(IniFile& f, const Setting& s, const std::string& value) {
    return f.writeString(std::string(s.section), keyName(s), value);
}

bool settingExists(const IniFile& f, const Setting& s) {
    return f.keyExists(std::string(s.section), keyName(s));
}

double settingNumber(const Setting& s) {
    return std::strtod(std::string(s.def).c_str(), nullptr);
}

}  // namespace td
