// Hex, UTF-8, UCS2 and the GSM 7-bit alphabet.

#include <gtest/gtest.h>

#include "gsmtext.h"
#include "platform/cp1251.h"

namespace gsmcodec {
namespace {

using td::W;

std::u32string u(std::string_view utf8) {
    return utf8Decode(utf8);
}

TEST(Hex, BytesToDigitsAndBack) {
    EXPECT_EQ(toHex(std::string("\x01\xAB\xFF", 3)), "01ABFF");
    EXPECT_EQ(toHex(std::vector<uint8_t>{0x00, 0x7F}), "007F");
    EXPECT_EQ(fromHex("01abFF"), (std::vector<uint8_t>{0x01, 0xAB, 0xFF}));
    EXPECT_EQ(fromHex(""), std::vector<uint8_t>{});
    for (const char* bad : {"0", "0G", "1 ", "ABC"}) EXPECT_FALSE(fromHex(bad)) << bad;
}

TEST(Utf8, MalformedBytesBecomeReplacementCharacters) {
    const struct {
        std::string bytes;
        std::u32string text;
    } rows[] = {
        {"Мир", U"Мир"},
        {"😀!", U"😀!"},
        {"\xD0", U"\uFFFD"},  // truncated sequence
        {"\x80"
         "A",
         U"\uFFFD"
         "A"},  // stray continuation byte
        {"\xE2\x82"
         "A",
         U"\uFFFD\uFFFD"
         "A"},  // sequence broken off
    };
    for (const auto& r : rows) {
        EXPECT_EQ(utf8Decode(r.bytes), r.text) << r.bytes;
        if (r.text.find(U'\uFFFD') == std::u32string::npos) {
            EXPECT_EQ(utf8Encode(r.text), r.bytes);
        }
    }
}

TEST(Ucs2, HexRoundTrip) {
    const struct {
        const char* utf8;
        const char* hex;
    } rows[] = {
        {"Да", "04140430"}, {"Hi!", "004800690021"}, {"Ёлка №5", "0401043B043A0430002021160035"},
        {"€", "20AC"},      {"😀", "D83DDE00"},  // outside the basic plane: a surrogate pair
        {"", ""},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(toUcs2Hex(u(r.utf8)), r.hex) << r.utf8;
        auto back = fromUcs2Hex(r.hex);
        ASSERT_TRUE(back) << r.hex;
        EXPECT_EQ(*back, u(r.utf8));
    }
    EXPECT_EQ(fromUcs2Hex("d83dde00"), U"😀");  // lower-case digits
}

TEST(Ucs2, MalformedHexAndLoneSurrogates) {
    EXPECT_FALSE(fromUcs2Hex("04140"));  // not a whole unit
    EXPECT_FALSE(fromUcs2Hex("0414Z430"));
    const struct {
        const char* hex;
        std::u32string text;
    } rows[] = {
        {"D83D0041",
         U"\uFFFD"
         "A"},  // high surrogate without its partner
        {"DE000041",
         U"\uFFFD"
         "A"},                     // low surrogate alone
        {"0041D83D", U"A\uFFFD"},  // cut off at the end
    };
    for (const auto& r : rows) {
        auto text = fromUcs2Hex(r.hex);
        ASSERT_TRUE(text) << r.hex;
        EXPECT_EQ(*text, r.text) << r.hex;
    }
}

TEST(Ucs2, Windows1251Forms) {
    EXPECT_EQ(cp1251::toUcs2Hex(W("Ёлка №5")), "0401043B043A0430002021160035");
    EXPECT_EQ(cp1251::fromUcs2Hex("0401043B043A0430002021160035"), W("Ёлка №5"));
    EXPECT_EQ(cp1251::fromUcs2Hex("4E2D"), "?");      // a character the code page lacks
    EXPECT_EQ(cp1251::fromUcs2Hex("D83DDE00"), "?");  // one character, one "?"
    EXPECT_FALSE(cp1251::fromUcs2Hex("041"));
    // Strict decoding refuses what would lose characters: "1234" is a number.
    for (const char* lossy : {"1234", "000A", "", "D83DDE00", "4E2D0041", "043"})
        EXPECT_FALSE(cp1251::fromUcs2HexStrict(lossy)) << lossy;
    EXPECT_EQ(cp1251::fromUcs2HexStrict("0031003200330034"), "1234");
    EXPECT_EQ(cp1251::fromUcs2HexStrict("04140430"), W("Да"));
}

TEST(Gsm7, WhichTextsFitTheAlphabet) {
    const struct {
        const char* utf8;
        bool fits;
    } rows[] = {
        {"Hello @ 100$ {x}", true},
        {"Price: 5€ [ok] ^_^ ÄÖÜ \\ | ~", true},
        {"Ç and ΔΩ", true},
        {"", true},
        {"Привет", false},
        {"ç", false},  // only the capital Ç is in the alphabet
        {"`", false},
    };
    for (const auto& r : rows) EXPECT_EQ(fitsGsm7(u(r.utf8)), r.fits) << r.utf8;
}

TEST(Gsm7, SeptetsOfCharacters) {
    const struct {
        const char* utf8;
        std::vector<uint8_t> septets;
    } rows[] = {
        {"@A", {0x00, 0x41}},
        {"€", {0x1B, 0x65}},
        {"{}", {0x1B, 0x28, 0x1B, 0x29}},
        {"\f", {0x1B, 0x0A}},
        {"ΔÆ", {0x10, 0x1C}},
        {"жa", {0x3F, 0x61}},  // outside the alphabet: "?"
    };
    for (const auto& r : rows) {
        EXPECT_EQ(toGsm7Septets(u(r.utf8)), r.septets) << r.utf8;
        if (fitsGsm7(u(r.utf8))) {
            EXPECT_EQ(fromGsm7Septets(r.septets), u(r.utf8));
        }
    }
}

TEST(Gsm7, EscapesWithoutAnExtensionCharacter) {
    const struct {
        std::vector<uint8_t> septets;
        std::u32string text;
    } rows[] = {
        {{0x41, 0x1B}, U"A "},        // escape at the end
        {{0x1B, 0x1B, 0x41}, U" A"},  // escape to a further table: a space
        {{0x1B, 0x41}, U"A"},         // code the extension table lacks: the basic character
        {{0xC1}, U"A"},               // the eighth bit is ignored
    };
    for (const auto& r : rows) EXPECT_EQ(fromGsm7Septets(r.septets), r.text);
}

TEST(Gsm7, SeptetPacking) {
    EXPECT_EQ(toHex(packSeptets(toGsm7Septets(U"hellohello"))), "E8329BFD4697D9EC37");
    EXPECT_EQ(packSeptets({0x7F}, 1), (std::vector<uint8_t>{0xFE}));
    EXPECT_EQ(packSeptets({0x7F, 0x7F}), (std::vector<uint8_t>{0xFF, 0x3F}));
    EXPECT_EQ(packSeptets({0x68, 0x69}, 1), (std::vector<uint8_t>{0xD0, 0x69}));
    EXPECT_TRUE(packSeptets({}).empty());
    for (int fill = 0; fill < 7; ++fill) {
        auto s = toGsm7Septets(U"Test {1} [2] ~ \\ | €");
        EXPECT_EQ(unpackSeptets(packSeptets(s, fill), s.size(), fill), s) << "fill " << fill;
    }
    // Asking for more septets than the octets hold gives what is there.
    EXPECT_EQ(unpackSeptets({0xE8, 0x32}, 5), (std::vector<uint8_t>{0x68, 0x65}));
}

}  // namespace
}  // namespace gsmcodec
