// Numbers, time stamps and SMS PDUs.

#include <gtest/gtest.h>

#include "gsmtext.h"
#include "platform/cp1251.h"
#include "smspdu.h"

namespace gsmcodec {
namespace {

using td::W;

TEST(SemiOctets, DigitsSwappedInPairs) {
    const struct {
        const char* digits;
        const char* hex;
        const char* back;
    } rows[] = {
        {"46708251358", "6407281553F8", "46708251358"},
        {"*#1", "BAF1", "*#1"},
        {"12abc", "21DCFE", "12abc"},
        {"1-2 3", "21F3", "123"},  // other characters are left out
        {"", "", ""},
    };
    for (const auto& r : rows) {
        auto octets = encodeSemiOctets(r.digits);
        EXPECT_EQ(toHex(octets), r.hex) << r.digits;
        EXPECT_EQ(decodeSemiOctets(octets, std::string_view(r.back).size()), r.back);
    }
    // The filler is skipped wherever it stands; a count past the octets stops there.
    EXPECT_EQ(decodeSemiOctets(std::vector<uint8_t>{0xF1, 0x32}, 4), "123");
    EXPECT_EQ(decodeSemiOctets(std::vector<uint8_t>{0x21}, 6), "12");
}

TEST(Address, NumericAndAlphanumeric) {
    const struct {
        const char* number;
        const char* hex;
        const char* decoded;  // the number a PDU with this address gives back
    } rows[] = {
        {"+46708251358", "0B916407281553F8", "+46708251358"},
        {"123", "038121F3", "123"},
        {"+7 (916) 123-45-67", "0B919761214365F7", "+79161234567"},
        {"*100#", "05811A00FB", "*100#"},
        {"", "0081", ""},
        {"MTS", "06D04DEA14", "MTS"},
        {"InformationService", "14D049B7F92D6F87E9E9B71B", "Information"},  // 11 septets
        {"Informatio€x", "12D049B7F92D6F87E9E937", "Informatio"},           // no half of "€"
        // An address holds 20 digits at most.
        {"123456789012345678901234", "148121436587092143658709", "12345678901234567890"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.number);
        EXPECT_EQ(toHex(encodeAddress(r.number)), r.hex);
        Sms sms;
        sms.number = r.number;
        auto decoded = decodePdu(encodePdu(sms).hex);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->sms.number, r.decoded);
    }
}

TEST(Address, ANumberTooLongForTheLengthOctetStillGivesAReadablePdu) {
    // Found by fuzzing: 300 digits wrapped the digit count and the decoder
    // read the rest of the PDU from the wrong place.
    for (const std::string& number : {std::string(300, '7'), "+" + std::string(256, '1')}) {
        auto parts = encodeSubmit(number, U"Hi");
        ASSERT_EQ(parts.size(), 1u);
        std::string error;
        auto decoded = decodePdu(parts[0].hex, &error);
        ASSERT_TRUE(decoded) << error;
        EXPECT_EQ(decoded->sms.text, U"Hi");
        EXPECT_EQ(decoded->sms.number.size(), number[0] == '+' ? 21u : 20u);
    }
}

TEST(Address, ServiceCentre) {
    EXPECT_EQ(toHex(encodeServiceCentre("")), "00");
    EXPECT_EQ(toHex(encodeServiceCentre("+79168999100")), "07919761989901F0");
    EXPECT_EQ(toHex(encodeServiceCentre("8123")), "03811832");
}

TEST(Timestamp, BothWays) {
    const struct {
        const char* text;
        const char* hex;
    } rows[] = {
        {"25/06/03,09:41:00+12", "52603090140021"},
        {"02/08/26,19:37:41+12", "20806291731421"},
        {"13/01/02,03:04:05-08", "31102030405088"},  // zone west of Greenwich
        {"99/12/31,23:59:59+00", "99211332959500"},
    };
    for (const auto& r : rows) {
        auto octets = encodeTimestamp(r.text);
        EXPECT_EQ(toHex(octets), r.hex) << r.text;
        ASSERT_EQ(octets.size(), 7u);
        EXPECT_EQ(decodeTimestamp(std::span<const uint8_t, 7>(octets.data(), 7)), r.text);
    }
}

TEST(Pdu, DecodesAKnownDeliver) {
    auto d =
        decodePdu("07911326040000F0040B911346610089F60000208062917314210CC8F71D14969741F977FD07");
    ASSERT_TRUE(d);
    EXPECT_TRUE(d->sms.deliver);
    EXPECT_EQ(d->sms.smsc, "+31624000000");
    EXPECT_EQ(d->sms.number, "+31641600986");
    EXPECT_EQ(d->sms.timestamp, "02/08/26,19:37:41+12");  // zone in quarter hours
    EXPECT_EQ(d->sms.text, U"How are you?");
    EXPECT_EQ(d->tpduOctets, 30u);
    EXPECT_EQ(d->trailingOctets, 0u);
}

// Every field of a message survives encoding and decoding.
TEST(Pdu, FieldsRoundTrip) {
    auto deliver = [](Alphabet a, std::u32string text) {
        Sms s;
        s.deliver = true;
        s.smsc = "+79168999100";
        s.number = "+12025550123";
        s.timestamp = "25/06/03,09:41:00-04";
        s.alphabet = a;
        s.text = std::move(text);
        return s;
    };
    auto submit = [](Alphabet a, std::u32string text) {
        Sms s;
        s.reference = 200;
        s.number = "89265554433";
        s.validity = 0xAA;
        s.alphabet = a;
        s.text = std::move(text);
        return s;
    };
    std::vector<Sms> rows = {
        deliver(Alphabet::Gsm7, U"See you at 5pm [€]"),
        deliver(Alphabet::Ucs2, U"Анна-Мария, привет 😀"),
        deliver(Alphabet::Data8, U"\u00C0\u00FF\x01"),
        submit(Alphabet::Gsm7, U""),
        submit(Alphabet::Ucs2, U"Да"),
        submit(Alphabet::Data8, U"bin"),
    };
    Sms alpha = deliver(Alphabet::Gsm7, U"Balance: 5");
    alpha.number = "MTS";
    rows.push_back(alpha);
    Sms part = submit(Alphabet::Gsm7, U"second part");
    part.part = {0x42, 3, 2};
    rows.push_back(part);
    Sms ucs2Part = submit(Alphabet::Ucs2, U"часть");
    ucs2Part.part = {255, 2, 2};
    ucs2Part.validity.reset();
    rows.push_back(ucs2Part);
    Sms widePart = deliver(Alphabet::Gsm7, U"16-bit reference");
    widePart.part = {0x1234, 3, 3, true};
    rows.push_back(widePart);

    for (const Sms& s : rows) {
        SCOPED_TRACE(utf8Encode(s.text));
        auto enc = encodePdu(s);
        EXPECT_EQ(
            static_cast<size_t>(enc.tpduLength) * 2 + toHex(encodeServiceCentre(s.smsc)).size(),
            enc.hex.size());
        auto d = decodePdu(enc.hex);
        ASSERT_TRUE(d) << enc.hex;
        EXPECT_EQ(d->sms.deliver, s.deliver);
        EXPECT_EQ(d->sms.smsc, s.smsc);
        EXPECT_EQ(d->sms.reference, s.reference);
        EXPECT_EQ(d->sms.number, s.number);
        EXPECT_EQ(d->sms.timestamp, s.timestamp);
        EXPECT_EQ(d->sms.validity, s.validity);
        EXPECT_EQ(d->sms.alphabet, s.alphabet);
        EXPECT_EQ(d->sms.text, s.text);
        EXPECT_EQ(d->sms.part.ref, s.part.ref);
        EXPECT_EQ(d->sms.part.count, s.part.count);
        EXPECT_EQ(d->sms.part.seq, s.part.seq);
        EXPECT_EQ(d->sms.part.wide, s.part.wide);
        EXPECT_EQ(d->tpduOctets, static_cast<size_t>(enc.tpduLength));
        EXPECT_EQ(d->trailingOctets, 0u);
    }
}

TEST(Pdu, SevenBitTextAfterAHeaderStartsOnASeptetBoundary) {
    // Six header octets take 48 bits: one fill bit brings "hi" to septet 7.
    const std::string hex =
        "00410003812"
        "1F3000009"
        "050003070201"
        "D069";
    Sms s;
    s.number = "123";
    s.text = U"hi";
    s.part = {7, 2, 1};
    EXPECT_EQ(encodePdu(s).hex, hex);
    auto d = decodePdu(hex);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->sms.text, U"hi");
    EXPECT_EQ(d->headerOctets, 6u);
    EXPECT_EQ(d->sms.part.ref, 7);
}

