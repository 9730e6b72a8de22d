#include "exchange/csv.h"

#include <string_view>

namespace td::exchange {

std::string csvLine(const std::vector<std::string>& fields) {
    std::string out;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i) out += ',';
        const std::string& f = fields[i];
        if (f.find_first_of(",;\"\r\n\t") == std::string::npos) {
            out += f;
            continue;
        }
        out += '"';
        for (char c : f) {
            if (c == '"') out += '"';
            out += c;
        }
        out += '"';
    }
    return out + "\r\n";
}

const std::string CsvStart = "\xEF\xBB\xBF";

namespace {

bool needsApostrophe(char first) {
    return std::string_view("=+-@\t\r'").find(first) != std::string_view::npos ||
           (first >= '0' && first <= '9');
}

}  // namespace

std::string spreadsheetText(const std::string& cell) {
    return !cell.empty() && needsApostrophe(cell[0]) ? "'" + cell : cell;
}

std::string fromSpreadsheetText(const std::string& cell) {
    return cell.size() >= 2 && cell[0] == '\'' && needsApostrophe(cell[1]) ? cell.substr(1) : cell;
}

namespace {

char separatorOf(std::string_view text) {
    bool quoted = false;
    for (char c : text) {
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        if (c == '\n') break;
        if (c == ',' || c == ';' || c == '\t') return c;
    }
    return ',';
}

}  // namespace

std::vector<CsvRow> readCsv(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    const char sep = separatorOf(text);
    std::vector<CsvRow> rows;
    CsvRow row{1, {}};
    std::string field;
    bool quoted = false, any = false;
    int line = 1;
    auto endField = [&] {
        row.fields.push_back(std::move(field));
        field.clear();
    };
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\n') ++line;
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
            continue;
        }
        if (c == '"') {
            quoted = any = true;
        } else if (c == sep) {
            endField();
            any = true;
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
            if (any || !field.empty()) {
                endField();
                rows.push_back(std::move(row));
            }
            row = CsvRow{line, {}};
            field.clear();
            any = false;
        } else {
            field += c;
            any = true;
        }
    }
    if (any || !field.empty()) {
        endField();
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace td::exchange
