#include "ports.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

#include "engine/settingkeys.h"
#include "engine/settings.h"
#include "formats/fieldcursor.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "transport.h"

namespace celltalk::ports {

namespace fs = std::filesystem;

namespace {

// The device families a phone shows up as, in the order they are listed.
const char* const kFamilies[] = {"ttyACM", "ttyUSB", "rfcomm"};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Family index and number of a device name like "ttyUSB12"; false otherwise.
bool deviceKey(const std::string& name, int& family, long& number) {
    for (int i = 0; i < 3; ++i) {
        std::string prefix = kFamilies[i];
        if (name.size() <= prefix.size() || !name.starts_with(prefix)) continue;
        std::string digits = name.substr(prefix.size());
        if (digits.size() > 6 || !std::all_of(digits.begin(), digits.end(), isDigit)) return false;
        family = i;
        number = std::stol(digits);
        return true;
    }
    return false;
}

std::string resolvedPath(const fs::path& p) {
    std::error_code ec;
    fs::path c = fs::canonical(p, ec);
    return ec ? p.string() : c.string();
}

std::string trim(const std::string& s) {
    return td::trim(s, " \t\r\n");
}

std::string processName(const std::string& pid) {
    std::string comm;
    std::ifstream(fs::path("/proc") / pid / "comm") >> comm;
    return (comm.empty() ? std::string("?") : comm) + ", pid " + pid;
}

// The programs that have `device` open, from /proc (only the processes this
// user may look at); empty when none is seen.
std::string holdersOf(const std::string& device) {
    std::error_code ec;
    const std::string self = std::to_string(::getpid());
    std::string found;
    for (fs::directory_iterator proc("/proc", ec), end; !ec && proc != end; proc.increment(ec)) {
        std::string pid = proc->path().filename().string();
        if (pid == self || !std::all_of(pid.begin(), pid.end(), isDigit)) continue;
        std::error_code ec2;
        for (fs::directory_iterator fd(proc->path() / "fd", ec2), fdEnd; !ec2 && fd != fdEnd;
             fd.increment(ec2)) {
            std::error_code ec3;
            if (fs::read_symlink(fd->path(), ec3).string() != device) continue;
            found += (found.empty() ? "" : "; ") + processName(pid);
            break;
        }
    }
    return found;
}

// The program holding a flock() on `device`, from /proc/locks, whose lines
// read "1: FLOCK ADVISORY WRITE <pid> <major>:<minor>:<inode> 0 EOF".
std::string flockHolder(const std::string& device) {
    struct stat st {};
    if (::stat(device.c_str(), &st) != 0) return {};
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        std::istringstream in(line);
        std::string n, kind, mode, access, pid, id;
        if (!(in >> n >> kind >> mode >> access >> pid >> id) || kind != "FLOCK") continue;
        unsigned major = 0, minor = 0;
        unsigned long long inode = 0;
        if (std::sscanf(id.c_str(), "%x:%x:%llu", &major, &minor, &inode) != 3) continue;
        if (inode == st.st_ino && major == ::major(st.st_dev) && minor == ::minor(st.st_dev))
            return processName(pid);
    }
    return {};
}

// A UUCP lock file LCK..<name> whose process still lives.
std::string lockHolder(const std::string& lockDir, const std::string& device) {
    std::ifstream f(fs::path(lockDir) / ("LCK.." + fs::path(device).filename().string()));
    long pid = 0;
    if (!(f >> pid) || pid <= 0) return {};
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM) return {};  // stale
    return processName(std::to_string(pid));
}

std::string ownerGroup(const std::string& device) {
    struct stat st {};
    if (::stat(device.c_str(), &st) != 0) return {};
    struct group* g = ::getgrgid(st.st_gid);
    return g ? g->gr_name : std::to_string(st.st_gid);
}

// Sends one command and collects the answer lines until a final result or
// until the time runs out. false when no final result came.
bool exchange(int fd, const std::string& command, int answerMs, std::vector<std::string>& lines) {
    lines.clear();
    std::string out = command + "\r";
    if (::write(fd, out.data(), out.size()) != static_cast<ssize_t>(out.size())) return false;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(answerMs);
    std::string buf;
    while (true) {
        size_t eol;
        while ((eol = buf.find_first_of("\r\n")) != std::string::npos) {
            std::string line = trim(buf.substr(0, eol));
            buf.erase(0, eol + 1);
            if (line.empty()) continue;
            lines.push_back(line);
            if (isFinalResult(line)) return true;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        char chunk[512];
        ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n > 0) {
            buf.append(chunk, static_cast<size_t>(n));
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            return false;  // the other end went away
        }
    }
}

}  // namespace

