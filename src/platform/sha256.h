#pragma once
// SHA-256 (FIPS 180-4) of a byte string, for the checksums a backup's
// manifest keeps of its files.

#include <string>
#include <string_view>

namespace td {

// The digest as 64 lower-case hex digits.
std::string sha256Hex(std::string_view bytes);

}  // namespace td
