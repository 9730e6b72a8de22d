// The read cycle against a fake engine that creates its marker, log and
// result files at chosen moments of virtual time.

#include "engine/readcycle.h"

#include <gtest/gtest.h>

#include <optional>

#include "datebook/mdbcycle.h"
#include "engine/settings.h"
#include "phonebook/pbcycle.h"
#include "phonecheck/checkcycle.h"
#include "platform/files.h"
#include "sms/smscycle.h"
#include "sms/smslist.h"
#include "support/fakes.h"
#include "support/readview.h"

namespace {

using td::ReadOutcome;
using td::test::TestEnv;
using td::test::W;

using RecordingView = td::test::RecordingReadView;

// The files the engine leaves, scheduled on the virtual clock.
struct FakeEngine {
    TestEnv& env;
    void marker(long long from, long long until = -1) {
        env.pump.at(from, [this] { env.writeFile("celltalk.run", ""); });
        if (until >= 0) env.pump.at(until, [this] { td::files::remove(env.path("celltalk.run")); });
    }
    void file(long long at, const std::string& name, const std::string& text) {
        env.pump.at(at, [this, name, text] { env.writeFile("AutoRun/" + name, text, false); });
    }
};

// Three answer lines, 61 bytes.
const std::string kAnswer = "+CPBR: 1,\"111\",129,\"A\"\r\n+CPBR: 2,\"222\",129,\"B\"\r\nOK\r\n";

struct Harness {
    TestEnv env;
    RecordingView view;
    td::ReadCycleConfig config;
    td::ReadCycleHooks hooks;
    std::vector<std::vector<std::string>> parsed;
    std::vector<std::vector<std::string>> loaded;
    int dataLoaded = 0;
    bool beep = false;
    FakeEngine engine{env};
    td::ReadFlags flags;
    std::vector<std::string> records;  // what the parser kept

