#include "pty.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <utility>

namespace phonesim {
namespace {

using Clock = LineSchedule::Clock;
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

void PtyServer::control(const std::string& file, double ringEverySec) {
    control_ = std::make_unique<ControlFeed>(file);
    ringEvery_ = std::chrono::duration<double>(ringEverySec);
}

void PtyServer::run(const std::atomic<bool>& stop) {
    std::string pending;  // output not yet written, from `sent` on
    size_t sent = 0;
    // A paced answer leaves on a fixed schedule: its n-th byte is due n byte
    // times after the answer began, so a write that comes late (the process
    // was not scheduled in time) is made up by the next one and the answer
    // as a whole takes what the line rate says.
    LineSchedule line(baud_);
    // A phone that answers late (quirk late-ms) takes the host's bytes only
    // that long after they came: its echo and answer come that much later.
    const auto late = std::chrono::milliseconds(phone_.answerDelayMs());
    std::deque<std::pair<Clock::time_point, std::string>> held;
    auto take = [&](std::string_view bytes) {
        if (pending.size() == sent) line.startAnswer(Clock::now());
        pending += phone_.input(bytes);
    };
    // The network's events wait for a moment between two commands: a phone
    // never puts a line of its own inside an answer (the quirk urc-in-lists
    // aside), nor inside a command line the host is typing.
    std::deque<std::string> events;
    Clock::time_point nextRing{};
    auto between = [&] {
        return pending.size() == sent && held.empty() && phone_.betweenCommands();
    };
    auto announce = [&](const std::string& out) {
        if (out.empty()) return;
        if (pending.size() == sent) line.startAnswer(Clock::now());
        pending += out;
    };
    char buf[4096];
    while (!stop.load()) {
        Clock::time_point now = Clock::now();
        if (control_)
            for (std::string& l : control_->newLines()) events.push_back(std::move(l));
        while (!events.empty() && between()) {
            const bool wasRinging = phone_.ringing();
            ControlResult r = applyControl(phone_, events.front());
            if (!r.known)
                std::fprintf(stderr, "phonesim: unknown control line: %s\n",
                             events.front().c_str());
            events.pop_front();
            announce(r.output);
            if (!wasRinging && phone_.ringing())
                nextRing = now + std::chrono::duration_cast<Clock::duration>(ringEvery_);
        }
        if (between()) announce(phone_.dueReports());
        if (phone_.ringing() && now >= nextRing && between()) {
            announce(phone_.ringAgain());
            nextRing = now + std::chrono::duration_cast<Clock::duration>(ringEvery_);
        }
        while (!held.empty() && held.front().first <= now && pending.size() - sent < kInputPause) {
            take(held.front().second);
            held.pop_front();
        }
        const size_t waiting = pending.size() - sent;
        size_t due = line.dueBytes(now, waiting);
        auto wait = std::chrono::nanoseconds(100'000'000);
        if (waiting > 0 && due == 0)
            wait = std::min<std::chrono::nanoseconds>(wait, line.nextWrite(waiting) - now);
        if (!held.empty())
            wait = std::min<std::chrono::nanoseconds>(wait, held.front().first - now);
        if (phone_.ringing()) wait = std::min<std::chrono::nanoseconds>(wait, nextRing - now);
        const long long ns = std::clamp<long long>(wait.count(), 50'000, 100'000'000);
        timespec timeout{0, static_cast<long>(ns)};
        short events =
            static_cast<short>((waiting < kInputPause ? POLLIN : 0) | (due > 0 ? POLLOUT : 0));
        pollfd pfd{master_, events, 0};
        int r = ::ppoll(&pfd, 1, &timeout, nullptr);
        if (r < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (pfd.revents & POLLIN) {
            ssize_t n = ::read(master_, buf, sizeof buf);
            if (n > 0 && late.count() > 0)
                held.emplace_back(Clock::now() + late, std::string(buf, static_cast<size_t>(n)));
            else if (n > 0)
                take(std::string_view(buf, static_cast<size_t>(n)));
        }
        now = Clock::now();
        due = line.dueBytes(now, pending.size() - sent);
        if (due > 0) {
            ssize_t n = ::write(master_, pending.data() + sent, due);
            if (n > 0) {
                sent += static_cast<size_t>(n);
                line.wrote(static_cast<size_t>(n));
                if (sent == pending.size()) {
                    pending.clear();
                    sent = 0;
                } else if (sent >= (1u << 20) && sent * 2 >= pending.size()) {
                    pending.erase(0, sent);  // now and then, not at every write
                    sent = 0;
                }
            } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                break;
            }
            // The host reads no more for now: what it has not taken leaves at
            // the line rate once it reads again, not all at once.
            if (n < static_cast<ssize_t>(due)) line.startAnswer(Clock::now());
        }
    }
}

LineSchedule::LineSchedule(int baud)
    : byteTime_(baud > 0 ? std::chrono::duration<double>(10.0 / baud)
                         : std::chrono::duration<double>(0)),
      // About 10 ms worth at a time: fewer wake-ups, the same rate.
      chunk_(baud > 0 ? std::max<size_t>(1, static_cast<size_t>(baud) / 1000) : size_t{1} << 16) {}

void LineSchedule::startAnswer(Clock::time_point now) {
    start_ = now;
    written_ = 0;
}

Clock::time_point LineSchedule::dueTime(size_t bytes) const {
    return start_ +
           std::chrono::duration_cast<Clock::duration>(byteTime_ * static_cast<double>(bytes));
}

size_t LineSchedule::dueBytes(Clock::time_point now, size_t waiting) const {
    if (waiting == 0) return 0;
    if (byteTime_.count() <= 0) return std::min(waiting, chunk_);
    // Wait until a chunk (or the rest of the answer) is due, then write all
    // that is due by now.
    if (now < nextWrite(waiting)) return 0;
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    const auto byTime = static_cast<size_t>(elapsed / byteTime_.count());
    return std::min(waiting, byTime > written_ ? byTime - written_ : 0);
}

Clock::time_point LineSchedule::nextWrite(size_t waiting) const {
    return dueTime(written_ + std::min(waiting, chunk_));
}

void LineSchedule::wrote(size_t n) {
    written_ += n;
}

}  // namespace phonesim