std::vector<Candidate> listCandidates(const std::string& devDir) {
    std::vector<Candidate> byId;
    std::error_code ec;
    for (fs::directory_iterator it(fs::path(devDir) / "serial" / "by-id", ec), end;
         !ec && it != end; it.increment(ec))
        byId.push_back({it->path().string(), resolvedPath(it->path())});
    std::sort(byId.begin(), byId.end(),
              [](const Candidate& a, const Candidate& b) { return a.name < b.name; });

    struct Keyed {
        int family;
        long number;
        Candidate c;
    };
    std::vector<Keyed> found;
    for (fs::directory_iterator it(devDir, ec), end; !ec && it != end; it.increment(ec)) {
        int family = 0;
        long number = 0;
        if (!deviceKey(it->path().filename().string(), family, number)) continue;
        Candidate c{it->path().string(), resolvedPath(it->path())};
        bool reached = std::any_of(byId.begin(), byId.end(),
                                   [&](const Candidate& b) { return b.device == c.device; });
        if (!reached) found.push_back({family, number, c});
    }
    std::sort(found.begin(), found.end(), [](const Keyed& a, const Keyed& b) {
        return std::tie(a.family, a.number) < std::tie(b.family, b.number);
    });
    for (auto& k : found) byId.push_back(k.c);
    return byId;
}

std::optional<UsbIds> usbIdsOf(const std::string& device, const std::string& sysDir) {
    const std::string name = fs::path(resolvedPath(device)).filename().string();
    std::error_code ec;
    // class/tty/<name>/device is the USB interface; its vendor and product
    // ids are on the USB device above it.
    fs::path at = fs::canonical(fs::path(sysDir) / "class" / "tty" / name / "device", ec);
    for (int up = 0; !ec && up < 4 && !at.empty(); ++up, at = at.parent_path()) {
        std::string vendor, product;
        std::ifstream(at / "idVendor") >> vendor;
        std::ifstream(at / "idProduct") >> product;
        if (!vendor.empty() && !product.empty()) return UsbIds{vendor, product};
        if (at == at.root_path()) break;
    }
    return std::nullopt;
}

const char* const kRuleFile = "/etc/udev/rules.d/77-celltalk.rules";

std::string modemManagerRule(const UsbIds& ids) {
    return "ATTRS{idVendor}==\"" + ids.vendor + "\", ATTRS{idProduct}==\"" + ids.product +
           "\", ENV{ID_MM_DEVICE_IGNORE}=\"1\"";
}

std::vector<std::string> ruleAdvice(const UsbIds& ids) {
    return {
        "    чтобы ModemManager не трогал этот телефон (другие устройства он видит по-прежнему),",
        "    добавьте строку в " + std::string(kRuleFile) + ":", "        " + modemManagerRule(ids),
        "    затем sudo udevadm control --reload и переподключите телефон",
        "    (celltalk ports --set УСТРОЙСТВО предложит записать её)"};
}

std::string holderOf(const std::string& device) {
    std::string who = flockHolder(device);
    if (who.empty()) who = holdersOf(resolvedPath(device));
    return who;
}

Access accessOfOpenError(int err) {
    switch (err) {
        case ENOENT:
        case ENXIO:
        case ENODEV:
            return Access::Missing;
        case EACCES:
        case EPERM:
            return Access::NoPermission;
        case EBUSY:
            return Access::Busy;
        case ENOTTY:
            return Access::NotAPort;
        default:
            return Access::Failed;
    }
}

bool isFinalResult(const std::string& line) {
    return line == "OK" || line == "ERROR" || td::startsWithNoCase(line, "+CME ERROR") ||
           td::startsWithNoCase(line, "+CMS ERROR") || line == "NO CARRIER";
}

std::string identityValue(const std::vector<std::string>& lines, const std::string& command) {
    const std::string name = td::startsWithNoCase(command, "AT") ? command.substr(2) : command;
    for (const auto& raw : lines) {
        std::string line = trim(raw);
        if (line.empty() || isFinalResult(line) || td::upperAscii(line) == td::upperAscii(command))
            continue;
        for (const std::string& prefix :
             {name + ":", "+" + name.substr(name.size() > 2 ? 2 : 0) + ":"}) {
            if (td::startsWithNoCase(line, prefix)) {
                line = trim(line.substr(prefix.size()));
                break;
            }
        }
        return trim(td::outerQuotes(line));
    }
    return {};
}

