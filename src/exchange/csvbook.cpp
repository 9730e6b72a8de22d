#include "exchange/csvbook.h"

#include <initializer_list>

#include "exchange/csv.h"
#include "platform/cp1251.h"

namespace td::exchange {

std::string writeBookCsv(const std::vector<PBRecord>& rows) {
    std::string out = CsvStart + csvLine({"Name", "Phone"});
    for (const PBRecord& r : rows) {
        std::string name = trim(r.name), number = trim(r.number);
        if (!name.empty() && !number.empty())
            out += csvLine(
                {spreadsheetText(cp1251ToUtf8(name)), spreadsheetText(cp1251ToUtf8(number))});
    }
    return out;
}

namespace {

// A header cell compared without case (Cyrillic too) and outer blanks.
std::string key(std::string_view cell) {
    return cp1251ToUtf8(foldCase(utf8ToCp1251(trim(cell))));
}

bool containsAny(const std::string& s, std::initializer_list<const char*> parts) {
    for (const char* p : parts)
        if (s.find(key(p)) != std::string::npos) return true;
    return false;
}

bool isAny(const std::string& s, std::initializer_list<const char*> names) {
    for (const char* n : names)
        if (s == key(n)) return true;
    return false;
}

struct Columns {
    int name = -1;
    std::vector<int> nameParts;  // given, middle, family (those present)
    std::vector<int> phones;
};

// The columns as Google, Outlook (English and Russian), Thunderbird, Apple
// and this program write them. "Имя" is the first name (Russian Outlook);
// phonetic and yomi names are no names; of the phone columns only the
// contact's own numbers count: not a fax, pager, telex, TTY, ISDN,
// assistant's, callback or company number, nor a type or label column.
Columns columnsOf(const std::vector<std::string>& header) {
    Columns c;
    int given = -1, middle = -1, family = -1;
    for (int i = 0; i < static_cast<int>(header.size()); ++i) {
        const std::string k = key(header[i]);
        if (containsAny(k, {"phonetic", "yomi", "type", "label", "тип", "метка"})) continue;
        if (isAny(k, {"name", "full name", "display name", "фио", "полное имя", "отображаемое имя",
                      "отображаемое название"})) {
            if (c.name < 0) c.name = i;
        } else if (isAny(k, {"first name", "given name", "имя"})) {
            if (given < 0) given = i;
        } else if (isAny(k, {"middle name", "additional name", "отчество"})) {
            if (middle < 0) middle = i;
        } else if (isAny(k, {"last name", "family name", "surname", "фамилия"})) {
            if (family < 0) family = i;
        } else if (containsAny(k,
                               {"phone", "mobile", "tel", "cell", "телефон", "номер", "мобильн"}) &&
                   !containsAny(
                       k, {"fax", "факс", "pager", "пейджер", "telex", "телекс", "tty", "телетайп",
                           "isdn", "assistant", "помощник", "callback", "обратный вызов", "company",
                           "организации", "email", "e-mail", "почт"})) {
            c.phones.push_back(i);
        }
    }
    for (int i : {given, middle, family})
        if (i >= 0) c.nameParts.push_back(i);
    return c;
}

std::string cell(const CsvRow& row, int i) {
    return i >= 0 && static_cast<size_t>(i) < row.fields.size()
               ? trim(fromSpreadsheetText(row.fields[i]))
               : "";
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