TEST(Pdu, SixteenBitConcatenationReference) {
    auto d = decodePdu(
        "0041000381"
        "21F30004"
        "09"
        "06080412340302"
        "6869");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->sms.part.ref, 0x1234);
    EXPECT_EQ(d->sms.part.count, 3);
    EXPECT_EQ(d->sms.part.seq, 2);
    EXPECT_EQ(d->sms.text, U"hi");
    EXPECT_EQ(d->headerOctets, 7u);
}

TEST(Pdu, DataCodingSchemes) {
    // An SMS-SUBMIT to "123" with the given coding and user data.
    auto pdu = [](const char* dcs, const char* ud) {
        return std::string("000100038121F300") + dcs + ud;
    };
    const struct {
        const char* dcs;
        const char* ud;
        Alphabet alphabet;
        std::u32string text;
    } rows[] = {
        {"00", "03E3301D", Alphabet::Gsm7, U"cat"},
        {"F0", "03E3301D", Alphabet::Gsm7, U"cat"},  // class 0, 7-bit
        {"0C", "03E3301D", Alphabet::Gsm7, U"cat"},  // reserved alphabet: the default one
        {"80", "03E3301D", Alphabet::Gsm7, U"cat"},  // reserved group: the default alphabet
        {"C8", "03E3301D", Alphabet::Gsm7, U"cat"},  // message waiting, discard
        {"04", "03636174", Alphabet::Data8, U"cat"},
        {"F4", "03636174", Alphabet::Data8, U"cat"},  // class 0, 8-bit
        {"08", "0404140430", Alphabet::Ucs2, U"Да"},
        {"48", "0404140430", Alphabet::Ucs2, U"Да"},    // marked for automatic deletion
        {"E8", "0404140430", Alphabet::Ucs2, U"Да"},    // message waiting, UCS2
        {"08", "050414043000", Alphabet::Ucs2, U"Да"},  // odd last octet left out
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.dcs) + " " + r.ud);
        auto d = decodePdu(pdu(r.dcs, r.ud));
        ASSERT_TRUE(d);
        EXPECT_EQ(d->sms.alphabet, r.alphabet);
        EXPECT_EQ(d->sms.text, r.text);
    }
    std::string why;
    for (const char* compressed : {"20", "64"}) {
        EXPECT_FALSE(decodePdu(pdu(compressed, "03E3301D"), &why)) << compressed;
        EXPECT_EQ(why, "compressed text");
    }
}

