// The program itself, started as a user starts it (offscreen), then ended by
// a signal: the closing write-back still runs, as it does for a close.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "platform/files.h"
#include "platform/ini.h"
#include "support/fakes.h"

namespace {

namespace fs = std::filesystem;
using td::test::TestEnv;

// Starts the program under a name of the folder, phone2 by default (so that
// it points the engine at its own operations ini phone2.ini while it runs).
pid_t startProgram(const TestEnv& env, const std::string& name = "phone2") {
    pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("TAPDECK_MARKER_DIR", env.markers.c_str(), 1);
        if (::chdir(env.dir.c_str()) != 0) ::_exit(126);
        std::string exe = env.dir + "/" + name;
        ::execl(exe.c_str(), name.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return pid;
}

bool waitFor(const std::function<bool()>& cond, int seconds) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        if (cond()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return cond();
}

TEST(Lifecycle, SignalRunsTheClosingWriteBack) {
    for (int sig : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(sig);
        TestEnv env;
        for (const char* f : {"tapdeck.ini", "celltalk.ini"})
            fs::copy_file(fs::path(DEMO_DIR) / f, fs::path(env.dir) / f);
        fs::copy_file(fs::path(DEMO_DIR) / "celltalk.ini", fs::path(env.dir) / "phone2.ini");
        fs::create_symlink(TAPDECK_BIN, fs::path(env.dir) / "phone2");
        td::IniFile engine(env.path("celltalk.ini"));
        td::IniFile oper(env.path("phone2.ini"));
        ASSERT_TRUE(oper.writeString("AutoRun", "Wait", "5"));

        pid_t pid = startProgram(env);
        // The first activation: the engine points at phone2.ini, Wait is halved,
        // the satellite marker made.
        ASSERT_TRUE(waitFor(
            [&] {
                return oper.readString("AutoRun", "Wait", "") == "2" &&
                       td::files::exists(env.markers + "/swapping.fl0");
            },
            20));
        EXPECT_EQ(engine.readString("Common", "ModelIni", ""), "phone2.ini");

        ::kill(pid, sig);
        int status = 0;
        ASSERT_TRUE(waitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, 20));
        EXPECT_TRUE(WIFEXITED(status)) << "ended by the signal itself";
        EXPECT_EQ(engine.readString("Common", "ModelIni", ""), "celltalk.ini");
        EXPECT_EQ(oper.readString("AutoRun", "Wait", ""), "5");
        EXPECT_FALSE(td::files::exists(env.markers + "/swapping.fl0"));
    }
}

// The multi-phone set-up: a satellite copy started beside the running main
// program starts as its own program (no lock of the main program stops it).
TEST(Lifecycle, ASatelliteStartsBesideTheMainProgram) {
    TestEnv env;
    for (const char* f : {"tapdeck.ini", "celltalk.ini"})
        fs::copy_file(fs::path(DEMO_DIR) / f, fs::path(env.dir) / f);
    fs::copy_file(fs::path(DEMO_DIR) / "celltalk.ini", fs::path(env.dir) / "phone2.ini");
    for (const char* name : {"tapdeck", "phone2"})
        fs::create_symlink(TAPDECK_BIN, fs::path(env.dir) / name);
    td::IniFile oper(env.path("phone2.ini"));
    ASSERT_TRUE(oper.writeString("AutoRun", "Wait", "5"));

    std::vector<pid_t> pids{startProgram(env, "tapdeck")};
    ASSERT_TRUE(waitFor([&] { return td::files::exists(env.markers + "/swapping.fl0"); }, 20));
    pids.push_back(startProgram(env, "phone2"));
    const bool satelliteRuns = waitFor(
        [&] {
            return oper.readString("AutoRun", "Wait", "") == "2" &&
                   td::files::exists(env.markers + "/swapping.fl1");
        },
        20);
    for (pid_t pid : pids) ::kill(pid, SIGTERM);
    for (pid_t pid : pids) {
        int status = 0;
        if (!waitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, 20)) {
            ADD_FAILURE() << "still running: " << pid;
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
        }
    }
    EXPECT_TRUE(satelliteRuns);
}

}  // namespace
