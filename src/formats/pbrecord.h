#pragma once
// The phone book's last-copy file, AutoRun\LastPBook.txt (the missed calls
// keep theirs as MC-LastPBook.txt): one record a line, name + "=" + number,
// both byte for byte as the phone gave them. The phone book windows write
// and read it; the SMS windows read it to put names to numbers. No widgets.

#include <string>

namespace td {

extern const std::string PhoneBookCopyName;  // "LastPBook.txt"
extern const std::string MissCallPrefix;     // "MC-"

struct PBRecord {
    std::string name;    // may be empty
    std::string number;  // never a single blank; empty for an entry with a name only
};

// A record as its line: name + "=" + number.
std::string recordLine(const PBRecord& r);

// A line back as its record. The number is what follows the last "=": a
// phone number holds no "=", so a name that holds one comes back whole. A
// line without "=" is all name, with an empty number.
PBRecord splitRecordLine(const std::string& line);

}  // namespace td
