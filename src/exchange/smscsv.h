#pragma once
// An SMS list (a window's last copy) as CSV, UTF-8, one message a row under
// the header "Index,Status,Number,Name,Text": the phone's storage index, the
// status word without quotes, the correspondent's number, the name the
// phone book copy gives it (empty when none), the text.

#include <string>
#include <vector>

namespace td::exchange {

// `lines` are the list's lines, `prefixes` the answer prefixes that mark a
// message, `nameList` the phone book copy's "name=number" lines.
std::string smsListCsv(const std::vector<std::string>& lines,
                       const std::vector<std::string>& prefixes,
                       const std::vector<std::string>& nameList);

}  // namespace td::exchange
