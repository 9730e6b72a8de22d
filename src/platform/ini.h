#pragma once
// Ini files with the behaviour of the Windows private-profile functions:
// every call opens the file, does its one step and closes it again.
//
// - A missing file, section or key reads as the default.
// - Section and key names match without regard to case (Latin and Cyrillic).
// - Values are trimmed of surrounding blanks; a value enclosed in a pair of
//   double or single quotes loses them (this is how a value of blanks can be
//   stored at all).
// - A write keeps every other line, comment and the order; a new key goes to
//   the end of its section, a new section to the end of the file.
// - The file is Windows-1251 text; CR LF is written, CR LF and LF are read.
// - Every write goes to a temporary file in the same folder that is then
//   renamed over the original, so a crash never leaves a half-written file.

#include <string>
#include <vector>

namespace td {

class IniFile {
  public:
    explicit IniFile(std::string path);

    const std::string& path() const { return path_; }

    std::string readString(const std::string& section, const std::string& key,
                           const std::string& def) const;
    bool keyExists(const std::string& section, const std::string& key) const;
    bool sectionExists(const std::string& section) const;

    // Key names of a section in file order (duplicates kept as they stand).
    std::vector<std::string> readSectionKeys(const std::string& section) const;
    // name=value pairs of a section in file order, values as readString gives them.
    std::vector<std::pair<std::string, std::string>> readSection(const std::string& section) const;

    // false when the file could not be written.
    bool writeString(const std::string& section, const std::string& key, const std::string& value);
    bool deleteKey(const std::string& section, const std::string& key);
    bool eraseSection(const std::string& section);

  private:
    std::string path_;  // Windows-1251, as the rest of the program
};

// Value trimming as the private-profile functions do it (exposed for tests
// and for the engine, which reads the same files).
std::string iniTrimValue(const std::string& raw);

}  // namespace td
