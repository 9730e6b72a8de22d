// The SMS list record: what the writer puts on a line comes back out of the
// reader unchanged, and the reader cuts hand-written and foreign lines by
// its rule.

#include "formats/smsrecord.h"

#include <gtest/gtest.h>

#include "formats/fieldcursor.h"
#include "support/fakes.h"

namespace {

using td::sms::SmsFields;
using td::sms::SmsRecord;
using td::test::W;

const std::vector<std::string> kPrefixes = {"+CMGL", "+MMGL"};

struct RoundTrip {
    const char* why;
    SmsRecord in;
    // What the reader gives back when it is not the record's own values
    // (the writer had to change a character the format cannot carry).
    std::string number = {}, text = {}, status = {};
};

TEST(SmsRecord, WhatIsWrittenIsReadBack) {
    const std::string longText(1000, 'x');
    RoundTrip cases[] = {
        {"latin", {"1", "REC READ", "+79161234567", {}, "Hello"}},
        {"cyrillic", {"12", "STO SENT", "89161234567", {}, W("Привет, Ваня!")}},
        {"further fields", {"3", "REC UNREAD", "+7916", {"", "\"25/06/02,18:05:12+12\""}, "x"}},
        {"name field with a comma", {"4", "REC READ", "+7916", {"\"Smith, John\""}, "y"}},
        {"brace and comma in the text", {"5", "REC READ", "900", {}, "a}b,c}d"}},
        {"text in quotes", {"6", "REC READ", "900", {}, "\"Hi\""}},
        {"quotes at both ends and inside", {"7", "REC READ", "900", {}, "\"a\" and \"b\""}},
        {"quote inside only", {"8", "REC READ", "900", {}, "say \"hi\" now"}},
        {"quote at the start only", {"9", "REC READ", "900", {}, "\"quoted start"}},
        {"a lone quote", {"10", "REC READ", "900", {}, "\""}},
        {"two quotes", {"11", "REC READ", "900", {}, "\"\""}},
        {"empty text", {"12", "REC READ", "900", {}, ""}},
        {"long text", {"13", "STO SENT", "900", {}, longText}},
        {"everything empty", {"", "", "", {}, ""}},
        {"index of four digits", {"9999", "STO SENT", "1", {}, "t"}},
        {"equals sign in the text", {"14", "REC READ", "1", {}, "a=b"}},
        {"prefix-like text", {"15", "REC READ", "1", {}, "+CMGL=99,\"x\",\"y\"}z"}},
        // The format cannot carry these: the writer changes them, the line
        // stays one record and the text stays whole.
        {"sender named by a brace", {"16", "REC READ", "}", {}, "text"}, ")"},
        {"brace inside a sender name", {"17", "REC READ", "Shop}", {}, "a}b"}, "Shop)"},
        {"quote inside a number", {"18", "REC READ", "12\"3", {}, "t"}, "12'3"},
        {"brace in a further field", {"19", "REC READ", "1", {"\"Name}\""}, "t"}},
        {"comma in the status", {"20", "REC,READ", "1", {}, "t"}, "", "", "\"REC;READ\""},
        {"line breaks and NUL in the text",
         {"21", "REC READ", "1", {}, std::string("a\r\nb\0c\td", 8)},
         "",
         "a  b c d"},
        {"line break in the number", {"22", "REC READ", "1\n2", {}, "t"}, "1 2"},
        {"a joined message",
         {"23", "REC READ", "900", {"\"Ann, B\""}, "long", {"8", "23", "10000"}}},
        {"a further field like the parts mark", {"24", "REC READ", "1", {"\"a,parts:1\""}, "t"}},
    };
    for (const RoundTrip& c : cases) {
        std::string line = td::sms::writeSmsRecord("+CMGL", c.in);
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << c.why;
        EXPECT_EQ(line.find('\0'), std::string::npos) << c.why;
        std::optional<SmsFields> f = td::sms::readSmsRecord(line, kPrefixes);
        ASSERT_TRUE(f.has_value()) << c.why << ": " << line;
        EXPECT_EQ(f->index, c.in.index) << c.why << ": " << line;
        EXPECT_EQ(f->status, c.status.empty() ? "\"" + c.in.status + "\"" : c.status) << c.why;
        EXPECT_EQ(f->number, c.number.empty() ? c.in.number : c.number) << c.why << ": " << line;
        EXPECT_EQ(f->text, c.text.empty() ? c.in.text : c.text) << c.why << ": " << line;
        EXPECT_EQ(f->parts, c.in.parts) << c.why << ": " << line;
    }
}

TEST(SmsRecord, IndexKeepsOnlyWhatTheReaderCanCut) {
    SmsRecord r{"1,2}\"3", "REC READ", "5", {}, "t"};
    auto f = td::sms::readSmsRecord(td::sms::writeSmsRecord("+MMGL", r), kPrefixes);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->index, "123");
}

