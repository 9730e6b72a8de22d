// USSD answers decoded as the data coding scheme says, requests checked,
// and the simulated phone's balance session read back through the decoder.

#include "ussd/ussdlogic.h"

#include <gtest/gtest.h>

#include "phonesim.h"
#include "platform/cp1251.h"
#include "state.h"

namespace {

using td::W;
using namespace td::ussd;

TEST(Ussd, AnswersDecoded) {
    struct Case {
        std::string line;
        int mode;
        std::string text;  // UTF-8
    } cases[] = {
        {"+CUSD: 0,\"C2303BEC1E9775A098CC558381A45521\",15", 0, "Balance: 12.50 RUB"},
        {"~+CUSD: 1,\"04110430043B0430043D0441003A002000310030003000200440002E\",72", 1,
         "Баланс: 100 р."},
        {"+CUSD: 0,\"31D98C56B3DD00\",0", 0, "1234567"},  // the fill septet dropped
        {"+CUSD: 0,\"31D98C56B3DD1A\",0", 0, "1234567"},  // or the CR put there
        {"+CUSD: 2", 2, ""},
        {"+CUSD: 0,\"Balance 5 EUR\",15", 0, "Balance 5 EUR"},  // not hex: plain text
        {"+CUSD: 0,\"0041\",17", 0, "A"},                       // UCS2 after a language
        {"+CUSD: 0,\"1B65\",68", 0,
         "\x1B"
         "e"},                                        // 8-bit data: the bytes as they are
        {"+CUSD: 0,\"9B32\",15", 0, "\xE2\x82\xAC"},  // 7-bit escape 1B 65: the euro sign
        // An escape to a code the extension table lacks shows the basic
        // character; a lone escape at the end, a space.
        {"+CUSD: 0,\"C14D10\",15", 0, "AA"},
        {"+CUSD: 0,\"C10D\",15", 0, "A "},
        {"+CUSD: 0,\"C1CD2608\",15", 0, "A A"},  // escape, escape: a further table
        // Captured from real phones and modems.
        {"+CUSD: 0,\"EBB79B1E0685E9ECF4BADE9E03\", 0 ", 0, "konta atlikums"},
        {"+CUSD: 0,\"0421043F0430044104380431043E0020043704300020043E04310440043004490435043D043804"
         "3500210020041C044B0020043D0430043F0440043004320438043C0020043E04420432043504420020043D"
         "04300020041204300448002004370430043F0440043E04410020043200200053004D0053\",72",
         0, "Спасибо за обращение! Мы направим ответ на Ваш запрос в SMS"},
        {"+CUSD: 0,\"Your account balance is 49.10 USD and will expire on 04/03/16.\",64", 0,
         "Your account balance is 49.10 USD and will expire on 04/03/16."},
        {"+CUSD: 0,\"Hazineye akherin tamas 160 Rial ,va baghimande etebare asli 16764 Rial\",15",
         0, "Hazineye akherin tamas 160 Rial ,va baghimande etebare asli 16764 Rial"},
        {"+CUSD: 4", 4, ""},
        // A text the log cut at a line break inside it.
        {"+CUSD: 1,\"Balance 5, more", 1, "Balance 5, more"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        auto a = parseCusd(c.line);
        ASSERT_TRUE(a);
        EXPECT_EQ(a->mode, c.mode);
        EXPECT_EQ(td::cp1251ToUtf8(a->text), c.text);
    }
    EXPECT_FALSE(parseCusd("+CUSD: (0,1,2)"));
    EXPECT_FALSE(parseCusd("OK"));
    auto last =
        lastAnswer({"AT+CUSD=1,\"*100#\",15", "+CUSD: 1,\"41\",15", "OK", "~+CUSD: 0,\"Done\",15"});
    ASSERT_TRUE(last);
    EXPECT_EQ(last->text, "Done");
}

// Answers read from the engine's log: texts over several lines, a NUL and
// padding after the text, and text mode in the GSM character set. The last
// copy (the lines answerLines keeps) reads the same.
TEST(Ussd, AnswersReadFromTheLog) {
    using Log = std::vector<std::string>;
    using namespace std::string_literals;
    const Log gsmSet = {"at+cscs=\"GSM\"", "OK", "at+cusd=1,\"*100#\",15", "OK"};
    auto with = [](Log log, const Log& more) {
        log.insert(log.end(), more.begin(), more.end());
        return log;
    };
    struct Case {
        const char* why;
        Log log;
        int mode;
        std::string text;  // UTF-8
    } cases[] = {
        {"a menu over three lines",
         with(gsmSet, {"~+CUSD: 1,\"Balance 10.00 rub.", "~1. Tariff", "~2. Bonus\",15"}), 1,
         "Balance 10.00 rub.\n1. Tariff\n2. Bonus"},
        {"a menu before the OK, unmarked",
         {"at+cusd=1,\"*100#\",15", "+CUSD: 1,\"Menu:", "1. Info\",15", "OK"},
         1,
         "Menu:\n1. Info"},
        {"an unasked line is no text", with(gsmSet, {"~+CUSD: 0,\"Done\",15", "~RING"}), 0, "Done"},
        {"a quote never closed stops at the next command",
         with({"~+CUSD: 0,\"Cut", "~short"}, {"at", "OK"}), 0, "Cut\nshort"},
        // gammu tests/at-ussd/issue377-HE910-D.dump (Telit HE910-D): UCS2,
        // U+0000, then padding inside the quotes.
        {"UCS2 text, NUL, padding",
         {"+CUSD: 2,\"0032003000310038002D00310031002D003000390000FFFF60B16260EEEEFFFFFFFFFFFF"
          "FFFFFFFF60B16260EEEEFFFF00A962600000000000000000EE000000000000000000000068B5626058655F60"
          "\",17"},
         2,
         "2018-11-09"},
        {"plain text, NUL byte, padding",
         {"+CUSD: 0,\"Balance 5 EUR\0\xFF\xFF  \",15"s},
         0,
         "Balance 5 EUR"},
        // gammu tests/at-ussd/03-unknown.dump, read in the GSM set: "{" is
        // a-umlaut, which Windows-1251 lacks, "_" is the section sign.
        {"GSM set: the alphabet's bytes",
         with(gsmSet, {"~+CUSD: 1,\"Bitte w{hlen Sie: 1 Konto aufladen _5\""}), 1,
         "Bitte w?hlen Sie: 1 Konto aufladen §5"},
        {"GSM set: a NUL before characters is @, a NUL before padding ends the text",
         with(gsmSet, {"+CUSD: 0,\"a\0b\0\0\xFF\",15"s}), 0, "a@b"},
        {"GSM set refused: the bytes as they are",
         {"at+cscs=\"GSM\"", "+CME ERROR: 4", "+CUSD: 0,\"w{hlen\",15"},
         0,
         "w{hlen"},
        {"another set chosen later", with(gsmSet, {"AT+CSCS=\"IRA\"", "OK", "+CUSD: 0,\"w{\",15"}),
         0, "w{"},
        {"8-bit coding: the bytes as they are in any set", with(gsmSet, {"+CUSD: 0,\"w{\",68"}), 0,
         "w{"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        for (const Log& log : {c.log, answerLines(c.log)}) {
            auto a = lastAnswer(log);
            ASSERT_TRUE(a);
            EXPECT_EQ(a->mode, c.mode);
            EXPECT_EQ(td::cp1251ToUtf8(a->text), c.text);
        }
    }
    EXPECT_TRUE(answerLines(gsmSet).empty());
    EXPECT_EQ(answerLines(with(gsmSet, {"~RING", "~+CUSD: 0,\"A", "~B\"", "OK"})),
              (Log{"at+cscs=\"GSM\"", "OK", "~+CUSD: 0,\"A", "~B\""}));
}

TEST(Ussd, RequestsThatFitTheCommand) {
    for (std::string ok : {"*100#", "#102#", "*111*1*2#", "1", "+7"})
        EXPECT_TRUE(validRequest(ok)) << ok;
    for (const std::string& bad :
         std::vector<std::string>{"", "*100\"#", "*1|at+cmgd=1", "abc", std::string(161, '1')})
        EXPECT_FALSE(validRequest(bad)) << bad;
}

TEST(Ussd, SimulatedBalanceSession) {
    phonesim::Phone phone;
    phone.input("ATE0\r");
    std::string first = phone.input("AT+CUSD=1,\"*100#\",15\r");
    auto a = parseCusd(first);
    ASSERT_TRUE(a) << first;
    EXPECT_EQ(a->mode, 1);
    EXPECT_EQ(td::cp1251ToUtf8(a->text), "Баланс: 123,45 р.\n1 - подробнее");
    EXPECT_EQ(first.find("\r\nOK\r\n"), 0u) << first;  // the network's answer comes after the OK
    auto b = parseCusd(phone.input("AT+CUSD=1,\"1\",15\r"));
    ASSERT_TRUE(b);
    EXPECT_EQ(b->mode, 0);
    EXPECT_EQ(phone.input("AT+CUSD=?\r"), "\r\n+CUSD: (0,1,2)\r\n\r\nOK\r\n");
    EXPECT_EQ(phone.input("AT+CUSD=3\r").find("OK"), std::string::npos);
    EXPECT_EQ(phone.input("AT+CUSD=0,\"*100#\"\r"), "\r\nOK\r\n");  // presentation off
}

// The balance text comes from the phone's state file.
TEST(Ussd, BalanceFromTheStateFile) {
    const std::string path = ::testing::TempDir() + "ussd.state";
    phonesim::State state = phonesim::seedState();
    state.ussdBalance = "Остаток: 5 р.";
    ASSERT_TRUE(phonesim::saveStateFile(path, state));
    phonesim::Phone phone(path);
    auto a = parseCusd(phone.input("AT+CUSD=1,\"*100#\",15\r"));
    ASSERT_TRUE(a);
    EXPECT_EQ(td::cp1251ToUtf8(a->text), "Остаток: 5 р.\n1 - подробнее");
}

}  // namespace
