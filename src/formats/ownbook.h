#pragma once
// The program's own phone book: section PhoneBook of the own ini, one
// "name=number" entry per subscriber, in the order of the window's rows.

#include <string>
#include <vector>

#include "formats/pbrecord.h"
#include "platform/ini.h"

namespace td {

extern const std::string PhoneBookSection;  // "PhoneBook"

struct OwnBookRows {
    // Entry i is the grid row i + 1; entries whose value is empty or one
    // blank stay empty, so the rows keep the positions of the keys.
    std::vector<PBRecord> rows;
    int count = 0;  // records shown
};

// Reads the section in one pass (the ini file must exist). A name that
// stands twice gets the value of its first entry, as a lookup by name would.
OwnBookRows loadOwnBook(const std::string& iniPath);

struct OwnBookSave {
    bool ok = false;
    // A name or number the ini cannot hold so that it reads back: nothing
    // was written. badRow is the grid row (from 1), badName which cell.
    bool refused = false;
    int badRow = 0;
    bool badName = true;
    IniProblem problem = IniProblem::None;
    // The number is no phone number (td::normalizePhoneNumber refused it).
    bool notANumber = false;
    explicit operator bool() const { return ok; }
};

// Replaces the section, in one write, by every row whose name and number
// are both filled (neither empty nor one blank), in order; a later row with
// a name already written (letter case aside) replaces its number. A "=" in a
// name would split the key, so it is written as "-". Every row is checked
// first: one that could not be read back, or whose number is no phone
// number, refuses the whole save. Numbers are stored normalised
// (td::normalizePhoneNumber: "8 916 555-44-33" as "89165554433"). A failed
// write has been told to the user by the ini layer.
OwnBookSave saveOwnBook(const std::string& iniPath, const std::vector<PBRecord>& rows);

// The message for a refused save.
std::string ownBookRefusal(const OwnBookSave& result, const std::vector<PBRecord>& rows);

// A typed or transferred name with "=" turned into "-".
std::string noEquals(std::string s);

}  // namespace td
