#include "pty.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace phonesim {
namespace {

using Clock = std::chrono::steady_clock;
// While this much output waits for the host, no more commands are taken:
// the phone's output is never dropped, and what waits stays bounded by one
// answer (the host's further input waits in the terminal meanwhile).
constexpr size_t kInputPause = 1 << 20;

}  // namespace

PtyServer::PtyServer(Phone& phone, std::string linkPath, int baud)
    : phone_(phone), linkPath_(std::move(linkPath)), baud_(baud) {}

PtyServer::~PtyServer() {
    if (linked_) ::unlink(linkPath_.c_str());
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
}

bool PtyServer::open(std::string* error) {
    auto fail = [&](const std::string& what) {
        if (error) *error = what + ": " + std::strerror(errno);
        return false;
    };
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0) return fail("posix_openpt");
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return fail("grantpt/unlockpt");
    char name[256];
    if (::ptsname_r(master_, name, sizeof name) != 0) return fail("ptsname");
    slavePath_ = name;
    slave_ = ::open(name, O_RDWR | O_NOCTTY);
    if (slave_ < 0) return fail("open " + slavePath_);
    // Raw line: no echo of our answers back to us, no line editing, no
    // translation of CR and LF.
    termios t{};
    if (::tcgetattr(slave_, &t) != 0) return fail("tcgetattr");
    ::cfmakeraw(&t);
    ::cfsetispeed(&t, B115200);
    ::cfsetospeed(&t, B115200);
    if (::tcsetattr(slave_, TCSANOW, &t) != 0) return fail("tcsetattr");
    int flags = ::fcntl(master_, F_GETFL);
    ::fcntl(master_, F_SETFL, flags | O_NONBLOCK);

    struct stat st {};
    if (::lstat(linkPath_.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            errno = EEXIST;
            return fail(linkPath_);
        }
        ::unlink(linkPath_.c_str());  // a link left by an earlier run
    }
    if (::symlink(slavePath_.c_str(), linkPath_.c_str()) != 0) return fail("symlink " + linkPath_);
    linked_ = true;
    return true;
}

void PtyServer::run(const std::atomic<bool>& stop) {
    std::string pending;  // output not yet written, from `sent` on
    size_t sent = 0;
    Clock::time_point nextSend = Clock::now();
    const double secondsPerByte = baud_ > 0 ? 10.0 / baud_ : 0.0;
    // At a paced rate write about 10 ms worth at a time.
    const size_t chunk = baud_ > 0 ? std::max<size_t>(1, baud_ / 10 / 100) : 1 << 16;
    char buf[4096];
    while (!stop.load()) {
        const size_t waiting = pending.size() - sent;
        int timeout = 100;
        Clock::time_point now = Clock::now();
        bool mayWrite = waiting > 0 && now >= nextSend;
        if (waiting > 0 && !mayWrite) {
            auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(nextSend - now);
            timeout = std::max<int>(1, std::min<int>(100, static_cast<int>(wait.count()) + 1));
        }
        short events =
            static_cast<short>((waiting < kInputPause ? POLLIN : 0) | (mayWrite ? POLLOUT : 0));
        pollfd pfd{master_, events, 0};
        int r = ::poll(&pfd, 1, timeout);
        if (r < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (pfd.revents & POLLIN) {
            ssize_t n = ::read(master_, buf, sizeof buf);
            if (n > 0) pending += phone_.input(std::string_view(buf, static_cast<size_t>(n)));
        }
        now = Clock::now();
        if (pending.size() > sent && now >= nextSend) {
            size_t want = std::min(pending.size() - sent, chunk);
            ssize_t n = ::write(master_, pending.data() + sent, want);
            if (n > 0) {
                sent += static_cast<size_t>(n);
                if (sent == pending.size()) {
                    pending.clear();
                    sent = 0;
                } else if (sent >= (1u << 20) && sent * 2 >= pending.size()) {
                    pending.erase(0, sent);  // now and then, not at every write
                    sent = 0;
                }
                if (baud_ > 0) {
                    auto cost = std::chrono::duration<double>(secondsPerByte * n);
                    nextSend =
                        std::max(nextSend, now) + std::chrono::duration_cast<Clock::duration>(cost);
                }
            } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                break;
            }
        }
    }
}

}  // namespace phonesim
