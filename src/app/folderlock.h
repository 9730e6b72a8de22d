#pragma once
// One copy of the program per folder: two copies in one folder would each
// rewrite the whole own ini at closing and drop what the other saved. The
// program holds a lock file in its folder while it runs.

#include <QLockFile>
#include <functional>
#include <string>

namespace td {

class FolderLock {
  public:
    explicit FolderLock(const std::string& folder);  // Windows-1251 path
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
