#pragma once
// Text as it crosses the serial line of a GSM phone: hex digits, UCS2 (UTF-16
// big-endian) written as hex, and the GSM 7-bit default alphabet with its
// septet packing. Texts are handled as Unicode code points; the bridges below
// lead to the two byte forms the tools keep: UTF-8 (the simulated phone) and
// Windows-1251 (the engine).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gsmcodec {

// Bytes <-> upper-case hex digits. fromHex fails on an odd length or on a
// character that is not a hex digit (either case is accepted).
std::string toHex(std::string_view bytes);
std::string toHex(const std::vector<uint8_t>& bytes);
std::optional<std::vector<uint8_t>> fromHex(std::string_view hex);

// UTF-8 <-> code points. Malformed bytes decode to U+FFFD, one per byte.
std::u32string utf8Decode(std::string_view utf8);
std::string utf8Encode(std::u32string_view text);

// Windows-1251 <-> code points. A character the code page lacks becomes "?".
std::u32string cp1251Decode(std::string_view cp1251);
std::string cp1251Encode(std::u32string_view text);

// UTF-16 big-endian as upper-case hex, four digits per unit; a character
// outside the basic plane takes a surrogate pair ("😀" -> "D83DDE00").
std::string toUcs2Hex(std::u32string_view text);
// Fails when the text is not hex digits in groups of four. A surrogate
// without its partner decodes to U+FFFD.
std::optional<std::u32string> fromUcs2Hex(std::string_view hex);

// GSM 7-bit default alphabet. A text fits it when every character is in the
// basic table or in the extension table (escape 0x1B + code: two septets).
bool fitsGsm7(std::u32string_view text);
// Septet values; a character outside the alphabet becomes "?".
std::vector<uint8_t> toGsm7Septets(std::u32string_view text);
// An escape followed by a code the extension table lacks gives the basic
// table's character; an escape at the end, or a second escape, a space.
std::u32string fromGsm7Septets(const std::vector<uint8_t>& septets);

// Septets packed into octets, the first one starting at bit `fillBits` of the
// first octet (the fill after a user data header).
std::vector<uint8_t> packSeptets(const std::vector<uint8_t>& septets, int fillBits = 0);
// Up to `count` septets; stops early when the octets hold no whole septet more.
std::vector<uint8_t> unpackSeptets(const std::vector<uint8_t>& octets, size_t count,
                                   int fillBits = 0);

// The engine's forms, on Windows-1251 text.
namespace cp1251 {
// "Да" -> "04140430".
std::string toUcs2Hex(std::string_view text);
// Characters the code page lacks become "?".
std::optional<std::string> fromUcs2Hex(std::string_view hex);
// Also fails on empty text and when a character would be lost (not in the
// code page, or a control character): tells a UCS2 field from a plain field
// that merely looks like hex digits ("1234").
std::optional<std::string> fromUcs2HexStrict(std::string_view hex);
}  // namespace cp1251

}  // namespace gsmcodec
