#include "oplang.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/cp1251.h"

using namespace celltalk;
using td::W;
using K = Step::Kind;

namespace {

// Batch files by name, found without regard to letter case (as the engine's
// folder loader does).
BatchLoader files(std::map<std::string, std::vector<std::string>> m) {
    return [m](const std::string& name) -> std::optional<std::vector<std::string>> {
        for (const auto& [k, v] : m)
            if (td::equalsNoCase(k, name)) return v;
        return std::nullopt;
    };
}

Step cmd(std::string t) {
    return {K::Command, std::move(t), -1};
}
Step dly(double s = -1) {
    return {K::Delay, {}, s};
}
Step sms(std::string n) {
    return {K::SendSms, std::move(n), -1};
}

}  // namespace

TEST(OpLang, Expansion) {
    struct Case {
        const char* name;
        std::string text;
        OpArgs args;
        std::vector<Step> expect;
    };
    const std::string mark = W("№");
    Case cases[] = {
        {"call template",
         "at+ckpd=\"" + mark + "\"|!dly|at+ckpd=\"s\"",
         {"89161234567", ""},
         {cmd("at+ckpd=\"89161234567\""), dly(), cmd("at+ckpd=\"s\"")}},
        {"mark twice, blanks around items",
         "  at+cmgd=" + mark + " | at+cmgr=" + mark + "||",
         {"7", ""},
         {cmd("at+cmgd=7"), cmd("at+cmgr=7")}},
        {"mark with an empty argument", "at+cmss=" + mark, {}, {cmd("at+cmss=")}},
        {"delay forms", "!dly|!DLY 2|!Dly0.5", {}, {dly(), dly(2), dly(0.5)}},
        {"batch by quoted name, any letter case",
         "at+cmgd=" + mark + "|!BAT\"delsms.txt\"",
         {"7", ""},
         {cmd("at+cmgd=7"), cmd("at+cmgd=3"), cmd("at+cmgl=4")}},
        {"batch named by the first argument",
         "at+cgsn|!bat[",
         {"@ScriBat.txt", ""},
         {cmd("at+cgsn"), cmd("at+ckpd=\"0\",22"), dly(), cmd("AT+CKPD=\"79161234567\"")}},
        {"nested batches, mark inside a batch",
         "!bat\"outer.bat\"",
         {"5", ""},
         {cmd("at"), cmd("at+cmgr=5"), cmd("at+cpbr=1")}},
        {"every line of a batch file runs",
         "!bat\"multi.txt\"",
         {},
         {cmd("at+mdbl=1"), cmd("AT+MDBW=1,\"X\""), cmd("at+mdbl=0")}},
        {"send to every recipient",
         "at+cmgf=1|!sms",
         {"  +7916 8903  123", W("Привет")},
         {cmd("at+cmgf=1"), sms("+7916"), sms("8903"), sms("123")}},
        {"a message to store, its text as hex holding a bar",
         "at+cmgf=0|!smw 1 \"+7916\" \"\" 007C|!SMW 3 \"1\" \"\" 41",
         {},
         {cmd("at+cmgf=0"),
          {K::StoreSms, "1 \"+7916\" \"\" 007C", -1},
          {K::StoreSms, "3 \"1\" \"\" 41", -1}}},
        {"cyrillic argument in a command",
         "at+cpbf=\"" + mark + "\"",
         {W("Иван Петров"), ""},
         {cmd(W("at+cpbf=\"Иван Петров\""))}},
        {"argument holding a bar is not split", "at+x=" + mark, {"a|b", ""}, {cmd("at+x=a|b")}},
        {"a batch named by the argument keeps its marks",
         "at+cgsn|!bat[",
         {"unload.txt", ""},
         {cmd("at+cgsn"), cmd("AT+MDBW=1,\"N" + mark + "5\""), cmd("at+cmgr=" + mark),
          cmd("at+cpbr=1")}},
        {"a bar inside a quoted title is text",
         "at+mdbl=1|AT+MDBW=1,\"Lunch|ATD+79990001122;|AT+CPBW=1|\",1,0|at+mdbl=0",
         {},
         {cmd("at+mdbl=1"), cmd("AT+MDBW=1,\"Lunch|ATD+79990001122;|AT+CPBW=1|\",1,0"),
          cmd("at+mdbl=0")}},
        {"a macro inside a quoted title is text",
         "AT+MDBW=2,\"!bat\"|!dly 1",
         {},
         {cmd("AT+MDBW=2,\"!bat\""), dly(1)}},
        {"a stray quote hides no separator", "at+x=\"a|at+y", {}, {cmd("at+x=\"a"), cmd("at+y")}},
        {"stray line ends around items",
         "at+cgsn\r|\r\n!dly\r|at\r\r",
         {},
         {cmd("at+cgsn"), dly(), cmd("at")}},
    };
    auto loader = files({{"DELSMS.TXT", {"at+cmgd=3|at+cmgl=4"}},
                         {"@SCRIBAT.TXT", {"at+ckpd=\"0\",22|!dly|AT+CKPD=\"79161234567\""}},
                         {"OUTER.BAT", {"at|!bat\"inner.bat\""}},
                         {"inner.bat", {"at+cmgr=" + mark + "|at+cpbr=1"}},
                         {"multi.txt", {"at+mdbl=1", "", "AT+MDBW=1,\"X\"", "at+mdbl=0"}},
                         {"unload.txt", {"AT+MDBW=1,\"N" + mark + "5\"", "!bat\"inner.bat\""}}});
    for (const auto& c : cases)
        EXPECT_EQ(expandOperation(c.text, c.args, loader), c.expect) << c.name;
}

TEST(OpLang, Errors) {
    struct Case {
        const char* name;
        std::string text;
        OpArgs args;
    } cases[] = {
        {"unknown macro", "at|!foo", {}},
        {"missing batch file", "!bat\"nothere.txt\"", {}},
        {"batch without a closing quote", "!bat\"x.txt", {}},
        {"batch without a name", "!bat", {}},
        {"!bat[ with no argument", "!bat[", {}},
        {"batch that includes itself", "!bat\"loop.txt\"", {}},
        {"send without recipients", "!sms", {"   ", "text"}},
        {"bad pause", "!dly x", {}},
        {"a message to store without its fields", "!smw", {}},
    };
    auto loader = files({{"loop.txt", {"at|!bat\"LOOP.TXT\""}}});
    for (const auto& c : cases)
        EXPECT_THROW(expandOperation(c.text, c.args, loader), OpError) << c.name;
}

TEST(OpLang, Recipients) {
    EXPECT_EQ(splitRecipients(" 111 222  333 "), (std::vector<std::string>{"111", "222", "333"}));
    EXPECT_EQ(splitRecipients("+79161234567"), (std::vector<std::string>{"+79161234567"}));
    EXPECT_TRUE(splitRecipients("   ").empty());
}
