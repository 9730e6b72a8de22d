// The SMS windows' read cycle against a fake engine on virtual time, and
// the batch file the delete operation runs.

#include "sms/smscycle.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>

#include "engine/settings.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "sms/smsbatch.h"
#include "support/fakes.h"
#include "support/readview.h"

namespace {

using td::ReadOutcome;
using td::test::TestEnv;
using td::test::W;

using View = td::test::RecordingReadView;

// Two records and the final result: 84 bytes.
const std::string kList =
    "+CMGL=1,\"REC READ\",\"111\"}Hello\r\n+CMGL=2,\"STO SENT\",\"222\"}Bye\r\nOK\r\n";

struct Harness {
    TestEnv env;
    View view;
    std::vector<std::vector<std::string>> parsed;
    int saved = 0;
    td::ReadFlags flags;

    void at(long long ms, const std::string& name, const std::string& text) {
        env.pump.at(ms, [this, name, text] { env.writeFile(name, text, false); });
    }
    void gone(long long ms, const std::string& name) {
        env.pump.at(ms, [this, name] { td::files::remove(env.path(name)); });
    }
    ReadOutcome refresh(const std::string& kind = "Sent-", const std::string& arg = "") {
        td::ReadCycleHooks hooks;
        hooks.parse = [this](const std::vector<std::string>& l) { parsed.push_back(l); };
        hooks.onLastCopySaved = [this] { ++saved; };
        flags = {false, true};
        td::ReadCycle c(td::sms::smsCycleConfig("Read", arg, kind, td::sms::sentTexts(), flags),
                        view, hooks);
        return c.run();
    }
};

TEST(SmsCycle, WaitsOnTheResultFileWhileTheLogExists) {
    Harness h;
    h.at(100, "celltalk.run", "");
    h.at(3000, "AutoRun/LastRun.sms", kList);
    // The log appears late: until then the result file is not measured.
    h.at(11000, "AutoRun/LastRun.log", "log");
    h.gone(12000, "celltalk.run");
    EXPECT_EQ(h.refresh(), ReadOutcome::Parsed);
    // 2 s first delay, 5 x 0.6 s, then polls at 7, 9, 11 (log there: first
    // size), 13 (confirmed), 15 s (complete); no extra half interval once the
    // marker is gone.
    std::vector<int> expect = {2000, 600, 600, 600, 600, 600, 2000, 2000, 2000, 2000, 2000};
    EXPECT_EQ(h.env.pump.sleeps, expect);
    ASSERT_EQ(h.parsed.size(), 1u);
    EXPECT_EQ(h.parsed[0].size(), 3u);
    EXPECT_EQ(h.env.readFile("AutoRun/Sent-LastRun.sms"), kList);
    EXPECT_EQ(h.saved, 1);
    EXPECT_EQ(h.view.gridHint, W("Подождите - идёт чтение SMS из телефона"));
}

TEST(SmsCycle, StartsTheOperationWithItsArgumentAndClearsOldFiles) {
    Harness h;
    h.env.writeFile("AutoRun/LastRun.sms", kList);  // left by an earlier run
    h.env.writeFile("AutoRun/LastRun.log", "old log");
    h.env.writeFile("CellTalk.err", "old");
    h.env.starter.onStart = [&](const td::test::StartRecord&) {
        EXPECT_FALSE(h.env.exists("AutoRun/LastRun.sms"));
        EXPECT_FALSE(h.env.exists("AutoRun/LastRun.log"));
        EXPECT_FALSE(h.env.exists("CellTalk.err"));
    };
    // The engine does not run at all: the old list must not come back.
    EXPECT_EQ(h.refresh("All-", "7"), ReadOutcome::NotCreated);
    ASSERT_EQ(h.env.starter.params().size(), 1u);
    EXPECT_EQ(h.env.starter.params()[0], "oper \"Read\" \"7\"");
    EXPECT_TRUE(h.parsed.empty());
    EXPECT_FALSE(h.env.exists("AutoRun/All-LastRun.sms"));
    EXPECT_EQ(h.view.status,
              W("- Файл с записями SMS \"LastRun.sms\" не создан программой CellTalk"));
}

TEST(SmsCycle, LineCountsAndTheLastCopy) {
    struct {
        const char* why;
        std::string result;
        ReadOutcome outcome;
        bool parsed, copied;
    } cases[] = {
        {"two lines are parsed", "+CMGL=1,\"REC READ\",\"111\"}Hello long enough\r\nOK\r\n",
         ReadOutcome::Parsed, true, true},
        {"one line is kept but not parsed", "+CME ERROR: 321 and then some padding\r\n",
         ReadOutcome::TooFewLines, false, true},
    };
    for (const auto& c : cases) {
        Harness h;
        h.env.writeFile("AutoRun/UnRead-LastRun.sms", "old copy\r\n");
        h.at(100, "celltalk.run", "");
        h.at(2500, "AutoRun/LastRun.log", "log");
        h.at(2500, "AutoRun/LastRun.sms", c.result);
        h.gone(2600, "celltalk.run");
        EXPECT_EQ(h.refresh("UnRead-"), c.outcome) << c.why;
        EXPECT_EQ(!h.parsed.empty(), c.parsed) << c.why;
        EXPECT_EQ(h.env.readFile("AutoRun/UnRead-LastRun.sms") == c.result, c.copied) << c.why;
    }
}

TEST(SmsCycle, ShowsTheLastCopyWithoutThePhone) {
    Harness h;
    td::ReadCycleHooks hooks;
    std::vector<std::string> shown;
    hooks.loadLastCopy = [&](const std::vector<std::string>& l) { shown = l; };
    td::ReadCycle none(td::sms::smsCycleConfig("Read", "", "All-", td::sms::allTexts(), h.flags),
                       h.view, hooks);
    EXPECT_EQ(none.run(), ReadOutcome::NoLastCopy);
    EXPECT_EQ(h.view.status, W("- Нет файла с последней копией SMS - нажмите \"Обновить\""));

    h.env.writeFile("AutoRun/All-LastRun.sms", kList, false);
    td::ReadCycle c(td::sms::smsCycleConfig("Read", "", "All-", td::sms::allTexts(), h.flags),
                    h.view, hooks);
    EXPECT_EQ(c.run(), ReadOutcome::LastCopyShown);
    EXPECT_EQ(shown.size(), 3u);
    EXPECT_EQ(h.view.status.rfind(W("Последняя копия SMS от "), 0), 0u) << h.view.status;
    EXPECT_TRUE(h.env.starter.starts.empty());
}

TEST(SmsCycle, RefreshButtonTextsOfEachWindow) {
    struct {
        td::sms::SmsTexts texts;
        const char* question;
        const char* hint;
    } cases[] = {
        {td::sms::sentTexts(), "Вы действительно хотите прочитать отправленные ранее SMS",
         "Прочесть SMS из телефона"},
        {td::sms::unreadTexts(), "Вы действительно хотите прочитать не прочтённые SMS",
         "Прочесть не прочтённые SMS из телефона"},
        {td::sms::allTexts(), "Вы действительно хотите прочитать ВСЕ SMS",
         "Прочесть ВСЕ SMS из телефона"},
    };
    for (const auto& c : cases) {
        Harness h;
        h.env.dialogs.answers = {true};
        td::ReadCycle cycle(td::sms::smsCycleConfig("Read", "", "Sent-", c.texts, h.flags), h.view);
        std::string busyHint;
        h.env.pump.at(1000, [&] { busyHint = h.view.hint; });
        cycle.refreshClick();
        ASSERT_EQ(h.env.dialogs.questions.size(), 1u);
        EXPECT_EQ(h.env.dialogs.questions[0].rfind(W(c.question), 0), 0u);
        EXPECT_NE(h.env.dialogs.questions[0].find(W("\rЭто займёт примерно полминуты")),
                  std::string::npos);
        EXPECT_EQ(busyHint,
                  W("Нажмите ОДИН РАЗ для того, чтобы прервать чтение (подождите  1-2 сек.)"));
        EXPECT_EQ(h.view.hint, W(c.hint));
        EXPECT_EQ(h.view.caption, W("Обновить"));
        EXPECT_FALSE(h.flags.update);
    }
}

// ---- batch files ------------------------------------------------------

struct BatchHarness {
    TestEnv env;
    void ops(const std::vector<std::pair<std::string, std::string>>& operations) {
        td::IniFile ini(env.path("ops.ini"));
        for (const auto& [k, v] : operations) ini.writeString("Operations", W(k), W(v));
    }
};

TEST(SmsBatch, FileNameFromTheCommandText) {
    struct {
        const char* command;
        const char* name;
    } cases[] = {
        {"at+cmgd=\xB9|!bat\"DelSMS.txt\"", "DELSMS.TXT"},
        {"at+cmgd=\xB9|!BAT\"x.bat\"", "X.BAT"},
        {"!Bat  \"spaced.txt\" tail", "SPACED.TXT"},
        {"!bat\"unclosed.txt", "UNCLOSED.TXT"},
        {"!bat\"\"", ""},
        {"at+cmgd=1", ""},
        {"!bat[", ""},
        {"!bat\"../up.txt\"", ""},
        {"!bat\"dir\\x.txt\"", ""},
        {"\"first.txt\"|!bat\"second.txt\"", "SECOND.TXT"},
    };
    for (const auto& c : cases) EXPECT_EQ(td::sms::batchFileName(c.command), c.name) << c.command;
    // Cyrillic letters keep their case.
    EXPECT_EQ(td::sms::batchFileName(W("!bat\"Удал.txt\"")), W("Удал.TXT"));
}

TEST(SmsBatch, WritesOneLineUnderTheUpperCasedName) {
    BatchHarness h;
    h.ops({{"Удалить", "at+cmgd=№|!bat\"DelSMS.txt\""}, {"Все", "at+cmgf=1|at+cmgl=\"ALL\""}});
    ASSERT_TRUE(td::sms::PutOperToOperBat("ops.ini", W("Удалить"), W("Все"), "at+cmgd=3|"));
    EXPECT_EQ(h.env.readFile("DELSMS.TXT"), "at+cmgd=3|at+cmgf=1|at+cmgl=\"ALL\"\r\n");
    // A second write replaces the line.
    ASSERT_TRUE(td::sms::PutOperToOperBat("ops.ini", W("Удалить"), W("Все"), ""));
    EXPECT_EQ(h.env.readFile("DELSMS.TXT"), "at+cmgf=1|at+cmgl=\"ALL\"\r\n");
    EXPECT_TRUE(h.env.dialogs.messages.empty());
}

TEST(SmsBatch, AnOlderFileInAnotherCaseGetsTheSameLine) {
    // The engine opens the name as its operation spells it when that file
    // exists: it must not find the list command of an earlier delete there.
    BatchHarness h;
    h.ops({{"Del", "at+cmgd=№|!bat\"DelSMS.txt\""}, {"Sent", "at+cmgl=\"STO SENT\""}});
    h.env.writeFile("DelSMS.txt", "at+cmgl=\"ALL\"\r\n");
    ASSERT_TRUE(td::sms::PutOperToOperBat("ops.ini", "Del", "Sent", ""));
    EXPECT_EQ(h.env.readFile("DELSMS.TXT"), "at+cmgl=\"STO SENT\"\r\n");
    EXPECT_EQ(h.env.readFile("DelSMS.txt"), "at+cmgl=\"STO SENT\"\r\n");
}

TEST(SmsBatch, Failures) {
    struct {
        const char* why;
        std::vector<std::pair<std::string, std::string>> ops;
        const char* ini;
        const char* batchOp;
        const char* readOp;
        bool result;
        std::vector<std::string> messages;
        const char* file;  // the batch file's contents afterwards ("" none)
    } cases[] = {
        {"ini missing",
         {},
         "none.ini",
         "Del",
         "Read",
         false,
         {W("- Файл none.ini - не найден")},
         ""},
        {"function not bound",
         {{"Del", "x"}},
         "ops.ini",
         "",
         "Read",
         false,
         {W("- Пустая операция")},
         ""},
        {"operation missing",
         {{"Other", "x"}},
         "ops.ini",
         "Del",
         "Read",
         false,
         {W("- Операция \"Del\" неверна")},
         ""},
        {"operation a single blank",
         {{"Del", " "}},
         "ops.ini",
         "Del",
         "Read",
         false,
         {W("- Операция \"Del\" неверна")},
         ""},
        {"no batch macro", {{"Del", "at+cmgd=1"}}, "ops.ini", "Del", "Read", false, {}, ""},
        {"macro without a name",
         {{"Del", "at+cmgd=1|!bat[|x"}},
         "ops.ini",
         "Del",
         "Read",
         false,
         {},
         ""},
        {"read operation missing",
         {{"Del", "!bat\"b.txt\""}},
         "ops.ini",
         "Del",
         "Read",
         true,
         {W("- Операция \"Read\" неверна")},
         "pre|\r\n"},
    };
    for (const auto& c : cases) {
        BatchHarness h;
        h.ops(c.ops);
        EXPECT_EQ(td::sms::PutOperToOperBat(c.ini, c.batchOp, c.readOp, "pre|"), c.result) << c.why;
        EXPECT_EQ(h.env.dialogs.messages, c.messages) << c.why;
        EXPECT_EQ(h.env.exists("B.TXT") ? h.env.readFile("B.TXT") : "", c.file) << c.why;
    }
}

TEST(SmsBatch, FileThatCannotBeWrittenIsToldOnce) {
    // A folder in the file's place cannot be created (told as such, nothing more);
    // a read-only file is refused and told as not saved.
    struct Case {
        const char* why;
        bool folder;
    } cases[] = {{"folder in the way", true}, {"read-only file", false}};
    for (const auto& c : cases) {
        BatchHarness h;
        h.ops({{"Del", "!bat\"sub.txt\""}, {"Read", "at+cmgl"}});
        const std::string path = h.env.path("SUB.TXT");
        if (c.folder) {
            td::files::makeDir(path);
        } else {
            h.env.writeFile("SUB.TXT", "old\n");
            ::chmod(path.c_str(), 0444);
        }
        EXPECT_FALSE(td::sms::PutOperToOperBat("ops.ini", "Del", "Read", "")) << c.why;
        const std::string expected =
            c.folder ? W("- Ошибка создания файла=") + path : td::unsavedMessage({{path, EACCES}});
        EXPECT_EQ(h.env.dialogs.messages, std::vector<std::string>{expected}) << c.why;
    }
}

}  // namespace
