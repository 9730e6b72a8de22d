#include "phonebook/pbparser.h"

#include <cmath>

#include "formats/fieldcursor.h"

namespace td {

namespace {

bool onlyOf(const std::string& s, std::string_view allowed) {
    return !s.empty() && s.find_first_not_of(allowed) == std::string::npos;
}

}  // namespace

std::string callTime(std::string_view fromName) {
    FieldCursor c(fromName);
    if (!c.string()) return {};
    std::optional<std::string> date = c.string();
    if (!date || !onlyOf(*date, "0123456789/.-,: ") ||
        date->find_first_of("/.-") == std::string::npos)
        return {};
    if (date->find(',') != std::string::npos) return *date;
    std::optional<std::string> time = c.string();
    if (time && onlyOf(*time, "0123456789:") && time->find(':') != std::string::npos)
        return *date + "," + *time;
    return *date;
}

std::optional<PBRecord> parsePhoneBookLine(const std::string& line, const std::string& prefix) {
    if (line.size() <= 16) return std::nullopt;
    if (line.find(prefix + ":") == std::string::npos) return std::nullopt;

    // index, number, type, name: the name is everything after the third comma.
    const size_t colon = line.find(':');
    FieldCursor c(std::string_view(line).substr(colon + 1));
    // The answer to the range query names a range of indexes, e.g. (1-250).
    const std::optional<std::string> index = c.text();
    if (!index || index->find('-') != std::string::npos) return std::nullopt;
    // Some phones put an empty field before the quoted number:
    // +CPBR: 1,,"+31234657899",145,"Mama GSM","2007/11/02,09:27".
    if (FieldCursor probe = c; probe.token() == "" && probe.string()) c.skip();
    // Number and name as written, blanks kept: the result file joins a line a
    // phone split inside the quotes, and a name may hold commas unquoted.
    std::string number = betweenQuotes(c.raw().value_or(""));
    c.raw();  // the number's type
    std::string name = betweenQuotes(c.rest());
    std::string time = callTime(c.rest());
    // An entry may hold a name and no number (+CPBR: 16,"",,"Steve"): it is
    // kept. Without either there is nothing to show.
    if (number.empty() && isBlankCell(name)) return std::nullopt;
    if (number == " ") return std::nullopt;
    return PBRecord{name, number, time};
}

std::vector<PBRecord> parsePhoneBookAnswer(const std::vector<std::string>& lines,
                                           const std::string& prefix) {
    std::vector<PBRecord> out;
    for (const std::string& l : lines)
        if (auto r = parsePhoneBookLine(l, prefix)) out.push_back(std::move(*r));
    return out;
}

std::string callTimeCell(const std::string& time) {
    std::string cell = time;
    size_t comma = cell.find(',');
    if (comma != std::string::npos) cell[comma] = ' ';
    return cell;
}

SideBySide placeBeside(int screenWidth, int ownWidth, int phoneWidth) {
    int a = static_cast<int>(std::nearbyint((screenWidth - ownWidth - phoneWidth) / 2.5));
    if (a < 0) a = 0;
    SideBySide s{a + 32, screenWidth - phoneWidth - a - 32};
    // Never a gap between them: the right one overlaps the left by 16 pixels.
    if (s.ownLeft + ownWidth < s.phoneLeft) s.phoneLeft = s.ownLeft + ownWidth - 16;
    return s;
}

}  // namespace td
