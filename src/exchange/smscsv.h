#pragma once
// An SMS list (a window's last copy) as CSV, UTF-8 with its byte order mark,
// one message a row under the header "Index,Status,Number,Name,Text,Time":
// the phone's storage index, the status word without quotes, the
// correspondent's number, the name the phone book copy gives it (empty when
// none), the text, and the time the phone gave the message as
// "2025-06-02 18:05:12" (empty when it gave none). Every cell but the index
// and the time is kept as text by spreadsheets (csv.h spreadsheetText).

#include <string>
#include <vector>

namespace td::exchange {

// `lines` are the list's lines, `prefixes` the answer prefixes that mark a
// message, `nameList` the phone book copy's "name=number" lines.
std::string smsListCsv(const std::vector<std::string>& lines,
                       const std::vector<std::string>& prefixes,
                       const std::vector<std::string>& nameList);

}  // namespace td::exchange
