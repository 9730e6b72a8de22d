#pragma once
// The phone's phone book as the engine hands it over: +CPBR answer lines in
// the result file (their last-copy lines: pbrecord.h). No widgets here.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/pbrecord.h"

namespace td {

// One answer line, e.g. +CPBR: 3,"+79161234567",145,"Анна-Мария". Nothing
// when the line is no record: 16 characters or fewer, without prefix + ":",
// the answer to the range query (its index is a range such as (1-250)), or
// with neither number nor name. An entry with a name and no number is kept
// (its number empty); an empty field before the quoted number is skipped.
// The time some phones give after a quoted name goes into the record's time.
std::optional<PBRecord> parsePhoneBookLine(const std::string& line, const std::string& prefix);
std::vector<PBRecord> parsePhoneBookAnswer(const std::vector<std::string>& lines,
                                           const std::string& prefix);

// The date and time a phone gives after an entry's quoted name (fromName:
// the line from that name on), as one "date,time" text: one quoted field
// ("2007/11/02,09:27") or a date and a time field ("08/07/04","17:24:55").
// Empty when the name is unquoted or no date follows it.
std::string callTime(std::string_view fromName);

// How a call's time reads in a grid cell: the comma between date and time
// becomes a blank.
std::string callTimeCell(const std::string& time);

// Where the own phone book window and the phone book window go side by side
// on a screen of the given width: their left edges.
struct SideBySide {
    int ownLeft;
    int phoneLeft;
};
SideBySide placeBeside(int screenWidth, int ownWidth, int phoneWidth);

}  // namespace td