struct LineCase {
    const char* why;
    std::string line;
    bool message;
    std::string index = {}, status = {}, number = {}, text = {};
};

void expectCut(const LineCase& c) {
    auto f = td::sms::readSmsRecord(c.line, kPrefixes);
    ASSERT_EQ(f.has_value(), c.message) << c.why << ": " << c.line;
    if (!f) return;
    EXPECT_EQ(f->index, c.index) << c.why;
    EXPECT_EQ(f->status, c.status) << c.why;
    EXPECT_EQ(f->number, c.number) << c.why;
    EXPECT_EQ(f->text, c.text) << c.why;
}

TEST(SmsRecord, ReaderCutsLinesByItsRule) {
    LineCase cases[] = {
        {"plain record", "+CMGL=1,\"REC READ\",\"+79161234567\"}Hello", true, "1", "\"REC READ\"",
         "+79161234567", "Hello"},
        {"motorola prefix", "+MMGL=2,\"STO SENT\",\"900\",,}Hi there", true, "2", "\"STO SENT\"",
         "900", "Hi there"},
        {"text after the first brace", "+CMGL=3,\"REC READ\",\"1\"}a}b,c", true, "3",
         "\"REC READ\"", "1", "a}b,c"},
        {"further fields stay in the number until unquoted",
         "+CMGL=4,\"REC READ\",\"+7916\",,\"25/06/02,18:05:12+12\"}x", true, "4", "\"REC READ\"",
         "+7916", "x"},
        {"text quoted at both ends", "+CMGL=5,\"REC READ\",\"1\"}\"Hi\"", true, "5", "\"REC READ\"",
         "1", "Hi"},
        {"quotes inside only", "+CMGL=6,\"REC READ\",\"1\"}a \"b\" c", true, "6", "\"REC READ\"",
         "1", "a \"b\" c"},
        {"quotes at both ends and inside", "+CMGL=7,\"REC READ\",\"1\"}\"a\" and \"b\"", true, "7",
         "\"REC READ\"", "1", "a\" and \"b"},
        {"quoted index", "+CMGL=\"8\",\"REC READ\",\"1\"}t", true, "8", "\"REC READ\"", "1", "t"},
        {"unquoted number takes the next quoted field", "+CMGL=9,\"REC READ\",123,,\"05/10/13\"}t",
         true, "9", "\"REC READ\"", "05/10/13", "t"},
        {"unquoted number alone", "+CMGL=9,\"REC READ\",123}t", true, "9", "\"REC READ\"", "123",
         "t"},
        {"unclosed number quote", "+CMGL=10,\"REC READ\",\"123}t", true, "10", "\"REC READ\"",
         "123", "t"},
        {"no brace: the rest is the number", "+CMGL=11,\"REC READ\",\"123\",,", true, "11",
         "\"REC READ\"", "123", ""},
        {"no fields at all", "something here +CMGL=", true, "", "", "", ""},
        {"text before the prefix", "line: +CMGL=12,\"REC READ\",\"1\"}t", true, "12",
         "\"REC READ\"", "1", "t"},
        {"sixteen characters", "+CMGL=1,\"A\",\"1\"}", false},
        {"seventeen characters", "+CMGL=1,\"AB\",\"1\"}", true, "1", "\"AB\"", "1", ""},
        {"command echo", "at+cmgl=\"STO SENT\"", false},
        {"upper-case echo of a long status", "AT+CMGL=\"REC UNREAD\"", false},
        {"answer line with a colon", "+CMGL: 1,\"REC READ\",\"+7916\",,", false},
        {"range answer", "+CMGL=(0-4),\"REC READ\",\"1\"}t", false},
        {"five-digit index", "+CMGL=12345,\"REC READ\",\"1\"}t", true, "12345", "\"REC READ\"", "1",
         "t"},
        {"index of a large store", "+CMGL=100000,\"REC READ\",\"1\"}t", true, "100000",
         "\"REC READ\"", "1", "t"},
        {"index that is no number", "+CMGL=1a,\"REC READ\",\"1\"}t", false},
        {"index with a blank inside", "+CMGL=1 2,\"REC READ\",\"1\"}t", false},
        {"final result", "OK", false},
        {"other prefix", "+CPBR=1,\"+79161234567\",145,\"Anna\"", false},
        {"cyrillic", W("+CMGL=13,\"REC UNREAD\",\"+79031112233\",,}Привет, \"мир\"!"), true, "13",
         "\"REC UNREAD\"", "+79031112233", W("Привет, \"мир\"!")},
    };
    for (const LineCase& c : cases) expectCut(c);
}

