// The lines of the phone book's last-copy file: what is written comes back,
// and the lines of existing files read as they always did.

#include "formats/pbrecord.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "support/fakes.h"

namespace {

using td::test::TestEnv;
using td::test::W;

TEST(PbRecord, EveryRecordComesBackFromItsLine) {
    struct Case {
        std::string name, number, line;
    } cases[] = {
        {"Ann", "123", "Ann=123"},
        {"", "+7495", "=+7495"},
        {W("Анна-Мария"), "+79031112233", W("Анна-Мария=+79031112233")},
        {"A=B", "+79161234567", "A=B=+79161234567"},  // "=" in a name stays in the name
        {"==", "1", "===1"},
        {"Ends with=", "2", "Ends with==2"},
        {" spaced ", " 3 ", " spaced = 3 "},
        {"Comma, name", "*100#", "Comma, name=*100#"},
        {"A\ttime:B", "1", "A\ttime:B=1"},  // no time after the mark: all name
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        // The time never enters the line: the file is name=number.
        std::string line = td::recordLine({c.name, c.number, "2025/06/02,18:05"});
        EXPECT_EQ(line, c.line);
        td::PBRecord back = td::splitRecordLine(line);
        EXPECT_EQ(back.name, c.name);
        EXPECT_EQ(back.number, c.number);
        EXPECT_EQ(back.time, "");
    }
}

TEST(PbRecord, LinesOfExistingFiles) {
    struct Case {
        std::string line, name, number, time = "";
    } cases[] = {
        {"Ann=123", "Ann", "123"},
        {"=+7495", "", "+7495"},
        {"no equals", "no equals", ""},
        {"=", "", ""},
        {"Name=", "Name", ""},
        {"", "", ""},
        // An earlier version's time marks.
        {"Ann\ttime:2025/06/02,18:05=123", "Ann", "123", "2025/06/02,18:05"},
        {"\ttime:08/07/04,17:24:55=+7", "", "+7", "08/07/04,17:24:55"},
        {"A=B\ttime:1/2=1", "A=B", "1", "1/2"},
        {"A\ttime:B\ttime:=1", "A\ttime:B", "1"},
    };
    for (const auto& c : cases) {
        td::PBRecord r = td::splitRecordLine(c.line);
        EXPECT_EQ(r.name, c.name) << c.line;
        EXPECT_EQ(r.number, c.number) << c.line;
        EXPECT_EQ(r.time, c.time) << c.line;
    }
}

// The times kept beside the copy go back to the records they name, and to
// none that changed since.
TEST(PbRecord, TimesGoBackToTheirRecords) {
    std::vector<td::PBRecord> calls = {
        {"Ann", "1", "2025/06/02,18:05"}, {"Bob", "2", ""}, {"Ann", "1", "2025/06/03,09:00"}};
    std::vector<std::string> times = td::callTimeLines(calls);
    EXPECT_EQ(times,
              (std::vector<std::string>{"2025/06/02,18:05\tAnn=1", "2025/06/03,09:00\tAnn=1"}));
    struct Case {
        const char* what;
        std::vector<std::string> copy;
        std::vector<std::string> want;
    } cases[] = {
        {"as written", {"Ann=1", "Bob=2", "Ann=1"}, {"2025/06/02,18:05", "", "2025/06/03,09:00"}},
        {"rewritten without Ann", {"Eve=3", "Bob=2"}, {"", ""}},
        {"one Ann left", {"Bob=2", "Ann=1"}, {"", "2025/06/02,18:05"}},
    };
    for (const Case& c : cases) {
        std::vector<td::PBRecord> back;
        for (const auto& l : c.copy) back.push_back(td::splitRecordLine(l));
        td::attachCallTimes(back, times);
        std::vector<std::string> got;
        for (const auto& r : back) got.push_back(r.time);
        EXPECT_EQ(got, c.want) << c.what;
    }
}

// Through the file, as the read cycle stores the lines and reads them back.
TEST(PbRecord, FileRoundTrip) {
    TestEnv env;
    std::vector<td::PBRecord> records = {{"A=B", "+7916"}, {"", "1"}, {W("Иван"), "+7903"}};
    std::vector<std::string> lines;
    for (const auto& r : records) lines.push_back(td::recordLine(r));
    const std::string path = env.path(td::PhoneBookCopyName);
    ASSERT_TRUE(td::files::writeLines(path, lines));
    std::vector<std::string> read;
    ASSERT_TRUE(td::files::readLines(path, read));
    ASSERT_EQ(read.size(), records.size());
    for (size_t i = 0; i < read.size(); ++i) {
        td::PBRecord r = td::splitRecordLine(read[i]);
        EXPECT_EQ(r.name, records[i].name) << i;
        EXPECT_EQ(r.number, records[i].number) << i;
    }
}

}  // namespace
