#include "answers.h"

#include <gtest/gtest.h>

#include "gsmtext.h"
#include "platform/cp1251.h"
#include "smspdu.h"

using namespace celltalk;
using td::W;

TEST(Answers, CommandPrefix) {
    struct {
        const char* cmd;
        const char* prefix;
    } cases[] = {{"at+cpbr=1,250", "+CPBR"},
                 {"AT+CSQ", "+CSQ"},
                 {"at+cscs?", "+CSCS"},
                 {"ATD89161234567;", "D"},
                 {"at", ""},
                 {"ATE0", "E"},
                 {"  at+cmgl=4", "+CMGL"},
                 {"+++", ""},
                 {"at+mdbr=?", "+MDBR"},
                 {"at+ckpd=\"e\"", "+CKPD"},
                 {"AT^SYSINFO", "^SYSINFO"}};
    for (const auto& c : cases) EXPECT_EQ(commandPrefix(c.cmd), c.prefix) << c.cmd;
}

TEST(Answers, FinalResults) {
    struct {
        const char* line;
        bool dial;
        Final expect;
    } cases[] = {
        {"OK", false, Final::Ok},
        {"ok ", false, Final::Ok},
        {"ERROR", false, Final::Error},
        {"+CME ERROR: 10", false, Final::Error},
        {"+CMS ERROR: 321", false, Final::Error},
        {"NO CARRIER", false, Final::None},
        {"NO CARRIER", true, Final::Other},
        {"BUSY", true, Final::Other},
        {"OK then", false, Final::None},
        {"+CPBR: 1,\"OK\",129,\"OK\"", false, Final::None},
        // Verbatim final words of real modems and V.250.
        {"COMMAND NOT SUPPORT", false, Final::Error},
        {"TOO MANY PARAMETERS", false, Final::Error},
        {"+CME ERROR: SIM busy", false, Final::Error},
        {"NO DIALTONE", true, Final::Error},
        {"NO ANSWER", true, Final::Other},
        {"CONNECT 9600", true, Final::Other},
        {"BUSY", false, Final::Error},
        {"CONNECT", false, Final::None},
        {"OKAY", false, Final::None},
        {"> ", false, Final::None},
        {"+CMGS: 5", false, Final::None},
    };
    for (const auto& c : cases) EXPECT_EQ(finalResult(c.line, c.dial), c.expect) << c.line;
}

