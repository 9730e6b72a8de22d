#include "main/mainlogic.h"

#include <gtest/gtest.h>

#include "platform/ini.h"
#include "support/fakes.h"

namespace ml = td::mainlogic;
using td::test::W;

TEST(MainLogic, WaitIsHalvedWithHalvesToEven) {
    struct Case {
        long long seconds, half;
    } cases[] = {{5, 2}, {3, 2}, {7, 4}, {10, 5}, {1, 0}, {9, 4}, {11, 6}, {0, 0}, {-3, -2}};
    for (const auto& c : cases) EXPECT_EQ(ml::halfToEven(c.seconds), c.half) << c.seconds;
}

TEST(MainLogic, WaitSecThatIsNotWholeFallsBackToFive) {
    struct Case {
        const char* text;
        const char* used;
    } cases[] = {{"5", "5"},   {"12", "12"}, {"-4", "-4"}, {"abc", "5"},
                 {"2.5", "5"}, {"", "5"},    {"+", "5"},   {"99999999999999999999", "5"}};
    for (const auto& c : cases) EXPECT_EQ(ml::effectiveWaitSec(c.text), c.used) << c.text;
}

TEST(MainLogic, NamesFromTheExeName) {
    struct Case {
        const char *exe, *ini, *base;
    } cases[] = {{"tapdeck", "tapdeck.ini", "tapdeck"},
                 {"tapdeck.exe", "tapdeck.ini", "tapdeck"},
                 {"phone2", "phone2.ini", "phone2"},
                 {"Phone2.EXE", "Phone2.ini", "Phone2"},
                 {"my.prog.exe", "my.prog.ini", "my.prog"}};
    for (const auto& c : cases) {
        EXPECT_EQ(ml::exeIniName(c.exe), c.ini);
        EXPECT_EQ(ml::exeBaseName(c.exe), c.base);
    }
}

TEST(MainLogic, HistoryReadsKeysUpTo21AndSkipsEmptyOnes) {
    td::test::TestEnv env;
    env.writeFile("h.ini", "[History]\n0=first\n1=\n2=third\n21=last\n22=never\n");
    td::IniFile ini(env.path("h.ini"));
    EXPECT_EQ(ml::readHistory(ini, "History"),
              (std::vector<std::string>{"first", "third", "last"}));
    EXPECT_TRUE(ml::readHistory(ini, "RusHistory").empty());
}

TEST(MainLogic, HistoryWritesAtMost21LinesAndErasesOldKeys) {
    td::test::TestEnv env;
    env.writeFile("h.ini", "[History]\n25=stale\n[Other]\nk=v\n");
    td::IniFile ini(env.path("h.ini"));
    std::vector<std::string> lines;
    for (int i = 0; i < 30; ++i) lines.push_back("text " + std::to_string(i));
    ml::writeHistory(ini, "History", lines);
    auto keys = ini.readSectionKeys("History");
    ASSERT_EQ(keys.size(), 21u);
    EXPECT_EQ(keys.front(), "0");
    EXPECT_EQ(keys.back(), "20");
    EXPECT_EQ(ini.readString("History", "20", ""), "text 20");
    EXPECT_FALSE(ini.keyExists("History", "25"));
    EXPECT_EQ(ini.readString("Other", "k", ""), "v");

    ml::writeHistory(ini, "History", {});
    EXPECT_TRUE(ini.readSectionKeys("History").empty());
}

TEST(MainLogic, Recipients) {
    struct Case {
        const char *list, *number;
        bool several;
        const char* result;
    } cases[] = {{"", "111", false, "111"},
                 {"111", "222", false, "222"},
                 {"", "111", true, " 111"},
                 {" 111", "222", true, " 111 222"},
                 {" 111", "111", true, " 111 111"},
                 {" 111", "", true, " 111"},
                 {"111", "", false, ""}};
    for (const auto& c : cases)
        EXPECT_EQ(ml::addRecipient(c.list, c.number, c.several), c.result) << c.list << c.number;
    EXPECT_FALSE(ml::hasRecipient(""));
    EXPECT_FALSE(ml::hasRecipient("  "));
    EXPECT_TRUE(ml::hasRecipient(" 1"));
}

