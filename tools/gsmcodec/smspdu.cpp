#include "smspdu.h"

#include "gsmtext.h"

namespace gsmcodec {

namespace {

using Bytes = std::vector<uint8_t>;

constexpr size_t kUserDataOctets = 140;
constexpr size_t kUserDataSeptets = 160;
constexpr size_t kAlphanumericSeptets = 11;  // an address value holds at most 10 octets
constexpr uint8_t kRelativeValidity4Days = 0xAA;

int semiOctetValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c == '*') return 10;
    if (c == '#') return 11;
    if (c >= 'a' && c <= 'c') return 12 + (c - 'a');
    if (c >= 'A' && c <= 'C') return 12 + (c - 'A');
    return -1;
}

bool isDialable(char c) {
    return (c >= '0' && c <= '9') || c == '*' || c == '#';
}

bool isAlphanumeric(std::string_view number) {
    for (char ch : number) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c >= 0x80 || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
    }
    return false;
}

// The dialable characters of a number, "+" in front when it came before them.
std::string dialable(std::string_view number) {
    std::string digits;
    bool international = false;
    for (char c : number) {
        if (c == '+' && digits.empty()) international = true;
        if (isDialable(c)) digits += c;
    }
    return international ? "+" + digits : digits;
}

void append(Bytes& out, const Bytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}

// Type of number for the numeric forms: international or unknown, ISDN plan.
uint8_t numericType(bool international) {
    return international ? 0x91 : 0x81;
}

bool internationalType(uint8_t toa) {
    return (toa & 0x70) == 0x10;
}

bool alphanumericType(uint8_t toa) {
    return (toa & 0x70) == 0x50;
}

// 7-bit text after a user data header starts on a septet boundary: the fill
// bits that takes, and the septets the header and its fill count for in UDL.
int fillBits(size_t headerOctets) {
    return headerOctets ? static_cast<int>((7 - (headerOctets * 8) % 7) % 7) : 0;
}
size_t headerSeptets(size_t headerOctets) {
    return headerOctets ? (headerOctets * 8 + fillBits(headerOctets)) / 7 : 0;
}

Bytes concatHeader(const PartInfo& part) {
    if (part.ref < 0) return {};
    if (part.wide)
        return {0x06,
                0x08,
                0x04,
                static_cast<uint8_t>((part.ref >> 8) & 0xFF),
                static_cast<uint8_t>(part.ref & 0xFF),
                static_cast<uint8_t>(part.count),
                static_cast<uint8_t>(part.seq)};
    return {0x05,
            0x00,
            0x03,
            static_cast<uint8_t>(part.ref & 0xFF),
            static_cast<uint8_t>(part.count),
            static_cast<uint8_t>(part.seq)};
}

// UTF-16 big-endian octets of a text.
Bytes utf16Octets(std::u32string_view text) {
    auto hex = toUcs2Hex(text);
    return *fromHex(hex);
}

bool isHighSurrogateAt(const Bytes& b, size_t unit) {
    return b[unit * 2] >= 0xD8 && b[unit * 2] < 0xDC;
}

// UDL, header and user data of a text in the given alphabet, cut to fit.
void appendUserData(Bytes& out, const Bytes& header, Alphabet alphabet, std::u32string_view text) {
    if (alphabet == Alphabet::Gsm7) {
        Bytes septets = toGsm7Septets(text);
        size_t room = kUserDataSeptets - headerSeptets(header.size());
        if (septets.size() > room) {
            septets.resize(room);
            if (septets.back() == 0x1B) septets.pop_back();  // half of an extension character
        }
        out.push_back(static_cast<uint8_t>(headerSeptets(header.size()) + septets.size()));
        append(out, header);
        append(out, packSeptets(septets, fillBits(header.size())));
        return;
    }
    Bytes body;
    if (alphabet == Alphabet::Ucs2) {
        body = utf16Octets(text);
    } else {
        for (char32_t cp : text) body.push_back(static_cast<uint8_t>(cp & 0xFF));
    }
    size_t room = kUserDataOctets - header.size();
    if (body.size() > room) {
        body.resize(alphabet == Alphabet::Ucs2 ? room / 2 * 2 : room);
        if (alphabet == Alphabet::Ucs2 && !body.empty() &&
            isHighSurrogateAt(body, body.size() / 2 - 1))
            body.resize(body.size() - 2);  // half of a surrogate pair
    }
    out.push_back(static_cast<uint8_t>(header.size() + body.size()));
    append(out, header);
    append(out, body);
}

