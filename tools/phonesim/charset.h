#pragma once
// Character sets a GSM phone speaks on its serial line (AT+CSCS) and the GSM
// 7-bit default alphabet of short messages. Inside, the phone keeps every text
// in UTF-8; conversion happens only where text crosses the line.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace phonesim {

enum class Charset { Gsm, Ira, Ucs2, Pccp437, Utf8 };

// "GSM", "IRA", "UCS2", "PCCP437", "UTF-8" (any case); nullopt for others.
std::optional<Charset> charsetByName(std::string_view name);
const char* charsetName(Charset cs);

// UTF-8 <-> code points. Malformed bytes decode to U+FFFD.
std::u32string utf8Decode(std::string_view utf8);
std::string utf8Encode(std::u32string_view text);

// A phone text (UTF-8) as the bytes sent in the character set. A character the
// set cannot hold becomes "?". UCS2 gives four hex digits per UTF-16 unit.
std::string toCharset(std::string_view utf8, Charset cs);
// Bytes received in the character set -> UTF-8; nullopt when they are not
// valid in it (odd or non-hex UCS2 text, malformed UTF-8).
std::optional<std::string> fromCharset(std::string_view bytes, Charset cs);

// GSM 03.38 default alphabet with its extension table (ESC + code).
bool gsmEncodable(std::u32string_view text);
// Septet values, extension characters as two septets (0x1B, code);
// characters outside the alphabet become "?".
std::vector<uint8_t> toGsmSeptets(std::u32string_view text);
std::u32string fromGsmSeptets(const std::vector<uint8_t>& septets);

// UTF-16BE as upper-case hex and back (nullopt on malformed hex).
std::string ucs2Hex(std::u32string_view text);
std::optional<std::u32string> fromUcs2Hex(std::string_view hex);

std::string toHex(const std::vector<uint8_t>& bytes);
std::optional<std::vector<uint8_t>> fromHex(std::string_view hex);

}  // namespace phonesim
