#pragma once
// The SMS list reader shared by the sent, unread and all windows, and the
// delete commands that run it: one read cycle (last copy or read from the
// phone) into one window's list, the single delete and the group delete.
// No widgets: a window supplies an SmsListView for its grid, counter,
// status panel and the button that is the abort button while a read runs.

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/readcycle.h"
#include "sms/smscycle.h"
#include "sms/smslist.h"

namespace td::sms {

class SmsListView {
  public:
    virtual ~SmsListView() = default;
    // The button of the read (the abort button while it runs), the status
    // panel and the grid's hint.
    virtual ReadView& readView() = 0;
    // Empties the list (columns 0 and 1; for the all window also 2 and 3).
    virtual void clearList() = 0;
    // Shows these rows from row 1 on, the grid sized once to hold them all,
    // and the counter set to their number.
    virtual void showRows(const std::vector<SmsRow>& rows) = 0;
    // No row selected any more.
    virtual void clearSelection() {}
};

// What the reader does outside the calling window.
struct SmsReaderHooks {
    std::function<void()> clearReSendList;  // the main window's re-send box
    std::function<bool()> beepWanted;       // "beep when a read produced nothing"
};

// The prefixes of SMS records (the operations ini's two SMS answer prefixes).
std::vector<std::string> smsPrefixes();
// The own ini's Commands/GroupDeleteSMS, "at+cmgd=" when empty.
std::string groupDeleteCommand();

// The reader of the three windows: one instance (the sent window's) for
// the whole run. Every call builds its own read cycle, so a call made while
// another one waits (the last-copy button during a read) runs nested
// without disturbing it; the operation is taken as bound at the call.
class SmsReader {
  public:
    explicit SmsReader(SmsReaderHooks hooks = {}) : hooks_(std::move(hooks)) {}
    SmsReaderHooks& hooks() { return hooks_; }

    // The lines a window's list was last filled from, by the window's kind
    // (SentKind, UnReadKind, AllKind): each window saves and deletes by its
    // own list, whatever another window read since.
    struct ShownList {
        std::vector<std::string> lines;
        bool fromPhone = false;  // a read from the phone, not the last copy
    };
    const ShownList* shownList(const std::string& kind) const;

    // The reader's own abort and update flags, shared by the three windows
    // and by no other reader.
    ReadFlags& flags() { return flags_; }
    // The list on screen came from the phone (read, or saved after a read)
    // and nothing has made it stale since: a delete from it asks nothing.
    bool listFresh() const { return listFresh_; }
    void setListFresh(bool fresh) { listFresh_ = fresh; }

    // The storage indexes of the rows of the list shown last, row 1 first.
    const std::vector<std::string>& rowIndexes() const { return rowIndexes_; }
    // The message chosen in the list shown: its correspondent and text as
    // shown, and its storage index (empty: none chosen, or a list read again).
    struct Chosen {
        std::string who, text, index;
    };
    Chosen& chosen() { return chosen_; }
    const Chosen& chosen() const { return chosen_; }
    // The storage indexes of every part of the message shown at this index,
    // in part order (the sent list looked at first); the index alone for a
    // message of one part or one not shown.
    std::vector<std::string> partsOf(const std::string& index) const;

    // The phone book copy's lines (AutoRun\LastPBook.txt) that names are
    // looked up in, loaded when first needed; empty when there is none.
    const std::vector<std::string>& names() const;
    // The copy may have changed: the next look-up loads it again.
    void forgetNames() { names_.clear(); }
    // The name shown for a number: from the copy, else the number.
    std::string nameForNumber(const std::string& number) const;

    // One call of the reader into `view`, in the mode the update flag selects.
    ReadOutcome ReadSMS(SmsListView& view, const std::string& operation,
                        const std::string& argument, const std::string& kind,
                        const SmsTexts& texts);
    // The refresh button: a read from the phone, or the abort of one.
    // `onClick` runs after the busy test (titles, buttons off).
    ReadOutcome refreshClick(SmsListView& view, const std::string& operation,
                             const std::string& kind, const SmsTexts& texts,
                             const std::function<void()>& onClick);
    // The last-copy button. Unlike the phone book's, it leaves a running
    // read alone: the copy shows now, the read fills the list when it ends.
    ReadOutcome lastCopyClick(SmsListView& view, const std::string& operation,
                              const std::string& kind, const SmsTexts& texts);

  private:
    ReadCycleHooks cycleHooks(SmsListView& view, const std::string& kind);
    void fillList(SmsListView& view, const std::vector<std::string>& lines);
    SmsReaderHooks hooks_;
    std::map<std::string, ShownList> shown_;
    ReadFlags flags_;
    bool listFresh_ = false;
    mutable std::vector<std::string> names_;
    std::vector<std::string> rowIndexes_;
    Chosen chosen_;
};

// The single delete of one window (the delete button is the view's button).
struct DeleteRequest {
    std::string readOperation;  // the window's list: written into the batch file
    std::string kind;
    SmsTexts texts;
    std::function<void()> setTitles;
};
void deleteClick(SmsReader& reader, SmsListView& view, const DeleteRequest& req);

// The group delete of the all window. The view's "refresh caption" is the
// state of the two group buttons: AbortCaption() while the abort button
// shows, anything else while the start button shows.
struct GroupDeleteRequest {
    std::vector<std::string> marks;  // indexes of the marked rows, in row order
    std::string groupDeleteCommand;  // GroupDeleteSMS, "at+cmgd=" by default
    std::function<void()> setTitles;
    std::function<void()> clearMarks;  // empties the mark column
};
void groupDeleteClick(SmsReader& reader, SmsListView& view, const GroupDeleteRequest& req);

// The save command of the window of this kind: the lines its list was
// filled from (a read from the phone or the last copy), under a dated name
// in AutoRun that names the kind. False when nothing was to be written or
// the write failed (told to the user).
bool saveSmsList(SmsReader& reader, const std::string& kind);

}  // namespace td::sms
