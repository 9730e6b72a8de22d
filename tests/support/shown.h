#pragma once
// Windows as a user meets them, for GUI tests: shown, active, with focus,
// driven by real clicks and keys (QTest), not by calling handlers.
//
//   td::test::showForUser(window, grid);         // shown, active, focus on the grid
//   td::test::clickCell(grid, 2, 0);             // a click on row 2 (grid numbering), column 0
//   td::test::pressKey(grid, Qt::Key_Return);    // Enter where the focus is
//   EXPECT_TRUE(td::test::enterButtons(window).empty());
//
// A modal window can be run for real: runModal shows it through the
// program's modal display and runs `whileShown` inside its event loop.

#include <QAbstractItemView>
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <vector>

#include "platform/qtservices.h"
#include "support/qtapp.h"

namespace td::test {

// Shows w, makes it the active window and gives focus to `focus` (or to the
// window's own first focus widget).
inline void showForUser(QWidget* w, QWidget* focus = nullptr) {
    w->show();
    w->raise();
    w->activateWindow();
    QApplication::setActiveWindow(w);
    (void)QTest::qWaitForWindowExposed(w, 1000);
    if (focus) focus->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
}

// The centre of a cell; rows count as the program's grids count them (row 0
// is the title row, so record row r is the view's row r - 1) unless
// titleRow is false.
inline QPoint cellCentre(QAbstractItemView* v, int row, int col, bool titleRow = true) {
    QModelIndex i = v->model()->index(titleRow ? row - 1 : row, col);
    v->scrollTo(i);
    return v->visualRect(i).center();
}

inline void clickCell(QAbstractItemView* v, int row, int col, bool titleRow = true) {
    QTest::mouseClick(v->viewport(), Qt::LeftButton, Qt::NoModifier,
                      cellCentre(v, row, col, titleRow));
    QApplication::processEvents();
}

inline void doubleClickCell(QAbstractItemView* v, int row, int col, bool titleRow = true) {
    QPoint p = cellCentre(v, row, col, titleRow);
    QTest::mouseClick(v->viewport(), Qt::LeftButton, Qt::NoModifier, p);
    QTest::mouseDClick(v->viewport(), Qt::LeftButton, Qt::NoModifier, p);
    QApplication::processEvents();
}

// A key pressed while w has the focus; what w ignores goes on to its parents.
inline void pressKey(QWidget* w, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(w, key, mods);
    QApplication::processEvents();
}

// The buttons Enter would press in this window: the default and the
// auto-default ones that are shown.
inline std::vector<QPushButton*> enterButtons(QWidget* window) {
    std::vector<QPushButton*> out;
    for (QPushButton* b : window->findChildren<QPushButton*>())
        if (b->isDefault() || b->autoDefault()) out.push_back(b);
    return out;
}

// Shows w through the program's own modal display (the Qt one, whatever a
// test installed) and runs whileShown inside it; closes w afterwards if it
// is still open. Returns the modal result.
inline int runModal(QWidget* w, const std::function<void()>& whileShown) {
    QTimer::singleShot(0, w, [w, whileShown] {
        (void)QTest::qWaitForWindowExposed(w, 1000);
        QApplication::setActiveWindow(w);
        whileShown();
        if (w->isVisible()) w->close();
    });
    td::ModalRunner qtRunner;
    return qtRunner.showModal(w);
}

}  // namespace td::test
