// Finding the phone: the device list, the reading of identity answers, the
// probe of real pseudo-terminals (a simulated phone, a silent line, a held
// one) and the `celltalk ports` command against the `phonesim` command.

#include "ports.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "phonesim.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "pty.h"
#include "transport.h"

namespace celltalk::ports {
namespace {

namespace fs = std::filesystem;

// A scratch folder standing in for /dev (or for the engine's folder).
struct Scratch {
    fs::path dir;
    Scratch() {
        static int counter = 0;
        dir = fs::temp_directory_path() /
              ("celltalk-ports-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~Scratch() { fs::remove_all(dir); }
    std::string path(const std::string& name) const { return (dir / name).string(); }
    void file(const std::string& name, const std::string& bytes = "") const {
        fs::create_directories((dir / name).parent_path());
        std::ofstream(dir / name, std::ios::binary) << bytes;
    }
    void link(const std::string& name, const std::string& target) const {
        fs::create_directories((dir / name).parent_path());
        fs::create_symlink(target, dir / name);
    }
    std::string read(const std::string& name) const {
        std::ifstream f(dir / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    }
};

TEST(ListCandidates, StableNamesFirstThenDevicesInNumericOrder) {
    Scratch dev;
    for (const char* name : {"ttyUSB10", "ttyUSB2", "ttyACM1", "ttyACM0", "rfcomm0", "ttyS0",
                             "tty1", "ttyUSB", "ttyUSBx", "ttyUSB\xd1\x8e", "console", "rfcomm12"})
        dev.file(name);
    dev.link("serial/by-id/usb-Motorola_C650-if00", "../../ttyACM1");
    dev.link("serial/by-id/usb-FTDI_Serial-if00-port0", "../../ttyUSB2");
    std::vector<std::pair<std::string, std::string>> expected = {
        {"serial/by-id/usb-FTDI_Serial-if00-port0", "ttyUSB2"},
        {"serial/by-id/usb-Motorola_C650-if00", "ttyACM1"},
        {"ttyACM0", "ttyACM0"},
        {"ttyUSB10", "ttyUSB10"},
        {"rfcomm0", "rfcomm0"},
        {"rfcomm12", "rfcomm12"},
    };
    std::vector<Candidate> got = listCandidates(dev.dir.string());
    ASSERT_EQ(got.size(), expected.size());
    const std::string real = fs::canonical(dev.dir).string() + "/";
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].name, dev.path(expected[i].first)) << i;
        EXPECT_EQ(got[i].device, real + expected[i].second) << i;
    }
}

TEST(ListCandidates, NothingThereIsAnEmptyList) {
    Scratch dev;
    EXPECT_TRUE(listCandidates(dev.dir.string()).empty());
    EXPECT_TRUE(listCandidates(dev.path("missing")).empty());
    dev.link("serial/by-id/usb-gone-if00", "../../ttyACM7");  // unplugged: kept, leads nowhere
    ASSERT_EQ(listCandidates(dev.dir.string()).size(), 1u);
}

TEST(AccessOfOpenError, Table) {
    struct Case {
        int err;
        Access access;
    } cases[] = {
        {ENOENT, Access::Missing},      {ENXIO, Access::Missing},      {ENODEV, Access::Missing},
        {EACCES, Access::NoPermission}, {EPERM, Access::NoPermission}, {EBUSY, Access::Busy},
        {ENOTTY, Access::NotAPort},     {EIO, Access::Failed},
    };
    for (const auto& c : cases) EXPECT_EQ(accessOfOpenError(c.err), c.access) << c.err;
}

TEST(IdentityValue, Table) {
    struct Case {
        std::vector<std::string> lines;
        std::string command, value;
    } cases[] = {
        {{"AT+CGMI", "+CGMI: Motorola", "OK"}, "AT+CGMI", "Motorola"},
        {{"+CGMM: \"C650\"", "OK"}, "AT+CGMM", "C650"},
        {{"at+cgmi", "SAMSUNG", "OK"}, "AT+CGMI", "SAMSUNG"},  // bare answer, echo in lower case
        {{"+GMI: Nokia", "OK"}, "AT+CGMI", "Nokia"},
        {{"  Sony Ericsson  ", "OK"}, "AT+CGMI", "Sony Ericsson"},
        {{"+cgmm:  \"E398\" ", "OK"}, "AT+CGMM", "E398"},
        {{"AT+CGMI", "ERROR"}, "AT+CGMI", ""},
        {{"+CME ERROR: 4"}, "AT+CGMI", ""},
        {{"OK"}, "AT+CGMI", ""},
        {{}, "AT+CGMI", ""},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (const auto& l : c.lines) shown += l + "|";
        EXPECT_EQ(identityValue(c.lines, c.command), c.value) << shown;
    }
}

TEST(IsFinalResult, Table) {
    for (const char* line : {"OK", "ERROR", "+CME ERROR: 10", "+cms error: 500", "NO CARRIER"})
        EXPECT_TRUE(isFinalResult(line)) << line;
    for (const char* line : {"AT", "+CGMI: OK", "OKAY", "", "RING"})
        EXPECT_FALSE(isFinalResult(line)) << line;
}

TEST(Describe, SaysWhatTheUserCanDo) {
    Candidate byId{"/dev/serial/by-id/usb-M-if00", "/dev/ttyACM0"};
    Candidate plain{"/dev/ttyUSB0", "/dev/ttyUSB0"};
    struct Case {
        Candidate c;
        Probe p;
        std::vector<std::string> lines;
    } cases[] = {
        {byId,
         {Access::Ok, "", true, "Motorola", "C650"},
         {"/dev/serial/by-id/usb-M-if00 -> /dev/ttyACM0",
          "    открывается; отвечает на AT: Motorola C650"}},
        {plain,
         {Access::Ok, "", true, "", ""},
         {"/dev/ttyUSB0", "    открывается; отвечает на AT"}},
        {plain,
         {Access::Ok, "", false, "", ""},
         {"/dev/ttyUSB0", "    открывается; на AT не отвечает"}},
        {plain,
         {Access::NoPermission, "dialout", false, "", ""},
         {"/dev/ttyUSB0",
          "    не открывается: нет прав (группа устройства dialout; sudo usermod -aG dialout "
          "$USER и войти заново)"}},
        {plain,
         {Access::Busy, "ModemManager, pid 812", false, "", ""},
         {"/dev/ttyUSB0", "    не открывается: занят другой программой (ModemManager, pid 812)"}},
    };
    for (const auto& c : cases) EXPECT_EQ(describe(c.c, c.p), c.lines) << c.lines[1];
}

// The simulated phone served on a pseudo-terminal in this process.
struct ServedPhone {
    phonesim::Phone phone;
    std::unique_ptr<phonesim::PtyServer> server;
    std::atomic<bool> stop{false};
    std::thread thread;
    explicit ServedPhone(const std::string& link) {
        server = std::make_unique<phonesim::PtyServer>(phone, link, 0);
        std::string error;
        if (!server->open(&error)) throw std::runtime_error(error);
        thread = std::thread([this] { server->run(stop); });
    }
    ~ServedPhone() {
        stop = true;
        thread.join();
    }
};

// A pseudo-terminal that never answers, linked at `link`.
struct SilentLine {
    int master = -1;
    explicit SilentLine(const std::string& link) {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        ::grantpt(master);
        ::unlockpt(master);
        fs::create_symlink(::ptsname(master), link);
    }
    ~SilentLine() { ::close(master); }
};

ScanOptions quick(const Scratch& dev) {
    ScanOptions o;
    o.devDir = dev.dir.string();
    o.lockDir = dev.path("lock");
    o.answerMs = 300;
    return o;
}

TEST(Probe, TheSimulatedPhoneAnswersWithMakerAndModel) {
    Scratch dev;
    ServedPhone phone(dev.path("ttyACM0"));
    Probe p = probe(dev.path("ttyACM0"), quick(dev));
    EXPECT_EQ(p.access, Access::Ok) << p.detail;
    EXPECT_TRUE(p.answers);
    EXPECT_EQ(p.maker, "Motorola");
    EXPECT_EQ(p.model, "C650");
}

TEST(Probe, OpenButSilentNotAPortAndMissing) {
    Scratch dev;
    SilentLine silent(dev.path("ttyUSB0"));
    dev.file("ttyUSB1", "not a device");
    struct Case {
        std::string device;
        Access access;
    } cases[] = {
        {dev.path("ttyUSB0"), Access::Ok},
        {dev.path("ttyUSB1"), Access::NotAPort},
        {dev.path("ttyUSB2"), Access::Missing},
    };
    for (const auto& c : cases) {
        Probe p = probe(c.device, quick(dev));
        EXPECT_EQ(p.access, c.access) << c.device << ": " << p.detail;
        EXPECT_FALSE(p.answers) << c.device;
    }
}

TEST(Probe, ALineHeldByAnotherProgramIsLeftAlone) {
    Scratch dev;
    ServedPhone phone(dev.path("ttyACM0"));
    {
        // Another program holds an exclusive lock on the port.
        int fd = ::open(dev.path("ttyACM0").c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::flock(fd, LOCK_EX), 0);
        pid_t child = ::fork();
        if (child == 0) {
            ::pause();  // the child shares the locked file
            ::_exit(0);
        }
        ::close(fd);
        Probe p = probe(dev.path("ttyACM0"), quick(dev));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        EXPECT_EQ(p.access, Access::Busy);
        EXPECT_NE(p.detail.find("pid " + std::to_string(::getpid())), std::string::npos)
            << p.detail;
        EXPECT_FALSE(p.answers);
    }
    // The engine in the middle of a run.
    {
        SerialTransport engine(dev.path("ttyACM0"), 115200);
        EXPECT_EQ(probe(dev.path("ttyACM0"), quick(dev)).access, Access::Busy);
    }
    // A UUCP lock file of a living program, then of one long gone.
    dev.file("lock/LCK..ttyACM0", "      " + std::to_string(::getpid()) + "\n");
    Probe held = probe(dev.path("ttyACM0"), quick(dev));
    EXPECT_EQ(held.access, Access::Busy);
    // ... found through a stable name that leads to the device.
    dev.link("serial/by-id/usb-phone", "../../ttyACM0");
    fs::rename(dev.path("lock/LCK..ttyACM0"),
               dev.path("lock/LCK.." + fs::read_symlink(dev.path("ttyACM0")).filename().string()));
    EXPECT_EQ(probe(dev.path("serial/by-id/usb-phone"), quick(dev)).access, Access::Busy);
    fs::remove_all(dev.path("lock"));
    dev.file("lock/LCK..ttyACM0", "4194304\n");  // above the largest pid
    Probe stale = probe(dev.path("ttyACM0"), quick(dev));
    EXPECT_EQ(stale.access, Access::Ok) << stale.detail;
    EXPECT_TRUE(stale.answers);
}

int runIn(const Scratch& dir, std::vector<std::string> args, std::string& out) {
    args.insert(args.begin(), {"celltalk", "ports"});
    std::ostringstream o, e;
    int rc = runPorts(args, dir.dir.string(), o, e);
    out = o.str() + e.str();
    return rc;
}

TEST(RunPorts, SetWritesComPortAndKeepsTheRest) {
    Scratch dir;
    dir.file("celltalk.ini",
             "[Common]\r\nModelIni=celltalk.ini\r\nComPort=SIM\r\nBaud=9600\r\n"
             "[Operations]\r\nx=at\r\n");
    std::string out;
    EXPECT_EQ(runIn(dir, {"--set", "/dev/serial/by-id/usb-M-if00"}, out), 0) << out;
    EXPECT_EQ(dir.read("celltalk.ini"),
              "[Common]\r\nModelIni=celltalk.ini\r\nComPort=/dev/serial/by-id/usb-M-if00\r\n"
              "Baud=9600\r\n[Operations]\r\nx=at\r\n");
    EXPECT_NE(out.find("устройства /dev/serial/by-id/usb-M-if00 сейчас нет"), std::string::npos);
}

// A made-up sysfs: a USB phone's interface under its device, which carries
// the ids, and a serial port on the mainboard, which has none.
TEST(UsbIds, ReadFromTheUsbDeviceAboveThePort) {
    Scratch sys;
    sys.file("devices/pci0/usb1/1-2/idVendor", "22b8\n");
    sys.file("devices/pci0/usb1/1-2/idProduct", "2a62\n");
    fs::create_directories(sys.path("devices/pci0/usb1/1-2/1-2:1.0"));
    fs::create_directories(sys.path("devices/platform/serial8250"));
    sys.link("class/tty/ttyACM0/device", "../../../devices/pci0/usb1/1-2/1-2:1.0");
    sys.link("class/tty/ttyS0/device", "../../../devices/platform/serial8250");
    auto ids = usbIdsOf("/dev/ttyACM0", sys.dir.string());
    ASSERT_TRUE(ids);
    EXPECT_EQ(modemManagerRule(*ids),
              "ATTRS{idVendor}==\"22b8\", ATTRS{idProduct}==\"2a62\", "
              "ENV{ID_MM_DEVICE_IGNORE}=\"1\"");
    EXPECT_FALSE(usbIdsOf("/dev/ttyS0", sys.dir.string()));
    EXPECT_FALSE(usbIdsOf("/dev/ttyUSB7", sys.dir.string()));

    // --set shows the rule for that device; with nobody at a terminal it only shows it.
    Scratch dir;
    dir.file("celltalk.ini", "[Common]\r\nComPort=SIM\r\n");
    std::string out;
    EXPECT_EQ(runIn(dir, {"--set", "/dev/ttyACM0", "--sys", sys.dir.string()}, out), 0) << out;
    EXPECT_NE(out.find("/etc/udev/rules.d/77-celltalk.rules:\n    " + modemManagerRule(*ids)),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("sudo udevadm control --reload"), std::string::npos) << out;
    EXPECT_EQ(out.find("[y/N]"), std::string::npos) << out;
    // Told no at the terminal: nothing run.
    std::istringstream no("n\n");
    std::ostringstream o, e;
    EXPECT_EQ(runPorts({"celltalk", "ports", "--set", "/dev/ttyACM0", "--sys", sys.dir.string()},
                       dir.dir.string(), o, e, &no),
              0);
    EXPECT_NE(o.str().find("[y/N] не записано"), std::string::npos) << o.str();
}

TEST(RunPorts, SetWarnsWhenTheOperationsIniHasItsOwnPort) {
    Scratch dir;
    dir.file("celltalk.ini", "[Common]\r\nModelIni=phone2.ini\r\n");
    dir.file("phone2.ini", "[Common]\r\nComPort=/dev/ttyUSB0\r\n");
    std::string out;
    EXPECT_EQ(runIn(dir, {"--set", dir.path("ttyACM0")}, out), 0);
    EXPECT_NE(out.find("phone2.ini задаёт свой ComPort"), std::string::npos) << out;
    EXPECT_EQ(dir.read("phone2.ini"), "[Common]\r\nComPort=/dev/ttyUSB0\r\n");
}

TEST(RunPorts, BadUseIsCode2AndChangesNothing) {
    Scratch dir;
    std::string out;
    // No celltalk.ini here: not the engine's folder.
    EXPECT_EQ(runIn(dir, {"--set", "/dev/ttyACM0"}, out), 2);
    EXPECT_FALSE(fs::exists(dir.path("celltalk.ini")));
    dir.file("celltalk.ini", "[Common]\r\n");
    for (std::vector<std::string> args :
         {std::vector<std::string>{"--set"}, {"--set", ""}, {"--dev"}, {"--verbose"}, {"list"}}) {
        EXPECT_EQ(runIn(dir, args, out), 2) << args[0];
        EXPECT_EQ(dir.read("celltalk.ini"), "[Common]\r\n");
    }
}

TEST(RunPorts, ListsAndPointsAtTheAnsweringDevice) {
    Scratch dev;
    ServedPhone phone(dev.path("ttyACM3"));
    dev.link("serial/by-id/usb-Motorola_C650-if00", "../../ttyACM3");
    SilentLine silent(dev.path("ttyUSB0"));
    std::string out;
    EXPECT_EQ(runIn(dev, {"--dev", dev.dir.string()}, out), 0);
    const std::string byId = dev.path("serial/by-id/usb-Motorola_C650-if00");
    EXPECT_NE(out.find(byId + " -> "), std::string::npos) << out;
    EXPECT_NE(out.find("отвечает на AT: Motorola C650"), std::string::npos) << out;
    size_t silentAt = out.find(dev.path("ttyUSB0") + " -> /dev/pts/");
    ASSERT_NE(silentAt, std::string::npos) << out;
    EXPECT_EQ(out.find("    открывается; на AT не отвечает"), out.find('\n', silentAt) + 1) << out;
    EXPECT_NE(out.find("celltalk ports --set " + byId), std::string::npos) << out;

    Scratch empty;
    EXPECT_EQ(runIn(empty, {"--dev", empty.dir.string()}, out), 1);
}

// The two commands as a user runs them: `phonesim --pty` in one process,
// `celltalk ports` in another.
TEST(PortsCommand, FindsThePhonesimCommandOnItsPseudoTerminal) {
    Scratch dev;
    pid_t sim = ::fork();
    if (sim == 0) {
        int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::execl(PHONESIM_EXE, "phonesim", "--pty", dev.path("ttyACM0").c_str(), nullptr);
        ::_exit(121);
    }
    for (int i = 0; i < 300 && !fs::is_symlink(dev.path("ttyACM0")); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(fs::is_symlink(dev.path("ttyACM0")));

    const std::string outFile = dev.path("out.txt");
    pid_t ports = ::fork();
    if (ports == 0) {
        int fd = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(fd, 1);
        ::chdir(dev.dir.c_str());
        ::execl(CELLTALK_EXE, "celltalk", "ports", "--dev", dev.dir.c_str(), nullptr);
        ::_exit(121);
    }
    int status = 0;
    ::waitpid(ports, &status, 0);
    ::kill(sim, SIGTERM);
    ::waitpid(sim, nullptr, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    std::string out = dev.read("out.txt");
    EXPECT_NE(out.find(dev.path("ttyACM0") + " -> /dev/pts/"), std::string::npos) << out;
    EXPECT_NE(out.find("отвечает на AT: Motorola C650"), std::string::npos) << out;
    EXPECT_FALSE(fs::exists(fs::symlink_status(dev.path("ttyACM0"))));  // phonesim cleaned up
}

}  // namespace
}  // namespace celltalk::ports
