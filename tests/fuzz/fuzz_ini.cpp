// The ini reader on any file, and the read-back property of the writer: a
// section, key and value the writer takes (it reports success) read back
// unchanged, whatever else the file holds.
#include <cstdint>

#include "fuzzsupport.h"
#include "platform/files.h"
#include "platform/ini.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // file content \0 section \0 key \0 value
    auto parts = fuzz::split(std::string_view(reinterpret_cast<const char*>(data), size), '\0');
    parts.resize(4);
    const std::string path = fuzz::scratchDir() + "/fuzz.ini";
    td::files::writeAll(path, parts[0]);
    td::IniFile ini(path);
    const std::string &section = parts[1], &key = parts[2], &value = parts[3];
    for (const auto& [k, v] : ini.readSection(section)) (void)ini.readString(section, k, "");
    (void)ini.readSectionKeys(section);
    if (td::iniSectionProblem(section) != td::IniProblem::None ||
        td::iniKeyProblem(key) != td::IniProblem::None ||
        td::iniValueProblem(value) != td::IniProblem::None)
        return 0;
    // A write may be refused (a UTF-8 file cannot hold every byte); one
    // that reports success must read back.
    if (!ini.writeString(section, key, value)) return 0;
    fuzz::expectEqual("value read back", value, ini.readString(section, key, "\x01"));
    return 0;
}
