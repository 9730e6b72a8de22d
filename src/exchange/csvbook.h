#pragma once
// The own phone book as CSV, UTF-8. Written with the header "Name,Phone"
// (plain ASCII column names, which spreadsheet programs and peers map on
// their own), one entry a row. Read with the columns those programs write:
// a name column ("Name", "Full Name", "Display Name", "Имя", "ФИО"), or the
// name parts ("First/Given Name", "Middle/Additional Name", "Last/Family
// Name") joined; every column whose title speaks of a phone ("Phone",
// "Mobile Phone", "Phone 1 - Value", "Телефон", "Номер", ...) except its type
// or label columns. A cell may hold several numbers joined by " ::: ".

#include <string>
#include <string_view>
#include <vector>

#include "exchange/contacts.h"
#include "formats/pbrecord.h"

namespace td::exchange {

std::string writeBookCsv(const std::vector<PBRecord>& rows);

// Refuses the whole file (at line 1) when its header names no name or no
// phone column; each row without a name or a number is refused.
ContactsRead readBookCsv(std::string_view text);

}  // namespace td::exchange
