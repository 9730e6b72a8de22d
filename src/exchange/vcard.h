#pragma once
// The own phone book as vCard. Written as version 4.0 (one card per entry:
// FN, N and one TEL); read in versions 2.1, 3.0 and 4.0: folded lines,
// quoted-printable values with soft line breaks, CHARSET=UTF-8 (the default)
// or WINDOWS-1251, escaped texts, grouped properties ("item1.TEL"), N when
// FN is missing, and every TEL of a card.

#include <string>
#include <string_view>
#include <vector>

#include "exchange/contacts.h"
#include "formats/pbrecord.h"

namespace td::exchange {

// The cards of every row with a name and a number, UTF-8 with CRLF lines
// folded at 75 octets.
std::string writeVCards(const std::vector<PBRecord>& rows);

// The contacts of a file; a card without a name or a number, with an
// unknown character set, or never ended is refused.
ContactsRead readVCards(std::string_view text);

}  // namespace td::exchange
