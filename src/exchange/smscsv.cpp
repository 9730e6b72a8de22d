#include "exchange/smscsv.h"

#include "exchange/csv.h"
#include "formats/fieldcursor.h"
#include "formats/smslistfile.h"
#include "formats/smsrecord.h"
#include "platform/cp1251.h"

namespace td::exchange {

namespace {

// "25/06/02 18:05:12" (the phone's yy/mm/dd) as "2025-06-02 18:05:12".
std::string isoTime(const std::string& t) {
    if (t.size() != 17) return {};
    return "20" + t.substr(0, 2) + "-" + t.substr(3, 2) + "-" + t.substr(6, 2) + t.substr(8);
}

}  // namespace

std::string smsListCsv(const std::vector<std::string>& lines,
                       const std::vector<std::string>& prefixes,
                       const std::vector<std::string>& nameList) {
    std::string out = CsvStart + csvLine({"Index", "Status", "Number", "Name", "Text", "Time"});
    auto text = [](const std::string& cp1251) { return spreadsheetText(cp1251ToUtf8(cp1251)); };
    for (const std::string& line : lines) {
        auto m = sms::readSmsRecord(line, prefixes);
        if (!m) continue;
        std::string name = sms::nameForNumber(m->number, nameList);
        if (name == m->number) name.clear();
        out += csvLine({cp1251ToUtf8(m->index), text(betweenQuotes(m->status)), text(m->number),
                        text(name), text(m->text), isoTime(sms::recordTime(line))});
    }
    return out;
}

}  // namespace td::exchange