TEST(Pdu, LengthsOfUserDataAndWhatFollows) {
    auto d = decodePdu("000100038121F3000003E3301D0000");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->userDataOctets, 3u);
    EXPECT_EQ(d->trailingOctets, 2u);
    EXPECT_EQ(d->sms.text, U"cat");
}

TEST(Pdu, BrokenPdusAreRefused) {
    const struct {
        const char* hex;
        const char* why;
    } rows[] = {
        {"", "truncated"},
        {"0", "not hex"},
        {"ZZ11000B919761214365F70000AA05C8329BFD06", "not hex"},
        {"00", "truncated"},
        {"0011", "truncated"},
        {"07911326040000F0040B9113466100", "truncated"},
        {"0791132604", "truncated"},                         // service centre cut short
        {"0002000381", "not an SMS-DELIVER or SMS-SUBMIT"},  // a status report
        {"000100038121F3000004E3301D", "user data cut short"},
        {"0011000B916407281553F80000AA", "truncated"},  // no user data length
        {"004100038121F3000403"
         "05636174",
         "bad user data header"},
        {"004100038121F3000001"
         "00",
         "bad user data header"},  // 7-bit: header past the length
    };
    for (const auto& r : rows) {
        std::string why;
        EXPECT_FALSE(decodePdu(r.hex, &why)) << r.hex;
        EXPECT_EQ(why, r.why) << r.hex;
    }
}