TEST(MainLogic, SmsTextRules) {
    EXPECT_FALSE(ml::sendableText(""));
    EXPECT_FALSE(ml::sendableText(" "));
    EXPECT_TRUE(ml::sendableText("  "));
    EXPECT_TRUE(ml::sendableText("a"));
    EXPECT_EQ(ml::commandLineText("say \"hi\" \"\""), "say 'hi' ''");
    EXPECT_EQ(ml::latinOnly(W("abc Жж№ z")), "abc ... z");
}

TEST(MainLogic, LongSmsParts) {
    struct Case {
        std::string text;
        bool wide;
        int parts, left;
        std::string shown;
    } cases[] = {
        {"", false, 0, 160, ""},
        {std::string(160, 'a'), false, 1, 0, ""},
        {std::string(159, 'a') + "{", false, 2, 145, "2 SMS, " + W("осталось 145")},
        {std::string(306, 'a'), false, 2, 0, "2 SMS, " + W("осталось 0")},
        {std::string(307, 'a'), false, 3, 152, "3 SMS, " + W("осталось 152")},
        {std::string(70, '\xC6'), true, 1, 0, ""},
        {std::string(71, '\xC6'), true, 2, 63, "2 SMS, " + W("осталось 63")},
        {std::string(200, '\xC6'), true, 3, 1, "3 SMS, " + W("осталось 1")},
    };
    for (const auto& c : cases) {
        int units = ml::smsUnits(c.text, c.wide);
        EXPECT_EQ(ml::smsSize(units, c.wide).parts, c.parts) << c.text.size();
        EXPECT_EQ(ml::smsSize(units, c.wide).left, c.left) << c.text.size();
        EXPECT_EQ(ml::smsPartsText(units, c.wide), c.shown) << c.text.size();
    }
    EXPECT_EQ(ml::smsFit(std::string(1529, 'a') + "~b", false).size(), 1529u);
    EXPECT_EQ(ml::smsFit(std::string(1530, 'a'), false).size(), 1530u);
    EXPECT_EQ(ml::smsFit(std::string(671, '\xC6'), true).size(), 670u);
}

TEST(MainLogic, DialKinds) {
    struct Case {
        const char* number;
        ml::DialKind kind;
    } cases[] = {{"", ml::DialKind::Empty},
                 {"89161234567", ml::DialKind::National},
                 {"+79161234567", ml::DialKind::International},
                 {"8916+123", ml::DialKind::Ignored},
                 {"*100#", ml::DialKind::National},
                 {"+1\"|ATD+7999;|\"", ml::DialKind::Ignored},
                 {"8abc", ml::DialKind::Ignored},
                 {"+", ml::DialKind::International}};
    for (const auto& c : cases) EXPECT_EQ(ml::classifyDial(c.number), c.kind) << c.number;
}

TEST(MainLogic, InternationalBatchLine) {
    std::string prefix = "at+ckpd=\"0\",22|!dly|";
    EXPECT_EQ(
        ml::internationalBatchLine(prefix, W("at+ckpd=\"№\"|!dly|at+ckpd=\"s\""), "+79161234567"),
        "at+ckpd=\"0\",22|!dly|AT+CKPD=\"79161234567\"|!DLY|AT+CKPD=\"S\"");
    // A failed lookup leaves only the prefix; only the first mark takes the number.
    EXPECT_EQ(ml::internationalBatchLine(prefix, "", "+7916"), prefix);
    EXPECT_EQ(ml::internationalBatchLine("", W("№-№"), "+12"), W("12-№"));
}

TEST(MainLogic, ReSendChoice) {
    std::vector<std::string> indexes = {"3", "7"};
    EXPECT_EQ(ml::reSendChoice("hello", 0, 3, indexes), "3");
    EXPECT_EQ(ml::reSendChoice("second", 1, 3, indexes), "7");
    EXPECT_FALSE(ml::reSendChoice(ml::reSendPrompt(), 2, 3, indexes));
    EXPECT_FALSE(ml::reSendChoice(W("ответ справа"), 0, 3, indexes));
    EXPECT_FALSE(ml::reSendChoice("x", -1, 3, indexes));
    EXPECT_FALSE(ml::reSendChoice("x", 3, 3, indexes));
    // A line without a stored index (the list was refilled by another window).
    EXPECT_FALSE(ml::reSendChoice("x", 2, 4, indexes));
}
