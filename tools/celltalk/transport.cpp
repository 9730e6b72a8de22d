#include "transport.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>  // before phonesim.h, which uses std::vector

#include "phonesim.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "ports.h"

namespace celltalk {

unsigned baudConstant(int baud) {
    switch (baud) {
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        case 230400:
            return B230400;
        case 460800:
            return B460800;
        case 921600:
            return B921600;
        default:
            return 0;
    }
}

void makeRawTermios(termios& tio, unsigned speed) {
    cfmakeraw(&tio);
    tio.c_cflag &= ~(CSTOPB | PARENB | CSIZE | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
}

std::string busyMessage(const std::string& device) {
    std::string who = ports::holderOf(td::files::toOsPath(device));
    return td::W("порт ") + device + td::W(" занят другой программой") +
           (who.empty() ? std::string() : " (" + td::files::fromOsPath(who) + ")") +
           td::W(": закройте её или не давайте ей этот порт");
}

SerialTransport::SerialTransport(const std::string& device, int baud) {
    const unsigned speed = baudConstant(baud);
    if (!speed)
        throw TransportError(td::W("неподдерживаемая скорость порта: ") + std::to_string(baud));
    fd_ = ::open(td::files::toOsPath(device).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        int e = errno;
        if (e == EBUSY) throw TransportError(busyMessage(device));
        throw TransportError(td::W("не удаётся открыть порт ") + device + ": " + std::strerror(e));
    }
    // The line is this run's alone: a lock that other careful programs (and
    // `celltalk ports`) respect, and TIOCEXCL, which makes the kernel refuse
    // any further open of the device (a modem manager probing new devices)
    // until the engine closes it.
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        int e = errno;
        ::close(fd_);
        fd_ = -1;
        if (e == EWOULDBLOCK) throw TransportError(busyMessage(device));
        throw TransportError(td::W("не удаётся занять порт ") + device + ": " + std::strerror(e));
    }
    if (::ioctl(fd_, TIOCEXCL) != 0 && errno != ENOTTY) {
        int e = errno;
        ::close(fd_);
        fd_ = -1;
        throw TransportError(td::W("не удаётся занять порт ") + device + ": " + std::strerror(e));
    }
    termios tio{};
    if (tcgetattr(fd_, &tio) != 0) {
        int e = errno;
        ::close(fd_);
        fd_ = -1;
        throw TransportError(td::W("устройство ") + device + td::W(" не является портом: ") +
                             std::strerror(e));
    }
    makeRawTermios(tio, speed);
    if (tcsetattr(fd_, TCSANOW, &tio) != 0) {
        int e = errno;
        ::close(fd_);
        fd_ = -1;
        throw TransportError(td::W("не удаётся настроить порт ") + device + ": " +
                             std::strerror(e));
    }
}

SerialTransport::~SerialTransport() {
    if (fd_ < 0) return;
    // The exclusive mode belongs to the tty, not to this descriptor: give it
    // back, or the next run could not open a line that stays up (a
    // pseudo-terminal whose other end lives on).
    (void)::ioctl(fd_, TIOCNXCL);
    ::close(fd_);
}

void SerialTransport::write(std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            throw TransportError(td::W("ошибка записи в порт: ") + std::strerror(errno));
        pollfd p{fd_, POLLOUT, 0};
        if (::poll(&p, 1, 2000) == 0) throw TransportError(td::W("порт не принимает данные"));
    }
}

std::string SerialTransport::read(int timeoutMs) {
    pollfd p{fd_, POLLIN, 0};
    int r = ::poll(&p, 1, timeoutMs);
    if (r <= 0) return {};  // timeout, or a signal (the caller checks for it)
    if (p.revents & (POLLERR | POLLNVAL)) throw TransportError(td::W("порт закрыт или неисправен"));
    char buf[65536];
    ssize_t n = ::read(fd_, buf, sizeof buf);
    if (n > 0) return std::string(buf, static_cast<size_t>(n));
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return {};
    if (p.revents & POLLHUP) {
        // The other end of a pseudo-terminal is gone: nothing more will come.
        ::usleep(static_cast<useconds_t>(timeoutMs) * 1000);
        return {};
    }
    return {};
}

void SerialTransport::discardInput() {
    tcflush(fd_, TCIFLUSH);
}

SimTransport::SimTransport(const std::string& stateFile)
    : phone_(std::make_unique<phonesim::Phone>(stateFile)) {}

SimTransport::~SimTransport() = default;

void SimTransport::write(std::string_view bytes) {
    pending_ += phone_->input(bytes);
}

std::string SimTransport::read(int) {
    std::string out;
    out.swap(pending_);
    return out;
}

}  // namespace celltalk
