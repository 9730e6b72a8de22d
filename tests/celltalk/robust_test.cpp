// The engine against a misbehaving phone, bad settings and a hostile
// system: limits on time and work, refused arguments and numbers, a full
// disk, a shared port, a phone left in another character set, and the order
// in which the files appear.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <map>

#include "engine.h"
#include "support.h"

using namespace celltalk;
using celltalk::test::Borrowed;
using celltalk::test::EngineDir;
using celltalk::test::ScriptedPhone;
using td::W;
using Clock = std::chrono::steady_clock;

namespace {

int run(const EngineDir& d, const std::string& opUtf8, Transport& phone,
        const std::string& arg1 = "", const std::string& arg2 = "") {
    RunRequest req{d.dir, W(opUtf8), {W(arg1), W(arg2)}};
    return runOperation(req, [&phone](const Config&) { return std::make_unique<Borrowed>(phone); });
}

std::string okAnswer(const std::string&) {
    return "\r\nOK\r\n";
}

bool contains(const std::vector<std::string>& v, const std::string& s) {
    return std::find(v.begin(), v.end(), s) != v.end();
}

double secondsSince(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

}  // namespace

// ---------------------------------------------------------------- limits

TEST(EngineLimits, APhoneThatNeverEndsItsAnswerMeetsTheCommandLimit) {
    EngineDir d({{"Книга", "at+cpbr=1,250"}}, "ComPort=SIM\r\nTimeout=0.3\r\nCommandLimit=1\r\n");
    ScriptedPhone phone;
    std::atomic<bool> talking{false};
    phone.answer = [&](const std::string& c) {
        if (c.rfind("at+cpbr", 0) == 0) talking = true;
        return c.rfind("at+cpbr", 0) == 0 ? std::string() : okAnswer(c);
    };
    // Answer lines, each well within Timeout of the last, without an end
    // (for 8 s, so that an engine without the limit still finishes).
    const auto t0 = Clock::now();
    phone.noise = [&] {
        if (!talking || secondsSince(t0) > 8) return std::string();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return std::string("+CPBR: 1,\"111\",129,\"Ann\"\r\n");
    };
    EXPECT_EQ(run(d, "Книга", phone), 1);
    EXPECT_LT(secondsSince(t0), 4.0);
    auto err = d.lines("CellTalk.err");
    ASSERT_EQ(err.size(), 1u);
    EXPECT_NE(err[0].find("at+cpbr=1,250"), std::string::npos) << err[0];
    EXPECT_FALSE(d.has("AutoRun/LastRun.pbf"));
    EXPECT_TRUE(d.clean());
}

TEST(EngineLimits, ACommandLimitBelowTimeoutLeavesTheTimeoutWait) {
    // The phone answers after 0.8 s: within Timeout, beyond CommandLimit.
    EngineDir d({{"Книга", "at+cpbr=1,3"}}, "ComPort=SIM\r\nTimeout=3\r\nCommandLimit=0.3\r\n");
    ScriptedPhone phone;
    Clock::time_point asked{};
    phone.answer = [&](const std::string& c) {
        if (c.rfind("at+cpbr", 0) != 0) return okAnswer(c);
        asked = Clock::now();
        return std::string();
    };
    phone.noise = [&] {
        if (asked == Clock::time_point{} || secondsSince(asked) < 0.8) return std::string();
        asked = {};
        return std::string("+CPBR: 1,\"111\",129,\"Ann\"\r\nOK\r\n");
    };
    EXPECT_EQ(run(d, "Книга", phone), 0);
    EXPECT_FALSE(d.has("CellTalk.err"));
    EXPECT_TRUE(d.has("AutoRun/LastRun.pbf"));
}

TEST(EngineLimits, BatchFanOutIsBoundedBeforeAnythingIsSent) {
    // Seven levels of batch files of ten lines each, each line calling the
    // next level: 10^7 readings of the last file, whose lines are commands
    // (10^8 of them) or nothing at all.
    struct Case {
        const char* name;
        std::string leafLine;
    } cases[] = {
        {"commands at the leaves", "at"},
        {"empty lines at the leaves", ""},
    };
    for (const auto& c : cases) {
        EngineDir d({{"A", "!bat\"b0.txt\""}});
        for (int level = 0; level < 8; ++level) {
            std::string line =
                level < 7 ? "!bat\"b" + std::to_string(level + 1) + ".txt\"" : c.leafLine;
            std::string batch;
            for (int k = 0; k < 10; ++k) batch += line + "\r\n";
            d.write("b" + std::to_string(level) + ".txt", batch);
        }
        ScriptedPhone phone;
        phone.answer = okAnswer;
        const auto t0 = Clock::now();
        EXPECT_EQ(run(d, "A", phone), 2) << c.name;
        EXPECT_LT(secondsSince(t0), 5.0) << c.name;
        EXPECT_TRUE(phone.received.empty()) << c.name;
        EXPECT_EQ(d.lines("CellTalk.err").size(), 1u) << c.name;
        EXPECT_TRUE(d.clean()) << c.name;
    }
}

// ---------------------------------------------------------------- arguments

TEST(EngineArguments, ControlCharactersAreRefusedBeforeTheyReachThePhone) {
    struct Case {
        const char* name;
        std::string op, arg1, arg2;
        int code;
    } cases[] = {
        {"CR smuggles a delete-all", "Повтор", "1\rAT+CMGD=1,4", "", 2},
        {"LF", "Повтор", "1\nAT+CMGD=1,4", "", 2},
        {"ESC", "Повтор", "1\x1b", "", 2},
        {"DEL", "Повтор", "1\x7f", "", 2},
        {"Ctrl-Z in the message text", "СМС", "+79161234567",
         "hi\x1a"
         "AT",
         2},
        {"CR in the operation name", "Повтор\rAT+CMGD=1,4", "1", "", 2},
        {"plain argument", "Повтор", "7", "", 0},
        {"line breaks in a message text", "СМС", "+79161234567", "Line 1\r\nLine 2\tend", 0},
    };
    for (const auto& c : cases) {
        EngineDir d({{"Повтор", "at+cmss=№"}, {"СМС", "at+cmgf=0|!sms"}});
        ScriptedPhone phone;
        phone.answer = [](const std::string& cmd) {
            return cmd.rfind("AT+CMGS=", 0) == 0 ? std::string("\r\n> ") : okAnswer(cmd);
        };
        EXPECT_EQ(run(d, c.op, phone, c.arg1, c.arg2), c.code) << c.name;
        EXPECT_FALSE(contains(phone.received, "AT+CMGD=1,4")) << c.name;
        if (c.code == 0) {
            EXPECT_FALSE(d.has("CellTalk.err")) << c.name;
            continue;
        }
        EXPECT_TRUE(phone.received.empty()) << c.name;
        auto err = d.lines("CellTalk.err");
        ASSERT_EQ(err.size(), 1u) << c.name;
        EXPECT_NE(err[0].find("управляющий символ"), std::string::npos) << err[0];
        EXPECT_TRUE(d.clean()) << c.name;
    }
}

TEST(EngineArguments, ARecipientLongerThanAnAddressHoldsIsRefused) {
    struct Case {
        const char* name;
        std::string recipients;
        int code;
        size_t sends;
    } cases[] = {
        {"20 digits", "+79161234567890123456", 0, 1},
        {"21 digits", "+791612345678901234567", 2, 0},
        {"the second of two", "+79161234567 1234567890123456789012345", 2, 1},
    };
    for (const auto& c : cases) {
        EngineDir d({{"СМС", "at+cmgf=0|!sms"}});
        ScriptedPhone phone;
        phone.answer = [](const std::string& cmd) {
            return cmd.rfind("AT+CMGS=", 0) == 0 ? std::string("\r\n> ") : okAnswer(cmd);
        };
        EXPECT_EQ(run(d, "СМС", phone, c.recipients, "Hi"), c.code) << c.name;
        size_t sends =
            std::count_if(phone.received.begin(), phone.received.end(),
                          [](const std::string& l) { return l.rfind("AT+CMGS=", 0) == 0; });
        EXPECT_EQ(sends, c.sends) << c.name;
        EXPECT_EQ(d.has("CellTalk.err"), c.code != 0) << c.name;
    }
}

TEST(EngineArguments, NumbersThatAreNotFiniteOrOutOfRangeAreRefused) {
    struct Case {
        const char* name;
        std::string common, operation;
        int code;
    } cases[] = {
        {"Timeout=inf", "Timeout=inf\r\n", "at", 2},
        {"Timeout=nan", "Timeout=nan\r\n", "at", 2},
        {"Timeout=1e300", "Timeout=1e300\r\n", "at", 2},
        {"Timeout=0", "Timeout=0\r\n", "at", 2},
        {"Timeout=-1", "Timeout=-1\r\n", "at", 2},
        {"Timeout=abc", "Timeout=abc\r\n", "at", 2},
        {"Baud=1e300", "Baud=1e300\r\n", "at", 2},
        {"CommandLimit=inf", "CommandLimit=inf\r\n", "at", 2},
        {"!dly inf", "Timeout=0.3\r\n", "at|!dly inf", 2},
        {"!dly nan", "Timeout=0.3\r\n", "at|!dly nan", 2},
        {"!dly 1e300", "Timeout=0.3\r\n", "at|!dly 1e300", 2},
        {"!dly -inf", "Timeout=0.3\r\n", "at|!dly -inf", 2},
        {"sensible values", "Timeout=0.3\r\nCommandLimit=5\r\n", "at|!dly 0.01", 0},
    };
    for (const auto& c : cases) {
        EngineDir d({{"A", c.operation}}, "ComPort=SIM\r\n" + c.common);
        ScriptedPhone phone;
        phone.answer = okAnswer;
        EXPECT_EQ(run(d, "A", phone), c.code) << c.name;
        EXPECT_EQ(phone.received.empty(), c.code != 0) << c.name;
        EXPECT_EQ(d.has("CellTalk.err"), c.code != 0) << c.name;
        EXPECT_TRUE(d.clean()) << c.name;
    }
    // The pause in the operations ini is checked as well.
    EngineDir d({{"A", "at|!dly"}});
    td::files::writeAll(
        d.path("celltalk.ini"),
        "[Common]\r\nComPort=SIM\r\n[AutoRun]\r\nWait=inf\r\n[Operations]\r\nA=at\r\n");
    ScriptedPhone phone;
    phone.answer = okAnswer;
    EXPECT_EQ(run(d, "A", phone), 2);
}

// ---------------------------------------------------------------- the port

TEST(EnginePort, OnlyAnExplicitSimSelectsTheSimulatedPhone) {
    struct Case {
        const char* name;
        std::string common;
        int code;
    } cases[] = {
        {"no ComPort", "Timeout=0.3\r\n", 2},
        {"empty ComPort", "ComPort=\r\nTimeout=0.3\r\n", 2},
        {"blank ComPort", "ComPort=   \r\nTimeout=0.3\r\n", 2},
        {"SIM", "ComPort=SIM\r\nTimeout=0.3\r\n", 0},
        {"sim in small letters", "ComPort=sim\r\nTimeout=0.3\r\n", 0},
    };
    for (const auto& c : cases) {
        EngineDir d({{"Книга", "at+cpbr=1,3"}}, c.common);
        RunRequest req{d.dir, W("Книга"), {}};
        EXPECT_EQ(runOperation(req), c.code) << c.name;  // the engine's own transport
        EXPECT_EQ(d.has("phonesim.state"), c.code == 0) << c.name;
        EXPECT_EQ(d.has("AutoRun/LastRun.pbf"), c.code == 0) << c.name;
        if (c.code == 0) continue;
        auto err = d.lines("CellTalk.err");
        ASSERT_EQ(err.size(), 1u) << c.name;
        EXPECT_NE(err[0].find("ComPort="), std::string::npos) << err[0];
        EXPECT_NE(err[0].find("celltalk.ini"), std::string::npos) << err[0];
        EXPECT_TRUE(d.clean()) << c.name;
    }
}

TEST(EnginePort, TheMissingPortMessageNamesTheDevicesFound) {
    struct Case {
        const char* name;
        std::vector<ports::Candidate> found;
        std::vector<std::string> named;
    } cases[] = {
        {"none", {}, {"не найдено"}},
        {"two",
         {{"/dev/serial/by-id/usb-Moto_Phone-if00", "/dev/ttyACM0"},
          {"/dev/ttyUSB1", "/dev/ttyUSB1"}},
         {"/dev/serial/by-id/usb-Moto_Phone-if00", "/dev/ttyUSB1"}},
    };
    for (const auto& c : cases) {
        std::string text = td::cp1251ToUtf8(missingPortMessage(c.found));
        EXPECT_EQ(text.find('\n'), std::string::npos) << c.name;
        EXPECT_NE(text.find("ComPort=SIM"), std::string::npos) << c.name;
        for (const auto& n : c.named) EXPECT_NE(text.find(n), std::string::npos) << text;
    }
}

namespace {
// A pseudo-terminal whose slave stands in for a phone's serial device.
struct Pty {
    int master = -1;
    std::string slave;
    Pty() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0)
            slave = ::ptsname(master);
    }
    ~Pty() {
        if (master >= 0) ::close(master);
    }
    // The tty's exclusive flag, seen through a descriptor of its own.
    int exclusive() const {
        int fd = ::open(slave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        int v = -1;
        if (fd >= 0) ::ioctl(fd, TIOCGEXCL, &v);
        if (fd >= 0) ::close(fd);
        return v;
    }
};
}  // namespace

