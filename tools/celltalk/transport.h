#pragma once
// The byte link to a phone: a serial device (a USB cable, a pseudo-terminal)
// or the simulated phone built into the engine.

#include <termios.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace phonesim {
class Phone;
}

namespace celltalk {

class TransportError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class Transport {
  public:
    virtual ~Transport() = default;
    virtual void write(std::string_view bytes) = 0;
    // Bytes that arrived within timeoutMs (empty when none did).
    virtual std::string read(int timeoutMs) = 0;
    // Drops whatever the phone sent before the engine started talking.
    virtual void discardInput() {}
    // false when nothing can arrive later than what read() already returned
    // (the in-process phone answers at once): a wait is then pointless.
    virtual bool canWait() const { return true; }
    // A descriptor that polls readable when bytes arrive (-1: none), for a
    // caller that waits on the link and on other things at once.
    virtual int pollFd() const { return -1; }
};

// Another transport lent for a while (to one run of a resident engine, or a
// test's phone to the engine): used, never closed.
class LentTransport : public Transport {
  public:
    explicit LentTransport(Transport& t) : t_(t) {}
    void write(std::string_view b) override { t_.write(b); }
    std::string read(int ms) override { return t_.read(ms); }
    bool canWait() const override { return t_.canWait(); }

  private:
    Transport& t_;
};

// The error text for a device another program holds (names the program when
// it can be seen).
std::string busyMessage(const std::string& device);

// A serial device opened raw, 8N1, no flow control, at `baud`, and held
// exclusively (a flock and TIOCEXCL) until the transport is destroyed.
class SerialTransport : public Transport {
  public:
    SerialTransport(const std::string& device, int baud);
    ~SerialTransport() override;
    void write(std::string_view bytes) override;
    std::string read(int timeoutMs) override;
    void discardInput() override;
    int pollFd() const override { return fd_; }

  private:
    int fd_ = -1;
};

// The simulated phone in this process, its state kept in `stateFile`.
class SimTransport : public Transport {
  public:
    explicit SimTransport(const std::string& stateFile);
    ~SimTransport() override;
    void write(std::string_view bytes) override;
    std::string read(int timeoutMs) override;
    bool canWait() const override { return false; }

  private:
    std::unique_ptr<phonesim::Phone> phone_;
    std::string pending_;
};

// Supported speeds; 0 when `baud` is not one of them.
unsigned baudConstant(int baud);
// Raw 8N1 without flow control, reads that never block, at `speed` (a B...
// constant from baudConstant).
void makeRawTermios(termios& tio, unsigned speed);

}  // namespace celltalk
