#pragma once
// Contacts read from a vCard or CSV file and their merge into the own phone
// book. Names in a Contact are UTF-8 as the file gave them; the merge turns
// them into Windows-1251 and refuses a name the code page cannot hold (it
// is reported, never stored garbled: a "?" in place of a letter would make a
// different name). No widgets.

#include <string>
#include <string_view>
#include <vector>

#include "formats/pbrecord.h"

namespace td::exchange {

// Something of a file that was not taken, with the line where it starts.
// The reason is Windows-1251.
struct Refusal {
    int line = 0;
    std::string reason;
};

struct Contact {
    int line = 0;      // where the card or row starts (from 1)
    std::string name;  // UTF-8
    std::vector<std::string> numbers;
};

struct ContactsRead {
    std::vector<Contact> contacts;
    std::vector<Refusal> refused;
};

struct MergeReport {
    int added = 0;    // new entries, renamed ones included
    int renamed = 0;  // entries stored under "name (2)" and so on
    int skipped = 0;  // the same name with the same number was there
    std::vector<Refusal> refused;
};

// Adds every number of every contact to the book's rows (appended at the
// end). A name already there with the same number is skipped; with another
// number the entry gets the first free "name (2)", "name (3)"...: nothing
// in the book is overwritten. Names compare without letter case, numbers as
// the same subscriber (td::phoneMatchKey: "8916…" is "+7916…"). Numbers are
// stored normalised (td::normalizePhoneNumber), as the own book saves them. A
// name outside Windows-1251, a name that cannot be an ini key or holds "="
// or a control character other than a line break (which becomes a blank),
// a number with an extension (";ext=", which the book cannot dial) or a
// number that cannot be normalised is refused by name.
MergeReport mergeContacts(std::vector<PBRecord>& rows, const ContactsRead& read);

// The UTF-8 text in Windows-1251, or the first character that has no place
// there (as "U+XXXX") in `bad`.
bool toCp1251Checked(std::string_view utf8, std::string& out, std::string& bad);

// A short summary of a merge and every refusal, one line each (Windows-1251).
std::vector<std::string> mergeSummary(const MergeReport& report, const std::string& fileName);

}  // namespace td::exchange
