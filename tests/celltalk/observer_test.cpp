// What a run reports to its observer, and when the engine shows a window.
#include <gtest/gtest.h>

#include <map>

#include "engine.h"
#include "showrun.h"
#include "support.h"

using namespace celltalk;
using celltalk::test::Borrowed;
using celltalk::test::EngineDir;
using celltalk::test::ScriptedPhone;
using td::W;

namespace {

// Writes every report as one line: "step 2/5 command at", "> at", "< OK",
// "~ RING", "end 1 reason"; notes whether the marker was still there at the end.
class Recorder : public RunObserver {
  public:
    explicit Recorder(const EngineDir& d) : d_(d) {}
    std::vector<std::string> lines;
    bool markerAtEnd = true;

    void started(const std::string& op) override { lines.push_back("start " + utf(op)); }
    void step(size_t i, size_t n, StepKind k, const std::string& t) override {
        static const char* kinds[] = {"command", "delay", "sms"};
        lines.push_back("step " + std::to_string(i) + "/" + std::to_string(n) + " " +
                        kinds[static_cast<int>(k)] + " " + utf(t));
    }
    void sent(const std::string& t) override { lines.push_back("> " + utf(t)); }
    void received(const std::string& l, bool urc) override {
        lines.push_back((urc ? "~ " : "< ") + utf(l));
    }
    void finished(int code, const std::string& reason) override {
        markerAtEnd = d_.has("celltalk.run");
        lines.push_back("end " + std::to_string(code) + (reason.empty() ? "" : " " + utf(reason)));
    }

  private:
    static std::string utf(const std::string& s) { return td::cp1251ToUtf8(s); }
    const EngineDir& d_;
};

std::string answer(const std::string& cmd) {
    if (cmd == "at+cgsn") return "at+cgsn\r\r\n351234567890123\r\n\r\nOK\r\n";  // with echo
    if (cmd == "at+bad") return "\r\nERROR\r\n";
    if (cmd == "at+ring") return "\r\nRING\r\n\r\nOK\r\n";  // a call comes in meanwhile
    if (cmd == "at+silent") return "";
    return "\r\nOK\r\n";
}

}  // namespace

TEST(RunObserver, ReportsStepsLinesAndOutcomeInOrder) {
    struct Case {
        const char* name;
        const char* operation;  // command text
        const char* batch;      // Batch.txt, when the text names it
        std::vector<std::string> expected;
    } cases[] = {
        {"commands, an echo left out, an error answer",
         "at+cgsn|at+bad",
         nullptr,
         {"start Оп", "step 1/2 command at+cgsn", "> at+cgsn", "< 351234567890123", "< OK",
          "step 2/2 command at+bad", "> at+bad", "< ERROR", "end 0"}},
        {"an unsolicited line is marked",
         "at+ring",
         nullptr,
         {"start Оп", "step 1/1 command at+ring", "> at+ring", "~ RING", "< OK", "end 0"}},
        {"batch lines and pauses count as steps",
         "at|!dly 0|!bat\"Batch.txt\"",
         "at+a|at+b\r\nat+c\r\n",
         {"start Оп", "step 1/5 command at", "> at", "< OK", "step 2/5 delay 0",
          "step 3/5 command at+a", "> at+a", "< OK", "step 4/5 command at+b", "> at+b", "< OK",
          "step 5/5 command at+c", "> at+c", "< OK", "end 0"}},
        {"a silent phone: the outcome carries the error file's reason",
         "at|at+silent",
         nullptr,
         {"start Оп", "step 1/2 command at", "> at", "< OK", "step 2/2 command at+silent",
          "> at+silent", "end 1 нет ответа телефона на команду at+silent (0.3 с)"}},
        {"an unknown batch file ends the run before any step",
         "at|!bat\"Missing.txt\"",
         nullptr,
         {"start Оп", "end 2 *"}},
    };
    for (const auto& c : cases) {
        EngineDir d({{"Оп", c.operation}});
        if (c.batch) d.write("Batch.txt", c.batch);
        ScriptedPhone phone;
        phone.answer = answer;
        Recorder rec(d);
        RunRequest req{d.dir, W("Оп"), {}};
        req.observer = &rec;
        int code = runOperation(
            req, [&phone](const Config&) { return std::make_unique<Borrowed>(phone); });
        std::vector<std::string> expected = c.expected;
        if (expected.back() == "end 2 *") {
            // The reason is the error file's line, whatever its wording.
            ASSERT_EQ(d.lines("CellTalk.err").size(), 1u) << c.name;
            expected.back() = "end 2 " + d.lines("CellTalk.err")[0];
        }
        EXPECT_EQ(rec.lines, expected) << c.name;
        EXPECT_FALSE(rec.markerAtEnd) << c.name << ": the marker goes before the end is told";
        EXPECT_EQ(code, std::stoi(rec.lines.back().substr(4, 1))) << c.name;
        if (code != 0) {
            EXPECT_EQ("end " + std::to_string(code) + " " + d.lines("CellTalk.err").at(0),
                      rec.lines.back())
                << c.name;
        }
        EXPECT_TRUE(d.clean()) << c.name;
    }
}

