#include "exchange/smscsv.h"

#include "exchange/csv.h"
#include "formats/fieldcursor.h"
#include "formats/smsrecord.h"
#include "platform/cp1251.h"
#include "sms/smslist.h"

namespace td::exchange {

std::string smsListCsv(const std::vector<std::string>& lines,
                       const std::vector<std::string>& prefixes,
                       const std::vector<std::string>& nameList) {
    std::string out = csvLine({"Index", "Status", "Number", "Name", "Text"});
    for (const std::string& line : lines) {
        auto m = sms::readSmsRecord(line, prefixes);
        if (!m) continue;
        std::string name = sms::nameForNumber(m->number, nameList);
        if (name == m->number) name.clear();
        out += csvLine({cp1251ToUtf8(m->index), cp1251ToUtf8(betweenQuotes(m->status)),
                        cp1251ToUtf8(m->number), cp1251ToUtf8(name), cp1251ToUtf8(m->text)});
    }
    return out;
}

}  // namespace td::exchange