TEST(SmsRecord, LinesTheEngineWroteAgainstTheSimulatedPhone) {
    // Copied verbatim from AutoRun/LastRun.sms after the engine listed the
    // simulated phone's messages in text mode (UCS2 set), PDU mode and with
    // the Motorola list command.
    const std::string x153(153, 'x');
    LineCase cases[] = {
        {"text mode, cyrillic",
         W("+CMGL=1,\"REC UNREAD\",\"+79161234567\",,\"25/06/02,18:05:12+12\"}Привет! Как дела?"),
         true, "1", "\"REC UNREAD\"", "+79161234567", W("Привет! Как дела?")},
        {"text mode, sent, latin", "+CMGL=5,\"STO SENT\",\"+79161234567\",}Hi Anna, call me back",
         true, "5", "\"STO SENT\"", "+79161234567", "Hi Anna, call me back"},
        {"PDU mode, sent, latin", "+CMGL=5,\"STO SENT\",\"+79161234567\"}Hi Anna, call me back",
         true, "5", "\"STO SENT\"", "+79161234567", "Hi Anna, call me back"},
        {"PDU mode, unsent", "+CMGL=7,\"STO UNSENT\",\"+12025550123\"}Draft: bring the documents",
         true, "7", "\"STO UNSENT\"", "+12025550123", "Draft: bring the documents"},
        {"brace, comma and quotes in a cyrillic text",
         W("+CMGL=11,\"STO SENT\",\"89161234567\",}Да}нет, \"да\" и \"нет\""), true, "11",
         "\"STO SENT\"", "89161234567", W("Да}нет, \"да\" и \"нет\"")},
        {"sent in UCS2 text mode",
         W("+CMGL=12,\"STO SENT\",\"+79857776655\",}Текст}с,запятой \"в кавычках\""), true, "12",
         "\"STO SENT\"", "+79857776655", W("Текст}с,запятой \"в кавычках\"")},
        {"first part of a long latin message", "+CMGL=13,\"STO SENT\",\"+79161234567\"}" + x153,
         true, "13", "\"STO SENT\"", "+79161234567", x153},
        {"last part of a long cyrillic message",
         W("+CMGL=16,\"STO SENT\",\"+79161234567\",}ение Длинное сообщение Длинное сообщение "),
         true, "16", "\"STO SENT\"", "+79161234567",
         W("ение Длинное сообщение Длинное сообщение ")},
        {"quotes inside, none at the ends", "+CMGL=17,\"STO SENT\",\"900\",}a\" and \"b", true,
         "17", "\"STO SENT\"", "900", "a\" and \"b"},
        {"sender named by a brace",
         "+CMGL=18,\"REC UNREAD\",\")\",,\"25/06/04,10:00:00+12\"}Sender is a brace", true, "18",
         "\"REC UNREAD\"", ")", "Sender is a brace"},
        {"sender name holding a brace, quoted words",
         W("+CMGL=19,\"REC READ\",\"Shop)\",,\"25/06/04,10:01:00+12\"}\"Скидки\" до 50%, "
           "\"только\" сегодня"),
         true, "19", "\"REC READ\"", "Shop)", W("\"Скидки\" до 50%, \"только\" сегодня")},
        {"text quoted at both ends",
         "+CMGL=20,\"REC READ\",\"+79161234567\",,\"25/06/04,10:02:00+12\"}\"\"Both ends "
         "quoted\"\"",
         true, "20", "\"REC READ\"", "+79161234567", "\"Both ends quoted\""},
        {"Motorola list, cyrillic text quoted at both ends",
         W("+MMGL=21,\"REC READ\",\"+79161234567\",,\"25/06/04,10:03:00+12\"}\"\"Кавычки\"\""),
         true, "21", "\"REC READ\"", "+79161234567", W("\"Кавычки\"")},
        {"two lines folded into one", "+CMGL=22,\"STO SENT\",\"+79161234567\",}Line one line two",
         true, "22", "\"STO SENT\"", "+79161234567", "Line one line two"},
        {"the list command, text mode", "at+cmgl=\"ALL\"", false},
        {"the list command, PDU mode", "at+cmgl=4", false},
        {"the Motorola list command", "at+mmgl=\"ALL\"", false},
        {"the final result", "OK", false},
    };
    for (const LineCase& c : cases) expectCut(c);
}