uint8_t dataCoding(Alphabet alphabet) {
    switch (alphabet) {
        case Alphabet::Gsm7:
            return 0x00;
        case Alphabet::Data8:
            return 0x04;
        case Alphabet::Ucs2:
            return 0x08;
    }
    return 0x00;
}

// The alphabet of a data coding scheme; nullopt for compressed text. Reserved
// codings are taken as the 7-bit default alphabet.
std::optional<Alphabet> alphabetOf(uint8_t dcs) {
    auto byBits = [](int bits) {
        return bits == 1 ? Alphabet::Data8 : bits == 2 ? Alphabet::Ucs2 : Alphabet::Gsm7;
    };
    if ((dcs & 0x80) == 0) {  // general data coding, with or without automatic deletion
        if (dcs & 0x20) return std::nullopt;
        return byBits((dcs >> 2) & 0x03);
    }
    if ((dcs & 0xF0) == 0xF0) return (dcs & 0x04) ? Alphabet::Data8 : Alphabet::Gsm7;
    if ((dcs & 0xF0) == 0xE0) return Alphabet::Ucs2;  // message waiting, UCS2 text
    return Alphabet::Gsm7;
}

// Cost of one character in the user data: septets for 7-bit, octets for UCS2.
size_t characterCost(char32_t cp, bool gsm7) {
    if (gsm7) return toGsm7Septets(std::u32string_view(&cp, 1)).size();
    return cp >= 0x10000 ? 4 : 2;
}

}  // namespace

std::vector<uint8_t> encodeSemiOctets(std::string_view digits) {
    std::vector<int> values;
    for (char c : digits)
        if (int v = semiOctetValue(c); v >= 0) values.push_back(v);
    Bytes out;
    for (size_t i = 0; i < values.size(); i += 2) {
        int hi = i + 1 < values.size() ? values[i + 1] : 0xF;
        out.push_back(static_cast<uint8_t>(values[i] | hi << 4));
    }
    return out;
}

std::string decodeSemiOctets(std::span<const uint8_t> octets, size_t count) {
    static const char kNibbles[] = "0123456789*#abc";
    std::string out;
    for (size_t i = 0; i < count && i / 2 < octets.size(); ++i) {
        uint8_t b = octets[i / 2];
        int v = i % 2 == 0 ? (b & 0x0F) : (b >> 4);
        if (v != 0xF) out += kNibbles[v];
    }
    return out;
}

std::vector<uint8_t> encodeAddress(std::string_view number) {
    Bytes out;
    if (isAlphanumeric(number)) {
        Bytes septets = toGsm7Septets(utf8Decode(number));
        if (septets.size() > kAlphanumericSeptets) {
            septets.resize(kAlphanumericSeptets);
            if (septets.back() == 0x1B) septets.pop_back();
        }
        out.push_back(static_cast<uint8_t>((septets.size() * 7 + 3) / 4));
        out.push_back(0xD0);
        append(out, packSeptets(septets));
        return out;
    }
    std::string digits = dialable(number);
    bool international = !digits.empty() && digits[0] == '+';
    if (international) digits.erase(0, 1);
    // An address holds at most 20 digits; more would not even fit the
    // length octet beyond 255, and no reader could take the PDU apart.
    if (digits.size() > kMaxAddressDigits) digits.resize(kMaxAddressDigits);
    out.push_back(static_cast<uint8_t>(digits.size()));
    out.push_back(numericType(international));
    append(out, encodeSemiOctets(digits));
    return out;
}

std::vector<uint8_t> encodeServiceCentre(std::string_view number) {
    std::string digits = dialable(number);
    bool international = !digits.empty() && digits[0] == '+';
    if (international) digits.erase(0, 1);
    if (digits.empty()) return {0x00};
    Bytes out;
    out.push_back(static_cast<uint8_t>(1 + (digits.size() + 1) / 2));
    out.push_back(numericType(international));
    append(out, encodeSemiOctets(digits));
    return out;
}

