// The line kept in step with the phone: a phone that answers every command
// late, and a read stopped on a slow line and run again at once, against the
// simulated phone in this process and on a pseudo-terminal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "engine.h"
#include "state.h"
#include "support.h"

using namespace celltalk;
using celltalk::test::Borrowed;
using celltalk::test::EngineDir;
using celltalk::test::LateLink;
using celltalk::test::spawnIn;
using celltalk::test::waitExit;
using namespace std::chrono_literals;

namespace {

constexpr const char* kList = "at+cmgf=0|at+cpms=\"SM\"|at+cmgl=4";

// A SIM holding `n` read messages "Hi 1" ... "Hi n".
void writeMessages(const std::string& path, int n) {
    phonesim::State s = phonesim::seedState();
    s.sms["SM"].messages.clear();
    s.sms["ME"].messages.clear();
    for (int i = 1; i <= n; ++i) {
        phonesim::Sms m;
        m.status = phonesim::SmsStatus::RecRead;
        m.number = "+790310000" + std::to_string(i);
        m.time = "25/06/02,18:05:12+12";
        m.coding = phonesim::SmsCoding::Gsm7;
        m.text = "Hi " + std::to_string(i);
        s.sms["SM"].messages[i] = m;
    }
    phonesim::saveStateFile(path, s);
}

// A SIM with messages "Hi 1" ... "Hi n" and a message in three parts.
void writeMessagesAndALongOne(const std::string& path, int n, const std::string& quirk) {
    writeMessages(path, n);
    phonesim::State s = *phonesim::loadStateFile(path, nullptr);
    for (int seq = 1; seq <= 3; ++seq) {
        phonesim::Sms m;
        m.status = phonesim::SmsStatus::RecRead;
        m.number = "+79031119999";
        m.time = "25/06/02,18:05:12+12";
        m.text = "part " + std::to_string(seq) + ";";
        m.part = {7, 3, seq, false};
        s.sms["SM"].messages[n + seq] = m;
    }
    s.quirks[quirk] = 1;
    phonesim::saveStateFile(path, s);
}

std::vector<std::string> expectedTexts(int n) {
    std::vector<std::string> t;
    for (int i = 1; i <= n; ++i) t.push_back("Hi " + std::to_string(i));
    return t;
}

// The texts of the records in the run's message list file.
std::vector<std::string> listedTexts(const EngineDir& d) {
    std::vector<std::string> t;
    for (const auto& l : d.lines("AutoRun/LastRun.sms"))
        if (l.starts_with("+CMGL=")) t.push_back(l.substr(l.find('}') + 1));
    return t;
}

}  // namespace

TEST(EngineSync, APhoneAnsweringEveryCommandLateIsReadWhole) {
    // Every answer 1.2 s late: longer than the engine once waited for its AT.
    EngineDir d({{"All", kList}}, "ComPort=SIM\r\nTimeout=4\r\n");
    writeMessages(d.path("phonesim.state"), 5);
    SimTransport sim(d.path("phonesim.state"));
    LateLink late(sim, 1200ms);
    RunRequest req{d.dir, "All", {}};
    ASSERT_EQ(runOperation(req, [&](const Config&) { return std::make_unique<Borrowed>(late); }), 0)
        << d.text("CellTalk.err") << d.text("AutoRun/LastRun.log");
    EXPECT_EQ(listedTexts(d), expectedTexts(5)) << d.text("AutoRun/LastRun.log");
}

TEST(EngineSync, AReadStoppedOnASlowLineLeavesTheNextRunWholeOrFailed) {
    // At 1200 baud the list takes about three seconds; the engine is stopped
    // at several moments of it and run again at once, as an impatient user
    // with a slow cable would.
    const struct {
        int stopMs;
        int signal;
    } stops[] = {{300, SIGKILL}, {1200, SIGTERM}, {2400, SIGKILL}};
    for (const auto& s : stops) {
        const std::string where =
            std::to_string(s.stopMs) + " ms, signal " + std::to_string(s.signal);
        EngineDir d({{"All", kList}});
        const std::string pty = d.path("ttyACM0");
        d.write("celltalk.ini", "[Common]\r\nModelIni=celltalk.ini\r\nComPort=" + pty +
                                    "\r\nBaud=1200\r\nTimeout=5\r\n[AutoRun]\r\nWait=0\r\n"
                                    "[Operations]\r\nAll=" +
                                    kList + "\r\n");
        writeMessages(d.path("sim.state"), 7);
        pid_t sim = spawnIn(
            d.dir, {PHONESIM_EXE, "--pty", pty, "--state", d.path("sim.state"), "--baud", "1200"});
        for (int i = 0; i < 300 && !std::filesystem::exists(pty); ++i)
            std::this_thread::sleep_for(10ms);
        ASSERT_TRUE(std::filesystem::exists(pty)) << where;

        pid_t first = spawnIn(d.dir, {CELLTALK_EXE, "oper", "All"});
        std::this_thread::sleep_for(std::chrono::milliseconds(s.stopMs));
        ::kill(first, s.signal);
        waitExit(first);
        const int code = waitExit(spawnIn(d.dir, {CELLTALK_EXE, "oper", "All"}));
        if (code == 0)
            EXPECT_EQ(listedTexts(d), expectedTexts(7)) << where << d.text("AutoRun/LastRun.log");
        else
            EXPECT_FALSE(d.text("CellTalk.err").empty()) << where;
        // A line the phone was still talking on is waited for, not given up.
        EXPECT_EQ(code, 0) << where << d.text("CellTalk.err") << d.text("AutoRun/LastRun.log");
        ::kill(sim, SIGTERM);
        waitExit(sim);
    }
}

TEST(EngineSync, UnsolicitedLinesInsideAListAreNeverPartOfIt) {
    // The phone puts a report before every entry, and between a message's
    // header and its text or PDU: every message is still listed whole.
    for (const char* mode : {"at+cmgf=0", "at+cmgf=1|at+cscs=\"GSM\"|at+csdh=1"}) {
        EngineDir d(
            {{"All", std::string(mode) + "|at+cmgl=" + (mode[8] == '0' ? "4" : "\"ALL\"")}});
        writeMessagesAndALongOne(d.path("phonesim.state"), 4, "urc-in-lists");
        RunRequest req{d.dir, "All", {}};
        ASSERT_EQ(runOperation(req), 0) << mode << d.text("CellTalk.err");
        std::vector<std::string> texts = expectedTexts(4);
        texts.push_back("part 1;part 2;part 3;");
        EXPECT_EQ(listedTexts(d), texts) << mode << d.text("AutoRun/LastRun.log");
        EXPECT_NE(d.text("AutoRun/LastRun.log").find("~+CMTI"), std::string::npos) << mode;
    }
}
