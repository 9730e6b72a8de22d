#include "formats/smslistfile.h"

#include "engine/phonenumber.h"
#include "formats/fieldcursor.h"
#include "formats/pbrecord.h"

namespace td::sms {

const std::string SentKind = "Sent-";
const std::string UnReadKind = "UnRead-";
const std::string AllKind = "All-";

NameIndex::NameIndex(const std::vector<std::string>& nameList) {
    names_.reserve(nameList.size());
    for (const std::string& line : nameList) {
        PBRecord r = splitRecordLine(line);
        if (r.number.empty()) continue;
        names_.try_emplace(phoneMatchKey(r.number), std::move(r.name));
    }
}

std::string NameIndex::nameFor(const std::string& number) const {
    if (number.empty()) return number;
    auto it = names_.find(phoneMatchKey(number));
    return it == names_.end() || it->second.empty() ? number : it->second;
}

std::string nameForNumber(const std::string& number, const std::vector<std::string>& nameList) {
    return NameIndex(nameList).nameFor(number);
}

std::vector<SmsRow> listRows(const std::vector<std::string>& lines,
                             const std::vector<std::string>& prefixes,
                             const std::function<std::string(const std::string&)>& lookup) {
    std::vector<SmsRow> rows;
    for (const std::string& line : lines) {
        std::optional<SmsFields> f = readSmsRecord(line, prefixes);
        if (!f) continue;
        rows.push_back({lookup ? lookup(f->number) : f->number, std::move(f->text),
                        std::move(f->status), std::move(f->index), recordTime(line), f->number});
    }
    return rows;
}

std::string recordTime(std::string_view line) {
    FieldCursor c(line.substr(0, line.find('}')));
    std::string t;  // the last quoted field
    while (c.moreFields())
        if (std::optional<std::string> quoted = c.string())
            t = std::move(*quoted);
        else
            c.raw(true);
    const std::string_view shape = "99/99/99,99:99:99";
    if (t.size() < shape.size()) return {};
    for (size_t i = 0; i < shape.size(); ++i) {
        bool digit = t[i] >= '0' && t[i] <= '9';
        if (shape[i] == '9' ? !digit : t[i] != shape[i]) return {};
    }
    std::string time = t.substr(0, shape.size());
    time[8] = ' ';
    return time;
}

std::string savedListName(const std::string& stamp, const std::string& kind,
                          const std::string& smsFile) {
    return stamp + kind + smsFile;
}

}  // namespace td::sms
