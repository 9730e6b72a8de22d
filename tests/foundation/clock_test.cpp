// Dates and times as the system's formats give them, in markers and in file
// names.

#include <gtest/gtest.h>

#include "platform/services.h"
#include "support/fakes.h"

namespace {

using td::test::TestEnv;

struct FormatCase {
    const char* locale;      // where the formats come from (for the reader)
    const char* systemDate;  // the locale's short date format
    const char* systemTime;  // the locale's long time format
    const char* date;        // what the clock shows: 7 Dec 2026, 14:05:09
    const char* time;
    const char* marker;
    const char* stamp;  // part of a file name
};

class ClockFormats : public ::testing::TestWithParam<FormatCase> {};

TEST_P(ClockFormats, DisplayMarkerAndFileName) {
    TestEnv env;
    const FormatCase& c = GetParam();
    env.clock.setLocal(2026, 12, 7, 14, 5, 9);
    std::string date = td::clockDateFormat(c.systemDate);
    std::string time = td::clockTimeFormat(c.systemTime);
    if (!date.empty()) env.clock.shortDateFormat = date;
    if (!time.empty()) env.clock.longTimeFormat = time;
    std::time_t t = env.clock.now();
    EXPECT_EQ(env.clock.shortDate(t), c.date);
    EXPECT_EQ(env.clock.longTime(t), c.time);
    EXPECT_EQ(env.clock.markerDate(t), c.marker);
    std::string stamp = env.clock.fileStamp(t);
    EXPECT_EQ(stamp, c.stamp);
    EXPECT_EQ(stamp.find_first_of("/:\\"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Locales, ClockFormats,
    ::testing::Values(
        FormatCase{"ru_RU", "dd.MM.yyyy", "HH:mm:ss t", "07.12.2026", "14:05:09", "07.12.2026",
                   "07.12.2026 14-05-09"},
        // A 12-hour clock keeps its AM/PM: 2:05 in the morning and in the
        // afternoon are not one time.
        FormatCase{"en_US", "M/d/yy", "h:mm:ss AP t", "12/7/26", "2:05:09 PM", "07.12.2026",
                   "07.12.2026 2-05-09 PM"},
        // Names of months (the C locale's "7 Dec 2026") are not the clock's: its own formats.
        FormatCase{"C", "d MMM yyyy", "HH:mm:ss t", "07.12.2026", "14:05:09", "07.12.2026",
                   "07.12.2026 14-05-09"},
        FormatCase{"en_GB", "dd/MM/yyyy", "HH:mm:ss t", "07/12/2026", "14:05:09", "07/12/2026",
                   "07-12-2026 14-05-09"},
        FormatCase{"de_DE", "dd.MM.yy", "HH:mm:ss t", "07.12.26", "14:05:09", "07.12.2026",
                   "07.12.2026 14-05-09"},
        FormatCase{"ISO", "yyyy-MM-dd", "HH:mm:ss", "2026-12-07", "14:05:09", "2026-12-07",
                   "2026-12-07 14-05-09"},
        FormatCase{"quoted", "d 'de' MMMM 'de' yyyy", "H'h'mm", "07.12.2026", "14:05:09",
                   "07.12.2026", "07.12.2026 14-05-09"},
        FormatCase{"12-hour without AM/PM", "dd.MM.yyyy", "h:mm:ss", "07.12.2026", "14:05:09",
                   "07.12.2026", "07.12.2026 14-05-09"},
        FormatCase{"lower-case am/pm", "dd.MM.yyyy", "hh:mm:ss ap", "07.12.2026", "02:05:09 pm",
                   "07.12.2026", "07.12.2026 02-05-09 pm"}),
    [](const auto& info) {
        std::string n;
        for (char ch : std::string(info.param.locale))
            n += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
        return n;
    });

TEST(Clock, MorningAndAfternoonHaveDistinctStamps) {
    TestEnv env;
    env.clock.longTimeFormat = td::clockTimeFormat("h:mm:ss AP");
    env.clock.setLocal(2026, 12, 7, 2, 5, 9);
    std::string morning = env.clock.fileStamp(env.clock.now());
    env.clock.setLocal(2026, 12, 7, 14, 5, 9);
    EXPECT_NE(morning, env.clock.fileStamp(env.clock.now()));
    EXPECT_EQ(morning, "07.12.2026 2-05-09 AM");
}

}  // namespace
