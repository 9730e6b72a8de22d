#include "formats/pbrecord.h"

namespace td {

const std::string PhoneBookCopyName = "LastPBook.txt";
const std::string MissCallPrefix = "MC-";

std::string recordLine(const PBRecord& r) {
    return r.name + "=" + r.number;
}

PBRecord splitRecordLine(const std::string& line) {
    size_t eq = line.rfind('=');
    if (eq == std::string::npos) return {line, ""};
    return {line.substr(0, eq), line.substr(eq + 1)};
}

}  // namespace td
