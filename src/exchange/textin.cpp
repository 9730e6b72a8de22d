#include "exchange/textin.h"

#include "platform/cp1251.h"

namespace td::exchange {

bool isUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        size_t more = c < 0x80           ? 0
                      : (c >> 5) == 0x6  ? 1
                      : (c >> 4) == 0xE  ? 2
                      : (c >> 3) == 0x1E ? 3
                                         : 9;
        if (more == 9 || (more == 1 && c < 0xC2) || i + more >= s.size() + (more ? 0 : 1))
            return false;
        char32_t cp = more == 0 ? c : c & (0x3F >> more);
        for (size_t k = 1; k <= more; ++k) {
            const unsigned char n = static_cast<unsigned char>(s[i + k]);
            if ((n & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (n & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are no UTF-8.
        if ((more == 2 && cp < 0x800) || (more == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += more + 1;
    }
    return true;
}

namespace {

std::string fromUtf16(std::string_view s, bool bigEndian) {
    std::u32string out;
    auto unit = [&](size_t i) -> char32_t {
        const unsigned char a = static_cast<unsigned char>(s[i]),
                            b = static_cast<unsigned char>(s[i + 1]);
        return bigEndian ? (a << 8) | b : (b << 8) | a;
    };
    for (size_t i = 0; i + 1 < s.size(); i += 2) {
        char32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 3 < s.size()) {
            const char32_t low = unit(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        out += (u >= 0xD800 && u <= 0xDFFF) ? U'\uFFFD' : u;
    }
    return utf32ToUtf8(out);
}

// UTF-16 without a byte order mark: most of the first bytes of one parity
// are zero (Latin letters, digits and the vCard or CSV syntax are).
int utf16Guess(std::string_view s) {
    size_t zeros[2] = {0, 0}, n = std::min<size_t>(s.size() & ~size_t(1), 512);
    for (size_t i = 0; i < n; ++i)
        if (s[i] == '\0') ++zeros[i % 2];
    if (n < 4) return 0;
    if (zeros[1] * 4 > n && zeros[0] == 0) return 1;  // little-endian
    if (zeros[0] * 4 > n && zeros[1] == 0) return 2;  // big-endian
    return 0;
}

}  // namespace

TextIn readText(std::string_view bytes, bool eightBitAsIs) {
    TextIn t;
    std::string text;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        t.encoding = "UTF-8";
        text = bytes.substr(3);
    } else if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF") {
        t.encoding = bytes[0] == '\xFE' ? "UTF-16BE" : "UTF-16LE";
        text = fromUtf16(bytes.substr(2), bytes[0] == '\xFE');
    } else if (int guess = utf16Guess(bytes)) {
        t.encoding = guess == 2 ? "UTF-16BE" : "UTF-16LE";
        text = fromUtf16(bytes, guess == 2);
    } else if (isUtf8(bytes)) {
        t.encoding = "UTF-8";
        text = bytes;
    } else {
        t.encoding = "Windows-1251";
        text = eightBitAsIs ? std::string(bytes) : cp1251ToUtf8(bytes);
    }
    t.utf8.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\r') {
            t.utf8 += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            continue;
        }
        // Text files hold no control bytes but tab, line ends and form feed
        // (and the end-of-file mark some old programs leave).
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\f' && c != 0x1A) t.binary = true;
        t.utf8 += static_cast<char>(c);
    }
    return t;
}

}  // namespace td::exchange
