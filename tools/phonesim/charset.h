#pragma once
// Character sets a GSM phone speaks on its serial line (AT+CSCS). Inside, the
// phone keeps every text in UTF-8; conversion happens only where text crosses
// the line. The GSM alphabet and UCS2 themselves live in gsmtext.h.

#include <optional>
#include <string>
#include <string_view>

#include "gsmtext.h"

namespace phonesim {

enum class Charset { Gsm, Ira, Ucs2, Pccp437, Utf8 };

// "GSM", "IRA", "UCS2", "PCCP437", "UTF-8" (any case); nullopt for others.
std::optional<Charset> charsetByName(std::string_view name);
const char* charsetName(Charset cs);

// A phone text (UTF-8) as the bytes sent in the character set. A character the
// set cannot hold becomes "?". UCS2 gives four hex digits per UTF-16 unit.
std::string toCharset(std::string_view utf8, Charset cs);
// Bytes received in the character set -> UTF-8; nullopt when they are not
// valid in it (odd or non-hex UCS2 text, malformed UTF-8).
std::optional<std::string> fromCharset(std::string_view bytes, Charset cs);

}  // namespace phonesim
