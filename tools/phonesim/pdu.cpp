#include "pdu.h"

#include <cctype>
#include <vector>

#include "charset.h"

namespace phonesim {
namespace {

using Bytes = std::vector<uint8_t>;

char semiOctetChar(int v) {
    static const char* map = "0123456789*#abc";
    return v < 15 ? map[v] : '\0';
}

int semiOctetValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c == '*') return 10;
    if (c == '#') return 11;
    if (c >= 'a' && c <= 'c') return 12 + (c - 'a');
    if (c >= 'A' && c <= 'C') return 12 + (c - 'A');
    return -1;
}

bool isAlphanumeric(std::string_view number) {
    for (char c : number)
        if (std::isalpha(static_cast<unsigned char>(c)) && semiOctetValue(c) < 0) return true;
    return false;
}

void appendHex(Bytes& out, const std::string& hex) {
    if (auto b = fromHex(hex)) out.insert(out.end(), b->begin(), b->end());
}

// Destination or originating address: length in semi-octets, type, value.
void appendAddress(Bytes& out, std::string_view number) {
    if (isAlphanumeric(number)) {
        auto septets = toGsmSeptets(utf8Decode(number));
        std::string packed = packSeptets(septets);
        out.push_back(static_cast<uint8_t>((septets.size() * 7 + 3) / 4));
        out.push_back(0xD0);
        appendHex(out, packed);
        return;
    }
    bool intl = !number.empty() && number[0] == '+';
    std::string digits(intl ? number.substr(1) : number);
    out.push_back(static_cast<uint8_t>(digits.size()));
    out.push_back(intl ? 0x91 : 0x81);
    appendHex(out, encodeSemiOctets(digits));
}

void appendSmsc(Bytes& out, std::string_view smsc) {
    if (smsc.empty()) {
        out.push_back(0);
        return;
    }
    bool intl = smsc[0] == '+';
    std::string digits(intl ? smsc.substr(1) : smsc);
    out.push_back(static_cast<uint8_t>(1 + (digits.size() + 1) / 2));
    out.push_back(intl ? 0x91 : 0x81);
    appendHex(out, encodeSemiOctets(digits));
}

// "yy/MM/dd,hh:mm:ss+zz" -> seven swapped semi-octet pairs.
void appendTimestamp(Bytes& out, std::string_view t) {
    std::string digits;
    bool negative = false;
    for (size_t i = 0; i < t.size(); ++i) {
        if (std::isdigit(static_cast<unsigned char>(t[i]))) digits += t[i];
        if (i > 0 && t[i] == '-' && i >= 17) negative = true;
    }
    while (digits.size() < 14) digits += '0';
    for (size_t i = 0; i < 14; i += 2) {
        int tens = digits[i] - '0', units = digits[i + 1] - '0';
        int byte = units << 4 | tens;
        if (i == 12 && negative) byte |= 0x08;
        out.push_back(static_cast<uint8_t>(byte));
    }
}

void appendUserData(Bytes& out, const Sms& sms) {
    auto text = utf8Decode(sms.text);
    if (sms.coding == SmsCoding::Ucs2) {
        auto hex = ucs2Hex(text);
        if (hex.size() > 280) hex.resize(280);
        out.push_back(static_cast<uint8_t>(hex.size() / 2));
        appendHex(out, hex);
        return;
    }
    auto septets = toGsmSeptets(text);
    if (septets.size() > 160) septets.resize(160);
    out.push_back(static_cast<uint8_t>(septets.size()));
    appendHex(out, packSeptets(septets));
}

std::vector<uint8_t> unpackSeptets(const Bytes& data, size_t offset, int count) {
    std::vector<uint8_t> out;
    for (int i = 0; i < count; ++i) {
        size_t bit = static_cast<size_t>(i) * 7;
        size_t at = offset + bit / 8;
        int shift = static_cast<int>(bit % 8);
        unsigned v = data[at] >> shift;
        if (shift > 1 && at + 1 < data.size()) v |= data[at + 1] << (8 - shift);
        out.push_back(static_cast<uint8_t>(v & 0x7F));
    }
    return out;
}

std::string decodeDigits(const Bytes& b, size_t at, int digits) {
    std::string out;
    for (int i = 0; i < digits; ++i) {
        uint8_t byte = b[at + i / 2];
        int v = i % 2 == 0 ? (byte & 0x0F) : (byte >> 4);
        char c = semiOctetChar(v);
        if (c) out += c;
    }
    return out;
}

}  // namespace

std::string encodeSemiOctets(std::string_view digits) {
    std::string hex;
    static const char* h = "0123456789ABCDEF";
    for (size_t i = 0; i < digits.size(); i += 2) {
        int lo = semiOctetValue(digits[i]);
        int hi = i + 1 < digits.size() ? semiOctetValue(digits[i + 1]) : 15;
        if (lo < 0) lo = 15;
        if (hi < 0) hi = 15;
        hex += h[hi];
        hex += h[lo];
    }
    return hex;
}

std::string packSeptets(const std::vector<uint8_t>& septets, int fillBits) {
    Bytes out;
    unsigned acc = 0;
    int bits = fillBits;
    for (uint8_t s : septets) {
        acc |= static_cast<unsigned>(s & 0x7F) << bits;
        bits += 7;
        while (bits >= 8) {
            out.push_back(static_cast<uint8_t>(acc & 0xFF));
            acc >>= 8;
            bits -= 8;
        }
    }
    if (bits > 0) out.push_back(static_cast<uint8_t>(acc & 0xFF));
    return toHex(out);
}

