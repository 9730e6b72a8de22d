#pragma once
// The phone book's last-copy file, AutoRun\LastPBook.txt (the missed calls
// keep theirs as MC-LastPBook.txt): one record a line, name + "=" + number,
// both byte for byte as the phone gave them. The phone book windows write
// and read it; the SMS windows read it to put names to numbers. No widgets.
//
// A record with a time (a call list entry of a phone that dates them) ends
// its name with a tab and "time:" and the time: "Anna\ttime:2025/06/02,18:05=
// +7916...". The number stays what follows the last "=", so a reader that
// knows nothing of the time still reads the number whole (the time then
// shows in the name); a line without the mark has no time.

#include <string>

namespace td {

extern const std::string PhoneBookCopyName;  // "LastPBook.txt"
extern const std::string MissCallPrefix;     // "MC-"

struct PBRecord {
    std::string name;    // may be empty
    std::string number;  // never a single blank; empty for an entry with a name only
    std::string time;    // the call's date and time as the phone gave them; may be empty
};

// A record as its line: name + "=" + number, the time marked in between
// when there is one (a "=" or tab in the time is dropped) or when the name
// holds the mark.
std::string recordLine(const PBRecord& r);

// A line back as its record. The number is what follows the last "=": a
// phone number holds no "=", so a name that holds one comes back whole. A
// line without "=" is all name, with an empty number. The time is what
// follows the name's last tab + "time:".
PBRecord splitRecordLine(const std::string& line);

// A cell counts as empty when it is empty or one blank.
bool isBlankCell(const std::string& s);

}  // namespace td
