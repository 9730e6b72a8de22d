#pragma once
// File system access with Windows-1251 path names. Paths are converted to
// the system's UTF-8 only here, so the rest of the program sees one text model.

#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace td::files {

std::string toOsPath(const std::string& path);    // Windows-1251 -> system bytes
std::string fromOsPath(const std::string& path);  // system bytes -> Windows-1251

// Joins a folder and a bare name with the system's separator.
std::string join(const std::string& dir, const std::string& name);
// The last component of a path.
std::string baseName(const std::string& path);

bool exists(const std::string& path);      // a file (a folder of that name does not count)
bool pathExists(const std::string& path);  // anything by that name, a folder too
bool remove(const std::string& path);      // true when the file is gone afterwards
// Size in bytes, or nothing when the file cannot be opened for its size.
std::optional<long long> size(const std::string& path);
std::optional<std::time_t> modificationTime(const std::string& path);
bool createEmpty(const std::string& path);  // truncates an existing file
bool makeDir(const std::string& path);      // creates missing parents too

// Bare names of the "*.ini" files of a folder (case-insensitive extension), sorted.
std::vector<std::string> listIni(const std::string& dir);

std::string currentDir();
bool setCurrentDir(const std::string& dir);

// Text files by lines: LF ends a line, with any CRs before it; a last line
// without an end still counts. false when the file cannot be read.
bool readLines(const std::string& path, std::vector<std::string>& lines);
bool readAll(const std::string& path, std::string& bytes);
void splitLines(const std::string& bytes, std::vector<std::string>& lines);  // as readLines
// After the program's closing write-back nothing more is written: from
// endWrites() on every write and creation fails (ECANCELED) without a word.
void endWrites();
bool writesEnded();
void resumeWrites();  // a new run of the program (tests run many in one process)

// Writes each line followed by CR LF, replacing the file's text. Normally
// atomic (a temporary file in the same folder, then a rename). A symbolic
// link is written through to its target; an existing file keeps its mode; a
// read-only file is refused (EACCES); a file with other hard links, or one in
// a folder where no temporary file can be made, is rewritten in place after
// its space has been reserved. false on failure, with the errno in *error.
bool writeLines(const std::string& path, const std::vector<std::string>& lines,
                int* error = nullptr);
bool writeAll(const std::string& path, const std::string& bytes, int* error = nullptr);
// An existing file that writeAll would not refuse for its mode, its rights
// or the end of writes.
bool writableFile(const std::string& path);

}  // namespace td::files