TEST(EnginePort, TheDeviceIsHeldExclusivelyWhileTheEngineHasIt) {
    Pty pty;
    ASSERT_FALSE(pty.slave.empty());
    EXPECT_EQ(pty.exclusive(), 0);
    {
        SerialTransport t(pty.slave, 115200);
        EXPECT_EQ(pty.exclusive(), 1);
        // The lock is taken as well: a careful program sees the port busy.
        int fd = ::open(pty.slave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (::geteuid() == 0) {  // TIOCEXCL does not stop root
            ASSERT_GE(fd, 0);
            EXPECT_NE(::flock(fd, LOCK_EX | LOCK_NB), 0);
            ::close(fd);
        } else {
            EXPECT_LT(fd, 0);
        }
    }
    EXPECT_EQ(pty.exclusive(), 0);  // given back for the next run
}

TEST(EnginePort, APortAnotherProgramHoldsIsRefusedWithAClearMessage) {
    Pty pty;
    ASSERT_FALSE(pty.slave.empty());
    int other = ::open(pty.slave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    EngineDir d({{"A", "at"}}, "ComPort=" + pty.slave + "\r\nTimeout=0.3\r\n");
    RunRequest req{d.dir, "A", {}};
    EXPECT_EQ(runOperation(req), 1);
    auto err = d.lines("CellTalk.err");
    ASSERT_EQ(err.size(), 1u);
    EXPECT_NE(err[0].find("занят другой программой"), std::string::npos) << err[0];
    EXPECT_NE(err[0].find(pty.slave), std::string::npos) << err[0];
    ::close(other);
    EXPECT_TRUE(d.clean());
}

// ---------------------------------------------------------------- full disk

namespace {
// Runs the operation in a child process whose files may grow to `limit`
// bytes at most (a disk that fills up); returns its exit code.
int runWithFileLimit(const EngineDir& d, const std::string& op,
                     std::function<std::string(const std::string&)> answer, rlim_t limit) {
    pid_t pid = ::fork();
    if (pid == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit r{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &r);
        ScriptedPhone phone;
        phone.answer = std::move(answer);
        ::_exit(run(d, op, phone));
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string phoneBook(int entries) {
    std::string a = "\r\n";
    for (int k = 1; k <= entries; ++k)
        a += "+CPBR: " + std::to_string(k) + ",\"+7916123456" + std::to_string(k % 10) +
             "\",145,\"Name number " + std::to_string(k) + "\"\r\n";
    return a + "\r\nOK\r\n";
}
}  // namespace

TEST(EngineFiles, AFullDiskLeavesNoResultNoWorkFileAndAnErrorFile) {
    struct Case {
        const char* name;
        std::string operation;
        int entries;  // of the phone book answer
    } cases[] = {
        // The result file itself does not fit.
        {"result too big", "at+cpbr=1,250", 250},
        // The result fits, the log (the same lines and many more) does not:
        // the result was put in place before the log failed.
        {"log too big", "at+cpbr=1,3|at+cgsn|at+cgsn|at+cgsn|at+cgsn|at+cgsn|at+cgsn", 3},
    };
    for (const auto& c : cases) {
        EngineDir d({{"Книга", c.operation}});
        const int entries = c.entries;
        auto answer = [entries](const std::string& cmd) {
            if (cmd.rfind("at+cpbr", 0) == 0) return phoneBook(entries);
            if (cmd == "at+cgsn") return "\r\n" + std::string(900, '7') + "\r\n\r\nOK\r\n";
            return okAnswer(cmd);
        };
        EXPECT_EQ(runWithFileLimit(d, "Книга", answer, 2048), 1) << c.name;
        EXPECT_FALSE(d.has("AutoRun/LastRun.pbf")) << c.name;
        EXPECT_TRUE(d.clean()) << c.name;  // no "$" file, no marker
        auto err = d.lines("CellTalk.err");
        ASSERT_EQ(err.size(), 1u) << c.name;
        EXPECT_NE(err[0].find("LastRun"), std::string::npos) << err[0];
    }
}

TEST(EngineFiles, AResultAlreadyInPlaceGoesWhenTheLogCannotBeWritten) {
    // The result files are renamed before the log; when the log's rename
    // fails (here a folder stands in its way) the run has failed, and the
    // result it had already put in place goes too.
    EngineDir d({{"Книга", "at+cpbr=1,3"}});
    td::files::makeDir(d.path("AutoRun"));
    td::files::makeDir(d.path("AutoRun/LastRun.log"));
    ScriptedPhone phone;
    phone.answer = [](const std::string& cmd) {
        return cmd.rfind("at+cpbr", 0) == 0 ? phoneBook(3) : okAnswer(cmd);
    };
    EXPECT_EQ(run(d, "Книга", phone), 1);
    EXPECT_FALSE(d.has("AutoRun/LastRun.pbf"));
    EXPECT_TRUE(d.clean());
    auto err = d.lines("CellTalk.err");
    ASSERT_EQ(err.size(), 1u);
    EXPECT_NE(err[0].find("LastRun.log"), std::string::npos) << err[0];
}

TEST(EngineFiles, ResultFilesAreInPlaceBeforeTheLogAppears) {
    // A window measures a result file only while the log exists: the log
    // must be the last file renamed into place.
    EngineDir d({{"Всё", "at+cpbr=1,3|at+cmgl=\"ALL\"|at+mdbr=1,2"}});
    td::files::makeDir(d.path("AutoRun"));
    int in = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(in, 0);
    ASSERT_GE(::inotify_add_watch(in, d.path("AutoRun").c_str(), IN_MOVED_TO), 0);
    ScriptedPhone phone;
    phone.answer = okAnswer;
    ASSERT_EQ(run(d, "Всё", phone), 0);
    std::vector<std::string> order;
    alignas(inotify_event) char buf[8192];
    ssize_t n = ::read(in, buf, sizeof buf);
    for (char* p = buf; n > 0 && p < buf + n;) {
        auto* e = reinterpret_cast<inotify_event*>(p);
        if (e->len) order.push_back(e->name);
        p += sizeof(inotify_event) + e->len;
    }
    ::close(in);
    ASSERT_EQ(order.size(), 4u);
    EXPECT_EQ(order.back(), "LastRun.log");
    for (const char* result : {"LastRun.pbf", "LastRun.sms", "LastRun.mdb"})
        EXPECT_TRUE(contains(order, result)) << result;
}

// ---------------------------------------------------------------- character set

namespace {
// A phone with a character set that lasts between runs, as a real one keeps
// it until it is reset.
struct CharsetPhone {
    std::string charset;
    std::string answer(const std::string& cmd) {
        std::string up = td::upperAscii(cmd);
        if (up == "AT+CSCS?") return "\r\n+CSCS: \"" + charset + "\"\r\n\r\nOK\r\n";
        if (up.rfind("AT+CSCS=", 0) == 0) {
            charset = up.substr(9, up.size() - 10);
            return "\r\nOK\r\n";
        }
        if (up == "ATZ") {
            charset = "IRA";
            return "\r\nOK\r\n";
        }
        if (up == "AT+CPBR=1,1") {
            return charset == "UCS2"
                       ? "\r\n+CPBR: 1,\"002B00370039003100360031003200330034003500360037\",145,"
                         "\"0410043D043D0430002D041C043004400438044F\"\r\n\r\nOK\r\n"
                       : "\r\n+CPBR: 1,\"+79161234567\",145,\"Anna\"\r\n\r\nOK\r\n";
        }
        return "\r\nOK\r\n";
    }
};
}  // namespace

TEST(EngineCharset, ThePhonesCharacterSetIsKnownAtEveryAnswer) {
    const std::string cyr = "+CPBR: 1,\"+79161234567\",145,\"Анна-Мария\"";
    const std::string lat = "+CPBR: 1,\"+79161234567\",145,\"Anna\"";
    struct Case {
        const char* name;
        std::string start;  // the phone's set before the run
        std::string operation;
        std::string pbLine;  // the answer line in the result file
        bool asks;           // the engine asks the phone's set
    } cases[] = {
        {"left in UCS2 by an earlier run", "UCS2", "at+cpbr=1,1", cyr, true},
        {"in IRA", "IRA", "at+cpbr=1,1", lat, true},
        {"set by the operation", "IRA", "at+cscs=\"UCS2\"|at+cpbr=1,1", cyr, false},
        {"set back by the operation", "UCS2", "at+cscs=\"IRA\"|at+cpbr=1,1", lat, false},
        {"reset by ATZ", "UCS2", "at+cscs=\"UCS2\"|atz|at+cpbr=1,1", lat, true},
    };
    for (const auto& c : cases) {
        EngineDir d({{"Книга", c.operation}});
        CharsetPhone state{c.start};
        ScriptedPhone phone;
        phone.answer = [&](const std::string& cmd) { return state.answer(cmd); };
        EXPECT_EQ(run(d, "Книга", phone), 0) << c.name;
        auto pb = d.lines("AutoRun/LastRun.pbf");
        EXPECT_TRUE(contains(pb, c.pbLine)) << c.name << ": " << d.text("AutoRun/LastRun.pbf");
        EXPECT_EQ(contains(phone.received, "AT+CSCS?"), c.asks) << c.name;
        // The engine's own question is not one of the operation's answers.
        for (const auto& l : d.lines("AutoRun/LastRun.log"))
            EXPECT_EQ(l.find("CSCS?"), std::string::npos) << c.name;
    }
}

TEST(EngineCharset, TextsAreWrittenInTheSetThePhoneIsIn) {
    EngineDir d({{"Запись", "at+cpbw=2,\"123\",129,\"Анна\""}});
    CharsetPhone state{"UCS2"};
    ScriptedPhone phone;
    phone.answer = [&](const std::string& cmd) { return state.answer(cmd); };
    EXPECT_EQ(run(d, "Запись", phone), 0);
    EXPECT_TRUE(contains(phone.received, "at+cpbw=2,\"123\",129,\"0410043D043D0430\""))
        << testing::PrintToString(phone.received);
}

TEST(EngineCharset, APhoneThatCannotSayItsSetIsReadAsBefore) {
    EngineDir d({{"Книга", "at+cpbr=1,1"}});
    ScriptedPhone phone;
    phone.answer = [](const std::string& cmd) -> std::string {
        if (cmd == "AT+CSCS?") return "\r\nERROR\r\n";
        return "\r\n+CPBR: 1,\"0041\",129,\"Bob\"\r\n\r\nOK\r\n";
    };
    EXPECT_EQ(run(d, "Книга", phone), 0);
    EXPECT_TRUE(contains(d.lines("AutoRun/LastRun.pbf"), "+CPBR: 1,\"0041\",129,\"Bob\""));
}
