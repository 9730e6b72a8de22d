// A backup that really loads back: the engine reads one simulated phone's
// date book, the unload turns the result file into a batch file, the engine
// runs that batch against a second phone with an empty date book, and a read
// of the second phone gives the same events, field by field, and the same
// auto-delete setting.

#include <gtest/gtest.h>

#include <fstream>

#include "datebook/mdblogic.h"
#include "engine.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "state.h"
#include "support.h"

namespace {

using celltalk::test::EngineDir;
using td::W;

const char* const kRead = "at+cscs=\"UCS2\"|at+mdbl=1|at+mdbr=1,100|at+mdbad?|at+mdbl=0";

// The events of the first phone (UTF-8 state file lines): both alphabets, a
// comma and a double quote's neighbour in titles, every repeat kind, events
// without a start time or an alarm.
const char* const kFirstPhone =
    "[phone]\n"
    "autodelete 2\n"
    "[datebook 500]\n"
    "1 \"Встреча с Олегом\" 1 1 \"10:00\" \"06-15-2025\" 60 \"09:45\" \"06-15-2025\" 0\n"
    "2 \"Birthday Anna\" 0 1 \"00:00\" \"07-02-2025\" 1440 \"09:00\" \"07-02-2025\" 5\n"
    "3 \"Обед, потом кино\" 1 0 \"13:00\" \"06-20-2025\" 90 \"00:00\" \"00-00-2000\" 1\n"
    "7 \"Meeting: Q3 plan, room 204\" 1 1 \"14:30\" \"02-29-2028\" 45 \"14:00\" \"02-29-2028\" 2\n"
    "12 \"Оплата (rent) №5\" 0 1 \"00:00\" \"06-25-2025\" 0 \"12:00\" \"06-25-2025\" 3\n"
    "40 \"Йога; ёлка\" 1 0 \"07:00\" \"06-02-2025\" 60 \"07:00\" \"06-02-2025\" 4\n";

const char* const kEmptyPhone = "[phone]\nautodelete 0\n[datebook 500]\n";

struct Phone {
    EngineDir dir;
    explicit Phone(const char* state)
        : dir({{"Прочитать ежедневник", kRead}, {"Выполнить_пакет", "at+cgsn|!bat["}}) {
        std::ofstream(dir.path("phonesim.state"), std::ios::binary) << state;
    }
    int run(const std::string& opUtf8, const std::string& arg = "") {
        return celltalk::runOperation({dir.dir, W(opUtf8), {arg, ""}});
    }
    // The engine's date book file after a read (Windows-1251 lines).
    std::vector<std::string> read() {
        EXPECT_EQ(run("Прочитать ежедневник"), 0) << dir.text("CellTalk.err");
        std::vector<std::string> lines;
        td::files::readLines(dir.path("AutoRun/LastRun.mdb"), lines);
        return lines;
    }
};

struct Book {
    std::vector<td::MdbRecord> events;
    std::vector<std::string> autoDelete;
};

Book parse(const std::vector<std::string>& lines) {
    Book b;
    for (const auto& l : lines) {
        if (auto r = td::readMdbRecord(l)) b.events.push_back(*r);
        if (auto t = td::readAutoDeleteText(l)) b.autoDelete.push_back(*t);
    }
    return b;
}

// Unloads the first phone's read into a batch file on the second, empty
// phone, which must take every event, and runs it there.
void restore(Phone& second, const std::vector<std::string>& original, const char* stamp) {
    EXPECT_TRUE(parse(second.read()).events.empty());
    const std::string name = td::unloadFileName(stamp, "LastRun.mdb");
    std::vector<std::string> refused;
    ASSERT_TRUE(td::files::writeLines(second.dir.path("AutoRun/" + name),
                                      td::unloadFile(original, {}, &refused)));
    EXPECT_TRUE(refused.empty());
    ASSERT_EQ(second.run("Выполнить_пакет", name), 0) << second.dir.text("CellTalk.err");
}

TEST(DateBookRoundTrip, UnloadRunOnAnEmptyPhoneGivesTheSameBook) {
    Phone first(kFirstPhone);
    const std::vector<std::string> original = first.read();
    const Book before = parse(original);
    ASSERT_EQ(before.events.size(), 6u);
    EXPECT_EQ(before.events[2].title, W("Обед, потом кино"));
    EXPECT_EQ(before.events[2].repeat, "1");  // the comma moved nothing
    EXPECT_EQ(before.autoDelete, std::vector<std::string>{" 2"});

    Phone second(kEmptyPhone);
    ASSERT_NO_FATAL_FAILURE(restore(second, original, "06.12.2026 14-09-06"));
    // No command of the batch was refused.
    const std::string log = second.dir.text("AutoRun/LastRun.log");
    EXPECT_EQ(log.find("ERROR"), std::string::npos) << log;

    const Book after = parse(second.read());
    ASSERT_EQ(after.events.size(), before.events.size());
    for (size_t i = 0; i < after.events.size(); ++i)
        EXPECT_EQ(after.events[i], before.events[i]) << td::cp1251ToUtf8(original[i + 2]);
    EXPECT_EQ(after.autoDelete, before.autoDelete);
}

// Titles that hold the operation language's separator, macro words, commas
// and the number mark: the backup restores them field for field, and only
// date-book commands reach the second phone.
const char* const kHostilePhone =
    "[phone]\n"
    "autodelete 1\n"
    "[datebook 500]\n"
    "1 \"Обед|ATD+79990001122;|AT+CPBW=1|\" 1 0 \"13:00\" \"06-20-2025\" 90 \"00:00\" "
    "\"00-00-2000\" 4\n"
    "2 \"|!dly 3|!bat[|\" 0 1 \"00:00\" \"07-02-2025\" 0 \"09:00\" \"07-02-2025\" 5\n"
    "3 \"a,b;c|d №7 'e'\" 1 1 \"10:00\" \"06-15-2025\" 60 \"09:45\" \"06-15-2025\" 0\n";

TEST(DateBookRoundTrip, HostileTitlesRestoreAsTitlesOnly) {
    Phone first(kHostilePhone);
    const std::vector<std::string> original = first.read();
    const Book before = parse(original);
    ASSERT_EQ(before.events.size(), 3u);
    EXPECT_EQ(before.events[0].title, W("Обед|ATD+79990001122;|AT+CPBW=1|"));

    Phone second(kEmptyPhone);
    ASSERT_NO_FATAL_FAILURE(restore(second, original, "07.12.2026 10-00-00"));
    std::vector<std::string> log;
    td::files::readLines(second.dir.path("AutoRun/LastRun.log"), log);
    int writes = 0;
    for (const std::string& line : log) {
        std::string up = td::upperAscii(line.substr(0, 8));
        if (up.rfind("AT", 0) != 0) continue;  // an answer
        writes += up.rfind("AT+MDBW=", 0) == 0;
        EXPECT_TRUE(up.rfind("AT+MDBW=", 0) == 0 || up.rfind("AT+MDBL=", 0) == 0 ||
                    up.rfind("AT+CSCS=", 0) == 0 || up.rfind("AT+MDBAD", 0) == 0 || up == "AT+CGSN")
            << td::cp1251ToUtf8(line);
    }
    EXPECT_EQ(writes, 3);

    const Book after = parse(second.read());
    ASSERT_EQ(after.events.size(), before.events.size());
    for (size_t i = 0; i < after.events.size(); ++i)
        EXPECT_EQ(after.events[i], before.events[i]) << td::cp1251ToUtf8(before.events[i].title);
    EXPECT_EQ(after.autoDelete, before.autoDelete);
}

// Titles Windows-1251 cannot give exactly, and titles that look like hex:
// the second phone gets every title exactly as the first held it, and the
// window shows them decoded.
TEST(DateBookRoundTrip, TitlesOutsideTheCodePageComeBackExact) {
    const char* const state =
        "[phone]\nautodelete 0\n[datebook 500]\n"
        "1 \"Обед \\\"у Анны\\\"\" 1 0 \"13:00\" \"06-20-2025\" 90 \"00:00\" \"00-00-2000\" 4\n"
        "2 \"a\\tb\" 0 1 \"00:00\" \"07-02-2025\" 0 \"09:00\" \"07-02-2025\" 5\n"
        "3 \"汉字 😀\" 1 1 \"10:00\" \"06-15-2025\" 60 \"09:45\" \"06-15-2025\" 0\n"
        "4 \"2025\" 1 0 \"10:00\" \"06-15-2025\" 60 \"00:00\" \"00-00-2000\" 0\n"
        "5 \"ABBA\" 1 0 \"10:00\" \"06-15-2025\" 60 \"00:00\" \"00-00-2000\" 0\n"
        "6 \"UCS2:0041\" 1 0 \"10:00\" \"06-15-2025\" 60 \"00:00\" \"00-00-2000\" 0\n";
    Phone first(state);
    const std::vector<std::string> original = first.read();
    td::MdbReader reader;
    std::vector<std::string> titles;
    for (const auto& r : td::showDateBook(reader, original, td::MdbSource::Result).rows)
        titles.push_back(td::cp1251ToUtf8(r[0]));
    EXPECT_EQ(titles, (std::vector<std::string>{"Обед \"у Анны\"", "a b", "?? ?", "2025", "ABBA",
                                                "UCS2:0041"}));

    Phone second(kEmptyPhone);
    ASSERT_NO_FATAL_FAILURE(restore(second, original, "07.12.2026 10-00-00"));
    auto was = phonesim::parseState(state, nullptr);
    auto now = phonesim::loadStateFile(second.dir.path("phonesim.state"), nullptr);
    ASSERT_TRUE(was && now);
    ASSERT_EQ(now->datebook.size(), was->datebook.size());
    for (const auto& [index, e] : was->datebook)
        EXPECT_EQ(now->datebook[index].title, e.title) << index;
}

TEST(DateBookRoundTrip, WhatTheWindowShowsOfAnEngineRead) {
    Phone first(kFirstPhone);
    td::MdbReader reader;
    auto shown = td::showDateBook(reader, first.read(), td::MdbSource::Result);
    ASSERT_EQ(shown.rows.size(), 6u);
    std::vector<std::string> repeats, titles;
    for (const auto& r : shown.rows) {
        titles.push_back(td::cp1251ToUtf8(r[0]));
        repeats.push_back(td::cp1251ToUtf8(r[8]));
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"Встреча с Олегом", "Birthday Anna",
                                                "Обед, потом кино", "Meeting: Q3 plan, room 204",
                                                "Оплата (rent) №5", "Йога; ёлка"}));
    EXPECT_EQ(repeats,
              (std::vector<std::string>{"Не повторять ", "Ежегодно", "Ежедневно", "Еженедельно",
                                        "Ежемесячно-число", "Ежемесячно-день"}));
    ASSERT_TRUE(shown.panel);
    EXPECT_EQ(td::cp1251ToUtf8(shown.panel->caption), "Авт. удалять через  2 недели");
}

}  // namespace
