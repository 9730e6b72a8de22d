#include "phonebook/readerwindow.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "phonebook/pblist.h"
#include "platform/cp1251.h"
#include "platform/qtservices.h"
#include "widgets/stringgrid.h"

namespace td {

ReaderControls makeReaderControls(QDialog* w, const char* title, int rows, const char* gridHint,
                                  const char* lastCopyHint, const char* refreshHint) {
    ReaderControls c;
    c.title = new QLabel(fromWin(W(title)), w);
    c.title->setObjectName("Panel2");
    c.title->setFrameStyle(QFrame::Panel | QFrame::Raised);
    c.title->setAlignment(Qt::AlignCenter);
    c.title->setMinimumHeight(26);
    c.status = new QLabel("-", w);
    c.status->setObjectName("Panel5");
    c.status->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    c.status->setMinimumHeight(22);

    c.grid = new StringGrid(2, rows, w);
    c.grid->setObjectName("StringGridMobilePB");
    c.grid->setColumnWidth(0, 201);
    c.grid->setColumnWidth(1, 157);
    c.grid->setFixedWidth(201 + 157 + 24);
    c.grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    c.grid->setToolTip(fromWin(W(gridHint)));

    c.counter = new QLabel("-", w);
    c.counter->setObjectName("lGetRecordCount");
    c.counter->setToolTip(fromWin(W("Количество прочтённых записей Тел. книги")));
    c.counter->setMinimumWidth(30);
    c.del = navyButton(w, "bbDelete", "Удалить", "");
    c.lastCopy = navyButton(w, "bbLastCopy", "Последняя", lastCopyHint);
    c.refresh = navyButton(w, "bbGetPBook", "Обновить", refreshHint);
    return c;
}

void layoutReader(QDialog* w, const ReaderControls& c, std::initializer_list<QWidget*> actions,
                  int height) {
    auto* row1 = new QHBoxLayout;
    for (QWidget* a : actions) row1->addWidget(a);
    row1->addStretch();
    row1->addWidget(c.counter);
    auto* row2 = new QHBoxLayout;
    row2->addWidget(c.del);
    row2->addStretch();
    row2->addWidget(c.lastCopy);
    row2->addWidget(c.refresh);
    auto* v = new QVBoxLayout(w);
    v->setContentsMargins(6, 6, 6, 6);
    v->addWidget(c.title);
    v->addWidget(c.status);
    v->addWidget(c.grid, 1);
    v->addLayout(row1);
    v->addLayout(row2);
    w->resize(396, height);

    c.grid->setCell(0, 0, OwnHeaderName());
    c.grid->setCell(1, 0, OwnHeaderNumber());
}

}  // namespace td
