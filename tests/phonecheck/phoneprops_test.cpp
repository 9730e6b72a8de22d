// The phone check's text processing: the check list and its batch line, the
// reading of the engine's log (verbatim log lines), and the last-copy file.

#include "phonecheck/phoneprops.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/files.h"
#include "support/fakes.h"

namespace td {
namespace {

using test::W;

// The list the demo ships: three character sets and both SMS formats among
// the first five entries, the GSM set restored, then the six queries.
CheckList demoList() {
    return {{"+CSCS", "\"UCS2\""},  {"+CSCS", "\"PCCP437\""},
            {"+CSCS", "\"UTF-8\""}, {"+CMGF", "0"},
            {"+CMGF", "1"},         {"+CSCS", "\"GSM\""},
            {"+CGMI", ""},          {"+CGMM", ""},
            {"+CGSN", ""},          {"+CGMR", ""},
            {"+CSQ", ""},           {"+CBC", ""}};
}

// ---- check list -------------------------------------------------------------

TEST(CheckList, EntriesSplitAtTheFirstDash) {
    struct Row {
        const char* text;
        CheckEntry expected;
    } rows[] = {
        {"+CSCS-\"UCS2\"", {"+CSCS", "\"UCS2\""}},
        {"+CSCS-\"UTF-8\"", {"+CSCS", "\"UTF-8\""}},  // the value keeps its own dash
        {"+CGMI", {"+CGMI", ""}},
        {"+cmgf-1", {"+cmgf", "1"}},  // case as the user wrote it
        {"+CSQ-", {"+CSQ", ""}},
        {"-1", {"", "1"}},
    };
    for (const Row& r : rows) EXPECT_EQ(splitCheckEntry(r.text), r.expected) << r.text;
}

TEST(CheckList, ReadingStopsAtTheFirstEmptyKey) {
    struct Row {
        std::map<std::string, std::string> keys;
        std::size_t expected;
    } rows[] = {
        {{}, 0},
        {{{"0", "+CGMI"}, {"1", "+CGMM"}, {"3", "+CSQ"}}, 2},  // "2" missing: 3 is never read
        {{{"0", "+CGMI"}, {"1", ""}, {"2", "+CSQ"}}, 1},
    };
    for (const Row& r : rows) {
        auto list = readCheckList([&](const std::string& k) {
            auto it = r.keys.find(k);
            return it == r.keys.end() ? std::string() : it->second;
        });
        EXPECT_EQ(list.size(), r.expected);
    }
    // Keys beyond "11" are never asked for.
    std::vector<std::string> asked;
    auto list = readCheckList([&](const std::string& k) {
        asked.push_back(k);
        return std::string("+CGMI");
    });
    EXPECT_EQ(list.size(), 12u);
    EXPECT_EQ(asked.back(), "11");
}

TEST(CheckList, BatchLineSetsThenQueriesEntriesWithValues) {
    EXPECT_EQ(checkBatchLine(demoList()),
              "at+CSCS=\"UCS2\"|at+CSCS?|at+CSCS=\"PCCP437\"|at+CSCS?|at+CSCS=\"UTF-8\"|at+CSCS?|"
              "at+CMGF=0|at+CMGF?|at+CMGF=1|at+CMGF?|at+CSCS=\"GSM\"|at+CSCS?|"
              "at+CGMI|at+CGMM|at+CGSN|at+CGMR|at+CSQ|at+CBC");
    CheckList bare(12, {"+CGMI", ""});
    bare[11].command = "+CBC";
    std::string expected;
    for (int i = 0; i < 11; ++i) expected += "at+CGMI|";
    EXPECT_EQ(checkBatchLine(bare), expected + "at+CBC");
    EXPECT_EQ(checkBatchLine({}), "");
}

TEST(CheckList, PrepareWritesTheBatchOnlyForACompleteList) {
    test::TestEnv env;
    const std::string ini = env.path("tapdeck.ini"), bat = env.path("CheckPhone.bat");
    CheckList list;
    EXPECT_EQ(prepareCheckBatch(ini, bat, list), CheckBatchResult::NoOwnIni);
    EXPECT_FALSE(env.exists("CheckPhone.bat"));

    std::string section = "[CheckProper]\n";
    for (int i = 0; i < 12; ++i)
        section += std::to_string(i) + "=" + (i == 5 ? "" : "+CGMI") + "\n";
    env.writeFile("tapdeck.ini", section);
    EXPECT_EQ(prepareCheckBatch(ini, bat, list), CheckBatchResult::TooFew);
    EXPECT_EQ(list.size(), 5u);
    EXPECT_FALSE(env.exists("CheckPhone.bat"));

    env.writeFile("tapdeck.ini",
                  "[CheckProper]\n0=+CSCS-\"UCS2\"\n1=+CSCS-\"PCCP437\"\n2=+CSCS-\"UTF-8\"\n"
                  "3=+CMGF-0\n4=+CMGF-1\n5=+CSCS-\"GSM\"\n6=+CGMI\n7=+CGMM\n8=+CGSN\n9=+CGMR\n"
                  "10=+CSQ\n11=+CBC\n");
    env.writeFile("CheckPhone.bat", "old line\nsecond old line\n");
    EXPECT_EQ(prepareCheckBatch(ini, bat, list), CheckBatchResult::Written);
    EXPECT_EQ(list, demoList());
    EXPECT_EQ(env.readFile("CheckPhone.bat"), checkBatchLine(demoList()) + "\r\n");

    // A batch file that cannot be written (a folder stands in its place).
    ASSERT_TRUE(files::remove(bat));
    ASSERT_TRUE(files::makeDir(bat));
    EXPECT_EQ(prepareCheckBatch(ini, bat, list), CheckBatchResult::CannotCreate);
}

// ---- log parse ----------------------------------------------------------------

struct ParseRow {
    const char* name;
    std::vector<std::string> lines;
    PhoneProperties expected;  // starting from an empty record
};

PhoneProperties caps(std::initializer_list<Capability> set) {
    PhoneProperties p;
    for (Capability c : set) p.caps[c] = true;
    return p;
}
PhoneProperties withSignal(const char* s) {
    PhoneProperties p;
    p.signal = s;
    return p;
}
PhoneProperties withBattery(const char* b, bool charging) {
    PhoneProperties p;
    p.battery = b;
    p.charging = charging;
    return p;
}

TEST(PhoneLog, EachCommandRule) {
    PhoneProperties firmEmpty, identity;
    firmEmpty.firm = "";
    identity.firm = "MOTOROLA";
    identity.model = "C650";
    identity.imei = "351234567890123";
    identity.soft = "R365_G_0B.D3.08R";
    const ParseRow rows[] = {
        {"identity upper-cased",
         {"+CGMI: Motorola", "+CGMM: C650", "+CGSN: 351234567890123", "+CGMR: R365_G_0B.D3.08R"},
         identity},
        {"blanks around the answer go",
         {"+CGMI:   Motorola  "},
         [] {
             PhoneProperties p;
             p.firm = "MOTOROLA";
             return p;
         }()},
        {"empty firm", {"+CGMI:"}, firmEmpty},
        {"signal full", {"+CSQ: 31,99"}, withSignal("100%")},
        {"signal half", {"+CSQ: 16,99"}, withSignal("52%")},
        {"signal none", {"+CSQ: 0,0"}, withSignal("0%")},
        {"signal not measured", {"+CSQ: 99,99"}, withSignal("")},
        {"signal off the scale", {"+CSQ: 32,99"}, withSignal("")},
        {"signal with a blank before the comma", {"+CSQ: 17 ,99"}, withSignal("55%")},
        {"signal without a number", {"+CSQ: ,99"}, {}},
        {"signal negative", {"+CSQ: -5,99"}, {}},
        {"battery", {"+CBC: 0,85"}, withBattery("85%", false)},
        {"battery charging", {"+CBC: 1,60"}, withBattery("60%", true)},
        {"battery level keeps its blank", {"+CBC: 0, 60"}, withBattery(" 60%", false)},
        {"charging with a blank before the comma", {"+CBC: 1 ,60"}, withBattery("60%", true)},
        {"battery state no number", {"+CBC: ,60"}, withBattery("60%", false)},
        {"battery without a level", {"+CBC: 2"}, withBattery("%", false)},
        {"character sets",
         {"+CSCS: \"UCS2\"", "+CSCS: \"PCCP437\"", "+CSCS: \"UTF-8\""},
         caps({CapUCS2, CapPCCP437, CapUTF_8})},
        {"SMS formats", {"+CMGF: 0", "+CMGF: 1"}, caps({CapPduSms, CapTextSms})},
        {"lower-case answer", {"+cscs: \"ucs2\""}, caps({CapUCS2})},
        {"a set only the later entries name", {"+CSCS: \"GSM\""}, {}},
        {"a set list is no single answer",
         {"+CSCS: (\"GSM\",\"IRA\",\"UCS2\",\"PCCP437\",\"UTF-8\")"},
         {}},
        {"echo, results and reports are skipped",
         {"at+CSCS=\"UCS2\"", "AT+CSCS?", "OK", "ERROR", "~+CSQ: 15,99", "+CM", "+C:"},
         {}},
        {"an answer to a command not in the list", {"+CIMI: 250991234567890"}, {}},
        {"no colon right after the command", {"+CGMIX: x", "+CSQ 20,99"}, {}},
        {"the last answer wins",
         {"+CSQ: 31,99", "+CSQ: 0,99", "+CGMI: A", "+CGMI: B"},
         [] {
             PhoneProperties p;
             p.signal = "0%";
             p.firm = "B";
             return p;
         }()},
    };
    for (const ParseRow& r : rows) {
        PhoneProperties p;
        parsePhoneLog(r.lines, demoList(), p);
        EXPECT_EQ(p, r.expected) << r.name;
    }
}

TEST(PhoneLog, OnlyTheFirstFiveValuesClassify) {
    // "1" stands at entry 5 only: the text-mode answer sets nothing.
    CheckList list = demoList();
    std::swap(list[4], list[5]);
    PhoneProperties p;
    parsePhoneLog({"+CMGF: 1", "+CMGF: 0", "+CSCS: \"GSM\""}, list, p);
    EXPECT_EQ(p, caps({CapPduSms}));

    // A value of the first five contained in a longer answer lets the answer
    // through, but only an exact answer names a capability.
    list = demoList();
    list[0].value = "UCS2";
    p = {};
    parsePhoneLog({"+CSCS: \"UCS2\"", "+CSCS: UCS2"}, list, p);
    EXPECT_EQ(p, caps({CapUCS2}));
}

TEST(PhoneLog, OnlyLinesLikeTheFirstCommandAreRead) {
    // With a first command that starts "AT", the answers never match and the echo is read.
    CheckList list = demoList();
    list[0].command = "AT+CGMI";
    PhoneProperties p;
    parsePhoneLog({"+CGMI: Motorola", "+CSCS: \"UCS2\""}, list, p);
    EXPECT_EQ(p, PhoneProperties{});
    parsePhoneLog({"AT+CGMI: odd"}, list, p);
    EXPECT_EQ(p, PhoneProperties{});  // AT+CGMI is no rule of its own
}

TEST(PhoneLog, TextsNoLineSetsKeepTheirValues) {
    PhoneProperties p;
    p.firm = "SIEMENS";
    p.caps[CapUCS2] = true;  // the caller clears flags; the parse never does
    parsePhoneLog({"+CGMM: C650"}, demoList(), p);
    EXPECT_EQ(p.firm, "SIEMENS");
    EXPECT_EQ(p.model, "C650");
    EXPECT_TRUE(p.caps[CapUCS2]);
    parsePhoneLog({"+CGMM: C650"}, {}, p);  // an empty list reads nothing
    EXPECT_EQ(p.model, "C650");
}

// ---- last copy ----------------------------------------------------------------

TEST(PropCopy, LinesInTheirOrder) {
    PhoneProperties p = caps({CapUCS2, CapTextSms});
    EXPECT_EQ(propertiesCopyLines(p),
              (std::vector<std::string>{"UCS2=Yes", "PCCP437=No", "UTF8=No", "UTF-8=No",
                                        "TEXTSMS=Yes", "PDUSMS=No"}));
    p.signal = "52%";
    p.firm = "";
    p.charging = true;  // never stored
    auto lines = propertiesCopyLines(p);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[6], "Firm=");
    EXPECT_EQ(lines[7], "Signal=52%");
}

TEST(PropCopy, RoundTripUpperCasesTheTexts) {
    struct Row {
        const char* name;
        PhoneProperties in;
        PhoneProperties out;
    };
    PhoneProperties full = caps({CapUCS2, CapPCCP437, CapUTF8, CapUTF_8, CapTextSms, CapPduSms});
    full.firm = "Motorola";
    full.model = "C650";
    full.imei = "351234567890123";
    full.soft = "R365_g";
    full.battery = " 60%";
    full.signal = "";
    PhoneProperties fullUp = full;
    fullUp.firm = "MOTOROLA";
    fullUp.soft = "R365_G";
    PhoneProperties cyr;
    cyr.model = W("Модель x");
    PhoneProperties cyrUp = cyr;
    cyrUp.model = W("Модель X");  // Cyrillic stays as it is
    const Row rows[] = {
        {"everything", full, fullUp},
        {"nothing set", {}, {}},
        {"Cyrillic", cyr, cyrUp},
    };
    for (const Row& r : rows) {
        test::TestEnv env;
        const std::string path = env.path("LastProp.txt");
        ASSERT_TRUE(files::writeLines(path, propertiesCopyLines(r.in)));
        std::vector<std::string> lines;
        ASSERT_TRUE(files::readLines(path, lines));
        PhoneProperties back;
        readPropertiesCopy(lines, back);
        EXPECT_EQ(back, r.out) << r.name;
        EXPECT_EQ(env.readFile("LastProp.txt").find("\n"),
                  env.readFile("LastProp.txt").find("\r\n") + 1)
            << "Windows line ends";
    }
}

TEST(PropCopy, ReadingRules) {
    struct Row {
        const char* name;
        std::vector<std::string> lines;
        std::array<bool, CapCount> caps;
    } rows[] = {
        {"lower case", {"ucs2=yes", "pdusms=Yes"}, {true, false, false, false, false, true}},
        {"only YES sets", {"UCS2=Y", "PCCP437=yes ", "UTF8=1"}, {}},
        {"no capability lines clear all", {"Firm=X"}, {}},
        {"a later line overrides",
         {"UTF-8=Yes", "UTF-8=No", "TEXTSMS=No", "TEXTSMS=Yes"},
         {false, false, false, false, true, false}},
        {"UTF8 and UTF-8 are told apart", {"UTF-8=Yes"}, {false, false, false, true, false, false}},
        {"a key anywhere in the line", {"x UCS2=YES"}, {true, false, false, false, false, false}},
    };
    for (const Row& r : rows) {
        PhoneProperties p = caps({CapUCS2, CapPCCP437, CapUTF8, CapUTF_8, CapTextSms, CapPduSms});
        readPropertiesCopy(r.lines, p);
        EXPECT_EQ(p.caps, r.caps) << r.name;
    }
}

TEST(PropCopy, MissingTextsKeepWhatTheLastReadingGave) {
    PhoneProperties p;
    readPropertiesCopy({"Firm=Nokia", "Model=3310"}, p);
    readPropertiesCopy({"Model=6230", "Signal=10%"}, p);
    EXPECT_EQ(p.firm, "NOKIA");
    EXPECT_EQ(p.model, "6230");
    EXPECT_EQ(p.signal, "10%");
    EXPECT_FALSE(p.imei.has_value());
}

// ---- report -------------------------------------------------------------------

TEST(CheckReport, OneLinePerCapability) {
    std::array<bool, CapCount> some = {true, false, false, true, true, false};
    auto lines = checkReport(some);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], W("+++ Результаты проверки ключевых характеристик телефона +++"));
    EXPECT_EQ(lines[1],
              W("- Вы можете использовать операции CellTalk, в которых указана кодировка UCS2"));
    EXPECT_EQ(lines[3],
              W("- Вы НЕ можете использовать операции CellTalk, в которых указана кодировка UTF8"));
    EXPECT_EQ(lines[5], W("- Вы можете использовать операции CellTalk, в которых указан "
                          "текстовый формат SMS (at+cmgf=1)"));
    EXPECT_EQ(lines[6], W("- Вы НЕ можете использовать операции CellTalk,в которых указан НЕ "
                          "текстовый формат SMS (at+cmgf=0)"));
    auto all = checkReport({true, true, true, true, true, true});
    EXPECT_EQ(all[6], W("- Вы можете использовать операции CellTalk, в которых указан НЕ "
                        "текстовый формат SMS (at+cmgf=0)"));
}

}  // namespace
}  // namespace td