std::string encodeStored(const Sms& sms, const std::string& smsc, int* tpduLength) {
    Bytes out;
    bool received = sms.status == SmsStatus::RecUnread || sms.status == SmsStatus::RecRead;
    appendSmsc(out, received ? smsc : std::string());
    size_t tpduStart = out.size();
    if (received) {
        out.push_back(0x04);  // SMS-DELIVER, no more messages waiting
        appendAddress(out, sms.number);
        out.push_back(0x00);
        out.push_back(sms.coding == SmsCoding::Ucs2 ? 0x08 : 0x00);
        appendTimestamp(out, sms.time);
    } else {
        out.push_back(0x01);  // SMS-SUBMIT, no validity period
        out.push_back(0x00);
        appendAddress(out, sms.number);
        out.push_back(0x00);
        out.push_back(sms.coding == SmsCoding::Ucs2 ? 0x08 : 0x00);
    }
    appendUserData(out, sms);
    if (tpduLength) *tpduLength = static_cast<int>(out.size() - tpduStart);
    return toHex(out);
}

std::optional<SubmitPdu> decodeSubmit(std::string_view hex, int tpduLength, std::string* error) {
    auto fail = [&](const char* why) -> std::optional<SubmitPdu> {
        if (error) *error = why;
        return std::nullopt;
    };
    auto bytes = fromHex(hex);
    if (!bytes || bytes->empty()) return fail("not hex");
    const Bytes& b = *bytes;
    size_t scaLen = b[0];
    if (b.size() != 1 + scaLen + static_cast<size_t>(tpduLength))
        return fail("length does not match");
    SubmitPdu pdu;
    if (scaLen > 1) {
        pdu.smsc = (b[1] == 0x91 ? "+" : "") + decodeDigits(b, 2, static_cast<int>(scaLen - 1) * 2);
    }
    size_t p = 1 + scaLen;
    auto need = [&](size_t n) { return p + n <= b.size(); };
    if (!need(2)) return fail("truncated");
    uint8_t fo = b[p++];
    if ((fo & 0x03) != 0x01) return fail("not an SMS-SUBMIT");
    int vpf = (fo >> 3) & 0x03;
    bool udhi = fo & 0x40;
    pdu.reference = b[p++];
    if (!need(2)) return fail("truncated");
    int daDigits = b[p];
    uint8_t toa = b[p + 1];
    p += 2;
    size_t daOctets = (daDigits + 1) / 2;
    if (!need(daOctets)) return fail("truncated");
    if ((toa & 0x70) == 0x50) {
        auto septets = unpackSeptets(b, p, daDigits * 4 / 7);
        pdu.number = utf8Encode(fromGsmSeptets(septets));
    } else {
        pdu.number = ((toa & 0x70) == 0x10 ? "+" : "") + decodeDigits(b, p, daDigits);
    }
    p += daOctets;
    if (!need(2)) return fail("truncated");
    ++p;  // protocol identifier
    uint8_t dcs = b[p++];
    p += vpf == 2 ? 1 : vpf == 0 ? 0 : 7;
    if (!need(1)) return fail("truncated");
    int udl = b[p++];
    int alphabet;  // 0 GSM 7-bit, 1 8-bit, 2 UCS2
    if ((dcs & 0xC0) == 0x00) {
        if (dcs & 0x20) return fail("compressed text");
        alphabet = (dcs >> 2) & 0x03;
    } else if ((dcs & 0xF0) == 0xF0) {
        alphabet = (dcs & 0x04) ? 1 : 0;
    } else if ((dcs & 0xF0) == 0xE0) {
        alphabet = 2;
    } else {
        alphabet = 0;
    }
    size_t udOctets = alphabet == 0 ? (static_cast<size_t>(udl) * 7 + 7) / 8 : udl;
    if (p + udOctets != b.size()) return fail("user data length does not match");
    size_t headerOctets = udhi && udOctets > 0 ? b[p] + 1u : 0;
    if (headerOctets > udOctets) return fail("bad user data header");
    if (alphabet == 0) {
        int headerSeptets = static_cast<int>((headerOctets * 8 + 6) / 7);
        auto septets = unpackSeptets(b, p, udl);
        septets.erase(septets.begin(),
                      septets.begin() + std::min<size_t>(headerSeptets, septets.size()));
        auto text = fromGsmSeptets(septets);
        pdu.text = utf8Encode(text);
        pdu.coding = SmsCoding::Gsm7;
    } else if (alphabet == 2) {
        std::string body = toHex(Bytes(b.begin() + p + headerOctets, b.end()));
        if (body.size() % 4 != 0) return fail("odd UCS2 text");
        pdu.text = utf8Encode(*fromUcs2Hex(body));
        pdu.coding = SmsCoding::Ucs2;
    } else {
        std::u32string text;
        for (size_t i = p + headerOctets; i < b.size(); ++i) text += b[i];
        pdu.text = utf8Encode(text);
        pdu.coding = gsmEncodable(text) ? SmsCoding::Gsm7 : SmsCoding::Ucs2;
    }
    return pdu;
}

}  // namespace phonesim
