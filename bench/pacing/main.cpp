// How exactly the simulated phone keeps a line rate of 115200 baud over a
// long answer: a phone book of 2,000 entries read with one AT+CPBR on the
// pseudo-terminal, the time from the first byte to the last set beside the
// time those bytes need on the line (10 bits a byte).

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "phonesim.h"
#include "state.h"
#include "verdict.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kEntries = 2000, kBaud = 115200;

void writeState(const std::string& path) {
    phonesim::State s = phonesim::seedState();
    phonesim::PhoneBook& sm = s.books["SM"];
    sm.capacity = kEntries;
    sm.entries.clear();
    for (int i = 1; i <= kEntries; ++i) {
        std::string num = "+7916" + std::to_string(1000000 + i);
        sm.entries[i] = {num, phonesim::numberType(num), "Абонент " + std::to_string(i)};
    }
    phonesim::saveStateFile(path, s);
}

}  // namespace

int main() {
    const fs::path dir = fs::temp_directory_path() / ("bench-pacing-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string state = (dir / "phone.state").string(), link = (dir / "tty").string();
    writeState(state);
    pid_t sim = fork();
    if (sim == 0) {
        int null = open("/dev/null", O_WRONLY);
        if (null >= 0) dup2(null, 2);
        execl(PHONESIM_EXE, PHONESIM_EXE, "--pty", link.c_str(), "--state", state.c_str(), "--baud",
              std::to_string(kBaud).c_str(), static_cast<char*>(nullptr));
        _exit(121);
    }
    for (int i = 0; i < 300 && !fs::exists(link); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    int fd = open(link.c_str(), O_RDWR | O_NOCTTY);
    termios t{};
    if (fd >= 0 && tcgetattr(fd, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
    }
    const std::string cmd = "AT+CPBR=1," + std::to_string(kEntries) + "\r";
    std::string got;
    size_t firstRead = 0;
    Clock::time_point first{}, last{};
    const auto deadline = Clock::now() + std::chrono::seconds(120);
    if (fd >= 0 && write(fd, cmd.data(), cmd.size()) == static_cast<ssize_t>(cmd.size())) {
        char buf[8192];
        while (Clock::now() < deadline && got.find("\r\nOK\r\n") == std::string::npos) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 1000) <= 0) continue;
            ssize_t n = read(fd, buf, sizeof buf);
            if (n <= 0) break;
            last = Clock::now();
            if (got.empty()) {
                first = last;
                firstRead = static_cast<size_t>(n);
            }
            got.append(buf, static_cast<size_t>(n));
        }
    }
    if (fd >= 0) close(fd);
    kill(sim, SIGTERM);
    waitpid(sim, nullptr, 0);
    fs::remove_all(dir);

    const bool whole = got.find("+CPBR: " + std::to_string(kEntries) + ",") != std::string::npos &&
                       got.find("\r\nOK\r\n") != std::string::npos;
    if (!whole) {
        std::printf("THE ANSWER DID NOT ARRIVE WHOLE (%zu bytes)\n", got.size());
        return 1;
    }
    // The bytes after the first read left at the line rate.
    const double line = static_cast<double>(got.size() - firstRead) * 10.0 / kBaud;
    const double took = std::chrono::duration<double>(last - first).count();
    const double error = took / line - 1;
    std::printf("%zu bytes at %d baud: %.3f s on the line, %.3f s taken\n", got.size(), kBaud, line,
                took);
    bench::verdict(
        "phonesim: pace of a " + std::to_string(got.size() / 1000) + " kB answer at 115200",
        bench::number("%+.2f %%", 100 * error), "within 0.5 %", std::fabs(error) <= 0.005);
    return 0;
}
