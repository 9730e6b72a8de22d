#include "charset.h"

#include <cctype>

namespace phonesim {
namespace {

// GSM 03.38 default alphabet, septet value -> code point. 0x1B is the escape
// to the extension table.
constexpr char32_t kGsmBasic[128] = {
    0x40,  0xA3, 0x24, 0xA5,  0xE8, 0xE9,  0xF9,  0xEC,  0xF2,  0xC7,  0x0A,  0xD8,  0xF8,
    0x0D,  0xC5, 0xE5, 0x394, 0x5F, 0x3A6, 0x393, 0x39B, 0x3A9, 0x3A0, 0x3A8, 0x3A3, 0x398,
    0x39E, 0x1B, 0xC6, 0xE6,  0xDF, 0xC9,  0x20,  0x21,  0x22,  0x23,  0xA4,  0x25,  0x26,
    0x27,  0x28, 0x29, 0x2A,  0x2B, 0x2C,  0x2D,  0x2E,  0x2F,  0x30,  0x31,  0x32,  0x33,
    0x34,  0x35, 0x36, 0x37,  0x38, 0x39,  0x3A,  0x3B,  0x3C,  0x3D,  0x3E,  0x3F,  0xA1,
    0x41,  0x42, 0x43, 0x44,  0x45, 0x46,  0x47,  0x48,  0x49,  0x4A,  0x4B,  0x4C,  0x4D,
    0x4E,  0x4F, 0x50, 0x51,  0x52, 0x53,  0x54,  0x55,  0x56,  0x57,  0x58,  0x59,  0x5A,
    0xC4,  0xD6, 0xD1, 0xDC,  0xA7, 0xBF,  0x61,  0x62,  0x63,  0x64,  0x65,  0x66,  0x67,
    0x68,  0x69, 0x6A, 0x6B,  0x6C, 0x6D,  0x6E,  0x6F,  0x70,  0x71,  0x72,  0x73,  0x74,
    0x75,  0x76, 0x77, 0x78,  0x79, 0x7A,  0xE4,  0xF6,  0xF1,  0xFC,  0xE0,
};

struct GsmExt {
    uint8_t code;
    char32_t cp;
};
constexpr GsmExt kGsmExt[] = {{0x0A, 0x0C}, {0x14, '^'}, {0x28, '{'}, {0x29, '}'}, {0x2F, '\\'},
                              {0x3C, '['},  {0x3D, '~'}, {0x3E, ']'}, {0x40, '|'}, {0x65, 0x20AC}};

// Code page 437, bytes 0x80-0xFF.
constexpr char32_t kCp437High[128] = {
    0xC7,   0xFC,   0xE9,   0xE2,   0xE4,   0xE0,   0xE5,   0xE7,   0xEA,   0xEB,   0xE8,   0xEF,
    0xEE,   0xEC,   0xC4,   0xC5,   0xC9,   0xE6,   0xC6,   0xF4,   0xF6,   0xF2,   0xFB,   0xF9,
    0xFF,   0xD6,   0xDC,   0xA2,   0xA3,   0xA5,   0x20A7, 0x192,  0xE1,   0xED,   0xF3,   0xFA,
    0xF1,   0xD1,   0xAA,   0xBA,   0xBF,   0x2310, 0xAC,   0xBD,   0xBC,   0xA1,   0xAB,   0xBB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x3B1,  0xDF,   0x393,  0x3C0,  0x3A3,  0x3C3,  0xB5,   0x3C4,  0x3A6,  0x398,  0x3A9,  0x3B4,
    0x221E, 0x3C6,  0x3B5,  0x2229, 0x2261, 0xB1,   0x2265, 0x2264, 0x2320, 0x2321, 0xF7,   0x2248,
    0xB0,   0x2219, 0xB7,   0x221A, 0x207F, 0xB2,   0x25A0, 0xA0,
};

int gsmBasicCode(char32_t cp) {
    if (cp == 0x1B) return -1;
    for (int i = 0; i < 128; ++i)
        if (kGsmBasic[i] == cp) return i;
    return -1;
}

int gsmExtCode(char32_t cp) {
    for (const auto& e : kGsmExt)
        if (e.cp == cp) return e.code;
    return -1;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool validUtf8(std::string_view s) {
    for (char32_t cp : utf8Decode(s))
        if (cp == 0xFFFD) return false;
    return true;
}

}  // namespace

std::optional<Charset> charsetByName(std::string_view name) {
    std::string up;
    for (char c : name) up += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (up == "GSM") return Charset::Gsm;
    if (up == "IRA") return Charset::Ira;
    if (up == "UCS2") return Charset::Ucs2;
    if (up == "PCCP437") return Charset::Pccp437;
    if (up == "UTF-8") return Charset::Utf8;
    return std::nullopt;
}

const char* charsetName(Charset cs) {
    switch (cs) {
        case Charset::Gsm:
            return "GSM";
        case Charset::Ira:
            return "IRA";
        case Charset::Ucs2:
            return "UCS2";
        case Charset::Pccp437:
            return "PCCP437";
        case Charset::Utf8:
            return "UTF-8";
    }
    return "";
}

std::u32string utf8Decode(std::string_view s) {
    std::u32string out;
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (extra < 0 || i + extra >= s.size()) {
            out += 0xFFFD;  // stray continuation byte or a truncated sequence
            ++i;
            continue;
        }
        char32_t cp = extra == 0 ? c : (c & (0x3F >> extra));
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            unsigned char cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (!ok) {
            out += 0xFFFD;
            ++i;
            continue;
        }
        out += cp;
        i += extra + 1;
    }
    return out;
}

std::string utf8Encode(std::u32string_view text) {
    std::string out;
    for (char32_t cp : text) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

std::string toCharset(std::string_view utf8, Charset cs) {
    std::u32string text = utf8Decode(utf8);
    std::string out;
    switch (cs) {
        case Charset::Utf8:
            return std::string(utf8);
        case Charset::Ucs2:
            return ucs2Hex(text);
        case Charset::Gsm:
            for (uint8_t septet : toGsmSeptets(text)) out += static_cast<char>(septet);
            return out;
        case Charset::Ira:
            for (char32_t cp : text) out += cp < 0x80 ? static_cast<char>(cp) : '?';
            return out;
        case Charset::Pccp437:
            for (char32_t cp : text) {
                if (cp < 0x80) {
                    out += static_cast<char>(cp);
                    continue;
                }
                char byte = '?';
                for (int i = 0; i < 128; ++i)
                    if (kCp437High[i] == cp) byte = static_cast<char>(0x80 + i);
                out += byte;
            }
            return out;
    }
    return out;
}

std::optional<std::string> fromCharset(std::string_view bytes, Charset cs) {
    std::u32string text;
    switch (cs) {
        case Charset::Utf8:
            if (!validUtf8(bytes)) return std::nullopt;
            return std::string(bytes);
        case Charset::Ucs2: {
            auto decoded = fromUcs2Hex(bytes);
            if (!decoded) return std::nullopt;
            return utf8Encode(*decoded);
        }
        case Charset::Gsm: {
            std::vector<uint8_t> septets;
            for (char c : bytes) {
                if (static_cast<unsigned char>(c) > 0x7F) return std::nullopt;
                septets.push_back(static_cast<uint8_t>(c));
            }
            return utf8Encode(fromGsmSeptets(septets));
        }
        case Charset::Ira:
            for (char c : bytes) {
                if (static_cast<unsigned char>(c) > 0x7F) return std::nullopt;
                text += static_cast<char32_t>(c);
            }
            return utf8Encode(text);
        case Charset::Pccp437:
            for (char c : bytes) {
                unsigned char b = static_cast<unsigned char>(c);
                text += b < 0x80 ? static_cast<char32_t>(b) : kCp437High[b - 0x80];
            }
            return utf8Encode(text);
    }
    return std::nullopt;
}

bool gsmEncodable(std::u32string_view text) {
    for (char32_t cp : text)
        if (gsmBasicCode(cp) < 0 && gsmExtCode(cp) < 0) return false;
    return true;
}

std::vector<uint8_t> toGsmSeptets(std::u32string_view text) {
    std::vector<uint8_t> out;
    for (char32_t cp : text) {
        int code = gsmBasicCode(cp);
        if (code >= 0) {
            out.push_back(static_cast<uint8_t>(code));
            continue;
        }
        code = gsmExtCode(cp);
        if (code >= 0) {
            out.push_back(0x1B);
            out.push_back(static_cast<uint8_t>(code));
            continue;
        }
        out.push_back('?');
    }
    return out;
}

std::u32string fromGsmSeptets(const std::vector<uint8_t>& septets) {
    std::u32string out;
    for (size_t i = 0; i < septets.size(); ++i) {
        uint8_t s = septets[i] & 0x7F;
        if (s == 0x1B && i + 1 < septets.size()) {
            uint8_t code = septets[++i] & 0x7F;
            char32_t cp = kGsmBasic[code];  // unknown extension: the basic character
            for (const auto& e : kGsmExt)
                if (e.code == code) cp = e.cp;
            out += cp;
        } else if (s == 0x1B) {
            out += U' ';
        } else {
            out += kGsmBasic[s];
        }
    }
    return out;
}

std::string ucs2Hex(std::u32string_view text) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    auto unit = [&](unsigned u) {
        for (int shift = 12; shift >= 0; shift -= 4) out += digits[(u >> shift) & 0xF];
    };
    for (char32_t cp : text) {
        if (cp >= 0x10000) {
            cp -= 0x10000;
            unit(0xD800 + (cp >> 10));
            unit(0xDC00 + (cp & 0x3FF));
        } else {
            unit(cp);
        }
    }
    return out;
}

std::optional<std::u32string> fromUcs2Hex(std::string_view hex) {
    if (hex.size() % 4 != 0) return std::nullopt;
    std::u32string out;
    char32_t high = 0;
    for (size_t i = 0; i < hex.size(); i += 4) {
        char32_t u = 0;
        for (size_t k = 0; k < 4; ++k) {
            int v = hexValue(hex[i + k]);
            if (v < 0) return std::nullopt;
            u = (u << 4) | v;
        }
        if (u >= 0xD800 && u < 0xDC00) {
            high = u;
            continue;
        }
        if (u >= 0xDC00 && u < 0xE000 && high) {
            out += 0x10000 + ((high - 0xD800) << 10) + (u - 0xDC00);
            high = 0;
            continue;
        }
        out += u;
    }
    return out;
}

std::string toHex(const std::vector<uint8_t>& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (uint8_t b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 0xF];
    }
    return out;
}

std::optional<std::vector<uint8_t>> fromHex(std::string_view hex) {
    if (hex.size() % 2 != 0) return std::nullopt;
    std::vector<uint8_t> out;
    for (size_t i = 0; i < hex.size(); i += 2) {
        int hi = hexValue(hex[i]), lo = hexValue(hex[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out.push_back(static_cast<uint8_t>(hi << 4 | lo));
    }
    return out;
}

}  // namespace phonesim