Probe probe(const std::string& device, const ScanOptions& opt) {
    Probe r;
    // Lock files name the device node; a by-id link is looked up by its target.
    std::string held = lockHolder(opt.lockDir, device);
    if (held.empty()) held = lockHolder(opt.lockDir, resolvedPath(device));
    if (!held.empty()) {
        r.access = Access::Busy;
        r.detail = held;
        return r;
    }
    int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        int e = errno;
        r.access = accessOfOpenError(e);
        r.detail = std::strerror(e);
        if (r.access == Access::NoPermission) r.detail = ownerGroup(device);
        if (r.access == Access::Busy) r.detail = holdersOf(resolvedPath(device));
        return r;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        r.access = Access::Busy;
        r.detail = flockHolder(device);
        return r;
    }
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        r.access = Access::NotAPort;
        r.detail = std::strerror(errno);
        return r;
    }
    unsigned speed = baudConstant(opt.baud);
    makeRawTermios(tio, speed ? speed : B115200);
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        r.access = Access::Failed;
        r.detail = std::strerror(errno);
        return r;
    }
    r.access = Access::Ok;
    ::tcflush(fd, TCIFLUSH);
    std::vector<std::string> lines;
    // A phone that has slept may lose the first characters: one more try.
    for (int attempt = 0; attempt < 2 && !r.answers; ++attempt)
        r.answers = exchange(fd, "AT", opt.answerMs, lines) &&
                    std::find(lines.begin(), lines.end(), "OK") != lines.end();
    if (!r.answers) return r;
    if (exchange(fd, "AT+CGMI", opt.answerMs, lines)) r.maker = identityValue(lines, "AT+CGMI");
    if (exchange(fd, "AT+CGMM", opt.answerMs, lines)) r.model = identityValue(lines, "AT+CGMM");
    return r;
}

std::vector<std::string> describe(const Candidate& c, const Probe& p) {
    std::vector<std::string> out;
    out.push_back(c.name == c.device ? c.name : c.name + " -> " + c.device);
    std::string state;
    switch (p.access) {
        case Access::Ok:
            if (!p.answers) {
                state = "открывается; на AT не отвечает";
            } else {
                std::string who = trim(p.maker + " " + p.model);
                state = "открывается; отвечает на AT" + (who.empty() ? "" : ": " + who);
            }
            break;
        case Access::Missing:
            state = "не открывается: устройства нет (" + p.detail + ")";
            break;
        case Access::NoPermission:
            state = "не открывается: нет прав" +
                    (p.detail.empty() ? std::string()
                                      : " (группа устройства " + p.detail + "; sudo usermod -aG " +
                                            p.detail + " $USER и войти заново)");
            break;
        case Access::Busy:
            state = "не открывается: занят другой программой" +
                    (p.detail.empty() ? std::string() : " (" + p.detail + ")");
            break;
        case Access::NotAPort:
            state = "не последовательный порт (" + p.detail + ")";
            break;
        case Access::Failed:
            state = "не открывается: " + p.detail;
            break;
    }
    out.push_back("    " + state);
    return out;
}

