#pragma once
// Windows-1251 text. Inside the program every text is a byte string in this
// code page (one character is one byte); conversion happens only where text
// meets the widgets, the file system or a UTF-8 terminal.

#include <string>
#include <string_view>

namespace td {

// Unicode code point of a Windows-1251 byte (0x98, which the code page leaves
// unassigned, maps to U+FFFD).
char32_t cp1251ToUnicode(unsigned char byte);

// Windows-1251 byte of a code point, or -1 when the code page cannot hold it.
int unicodeToCp1251(char32_t cp);

// UTF-8 <-> Windows-1251. A character the code page cannot hold becomes "?";
// malformed UTF-8 bytes become "?" as well.
std::string utf8ToCp1251(std::string_view utf8);
std::string cp1251ToUtf8(std::string_view cp1251);

// UTF-8 <-> code points. Malformed UTF-8 bytes decode as U+FFFD, one per byte.
std::u32string utf8ToUtf32(std::string_view utf8);
std::string utf32ToUtf8(std::u32string_view text);

// UTF-16 <-> Windows-1251 (the widgets' Unicode).
std::string utf16ToCp1251(std::u16string_view utf16);
std::u16string cp1251ToUtf16(std::string_view cp1251);

// Upper-casing as the program uses it: only the ASCII letters a-z change,
// Cyrillic letters stay as they are.
std::string upperAscii(std::string_view s);

// Case folding of both alphabets (Latin and Cyrillic, including Ё/ё), used
// where names are matched without regard to case (ini sections and keys).
std::string foldCase(std::string_view s);
bool equalsNoCase(std::string_view a, std::string_view b);

// s without blanks (spaces and tabs unless told otherwise) at either end;
// trimView gives it as a view into s.
std::string trim(std::string_view s, std::string_view blanks = " \t");
std::string_view trimView(std::string_view s, std::string_view blanks = " \t");

// s begins with prefix, the ASCII letters compared without regard to case
// ("at+cmgl" begins with "AT").
bool startsWithNoCase(std::string_view s, std::string_view prefix);

// Convenience for source code: the literal is written in UTF-8 and the
// program's text model wants Windows-1251.
inline std::string W(std::string_view utf8) {
    return utf8ToCp1251(utf8);
}

}  // namespace td
