// The date book's event and auto-delete lines: reader, writer, last copy.

#include "formats/mdbrecord.h"

#include <gtest/gtest.h>

#include "platform/cp1251.h"

namespace {

using td::MdbRecord;
using td::W;

MdbRecord rec(const char* index, const char* titleUtf8, const char* timed, const char* alarm,
              const char* time, const char* date, const char* duration, const char* alarmTime,
              const char* alarmDate, const char* repeat) {
    return {index, W(titleUtf8), timed, alarm, time, date, duration, alarmTime, alarmDate, repeat};
}

TEST(MdbRecord, WrittenLinesReadBackTheSame) {
    const MdbRecord cases[] = {
        rec("1", "Встреча с Олегом", "1", "1", "10:00", "06-15-2025", "60", "09:45", "06-15-2025",
            "0"),
        rec("2", "Birthday Anna", "0", "1", "00:00", "07-02-2025", "1440", "09:00", "07-02-2025",
            "5"),
        rec("17", "Обед, потом кино", "1", "0", "13:00", "06-20-2025", "90", "00:00", "00-00-2000",
            "4"),
        rec("500", "Say 'hi', then go", "1", "0", "23:59", "12-31-2026", "1", "", "", "3"),
        rec("3", "", "0", "0", "", "", "0", "", "", "0"),
    };
    for (const auto& r : cases) {
        std::string line = td::writeMdbRecord(r);
        auto back = td::readMdbRecord(line);
        ASSERT_TRUE(back) << line;
        EXPECT_EQ(*back, r) << td::cp1251ToUtf8(line);
    }
    EXPECT_EQ(td::writeMdbRecord(cases[0]),
              W("+MDBR: 1,\"Встреча с Олегом\",1,1,\"10:00\",\"06-15-2025\",60,\"09:45\","
                "\"06-15-2025\",0"));
}

struct ReadCase {
    const char* why;
    std::string line;  // UTF-8
    bool record;
    std::vector<std::string> fields;  // title, time, date, duration, alarm time, repeat (UTF-8)
};

TEST(MdbRecord, ReadsTheLinesPhonesAndFilesHold) {
    const ReadCase cases[] = {
        // As the engine wrote it from the simulated phone (UCS2 decoded).
        {"engine line",
         "+MDBR: 3,\"Планёрка\",1,0,\"09:30\",\"06-16-2025\",30,\"09:30\",\"06-16-2025\",2",
         true,
         {"Планёрка", "09:30", "06-16-2025", "30", "09:30", "2"}},
        {"comma inside the title keeps the later fields in place",
         "+MDBR: 5,\"Обед, потом кино\",1,0,\"13:00\",\"06-20-2025\",90,\"13:00\",\"06-20-2025\",4",
         true,
         {"Обед, потом кино", "13:00", "06-20-2025", "90", "13:00", "4"}},
        {"unquoted times and dates",
         "+MDBR: 4,\"Pay\",0,1,00:00,06-25-2025,0,12:00,06-25-2025,3",
         true,
         {"Pay", "00:00", "06-25-2025", "0", "12:00", "3"}},
        {"missing repeat field",
         "+MDBR: 6,\"Short\",1,1,\"10:00\"",
         true,
         {"Short", "10:00", "", "", "", ""}},
        {"an unclosed quote: every comma counts",
         "+MDBR: 7,\"Broken,1,1,\"10:00\",\"06-15-2025\",60,\"09:45\",\"06-15-2025\",0",
         true,
         {"Broken", "10:00", "06-15-2025", "60", "09:45", "0"}},
        {"prefix inside a longer line",
         "~+MDBR: 8,\"X\",1,1,\"10:00\",\"01-01-2026\",5,\"\",\"\",1",
         true,
         {"X", "10:00", "01-01-2026", "5", "", "1"}},
        {"the command echo", "at+mdbr=1,100", false, {}},
        {"prefix without colon", "+MDBR 1,\"X\",1,1", false, {}},
        {"auto-delete line", "+MDBAD: 1", false, {}},
    };
    for (const auto& c : cases) {
        auto r = td::readMdbRecord(W(c.line));
        ASSERT_EQ(r.has_value(), c.record) << c.why;
        if (!r) continue;
        std::vector<std::string> got = {r->title,    r->time,      r->date,
                                        r->duration, r->alarmTime, r->repeat};
        for (auto& g : got) g = td::cp1251ToUtf8(g);
        EXPECT_EQ(got, c.fields) << c.why;
    }
}

TEST(MdbRecord, AutoDeleteLines) {
    struct Case {
        std::string line;
        bool isSetting;
        std::string text;
        int weeks;
    } cases[] = {
        {"+MDBAD: 1", true, " 1", 1},    {"+MDBAD:  8", true, "  8", 8},
        {"+MDBAD:0", true, "0", 0},      {"+MDBAD: x", true, " x", 0},
        {"+MDBAD: 2 ", true, " 2 ", 0},  {"+MDBAD: ", true, " ", 0},
        {"+MDBAD: -4", true, " -4", -4}, {"at+mdbad?", false, "", 0},
        {"+MDBAD 1", false, "", 0},      {"+MDBAD: 99999999999", true, " 99999999999", 0},
    };
    for (const auto& c : cases) {
        auto text = td::readAutoDeleteText(c.line);
        ASSERT_EQ(text.has_value(), c.isSetting) << c.line;
        if (!text) continue;
        EXPECT_EQ(*text, c.text) << c.line;
        EXPECT_EQ(td::autoDeleteWeeks(*text), c.weeks) << c.line;
        // The program's own line adds its blank to the phone's text; the
        // number stays the same.
        auto again = td::readAutoDeleteText(td::writeAutoDeleteLine(*text));
        EXPECT_EQ(again, " " + *text) << c.line;
        EXPECT_EQ(td::autoDeleteWeeks(*again), c.weeks) << c.line;
    }
}

TEST(MdbRecord, LastCopyAppendsTheSettingOnlyWhenKnown) {
    const std::vector<std::string> result = {"at+mdbr=1,100", "+MDBR: 1,\"A\",1,1", "OK"};
    auto known = td::mdbLastCopy(result, 1, " 1");
    ASSERT_EQ(known.size(), 4u);
    EXPECT_EQ(known.back(), "+MDBAD:  1");  // the phone's blank and the program's
    EXPECT_EQ(td::mdbLastCopy(result, 0, " 0").back(), "+MDBAD:  0");
    EXPECT_EQ(td::mdbLastCopy(result, td::AutoDeleteUnknown, " 1"), result);
    EXPECT_EQ(td::mdbLastCopy({}, td::AutoDeleteUnknown, ""), std::vector<std::string>{});
}

}  // namespace