TEST(SmsRecord, QuoteRules) {
    struct {
        const char* in;
        const char* field;
        const char* text;
    } cases[] = {
        {"", "", ""},
        {"abc", "abc", "abc"},
        {"\"abc\"", "abc", "abc"},
        {"\"abc", "abc", "\"abc"},
        {"abc\"", "", "abc\""},
        {"x\"a\"y\"b\"", "a", "x\"a\"y\"b\""},
        {"\"a\"b\"", "a", "a\"b"},
        {"\"", "", ""},
        {"\"\"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(td::betweenQuotes(c.in), c.field) << c.in;
        EXPECT_EQ(td::sms::unquoteText(c.in), c.text) << c.in;
    }
}

TEST(SmsRecord, EmptyPrefixSettingMakesNoLineARecord) {
    EXPECT_FALSE(td::sms::isRecordLine("anything=with an equals sign", {""}));
    EXPECT_TRUE(td::sms::isRecordLine("anything +XY=with an equals", {"", "+XY"}));
}

TEST(SmsRecord, BadInputEndsQuickly) {
    // A megabyte without a brace, one with a brace at its end, NUL bytes.
    std::string huge = "+CMGL=1,\"REC READ\",\"" + std::string(1 << 20, '7');
    auto f = td::sms::readSmsRecord(huge, kPrefixes);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->number.size(), std::size_t(1) << 20);
    EXPECT_TRUE(f->text.empty());

    std::string bigText = "+CMGL=2,\"REC READ\",\"1\"}" + std::string(1 << 20, 'a');
    f = td::sms::readSmsRecord(bigText, kPrefixes);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->text.size(), std::size_t(1) << 20);

    std::string nul("+CMGL=3,\"REC READ\",\"1\"}a\0b\0c", 28);
    f = td::sms::readSmsRecord(nul, kPrefixes);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->text, std::string("a\0b\0c", 5));
    std::string nulIndex("+CMGL=\0\0\0\0\0,\"REC READ\",\"1\"}t", 28);
    EXPECT_FALSE(td::sms::readSmsRecord(nulIndex, kPrefixes)) << "NUL characters are no index";
}

}  // namespace
