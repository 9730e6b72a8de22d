#include "platform/runmarker.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/files.h"

namespace td {

namespace {

bool sameFile(int fd, const std::string& osPath) {
    struct stat a, b;
    return ::fstat(fd, &a) == 0 && ::stat(osPath.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

// The process id of the marker's first line, 0 when it holds none.
long markerPid(int fd) {
    char buf[32];
    ssize_t n = ::pread(fd, buf, sizeof buf - 1, 0);
    if (n <= 0) return 0;
    buf[n] = '\0';
    long pid = 0;
    size_t i = 0;
    while (i < static_cast<size_t>(n) && buf[i] >= '0' && buf[i] <= '9' && pid < 100000000)
        pid = pid * 10 + (buf[i++] - '0');
    if (i == 0 || (buf[i] != '\0' && buf[i] != '\r' && buf[i] != '\n')) return 0;
    return pid;
}

// Opens the marker and finds out whether its engine lives. On
// LeftByDeadEngine the lock is left taken on fd, so that the marker can be
// removed before any new engine takes it over.
RunMarkerState inspect(const std::string& osPath, int& fd) {
    fd = ::open(osPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        struct stat st;
        return ::lstat(osPath.c_str(), &st) == 0 ? RunMarkerState::Running : RunMarkerState::Absent;
    }
    long pid = markerPid(fd);
    if (pid <= 0) return RunMarkerState::Running;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return RunMarkerState::LeftByDeadEngine;
    if (errno == EWOULDBLOCK) return RunMarkerState::Running;
    // No locks on this file system: the process id must do.
    bool gone = ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
    return gone ? RunMarkerState::LeftByDeadEngine : RunMarkerState::Running;
}

}  // namespace

RunMarkerHold::RunMarkerHold(std::string path) : path_(files::toOsPath(path)) {
    for (int attempt = 0; attempt < 50; ++attempt) {
        fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd_ < 0) return;
        if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            // A busy test looks for a moment; another engine holds it for its
            // whole run, and then this run goes on beside it as it always did.
            ::close(fd_);
            fd_ = -1;
            ::usleep(10000);
            continue;
        }
        // A dead engine's marker removed while we waited for it: start afresh.
        if (!sameFile(fd_, path_)) {
            ::close(fd_);
            fd_ = -1;
            continue;
        }
        locked_ = true;
        std::string line = std::to_string(::getpid()) + "\r\n";
        if (::ftruncate(fd_, 0) != 0 || ::pwrite(fd_, line.data(), line.size(), 0) < 0) {
            // The marker exists; without its process id it simply counts as running.
        }
        return;
    }
    // Held by another engine throughout: keep a marker there without taking it over.
    int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0) ::close(fd);
}

RunMarkerHold::~RunMarkerHold() {
    release();
}

void RunMarkerHold::release() {
    if (path_.empty()) return;
    // Removed while still locked, so no busy test can take it for a dead one's.
    ::unlink(path_.c_str());
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    locked_ = false;
    path_.clear();
}

RunMarkerState runMarkerState(const std::string& path) {
    int fd = -1;
    RunMarkerState s = inspect(files::toOsPath(path), fd);
    if (fd >= 0) ::close(fd);
    return s;
}

bool engineRunning(const std::string& path) {
    const std::string osPath = files::toOsPath(path);
    int fd = -1;
    RunMarkerState s = inspect(osPath, fd);
    if (s == RunMarkerState::LeftByDeadEngine && sameFile(fd, osPath)) ::unlink(osPath.c_str());
    if (fd >= 0) ::close(fd);
    return s == RunMarkerState::Running;
}

}  // namespace td
