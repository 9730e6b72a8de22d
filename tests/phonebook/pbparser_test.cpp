// The phone book answer parser, the own phone book's ini section and the
// side-by-side placement.

#include "phonebook/pbparser.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "engine/settings.h"
#include "formats/ownbook.h"
#include "phonebook/pbcycle.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "support/fakes.h"

namespace {

using td::test::TestEnv;
using td::test::W;

struct LineCase {
    const char* why;
    std::string line;
    bool record;
    std::string name, number;
    std::string time = "";
};

void PrintTo(const LineCase& c, std::ostream* os) {
    *os << c.why;
}

class ParseLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(ParseLine, CutsAsThePhoneWroteIt) {
    const LineCase& c = GetParam();
    auto r = td::parsePhoneBookLine(c.line, "+CPBR");
    ASSERT_EQ(r.has_value(), c.record) << c.line;
    if (r) {
        EXPECT_EQ(r->name, c.name);
        EXPECT_EQ(r->number, c.number);
        EXPECT_EQ(r->time, c.time);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pb, ParseLine,
    ::testing::Values(
        LineCase{"plain", "+CPBR: 1,\"+79161234567\",145,\"Ivan Petrov\"", true, "Ivan Petrov",
                 "+79161234567"},
        LineCase{"sixteen chars", "+CPBR: 1,\"12\",1,", false, "", ""},
        LineCase{"seventeen chars", "+CPBR: 1,\"12\",1,A", true, "A", "12"},
        LineCase{"other prefix", "+CPBS: 1,\"12345\",129,\"Name\"", false, "", ""},
        LineCase{"prefix without colon", "+CPBR 1,\"12345\",129,\"Name\"", false, "", ""},
        LineCase{"command echo", "AT+CPBR=1,250 and more", false, "", ""},
        LineCase{"range answer", "+CPBR: (1-250),40,14", false, "", ""},
        LineCase{"range answer with blanks", "+CPBR: (1 - 250),40,14,20", false, "", ""},
        LineCase{"empty name", "+CPBR: 5,\"+7495\",145,\"\"", true, "", "+7495"},
        LineCase{"no name field", "+CPBR: 5,\"+74951234567\",145", true, "", "+74951234567"},
        LineCase{"unquoted number", "+CPBR: 3,89161234567,129,\"Bob\"", true, "Bob", "89161234567"},
        LineCase{"blank stays in unquoted fields", "+CPBR: 3, 89161234567,129, Bob", true, " Bob",
                 " 89161234567"},
        LineCase{"comma in quoted name", "+CPBR: 7,\"123\",129,\"Smith, John\"", true,
                 "Smith, John", "123"},
        LineCase{"comma in unquoted name", "+CPBR: 7,\"123\",129,Smith, John", true, "Smith, John",
                 "123"},
        LineCase{"hyphenated latin name", "+CPBR: 8,\"+33612345678\",145,\"Jean-Luc\"", true,
                 "Jean-Luc", "+33612345678"},
        LineCase{"hyphenated cyrillic name", W("+CPBR: 9,\"+79031112233\",145,\"Анна-Мария\""),
                 true, W("Анна-Мария"), "+79031112233"},
        LineCase{"hyphens in number", "+CPBR: 10,\"8-916-123-45-67\",129,\"Office\"", true,
                 "Office", "8-916-123-45-67"},
        LineCase{"name without a number", "+CPBR: 4,\"\",129,\"Nobody here\"", true, "Nobody here",
                 ""},
        LineCase{"name only, no type", "+CPBR: 16,\"\",,\"Steve\"", true, "Steve", ""},
        LineCase{"neither name nor number", "+CPBR: 16,\"\",129,\"\"", false, "", ""},
        LineCase{"empty field before the number, dated",
                 "+CPBR: 1,,\"+31234657899\",145,\"Mama GSM\",\"2007/11/02,09:27\"", true,
                 "Mama GSM", "+31234657899", "2007/11/02,09:27"},
        LineCase{"date and time as two fields",
                 "+CPBR: 1,\"+60122256476\",145,\"\",\"08/07/04\",\"17:24:55\"", true, "",
                 "+60122256476", "08/07/04,17:24:55"},
        LineCase{"a date alone", "+CPBR: 2,\"+7916\",145,\"Ann\",\"02.06.2025\"", true, "Ann",
                 "+7916", "02.06.2025"},
        LineCase{"a flag after the name is no time", "+CPBR: 81,\"#121#\",129,\"My Tempo\",0", true,
                 "My Tempo", "#121#"},
        LineCase{"a text after the name is no time",
                 "+CPBR: 23,\"1\",145,\"Name\",\"Fax-Number\",255", true, "Name", "1"},
        LineCase{"empty fields after the name", "+CPBR: 16,\"1\",129,\"Steve\",,,,", true, "Steve",
                 "1"},
        LineCase{"unquoted UCS2 name", "+CPBR: 419,\"030450566735\",129,56697263686F77", true,
                 "56697263686F77", "030450566735"},
        LineCase{"blank number", "+CPBR: 4,\" \",129,\"Blank number\"", false, "", ""},
        LineCase{"unclosed number quote", "+CPBR: 4,\"12345,129,\"X\"", true, "X", "12345"},
        LineCase{"name quoted twice", "+CPBR: 2,\"555\",129,\"A\" \"B\"", true, "A", "555"}),
    [](const auto& info) {
        std::string n = info.param.why;
        for (char& ch : n)
            if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return n;
    });

TEST(PbParser, ConfiguredPrefixIsUsed) {
    EXPECT_TRUE(td::parsePhoneBookLine("+CPBF: 1,\"123\",129,\"Name\"", "+CPBF"));
    EXPECT_FALSE(td::parsePhoneBookLine("+CPBR: 1,\"123\",129,\"Name\"", "+CPBF"));
}

TEST(PbParser, WholeAnswerKeepsOrderAndEveryRecord) {
    std::vector<std::string> lines = {"AT+CPBR=1,700", "+CPBR: (1-700),40,14", ""};
    for (int i = 1; i <= 600; ++i)
        lines.push_back("+CPBR: " + std::to_string(i) + ",\"+7900" + std::to_string(i) +
                        "\",145,\"Name " + std::to_string(i) + "\"");
    lines.push_back("OK");
    auto recs = td::parsePhoneBookAnswer(lines, "+CPBR");
    ASSERT_EQ(recs.size(), 600u);
    EXPECT_EQ(recs.front().name, "Name 1");
    EXPECT_EQ(recs.back().number, "+7900600");
}

TEST(PbParser, SideBySidePlacement) {
    struct Case {
        int screen, own, phone, ownLeft, phoneLeft;
    } cases[] = {
        // Wide: a = 194; a gap would open, so the right one overlaps by 16.
        {1280, 400, 396, 226, 610},
        // Just wide enough: a = 2, they overlap already.
        {800, 400, 396, 34, 370},
        // Narrower than both: a is 0.
        {600, 400, 396, 32, 172},
    };
    for (const auto& c : cases) {
        td::SideBySide s = td::placeBeside(c.screen, c.own, c.phone);
        EXPECT_EQ(s.ownLeft, c.ownLeft) << c.screen;
        EXPECT_EQ(s.phoneLeft, c.phoneLeft) << c.screen;
    }
}

// ---- the files the phone book read works with -----------------------------

TEST(PbCycle, FilesFollowTheLogSetting) {
    struct Case {
        std::string logFile, watched, work, notCreated;
    } cases[] = {
        {"LastRun.log", "LastRun.log", "$LastRun.log",
         W("- Файл с записями тел.книги \"LastRun.log\" не создан программой CellTalk")},
        // The engine's work file lies beside the log, wherever that is.
        {"logs/Run.log", "logs/Run.log", "logs/$Run.log",
         W("- Файл с записями тел.книги \"Run.log\" не создан программой CellTalk")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.logFile);
        TestEnv env;
        td::prog().LogFile = c.logFile;
        td::ReadFlags flags;
        td::ReadCycleConfig k =
            td::phoneBookCycleConfig("Op", td::MissCallPrefix, td::missCallTexts(), flags);
        EXPECT_EQ(k.watchedFile, td::autoRunPath(c.watched));
        EXPECT_EQ(k.workFile, td::autoRunPath(c.work));
        EXPECT_EQ(k.parseFile, td::autoRunPath("LastRun.pbf"));
        EXPECT_EQ(k.parseFallback, k.watchedFile);
        EXPECT_EQ(k.deleteBeforeStart,
                  (std::vector<std::string>{k.watchedFile, k.parseFile, "CellTalk.err"}));
        EXPECT_EQ(k.lastCopyPath, td::autoRunPath("MC-LastPBook.txt"));
        EXPECT_EQ(k.notCreatedText, c.notCreated);
    }
}

// ---- own phone book section ----------------------------------------------

TEST(OwnBook, LoadKeepsKeyPositionsAndSkipsBlankValues) {
    TestEnv env;
    env.writeFile("tapdeck.ini",
                  "[Common]\nBeep=NO\n[PhoneBook]\nAnn=111\nEmpty=\nBlank=\" \"\nBob=222\n"
                  "[History]\n0=hi\n");
    auto book = td::loadOwnBook(env.path("tapdeck.ini"));
    ASSERT_EQ(book.rows.size(), 4u);
    EXPECT_EQ(book.count, 2);
    EXPECT_EQ(book.rows[0].name, "Ann");
    EXPECT_TRUE(book.rows[1].number.empty());
    EXPECT_TRUE(book.rows[2].number.empty());
    EXPECT_EQ(book.rows[3].name, "Bob");
    EXPECT_EQ(book.rows[3].number, "222");
}

TEST(OwnBook, SaveRulesForDuplicatesBlanksAndEquals) {
    TestEnv env;
    env.writeFile("tapdeck.ini", "[PhoneBook]\nOld=1\n[History]\n0=hi\n");
    std::vector<td::PBRecord> rows = {
        {"Ann", "111"}, {"", "999"},    {"Nameonly", ""}, {" ", "5"},
        {"Bob", "222"}, {"Ann", "333"}, {"A=B", "444"},   {"Spaced", " "},
    };
    ASSERT_TRUE(td::saveOwnBook(env.path("tapdeck.ini"), rows));
    td::IniFile ini(env.path("tapdeck.ini"));
    auto section = ini.readSection("PhoneBook");
    ASSERT_EQ(section.size(), 3u);
    EXPECT_EQ(section[0], (std::pair<std::string, std::string>{"Ann", "333"}));
    EXPECT_EQ(section[1], (std::pair<std::string, std::string>{"Bob", "222"}));
    EXPECT_EQ(section[2], (std::pair<std::string, std::string>{"A-B", "444"}));
    EXPECT_EQ(ini.readString("History", "0", ""), "hi");  // other sections untouched
}

// Numbers are kept as the phone dials them; anything that is no number
// refuses the save, naming its row.
TEST(OwnBook, NumbersAreNormalisedOrRefused) {
    const struct {
        std::string number, stored;  // empty stored: refused
    } cases[] = {
        {"8 916 555-44-33", "89165554433"},
        {"+7 (916) 555.44.33", "+79165554433"},
        {"*100#", "*100#"},
        {"8916|ATD123;", ""},
        {"8916;ATD", ""},
        {"+7916,1", ""},
        {"Mom", ""},
        {"++", ""},
        {"\"8916\"", ""},
        {W("8916№"), ""},
    };
    for (const auto& c : cases) {
        TestEnv env;
        env.writeFile("tapdeck.ini", "[PhoneBook]\nOld=1\n");
        std::string before = env.readFile("tapdeck.ini");
        std::vector<td::PBRecord> rows = {{"Ann", "111"}, {W("Мама"), c.number}};
        td::OwnBookSave r = td::saveOwnBook(env.path("tapdeck.ini"), rows);
        if (c.stored.empty()) {
            EXPECT_TRUE(r.refused) << c.number;
            EXPECT_EQ(env.readFile("tapdeck.ini"), before) << c.number;
            EXPECT_NE(td::ownBookRefusal(r, rows).find(W("в строке 2")), std::string::npos);
        } else {
            ASSERT_TRUE(r) << c.number;
            EXPECT_EQ(td::IniFile(env.path("tapdeck.ini")).readString("PhoneBook", W("Мама"), ""),
                      c.stored);
        }
    }
}

TEST(OwnBook, NameStandingTwiceLoadsItsFirstValueForBothRows) {
    TestEnv env;
    env.writeFile("tapdeck.ini", "[PhoneBook]\nAnn=111\nBob=222\nann=333\n");
    auto book = td::loadOwnBook(env.path("tapdeck.ini"));
    ASSERT_EQ(book.rows.size(), 3u);
    EXPECT_EQ(book.rows[2].name, "ann");
    EXPECT_EQ(book.rows[2].number, "111");
    EXPECT_EQ(book.count, 3);
}

struct RefusedRow {
    const char* label;
    td::PBRecord row;
    bool badName;
};

// A name or number the ini could not give back refuses the whole save and
// leaves the file as it was; every other row is kept for another try.
TEST(OwnBook, RowThatCannotBeReadBackRefusesTheWholeSave) {
    const RefusedRow cases[] = {
        {"section-like name", {"[Office]", "1"}, true},
        {"bracket start", {"[Office", "1"}, true},
        {"comment-like name", {";Boss", "1"}, true},
        {"line break in name", {"Ann\nBob", "1"}, true},
        {"carriage return in name", {"Ann\rBob", "1"}, true},
        {"line break in number", {"Ann", "1\r\n2"}, false},
    };
    for (const RefusedRow& c : cases) {
        TestEnv env;
        env.writeFile("tapdeck.ini", "[PhoneBook]\nOld=1\n[History]\n0=hi\n");
        std::string before = env.readFile("tapdeck.ini");
        std::vector<td::PBRecord> rows = {{"Ann", "111"}, {"Bob", "222"}, c.row, {"Eve", "5"}};
        td::OwnBookSave r = td::saveOwnBook(env.path("tapdeck.ini"), rows);
        EXPECT_FALSE(r.ok) << c.label;
        EXPECT_TRUE(r.refused) << c.label;
        EXPECT_EQ(r.badRow, 3) << c.label;
        EXPECT_EQ(r.badName, c.badName) << c.label;
        EXPECT_EQ(env.readFile("tapdeck.ini"), before) << c.label;
        std::string text = td::ownBookRefusal(r, rows);
        EXPECT_NE(text.find(W("в строке 3")), std::string::npos) << c.label;
    }
}

TEST(OwnBook, NamesTheIniCanHoldReadBackUnchanged) {
    TestEnv env;
    env.writeFile("tapdeck.ini", "[Common]\nBeep=NO\n");
    std::vector<td::PBRecord> rows = {{"#1 Boss", "100"},   {W("Офис [2]"), "200"},
                                      {"Ann; home", "300"}, {"Quoted", "400"},
                                      {"Padded", "500"},    {"   ", "600"}};
    ASSERT_TRUE(td::saveOwnBook(env.path("tapdeck.ini"), rows));
    auto book = td::loadOwnBook(env.path("tapdeck.ini"));
    ASSERT_EQ(book.rows.size(), 5u);  // the name of blanks only is an empty row
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(book.rows[i].name, rows[i].name);
        EXPECT_EQ(book.rows[i].number, rows[i].number);
    }
}

TEST(OwnBook, FailedWriteLeavesTheFileAndIsToldOnce) {
    TestEnv env;
    env.writeFile("tapdeck.ini", "[PhoneBook]\nOld=1\n");
    ::chmod(env.path("tapdeck.ini").c_str(), 0444);
    std::string before = env.readFile("tapdeck.ini");
    std::vector<td::PBRecord> rows = {{"Ann", "111"}, {"Bob", "222"}};
    td::OwnBookSave r = td::saveOwnBook(env.path("tapdeck.ini"), rows);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.refused);
    EXPECT_EQ(env.readFile("tapdeck.ini"), before);
    EXPECT_EQ(env.dialogs.messages.size(), 1u);
}

TEST(OwnBook, LongBookSurvivesSaveAndLoad) {
    TestEnv env;
    env.writeFile("tapdeck.ini", "[Common]\nBeep=NO\n");
    std::vector<td::PBRecord> rows;
    for (int i = 0; i < 350; ++i) rows.push_back({"N" + std::to_string(i), std::to_string(i)});
    ASSERT_TRUE(td::saveOwnBook(env.path("tapdeck.ini"), rows));
    auto book = td::loadOwnBook(env.path("tapdeck.ini"));
    EXPECT_EQ(book.count, 350);
    EXPECT_EQ(book.rows.back().name, "N349");
}

}  // namespace
