#pragma once
// The SMS list reader shared by the sent, unread and all windows, and the
// delete commands that run it: one read cycle (last copy or read from the
// phone) into one window's list, the single delete and the group delete.
// No widgets: a window supplies an SmsListView for its grid, counter,
// status panel and the button that is the abort button while a read runs.

#include <functional>
#include <string>
#include <vector>

#include "engine/readcycle.h"
#include "sms/smscycle.h"
#include "sms/smslist.h"

namespace td::sms {

class SmsListView : public ReadView {
  public:
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
    std::function<void()> onRefreshClick;   // titles, buttons (after the busy test)
};

// The prefixes of SMS records (the operations ini's two SMS answer prefixes).
std::vector<std::string> smsPrefixes();
// The name shown for a number: NameList, loaded from AutoRun\LastPBook.txt
// when empty, else the number.
std::string PhoneNameForNumber(const std::string& number);

class SmsReader {
  public:
    SmsReader(SmsListView& view, const std::string& operation, const std::string& argument,
              const std::string& kind, const SmsTexts& texts, SmsReaderHooks hooks = {});
    // One call of the reader in the mode SMSRefresh selects.
    ReadOutcome ReadSMS() { return cycle_.run(); }
    // The refresh button (a read from the phone, or the abort of one).
    void refreshClick() { cycle_.refreshClick(); }
    // The last-copy button.
    void lastCopyClick();
    ReadCycle& cycle() { return cycle_; }

  private:
    ReadCycleHooks cycleHooks();
    void fill(const std::vector<std::string>& lines);
    SmsListView& view_;
    SmsReaderHooks hooks_;
    ReadCycle cycle_;
};

// The single delete of one window (the delete button is the view's button).
struct DeleteRequest {
    std::string readOperation;  // the window's list: written into the batch file
    std::string kind;
    SmsTexts texts;
    std::function<void()> setTitles;
};
void deleteClick(SmsListView& view, const DeleteRequest& req, const SmsReaderHooks& hooks);

// The group delete of the all window. The view's "refresh caption" is the
// state of the two group buttons: AbortCaption() while the abort button
// shows, anything else while the start button shows.
struct GroupDeleteRequest {
    std::vector<std::string> marks;  // indexes of the marked rows, in row order
    std::string groupDeleteCommand;  // GroupDeleteSMS, "at+cmgd=" by default
    std::function<void()> setTitles;
    std::function<void()> clearMarks;  // empties the mark column
};
void groupDeleteClick(SmsListView& view, const GroupDeleteRequest& req,
                      const SmsReaderHooks& hooks);

// The save command: the latest result lines, else the shown copy's lines,
// under a dated name in AutoRun. False when nothing was to be written or the
// write failed (told to the user).
bool saveSmsList();

}  // namespace td::sms
