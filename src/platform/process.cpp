#include "platform/process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/keptprocess.h"
#include "platform/services.h"

namespace td {

std::vector<std::string> splitParameters(const std::string& params) {
    std::vector<std::string> args;
    std::string cur;
    bool inWord = false, inQuotes = false;
    for (char c : params) {
        if (c == '"') {
            inQuotes = !inQuotes;
            inWord = true;  // "" is an empty argument
        } else if (!inQuotes && (c == ' ' || c == '\t')) {
            if (inWord) args.push_back(cur);
            cur.clear();
            inWord = false;
        } else {
            cur += c;
            inWord = true;
        }
    }
    if (inWord) args.push_back(cur);
    return args;
}

namespace {

bool isExecutableFile(const std::string& osPath) {
    struct stat st;
    return ::stat(osPath.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(osPath.c_str(), X_OK) == 0;
}

}  // namespace

std::string findOnPath(const std::string& name, const std::string& searchPath) {
    if (name.empty() || name.find('/') != std::string::npos) return {};
    size_t start = 0;
    while (start <= searchPath.size()) {
        size_t end = searchPath.find(':', start);
        if (end == std::string::npos) end = searchPath.size();
        std::string folder = searchPath.substr(start, end - start);
        start = end + 1;
        if (folder.empty() || folder[0] != '/') continue;
        std::string candidate = files::join(folder, name);
        if (isExecutableFile(files::toOsPath(candidate))) return candidate;
    }
    return {};
}

std::string resolveExecutable(const std::string& file, const std::string& dir) {
    if (file.empty()) return {};
    const bool bareName = file.find('/') == std::string::npos;
    std::string base = dir.empty() ? files::currentDir() : dir;
    std::string full = bareName ? files::join(base, file) : file;
    if (isExecutableFile(files::toOsPath(full))) return full;
    const bool exeName = full.size() > 4 && upperAscii(full.substr(full.size() - 4)) == ".EXE";
    if (exeName) {
        std::string bare = full.substr(0, full.size() - 4);
        if (isExecutableFile(files::toOsPath(bare))) return bare;
    }
    if (!bareName) return {};
    const char* path = std::getenv("PATH");
    return findOnPath(exeName ? file.substr(0, file.size() - 4) : file,
                      path ? files::fromOsPath(path) : std::string());
}

namespace {

// The file is there where resolveExecutable looked first (in either form,
// "name.exe" or "name"), but it may not be run.
bool presentButNotRunnable(const std::string& file, const std::string& dir) {
    if (file.empty()) return false;
    const bool bareName = file.find('/') == std::string::npos;
    const std::string full =
        bareName ? files::join(dir.empty() ? files::currentDir() : dir, file) : file;
    if (files::exists(full)) return true;
    const bool exeName = full.size() > 4 && upperAscii(full.substr(full.size() - 4)) == ".EXE";
    return exeName && files::exists(full.substr(0, full.size() - 4));
}

// What a start needs, made before the fork: the program found as
// resolveExecutable finds it, its folder and its argument vector. The
// arguments travel as Windows-1251 bytes, exactly as the program holds them.
class StartLine {
  public:
    StartLine(const std::string& file, const std::string& params, const std::string& dir)
        : exe_(resolveExecutable(file, dir)) {
        if (exe_.empty()) return;
        osExe_ = files::toOsPath(exe_);
        if (!dir.empty()) osDir_ = files::toOsPath(dir);
        args_ = splitParameters(params);
        argv_.push_back(osExe_.data());
        for (auto& a : args_) argv_.push_back(a.data());
        argv_.push_back(nullptr);
    }
    StartLine(const StartLine&) = delete;  // argv points into the texts
    StartLine& operator=(const StartLine&) = delete;

    bool found() const { return !exe_.empty(); }
    // In the child: to the program's folder, if one was given.
    bool enterFolder() const { return osDir_.empty() || ::chdir(osDir_.c_str()) == 0; }
    void exec() { ::execv(osExe_.c_str(), argv_.data()); }

