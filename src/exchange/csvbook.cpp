#include "exchange/csvbook.h"

#include "exchange/csv.h"
#include "platform/cp1251.h"

namespace td::exchange {

std::string writeBookCsv(const std::vector<PBRecord>& rows) {
    std::string out = csvLine({"Name", "Phone"});
    for (const PBRecord& r : rows) {
        std::string name = trim(r.name), number = trim(r.number);
        if (!name.empty() && !number.empty())
            out += csvLine({cp1251ToUtf8(name), cp1251ToUtf8(number)});
    }
    return out;
}

namespace {

// A header cell compared without case (Cyrillic too) and outer blanks.
std::string key(std::string_view cell) {
    return cp1251ToUtf8(foldCase(utf8ToCp1251(trim(cell))));
}

bool contains(const std::string& s, std::string_view part) {
    return s.find(part) != std::string::npos;
}

struct Columns {
    int name = -1;
    std::vector<int> nameParts;  // given, middle, family (those present)
    std::vector<int> phones;
};

Columns columnsOf(const std::vector<std::string>& header) {
    Columns c;
    int given = -1, middle = -1, family = -1;
    for (int i = 0; i < static_cast<int>(header.size()); ++i) {
        std::string k = key(header[i]);
        if (c.name < 0 && (k == "name" || k == "full name" || k == "display name" ||
                           k == key("Имя") || k == key("ФИО") || k == key("Полное имя")))
            c.name = i;
        else if (k == "first name" || k == "given name")
            given = i;
        else if (k == "middle name" || k == "additional name")
            middle = i;
        else if (k == "last name" || k == "family name")
            family = i;
        else if ((contains(k, "phone") || contains(k, "mobile") || k == "tel" || k == "cell" ||
                  contains(k, key("Телефон")) || contains(k, key("Номер"))) &&
                 !contains(k, "type") && !contains(k, "label") && !contains(k, key("Тип")))
            c.phones.push_back(i);
    }
    for (int i : {given, middle, family})
        if (i >= 0) c.nameParts.push_back(i);
    return c;
}

std::string cell(const CsvRow& row, int i) {
    return i >= 0 && static_cast<size_t>(i) < row.fields.size() ? trim(row.fields[i]) : "";
}

}  // namespace

ContactsRead readBookCsv(std::string_view text) {
    ContactsRead result;
    std::vector<CsvRow> rows = readCsv(text);
    if (rows.empty()) return result;
    Columns cols = columnsOf(rows.front().fields);
    if ((cols.name < 0 && cols.nameParts.empty()) || cols.phones.empty()) {
        result.refused.push_back({1, W("в заголовке нет столбца имени или телефона")});
        return result;
    }
    for (size_t r = 1; r < rows.size(); ++r) {
        const CsvRow& row = rows[r];
        bool blank = true;
        for (const std::string& f : row.fields) blank = blank && trim(f).empty();
        if (blank) continue;
        Contact c{row.line, cell(row, cols.name), {}};
        if (c.name.empty()) {
            for (int i : cols.nameParts) {
                std::string part = cell(row, i);
                if (part.empty()) continue;
                if (!c.name.empty()) c.name += ' ';
                c.name += part;
            }
        }
        for (int i : cols.phones) {
            std::string value = cell(row, i);
            for (size_t start = 0; start <= value.size();) {
                size_t end = value.find(":::", start);
                std::string number = trim(value.substr(start, end - start));
                if (!number.empty()) c.numbers.push_back(number);
                if (end == std::string::npos) break;
                start = end + 3;
            }
        }
        if (c.name.empty())
            result.refused.push_back({row.line, W("в строке нет имени")});
        else if (c.numbers.empty())
            result.refused.push_back({row.line, W("в строке нет номера телефона")});
        else
            result.contacts.push_back(std::move(c));
    }
    return result;
}

}  // namespace td::exchange
