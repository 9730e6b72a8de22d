#include "phonebook/ownbook.h"

#include "engine/settingkeys.h"
#include "platform/ini.h"

namespace td {

const std::string PhoneBookSection{setting::PhoneBookSection};

OwnBookRows loadOwnBook(const std::string& iniPath) {
    IniFile ini(iniPath);
    OwnBookRows out;
    for (const std::string& key : ini.readSectionKeys(PhoneBookSection)) {
        std::string value = ini.readString(PhoneBookSection, key, "");
        if (isBlankCell(value)) {
            out.rows.push_back({});
        } else {
            out.rows.push_back({key, value});
            ++out.count;
        }
    }
    return out;
}

bool saveOwnBook(const std::string& iniPath, const std::vector<PBRecord>& rows) {
    IniFile ini(iniPath);
    if (!ini.eraseSection(PhoneBookSection)) return false;
    bool ok = true;
    for (const PBRecord& r : rows) {
        if (isBlankCell(r.name) || isBlankCell(r.number)) continue;
        ok = ini.writeString(PhoneBookSection, noEquals(r.name), r.number) && ok;
    }
    return ok;
}

std::string noEquals(std::string s) {
    for (char& c : s)
        if (c == '=') c = '-';
    return s;
}

}  // namespace td
