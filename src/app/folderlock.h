#pragma once
// One copy of a program per folder: two copies of one program in one folder
// would each rewrite the same inis at closing and drop what the other saved.
// Each program name holds its own lock file there while it runs (tapdeck.lock,
// phone2.lock), so a satellite copy started beside the main program goes on
// to its own start-up, where the one-satellite question speaks for it.

#include <QLockFile>
#include <functional>
#include <string>

namespace td {

class FolderLock {
  public:
    // Windows-1251 path and the program's name (its file name without
    // extension; letters compared without regard to case).
    FolderLock(const std::string& folder, const std::string& programName);
    // The lock file's name for a program name: "tapdeck" holds tapdeck.lock.
    static std::string fileName(const std::string& programName);
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // True when this program now holds the folder. Otherwise the user is
    // told which process holds it and asked whether to bring that one's
    // window forward (bringForward(pid) on Yes); either way this copy ends.
    bool claim(const std::function<void(qint64 pid)>& bringForward);

    // Takes the folder without asking anyone (the command line, while it
    // writes there): false when a running program holds it, its process
    // then in `holder` (0 when unknown). A folder where no lock can be made
    // counts as taken.
    bool take(qint64& holder);

  private:
    QLockFile lock_;
};

}  // namespace td
