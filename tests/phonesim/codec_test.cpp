// Character sets on the line, and the phone's side of PDU mode.

#include <gtest/gtest.h>

#include "charset.h"
#include "pdu.h"

namespace phonesim {
namespace {

struct CharsetRow {
    const char* utf8;
    Charset cs;
    std::string line;  // bytes on the line
};

const CharsetRow kCharsetRows[] = {
    {"Анна-Мария", Charset::Ucs2, "0410043D043D0430002D041C043004400438044F"},
    {"Ёлка ёж", Charset::Ucs2, "0401043B043A0430002004510436"},
    {"Hi", Charset::Ucs2, "00480069"},
    {"€", Charset::Ucs2, "20AC"},
    {"😀", Charset::Ucs2, "D83DDE00"},  // outside the BMP: a surrogate pair
    {"Hello @ home", Charset::Gsm, std::string("Hello \0 home", 12)},
    {"£5 {x}", Charset::Gsm,
     "\x01"
     "5 \x1b\x28x\x1b\x29"},
    {"Ünïcode", Charset::Pccp437,
     "\x9An\x8B"
     "code"},
    {"Мир", Charset::Utf8, "Мир"},
    {"café", Charset::Ira, "caf?"},
};

TEST(Charset, ToAndFromTheLine) {
    for (const CharsetRow& row : kCharsetRows) {
        SCOPED_TRACE(row.utf8);
        EXPECT_EQ(toCharset(row.utf8, row.cs), row.line);
        if (row.cs != Charset::Ira) {  // IRA loses the characters it cannot hold
            auto back = fromCharset(row.line, row.cs);
            ASSERT_TRUE(back.has_value());
            EXPECT_EQ(*back, row.utf8);
        }
    }
}

TEST(Charset, RejectsMalformedInput) {
    const std::pair<std::string, Charset> bad[] = {
        {"041", Charset::Ucs2},       // not whole units
        {"04G0", Charset::Ucs2},      // not hex
        {"\xD0", Charset::Utf8},      // truncated sequence
        {"\x80\x41", Charset::Utf8},  // stray continuation byte
        {"caf\xE9", Charset::Ira},    // 8-bit byte in a 7-bit set
    };
    for (const auto& [bytes, cs] : bad) EXPECT_FALSE(fromCharset(bytes, cs)) << bytes;
}

struct SubmitRow {
    const char* name;
    std::string hex;
    int length;
    std::string number, text;
    SmsCoding coding;
};

const SubmitRow kSubmits[] = {
    {"7-bit, relative validity", "0011000B916407281553F80000AA0AE8329BFD4697D9EC37", 23,
     "+46708251358", "hellohello", SmsCoding::Gsm7},
    {"UCS2 with service centre (gammu)",
     "07919761989901F011000B919730556576F70008FF1C041F0440043E043204350440043A0430002004410432044F"
     "04370438",
     42, "+79035556677", "Проверка связи", SmsCoding::Ucs2},
    {"national number, no validity", "000100038121F3000003E3301D", 12, "123", "cat",
     SmsCoding::Gsm7},
};

TEST(Pdu, DecodesSubmit) {
    for (const auto& row : kSubmits) {
        SCOPED_TRACE(row.name);
        std::string why;
        auto pdu = decodeSubmit(row.hex, row.length, &why);
        ASSERT_TRUE(pdu.has_value()) << why;
        EXPECT_EQ(pdu->number, row.number);
        EXPECT_EQ(pdu->text, row.text);
        EXPECT_EQ(pdu->coding, row.coding);
    }
}

TEST(Pdu, SubmittedPartKeepsItsHeader) {
    auto parts = gsmcodec::encodeSubmit("+79161234567", std::u32string(100, U'Ж'), 7);
    ASSERT_EQ(parts.size(), 2u);
    for (size_t i = 0; i < parts.size(); ++i) {
        std::string why;
        auto pdu = decodeSubmit(parts[i].hex, parts[i].tpduLength, &why);
        ASSERT_TRUE(pdu.has_value()) << why;
        EXPECT_EQ(pdu->part.ref, 7);
        EXPECT_EQ(pdu->part.count, 2);
        EXPECT_EQ(pdu->part.seq, static_cast<int>(i) + 1);
    }
}

TEST(Pdu, RejectsBrokenSubmit) {
    const std::string good = "0011000B916407281553F80000AA0AE8329BFD4697D9EC37";
    std::string why;
    EXPECT_FALSE(decodeSubmit(good, 22, &why));                             // wrong length
    EXPECT_FALSE(decodeSubmit(good.substr(0, good.size() - 2), 22, &why));  // text cut short
    EXPECT_FALSE(
        decodeSubmit("0004000B916407281553F80000AA0AE8329BFD4697D9EC37", 23, &why));  // a DELIVER
    EXPECT_FALSE(decodeSubmit("zz", 0, &why));
    EXPECT_FALSE(decodeSubmit(good + "00", 24, &why));  // an octet past the user data
    EXPECT_EQ(why, "user data length does not match");
    // UCS2 text of an odd number of octets.
    EXPECT_FALSE(decodeSubmit("000100038121F30008030414FF", 12, &why));
    EXPECT_EQ(why, "odd UCS2 text");
    EXPECT_TRUE(decodeSubmit("000100038121F300080404140430", 13, &why)) << why;
}

TEST(Pdu, StoredOutgoingMessageDecodesBack) {
    const Sms messages[] = {
        {SmsStatus::StoSent, "+79161234567", "", SmsCoding::Gsm7, "Hi Anna, [call] me €"},
        {SmsStatus::StoUnsent, "89265554433", "", SmsCoding::Ucs2, "Анна-Мария, привет"},
    };
    for (const Sms& m : messages) {
        int length = 0;
        std::string hex = encodeStored(m, "+79168999100", &length);
        auto pdu = decodeSubmit(hex, length, nullptr);
        ASSERT_TRUE(pdu.has_value()) << hex;
        EXPECT_EQ(pdu->number, m.number);
        EXPECT_EQ(pdu->text, m.text);
        EXPECT_EQ(pdu->coding, m.coding);
    }
}

TEST(Pdu, ReceivedMessageIsADeliverWithTimestamp) {
    Sms m{SmsStatus::RecRead, "+12025550123", "25/06/03,09:41:00+12", SmsCoding::Gsm7,
          "See you at 5pm"};
    int length = 0;
    std::string hex = encodeStored(m, "+79168999100", &length);
    EXPECT_EQ(hex,
              "07919761989901F0"  // service centre
              "04"                // SMS-DELIVER
              "0B912120550521F3"  // sender
              "0000"              // protocol, 7-bit coding
              "52603090140021"    // 25-06-03 09:41:00 +3h
              "0ED37219947FD741613AA8066F03");
    EXPECT_EQ(length, 32);
}

}  // namespace
}  // namespace phonesim