    Harness() {
        config.operation = "Read book";
        config.abortFlag = &flags.abort;
        config.updateFlag = &flags.update;
        config.question = "read?";
        config.idleHint = "idle";
        config.watchedFile = td::autoRunPath("LastRun.log");
        config.workFile = td::autoRunPath("$LastRun.log");
        config.parseFile = td::autoRunPath("LastRun.pbf");
        config.parseFallback = config.watchedFile;
        config.deleteBeforeStart = {config.watchedFile, config.parseFile, "CellTalk.err"};
        config.lastCopyPath = td::autoRunPath("MC-LastPBook.txt");
        config.readingStatus = "reading";
        config.readingGridHint = "wait";
        config.notCreatedText = "not created";
        config.noLastCopyText = "no copy";
        config.lastCopyStatusPrefix = "copy of ";
        hooks.parse = [this](const std::vector<std::string>& lines) {
            parsed.push_back(lines);
            records.clear();
            for (const auto& l : lines)
                if (l.rfind("+CPBR", 0) == 0) records.push_back("rec:" + l);
        };
        hooks.parsedRecords = [this] { return records; };
        hooks.loadLastCopy = [this](const std::vector<std::string>& l) { loaded.push_back(l); };
        hooks.onDataLoaded = [this] { ++dataLoaded; };
        hooks.beepWanted = [this] { return beep; };
    }
    std::optional<td::ReadCycle> last;  // the cycle of the last update()
    td::ReadCycle make() { return td::ReadCycle(config, view, hooks); }
    ReadOutcome update() {
        flags.update = true;
        last.emplace(config, view, hooks);
        return last->run();
    }
    // Another read by the same (long-lived) cycle, as a window makes it.
    ReadOutcome again() {
        flags.update = true;
        return last->run();
    }
    std::vector<int> sleeps() const { return env.pump.sleeps; }
};

std::vector<int> seq(std::initializer_list<std::pair<int, int>> parts) {
    std::vector<int> out;
    for (auto [ms, n] : parts) out.insert(out.end(), n, ms);
    return out;
}

// ---- the wait ----------------------------------------------------------

struct WaitCase {
    const char* name;
    std::function<void(Harness&)> script;
    std::vector<int> sleeps;
    ReadOutcome outcome;
    bool completed;
};

void PrintTo(const WaitCase& c, std::ostream* os) {
    *os << c.name;
}

class WaitTimeline : public ::testing::TestWithParam<WaitCase> {};

TEST_P(WaitTimeline, SleepsAndOutcome) {
    Harness h;
    GetParam().script(h);
    EXPECT_EQ(h.update(), GetParam().outcome);
    EXPECT_EQ(h.sleeps(), GetParam().sleeps);
}

INSTANTIATE_TEST_SUITE_P(
    ReadCycle, WaitTimeline,
    ::testing::Values(
        // Marker at 2.5 s: fast pair; the log stands still from 5 s, so the
        // polls at 7.5, 9.5 and 11.5 s see one size and the third ends the wait.
        WaitCase{"FastPairThirdEqualSize",
                 [](Harness& h) {
                     h.engine.marker(100);
                     h.engine.file(5000, "LastRun.log", kAnswer);
                     h.engine.file(5000, "LastRun.pbf", kAnswer);
                 },
                 seq({{2500, 1}, {600, 5}, {2000, 3}}), ReadOutcome::Parsed, true},
        // No marker: slow pair, and every poll that finds the log adds half
        // an interval.
        WaitCase{"SlowPairWithHalfIntervals",
                 [](Harness& h) {
                     h.engine.file(3000, "LastRun.log", kAnswer);
                     h.engine.file(3000, "LastRun.pbf", kAnswer);
                 },
                 {2500, 1500, 1500, 1500, 1500, 1500, 5000, 2500, 5000, 2500, 5000, 2500},
                 ReadOutcome::Parsed,
                 true},
        // The file grows once: the count starts again at the new size.
        WaitCase{"GrowingFileRestartsCount",
                 [](Harness& h) {
                     h.engine.marker(100);
                     h.engine.file(5000, "LastRun.log", kAnswer.substr(0, 40));
                     h.engine.file(9000, "LastRun.log", kAnswer);
                 },
                 seq({{2500, 1}, {600, 5}, {2000, 4}}), ReadOutcome::Parsed, true},
        // 29 bytes never count as complete: all 26 polls, then it is parsed.
        WaitCase{"TwentyNineBytesRunsFullLength",
                 [](Harness& h) {
                     h.engine.marker(100);
                     h.engine.file(4000, "LastRun.log", "+CPBR: 1,\"1\",129,\"A\"\r\nOK\r\nX\r\n");
                 },
                 seq({{2500, 1}, {600, 5}, {2000, 26}}), ReadOutcome::Parsed, false},
        // Nothing ever appears: slow pair, 11 polls, not created.
        WaitCase{"NoEngineSlowPairNotCreated", [](Harness&) {},
                 seq({{2500, 1}, {1500, 5}, {5000, 11}}), ReadOutcome::NotCreated, false},
        // The engine's work file is still there at the end: no "not created",
        // but the file to parse is missing.
        WaitCase{"WorkFileLeftFileMissing",
                 [](Harness& h) { h.engine.file(1000, "$LastRun.log", "x"); },
                 seq({{2500, 1}, {1500, 5}, {5000, 11}}), ReadOutcome::NotFound, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadCycle, TwentyNineByteFileIsParsedAtTheEnd) {
    Harness h;
    std::string log = "+CPBR: 1,\"1\",129,\"A\"\r\nOK\r\nX\r\n";
    ASSERT_EQ(log.size(), 29u);
    h.engine.marker(100);
    h.engine.file(4000, "LastRun.log", log);
    auto c = h.make();
    h.flags.update = true;
    EXPECT_EQ(c.run(), ReadOutcome::Parsed);
    EXPECT_FALSE(c.waitCompleted());
    ASSERT_EQ(h.parsed.size(), 1u);
    EXPECT_EQ(h.parsed[0].size(), 3u);
    EXPECT_EQ(h.env.pump.now, 2500 + 5 * 600 + 26 * 2000);
}

TEST(ReadCycle, PollIntervalAndCountStayForTheNextCycle) {
    {
        Harness h;
        h.update();  // no engine: slow pair
        EXPECT_EQ(td::ReadCycle::lastPoll().interval, 5000);
        EXPECT_EQ(td::ReadCycle::lastPoll().count, 10);
        // The next read's abort hint tells of the interval chosen last.
        EXPECT_NE(td::ReadCycle::busyHintFor(td::ReadCycle::lastPoll().interval).find("5"),
                  std::string::npos);
    }
    Harness h;
    h.engine.marker(0);
    h.engine.file(3000, "LastRun.log", kAnswer);
    h.update();
    EXPECT_EQ(td::ReadCycle::lastPoll().interval, 2000);
    EXPECT_EQ(td::ReadCycle::lastPoll().count, 25);
}

TEST(ReadCycle, UnreadableSizeMeansNoSizeYet) {
    Harness h;
    h.engine.marker(100);
    h.engine.file(3000, "LastRun.log", kAnswer);
    // 40, locked, 40, 40, 40: the failed poll breaks the run of equal sizes.
    std::vector<std::optional<long long>> sizes = {40, std::nullopt, 40, 40, 40, 40};
    size_t i = 0;
    h.config.sizeOf = [&](const std::string&) { return sizes.at(i++); };
    EXPECT_EQ(h.update(), ReadOutcome::Parsed);
    EXPECT_EQ(i, 5u);
    EXPECT_EQ(h.sleeps(), seq({{2500, 1}, {600, 5}, {2000, 5}}));
}

TEST(ReadCycle, StartDeletesOldFilesAndStartsTheEngine) {
    Harness h;
    h.env.writeFile("AutoRun/LastRun.log", "old log old log old log old log old log");
    h.env.writeFile("AutoRun/LastRun.pbf", "old");
    h.env.writeFile("CellTalk.err", "err");
    h.config.args = {"x y"};
    h.update();
    EXPECT_FALSE(h.env.exists("AutoRun/LastRun.log"));
    EXPECT_FALSE(h.env.exists("AutoRun/LastRun.pbf"));
    EXPECT_FALSE(h.env.exists("CellTalk.err"));
    ASSERT_EQ(h.env.starter.starts.size(), 1u);
    EXPECT_EQ(h.env.starter.starts[0].file, "celltalk.exe");
    EXPECT_EQ(h.env.starter.params()[0], "oper \"Read book\" \"x y\"");
}

// ---- what a finished wait leaves --------------------------------------------

TEST(ReadCycle, ResultFileMissingParsesTheLog) {
    Harness h;
    h.engine.marker(100);
    h.engine.file(3000, "LastRun.log", kAnswer);
    EXPECT_EQ(h.update(), ReadOutcome::Parsed);
    ASSERT_EQ(h.parsed.size(), 1u);
    EXPECT_EQ(h.parsed[0], (std::vector<std::string>{"+CPBR: 1,\"111\",129,\"A\"",
                                                     "+CPBR: 2,\"222\",129,\"B\"", "OK"}));
    EXPECT_EQ(h.env.readFile("AutoRun/MC-LastPBook.txt"),
              "rec:+CPBR: 1,\"111\",129,\"A\"\r\nrec:+CPBR: 2,\"222\",129,\"B\"\r\n");
    EXPECT_EQ(h.view.status, "reading");
    EXPECT_TRUE(h.view.enabled);
    EXPECT_EQ(h.dataLoaded, 1);
    EXPECT_FALSE(h.env.feedback.hourglass);
}

TEST(ReadCycle, ResultFileIsPreferredToTheLog) {
    Harness h;
    h.engine.marker(100);
    h.engine.file(3000, "LastRun.log", "log line one\r\nlog line two\r\nlog line three\r\n");
    h.engine.file(3000, "LastRun.pbf", kAnswer);
    h.update();
    ASSERT_EQ(h.parsed.size(), 1u);
    EXPECT_EQ(h.parsed[0][0], "+CPBR: 1,\"111\",129,\"A\"");
}

struct CopyCase {
    const char* name;
    std::string answer;  // the result file
    bool parserCalled;
    bool copyRewritten;
};

void PrintTo(const CopyCase& c, std::ostream* os) {
    *os << c.name;
}

class LastCopyKept : public ::testing::TestWithParam<CopyCase> {};

TEST_P(LastCopyKept, OnlyParsedRecordsReplaceIt) {
    Harness h;
    h.env.writeFile("AutoRun/MC-LastPBook.txt", "old=1\n");
    h.engine.marker(100);
    h.engine.file(3000, "LastRun.log", kAnswer);
    h.engine.file(3000, "LastRun.pbf", GetParam().answer);
    h.update();
    EXPECT_EQ(h.parsed.size(), GetParam().parserCalled ? 1u : 0u);
    EXPECT_EQ(h.env.readFile("AutoRun/MC-LastPBook.txt") == "old=1\r\n", !GetParam().copyRewritten);
}

INSTANTIATE_TEST_SUITE_P(
    ReadCycle, LastCopyKept,
    ::testing::Values(CopyCase{"TwoLines", "+CME ERROR: 21\r\nERROR\r\n", false, false},
                      CopyCase{"ThreeLinesNoRecord", "a\r\nb\r\nc\r\n", true, false},
                      CopyCase{"Records", kAnswer, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadCycle, NotCreatedLeavesCopyAndBeepsWhenAsked) {
    for (bool beep : {false, true}) {
        Harness h;
        h.beep = beep;
        h.env.writeFile("AutoRun/MC-LastPBook.txt", "old=1\n");
        EXPECT_EQ(h.update(), ReadOutcome::NotCreated);
        EXPECT_EQ(h.view.status, "not created");
        EXPECT_EQ(h.env.feedback.beeps, beep ? 1 : 0);
        EXPECT_EQ(h.env.readFile("AutoRun/MC-LastPBook.txt"), "old=1\r\n");
        EXPECT_TRUE(h.parsed.empty());
        EXPECT_EQ(h.dataLoaded, 0);
    }
}

TEST(ReadCycle, MissingFileNamesItsFullPath) {
    Harness h;
    h.engine.file(1000, "$LastRun.log", "x");
    EXPECT_EQ(h.update(), ReadOutcome::NotFound);
    ASSERT_EQ(h.env.dialogs.messages.size(), 1u);
    EXPECT_EQ(h.env.dialogs.messages[0],
              W("- Файл \"") + td::autoRunPath("LastRun.log") + W("\" - не найден"));
}

// ---- the refresh button -----------------------------------------------------

TEST(ReadCycle, RefreshLooksAndFlags) {
    Harness h;
    h.env.dialogs.answers = {true};
    bool sawBusyLook = false;
    h.engine.marker(100);
    h.engine.file(3000, "LastRun.log", kAnswer);
    h.env.pump.at(1000, [&] {
        sawBusyLook = h.view.caption == W("Прервать") && h.view.color == td::RedColor &&
                      h.flags.update && !h.flags.abort && h.env.feedback.hourglass &&
                      h.view.gridHint == "wait";
    });
    h.env.pump.at(3500, [&] { td::files::remove(h.env.path("celltalk.run")); });
    h.flags.abort = true;
    auto c = h.make();
    c.refreshClick();
    EXPECT_TRUE(sawBusyLook);
    EXPECT_EQ(h.env.pump.sleeps.front(), 200);
    EXPECT_EQ(h.view.caption, W("Обновить"));
    EXPECT_EQ(h.view.color, td::NavyColor);
    EXPECT_EQ(h.view.hint, "idle");
    EXPECT_FALSE(h.flags.update);
    EXPECT_EQ(c.outcome(), ReadOutcome::Parsed);
    EXPECT_EQ(h.env.dialogs.questions, std::vector<std::string>{"read?"});
}

TEST(ReadCycle, RefreshDeclinedOrBusyStartsNothing) {
    Harness h;
    h.env.dialogs.answers = {false};
    auto c = h.make();
    c.refreshClick();
    h.env.writeFile("celltalk.run", "");
    c.refreshClick();  // busy: message only, no question
    EXPECT_TRUE(h.env.starter.starts.empty());
    EXPECT_EQ(h.env.dialogs.questions.size(), 1u);
    ASSERT_EQ(h.env.dialogs.messages.size(), 1u);
    EXPECT_NE(h.env.dialogs.messages[0].find(W("дождитесь")), std::string::npos);
}

TEST(ReadCycle, AbortWhileEngineRunsOnlyShowsBusy) {
    Harness h;
    h.env.dialogs.answers = {true};
    h.engine.marker(100, 20000);
    h.engine.file(9000, "LastRun.log", kAnswer);
    auto c = h.make();
    h.env.pump.at(6000, [&] {
        auto nested = h.make();
        nested.refreshClick();
    });
    c.refreshClick();
    EXPECT_EQ(h.env.dialogs.messages.size(), 1u);  // the busy message
    EXPECT_EQ(c.outcome(), ReadOutcome::Parsed);
    EXPECT_EQ(h.parsed.size(), 1u);
}

struct AbortCase {
    const char* name;
    long long at;
    std::vector<int> sleeps;
};

void PrintTo(const AbortCase& c, std::ostream* os) {
    *os << c.name;
}

class AbortAfterMarker : public ::testing::TestWithParam<AbortCase> {};

TEST_P(AbortAfterMarker, EndsAtTheNextCheckAsNotCreated) {
    Harness h;
    h.env.dialogs.answers = {true};
    h.engine.marker(100, 3000);
    h.env.writeFile("AutoRun/MC-LastPBook.txt", "old=1\n");
    auto c = h.make();
    h.env.pump.at(GetParam().at, [&] {
        auto nested = h.make();
        nested.refreshClick();
    });
    c.refreshClick();
    EXPECT_TRUE(h.flags.abort);
    EXPECT_EQ(c.outcome(), ReadOutcome::NotCreated);
    EXPECT_EQ(h.view.status, "not created");
    EXPECT_EQ(h.sleeps(), GetParam().sleeps);
    EXPECT_EQ(h.env.readFile("AutoRun/MC-LastPBook.txt"), "old=1\r\n");
    EXPECT_TRUE(h.env.dialogs.messages.empty());
}

// The read starts at 200 ms; pre-wait slices end at 3300, 3900, ...; polls
// start at 5700.
INSTANTIATE_TEST_SUITE_P(ReadCycle, AbortAfterMarker,
                         ::testing::Values(AbortCase{"InPreWait", 3500, {200, 2500, 600, 600}},
                                           AbortCase{
                                               "InPollLoop", 6000,
                                               seq({{200, 1}, {2500, 1}, {600, 5}, {2000, 1}})}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReadCycle, LastCopyClickDuringReadShowsCopyThenEnds) {
    Harness h;
    h.env.dialogs.answers = {true};
    h.env.writeFile("AutoRun/MC-LastPBook.txt", "Ann=1\nBob=2\n");
    h.engine.marker(100, 3000);
    auto c = h.make();
    h.env.pump.at(4000, [&] {
        auto nested = h.make();
        nested.lastCopyClick();
    });
    c.refreshClick();
    ASSERT_EQ(h.loaded.size(), 1u);
    EXPECT_EQ(h.loaded[0], (std::vector<std::string>{"Ann=1", "Bob=2"}));
    EXPECT_EQ(c.outcome(), ReadOutcome::NotCreated);
}

TEST(ReadCycle, BusyHintRoundsSeconds) {
    EXPECT_EQ(td::ReadCycle::busyHintFor(2000),
              W("Нажмите ОДИН РАЗ для того, чтобы прервать чтение (подождите 2сек.)"));
    EXPECT_NE(td::ReadCycle::busyHintFor(5000).find("5"), std::string::npos);
    EXPECT_NE(td::ReadCycle::busyHintFor(2500).find(W(" 2сек")), std::string::npos);
    EXPECT_NE(td::ReadCycle::busyHintFor(3500).find(W(" 4сек")), std::string::npos);
}

// ---- last-copy mode ------------------------------------------------------------

TEST(ReadCycle, LastCopyModes) {
    struct Case {
        const char* name;
        std::optional<std::string> file;
        ReadOutcome outcome;
        std::string status;
        size_t loads;
    };
    const Case cases[] = {
        {"absent", std::nullopt, ReadOutcome::NoLastCopy, "no copy", 0},
        {"empty", std::string(), ReadOutcome::LastCopyEmpty, "-", 0},
        {"lines", std::string("A=1\n=2\n"), ReadOutcome::LastCopyShown, "copy of ", 1},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Harness h;
        if (k.file) h.env.writeFile("AutoRun/MC-LastPBook.txt", *k.file);
        h.env.feedback.hourglass = true;
        auto c = h.make();
        EXPECT_EQ(c.run(), k.outcome);
        EXPECT_EQ(h.view.status.substr(0, k.status.size()), k.status);
        EXPECT_EQ(h.loaded.size(), k.loads);
        EXPECT_TRUE(h.env.starter.starts.empty());
        if (k.outcome == ReadOutcome::LastCopyEmpty) {
            EXPECT_FALSE(h.env.feedback.hourglass);
        }
        if (k.loads) {
            EXPECT_EQ(h.loaded[0], (std::vector<std::string>{"A=1", "=2"}));
            auto t = td::files::modificationTime(h.env.path("AutoRun/MC-LastPBook.txt"));
            EXPECT_EQ(h.view.status, "copy of " + h.env.clock.dateTime(*t));
            EXPECT_EQ(h.dataLoaded, 1);
        }
    }
}

// ---- the engine's own report of a failed run --------------------------------

struct EngineFailCase {
    const char* name;
    const char* errorText;  // what CellTalk.err holds
    bool errorFileWatched;  // the variant deletes the error file before its start
    bool abortAt4s;
    ReadOutcome outcome;
    const char* status;  // UTF-8
};

void PrintTo(const EngineFailCase& c, std::ostream* os) {
    *os << c.name;
}

class EngineFailure : public ::testing::TestWithParam<EngineFailCase> {};

// The link is lost mid-list: the engine drops its result file, keeps a log of
// what it saw (raw UCS2 names among it) and says why in CellTalk.err.
TEST_P(EngineFailure, ErrorFileMakesTheReadFail) {
    const EngineFailCase& c = GetParam();
    Harness h;
    if (!c.errorFileWatched)
        h.config.deleteBeforeStart = {h.config.watchedFile, h.config.parseFile};
    h.env.writeFile("AutoRun/MC-LastPBook.txt", "rec:1\nrec:2\nrec:3\n");
    std::string copy = h.env.readFile("AutoRun/MC-LastPBook.txt");
    h.engine.marker(100, 4000);
    h.engine.file(3000, "LastRun.log",
                  "at+cpbr=1,7\n+CPBR: 1,\"111\",129,\"0410043D043D0430\"\n"
                  "+CPBR: 2,\"222\",129,\"0411043E0440044F\"\nlink lost\n");
    h.env.pump.at(3900, [&] { h.env.writeFile("CellTalk.err", c.errorText); });
    if (c.abortAt4s) h.env.pump.at(4000, [&h] { h.flags.abort = true; });
    EXPECT_EQ(h.update(), c.outcome);
    EXPECT_EQ(td::test::U(h.view.status), c.status);
    if (c.outcome != ReadOutcome::Parsed) {
        EXPECT_TRUE(h.parsed.empty());
        EXPECT_EQ(h.env.readFile("AutoRun/MC-LastPBook.txt"), copy);
        EXPECT_TRUE(h.last->resultLines().empty());
        EXPECT_EQ(h.dataLoaded, 0);
        EXPECT_TRUE(h.view.enabled);
        EXPECT_FALSE(h.env.feedback.hourglass);
    }
}

INSTANTIATE_TEST_SUITE_P(
    ReadCycle, EngineFailure,
    ::testing::Values(
        EngineFailCase{"ReasonShown", "нет ответа от телефона на at+cpbr=1,7\n", true, false,
                       ReadOutcome::EngineFailed,
                       "- CellTalk не выполнил операцию: нет ответа от телефона на at+cpbr=1,7"},
        EngineFailCase{"EmptyErrorFile", "", true, false, ReadOutcome::EngineFailed,
                       "- CellTalk не выполнил операцию"},
        EngineFailCase{"FirstNonEmptyLine", "\n  \nпорт занят\nвторая строка\n", true, false,
                       ReadOutcome::EngineFailed, "- CellTalk не выполнил операцию: порт занят"},
        // A port the user may not open: the reason and the way out.
        EngineFailCase{"PermissionWithTheFix",
                       "не удаётся открыть порт /dev/ttyACM0: Permission denied\n", true, false,
                       ReadOutcome::EngineFailed,
                       "- CellTalk не выполнил операцию: не удаётся открыть порт /dev/ttyACM0: "
                       "Permission denied. У Вас нет прав на этот порт. Добавьте себя в группу "
                       "устройства (обычно dialout): sudo usermod -aG dialout $USER, затем "
                       "выйдите из системы и войдите заново"},
        // An abort is the user's end of the read, whatever the engine says.
        EngineFailCase{"AbortWins", "обрыв связи\n", true, true, ReadOutcome::NotCreated,
                       "not created"},
        // A variant that does not clear the error file before its start
        // cannot tell this run's from an old one: it parses as before.
        EngineFailCase{"ErrorFileNotWatched", "обрыв связи\n", false, false, ReadOutcome::Parsed,
                       "reading"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- no earlier lines pass for this read's ------------------------------

TEST(ReadCycle, ResultLinesOfAnEarlierReadNeverBecomeThisOnesCopy) {
    Harness h;
    h.config.parseFallback.clear();
    h.config.lastCopySource = td::LastCopySource::ResultLines;
    h.engine.file(3000, "LastRun.log", kAnswer);
    h.engine.file(3000, "LastRun.pbf", kAnswer);
    ASSERT_EQ(h.update(), ReadOutcome::Parsed);
    ASSERT_EQ(h.last->resultLines().size(), 3u);

    // The next read: the engine writes its log but no result file.
    h.env.writeFile("AutoRun/MC-LastPBook.txt", "kept\n");
    long long t = h.env.pump.now;
    h.env.pump.at(t + 3000, [&] { h.env.writeFile("AutoRun/LastRun.log", kAnswer, false); });
    EXPECT_EQ(h.again(), ReadOutcome::NotFound);
    EXPECT_TRUE(h.last->resultLines().empty());
    EXPECT_EQ(h.env.readFile("AutoRun/MC-LastPBook.txt"), "kept\r\n");

    // And a read the engine reports as failed shows none of them either.
    long long t2 = h.env.pump.now;
    h.env.pump.at(t2 + 3000, [&] {
        h.env.writeFile("AutoRun/LastRun.log", kAnswer, false);
        h.env.writeFile("AutoRun/LastRun.pbf", kAnswer, false);
    });
    ASSERT_EQ(h.again(), ReadOutcome::Parsed);
    long long t3 = h.env.pump.now;
    h.env.pump.at(t3 + 3000, [&] {
        h.env.writeFile("AutoRun/LastRun.log", kAnswer, false);
        h.env.writeFile("CellTalk.err", "gone\n");
    });
    EXPECT_EQ(h.again(), ReadOutcome::EngineFailed);
    EXPECT_TRUE(h.last->resultLines().empty());
}

// ---- the variant that watches a result file beside the log --------------

TEST(ReadCycle, ResultFileMeasuredOnlyWhileLogExists) {
    Harness h;
    h.config.firstDelayMs = 2000;
    h.config.watchedFile = td::autoRunPath("LastRun.sms");
    h.config.watchedAlsoNeeds = td::autoRunPath("LastRun.log");
    h.config.workFile = td::autoRunPath("$LastRun.sms");
    h.config.parseFile = h.config.watchedFile;
    h.config.parseFallback.clear();
    h.config.extraHalfInterval = false;
    h.config.minLines = 2;
    h.config.lastCopySource = td::LastCopySource::ResultLines;
    h.config.lastCopyPath = td::autoRunPath("Sent-LastRun.sms");
    int saved = 0;
    h.hooks.onLastCopySaved = [&] { ++saved; };
    h.engine.file(3000, "LastRun.sms", "+CMGL=1,\"REC\",\"+7916}hello\r\nOK\r\n");
    h.engine.file(20000, "LastRun.log", "log");  // the log appears late
    EXPECT_EQ(h.update(), ReadOutcome::Parsed);
    // Slow pair without half intervals; polls at 14.5, 19.5 see no log; the
    // three after 20 s end the wait.
    EXPECT_EQ(h.sleeps(), seq({{2000, 1}, {1500, 5}, {5000, 5}}));
    EXPECT_EQ(h.env.readFile("AutoRun/Sent-LastRun.sms"),
              "+CMGL=1,\"REC\",\"+7916}hello\r\nOK\r\n");
    EXPECT_EQ(saved, 1);
}

// ---- QuickRead: the read ends as soon as the engine is done ------------------

struct QuickCase {
    const char* name;
    std::function<void(Harness&)> script;
    ReadOutcome outcome;  // with QuickRead and without it alike
    long long quickMs;    // when the quick read ends
};

void PrintTo(const QuickCase& c, std::ostream* os) {
    *os << c.name;
}

class QuickRead : public ::testing::TestWithParam<QuickCase> {};

// Each outcome of the cycle is reached as before; with QuickRead it is
// reached at the first 100 ms poll after the engine is done, and otherwise
// (no sign of the end) at the moment the ordinary schedule reaches it.
TEST_P(QuickRead, SameOutcomeAtTheFirstPollAfterTheEngine) {
    const QuickCase& c = GetParam();
    ReadOutcome slow;
    long long slowMs;
    {
        Harness h;
        c.script(h);
        slow = h.update();
        slowMs = h.env.pump.now;
    }
    Harness h;
    c.script(h);
    td::prog().QuickRead = true;
    EXPECT_EQ(h.update(), c.outcome);
    EXPECT_EQ(slow, c.outcome);
    EXPECT_EQ(h.env.pump.now, c.quickMs < 0 ? slowMs : c.quickMs);
    for (int ms : h.sleeps()) EXPECT_LE(ms, td::QuickPollMs);
    EXPECT_FALSE(h.env.feedback.hourglass);
}

const std::string kTwoLines = "+CME ERROR: 21\r\nERROR\r\n";

INSTANTIATE_TEST_SUITE_P(
    ReadCycle, QuickRead,
    ::testing::Values(
        QuickCase{"Parsed",
                  [](Harness& h) {
                      h.engine.marker(40, 250);
                      h.engine.file(250, "LastRun.pbf", kAnswer);
                      h.engine.file(250, "LastRun.log", kAnswer);
                  },
                  ReadOutcome::Parsed, 300},
        // The answer stands in the log before the marker goes: not yet.
        QuickCase{"WaitsForTheMarker",
                  [](Harness& h) {
                      h.engine.marker(40, 1450);
                      h.engine.file(300, "LastRun.log", kAnswer);
                  },
                  ReadOutcome::Parsed, 1500},
        // A "$" work file left beside the log: the end is not certain, and the
        // ordinary schedule decides (slow pair, half intervals: 32.5 s).
        QuickCase{"WorkFileLeftKeepsTheSchedule",
                  [](Harness& h) {
                      h.engine.file(300, "LastRun.log", kAnswer);
                      h.engine.file(300, "$LastRun.log", "x");
                  },
                  ReadOutcome::Parsed, -1},
        QuickCase{"TooFewLines",
                  [](Harness& h) {
                      h.engine.marker(40, 400);
                      h.engine.file(400, "LastRun.pbf", kTwoLines);
                      h.engine.file(400, "LastRun.log", kTwoLines);
                  },
                  ReadOutcome::TooFewLines, 400},
        QuickCase{"NotFound",
                  [](Harness& h) {
                      h.config.parseFallback.clear();
                      h.engine.marker(40, 400);
                      h.engine.file(400, "LastRun.log", kAnswer);
                  },
                  ReadOutcome::NotFound, 400},
        QuickCase{"EngineFailed",
                  [](Harness& h) {
                      h.engine.marker(40, 700);
                      h.engine.file(600, "LastRun.log", "at+cpbr=1,7\r\nlink lost\r\n");
                      h.engine.file(650, "../CellTalk.err", "link lost\r\n");
                  },
                  ReadOutcome::EngineFailed, 700},
        // The error file alone, with no marker at all (a bad command line).
        QuickCase{"EngineFailedAtOnce",
                  [](Harness& h) { h.engine.file(50, "../CellTalk.err", "usage\r\n"); },
                  ReadOutcome::EngineFailed, 100},
        QuickCase{"AbortEndsAtTheNextPoll",
                  [](Harness& h) {
                      h.engine.marker(40, 300);
                      h.env.pump.at(1230, [&h] { h.flags.abort = true; });
                  },
                  ReadOutcome::NotCreated, 1300},
        // Nothing ever appears: the full ordinary wait, then not created.
        QuickCase{"NoEngineRunsFullLength", [](Harness&) {}, ReadOutcome::NotCreated,
                  2500 + 5 * 1500 + 11 * 5000},
        // The engine could not be started (the user has been told): nothing
        // is waited for, whatever files turn up.
        QuickCase{"LaunchFailedEndsAtOnce",
                  [](Harness& h) {
                      h.env.starter.result = 2;
                      h.engine.file(300, "LastRun.log", kAnswer);
                  },
                  ReadOutcome::NotCreated, 0},
        // An old answer that cannot be removed is not waited for either.
        QuickCase{"OldAnswerLeftEndsAtOnce",
                  [](Harness& h) { h.env.writeFile("AutoRun/LastRun.pbf/in-the-way", "x"); },
                  ReadOutcome::NotCreated, 0},
        // The engine ended (log made, marker gone) without the list's result
        // file: not created, at the next poll.
        QuickCase{"NoResultFileEndsOnTheLog",
                  [](Harness& h) {
                      h.config.watchedFile = td::autoRunPath("LastRun.sms");
                      h.config.watchedAlsoNeeds = td::autoRunPath("LastRun.log");
                      h.config.workFile = td::autoRunPath("$LastRun.sms");
                      h.config.parseFile = h.config.watchedFile;
                      h.config.parseFallback.clear();
                      h.config.deleteBeforeStart = {td::autoRunPath("LastRun.log"), "CellTalk.err"};
                      h.engine.marker(40, 450);
                      h.engine.file(430, "LastRun.log", "log");
                  },
                  ReadOutcome::NotCreated, 500},
        // The list variant: the result file counts only once the log is there.
        QuickCase{"ResultFileWaitsForTheLog",
                  [](Harness& h) {
                      h.config.watchedFile = td::autoRunPath("LastRun.sms");
                      h.config.watchedAlsoNeeds = td::autoRunPath("LastRun.log");
                      h.config.workFile = td::autoRunPath("$LastRun.sms");
                      h.config.parseFile = h.config.watchedFile;
                      h.config.parseFallback.clear();
                      h.config.deleteBeforeStart = {td::autoRunPath("LastRun.log"), "CellTalk.err"};
                      h.config.minLines = 2;
                      h.engine.file(200, "LastRun.sms", "+CMGL=1,\"REC\"\r\nOK\r\n");
                      h.engine.file(800, "LastRun.log", "log");
                  },
                  ReadOutcome::Parsed, 800},
        // The date book clears only the log before its start: the log made
        // anew tells the run's end, beside a result file of an earlier run.
        QuickCase{"OldResultBesideAFreshLog",
                  [](Harness& h) {
                      h.config.watchedFile = td::autoRunPath("LastRun.mdb");
                      h.config.watchedAlsoNeeds = td::autoRunPath("LastRun.log");
                      h.config.workFile = td::autoRunPath("$LastRun.mdb");
                      h.config.parseFile = h.config.watchedFile;
                      h.config.parseFallback.clear();
                      h.config.deleteBeforeStart = {td::autoRunPath("LastRun.log"), "CellTalk.err"};
                      h.env.writeFile("AutoRun/LastRun.mdb", "old\r\nold\r\nold\r\n");
                      h.engine.marker(40, 500);
                      h.engine.file(450, "LastRun.mdb", kAnswer);
                      h.engine.file(450, "LastRun.log", "log");
                  },
                  ReadOutcome::Parsed, 500}),
    [](const auto& info) { return std::string(info.param.name); });

// An old answer that cannot be removed could pass for the new one: the
// user is told and the engine is not started.
TEST(ReadCycle, OldAnswerThatCannotBeRemovedIsToldAndNothingStarts) {
    Harness h;
    h.env.writeFile("AutoRun/LastRun.pbf/in-the-way", "x");
    EXPECT_EQ(h.update(), ReadOutcome::NotCreated);
    EXPECT_TRUE(h.env.starter.starts.empty());
    ASSERT_EQ(h.env.dialogs.messages.size(), 1u);
    EXPECT_EQ(h.env.dialogs.messages[0].rfind(
                  W("- Не удаётся удалить файл \"") + td::autoRunPath("LastRun.pbf"), 0),
              0u);
    EXPECT_EQ(h.view.status, "not created");
}

TEST(ReadCycle, QuickReadFromTheButtonKeepsItsLooks) {
    Harness h;
    td::prog().QuickRead = true;
    h.env.dialogs.answers = {true};
    h.engine.marker(40, 320);
    h.engine.file(320, "LastRun.log", kAnswer);
    auto c = h.make();
    c.refreshClick();
    EXPECT_EQ(c.outcome(), ReadOutcome::Parsed);
    EXPECT_TRUE(c.waitCompleted());
    // No pause before the start; polls at 100, 200, 300, 400.
    EXPECT_EQ(h.env.pump.now, 400);
    EXPECT_EQ(h.sleeps(), std::vector<int>(4, td::QuickPollMs));
    EXPECT_EQ(h.view.caption, W("Обновить"));
    EXPECT_EQ(h.view.color, td::NavyColor);
    EXPECT_EQ(h.env.readFile("AutoRun/MC-LastPBook.txt"),
              "rec:+CPBR: 1,\"111\",129,\"A\"\r\nrec:+CPBR: 2,\"222\",129,\"B\"\r\n");
}

// A watched file that could not be cleared before the start may be an old
// one: the quick read does not take it for this run's answer.
TEST(ReadCycle, QuickReadDoesNotTrustAnOldFile) {
    Harness h;
    td::prog().QuickRead = true;
    h.env.writeFile("AutoRun/old.log", kAnswer);
    h.config.watchedFile = td::autoRunPath("old.log");
    h.config.parseFallback = h.config.watchedFile;
    h.config.deleteBeforeStart = {h.config.parseFile, "CellTalk.err"};
    EXPECT_EQ(h.update(), ReadOutcome::Parsed);
    EXPECT_GT(h.env.pump.now, 10000);
}

// Every reading window's own cycle ends at the first poll after an engine
// that leaves its results, then its log, then removes its marker.
TEST(ReadCycle, QuickReadInEveryWindowsCycle) {
    td::ReadFlags f;  // the window's own flags
    const std::pair<const char*, std::function<td::ReadCycleConfig()>> windows[] = {
        {"phone book", [&] { return td::phoneBookCycleConfig("PB", "", td::phoneBookTexts(), f); }},
        {"missed calls",
         [&] { return td::phoneBookCycleConfig("MC", "MC-", td::missCallTexts(), f); }},
        {"SMS lists",
         [&] {
             return td::sms::smsCycleConfig("All", "", td::sms::AllKind, td::sms::allTexts(), f);
         }},
        {"date book", [&] { return td::dateBookCycleConfig("MDB", td::MdbRun::Read, f); }},
        {"date book unload", [&] { return td::dateBookCycleConfig("MDB", td::MdbRun::Unload, f); }},
        {"phone check", [&] { return td::phoneCheckCycleConfig(f); }},
    };
    for (const auto& [name, build] : windows) {
        SCOPED_TRACE(name);
        Harness h;
        h.env.writeFile("AutoRun/LastRun.mdb", "old\r\nold\r\nold\r\n");  // an earlier read's
        td::prog().QuickRead = true;
        h.config = build();
        h.engine.marker(40, 700);
        for (const char* result : {"LastRun.pbf", "LastRun.sms", "LastRun.mdb"})
            h.engine.file(650, result, kAnswer);
        h.engine.file(680, "LastRun.log", kAnswer);
        *h.config.updateFlag = true;
        auto c = h.make();
        EXPECT_EQ(c.run(), ReadOutcome::Parsed);
        EXPECT_EQ(h.env.pump.now, 700);
        ASSERT_EQ(h.parsed.size(), 1u);
        EXPECT_EQ(h.parsed[0].size(), 3u);
    }
}

}  // namespace
