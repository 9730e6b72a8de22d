#pragma once
// The SMS windows' list files: the kinds of list and their last copies'
// names, the rows a list file gives (smsrecord.h reads each line), the names
// the phone book copy puts to numbers, and the name under which a list is
// saved. The windows show these rows; the exchange writes them out.
// Windows-1251 texts, no widgets.

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "formats/smsrecord.h"

namespace td::sms {

// The kinds of list: the last copy's and the saved file's name prefix.
extern const std::string SentKind;    // "Sent-"
extern const std::string UnReadKind;  // "UnRead-"
extern const std::string AllKind;     // "All-"

// One grid row of a list.
struct SmsRow {
    std::string who;  // the name from the phone book copy, else the number
    std::string text;
    std::string status;  // as written, quotes included
    std::string index;   // the phone's storage index (text)
    std::string time;    // "25/06/02 18:05:12" when the phone gives it, else empty
    std::string number;  // the correspondent's number as the record gives it
};

// The time the phone gave a message, from the fields after the number of a
// record line ("…,\"25/06/02,18:05:12+12\"}…" -> "25/06/02 18:05:12"): the
// last quoted field of the form yy/mm/dd,hh:mm:ss, its time zone left off.
std::string recordTime(std::string_view line);

// Names for numbers, built once from the phone book copy's "name=number"
// lines (formats/pbrecord.h). A number matches a line when both are the
// same whole number after normalising (blanks, dashes, brackets and dots
// dropped; an 11-digit Russian number "8…", "7…" or "+7…" the same), never
// a part of one. The first line of a number wins; its name when not empty,
// else the number itself. An empty number matches no line.
class NameIndex {
  public:
    explicit NameIndex(const std::vector<std::string>& nameList);
    std::string nameFor(const std::string& number) const;

  private:
    std::unordered_map<std::string, std::string> names_;  // match key -> name
};

// One lookup through a NameIndex built for it.
std::string nameForNumber(const std::string& number, const std::vector<std::string>& nameList);

// The rows of a result file or last copy, in file order. Lines that are no
// message are skipped. `lookup` gives the name shown for a number.
std::vector<SmsRow> listRows(const std::vector<std::string>& lines,
                             const std::vector<std::string>& prefixes,
                             const std::function<std::string(const std::string&)>& lookup);

// The name of a saved list: the file-name stamp (Clock::fileStamp)
// followed by the kind and the result file's name.
std::string savedListName(const std::string& stamp, const std::string& kind,
                          const std::string& smsFile);

}  // namespace td::sms
