#include "gsmtext.h"

#include "platform/cp1251.h"

namespace gsmcodec {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isHighSurrogate(char32_t u) {
    return u >= 0xD800 && u < 0xDC00;
}
bool isLowSurrogate(char32_t u) {
    return u >= 0xDC00 && u < 0xE000;
}

}  // namespace

std::u32string utf8Decode(std::string_view s) {
    return td::utf8ToUtf32(s);
}

std::string utf8Encode(std::u32string_view text) {
    return td::utf32ToUtf8(text);
}

std::u32string cp1251Decode(std::string_view cp1251) {
    std::u32string out;
    out.reserve(cp1251.size());
    for (unsigned char b : cp1251) out += td::cp1251ToUnicode(b);
    return out;
}

std::string cp1251Encode(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t cp : text) {
        int b = td::unicodeToCp1251(cp);
        out += b < 0 ? '?' : static_cast<char>(b);
    }
    return out;
}

std::string toUcs2Hex(std::u32string_view text) {
    std::string units;  // big-endian, two bytes each
    units.reserve(text.size() * 2);
    auto unit = [&](char32_t u) {
        units += static_cast<char>(u >> 8);
        units += static_cast<char>(u & 0xFF);
    };
    for (char32_t cp : text) {
        if (cp > 0x10FFFF) cp = kReplacement;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            unit(0xD800 + (cp >> 10));
            unit(0xDC00 + (cp & 0x3FF));
        } else {
            unit(cp);
        }
    }
    return toHex(units);
}

std::optional<std::u32string> fromUcs2Hex(std::string_view hex) {
    if (hex.size() % 4 != 0) return std::nullopt;
    const std::optional<std::vector<uint8_t>> bytes = fromHex(hex);
    if (!bytes) return std::nullopt;
    std::u32string units;
    units.reserve(bytes->size() / 2);
    for (size_t i = 0; i < bytes->size(); i += 2)
        units += static_cast<char32_t>((*bytes)[i] << 8 | (*bytes)[i + 1]);
    std::u32string out;
    out.reserve(units.size());
    for (size_t i = 0; i < units.size(); ++i) {
        char32_t u = units[i];
        if (isHighSurrogate(u) && i + 1 < units.size() && isLowSurrogate(units[i + 1])) {
            out += 0x10000 + ((u - 0xD800) << 10) + (units[++i] - 0xDC00);
        } else if (isHighSurrogate(u) || isLowSurrogate(u)) {
            out += kReplacement;
        } else {
            out += u;
        }
    }
    return out;
}

namespace cp1251 {

std::string toUcs2Hex(std::string_view text) {
    return gsmcodec::toUcs2Hex(cp1251Decode(text));
}

std::optional<std::string> fromUcs2Hex(std::string_view hex) {
    auto text = gsmcodec::fromUcs2Hex(hex);
    if (!text) return std::nullopt;
    return cp1251Encode(*text);
}

std::optional<std::string> fromUcs2HexStrict(std::string_view hex) {
    auto text = gsmcodec::fromUcs2Hex(hex);
    if (!text || text->empty()) return std::nullopt;
    for (char32_t cp : *text)
        if (cp < 0x20 || td::unicodeToCp1251(cp) < 0) return std::nullopt;
    return cp1251Encode(*text);
}

}  // namespace cp1251

}  // namespace gsmcodec
