// What the date book window shows of its lines, and the unload file.

#include "datebook/mdblogic.h"

#include <gtest/gtest.h>

#include "platform/cp1251.h"
#include "support/fakes.h"

namespace {

using td::MdbSource;
using td::W;

std::vector<std::string> win(std::initializer_list<const char*> utf8) {
    std::vector<std::string> out;
    for (const char* l : utf8) out.push_back(W(l));
    return out;
}

std::vector<std::string> utf8(const td::MdbRow& row) {
    std::vector<std::string> out;
    for (const auto& c : row) out.push_back(td::cp1251ToUtf8(c));
    return out;
}

TEST(MdbRows, EveryRepeatKindAndFlag) {
    struct Case {
        const char* line;
        std::vector<std::string> row;
    } cases[] = {
        {"+MDBR: 1,\"Встреча\",1,1,\"10:00\",\"06-15-2025\",60,\"09:45\",\"06-15-2025\",0",
         {"Встреча", "Да", "Да", "10:00", "06-15-2025", "60", "09:45", "06-15-2025",
          "Не повторять "}},
        {"+MDBR: 2,\"Gym\",0,0,\"07:00\",\"06-20-2025\",60,\"07:00\",\"06-20-2025\",1",
         {"Gym", "Нет", "Нет", "07:00", "06-20-2025", "60", "07:00", "06-20-2025", "Ежедневно"}},
        {"+MDBR: 3,\"a\",1,0,\"1\",\"2\",3,\"4\",\"5\",2",
         {"a", "Да", "Нет", "1", "2", "3", "4", "5", "Еженедельно"}},
        {"+MDBR: 4,\"b\",1,0,\"1\",\"2\",3,\"4\",\"5\",3",
         {"b", "Да", "Нет", "1", "2", "3", "4", "5", "Ежемесячно-число"}},
        {"+MDBR: 5,\"c\",1,0,\"1\",\"2\",3,\"4\",\"5\",4",
         {"c", "Да", "Нет", "1", "2", "3", "4", "5", "Ежемесячно-день"}},
        {"+MDBR: 6,\"d\",1,0,\"1\",\"2\",3,\"4\",\"5\",5",
         {"d", "Да", "Нет", "1", "2", "3", "4", "5", "Ежегодно"}},
        {"+MDBR: 7,\"e\",1,0,\"1\",\"2\",3,\"4\",\"5\",7",
         {"e", "Да", "Нет", "1", "2", "3", "4", "5", "???"}},
        {"+MDBR: 8,\"f\",1,0,\"1\",\"2\",3,\"4\",\"5\",x",
         {"f", "Да", "Нет", "1", "2", "3", "4", "5", "Не повторять "}},
        {"+MDBR: 9,\"g\",1,0,\"1\",\"2\",3,\"4\",\"5\"",
         {"g", "Да", "Нет", "1", "2", "3", "4", "5", "Не повторять "}},
    };
    for (const auto& c : cases) {
        td::MdbReader reader;
        auto row = reader.row(W(c.line));
        ASSERT_TRUE(row) << c.line;
        EXPECT_EQ(utf8(*row), c.row) << c.line;
    }
}

TEST(MdbRows, WordsCarryOverWithinOneRead) {
    td::MdbReader reader;
    auto lines = win({"+MDBR: 1,\"A\",1,0,\"10:00\",\"d\",1,\"t\",\"d\",0",
                      "+MDBR: 2,\"B\",?,,\"10:00\",\"d\",1,\"t\",\"d\",0",
                      "+MDBR: 3,\"\",0,1,\"10:00\",\"d\",1,\"t\",\"d\",0",  // no row, but words
                      "+MDBR: 4,\" \",1,1,\"10:00\",\"d\",1,\"t\",\"d\",0",
                      "+MDBR: 5,\"C\",2,x,\"10:00\",\"d\",1,\"t\",\"d\",0"});
    std::vector<std::vector<std::string>> flags;
    for (const auto& l : lines)
        if (auto r = reader.row(l)) flags.push_back({utf8(*r)[0], utf8(*r)[1], utf8(*r)[2]});
    EXPECT_EQ(flags, (std::vector<std::vector<std::string>>{
                         {"A", "Да", "Нет"}, {"B", "Да", "Нет"}, {"C", "Да", "Да"}}));
    td::MdbReader fresh;  // a new read starts without a word
    auto r = fresh.row(W("+MDBR: 1,\"A\",?,?,\"10:00\",\"d\",1,\"t\",\"d\",0"));
    ASSERT_TRUE(r);
    EXPECT_EQ((*r)[1], "");
    EXPECT_EQ((*r)[2], "");
}

TEST(MdbAutoDelete, UnitsAndTheNeverCase) {
    struct Case {
        const char* line;
        MdbSource source;
        const char* caption;
        int weeks;
        bool never, hint;
    } cases[] = {
        // One reader for all rows: the unit of the line before carries over.
        {"+MDBAD: 3", MdbSource::Result, "Авт. удалять через  3", 3, false, true},
        {"+MDBAD: 1", MdbSource::Result, "Авт. удалять через  1 неделю", 1, false, true},
        {"+MDBAD: 5", MdbSource::LastCopy, "Авт. удалять через  5 неделю", 5, false, true},
        {"+MDBAD: 2", MdbSource::Log, "Авт. удалять через  2 недели", 2, false, false},
        {"+MDBAD: 4", MdbSource::Result, "Авт. удалять через  4 недели", 4, false, true},
        {"+MDBAD: 8", MdbSource::Result, "Авт. удалять через  8 недель", 8, false, true},
        {"+MDBAD:  1", MdbSource::LastCopy, "Авт. удалять через   1 неделю", 1, false, true},
        {"+MDBAD: 0", MdbSource::LastCopy, "Не удалять никогда", 0, true, true},
        {"+MDBAD: 0", MdbSource::Log, "Не удалять никогда", 0, true, false},
        {"+MDBAD: off", MdbSource::Result, "Не удалять никогда", 0, true, true},
    };
    td::MdbReader reader;
    for (const auto& c : cases) {
        auto p = reader.autoDelete(W(c.line), c.source);
        ASSERT_TRUE(p) << c.line;
        EXPECT_EQ(td::cp1251ToUtf8(p->caption), c.caption) << c.line;
        EXPECT_EQ(p->weeks, c.weeks) << c.line;
        EXPECT_EQ(p->never, c.never) << c.line;
        EXPECT_EQ(p->setsNeverHint, c.hint) << c.line;
    }
    EXPECT_FALSE(reader.autoDelete("at+mdbad?", MdbSource::Log));
}

TEST(MdbShow, FiveLineLastCopy) {
    td::MdbReader reader;
    auto s = td::showDateBook(
        reader,
        win({"at+mdbr=1,100",
             "+MDBR: 1,\"Встреча\",1,1,\"10:00\",\"06-15-2025\",60,\"09:45\",\"06-15-2025\",0",
             "+MDBR: 2,\"Birthday "
             "Anna\",0,1,\"00:00\",\"07-02-2025\",1440,\"09:00\",\"07-02-2025\",5",
             "OK", "+MDBAD:  1"}),
        MdbSource::LastCopy);
    ASSERT_EQ(s.rows.size(), 2u);
    EXPECT_EQ(s.gridRows, 4);
    ASSERT_TRUE(s.panel);
    EXPECT_TRUE(s.panelVisible);
    EXPECT_EQ(td::cp1251ToUtf8(s.panel->caption), "Авт. удалять через   1 неделю");
}

TEST(MdbShow, PanelStaysOnlyWhenTheCopyEndsWithTheSetting) {
    td::MdbReader reader;
    auto s = td::showDateBook(
        reader, win({"+MDBAD: 1", "+MDBR: 1,\"A\",1,1,\"10:00\",\"d\",1,\"t\",\"d\",0", "OK"}),
        MdbSource::LastCopy);
    EXPECT_FALSE(s.panelVisible);
    // From the phone the setting shows wherever its line stands.
    td::MdbReader phone;
    s = td::showDateBook(
        phone, win({"+MDBAD: 1", "+MDBR: 1,\"A\",1,1,\"10:00\",\"d\",1,\"t\",\"d\",0", "OK"}),
        MdbSource::Result);
    EXPECT_TRUE(s.panelVisible);
    // And a read without the setting leaves the panel alone.
    s = td::showDateBook(phone, win({"+MDBR: 1,\"A\",1,1,\"10:00\",\"d\",1,\"t\",\"d\",0", "OK"}),
                         MdbSource::Result);
    EXPECT_FALSE(s.panel);
}

TEST(MdbShow, ShortLinesCountOnlyInTheLastCopy) {
    const auto lines =
        win({"x", "+MDBR: 1,\"ABC\",1", "+MDBR: 2,\"\",1,1,\"10:00\",\"d\",1,\"t\",\"d\",0",
             "+MDBR: 3,\"ABCD\",1"});
    ASSERT_EQ(lines[1].size(), 16u);
    ASSERT_EQ(lines[3].size(), 17u);
    td::MdbReader a, b;
    EXPECT_EQ(td::showDateBook(a, lines, MdbSource::LastCopy).rows.size(), 2u);
    auto fromPhone = td::showDateBook(b, lines, MdbSource::Result);
    ASSERT_EQ(fromPhone.rows.size(), 1u);
    EXPECT_EQ(fromPhone.rows[0][0], "ABCD");
}

TEST(MdbShow, GridKeepsARowForEveryEvent) {
    struct Case {
        std::vector<std::string> lines;
        int gridRows;
    } cases[] = {
        {win({"+MDBR: 1,\"A\",1,1,\"10:00\",\"d\",1,\"t\",\"d\",0",
              "+MDBR: 2,\"B\",1,1,\"10:00\",\"d\",1,\"t\",\"d\",0"}),
         3},  // two lines, two events: the header and both
        {win({"only"}), 2},
        {win({"a", "b", "c", "d", "e", "f"}), 5},
    };
    for (const auto& c : cases) {
        td::MdbReader reader;
        EXPECT_EQ(td::showDateBook(reader, c.lines, MdbSource::LastCopy).gridRows, c.gridRows);
    }
}

TEST(MdbSave, ResultFileFirstThenTheListShown) {
    using Lines = std::vector<std::string>;
    const Lines result = {"at+mdbr=1,100", "+MDBR: 1,\"A\",1,1", "OK"};
    const Lines shown = {"+MDBR: 9,\"Shown\",1,1"};
    struct Case {
        const char* why;
        std::optional<Lines> file;
        int weeks;
        Lines lines;
        bool fresh;
    } cases[] = {
        {"result with a known setting",
         result,
         1,
         {"at+mdbr=1,100", "+MDBR: 1,\"A\",1,1", "OK", "+MDBAD:  1"},
         true},
        {"setting not read in this run", result, td::AutoDeleteUnknown, result, true},
        {"empty result file, known setting", Lines{}, 0, {"+MDBAD:  0"}, true},
        {"empty result file, unknown setting", Lines{}, td::AutoDeleteUnknown, shown, false},
        // No result file: never the lines some other window read last.
        {"no result file", std::nullopt, 1, shown, false},
    };
    for (const auto& c : cases) {
        auto s = td::dateBookToSave(c.file, c.weeks, c.weeks == 1 ? " 1" : " 0", shown);
        EXPECT_EQ(s.lines, c.lines) << c.why;
        EXPECT_EQ(s.fresh, c.fresh) << c.why;
    }
}

// ---- the unload ------------------------------------------------------------

TEST(MdbUnload, ResultFileBecomesWriteCommands) {
    const std::string event60 =
        "+MDBR: 1,\"Meeting\",1,1,\"10:00\",\"06-15-2025\",60,\"09:45\",\"06-15-2025\",0";
    ASSERT_EQ(event60.size(), 69u);
    struct Case {
        const char* why;
        std::vector<std::string> input;
        std::vector<std::string> file;
    } cases[] = {
        {"echo, event, OK, setting", win({"at+mdbr=1,100", event60.c_str(), "OK", "+MDBAD: 1"}),
         win({"at+mdbl=1",
              "AT+MDBW=1,\"Meeting\",1,1,\"10:00\",\"06-15-2025\",60,\"09:45\",\"06-15-2025\",0",
              "AT+MDBAD= 1", "at+mdbl=0"})},
        {"the engine's file: character set first, Cyrillic title, comma in a title",
         win({"at+cscs=\"UCS2\"", "at+mdbr=1,100",
              "+MDBR: 2,\"Обед, кино\",1,0,\"13:00\",\"06-20-2025\",90,\"00:00\",\"00-00-2000\",4",
              "OK", "at+mdbad?", "+MDBAD: 8", "OK"}),
         win({"at+mdbl=1", "AT+CSCS=\"UCS2\"",
              "AT+MDBW=2,\"Обед, кино\",1,0,\"13:00\",\"06-20-2025\",90,\"00:00\",\"00-00-2000\",4",
              "AT+MDBAD= 8", "at+mdbl=0"})},
        {"a character-set answer becomes the command", win({"+CSCS: \"UCS2\""}),
         win({"at+mdbl=1", "AT+CSCS= \"UCS2\"", "at+mdbl=0"})},
        {"a character-set answer that names no plain set gives nothing",
         win({"+CSCS: UCS2", "+CSCS: \"UCS2\",0", "+CSCS: \"UC S2\"", "+CSCS: \"\"",
              "+CSCS: \"UCS2"}),
         win({"at+mdbl=1", "at+mdbl=0"})},
        {"30 characters are no event", win({"+MDBR: 1,\"A\",1,1,\"10:00\",\"x\",6"}),
         win({"at+mdbl=1", "at+mdbl=0"})},
        {"31 characters are one", win({"+MDBR: 1,\"Ab\",1,1,\"10:00\",\"x\",6"}),
         win({"at+mdbl=1", "AT+MDBW=1,\"Ab\",1,1,\"10:00\",\"x\",6", "at+mdbl=0"})},
        {"lower-case prefix outside the quotes",
         win({"+mdbr: 3,\"lower case\",1,1,\"10:00\",\"y\",5,\"\",\"\",2"}),
         win({"at+mdbl=1", "AT+MDBW=3,\"lower case\",1,1,\"10:00\",\"y\",5,\"\",\"\",2",
              "at+mdbl=0"})},
        {"short lines give nothing", win({"+MDBAD:1", "OK", ""}), win({"at+mdbl=1", "at+mdbl=0"})},
    };
    for (const auto& c : cases) {
        auto got = td::unloadFile(c.input);
        std::vector<std::string> a, b;
        for (const auto& l : got) a.push_back(td::cp1251ToUtf8(l));
        for (const auto& l : c.file) b.push_back(td::cp1251ToUtf8(l));
        EXPECT_EQ(a, b) << c.why;
    }
}

// Whatever a title holds, an event is one write command, and a line that
// is not what a phone gives writes nothing.
TEST(MdbUnload, HostileLinesNeverBecomeOtherCommands) {
    const std::string tail = ",1,0,\"13:00\",\"06-20-2025\",90,\"00:00\",\"00-00-2000\",4";
    struct Case {
        const char* why;
        std::string line;
        std::vector<std::string> file;  // between the lock and the unlock
        size_t refused;
    } cases[] = {
        {"bars in a title",
         "+MDBR: 1,\"Lunch|ATD+79990001122;|AT+CPBW=1|\"" + tail,
         {"AT+MDBW=1,\"Lunch|ATD+79990001122;|AT+CPBW=1|\"" + tail},
         0},
        {"tab and macro words in a title",
         "+MDBR: 2,\"a\tb !dly !bat\"" + tail,
         {"AT+MDBW=2,\"a\tb !dly !bat\"" + tail},
         0},
        {"quotes making a bar stand outside", "+MDBR: 3,\"a\"|ATD123;|\"b\"" + tail, {}, 1},
        {"line end in a title", "+MDBR: 4,\"a\rATD123;\"" + tail, {}, 1},
        {"a command for a number field", "+MDBR: 5,\"a\",1|ATD1,0,\"13:00\",\"x\",9", {}, 1},
        {"an index that is no number", "+MDBR: 1;ATD1,\"a\"" + tail, {}, 1},
        {"more than ten fields", "+MDBR: 6,\"a\"" + tail + ",7", {}, 1},
        {"a character-set line with more after it", "AT+CSCS=\"UCS2\"|ATD123;", {}, 0},
        {"an auto-delete line with more after it", "+MDBAD: 1|ATD123;", {}, 0},
        {"prefix words inside a title",
         "+MDBR: 7,\"+CSCS: +MDBAD: 2\"" + tail,
         {"AT+MDBW=7,\"+CSCS: +MDBAD: 2\"" + tail},
         0},
    };
    for (const auto& c : cases) {
        std::vector<std::string> refused;
        auto got = td::unloadFile({c.line}, {}, &refused);
        std::vector<std::string> want = {"at+mdbl=1"};
        want.insert(want.end(), c.file.begin(), c.file.end());
        want.push_back("at+mdbl=0");
        EXPECT_EQ(got, want) << c.why;
        EXPECT_EQ(refused.size(), c.refused) << c.why;
    }
}

TEST(MdbUnload, ConfiguredPrefixes) {
    td::UnloadPrefixes p{"+XDBR", "+XDBAD", "+XDBW", "+XSCS"};
    auto got = td::unloadFile(
        {"+XDBR: 4,\"Title here\",1,1,\"10:00\",\"06-15-2025\",60", "+XDBAD: 2", "+MDBAD: 2"}, p);
    EXPECT_EQ(got, (std::vector<std::string>{
                       "at+mdbl=1", "AT+XDBW=4,\"Title here\",1,1,\"10:00\",\"06-15-2025\",60",
                       "AT+XDBAD= 2", "at+mdbl=0"}));
}

TEST(MdbUnload, UpperCaseLeavesQuotedTextAlone) {
    EXPECT_EQ(td::upperOutsideQuotes("at+mdbw=1,\"Meeting mit Anna\",x"),
              "AT+MDBW=1,\"Meeting mit Anna\",X");
    EXPECT_EQ(td::upperOutsideQuotes(W("ab\"cd\"ef\"gh")), "AB\"cd\"EF\"gh");
    EXPECT_EQ(td::upperOutsideQuotes(W("я+mdbr")), W("я+MDBR"));
}

TEST(MdbUnload, VersionGate) {
    struct Case {
        const char *alt, *prog;
        bool open;
    } cases[] = {
        {"v 5.4", "v 0.54", true},  {"v 5.4", "v 5.4", true},   {"v 5.1", "v 0.54", false},
        {"v 5.4", "v 0.51", false}, {"v 5.10", "v 0.52", true}, {"v 4.9", "v 0.99", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(td::unloadAllowed(c.alt, c.prog), c.open) << c.alt << " " << c.prog;
}

TEST(MdbNames, DatedNames) {
    // The stamp is the clock's file stamp (tested with the clock); here, the names around it.
    EXPECT_EQ(td::savedDateBookName("06.12.2026 14-09-06", "LastRun.mdb"),
              "06.12.2026 14-09-06-LastRun.mdb");
    EXPECT_EQ(td::unloadFileName("06.12.2026 14-09-06", "LastRun.mdb"),
              "Unload-06.12.2026 14-09-06-MemDay-LastRun.txt");
    EXPECT_EQ(td::unloadFileName("s", "Book"), "Unload-s-MemDay-Book.txt");
    EXPECT_EQ(td::unloadFileName("s", "my.book.mdb"), "Unload-s-MemDay-my.book.txt");
}

TEST(MdbTexts, Questions) {
    EXPECT_EQ(td::cp1251ToUtf8(td::unloadQuestion()),
              "Записи ежедневника будут выгружены в каталог \\Autorun в файл вида "
              "\"Unload-<дата-время>-MemDay-LastRun.txt\"\r\r"
              "Загрузить выгруженные записи ежедневника можно, \"выполнив пакет\" в программе "
              "Celltalk,\rуказав имя выгруженного файла (см. выше)\r"
              "Записи встанут на те же номера и заменят записи телефона с этими номерами\r\r"
              "Вы действительно хотите выгрузить книгу напоминаний из Вашего аппарата ?\r"
              "Это займёт примерно полминуты, на которые Ваш телефон будет занят для внешнего "
              "воздействия\r");
    EXPECT_EQ(td::cp1251ToUtf8(td::notCreatedText("LastRun.mdb")),
              "- Файл с записями книга напоминаний \"LastRun.mdb\" не создан программой CellTalk");
}

}  // namespace

// ---- events added from a file, written into the phone ----------------------

namespace pending {

const std::string kLunch =
    "+MDBR: 7,\"Обед\",1,0,\"13:00\",\"06-20-2025\",90,\"00:00\",\"00-00-2000\",4";
const std::string kGym =
    "+MDBR: 8,\"Gym\",1,1,\"07:00\",\"06-21-2025\",60,\"06:45\",\"06-21-2025\",1";
const std::string kQuote =
    "+MDBR: 9,\"UCS2:0041002200420022\",0,0,\"00:00\",\"06-22-2025\",0,\"00:00\",\"00-00-2000\",0";

}  // namespace pending

TEST(MdbPending, WhatStillWaitsForThePhone) {
    using namespace pending;
    struct Case {
        const char* why;
        std::vector<std::string> pending, phone, left;
    } cases[] = {
        {"nothing on the phone yet",
         win({kLunch.c_str(), kGym.c_str()}),
         {},
         win({kLunch.c_str(), kGym.c_str()})},
        {"the phone holds one under another index", win({kLunch.c_str(), kGym.c_str()}),
         win({"OK", "+MDBR: 3,\"Gym\",1,1,\"07:00\",\"06-21-2025\",60,\"06:45\",\"06-21-2025\",1"}),
         win({kLunch.c_str()})},
        {"an alarm that is off: its time does not count",
         win({kLunch.c_str()}),
         win({"+MDBR: 1,\"Обед\",1,0,\"13:00\",\"06-20-2025\",90,\"12:00\",\"06-20-2025\",4"}),
         {}},
        {"another time is another event", win({kLunch.c_str()}),
         win({"+MDBR: 1,\"Обед\",1,0,\"14:00\",\"06-20-2025\",90,\"00:00\",\"00-00-2000\",4"}),
         win({kLunch.c_str()})},
        {"lines that are no event are dropped", win({"", "OK", kQuote.c_str()}), {}, {kQuote}},
    };
    for (const auto& c : cases) EXPECT_EQ(td::stillPending(c.pending, c.phone), c.left) << c.why;
}

TEST(MdbPending, AReadKeepsThemInTheLastCopy) {
    using namespace pending;
    const char* const yoga =
        "+MDBR: 12,\"Йога\",1,0,\"07:00\",\"06-02-2025\",60,\"07:00\",\"06-02-2025\",4";
    const std::vector<std::string> phone = win({yoga, "+MDBAD: 4"});
    struct Case {
        const char* why;
        std::vector<std::string> copy, pending, out;
    } cases[] = {
        {"none pending: the copy unchanged", phone, {}, phone},
        {"after the events, numbered on, before the setting", phone,
         win({kLunch.c_str(), kGym.c_str()}),
         win({yoga, "+MDBR: 13,\"Обед\",1,0,\"13:00\",\"06-20-2025\",90,\"00:00\",\"00-00-2000\",4",
              "+MDBR: 14,\"Gym\",1,1,\"07:00\",\"06-21-2025\",60,\"06:45\",\"06-21-2025\",1",
              "+MDBAD: 4"})},
        {"one the phone holds already is not doubled", win({yoga, kGym.c_str()}),
         win({kGym.c_str()}), win({yoga, kGym.c_str()})},
        {"an empty book",
         {},
         {kQuote},
         {"+MDBR: 1,\"UCS2:0041002200420022\",0,0,\"00:00\",\"06-22-2025\",0,\"00:00\","
          "\"00-00-2000\",0"}},
    };
    for (const auto& c : cases) EXPECT_EQ(td::withPending(c.copy, c.pending), c.out) << c.why;
}

TEST(MdbPending, BatchWritesFreePositionsThenReads) {
    using namespace pending;
    const std::string read = "at+cscs=\"UCS2\"|at+mdbr=1,100";
    struct Case {
        const char* why;
        std::vector<std::string> pending, writes, refused;
    } cases[] = {
        {"empty index, Cyrillic and UCS2 titles as kept",
         win({kLunch.c_str(), kQuote.c_str()}),
         win({"AT+MDBW=,\"Обед\",1,0,\"13:00\",\"06-20-2025\",90,\"00:00\",\"00-00-2000\",4",
              "AT+MDBW=,\"UCS2:0041002200420022\",0,0,\"00:00\",\"06-22-2025\",0,\"00:00\","
              "\"00-00-2000\",0"}),
         {}},
        {"a separator in a title stays inside its quotes",
         {"+MDBR: "
          "1,\"a|ATD123;|!bat[\",1,0,\"13:00\",\"06-20-2025\",90,\"00:00\",\"00-00-2000\",4"},
         {"AT+MDBW=,\"a|ATD123;|!bat[\",1,0,\"13:00\",\"06-20-2025\",90,\"00:00\",\"00-00-2000\","
          "4"},
         {}},
        {"a field no phone gives is refused, the rest written",
         {"+MDBR: 1,\"x\",1;ATD1,0,\"13:00\",\"06-20-2025\",90,\"00:00\",\"00-00-2000\",4", kGym},
         {"AT+MDBW=,\"Gym\",1,1,\"07:00\",\"06-21-2025\",60,\"06:45\",\"06-21-2025\",1"},
         {"+MDBR: 1,\"x\",1;ATD1,0,\"13:00\",\"06-20-2025\",90,\"00:00\",\"00-00-2000\",4"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> refused;
        std::vector<std::string> want = {"AT+CSCS=\"UCS2\"", "at+mdbl=1"};
        want.insert(want.end(), c.writes.begin(), c.writes.end());
        want.push_back("at+mdbl=0");
        want.push_back(read);
        EXPECT_EQ(td::pendingWriteBatch(c.pending, read, {}, &refused), want) << c.why;
        EXPECT_EQ(refused, c.refused) << c.why;
    }
}
