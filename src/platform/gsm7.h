#pragma once
// The GSM 7-bit default alphabet (3GPP TS 23.038) in which phones send short
// messages and network (USSD) answers, its septet packing, and the hex digits
// such octets travel as on the serial line. Characters are Unicode code
// points; the engine, the simulated phone and the program share this one
// table.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace td {

// Bytes <-> upper-case hex digits. fromHex fails on an odd length or on a
// character that is not a hex digit (either case is accepted).
std::string toHex(std::string_view bytes);
std::string toHex(const std::vector<uint8_t>& bytes);
std::optional<std::vector<uint8_t>> fromHex(std::string_view hex);

// A text fits the alphabet when every character is in the basic table or in
// the extension table (escape 0x1B + code: two septets).
bool fitsGsm7(std::u32string_view text);
// Septet values; a character outside the alphabet becomes "?".
std::vector<uint8_t> toGsm7Septets(std::u32string_view text);
// An escape followed by a code the extension table lacks gives the basic
// table's character; an escape at the end, or a second escape (the way to a
// further table), a space. The eighth bit of a value is ignored.
std::u32string fromGsm7Septets(const std::vector<uint8_t>& septets);

// Septets packed into octets, the first one starting at bit `fillBits` of the
// first octet (the fill after a user data header).
std::vector<uint8_t> packSeptets(const std::vector<uint8_t>& septets, int fillBits = 0);
// Up to `count` septets; stops early when the octets hold no whole septet more.
std::vector<uint8_t> unpackSeptets(const std::vector<uint8_t>& octets, size_t count,
                                   int fillBits = 0);

}  // namespace td
