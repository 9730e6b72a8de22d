// The engine as a program: a serial round trip over a pseudo-terminal, and
// its files when it is stopped by a signal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "phonesim.h"
#include "platform/runmarker.h"
#include "support.h"

using celltalk::test::EngineDir;
using celltalk::test::waitExit;
using td::W;

namespace {

// The phone side of a pseudo-terminal: whatever the engine writes to the
// slave is handed to `respond`, and its answer is written back.
class PtyPeer {
  public:
    explicit PtyPeer(std::function<std::string(std::string_view)> respond)
        : respond_(std::move(respond)) {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
        slave_ = ::ptsname(master_);
        // Keep one slave descriptor open so the master never sees a hang-up.
        keep_ = ::open(slave_.c_str(), O_RDWR | O_NOCTTY);
        thread_ = std::thread([this] { loop(); });
    }
    ~PtyPeer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (keep_ >= 0) ::close(keep_);
        if (master_ >= 0) ::close(master_);
    }
    const std::string& slave() const { return slave_; }

  private:
    void loop() {
        char buf[4096];
        while (!stop_) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0 || !(p.revents & POLLIN)) continue;
            ssize_t n = ::read(master_, buf, sizeof buf);
            if (n <= 0) continue;
            std::string out = respond_(std::string_view(buf, static_cast<size_t>(n)));
            for (size_t off = 0; off < out.size();) {
                ssize_t w = ::write(master_, out.data() + off, out.size() - off);
                if (w > 0) off += static_cast<size_t>(w);
            }
        }
    }
    std::function<std::string(std::string_view)> respond_;
    int master_ = -1, keep_ = -1;
    std::string slave_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
};

pid_t startEngine(const std::string& dir, const std::vector<std::string>& args) {
    pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(dir.c_str()) != 0) ::_exit(120);
        std::vector<char*> argv{const_cast<char*>("celltalk")};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(CELLTALK_EXE, argv.data());
        ::_exit(121);
    }
    return pid;
}

}  // namespace

TEST(EngineProcess, SerialRoundTripOverAPseudoTerminal) {
    phonesim::Phone phone;
    std::mutex m;
    PtyPeer peer([&](std::string_view b) {
        std::lock_guard<std::mutex> lock(m);
        return phone.input(b);
    });
    ASSERT_FALSE(peer.slave().empty());
    EngineDir d({{"Телефонная книга", "ate1|at+cscs=\"UCS2\"|at+cpbs=\"SM\"|at+cpbr=1,100"},
                 {"Все SMS", "at+cmgf=0|at+cmgl=4"}},
                "ComPort=" + peer.slave() + "\r\nBaud=115200\r\nTimeout=5\r\n");
    EXPECT_EQ(waitExit(startEngine(d.dir, {"oper", W("Телефонная книга")})), 0)
        << d.text("CellTalk.err");
    auto pb = d.text("AutoRun/LastRun.pbf");
    EXPECT_NE(pb.find("+CPBR: 1,\"+79161234567\",145,\"Анна-Мария\""), std::string::npos) << pb;
    EXPECT_EQ(waitExit(startEngine(d.dir, {"oper", W("Все SMS")})), 0) << d.text("CellTalk.err");
    auto sms = d.text("AutoRun/LastRun.sms");
    EXPECT_NE(sms.find("}Встреча перенесена на завтра"), std::string::npos) << sms;
    EXPECT_TRUE(d.clean());
}

// Waits (up to 5 s) until the engine has begun its work file.
void waitForWork(const EngineDir& d) {
    auto t0 = std::chrono::steady_clock::now();
    while (!d.has("AutoRun/$LastRun.log") &&
           std::chrono::steady_clock::now() - t0 < std::chrono::seconds(5))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

TEST(EngineProcess, ASignalRemovesTheMarkerAndLeavesAnErrorFile) {
    for (int sig : {SIGTERM, SIGINT}) {
        PtyPeer peer([](std::string_view) { return std::string(); });  // never answers
        EngineDir d({{"Книга", "at+cpbr=1,250"}}, "ComPort=" + peer.slave() + "\r\nTimeout=30\r\n");
        pid_t pid = startEngine(d.dir, {"oper", W("Книга")});
        auto t0 = std::chrono::steady_clock::now();
        waitForWork(d);
        EXPECT_TRUE(d.has("celltalk.run"));
        ::kill(pid, sig);
        EXPECT_EQ(waitExit(pid), 3) << sig;
        EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(10));
        EXPECT_TRUE(d.clean()) << sig;
        EXPECT_EQ(d.lines("CellTalk.err").size(), 1u) << sig;
    }
}