std::vector<uint8_t> encodeTimestamp(std::string_view t) {
    std::string digits;
    bool negative = false;
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i] >= '0' && t[i] <= '9') digits += t[i];
        if (t[i] == '-' && i >= 17) negative = true;  // the zone's sign, not a date separator
    }
    while (digits.size() < 14) digits += '0';
    Bytes out;
    for (size_t i = 0; i < 14; i += 2) {
        int tens = digits[i] - '0', units = digits[i + 1] - '0';
        int byte = units << 4 | tens;
        if (i == 12 && negative) byte |= 0x08;
        out.push_back(static_cast<uint8_t>(byte));
    }
    return out;
}

std::string decodeTimestamp(std::span<const uint8_t, 7> d) {
    auto two = [](uint8_t b) {
        std::string s;
        s += static_cast<char>('0' + (b & 0x0F) % 10);
        s += static_cast<char>('0' + (b >> 4) % 10);
        return s;
    };
    const uint8_t tz = d[6];
    std::string zone = std::to_string((tz & 0x07) * 10 + (tz >> 4));
    if (zone.size() < 2) zone = "0" + zone;
    return two(d[0]) + "/" + two(d[1]) + "/" + two(d[2]) + "," + two(d[3]) + ":" + two(d[4]) + ":" +
           two(d[5]) + ((tz & 0x08) ? "-" : "+") + zone;
}

EncodedPdu encodePdu(const Sms& sms) {
    Bytes out = encodeServiceCentre(sms.smsc);
    const size_t tpduStart = out.size();
    const Bytes header = concatHeader(sms.part);
    uint8_t firstOctet = sms.deliver ? 0x04 : 0x01;  // DELIVER: no more messages waiting
    if (!sms.deliver && sms.validity) firstOctet |= 0x10;
    if (!header.empty()) firstOctet |= 0x40;
    out.push_back(firstOctet);
    if (!sms.deliver) out.push_back(static_cast<uint8_t>(sms.reference & 0xFF));
    append(out, encodeAddress(sms.number));
    out.push_back(0x00);  // protocol identifier
    out.push_back(dataCoding(sms.alphabet));
    if (sms.deliver)
        append(out, encodeTimestamp(sms.timestamp));
    else if (sms.validity)
        out.push_back(*sms.validity);
    appendUserData(out, header, sms.alphabet, sms.text);
    return {toHex(out), static_cast<int>(out.size() - tpduStart)};
}

std::vector<EncodedPdu> encodeParts(Sms sms, std::u32string_view text, uint8_t ref) {
    const bool gsm7 = fitsGsm7(text);
    size_t total = 0;
    for (char32_t cp : text) total += characterCost(cp, gsm7);
    const size_t single = gsm7 ? kUserDataSeptets : kUserDataOctets;
    const size_t perPart = single - (gsm7 ? headerSeptets(6) : 6);

    std::vector<std::u32string> parts;
    if (total <= single) {
        parts.emplace_back(text);
    } else {
        size_t used = perPart;
        for (char32_t cp : text) {
            size_t cost = characterCost(cp, gsm7);
            if (used + cost > perPart) {
                parts.emplace_back();
                used = 0;
            }
            parts.back() += cp;
            used += cost;
        }
    }

    sms.alphabet = gsm7 ? Alphabet::Gsm7 : Alphabet::Ucs2;
    std::vector<EncodedPdu> out;
    for (size_t p = 0; p < parts.size(); ++p) {
        sms.text = parts[p];
        if (parts.size() > 1)
            sms.part = {ref, static_cast<int>(parts.size()), static_cast<int>(p + 1)};
        out.push_back(encodePdu(sms));
    }
    return out;
}

std::vector<EncodedPdu> encodeSubmit(std::string_view number, std::u32string_view text,
                                     uint8_t ref) {
    Sms sms;
    sms.number = dialable(number);
    sms.validity = kRelativeValidity4Days;
    return encodeParts(sms, text, ref);
}

