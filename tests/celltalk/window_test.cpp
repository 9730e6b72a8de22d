// The engine's window, through the real program on Qt's offscreen platform:
// what it shows (its widgets' texts, written out by the engine's test hook
// CELLTALK_WINDOW_DUMP), when it opens at all, and that a run shown in it
// leaves exactly the files and exit code of a run without it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "support.h"

using celltalk::test::EngineDir;
using celltalk::test::waitExit;
using td::W;
using Clock = std::chrono::steady_clock;

namespace {

using Env = std::map<std::string, std::string>;  // empty value: unset

// Starts the engine in `dir` with a display-free environment plus `env`;
// its stderr goes to dir/stderr.txt.
pid_t startEngine(const EngineDir& d, const std::string& op, const Env& env) {
    pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(d.dir.c_str()) != 0) ::_exit(120);
        for (const char* v : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY",
                              "CELLTALK_WINDOW_DUMP", "CELLTALK_WINDOW_CLOSE_MS"})
            ::unsetenv(v);
        ::setenv("CELLTALK_WINDOW_LINGER_MS", "0", 1);
        for (const auto& [k, v] : env)
            v.empty() ? ::unsetenv(k.c_str()) : ::setenv(k.c_str(), v.c_str(), 1);
        int err = ::open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (err >= 0) ::dup2(err, 2);
        std::string name = W(op);
        char* argv[] = {const_cast<char*>("celltalk"), const_cast<char*>("oper"), name.data(),
                        nullptr};
        ::execv(CELLTALK_EXE, argv);
        ::_exit(121);
    }
    return pid;
}

int runEngine(const EngineDir& d, const std::string& op, const Env& env) {
    return waitExit(startEngine(d, op, env));
}

// The dump: "@objectName" lines, each followed by that widget's text.
std::map<std::string, std::string> readDump(const std::string& path) {
    std::map<std::string, std::string> widgets;
    std::ifstream f(path);
    std::string name;
    for (std::string l; std::getline(f, l);) {
        if (l.rfind("@", 0) == 0) {
            name = l.substr(1);
            widgets[name];
        } else {
            std::string& t = widgets[name];
            t += (t.empty() ? "" : "\n") + l;
        }
    }
    return widgets;
}

std::string raw(const EngineDir& d, const std::string& name) {
    std::string s;
    td::files::readAll(d.path(name), s);
    return s;
}

// A folder whose operations ini asks for `window` (and the beep, if set).
struct WindowDir : EngineDir {
    WindowDir(const std::string& window, bool beep = false,
              const std::string& ops = "ate1|at+cscs=\"UCS2\"|at+cpbs=\"SM\"|at+cpbr=1,3",
              const std::string& link = "ComPort=SIM\r\nTimeout=2\r\n")
        : EngineDir({}) {
        write("celltalk.ini", "[Common]\r\nModelIni=celltalk.ini\r\n" + link +
                                  (beep ? "Beep=YES\r\n" : "") + "[AutoRun]\r\nWait=0\r\n" +
                                  (window.empty() ? "" : "Window=" + window + "\r\n") +
                                  "[Operations]\r\nТелефонная книга=" + ops + "\r\n");
    }
    std::string dump() const { return path("window.txt"); }
    Env offscreen() const {
        return {{"QT_QPA_PLATFORM", "offscreen"}, {"CELLTALK_WINDOW_DUMP", dump()}};
    }
};

const char* kOp = "Телефонная книга";

}  // namespace

TEST(EngineWindow, ShowsTheCommandsAndAnswersAsTheyWent) {
    for (const char* mode : {"Norm", "Max"}) {
        WindowDir d(mode);
        ASSERT_EQ(runEngine(d, kOp, d.offscreen()), 0) << d.text("CellTalk.err");
        auto w = readDump(d.dump());
        ASSERT_FALSE(w.empty()) << mode << ": no window";
        EXPECT_EQ(w["lOperation"], kOp);
        EXPECT_EQ(w["title"], std::string("CellTalk — ") + kOp);
        EXPECT_EQ(w["lStep"], "Шаг 4 из 4: команда at+cpbr=1,3");
        EXPECT_EQ(w["pbSteps"], "4/4");
        EXPECT_EQ(w["lOutcome"], "Готово");
        EXPECT_EQ(w["bbStop"], "Закрыть");
        EXPECT_EQ(w["maximized"], std::string(mode) == "Max" ? "1" : "0") << mode;
        EXPECT_EQ(w["beeped"], "0");
        // Every command and every answer line, in order; the answers as the
        // phone sent them (UCS2 hex); the files hold the decoded names.
        const std::string& log = w["mLog"];
        size_t at = 0;
        for (const char* line :
             {"> ate1", "< OK", "> at+cscs=\"UCS2\"", "< OK", "> at+cpbs=\"SM\"", "< OK",
              "> at+cpbr=1,3",
              "< +CPBR: 1,\"+79161234567\",145,\"0410043D043D0430002D041C043004400438044F\"",
              "< +CPBR: 3,", "< OK"}) {
            size_t pos = log.find(line, at);
            ASSERT_NE(pos, std::string::npos) << line << " after " << at << " in\n" << log;
            at = pos + 1;
        }
        EXPECT_NE(d.text("AutoRun/LastRun.pbf").find("Анна-Мария"), std::string::npos);
        EXPECT_TRUE(d.clean());
    }
}

