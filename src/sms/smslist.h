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

#include "formats/smslistfile.h"
#include "formats/smsrecord.h"

namespace td::sms {

// The text of a marked row in the all window's mark column.
std::string MarkText();  // "Удалить"

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

}  // namespace td::sms
