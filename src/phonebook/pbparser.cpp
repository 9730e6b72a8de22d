#include "phonebook/pbparser.h"

#include <cmath>

#include "engine/texthelpers.h"

namespace td {

namespace {
// The text between the first double quote and the next one (to the end when
// there is no second one).
std::string unquote(const std::string& s) {
    size_t open = s.find('"');
    if (open == std::string::npos) return s;
    size_t close = s.find('"', open + 1);
    if (close == std::string::npos) return s.substr(open + 1);
    return s.substr(open + 1, close - open - 1);
}
}  // namespace

std::optional<PBRecord> parsePhoneBookLine(const std::string& line, const std::string& prefix) {
    if (line.size() <= 16) return std::nullopt;
    if (line.find(prefix + ":") == std::string::npos) return std::nullopt;

    // index, number, type, name: the name is everything after the third comma.
    std::string rest0 = CopyFromChars(line, ':');
    std::string index = CopyUptoChars(rest0, ',');
    // The answer to the range query names a range of indexes, e.g. (1-250).
    if (index.find('(') != std::string::npos || index.find('-') != std::string::npos)
        return std::nullopt;
    std::string rest1 = CopyFromChars(rest0, ',');
    // Some phones put an empty field before the quoted number:
    // +CPBR: 1,,"+31234657899",145,"Mama GSM","2007/11/02,09:27".
    if (CopyUptoChars(rest1, ',').empty() && CopyFromChars(rest1, ',').starts_with('"'))
        rest1 = CopyFromChars(rest1, ',');
    std::string number = CopyUptoChars(rest1, ',');
    std::string rest2 = CopyFromChars(rest1, ',');
    std::string name = CopyFromChars(rest2, ',');

    if (number.find('"') != std::string::npos) number = unquote(number);
    if (name.find('"') != std::string::npos) name = unquote(name);
    // An entry may hold a name and no number (+CPBR: 16,"",,"Steve"): it is
    // kept. Without either there is nothing to show.
    if (number.empty() && isBlankCell(name)) return std::nullopt;
    if (number == " ") return std::nullopt;
    return PBRecord{name, number};
}

std::vector<PBRecord> parsePhoneBookAnswer(const std::vector<std::string>& lines,
                                           const std::string& prefix) {
    std::vector<PBRecord> out;
    for (const std::string& l : lines)
        if (auto r = parsePhoneBookLine(l, prefix)) out.push_back(std::move(*r));
    return out;
}

bool isBlankCell(const std::string& s) {
    return s.empty() || s == " ";
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
