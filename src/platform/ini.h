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
// - Only a line beginning with ";" is a comment ("#" starts an ordinary key).
// - The file is Windows-1251 text; CR LF is written, CR LF, CR CR LF and LF
//   are read. A file that begins with the UTF-8 byte-order mark is UTF-8
//   text and stays so.
// - Writes go through files::writeAll (atomic where it can be). A write that
//   could not be read back (a line break anywhere, a key that is empty,
//   starts with "[" or ";" or holds "="), a write into a file that exists but
//   cannot be read, and a failed write are refused: false, and the file is
//   reported to the user as not saved (reportUnsaved).
// - A value with blanks at either end, or in quotes itself, is written
//   inside double quotes so that it reads back unchanged.
// - Reading a file whose bytes are those it was last read with takes the
//   lines made then (a long own phone book is read at every activation); a
//   write that would leave the bytes as they are is not made, unless it
//   would fail (a file that may not be written is reported as ever).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace td {

struct IniDoc;  // a file's lines as read

class IniFile {
  public:
    explicit IniFile(std::string path);
    // The file read once, now: every later read answers from that copy (a
    // program that reads many keys in one short run reads each file once).
    // A write goes to the file as always and renews the copy.
    static IniFile loaded(std::string path);

    const std::string& path() const { return path_; }
    // A number that stays the same for as long as the section's lines stay
    // as they are (0 for a missing section): a reader that made something of
    // a long section may keep it while the number stays. A change of the
    // section, or of the file by another program (or after many other files
    // were read), gives another number; this program's writes to other
    // sections keep it.
    std::uint64_t sectionStamp(const std::string& section) const;

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
    // Replaces the whole section by these entries in one write (the section
    // keeps its place; a new one goes to the end).
    bool writeSection(const std::string& section,
                      const std::vector<std::pair<std::string, std::string>>& entries);
    bool deleteKey(const std::string& section, const std::string& key);
    bool eraseSection(const std::string& section);

  private:
    std::shared_ptr<const IniDoc> text() const;  // the copy, or the file as it is now
    bool renewed(bool stored);                   // after a write
    std::string path_;                           // Windows-1251, as the rest of the program
    std::shared_ptr<const IniDoc> loaded_;
};

// Why a name or value cannot be stored so that it reads back.
enum class IniProblem { None, Empty, LineBreak, BadStart, EqualsSign };
IniProblem iniKeyProblem(const std::string& key);
IniProblem iniValueProblem(const std::string& value);
IniProblem iniSectionProblem(const std::string& section);

// Value trimming as the private-profile functions do it (exposed for tests
// and for the engine, which reads the same files).
std::string iniTrimValue(const std::string& raw);

}  // namespace td