TEST(EngineProcess, AKilledEnginesMarkerIsToldFromARunningOne) {
    PtyPeer peer([](std::string_view) { return std::string(); });  // never answers
    EngineDir d({{"Книга", "at+cpbr=1,250"}}, "ComPort=" + peer.slave() + "\r\nTimeout=30\r\n");
    pid_t pid = startEngine(d.dir, {"oper", W("Книга")});
    waitForWork(d);
    const std::string marker = d.dir + "/celltalk.run";
    ASSERT_TRUE(d.has("celltalk.run"));
    EXPECT_EQ(d.text("celltalk.run"), std::to_string(pid) + "\n");  // the lines of the file
    EXPECT_TRUE(td::engineRunning(marker));
    ::kill(pid, SIGKILL);  // no handler runs: the marker stays behind
    waitExit(pid);
    ASSERT_TRUE(d.has("celltalk.run"));
    EXPECT_EQ(td::runMarkerState(marker), td::RunMarkerState::LeftByDeadEngine);
    EXPECT_FALSE(td::engineRunning(marker));
    EXPECT_FALSE(d.has("celltalk.run"));
}

TEST(EngineProcess, ABadCommandLineIsReported) {
    EngineDir d({{"A", "at"}});
    EXPECT_EQ(waitExit(startEngine(d.dir, {})), 2);
    EXPECT_EQ(waitExit(startEngine(d.dir, {"run", "A"})), 2);
    EXPECT_TRUE(d.has("CellTalk.err"));
    // The whole parameter text in one argument is understood as well.
    EXPECT_EQ(waitExit(startEngine(d.dir, {"oper \"A\""})), 0) << d.text("CellTalk.err");
    EXPECT_FALSE(d.has("CellTalk.err"));
}

namespace {

struct Ran {
    int code;
    std::string out, err;
};

// Runs the engine to its end with its standard output and error caught.
Ran runCaptured(const std::string& dir, const std::vector<std::string>& args) {
    int out[2], err[2];
    if (::pipe(out) != 0 || ::pipe(err) != 0) return {-1, {}, {}};
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ::close(out[0]);
        ::close(err[0]);
        if (::chdir(dir.c_str()) != 0) ::_exit(120);
        std::vector<char*> argv{const_cast<char*>("celltalk")};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(CELLTALK_EXE, argv.data());
        ::_exit(121);
    }
    ::close(out[1]);
    ::close(err[1]);
    Ran r{0, {}, {}};
    for (auto [fd, text] : {std::pair{out[0], &r.out}, std::pair{err[0], &r.err}}) {
        char buf[4096];
        ssize_t n;
        while ((n = ::read(fd, buf, sizeof buf)) > 0) text->append(buf, static_cast<size_t>(n));
        ::close(fd);
    }
    r.code = waitExit(pid);
    return r;
}

}  // namespace

TEST(EngineProcess, UsageIsPrintedForHelpAndForNoArguments) {
    EngineDir d({{"A", "at"}});
    Ran help = runCaptured(d.dir, {"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("celltalk ports"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("celltalk oper"), std::string::npos) << help.out;
    EXPECT_FALSE(d.has("CellTalk.err"));
    Ran none = runCaptured(d.dir, {});
    EXPECT_EQ(none.code, 2);
    EXPECT_NE(none.err.find("celltalk ports"), std::string::npos) << none.err;
    EXPECT_FALSE(d.has("CellTalk.err"));
}

TEST(EngineProcess, ABatchThatIsNoRegularFileOrTooLargeIsRefused) {
    EngineDir d({{"Fifo", "at|!bat\"pipe.txt\""},
                 {"Zero", "at|!bat\"/dev/zero\""},
                 {"Big", "at|!bat\"big.txt\""}});
    ASSERT_EQ(::mkfifo(d.path("pipe.txt").c_str(), 0600), 0);
    d.write("big.txt", std::string(1024 * 1024 + 1, 'a'));
    for (const char* op : {"Fifo", "Zero", "Big"}) {
        auto t0 = std::chrono::steady_clock::now();
        EXPECT_EQ(waitExit(startEngine(d.dir, {"oper", op})), 2) << op;
        EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(10)) << op;
        EXPECT_EQ(d.lines("CellTalk.err").size(), 1u) << op;
        EXPECT_TRUE(d.clean()) << op;
    }
}

TEST(EngineProcess, TheDemoPhoneCheckRunsAsTheReadmeSaysWithAUtf8Name) {
    namespace fs = std::filesystem;
    EngineDir d({{"A", "at"}});
    for (const char* f : {"celltalk.ini", "CheckPhone.bat"})
        fs::copy_file(fs::path(DEMO_DIR) / f, fs::path(d.dir) / f,
                      fs::copy_options::overwrite_existing);
    // The operation name as a UTF-8 terminal gives it.
    EXPECT_EQ(waitExit(startEngine(d.dir, {"oper", "Получить_характеристики_телефона"})), 0)
        << d.text("CellTalk.err");
    EXPECT_NE(d.text("AutoRun/LastRun.log").find("+CGMM: "), std::string::npos);
}
