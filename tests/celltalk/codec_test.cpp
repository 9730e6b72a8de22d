#include "codec.h"

#include <gtest/gtest.h>

#include "platform/cp1251.h"

using namespace celltalk;
using td::W;

TEST(Codec, Ucs2HexRoundTrip) {
    struct Case {
        const char* utf8;
        const char* hex;
    } cases[] = {
        {"Да", "04140430"},
        {"Hi!", "004800690021"},
        {"Ёлка №5", "0401043B043A0430002021160035"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(toUcs2Hex(W(c.utf8)), c.hex) << c.utf8;
        auto back = fromUcs2Hex(c.hex);
        ASSERT_TRUE(back) << c.hex;
        EXPECT_EQ(*back, W(c.utf8));
    }
}

TEST(Codec, Ucs2HexRejectsNonHexAndTellsTextFromHexLookalikes) {
    EXPECT_FALSE(fromUcs2Hex("04140"));  // not a whole character
    EXPECT_FALSE(fromUcs2Hex("0414Z430"));
    EXPECT_TRUE(fromUcs2Hex("4E2D"));  // a character the code page lacks: "?"
    EXPECT_EQ(*fromUcs2Hex("4E2D"), "?");
    // Strict decoding refuses what would lose characters: "1234" is a number.
    EXPECT_FALSE(fromUcs2HexStrict("1234"));
    EXPECT_FALSE(fromUcs2HexStrict("000A"));
    EXPECT_FALSE(fromUcs2HexStrict(""));
    EXPECT_EQ(*fromUcs2HexStrict("0031003200330034"), "1234");
}

TEST(Codec, SeptetPackingMatchesKnownVectors) {
    // "hellohello" is the classic packing example.
    auto packed = packSeptets(toGsm7Septets("hellohello"));
    EXPECT_EQ(toHex(std::string(packed.begin(), packed.end())), "E8329BFD4697D9EC37");
    for (int fill = 0; fill < 7; ++fill) {
        auto s = toGsm7Septets("Test {1} [2] ~ \\ |");
        auto back = unpackSeptets(packSeptets(s, fill), s.size(), fill);
        EXPECT_EQ(back, s) << "fill " << fill;
    }
    EXPECT_EQ(fromGsm7Septets(toGsm7Septets("a{b}c\xE0")), std::string("a{b}c?"));  // "а" lost
    EXPECT_TRUE(fitsGsm7("Hello @ 100$ {x}"));
    EXPECT_FALSE(fitsGsm7(W("Привет")));
}

TEST(Codec, DecodesAKnownDeliverPdu) {
    auto sms =
        decodePdu("07911326040000F0040B911346610089F60000208062917314210CC8F71D14969741F977FD07");
    ASSERT_TRUE(sms);
    EXPECT_TRUE(sms->deliver);
    EXPECT_EQ(sms->number, "+31641600986");
    EXPECT_EQ(sms->timestamp, "02/08/26,19:37:41+12");  // zone in quarter hours
    EXPECT_EQ(sms->text, "How are you?");
}

TEST(Codec, SubmitPdusDecodeBackToTheirText) {
    struct Case {
        const char* number;
        std::string text;
        size_t parts;
        const char* expectNumber;
    } cases[] = {
        {"+79161234567", "Hello", 1, "+79161234567"},
        {"89161234567", W("Привет, мир!"), 1, "89161234567"},
        {"123", std::string(160, 'x'), 1, "123"},
        {"123", std::string(161, 'x'), 2, "123"},
        {"123", std::string(300, '{'), 4, "123"},    // escapes: two septets each
        {"123", std::string(70, '\xC6'), 1, "123"},  // 70 x "Ж": one UCS2 message
        {"123", std::string(71, '\xC6'), 2, "123"},
        {"", "", 1, ""},
    };
    for (const auto& c : cases) {
        auto pdus = encodeSubmit(c.number, c.text, 7);
        ASSERT_EQ(pdus.size(), c.parts) << c.number << " " << c.text.size();
        std::string joined;
        for (size_t i = 0; i < pdus.size(); ++i) {
            EXPECT_EQ(pdus[i].tpduLength * 2 + 2, static_cast<int>(pdus[i].hex.size()));
            auto sms = decodePdu(pdus[i].hex);
            ASSERT_TRUE(sms) << pdus[i].hex;
            EXPECT_FALSE(sms->deliver);
            EXPECT_EQ(sms->number, c.expectNumber);
            if (c.parts > 1) {
                EXPECT_EQ(sms->partRef, 7);
                EXPECT_EQ(sms->partCount, static_cast<int>(c.parts));
                EXPECT_EQ(sms->partSeq, static_cast<int>(i + 1));
            }
            joined += sms->text;
        }
        EXPECT_EQ(joined, c.text);
    }
}

TEST(Codec, BrokenPdusAreRefused) {
    for (const char* bad : {"", "0", "00", "0011", "07911326040000F0040B9113466100",
                            "ZZ11000B919761214365F70000AA05C8329BFD06"}) {
        EXPECT_FALSE(decodePdu(bad)) << bad;
    }
}
