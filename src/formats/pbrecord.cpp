#include "formats/pbrecord.h"

#include <deque>
#include <map>

namespace td {

const std::string PhoneBookCopyName = "LastPBook.txt";
const std::string MissCallPrefix = "MC-";
const std::string CallTimesName = "CallTimes.txt";

namespace {

const std::string TimeMark = "\ttime:";

// What a phone's call time is made of (and all an earlier version wrote
// after its mark).
bool timeText(const std::string& s) {
    return s.find_first_not_of("0123456789/.-,: ") == std::string::npos;
}

std::string withoutSeparators(const std::string& time) {
    std::string out;
    for (char c : time)
        if (c != '\t' && c != '\r' && c != '\n') out += c;
    return out;
}

}  // namespace

std::string recordLine(const PBRecord& r) {
    return r.name + "=" + r.number;
}

PBRecord splitRecordLine(const std::string& line) {
    size_t eq = line.rfind('=');
    std::string head = eq == std::string::npos ? line : line.substr(0, eq);
    std::string number = eq == std::string::npos ? "" : line.substr(eq + 1);
    size_t mark = head.rfind(TimeMark);
    if (mark == std::string::npos || !timeText(head.substr(mark + TimeMark.size())))
        return {head, number};
    return {head.substr(0, mark), number, head.substr(mark + TimeMark.size())};
}

bool isBlankCell(const std::string& s) {
    return s.empty() || s == " ";
}

std::vector<std::string> callTimeLines(const std::vector<PBRecord>& records) {
    std::vector<std::string> out;
    for (const PBRecord& r : records)
        if (!r.time.empty()) out.push_back(withoutSeparators(r.time) + "\t" + recordLine(r));
    return out;
}

void attachCallTimes(std::vector<PBRecord>& records, const std::vector<std::string>& timeLines) {
    // The times of each record line, in file order: two calls from one
    // entry take their times in turn.
    std::map<std::string, std::deque<std::string>> times;
    for (const std::string& t : timeLines)
        if (size_t tab = t.find('\t'); tab != std::string::npos)
            times[t.substr(tab + 1)].push_back(t.substr(0, tab));
    for (PBRecord& r : records) {
        auto it = times.find(recordLine(r));
        if (it == times.end() || it->second.empty()) continue;
        if (r.time.empty()) r.time = it->second.front();
        it->second.pop_front();
    }
}

}  // namespace td