TEST(EngineWindow, NoWindowForMinOrWithoutADisplay) {
    struct Case {
        const char* name;
        const char* window;
        bool display;
    } cases[] = {
        {"Min", "Min", true},
        {"no Window key", "", true},
        {"Norm without a display", "Norm", false},
    };
    for (const auto& c : cases) {
        WindowDir d(c.window);
        Env env = d.offscreen();
        if (!c.display) env["QT_QPA_PLATFORM"] = "";
        EXPECT_EQ(runEngine(d, kOp, env), 0) << c.name << d.text("CellTalk.err");
        EXPECT_FALSE(d.has("window.txt")) << c.name;
        EXPECT_TRUE(d.has("AutoRun/LastRun.pbf")) << c.name;
        EXPECT_TRUE(d.clean()) << c.name;
    }
}

TEST(EngineWindow, TheRunLeavesTheSameFilesAndCodeWithAndWithoutIt) {
    struct Case {
        const char* name;
        const char* ops;
        int code;
    } cases[] = {
        {"a read", "at+cscs=\"UCS2\"|at+cpbs=\"SM\"|at+cpbr=1,5|at+cmgf=1|at+cmgl=\"ALL\"", 0},
        {"an unknown command answered with ERROR", "at|at+xyz", 0},
        {"a missing batch file", "at|!bat\"Nowhere.txt\"", 2},
    };
    for (const auto& c : cases) {
        std::map<std::string, std::string> seen[2];
        int codes[2];
        for (int shown = 0; shown < 2; ++shown) {
            WindowDir d(shown ? "Norm" : "Min", false, c.ops);
            codes[shown] = runEngine(d, kOp, d.offscreen());
            EXPECT_EQ(d.has("window.txt"), shown == 1) << c.name;
            for (const char* f : {"AutoRun/LastRun.log", "AutoRun/LastRun.pbf",
                                  "AutoRun/LastRun.sms", "CellTalk.err"})
                seen[shown][f] = d.has(f) ? raw(d, f) : "(none)";
            EXPECT_TRUE(d.clean()) << c.name;
            if (shown && c.code != 0) {
                auto w = readDump(d.dump());
                EXPECT_EQ(w["lOutcome"], "Ошибка: " + d.lines("CellTalk.err").at(0)) << c.name;
            }
        }
        EXPECT_EQ(codes[0], c.code) << c.name;
        EXPECT_EQ(codes[1], c.code) << c.name;
        EXPECT_EQ(seen[0], seen[1]) << c.name;
    }
}

TEST(EngineWindow, ClosingItOrASignalStopsTheRunCleanly) {
    for (const char* how : {"close", "SIGTERM"}) {
        // A line on which the phone never answers: only a stop ends the run early.
        int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master, 0);
        ASSERT_EQ(::grantpt(master), 0);
        ASSERT_EQ(::unlockpt(master), 0);
        // (A command that carries no text, so the engine sends it at once
        // rather than first asking the silent phone for its character set.)
        WindowDir d("Norm", true, "at+cgmi",
                    std::string("ComPort=") + ::ptsname(master) + "\r\nTimeout=30\r\n");
        Env env = d.offscreen();
        env["CELLTALK_WINDOW_LINGER_MS"] = "";  // as the user has it: a failure lingers
        // The engine waits for the phone to answer its "AT" before the first command.
        if (std::string(how) == "close") env["CELLTALK_WINDOW_CLOSE_MS"] = "1700";
        auto t0 = Clock::now();
        pid_t pid = startEngine(d, kOp, env);
        while (!d.has("AutoRun/$LastRun.log") && Clock::now() - t0 < std::chrono::seconds(10))
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (std::string(how) == "SIGTERM") {
            std::this_thread::sleep_for(std::chrono::milliseconds(1500));
            ::kill(pid, SIGTERM);
        }
        EXPECT_EQ(waitExit(pid), 3) << how;
        // Well before the phone's 30 s and without the failure's linger.
        EXPECT_LT(Clock::now() - t0, std::chrono::seconds(5)) << how;
        EXPECT_TRUE(d.clean()) << how;
        EXPECT_EQ(d.lines("CellTalk.err").size(), 1u) << how;
        auto w = readDump(d.dump());
        EXPECT_NE(d.text("CellTalk.err").find("прервана"), std::string::npos) << how;
        EXPECT_EQ(w["beeped"], "0") << how << ": a stopped run ends silently";
        ::close(master);
    }
}

TEST(EngineWindow, TheEndIsSignalledWhenBeepIsYes) {
    struct Case {
        bool beep, window;
    } cases[] = {{true, false}, {false, false}, {true, true}, {false, true}};
    for (const auto& c : cases) {
        WindowDir d(c.window ? "Norm" : "Min", c.beep);
        ASSERT_EQ(runEngine(d, kOp, d.offscreen()), 0);
        const std::string err = raw(d, "stderr.txt");
        if (c.window) {
            EXPECT_EQ(readDump(d.dump())["beeped"], c.beep ? "1" : "0");
            EXPECT_EQ(err.find('\a'), std::string::npos) << "the window beeps, not the terminal";
        } else {
            EXPECT_EQ(err.find('\a') != std::string::npos, c.beep) << err;
        }
    }
}
