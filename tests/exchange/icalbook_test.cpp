// The date book as iCalendar and back.

#include "exchange/icalbook.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "platform/cp1251.h"
#include "platform/files.h"

namespace {

using td::MdbRecord;
using td::W;
using namespace td::exchange;

TEST(ICalBook, EventsComeBackField) {
    std::vector<MdbRecord> events = {
        {"1", W("Встреча с Олегом"), "1", "1", "10:00", "06-15-2025", "60", "09:45", "06-15-2025",
         "0"},
        {"2", "Daily, standup; \\x", "1", "0", "09:30", "01-31-2026", "15", "09:30", "01-31-2026",
         "1"},
        {"3", "Weekly", "1", "1", "18:05", "02-28-2026", "90", "18:05", "02-27-2026", "2"},
        {"4", "Monthly date", "1", "0", "07:00", "03-31-2026", "0", "07:00", "03-31-2026", "3"},
        {"5", "Third Sunday", "1", "0", "12:00", "06-15-2025", "30", "12:00", "06-15-2025", "4"},
        {"6", W("День рождения"), "0", "1", "00:00", "12-07-2026", "0", "08:00", "12-07-2026", "5"},
    };
    ICalWritten w = writeICalendar(events, 1765000000);
    EXPECT_EQ(w.written, 6);
    // A title kept in the phone's UCS2 goes out with every character it holds.
    events.push_back({"7", "UCS2:6C495B570022", "1", "0", "09:30", "01-31-2026", "15", "09:30",
                      "01-31-2026", "1"});
    EXPECT_NE(writeICalendar(events, 1765000000).text.find("SUMMARY:汉字\""), std::string::npos);
    events.pop_back();
    EXPECT_TRUE(w.refused.empty());
    EXPECT_NE(w.text.find("RRULE:FREQ=MONTHLY;BYDAY=3SU"), std::string::npos) << w.text;
    EXPECT_NE(w.text.find("DTSTART;VALUE=DATE:20261207"), std::string::npos);
    EXPECT_NE(w.text.find("TRIGGER:-PT15M"), std::string::npos);
    ICalRead r = readICalendar(w.text);
    EXPECT_TRUE(r.refused.empty());
    ASSERT_EQ(r.events.size(), events.size());
    for (size_t i = 0; i < events.size(); ++i) {
        MdbRecord want = events[i];
        if (want.alarm == "0") want.alarmTime = want.time, want.alarmDate = want.date;
        EXPECT_EQ(r.events[i], want) << i;
    }
}

TEST(ICalBook, WhatCannotTravelIsReported) {
    std::vector<MdbRecord> events = {
        {"1", "", "1", "0", "10:00", "06-15-2025", "0", "", "", "0"},          // no title: skipped
        {"2", "Bad date", "1", "0", "10:00", "2025-06-15", "0", "", "", "0"},  // refused
        {"3", "Feb 30", "1", "0", "10:00", "02-30-2025", "0", "", "", "0"},    // refused
        {"4", "Bad time", "1", "0", "25:00", "06-15-2025", "0", "", "", "0"},  // refused
    };
    ICalWritten w = writeICalendar(events, 0);
    EXPECT_EQ(w.written, 0);
    ASSERT_EQ(w.refused.size(), 3u);
    EXPECT_EQ(w.refused[0].line, 2);
}

// Events as Google Calendar and Thunderbird write them: times in UTC or a
// named zone come to the user's local clock; what the phone cannot keep is
// refused by its title, what it keeps in part is told.
TEST(ICalBook, ImportedEventsKeptOrRefusedByName) {
    const char* tzWas = std::getenv("TZ");
    const std::string saved = tzWas ? tzWas : "";
    ::setenv("TZ", "Europe/Moscow", 1);  // UTC+3 all year
    ::tzset();
    struct Case {
        const char* what;
        std::string lines;  // of the VEVENT
        std::string title;  // UTF-8; empty: refused
        std::string time, date, duration;
        std::string refusal;  // in the reason (UTF-8)
        bool note = false;
    } cases[] = {
        {"Google: UTC", "SUMMARY:Call\nDTSTART:20250620T083000Z\nDTEND:20250620T090000Z\n", "Call",
         "11:30", "06-20-2025", "30", ""},
        {"Thunderbird: a named zone",
         "SUMMARY:NY\nDTSTART;TZID=America/New_York:20250115T090000\nDURATION:PT1H\n", "NY",
         "17:00", "01-15-2025", "60", ""},
        {"floating time as written", "SUMMARY:Local\nDTSTART:20250115T090000\n", "Local", "09:00",
         "01-15-2025", "0", ""},
        {"emoji and quotes travel",
         "SUMMARY:\xF0\x9F\x8E\x82 \"Party\"\\nnow\nDTSTART:20250101T100000\n",
         "\xF0\x9F\x8E\x82 \"Party\"\nnow", "10:00", "01-01-2025", "0", ""},
        {"description told", "SUMMARY:Room\nDTSTART:20250101T100000\nDESCRIPTION:Bring keys\n",
         "Room", "10:00", "01-01-2025", "0", "", true},
        {"unknown zone", "SUMMARY:Mars\nDTSTART;TZID=Mars/Olympus:20250101T100000\n", "", "", "",
         "", "\"Mars\": часовой пояс TZID=Mars/Olympus неизвестен"},
        {"moved occurrence",
         "SUMMARY:Moved\nDTSTART:20250108T100000\nRECURRENCE-ID:20250107T100000\n", "", "", "", "",
         "\"Moved\": перенос одного повторения"},
        {"unreadable rule", "SUMMARY:Rule\nDTSTART:20250101T100000\nRRULE:FREQ=SOMETIMES\n", "", "",
         "", "", "\"Rule\": "},
        {"too long a title", "SUMMARY:" + std::string(65, 'x') + "\nDTSTART:20250101T100000\n", "",
         "", "", "", "длиннее 64 знаков"},
        {"longer than a day", "SUMMARY:Trip\nDTSTART:20250101T100000\nDURATION:P2D\n", "", "", "",
         "", "\"Trip\": длится дольше суток"},
        {"no such date", "SUMMARY:Leap\nDTSTART:20270229T100000\n", "", "", "", "",
         "\"Leap\": дата начала"},
        {"no title", "DTSTART:20250101\n", "", "", "", "", "нет заголовка"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ICalRead r = readICalendar("BEGIN:VCALENDAR\nVERSION:2.0\nBEGIN:VEVENT\n" + c.lines +
                                   "END:VEVENT\nEND:VCALENDAR\n");
        if (c.title.empty()) {
            EXPECT_TRUE(r.events.empty());
            ASSERT_EQ(r.refused.size(), 1u);
            EXPECT_NE(td::cp1251ToUtf8(r.refused[0].reason).find(c.refusal), std::string::npos)
                << td::cp1251ToUtf8(r.refused[0].reason);
            continue;
        }
        EXPECT_TRUE(r.refused.empty()) << td::cp1251ToUtf8(r.refused[0].reason);
        ASSERT_EQ(r.events.size(), 1u);
        const MdbRecord& e = r.events[0];
        EXPECT_EQ(td::mdbTitleUtf8(e.title), c.title);
        EXPECT_EQ(e.time, c.time);
        EXPECT_EQ(e.date, c.date);
        EXPECT_EQ(e.duration, c.duration);
        EXPECT_EQ(r.notes.size(), c.note ? 1u : 0u);
        // The last copy's line gives the event back whole.
        EXPECT_EQ(td::readMdbRecord(td::writeMdbRecord(e)), e);
    }
    if (tzWas)
        ::setenv("TZ", saved.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}

TEST(ICalBook, RepetitionsThePhoneCannotKeepAreRefusedByName) {
    struct Case {
        const char* rule;    // the lines after DTSTART
        const char* repeat;  // "" when refused
    } cases[] = {
        {"", "0"},
        {"RRULE:FREQ=DAILY\r\n", "1"},
        {"RRULE:FREQ=WEEKLY;BYDAY=SU\r\n", "2"},
        {"RRULE:FREQ=MONTHLY;BYMONTHDAY=15\r\n", "3"},
        {"RRULE:FREQ=MONTHLY;BYDAY=3SU\r\n", "4"},
        {"RRULE:FREQ=YEARLY;BYMONTH=6;BYMONTHDAY=15\r\n", "5"},
        {"RRULE:FREQ=DAILY;INTERVAL=1\r\n", "1"},
        {"RRULE:FREQ=WEEKLY;INTERVAL=2\r\n", ""},
        {"RRULE:FREQ=DAILY;COUNT=5\r\n", ""},
        {"RRULE:FREQ=YEARLY;UNTIL=20300101T000000Z\r\n", ""},
        {"RRULE:FREQ=WEEKLY;BYDAY=MO,WE\r\n", ""},
        {"RRULE:FREQ=WEEKLY;BYDAY=MO\r\n", ""},
        {"RRULE:FREQ=MONTHLY;BYMONTHDAY=1\r\n", ""},
        {"RRULE:FREQ=MONTHLY;BYDAY=-1SU\r\n", ""},
        {"RRULE:FREQ=MONTHLY;BYDAY=SU\r\n", ""},
        {"RRULE:FREQ=YEARLY;BYMONTH=7\r\n", ""},
        {"RRULE:FREQ=HOURLY\r\n", ""},
        {"RRULE:FREQ=DAILY;BYHOUR=9,17\r\n", ""},
        {"RRULE:FREQ=DAILY\r\nRRULE:FREQ=WEEKLY\r\n", ""},
        {"RRULE:FREQ=DAILY\r\nEXDATE:20250616T100000\r\n", ""},
        {"RDATE:20250620T100000\r\n", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        ICalRead r = readICalendar(std::string("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\n"
                                               "SUMMARY:Walk\r\nDTSTART:20250615T100000\r\n") +
                                   c.rule + "END:VEVENT\r\nEND:VCALENDAR\r\n");
        if (*c.repeat) {
            ASSERT_EQ(r.events.size(), 1u);
            EXPECT_EQ(r.events[0].repeat, c.repeat);
            EXPECT_TRUE(r.refused.empty());
        } else {
            EXPECT_TRUE(r.events.empty());
            ASSERT_EQ(r.refused.size(), 1u);
            EXPECT_EQ(r.refused[0].reason.rfind("\"Walk\": ", 0), 0u) << r.refused[0].reason;
        }
    }
    // The refusal names the rule as the file had it.
    ICalRead r = readICalendar(
        "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nSUMMARY:Walk\r\nDTSTART:20250615T100000\r\n"
        "RRULE:FREQ=WEEKLY;INTERVAL=2\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
    ASSERT_EQ(r.refused.size(), 1u);
    EXPECT_NE(r.refused[0].reason.find("FREQ=WEEKLY;INTERVAL=2"), std::string::npos);
}

}  // namespace

namespace {

// A calendar written by Python's icalendar library (Debian's python3-icalendar):
// DTEND instead of DURATION, an all-day event, relative alarms, BYMONTHDAY.
TEST(ICalBook, CalendarOfAnotherLibrary) {
    std::string text;
    ASSERT_TRUE(td::files::readAll(EXCHANGE_DATA "/icalendar-lib.ics", text));
    ICalRead r = readICalendar(text);
    EXPECT_TRUE(r.refused.empty());
    std::vector<MdbRecord> want = {
        {"1", W("Планёрка"), "1", "1", "09:00", "03-03-2025", "45", "08:50", "03-03-2025", "2"},
        {"2", W("Отпуск"), "0", "0", "00:00", "07-01-2025", "0", "00:00", "07-01-2025", "0"},
        {"3", "Payday", "1", "0", "12:00", "01-25-2025", "60", "12:00", "01-25-2025", "3"},
        {"4", W("Юбилей"), "1", "1", "18:30", "05-09-2025", "0", "18:30", "05-08-2025", "5"},
    };
    ASSERT_EQ(r.events.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) EXPECT_EQ(r.events[i], want[i]) << i;
}

}  // namespace
