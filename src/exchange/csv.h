#pragma once
// Comma-separated values as spreadsheets write them: a field holding the
// separator, a double quote or a line break is quoted, quotes doubled.

#include <string>
#include <string_view>
#include <vector>

namespace td::exchange {

// One line of fields, ended by CRLF.
std::string csvLine(const std::vector<std::string>& fields);

struct CsvRow {
    int line = 0;  // where the row starts (from 1)
    std::vector<std::string> fields;
};

// The rows of a text (a UTF-8 byte order mark is dropped). The separator is
// the first of ",", ";" or tab found outside quotes in the first line
// (spreadsheets in some locales write ";"), "," when there is none.
std::vector<CsvRow> readCsv(std::string_view text);

}  // namespace td::exchange
