#include "engine/texthelpers.h"

#include <gtest/gtest.h>

#include <limits>

#include "support/fakes.h"

using namespace td;
using td::test::W;

namespace {

struct CharCase {
    std::string (*fn)(const std::string&, char);
    const char* name;
    std::string in;
    char c;
    std::string out;
};

TEST(TextHelpers, CharFunctions) {
    const CharCase cases[] = {
        {StripBegChars, "StripBeg", "  ab", ' ', "ab"},
        {StripBegChars, "StripBeg", "aaa", 'a', "a"},
        {StripBegChars, "StripBeg", "a", 'a', "a"},
        {StripBegChars, "StripBeg", "", ' ', ""},
        {StripBegChars, "StripBeg", "0079", '0', "79"},
        {StripEndChars, "StripEnd", "ab  ", ' ', "ab"},
        {StripEndChars, "StripEnd", "aaa", 'a', ""},
        {StripEndChars, "StripEnd", "", 'a', ""},
        {CopyUptoChars, "CopyUpto", "12,34,56", ',', "12"},
        {CopyUptoChars, "CopyUpto", "123", ',', "123"},
        {CopyUptoChars, "CopyUpto", ",", ',', ""},
        {CopyUptoChars, "CopyUpto", "5", ',', "5"},
        {CopyUptoChars, "CopyUpto", ",5", ',', ""},
        {CopyUptoChars, "CopyUpto", "", ',', ""},
        {CopyFromChars, "CopyFrom", "12,34,56", ',', "34,56"},
        {CopyFromChars, "CopyFrom", "123", ',', ""},
        {CopyFromChars, "CopyFrom", "12,", ',', ""},
        {CopyFromChars, "CopyFrom", "", ',', ""},
        {CopyFromChars, "CopyFrom", ",", ',', ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.fn(c.in, c.c), c.out) << c.name << "(\"" << c.in << "\", '" << c.c << "')";
}

TEST(TextHelpers, ChangeCharReplacesEveryOccurrenceKeepingLength) {
    EXPECT_EQ(ChangeChar("say \"hi\" now", '"', '\''), "say 'hi' now");
    EXPECT_EQ(ChangeChar("", '"', '\''), "");
}

TEST(TextHelpers, CopyFromSubstr) {
    struct Case {
        std::string s, p, out;
    } cases[] = {
        {"IMEI=3512", "IMEI=", "3512"},
        {"SOFT=1.2", "IMEI=", "SOFT=1.2"},
        {"a=b", "=", "b"},
        {"ab", "=", ""},
        {"abc", "", "abc"},
        {"xIMEI=", "IMEI=", ""},
        {"+CPBR: 1,\"1\"", "+CPBR:", " 1,\"1\""},
    };
    for (const auto& c : cases) EXPECT_EQ(CopyFromSubstr(c.s, c.p), c.out) << c.s << " / " << c.p;
}

TEST(TextHelpers, InsertNumberReplacesOnlyTheFirstMark) {
    EXPECT_EQ(InsertNumber(W("№"), "123"), "123");
    EXPECT_EQ(InsertNumber("at+ckpd=", "123"), "at+ckpd=");
    EXPECT_EQ(InsertNumber(W("at+ckpd=\"№\"|!dly|at+ckpd=\"s\""), "79161234567"),
              "at+ckpd=\"79161234567\"|!dly|at+ckpd=\"s\"");
    EXPECT_EQ(InsertNumber(W("№,№"), "1"), W("1,№"));
    EXPECT_EQ(InsertNumber(W("a№"), "7"), "a7");
}

TEST(TextHelpers, WholeNumbersFitIn64Bits) {
    EXPECT_EQ(parseWhole("-9223372036854775808"), std::numeric_limits<long long>::min());
    EXPECT_EQ(parseWhole("9223372036854775807"), std::numeric_limits<long long>::max());
    EXPECT_FALSE(parseWhole("9223372036854775808"));
}

}  // namespace
