#pragma once
// Comma-separated values as spreadsheets write them: a field holding the
// separator, a double quote or a line break is quoted, quotes doubled.

#include <string>
#include <string_view>
#include <vector>

namespace td::exchange {

// One line of fields, ended by CRLF.
std::string csvLine(const std::vector<std::string>& fields);

// What a file written for spreadsheets begins with: the UTF-8 byte order
// mark, by which LibreOffice and Excel open it as UTF-8.
extern const std::string CsvStart;

// A cell that a spreadsheet keeps as text: one that would start a formula
// or be taken as a number (its first character one of = + - @ tab CR, a
// digit, or the apostrophe itself) gets an apostrophe in front, which the
// spreadsheet and fromSpreadsheetText take off again.
std::string spreadsheetText(const std::string& cell);
std::string fromSpreadsheetText(const std::string& cell);

struct CsvRow {
    int line = 0;  // where the row starts (from 1)
    std::vector<std::string> fields;
};

// The rows of a text (a UTF-8 byte order mark is dropped; the cells as
// written, see fromSpreadsheetText). The separator is
// the first of ",", ";" or tab found outside quotes in the first line
// (spreadsheets in some locales write ";"), "," when there is none.
std::vector<CsvRow> readCsv(std::string_view text);

}  // namespace td::exchange