TEST(RunObserver, TheSettingsSayHowTheRunIsShown) {
    struct Case {
        const char* autoRun;  // lines of [AutoRun] and [Common] extra
        const char* common;
        const char* window;
        bool beep;
    } cases[] = {
        {"", "", "Min", false},  // a missing key shows nothing
        {"Window=Norm\r\n", "Beep=YES\r\n", "Norm", true},
        {"Window=max\r\n", "Beep=yes\r\n", "max", true},
        {"Window=Min\r\n", "Beep=NO\r\n", "Min", false},
        {"Window=\r\n", "Beep=\r\n", "", false},
    };
    for (const auto& c : cases) {
        EngineDir d({{"A", "at"}});
        d.write("celltalk.ini",
                std::string("[Common]\r\nModelIni=celltalk.ini\r\nComPort=SIM\r\n") + c.common +
                    "[AutoRun]\r\n" + c.autoRun + "[Operations]\r\nA=at\r\n");
        Config cfg = loadConfig(d.dir);
        EXPECT_EQ(cfg.window, c.window) << c.autoRun;
        EXPECT_EQ(cfg.beep, c.beep) << c.common;
    }
}

TEST(RunObserver, AWindowOnlyForNormOrMaxWithADisplay) {
    struct Case {
        const char* value;
        WindowMode mode;
    } modes[] = {{"Norm", WindowMode::Norm},  {" NORM ", WindowMode::Norm},
                 {"Max", WindowMode::Max},    {"max", WindowMode::Max},
                 {"Min", WindowMode::Min},    {"", WindowMode::Min},
                 {"Normal", WindowMode::Min}, {"Hidden", WindowMode::Min}};
    for (const auto& m : modes) EXPECT_EQ(windowMode(m.value), m.mode) << m.value;

    struct Env {
        std::map<std::string, std::string> vars;
        bool display;
    } envs[] = {{{}, false},
                {{{"DISPLAY", ":0"}}, true},
                {{{"WAYLAND_DISPLAY", "wayland-0"}}, true},
                {{{"QT_QPA_PLATFORM", "offscreen"}}, true},
                {{{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}}, false},
                {{{"HOME", "/root"}}, false}};
    for (const auto& e : envs) {
        bool display = displayPresent([&](const char* name) -> const char* {
            auto it = e.vars.find(name);
            return it == e.vars.end() ? nullptr : it->second.c_str();
        });
        EXPECT_EQ(display, e.display) << e.vars.size();
        EXPECT_FALSE(wantWindow(WindowMode::Min, display));
        EXPECT_EQ(wantWindow(WindowMode::Norm, display), e.display);
        EXPECT_EQ(wantWindow(WindowMode::Max, display), e.display);
    }
}

TEST(RunObserver, WindowModuleBesideTheEngineThenInstalled) {
    struct Case {
        std::string exeDir;
        std::vector<std::string> paths;
    } cases[] = {
        {"/usr/bin", {"/usr/bin/celltalk_window.so", "/usr/bin/../lib/tapdeck/celltalk_window.so"}},
        {"/work/build/bin",
         {"/work/build/bin/celltalk_window.so",
          "/work/build/bin/../lib/tapdeck/celltalk_window.so"}},
        {"", {}},  // the executable's place unknown: no guess in the current folder
    };
    for (const Case& c : cases) EXPECT_EQ(windowModulePaths(c.exeDir), c.paths) << c.exeDir;
}