std::optional<DecodedPdu> decodePdu(std::string_view hex, std::string* error) {
    auto fail = [&](const char* why) -> std::optional<DecodedPdu> {
        if (error) *error = why;
        return std::nullopt;
    };
    auto raw = fromHex(hex);
    if (!raw) return fail("not hex");
    const Bytes& d = *raw;
    std::span<const uint8_t> all(d);
    size_t i = 0;
    auto need = [&](size_t n) { return i + n <= d.size(); };

    DecodedPdu out;
    Sms& sms = out.sms;
    if (!need(1) || !need(1 + static_cast<size_t>(d[0]))) return fail("truncated");
    const size_t scaOctets = d[0];
    if (scaOctets > 1)
        sms.smsc = (internationalType(d[1]) ? "+" : "") +
                   decodeSemiOctets(all.subspan(2, scaOctets - 1), (scaOctets - 1) * 2);
    i = 1 + scaOctets;
    out.tpduOctets = d.size() - i;

    if (!need(1)) return fail("truncated");
    const uint8_t firstOctet = d[i++];
    const int type = firstOctet & 0x03;
    if (type != 0 && type != 1) return fail("not an SMS-DELIVER or SMS-SUBMIT");
    sms.deliver = type == 0;
    if (!sms.deliver) {
        if (!need(1)) return fail("truncated");
        sms.reference = d[i++];
    }

    if (!need(2)) return fail("truncated");
    const size_t addrDigits = d[i];
    const uint8_t toa = d[i + 1];
    i += 2;
    const size_t addrOctets = (addrDigits + 1) / 2;
    if (!need(addrOctets)) return fail("truncated");
    if (alphanumericType(toa)) {
        Bytes value(d.begin() + i, d.begin() + i + addrOctets);
        sms.number = utf8Encode(fromGsm7Septets(unpackSeptets(value, addrDigits * 4 / 7)));
    } else {
        sms.number = (internationalType(toa) ? "+" : "") +
                     decodeSemiOctets(all.subspan(i, addrOctets), addrDigits);
    }
    i += addrOctets;

    if (!need(2)) return fail("truncated");
    const uint8_t dcs = d[i + 1];
    i += 2;  // protocol identifier, data coding
    if (sms.deliver) {
        if (!need(7)) return fail("truncated");
        sms.timestamp = decodeTimestamp(all.subspan(i).first<7>());
        i += 7;
    } else {
        const int vpf = (firstOctet >> 3) & 0x03;
        const size_t vpOctets = vpf == 2 ? 1 : vpf == 0 ? 0 : 7;
        if (!need(vpOctets)) return fail("truncated");
        if (vpf == 2) sms.validity = d[i];
        i += vpOctets;
    }

    if (!need(1)) return fail("truncated");
    const size_t udl = d[i++];
    auto alphabet = alphabetOf(dcs);
    if (!alphabet) return fail("compressed text");
    sms.alphabet = *alphabet;
    const bool gsm7 = sms.alphabet == Alphabet::Gsm7;

    const Bytes ud(d.begin() + static_cast<long>(i), d.end());
    out.userDataOctets = gsm7 ? (udl * 7 + 7) / 8 : udl;
    if (out.userDataOctets > ud.size()) return fail("user data cut short");
    out.trailingOctets = ud.size() - out.userDataOctets;

    size_t headerOctets = 0;
    if ((firstOctet & 0x40) && udl > 0) {
        headerOctets = 1 + ud[0];
        if (headerOctets > out.userDataOctets ||
            (gsm7 ? udl < headerSeptets(headerOctets) : udl < headerOctets))
            return fail("bad user data header");
        for (size_t k = 1; k + 1 < headerOctets;) {  // information elements
            const uint8_t iei = ud[k], len = ud[k + 1];
            if (k + 2 + len > headerOctets) break;
            if (iei == 0x00 && len == 3)
                sms.part = {ud[k + 2], ud[k + 3], ud[k + 4]};
            else if (iei == 0x08 && len == 4)
                sms.part = {ud[k + 2] * 256 + ud[k + 3], ud[k + 4], ud[k + 5], true};
            k += 2 + len;
        }
    }
    out.headerOctets = headerOctets;

    const Bytes body(ud.begin() + static_cast<long>(headerOctets),
                     ud.begin() + static_cast<long>(out.userDataOctets));
    if (gsm7) {
        sms.text = fromGsm7Septets(
            unpackSeptets(body, udl - headerSeptets(headerOctets), fillBits(headerOctets)));
    } else if (sms.alphabet == Alphabet::Ucs2) {
        sms.text = *fromUcs2Hex(toHex(Bytes(body.begin(), body.begin() + body.size() / 2 * 2)));
    } else {
        sms.text.assign(body.begin(), body.end());
    }
    return out;
}

std::string textCp1251(const Sms& sms) {
    if (sms.alphabet != Alphabet::Data8) return cp1251Encode(sms.text);
    std::string out;
    for (char32_t cp : sms.text) out += static_cast<char>(cp & 0xFF);
    return out;
}

}  // namespace gsmcodec