TEST(Answers, RefusalsAreNamedAndBusyOnesRetried) {
    struct {
        const char* line;
        const char* meaning;  // UTF-8; empty: none known
        bool busy;
    } cases[] = {
        {"+CME ERROR: 515", "телефон занят (SIM-карта), повторите позже", true},
        {"+CME ERROR: 14", "SIM-карта занята, повторите позже", true},
        {"+CMS ERROR: 314", "SIM-карта занята, повторите позже", true},
        {"+CMS ERROR: 500", "неизвестная ошибка", false},
        {"+CMS ERROR: 321", "неверный номер ячейки памяти", false},
        {"+CME ERROR: 21", "неверный номер ячейки памяти", false},
        {"+CMS ERROR: 42", "отказ сети (причина 42)", false},
        {"+CME ERROR: 9999", "", false},
        {"+CME ERROR: SIM busy", "", false},
        {"COMMAND NOT SUPPORT", "команда не поддерживается", false},
        {"ERROR", "команда отвергнута", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(errorMeaning(c.line), W(c.meaning)) << c.line;
        EXPECT_EQ(phoneBusy(c.line), c.busy) << c.line;
    }
}

TEST(Answers, CommandsWhoseRefusalFailsTheRun) {
    struct {
        const char* cmd;
        bool must;
    } cases[] = {
        {"at+cpbr=1,250", true},       {"AT+CMGL=\"ALL\"", true}, {"at+mdbr=1,100", true},
        {"at+mdbad?", true},           {"at+cmgs=23", true},      {"at+cmss=5", true},
        {"at+cmgd=0", true},           {"at+mdbw=1,\"x\"", true}, {"ATD89161234567;", true},
        {"at+ckpd=\"s\"", true},       {"at+cpbr=?", false},      {"at+cscs=\"UCS2\"", false},
        {"at+cmgf=1", false},          {"at+cpbs=\"SM\"", false}, {"at+cpms=\"SM\"", false},
        {"at+csmp=17,167,0,8", false}, {"at+cgmr", false},        {"at", false},
    };
    for (const auto& c : cases) EXPECT_EQ(mustSucceed(c.cmd), c.must) << c.cmd;
}

TEST(Answers, AnAnswerNamingAnotherCommandIsNotTaken) {
    struct {
        const char* cmd;
        const char* line;
        bool fits;
    } cases[] = {
        {"at+cpbr=1,3", "+CPBR: 1,\"1\",129,\"A\"", true},
        {"at+cpbr=1,3", "+CMGL: 1,\"REC READ\",\"1\"", false},
        {"at+cmgl=4", "+CPBR: 1,\"1\",129,\"A\"", false},
        {"at+cgmr", "+GMR: R374", true},
        {"at+cpbf=\"A\"", "+CPBR: 1,\"1\",129,\"A\"", true},
        {"at+cmgl=4", "+79161234567: text of a message", true},
        {"at+cmgl=4", "hello", true},
        {"ati", "+CGMI: Motorola", true},
    };
    for (const auto& c : cases) EXPECT_EQ(answerFits(c.cmd, c.line), c.fits) << c.cmd << c.line;
}

TEST(Answers, UnsolicitedLinesAreToldFromAnswers) {
    struct {
        const char* line;
        const char* cmdPrefix;
        bool urc;
    } cases[] = {
        {"RING", "+CPBR", true},
        {"+CMTI: \"SM\",3", "+CMGL", true},
        {"+CRING: VOICE", "", true},
        {"+CLIP: \"+7916\",145", "D", true},
        {"+CIEV: 2,3", "+CSQ", true},
        {"+CSQ: 20,99", "+CBC", true},   // a signal report during another command
        {"+CSQ: 20,99", "+CSQ", false},  // the answer to at+csq
        {"+CREG: 1", "+CREG", false},
        {"NO CARRIER", "", true},
        {"NO CARRIER", "D", false},
        {"+CPBR: 1,\"123\",129,\"RING\"", "+CPBR", false},
        {"RINGO", "", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isUnsolicited(c.line, c.cmdPrefix), c.urc) << c.line << " / " << c.cmdPrefix;
}

TEST(Answers, ReportsFollowedByTheirMessageLine) {
    struct {
        const char* line;
        bool body;
    } cases[] = {
        {"+CMT: \"+79161234567\",,\"25/06/02,18:05:12+12\"", true},
        {"+CMT: ,23", true},
        {"+cbm: 1,50,0,1,1", true},
        {"+CDS: 25", true},
        {"+CDS: 6,12,\"+7916\",145,\"25/06/02,18:05:12+12\",\"25/06/02,18:05:20+12\",0", false},
        {"+CMTI: \"SM\",3", false},
        {"RING", false},
        {"+CIEV: 2,3", false},
    };
    for (const auto& c : cases) EXPECT_EQ(reportHasBodyLine(c.line), c.body) << c.line;
}

TEST(Answers, IdentityAnswersGetTheirPrefix) {
    EXPECT_EQ(labelIdentityAnswer("at+cgsn", "351234567890123"), "+CGSN: 351234567890123");
    EXPECT_EQ(labelIdentityAnswer("AT+CGMI", " Motorola "), "+CGMI: Motorola");
    EXPECT_EQ(labelIdentityAnswer("at+cgmi", "+CGMI: Motorola"), "+CGMI: Motorola");
    EXPECT_EQ(labelIdentityAnswer("at+cgsn=?", "x"), "x");
    EXPECT_EQ(labelIdentityAnswer("at+cmgl", "Hello"), "Hello");  // an SMS text stays as it is
    EXPECT_EQ(labelIdentityAnswer("at+cgmr", "+CGMR: \"R374_G_0E.41\""), "+CGMR: R374_G_0E.41");
    EXPECT_EQ(labelIdentityAnswer("at+cgmr", "\"R374\""), "+CGMR: R374");
    EXPECT_EQ(labelIdentityAnswer("at+cgmr", std::vector<std::string>{"+CGMR: R374", "BL 0.5"}),
              "+CGMR: R374 BL 0.5");
    EXPECT_EQ(labelIdentityAnswer("at+gmr", std::vector<std::string>{"V1.2", "", "2006-01-02"}),
              "+GMR: V1.2 2006-01-02");
}

TEST(Answers, Ucs2FieldsOfAPhoneBookLine) {
    std::string name = gsmcodec::cp1251::toUcs2Hex(W("Иван \"Ваня\""));
    std::string line =
        "+CPBR: 1,\"" + gsmcodec::cp1251::toUcs2Hex("+79161234567") + "\",145,\"" + name + "\"";
    EXPECT_EQ(decodeUcs2Fields(line), W("+CPBR: 1,\"+79161234567\",145,\"Иван 'Ваня'\""));
    // A plain field that merely looks like hex is left alone.
    EXPECT_EQ(decodeUcs2Fields("+CPBR: 2,\"1234\",129,\"\""), "+CPBR: 2,\"1234\",129,\"\"");
    EXPECT_EQ(decodeUcs2Fields("no quotes"), "no quotes");
    EXPECT_EQ(decodeUcs2Fields("+X: \"unclosed"), "+X: \"unclosed");
}

// A date-book title in UCS2 is given in Windows-1251 only when that is
// exact; any other stays the phone's hex behind the mark, and a write sends
// that hex back as it was.
TEST(Answers, DateBookTitlesKeepThePhonesHexUnlessExact) {
    auto u = [](std::u32string_view text) { return gsmcodec::toUcs2Hex(text); };
    const std::string rest =
        ",1,0,\"" + u(U"13:00") + "\",\"06-20-2025\",90,\"00:00\",\"00-00-2000\",4";
    const std::string restShown = ",1,0,\"13:00\",\"06-20-2025\",90,\"00:00\",\"00-00-2000\",4";
    struct Case {
        const char* what;
        std::string hex;    // as the phone gives the title
        std::string title;  // in the result file (Windows-1251)
    } cases[] = {
        {"Cyrillic, a | and a comma", u(U"Обед|кино, 2"), W("Обед|кино, 2")},
        {"a double quote", u(U"A\"B\""), "UCS2:" + u(U"A\"B\"")},
        {"a tab", u(U"a\tb"), "UCS2:" + u(U"a\tb")},
        {"outside the code page", u(U"汉字 😀"), "UCS2:" + u(U"汉字 😀")},
        {"a title that starts with the mark", u(U"UCS2:0041"), "UCS2:" + u(U"UCS2:0041")},
        {"digits that are UCS2 of no text the code page holds", "ABBA", "UCS2:ABBA"},
        {"no hex at all", "Tea", "Tea"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string line = dateBookLine("+MDBR: 7,\"" + c.hex + "\"" + rest, "+MDBR");
        EXPECT_EQ(line, "+MDBR: 7,\"" + c.title + "\"" + restShown);
        const std::string write = "AT+MDBW=7,\"" + c.title + "\"" + restShown;
        const std::string sent = encodeUcs2WriteText(write);
        if (c.hex != "Tea") {
            EXPECT_EQ(sent, "AT+MDBW=7,\"" + c.hex + "\"" + restShown);
        }
    }
    EXPECT_EQ(dateBookLine("+MDBAD: 2", "+MDBR"), "+MDBAD: 2");
    // The mark means nothing to a phone-book write.
    EXPECT_EQ(encodeUcs2WriteText("AT+CPBW=1,\"1\",129,\"UCS2:0041\""),
              "AT+CPBW=1,\"1\",129,\"" + gsmcodec::cp1251::toUcs2Hex("UCS2:0041") + "\"");
}

TEST(Answers, WriteCommandTextsGoOutInUcs2) {
    auto hex = [](const char* utf8) { return gsmcodec::cp1251::toUcs2Hex(W(utf8)); };
    struct Case {
        const char* name;
        std::string command;  // UTF-8
        std::string sent;     // Windows-1251
    };
    const Case cases[] = {
        {"date book title, the other fields stay",
         "AT+MDBW=1,\"Встреча\",1,1,\"10:00\",\"06-15-2025\",60,\"09:45\",\"06-15-2025\",0",
         "AT+MDBW=1,\"" + hex("Встреча") +
             "\",1,1,\"10:00\",\"06-15-2025\",60,\"09:45\",\"06-15-2025\",0"},
        {"a Latin title too, the command in any case",
         "at+mdbw=2,\"Meeting\",0,0,\"00:00\",\"01-01-2026\",0,\"00:00\",\"00-00-2000\",5",
         "at+mdbw=2,\"" + hex("Meeting") +
             "\",0,0,\"00:00\",\"01-01-2026\",0,\"00:00\",\"00-00-2000\",5"},
        {"a comma inside the title",
         "AT+MDBW=3,\"Обед, кино\",1,0,\"13:00\",\"06-20-2025\",90,\"13:00\",\"06-20-2025\",4",
         "AT+MDBW=3,\"" + hex("Обед, кино") +
             "\",1,0,\"13:00\",\"06-20-2025\",90,\"13:00\",\"06-20-2025\",4"},
        {"phone book name, not the number", "AT+CPBW=5,\"+79161234567\",145,\"Анна\"",
         "AT+CPBW=5,\"+79161234567\",145,\"" + hex("Анна") + "\""},
        {"phone book search", "AT+CPBF=\"Ан\"", "AT+CPBF=\"" + hex("Ан") + "\""},
        {"delete: nothing quoted", "AT+MDBW=4", "AT+MDBW=4"},
        {"reading commands are left alone", "AT+CPBS=\"SM\"", "AT+CPBS=\"SM\""},
        {"the character set itself", "AT+CSCS=\"UCS2\"", "AT+CSCS=\"UCS2\""},
        {"an unquoted title is no text field", "AT+MDBW=1,X,1", "AT+MDBW=1,X,1"},
    };
    for (const auto& c : cases) EXPECT_EQ(encodeUcs2WriteText(W(c.command)), c.sent) << c.name;
}

TEST(Answers, SmsRecordsFromTextModeAnswers) {
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        bool ucs2;
        std::vector<std::string> expect;
    };
    const std::string ivan = gsmcodec::cp1251::toUcs2Hex(W("Привет, Ваня"));
    const std::string num = gsmcodec::cp1251::toUcs2Hex("+79161234567");
    Case cases[] = {
        {"latin",
         {"+CMGL: 1,\"REC READ\",\"+79161234567\",,\"05/10/13,12:00:00+12\"", "Hello"},
         false,
         {"+CMGL=1,\"REC READ\",\"+79161234567\",,\"05/10/13,12:00:00+12\"}Hello"}},
        {"two lines joined, several messages",
         {"+CMGL: 2,\"STO SENT\",\"123\",,", "first line", "second line", "",
          "+CMGL: 3,\"REC UNREAD\",\"456\",,", "x}y,z"},
         false,
         {"+CMGL=2,\"STO SENT\",\"123\",,}first line second line",
          "+CMGL=3,\"REC UNREAD\",\"456\",,}x}y,z"}},
        {"cyrillic in UCS2",
         {"+CMGL: 4,\"REC READ\",\"" + num + "\",,\"05/10/13,12:00:00+12\"", ivan},
         true,
         {W("+CMGL=4,\"REC READ\",\"+79161234567\",,\"05/10/13,12:00:00+12\"}Привет, Ваня")}},
        {"range answer and echo are no messages",
         {"+CMGL: (\"REC UNREAD\",\"REC READ\",\"STO UNSENT\",\"STO SENT\",\"ALL\")"},
         false,
         {}},
        {"empty text",
         {"+CMGL: 5,\"REC READ\",\"789\",,"},
         false,
         {"+CMGL=5,\"REC READ\",\"789\",,}"}},
        {"a UCS2-coded message listed in another character set",
         {"+CMGL: 6,\"REC READ\",\"789\",,", ivan, "+CMGL: 7,\"REC READ\",\"789\",,", "00410042"},
         false,
         {W("+CMGL=6,\"REC READ\",\"789\",,}Привет, Ваня"),
          "+CMGL=7,\"REC READ\",\"789\",,}00410042"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(buildSmsRecords(c.lines, "+CMGL", c.ucs2), c.expect) << c.name;
}

TEST(Answers, SmsRecordsFromPduModeAnswers) {
    auto latin = gsmcodec::encodeSubmit("+79161234567", U"Hi there");
    auto cyr = gsmcodec::encodeSubmit("89160000000", U"Привет\nмир");
    std::vector<std::string> lines = {
        "+MMGL: 1,1,,39",
        "07911326040000F0040B911346610089F60000208062917314210CC8F71D14969741F977FD07",
        "+MMGL: 2,3,,20",
        latin[0].hex,
        "+MMGL: 3,2,,30",
        cyr[0].hex,
        "+MMGL: 4,0,,5",
        "NOTAPDU"};
    auto rec = buildSmsRecords(lines, "+MMGL", false);
    ASSERT_EQ(rec.size(), 4u);
    EXPECT_EQ(rec[0],
              "+MMGL=1,\"REC READ\",\"+31641600986\",,\"02/08/26,19:37:41+12\"}How are you?");
    EXPECT_EQ(rec[1], "+MMGL=2,\"STO SENT\",\"+79161234567\"}Hi there");
    EXPECT_EQ(rec[2], W("+MMGL=3,\"STO UNSENT\",\"89160000000\"}Привет мир"));
    // An undecodable PDU still gives a record, with the raw text.
    EXPECT_EQ(rec[3], "+MMGL=4,\"REC UNREAD\",\"\"}NOTAPDU");
}

TEST(Answers, RecordLinesSatisfyTheReadersCutting) {
    // The reader takes: index up to ",", status up to ",", number up to "}",
    // text after "}"; records shorter than 17 characters are dropped.
    auto rec = buildSmsRecords({"+CMGL: 12,\"REC READ\",\"5\",,", "ok"}, "+CMGL", false)[0];
    ASSERT_GE(rec.size(), 17u);
    std::string rest = rec.substr(rec.find('=') + 1);
    EXPECT_EQ(rest.substr(0, rest.find(',')), "12");
    EXPECT_EQ(rest.substr(rest.find('}') + 1), "ok");
}

TEST(Answers, PhoneBookLinesAsRealPhonesGiveThem) {
    const std::string anna = gsmcodec::cp1251::toUcs2Hex(W("Анна"));
    struct {
        const char* why;
        std::vector<std::string> lines;
        bool ucs2;
        std::vector<std::string> expect;
    } cases[] = {
        {"line feed inside the quoted number",
         {"+CPBR: 241,\"", "+79161234567\",129,\"O2\",0", "+CPBR: 242,\"1\",129,\"B\""},
         false,
         {"+CPBR: 241,\"+79161234567\",129,\"O2\",0", "+CPBR: 242,\"1\",129,\"B\""}},
        {"an open quote never swallows the next entry",
         {"+CPBR: 1,\"12\",129,\"Joe \"the", "+CPBR: 2,\"3\",129,\"X\""},
         false,
         {"+CPBR: 1,\"12\",129,\"Joe \"the", "+CPBR: 2,\"3\",129,\"X\""}},
        {"8-bit hex name ending 00 in UCS2",
         {"+CPBR: 419,\"030450566735\",129,56697263686F77204B6C696E696B756D2053742E20333100"},
         true,
         {"+CPBR: 419,\"030450566735\",129,\"Virchow Klinikum St. 31\""}},
        {"name only, quoted UCS2",
         {"+CPBR: 16,\"\",,\"" + anna + "\""},
         true,
         {W("+CPBR: 16,\"\",,\"Анна\"")}},
        {"numbers and types stay as they are",
         {"+CPBR: 3,4142434400,129,\"00410042\"", "+CPBR: 4,\"+7916\",145,1200"},
         true,
         {"+CPBR: 3,4142434400,129,\"AB\"", "+CPBR: 4,\"+7916\",145,1200"}},
        {"hex names only in UCS2",
         {"+CPBR: 5,\"1\",129,416E6E6100"},
         false,
         {"+CPBR: 5,\"1\",129,416E6E6100"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(phoneBookLines(c.lines, "+CPBR", c.ucs2), c.expect) << c.why;
}

TEST(Answers, PartsOfALongMessageAreJoined) {
    auto part = [](int ref, int count, int seq, bool wide, std::u32string text) {
        gsmcodec::Sms s;
        s.deliver = true;
        s.smsc = "+79168999100";
        s.number = "+79161234567";
        s.timestamp = "25/06/02,18:05:12+12";
        s.alphabet = gsmcodec::fitsGsm7(text) ? gsmcodec::Alphabet::Gsm7 : gsmcodec::Alphabet::Ucs2;
        s.text = std::move(text);
        s.part = {ref, count, seq, wide};
        return gsmcodec::encodePdu(s).hex;
    };
    const std::string head = "+CMGL=";
    const std::string from = ",\"REC READ\",\"+79161234567\",,\"25/06/02,18:05:12+12\"}";
    const std::string sentFrom = ",\"STO SENT\",\"+79161234567\"}";
    const std::string fields = from.substr(0, from.size() - 1);  // up to the text
    auto sent = gsmcodec::encodeSubmit("+79161234567", std::u32string(170, U'x'), 9);
    struct {
        const char* why;
        std::vector<std::string> lines;
        std::vector<std::string> expect;
    } cases[] = {
        {"PDU, 8-bit reference, listed out of order, a whole one between",
         {"+CMGL: 4,1,,30", part(7, 2, 2, false, U"world"), "+CMGL: 5,1,,30",
          part(-1, 0, 0, false, U"alone"), "+CMGL: 6,1,,30", part(7, 2, 1, false, U"hello ")},
         {head + "4" + fields + ",parts:6;4}hello world", head + "5" + from + "alone"}},
        {"PDU, 16-bit reference, the middle part missing",
         {"+CMGL: 0,1,,30", part(0x1234, 3, 1, true, U"Да "), "+CMGL: 2,1,,30",
          part(0x1234, 3, 3, true, U" нет")},
         {head + "0" + fields + ",parts:0;2}Да [часть 2 из 3 отсутствует] нет"}},
        {"PDU, same reference from another kind of list stays apart",
         {"+CMGL: 1,1,,30", part(9, 2, 1, false, U"a"), "+CMGL: 2,3,,30", sent[1].hex},
         {head + "1" + from + "a[часть 2 из 2 отсутствует]",
          head + "2" + sentFrom + "[часть 1 из 2 отсутствует]" + std::string(17, 'x')}},
        {"text mode with the header shown, both kinds of reference",
         {"+CMGL: 1,\"REC READ\",\"+79161234567\",,\"25/06/02,18:05:12+12\",145,5",
          "0500030702016669727374",
          "+CMGL: 3,\"REC READ\",\"+79161234567\",,\"25/06/02,18:05:12+12\",145,4",
          "0608041234020204140430",
          "+CMGL: 2,\"REC READ\",\"+79161234567\",,\"25/06/02,18:05:12+12\",145,5",
          "0500030702022C207365636F6E64"},
         {head + "1" + fields + ",145,5,parts:1;2}first, second",
          head + "3" + fields + ",145,4}" + "[часть 1 из 2 отсутствует]Да"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> want;
        for (const auto& e : c.expect) want.push_back(W(e.c_str()));
        EXPECT_EQ(buildSmsRecords(c.lines, "+CMGL", false), want) << c.why;
    }
}