namespace {

int usage(std::ostream& err) {
    err << "вызов: celltalk ports [--dev ПАПКА] [--sys ПАПКА]\n"
           "       celltalk ports --set УСТРОЙСТВО\n";
    return 2;
}

// Speed for the probe: Baud of celltalk.ini in `dir`, when it is a valid one.
int iniBaud(const std::string& dir) {
    td::IniFile ini(td::files::join(dir, td::EngineIniName));
    std::string v = td::readSetting(ini, td::setting::Baud);
    char* end = nullptr;
    long b = std::strtol(v.c_str(), &end, 10);
    return end && *end == '\0' && baudConstant(static_cast<int>(b)) ? static_cast<int>(b) : 115200;
}

int setPort(const std::string& device, const std::string& dir, std::ostream& out,
            std::ostream& err) {
    const std::string iniPath = td::files::join(dir, td::EngineIniName);
    if (!td::files::exists(iniPath)) {
        err << "в папке " << td::files::toOsPath(dir)
            << " нет celltalk.ini: запустите команду в папке движка\n";
        return 2;
    }
    std::string ops;
    if (!td::writeEnginePort(dir, td::files::fromOsPath(device), ops)) {
        err << "не удаётся записать " << td::files::toOsPath(iniPath) << "\n";
        return 2;
    }
    out << "ComPort=" << device << " записан в " << td::files::toOsPath(iniPath) << "\n";
    // The operations ini, when it is another file, may carry a port of its own that wins.
    if (!ops.empty())
        out << "внимание: " << td::cp1251ToUtf8(ops)
            << " задаёт свой ComPort, и он главнее: поправьте и его\n";
    if (!fs::exists(device)) out << "внимание: устройства " << device << " сейчас нет\n";
    return 0;
}

// Runs a program found on PATH, without a shell, with `input` on its
// standard input; its exit code, or -1 when it could not be run.
int runProgram(const std::vector<std::string>& argv, const std::string& input) {
    int pipeFd[2];
    if (::pipe(pipeFd) != 0) return -1;
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(pipeFd[0]);
        ::close(pipeFd[1]);
        return -1;
    }
    if (pid == 0) {
        ::dup2(pipeFd[0], STDIN_FILENO);
        ::close(pipeFd[0]);
        ::close(pipeFd[1]);
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::close(pipeFd[0]);
    for (size_t done = 0; done < input.size();) {
        ssize_t n = ::write(pipeFd[1], input.data() + done, input.size() - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    ::close(pipeFd[1]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The udev rule for the chosen device: shown, and written with sudo when the
// person at the terminal says so.
void offerRule(const std::string& device, const std::string& sysDir, std::ostream& out,
               std::istream* terminal) {
    const std::optional<UsbIds> ids = usbIdsOf(device, sysDir);
    if (!ids) return;
    out << "\nесли телефон занимает ModemManager, строка для " << kRuleFile << ":\n    "
        << modemManagerRule(*ids) << "\n";
    if (!terminal) {
        out << "затем sudo udevadm control --reload и переподключите телефон\n";
        return;
    }
    out << "записать её туда (через sudo)? [y/N] " << std::flush;
    std::string answer;
    std::getline(*terminal, answer);
    answer = trim(answer);
    if (answer != "y" && answer != "Y" && answer != "д" && answer != "Д") {
        out << "не записано\n";
        return;
    }
    // tee -a adds the line to the file as root (it repeats it on the terminal).
    const bool written =
        runProgram({"sudo", "tee", "-a", kRuleFile}, modemManagerRule(*ids) + "\n") == 0;
    if (!written) {
        out << "записать не удалось; добавьте строку сами\n";
        return;
    }
    const bool reloaded = runProgram({"sudo", "udevadm", "control", "--reload"}, "") == 0;
    out << "записано в " << kRuleFile
        << (reloaded ? "; правила перечитаны" : "; перечитайте: sudo udevadm control --reload")
        << "; переподключите телефон\n";
}

}  // namespace

int runPorts(const std::vector<std::string>& args, const std::string& dir, std::ostream& out,
             std::ostream& err, std::istream* terminal) {
    ScanOptions opt;
    std::string setDevice;
    for (size_t i = 2; i < args.size(); ++i) {
        if (args[i] == "--dev" && i + 1 < args.size()) {
            opt.devDir = args[++i];
        } else if (args[i] == "--sys" && i + 1 < args.size()) {
            opt.sysDir = args[++i];
        } else if (args[i] == "--set" && i + 1 < args.size() && !args[i + 1].empty()) {
            setDevice = args[++i];
        } else {
            return usage(err);
        }
    }
    if (!setDevice.empty()) {
        const int rc = setPort(setDevice, dir, out, err);
        if (rc == 0) offerRule(setDevice, opt.sysDir, out, terminal);
        return rc;
    }

    opt.baud = iniBaud(dir);
    std::vector<Candidate> candidates = listCandidates(opt.devDir);
    if (candidates.empty()) {
        out << "последовательных устройств нет (" << opt.devDir << "/serial/by-id, " << opt.devDir
            << "/ttyACM*, ttyUSB*, rfcomm*)\n";
        return 1;
    }
    std::string first;
    for (const auto& c : candidates) {
        Probe p = probe(c.name, opt);
        for (const auto& line : describe(c, p)) out << line << "\n";
        const std::optional<UsbIds> ids = usbIdsOf(c.device, opt.sysDir);
        if (p.access == Access::Busy && p.detail.find("ModemManager") != std::string::npos && ids)
            for (const auto& line : ruleAdvice(*ids)) out << line << "\n";
        if (p.answers && first.empty()) first = c.name;
    }
    if (first.empty()) return 1;
    out << "\nзаписать порт в celltalk.ini этой папки: celltalk ports --set " << first << "\n";
    return 0;
}

}  // namespace celltalk::ports
