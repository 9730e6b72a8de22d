#include <gtest/gtest.h>

#include "platform/cp1251.h"
#include "platform/services.h"
#include "support/fakes.h"

using namespace td;

namespace {

TEST(Cp1251, RoundTripsEveryAssignedByte) {
    for (int b = 1; b < 256; ++b) {
        if (b == 0x98) continue;  // unassigned in the code page
        std::string s(1, static_cast<char>(b));
        EXPECT_EQ(utf8ToCp1251(cp1251ToUtf8(s)), s) << "byte " << b;
        EXPECT_EQ(utf16ToCp1251(cp1251ToUtf16(s)), s) << "byte " << b;
    }
}

TEST(Cp1251, KnownCharacters) {
    struct Case {
        const char* utf8;
        std::string bytes;
    } cases[] = {
        {"АЯаяЁё", "\xC0\xDF\xE0\xFF\xA8\xB8"},
        {"№", "\xB9"},
        {"€", "\x88"},
        {"Hello", "Hello"},
        {"日本", "??"},   // outside the code page
        {"😀x", "?x"},     // outside the basic plane
        {"\xFFz", "?z"},  // malformed UTF-8
    };
    for (const auto& c : cases) EXPECT_EQ(utf8ToCp1251(c.utf8), c.bytes) << c.utf8;
}

TEST(Cp1251, Utf16SurrogatePairBecomesOneQuestionMark) {
    std::u16string s = u"a\U0001F600b";
    EXPECT_EQ(utf16ToCp1251(s), "a?b");
}

TEST(Cp1251, UpperCasingChangesOnlyAsciiLetters) {
    EXPECT_EQ(upperAscii(utf8ToCp1251("phone2.ini абв Yes")), utf8ToCp1251("PHONE2.INI абв YES"));
}

TEST(Cp1251, StartsWithNoCaseComparesAsciiLetters) {
    struct Case {
        std::string s, prefix;
        bool starts;
    } cases[] = {
        {"at+cmgl=4", "AT", true},   {"+cme error: 5", "+CME ERROR", true},
        {"A", "AT", false},          {"", "", true},
        {W("ат+cmgl"), "AT", false},  // Cyrillic letters are no Latin ones
    };
    for (const auto& c : cases) EXPECT_EQ(startsWithNoCase(c.s, c.prefix), c.starts) << c.s;
}

TEST(Cp1251, CaseFoldingCoversBothAlphabets) {
    struct Case {
        const char *a, *b;
        bool equal;
    } cases[] = {
        {"Operations", "OPERATIONS", true},
        {"Выполнить_пакет", "ВЫПОЛНИТЬ_ПАКЕТ", true},
        {"Ёж", "ёЖ", true},
        {"Ґ", "ґ", true},
        {"Ў", "ў", true},
        {"Є", "є", true},
        {"abc", "abd", false},
        {"Пакет", "Пакеты", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(equalsNoCase(utf8ToCp1251(c.a), utf8ToCp1251(c.b)), c.equal) << c.a << " " << c.b;
}

TEST(Text, TrimTakesBlanksFromBothEndsOnly) {
    struct Case {
        std::string in, blanks, out;
    } cases[] = {
        {"  a b\t", " \t", "a b"},    {"\t \t", " \t", ""}, {"", " \t", ""},
        {"a\r\n", " \t", "a\r\n"},  // line ends stay
        {" a\r\r\n", " \t\r\n", "a"}, {"x", " \t", "x"},    {W(" Имя "), " \t", W("Имя")},
    };
    for (const auto& c : cases) EXPECT_EQ(td::trim(c.in, c.blanks), c.out) << c.in;
    EXPECT_EQ(td::trim("\t a \t"), "a");  // spaces and tabs unless told otherwise
}

TEST(DateFormat, ShortDateAndLongTime) {
    test::TestEnv env;
    env.clock.setLocal(2026, 3, 7, 9, 5, 4);
    EXPECT_EQ(env.clock.shortDate(env.clock.now()), "07.03.2026");
    EXPECT_EQ(env.clock.longTime(env.clock.now()), "09:05:04");
    EXPECT_EQ(formatLocalTime(env.clock.now(), "d/M/yy h:mm"), "7/3/26 9:05");
}

TEST(MarkerPath, WindowsPathMapsIntoMarkerFolder) {
    test::TestEnv env;
    EXPECT_EQ(mapMarkerPath("c:\\swapping.fl3"), env.markers + "/swapping.fl3");
}

}  // namespace
