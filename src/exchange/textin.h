#pragma once
// A text file as other programs write it, made UTF-8 with LF line ends: a
// UTF-8 or UTF-16 byte order mark is read and dropped, UTF-16 without one is
// told by its zero bytes, text that is no UTF-8 is taken as Windows-1251 (as
// Excel and older phones save it), and CR or CRLF line ends become LF. The
// importers say which encoding they read.

#include <string>
#include <string_view>

namespace td::exchange {

struct TextIn {
    std::string utf8;      // the text, LF line ends
    std::string encoding;  // "UTF-8", "UTF-16LE", "UTF-16BE" or "Windows-1251"
    bool binary = false;   // NUL or other control bytes: no text file at all
};

// eightBitAsIs: text that is not UTF-16 keeps its bytes (a vCard names the
// character set of each value itself); `encoding` still tells what it is.
TextIn readText(std::string_view bytes, bool eightBitAsIs = false);

// Whether the bytes are well-formed UTF-8.
bool isUtf8(std::string_view bytes);

}  // namespace td::exchange
