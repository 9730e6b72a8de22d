#pragma once
// The program's own phone book: section PhoneBook of the own ini, one
// "name=number" entry per subscriber, in the order of the window's rows.

#include <string>
#include <vector>

#include "phonebook/pbparser.h"

namespace td {

extern const std::string PhoneBookSection;  // "PhoneBook"

struct OwnBookRows {
    // Entry i is the grid row i + 1; entries whose value is empty or one
    // blank stay empty, so the rows keep the positions of the keys.
    std::vector<PBRecord> rows;
    int count = 0;  // records shown
};

// Reads the section (the ini file must exist).
OwnBookRows loadOwnBook(const std::string& iniPath);

// Erases the section and writes every row whose name and number are both
// filled (neither empty nor one blank), in order; a later row with a name
// already written replaces its number. A "=" in a name would split the key,
// so it is written as "-". false when the file could not be written.
bool saveOwnBook(const std::string& iniPath, const std::vector<PBRecord>& rows);

// A typed or transferred name with "=" turned into "-".
std::string noEquals(std::string s);

}  // namespace td