TEST(Pdu, TextTooLongForTheUserDataIsCutAtAWholeCharacter) {
    const struct {
        Alphabet alphabet;
        std::u32string text;
        bool part;
        std::u32string kept;
    } rows[] = {
        {Alphabet::Gsm7, std::u32string(159, U'a') + U"€", false, std::u32string(159, U'a')},
        {Alphabet::Gsm7, std::u32string(170, U'a'), false, std::u32string(160, U'a')},
        {Alphabet::Gsm7, std::u32string(170, U'a'), true, std::u32string(153, U'a')},
        {Alphabet::Ucs2, std::u32string(69, U'ж') + U"😀", false, std::u32string(69, U'ж')},
        {Alphabet::Ucs2, std::u32string(71, U'ж'), true, std::u32string(67, U'ж')},
        {Alphabet::Data8, std::u32string(150, U'x'), false, std::u32string(140, U'x')},
    };
    for (const auto& r : rows) {
        Sms s;
        s.alphabet = r.alphabet;
        s.text = r.text;
        if (r.part) s.part = {1, 2, 1};
        auto d = decodePdu(encodePdu(s).hex);
        ASSERT_TRUE(d);
        EXPECT_EQ(d->sms.text, r.kept) << r.text.size();
    }
}

TEST(Submit, TextsSplitIntoPartsAndDecodeBack) {
    const struct {
        const char* number;
        std::u32string text;
        size_t parts;
        const char* expectNumber;
        Alphabet alphabet;
    } rows[] = {
        {"+79161234567", U"Hello", 1, "+79161234567", Alphabet::Gsm7},
        {"89161234567", U"Привет, мир!", 1, "89161234567", Alphabet::Ucs2},
        {"8 (916) 123", U"x", 1, "8916123", Alphabet::Gsm7},
        {"Mom", U"x", 1, "", Alphabet::Gsm7},  // a destination keeps only what can be dialled
        {"123", std::u32string(160, U'x'), 1, "123", Alphabet::Gsm7},
        {"123", std::u32string(161, U'x'), 2, "123", Alphabet::Gsm7},
        {"123", std::u32string(300, U'{'), 4, "123", Alphabet::Gsm7},  // two septets each
        {"123", std::u32string(152, U'x') + U"€yyyyyyy", 2, "123",
         Alphabet::Gsm7},  // "€" kept whole
        {"123", std::u32string(70, U'Ж'), 1, "123", Alphabet::Ucs2},
        {"123", std::u32string(71, U'Ж'), 2, "123", Alphabet::Ucs2},
        {"123", std::u32string(66, U'Ж') + U"😀ЖЖЖ", 2, "123", Alphabet::Ucs2},  // pair kept whole
        {"", U"", 1, "", Alphabet::Gsm7},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.number) + " " + std::to_string(r.text.size()));
        auto pdus = encodeSubmit(r.number, r.text, 7);
        ASSERT_EQ(pdus.size(), r.parts);
        std::u32string joined;
        for (size_t i = 0; i < pdus.size(); ++i) {
            EXPECT_EQ(pdus[i].tpduLength * 2 + 2, static_cast<int>(pdus[i].hex.size()));
            EXPECT_EQ(pdus[i].hex.substr(0, 4), r.parts > 1 ? "0051" : "0011");
            auto d = decodePdu(pdus[i].hex);
            ASSERT_TRUE(d) << pdus[i].hex;
            EXPECT_FALSE(d->sms.deliver);
            EXPECT_EQ(d->sms.number, r.expectNumber);
            EXPECT_EQ(d->sms.alphabet, r.alphabet);
            EXPECT_EQ(d->sms.validity, std::optional<uint8_t>(0xAA));
            if (r.parts > 1) {
                EXPECT_EQ(d->sms.part.ref, 7);
                EXPECT_EQ(d->sms.part.count, static_cast<int>(r.parts));
                EXPECT_EQ(d->sms.part.seq, static_cast<int>(i + 1));
            } else {
                EXPECT_EQ(d->sms.part.ref, -1);
            }
            joined += d->sms.text;
        }
        EXPECT_EQ(joined, r.text);
    }
}

TEST(Submit, KnownSinglePart) {
    auto pdus = encodeSubmit("+46708251358", U"hellohello");
    ASSERT_EQ(pdus.size(), 1u);
    EXPECT_EQ(pdus[0].hex, "0011000B916407281553F80000AA0AE8329BFD4697D9EC37");
    EXPECT_EQ(pdus[0].tpduLength, 23);
}

TEST(Pdu, Windows1251TextOfAMessage) {
    Sms s;
    s.text = U"Ёж €";
    EXPECT_EQ(textCp1251(s), W("Ёж €"));
    s.text = U"中";
    EXPECT_EQ(textCp1251(s), "?");
    s.alphabet = Alphabet::Data8;  // octets are taken as they are
    s.text = {0xC0, 0xE4};
    EXPECT_EQ(textCp1251(s), "\xC0\xE4");
}

}  // namespace
}  // namespace gsmcodec
