#pragma once
// The phone book's last-copy file, AutoRun\LastPBook.txt (the missed calls
// keep theirs as MC-LastPBook.txt): one record a line, name + "=" + number,
// both byte for byte as the phone gave them. The phone book windows write
// and read it; the SMS windows read it to put names to numbers. No widgets.
//
// The call times some phones give stay out of that file: the missed calls
// keep them beside it in AutoRun\MC-CallTimes.txt, one line per dated call,
// the time, a tab and the call's record line. A time goes back to the record
// whose line it names, so a copy written without times (by an older program,
// or from a phone that gives none) never takes a stale time. Copies of an
// earlier version marked the time inside the name ("Anna\ttime:2025/06/02,
// 18:05=+7916..."); such lines still read with their time.

#include <string>
#include <vector>

namespace td {

extern const std::string PhoneBookCopyName;  // "LastPBook.txt"
extern const std::string MissCallPrefix;     // "MC-"
extern const std::string CallTimesName;      // "CallTimes.txt", after the prefix

struct PBRecord {
    std::string name;    // may be empty
    std::string number;  // never a single blank; empty for an entry with a name only
    std::string time;    // the call's date and time as the phone gave them; may be empty
};

// A record as its line: name + "=" + number (the time is not part of it).
std::string recordLine(const PBRecord& r);

// A line back as its record. The number is what follows the last "=": a
// phone number holds no "=", so a name that holds one comes back whole. A
// line without "=" is all name, with an empty number. An earlier version's
// time mark (a tab, "time:" and a date of digits and "/.-,: ") at the end of
// the name gives the time.
PBRecord splitRecordLine(const std::string& line);

// A cell counts as empty when it is empty or one blank.
bool isBlankCell(const std::string& s);

// The lines of the times file for these records: one per record with a time.
std::vector<std::string> callTimeLines(const std::vector<PBRecord>& records);
// Gives each record the time the times file holds for its line (records of
// the same line take that line's times in file order); a record that has a
// time already keeps it.
void attachCallTimes(std::vector<PBRecord>& records, const std::vector<std::string>& timeLines);

}  // namespace td
