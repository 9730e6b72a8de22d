#pragma once
// What the three SMS list windows compute without widgets: the rows of a
// list, the name shown for a number, which buttons a selected row allows,
// to whom a reply goes, what a group delete deletes, and the file name under
// which a list is saved. Windows-1251 texts.

#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "formats/smsrecord.h"

namespace td::sms {

// The kinds of list: the last copy's and the saved file's name prefix.
extern const std::string SentKind;    // "Sent-"
extern const std::string UnReadKind;  // "UnRead-"
extern const std::string AllKind;     // "All-"

// The text of a marked row in the all window's mark column.
std::string MarkText();  // "Удалить"

// One grid row of a list.
struct SmsRow {
    std::string who;  // the name from the phone book copy, else the number
    std::string text;
    std::string status;  // as written, quotes included
    std::string index;   // the phone's storage index (text)
    std::string time;    // "25/06/02 18:05:12" when the phone gives it, else empty
};

// The time the phone gave a message, from the fields after the number of a
// record line ("…,\"25/06/02,18:05:12+12\"}…" -> "25/06/02 18:05:12"): the
// last quoted field of the form yy/mm/dd,hh:mm:ss, its time zone left off.
std::string recordTime(std::string_view line);

// Names for numbers, built once from the phone book copy's "name=number"
// lines (phonebook/pbrecord.h). A number matches a line when both are the
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

// The storage index is one a message can be re-sent or deleted by: a whole
// number, 0 included (several phones number their storage from 0).
bool usableIndex(const std::string& index);

// A cell counts as empty when it is empty or one blank.
bool blankCell(const std::string& s);

// What selecting row `row` (from 1) allows.
struct Selection {
    bool ok = false;           // the row is a message: take its values
    bool needRefresh = false;  // "- Выполните, пожалуйста, Обновление"
    bool actions = false;      // re-send, hand-over/reply and delete enabled
    std::string index;         // the row's storage index when ok
};
Selection selectRow(const std::string& who, const std::string& text, int row,
                    const std::vector<std::string>& indexes, const std::string& reSendOperation);

// The mark column after a click on it.
std::string toggledMark(const std::string& cell);

// The reply's recipient: the correspondent trimmed of blanks, looked up in
// the own phone book names (exactly), then in the phone book copy's lines
// (by the trimmed name of a line), else taken as a plain number.
struct Reply {
    enum Kind { OwnBook, BookCopy, Number, Unknown } kind = Unknown;
    std::string text;    // the trimmed correspondent
    int ownIndex = -1;   // OwnBook: the name's index
    std::string number;  // the recipient number (OwnBook, BookCopy, Number)
};
Reply resolveReply(const std::string& correspondent, const std::vector<std::string>& ownNames,
                   const std::vector<std::string>& ownNumbers,
                   const std::vector<std::string>& nameList);
// "- Номер абонента "<text>" неизвестен !"
std::string unknownReplyText(const std::string& text);

// A group delete: the marked rows' indexes in row order, the index the
// delete operation gets as its argument, and the further deletes that go
// before the list's read command in the batch line. The argument is the
// selected message when it is marked, else the last marked one, so that
// exactly the marked messages are deleted; a marked row whose index is the
// argument's is not deleted twice.
struct GroupDelete {
    std::vector<std::string> marks;
    std::string argument;
    std::string batPrefix;
    std::size_t count() const { return marks.size(); }
};
GroupDelete planGroupDelete(const std::vector<std::string>& marks, const std::string& selected,
                            const std::string& deleteCommand);
// The storage indexes a delete of these messages removes: each index followed
// by the other parts of a message joined from several (as the lines the list
// was filled from name them), each index once, in the order met.
std::vector<std::string> withOtherParts(const std::vector<std::string>& indexes,
                                        const std::vector<std::string>& lines,
                                        const std::vector<std::string>& prefixes);
// The marked indexes that no longer hold the message the list showed: the
// phone's list read just before the delete (`now`) has no message there, or
// one from another sender or with another text than the lines the list was
// filled from (`shown`). In the order of `marks`.
std::vector<std::string> changedMarks(const std::vector<std::string>& marks,
                                      const std::vector<std::string>& shown,
                                      const std::vector<std::string>& now,
                                      const std::vector<std::string>& prefixes);
// "- Эти SMS изменились в телефоне ... : 3, 7"
std::string changedMarksText(const std::vector<std::string>& changed);
// "Вы действительно хотите удалить  N  SMS из Вашего аппарата ?..."
std::string groupDeleteQuestion(std::size_t count);
// The single delete's question about one message.
std::string deleteQuestion(const std::string& text, const std::string& who);

// The name of a saved list: the file-name stamp (Clock::fileStamp)
// followed by the kind and the result file's name.
std::string savedListName(const std::string& stamp, const std::string& kind,
                          const std::string& smsFile);

}  // namespace td::sms
