#pragma once
// What both list windows of the phone (phone book, missed calls) share: a
// title, a status panel, the two-column grid, a row of actions with the
// record counter on its right, the row of Delete, Last copy and Refresh, the
// one reader over them, and the refresh and last-copy handlers. The
// controls keep the names both windows give them.

#include <QDialog>
#include <QPushButton>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

#include "phonebook/pblist.h"
#include "widgets/gridview.h"

class QLabel;
class StringGrid;

namespace td {

class PhoneListWindow : public QDialog {
    Q_OBJECT
  public:
    ~PhoneListWindow() override;

    // What a read asks of the windows around it, wired in src/app.
    PhoneBookLinks& readerLinks() { return reader_->links; }
    // Its reader's flags: the main window's close aborts a waiting read.
    ReadFlags& readFlags() { return reader_->flags(); }

    int selectedCol() const { return selCol_; }
    int selectedRow() const { return selRow_; }

    // Texts are UTF-8 literals.
    struct Look {
        const char* objectName;
        const char* caption;
        const char* title;
        int rows;
        const char* gridHint;
        const char* lastCopyHint;
        const char* refreshHint;
        bool timeColumn = false;  // a third column for the calls' times, when there are any
    };

  public slots:
    virtual void FormActivate() = 0;
    virtual void bbGetPBookClick();  // refresh, or abort a running read
    virtual void bbLastCopyClick();

  protected:
    // The controls and the reader of the list the operation reads.
    PhoneListWindow(const Look& look, std::function<std::string()> operation,
                    const std::string& prefix, const PhoneBookTexts& texts, QWidget* parent);
    void showEvent(QShowEvent* e) override;
    // Lays the window out: actions on the left of the counter row.
    void layOut(std::initializer_list<QWidget*> actions, int height);
    // The calls' time column, shown only for a list that has times; the
    // window grows or shrinks by its width.
    void showTimeColumn(bool shown);

    QLabel* Panel2;
    QLabel* Panel5;
    StringGrid* StringGridMobilePB;
    QLabel* lGetRecordCount;
    QPushButton* bbDelete;
    QPushButton* bbLastCopy;
    QPushButton* bbGetPBook;

    std::unique_ptr<PhoneBookReader> reader_;
    int selCol_ = 0;
    int selRow_ = 0;
};

}  // namespace td
