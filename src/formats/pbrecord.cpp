#include "formats/pbrecord.h"

namespace td {

const std::string PhoneBookCopyName = "LastPBook.txt";
const std::string MissCallPrefix = "MC-";

namespace {
const std::string TimeMark = "\ttime:";
}

std::string recordLine(const PBRecord& r) {
    // A name that holds the mark itself gets one more (with an empty time),
    // so that the reader, taking the last mark, gives the name back whole.
    if (r.time.empty() && r.name.find(TimeMark) == std::string::npos)
        return r.name + "=" + r.number;
    std::string time;
    for (char c : r.time)
        if (c != '=' && c != '\t') time += c;
    return r.name + TimeMark + time + "=" + r.number;
}

PBRecord splitRecordLine(const std::string& line) {
    size_t eq = line.rfind('=');
    std::string head = eq == std::string::npos ? line : line.substr(0, eq);
    std::string number = eq == std::string::npos ? "" : line.substr(eq + 1);
    size_t mark = head.rfind(TimeMark);
    if (mark == std::string::npos) return {head, number};
    return {head.substr(0, mark), number, head.substr(mark + TimeMark.size())};
}

bool isBlankCell(const std::string& s) {
    return s.empty() || s == " ";
}

}  // namespace td
