#pragma once
// The engine's run marker "celltalk.run". While the engine runs an operation
// it keeps the marker, with its process id as the file's one line, and holds
// an exclusive lock on it; the lock ends with the process, however it ends.
// So a marker nobody holds a lock on, with a process id in it, was left by an
// engine that was killed, and may be cleared. A marker without a process id
// (being written just now, or made by some other program) counts as running.

#include <string>

namespace td {

// The engine's side: creates the marker, writes the process id and takes the
// lock; release() (or the destructor) removes the marker.
class RunMarkerHold {
  public:
    explicit RunMarkerHold(std::string path);
    ~RunMarkerHold();
    RunMarkerHold(const RunMarkerHold&) = delete;
    RunMarkerHold& operator=(const RunMarkerHold&) = delete;

    bool locked() const { return locked_; }
    void release();

  private:
    std::string path_;  // system bytes
    int fd_ = -1;
    bool locked_ = false;
};

enum class RunMarkerState { Absent, Running, LeftByDeadEngine };

// What the marker at path (Windows-1251) shows. Looks only.
RunMarkerState runMarkerState(const std::string& path);

// True while an engine runs; a marker left by a dead engine is removed (and
// then false).
bool engineRunning(const std::string& path);

}  // namespace td
