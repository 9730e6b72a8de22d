#pragma once
// The look both list windows of the phone (phone book, missed calls) share:
// a title, a status panel, the two-column grid, a row of actions with the
// record counter on its right, and the row of Delete, Last copy and Refresh.

#include <QPushButton>
#include <initializer_list>
#include <tuple>

#include "widgets/gridview.h"

class QDialog;
class QLabel;
class StringGrid;

namespace td {

struct ReaderControls {
    QLabel* title;
    QLabel* status;
    StringGrid* grid;
    QLabel* counter;
    QPushButton* del;
    QPushButton* lastCopy;
    QPushButton* refresh;
    // Ties for the window's named fields, in this order (the phone book and
    // missed calls windows name them alike): Panel2, Panel5,
    // StringGridMobilePB, lGetRecordCount, bbDelete, bbLastCopy, bbGetPBook.
    auto fields() const { return std::tuple{title, status, grid, counter, del, lastCopy, refresh}; }
};

// Creates the shared controls with their object names and texts.
ReaderControls makeReaderControls(QDialog* w, const char* title, int rows, const char* gridHint,
                                  const char* lastCopyHint, const char* refreshHint);

// Lays the window out: actions on the left of the counter row, and the
// grid's header row given the own phone book's column titles.
void layoutReader(QDialog* w, const ReaderControls& c, std::initializer_list<QWidget*> actions,
                  int height);

}  // namespace td
