#include <gtest/gtest.h>

#include "platform/cp1251.h"
#include "platform/services.h"
#include "platform/sha256.h"
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

// The FIPS 180-4 examples, and lengths around the padding's block edge.
TEST(Sha256, KnownDigests) {
    struct Case {
        std::string bytes;
        const char* hex;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
        {std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
        {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
        {std::string(119, 'a'), "31eba51c313a5c08226adf18d4a359cfdfd8d2e816b13f4af952f7ea6584dcfb"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& c : cases) EXPECT_EQ(sha256Hex(c.bytes), c.hex) << c.bytes.size();
}

}  // namespace
