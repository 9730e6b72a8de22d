#include "charset.h"

#include <cctype>
#include <vector>

namespace phonesim {

using gsmcodec::utf8Decode;
using gsmcodec::utf8Encode;

namespace {

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

std::string toCharset(std::string_view utf8, Charset cs) {
    std::u32string text = utf8Decode(utf8);
    std::string out;
    switch (cs) {
        case Charset::Utf8:
            return std::string(utf8);
        case Charset::Ucs2:
            return gsmcodec::toUcs2Hex(text);
        case Charset::Gsm:
            for (uint8_t septet : gsmcodec::toGsm7Septets(text)) out += static_cast<char>(septet);
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
            auto decoded = gsmcodec::fromUcs2Hex(bytes);
            if (!decoded) return std::nullopt;
            return utf8Encode(*decoded);
        }
        case Charset::Gsm: {
            std::vector<uint8_t> septets;
            for (char c : bytes) {
                if (static_cast<unsigned char>(c) > 0x7F) return std::nullopt;
                septets.push_back(static_cast<uint8_t>(c));
            }
            return utf8Encode(gsmcodec::fromGsm7Septets(septets));
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

}  // namespace phonesim
