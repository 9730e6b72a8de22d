#pragma once
// Text as it crosses the serial line of a GSM phone: UCS2 (UTF-16 big-endian)
// written as hex, beside the hex digits and the GSM 7-bit default alphabet of
// the core. Texts are handled as Unicode code points; the bridges below lead
// to the two byte forms the tools keep: UTF-8 (the simulated phone) and
// Windows-1251 (the engine).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gsm7.h"

namespace gsmcodec {

// Hex digits, the GSM 7-bit alphabet and its septet packing: one table for
// the engine, the simulated phone and the program's USSD answers.
using td::fitsGsm7;
using td::fromGsm7Septets;
using td::fromHex;
using td::packSeptets;
using td::toGsm7Septets;
using td::toHex;
using td::unpackSeptets;

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
