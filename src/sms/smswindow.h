#pragma once
// What the sent, unread and all SMS windows share: their controls and
// layout, the list view the reader fills, the reply hand-over to the main
// window, and the user's row selection.

#include <QPushButton>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "sms/smsreader.h"
#include "widgets/gridview.h"

class QDialog;
class QLabel;
class QLineEdit;
class StringGrid;

namespace td::sms {

// The look of one SMS window.
struct SmsWindowDesign {
    const char* caption;  // the window's caption (UTF-8)
    const char* title;    // Panel2
    int width, height;    // inside the frame
    const char* gridName;
    std::vector<int> columnWidths;
    int rows;                         // row 0 included; the list grows the grid as needed
    std::vector<const char*> titles;  // grid column titles
    const char* actionName;           // the hand-over or reply button
    const char* actionCaption;
    const char* refreshName;
    const char* refreshHint;
    const char* kind;  // the list's kind: SentKind, UnReadKind or AllKind
};

struct SmsControls {
    QLabel* title;
    QLabel* status;
    StringGrid* grid;
    QLabel* counter;
    QLineEdit* search;  // filters the list's rows
    QPushButton* reSend;
    QPushButton* save;
    QPushButton* csv;  // the list's last copy to CSV
    QPushButton* del;
    QPushButton* action;
    QPushButton* lastCopy;
    QPushButton* refresh;
};

// Creates the shared controls with their object names, texts and hints.
SmsControls makeSmsControls(QDialog* w, const SmsWindowDesign& d);
// Lays the window out: title, status, grid, then a row with the picture
// buttons (and `extra`) on the left, the counter, and the text buttons.
void layoutSms(QDialog* w, const SmsControls& c, const SmsWindowDesign& d,
               std::initializer_list<QWidget*> extra = {});
// The grid's column titles of the design.
void setTitles(StringGrid* grid, const SmsWindowDesign& d);
// The delete button's designed look: teal italic caption.
void designDeleteLook(QPushButton* del);

// Calls `select(col, row, marking)` whenever the user makes a cell of the
// grid the current one (by click or key), clicks the current cell again or
// presses the space bar on it; `marking` is true for a click or the space
// bar, false for the other keys. A current cell the grid takes on its own
// when it gets the focus selects nothing.
void onUserSelect(StringGrid* grid,
                  const std::function<void(int col, int row, bool marking)>& select);

// The list view over one window's grid and counter; its ReadView is the
// button that is the abort button while its read runs (the refresh or the
// delete button: each has a view of its own) with the status panel.
class SmsGridView : public SmsListView {
  public:
    SmsGridView(StringGrid* grid, std::unique_ptr<ReadView> read, QLabel* counter, int listColumns,
                int designRows);
    // The usual ReadView: button, status panel, grid hint.
    SmsGridView(StringGrid* grid, QPushButton* button, QLabel* panel, QLabel* counter,
                int listColumns, int designRows);
    ReadView& readView() override { return *read_; }
    void clearList() override;
    void showRows(const std::vector<SmsRow>& rows) override;
    void clearSelection() override;
    // Called after the selection was cleared: the window's buttons that act
    // on a selected message go off.
    std::function<void()> onSelectionCleared;

  private:
    StringGrid* grid_;
    std::unique_ptr<ReadView> read_;
    QLabel* counter_;
    int columns_;
    int designRows_;
};

// A re-read clears the selected index, so `actionsOff` turns the window's
// buttons for a selected message off after the list view's and the delete
// view's reads; the delete button, the abort button of its own read
// meanwhile, keeps its state through the delete view's.
void actionsOffAfterReread(SmsGridView& list, SmsGridView& del, QPushButton* delButton,
                           const std::function<void()>& actionsOff);

// The reply to the selected message's correspondent: the main window's
// recipients, through these hooks.
struct ReplyLinks {
    std::function<std::vector<std::string>()> abonentNames;
    std::function<std::vector<std::string>()> abonentNumbers;  // index-aligned with the names
    std::function<void(const std::string& text, int index)> setRecipientText;
    std::function<void(const std::string& lat, const std::string& rus)> setRecipients;
};
// Hands the chosen message's correspondent over as the recipient (own phone
// book, the reader's phone book copy, plain number), or says that it is
// unknown. The main window keeps the recipient through its next activation.
void handOverReply(SmsReader& reader, const ReplyLinks& links);

// What the unread and all windows ask of the others, wired in src/app: the
// sent window's reader and the main window's recipients.
struct SmsListLinks {
    std::function<SmsReader*()> reader;
    ReplyLinks reply;
};

}  // namespace td::sms