  private:
    std::string exe_, osExe_, osDir_;
    std::vector<std::string> args_;
    std::vector<char*> argv_;
};

// In a child before its exec: standard input and the other output from
// and to /dev/null, `kept` (1 or 2) into the pipe, blocking again.
void outputToPipe(int pipeWrite, int kept) {
    int devnull = ::open("/dev/null", O_RDWR);
    if (devnull >= 0) {
        ::dup2(devnull, 0);
        ::dup2(devnull, kept == 1 ? 2 : 1);
        if (devnull > 2) ::close(devnull);
    }
    ::dup2(pipeWrite, kept);  // dup2 clears close-on-exec on the copy
    int flags = ::fcntl(kept, F_GETFL);
    if (flags >= 0) ::fcntl(kept, F_SETFL, flags & ~O_NONBLOCK);
}

}  // namespace

int shellOpen(const std::string& file, const std::string& params, const std::string& dir,
              int show) {
    StartLine start(file, params, dir);
    if (!start.found())
        return presentButNotRunnable(file, dir) ? kOpenAccessDenied : kOpenFileNotFound;

    // The grandchild reports a failed exec through this pipe; a successful
    // exec closes it (close-on-exec) and the read sees end of file.
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return kOpenAccessDenied;

    pid_t child = ::fork();
    if (child < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return kOpenAccessDenied;
    }
    if (child == 0) {
        // Double fork: the engine is re-parented to init and never becomes a zombie of ours.
        ::setsid();
        pid_t grandchild = ::fork();
        if (grandchild != 0) ::_exit(grandchild < 0 ? 1 : 0);
        ::close(fds[0]);
        if (!start.enterFolder()) {
            int e = errno;
            (void)!::write(fds[1], &e, sizeof e);
            ::_exit(127);
        }
        int devnull = ::open("/dev/null", O_RDWR);
        if (devnull >= 0) {
            ::dup2(devnull, 0);
            if (devnull > 2) ::close(devnull);
        }
        start.exec();
        int e = errno;
        (void)!::write(fds[1], &e, sizeof e);
        ::_exit(127);
    }
    ::close(fds[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int err = 0;
    ssize_t n;
    while ((n = ::read(fds[0], &err, sizeof err)) < 0 && errno == EINTR) {
    }
    ::close(fds[0]);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return kOpenAccessDenied;
    if (n > 0) return err == ENOENT ? kOpenFileNotFound : kOpenAccessDenied;
    (void)show;  // the engine decides its own window from its settings
    return kOpenOk;
}

int runForOutput(const std::string& file, const std::string& params, const std::string& dir,
                 std::string& output, const std::function<void(int ms)>& wait, int limitMs) {
    output.clear();
    StartLine start(file, params, dir);
    if (!start.found()) return -1;

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
    pid_t child = ::fork();
    if (child < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return -1;
    }
    if (child == 0) {
        if (!start.enterFolder()) ::_exit(127);
        outputToPipe(fds[1], 1);
        start.exec();
        ::_exit(127);
    }
    ::close(fds[1]);
    int waited = 0;
    char buffer[4096];
    for (;;) {
        ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n > 0) {
            output.append(buffer, static_cast<size_t>(n));
            continue;
        }
        if (n == 0) break;  // the program closed its output
        if (errno == EINTR) continue;
        if (errno != EAGAIN) break;
        if (waited >= limitMs) {
            ::kill(child, SIGKILL);
            break;
        }
        wait(50);
        waited += 50;
    }
    ::close(fds[0]);
    int status = 0;
    for (;;) {
        pid_t r = ::waitpid(child, &status, WNOHANG);
        if (r == child) break;
        if (r < 0 && errno != EINTR) return -1;
        if (waited >= limitMs) ::kill(child, SIGKILL);
        wait(20);
        waited += 20;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) != 127 ? WEXITSTATUS(status) : -1;
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    if (err_ >= 0) ::close(err_);
}

bool ChildProcess::start(const std::string& file, const std::string& params,
                         const std::string& dir) {
    if (running()) return true;
    errText_.clear();
    StartLine start(file, params, dir);
    if (!start.found()) return false;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    const pid_t parent = ::getpid();
    pid_t child = ::fork();
    if (child < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return false;
    }
    if (child == 0) {
        // Ended with this program, however it ends; a parent gone already
        // before the request took effect ends it at once.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) ::_exit(127);
        if (!start.enterFolder()) ::_exit(127);
        outputToPipe(fds[1], 2);
        start.exec();
        ::_exit(127);
    }
    ::close(fds[1]);
    if (err_ >= 0) ::close(err_);
    err_ = fds[0];
    pid_ = child;
    return true;
}

void ChildProcess::drain() {
    if (err_ < 0) return;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(err_, buffer, sizeof buffer)) > 0) {
        errText_.append(buffer, static_cast<size_t>(n));
        if (errText_.size() > 65536) errText_.erase(0, errText_.size() - 4096);
    }
}

bool ChildProcess::running() {
    drain();
    if (pid_ <= 0) return false;
    int status = 0;
    pid_t r = ::waitpid(pid_, &status, WNOHANG);
    if (r == 0 || (r < 0 && errno == EINTR)) return true;
    pid_ = -1;
    drain();  // what it wrote just before it ended
    return false;
}

std::string ChildProcess::lastWords() {
    drain();
    std::string text = errText_;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    size_t nl = text.rfind('\n');
    return nl == std::string::npos ? text : text.substr(nl + 1);
}

void ChildProcess::stop(int graceMs) {
    if (!running()) return;
    ::kill(pid_, SIGTERM);
    const long long until = pump().nowMs() + graceMs;
    while (running()) {
        if (pump().nowMs() >= until) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
            break;
        }
        pump().sleep(20);
    }
}

}  // namespace td
