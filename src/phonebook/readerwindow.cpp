#include "phonebook/readerwindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "platform/cp1251.h"
#include "platform/qtservices.h"
#include "widgets/stringgrid.h"

namespace td {

namespace {
constexpr int TimeWidth = 130;  // the calls' time column
}

PhoneListWindow::PhoneListWindow(const Look& look, std::function<std::string()> operation,
                                 const std::string& prefix, const PhoneBookTexts& texts,
                                 QWidget* parent)
    : QDialog(parent) {
    setObjectName(look.objectName);
    setWindowTitle(fromWin(W(look.caption)));

    Panel2 = new QLabel(fromWin(W(look.title)), this);
    Panel2->setObjectName("Panel2");
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel2->setAlignment(Qt::AlignCenter);
    Panel2->setMinimumHeight(26);
    Panel5 = new QLabel("-", this);
    Panel5->setObjectName("Panel5");
    Panel5->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel5->setMinimumHeight(22);

    StringGridMobilePB = new StringGrid(look.timeColumn ? 3 : 2, look.rows, this);
    StringGridMobilePB->setObjectName("StringGridMobilePB");
    StringGridMobilePB->setColumnWidth(0, 201);
    StringGridMobilePB->setColumnWidth(1, 157);
    if (look.timeColumn) StringGridMobilePB->setColumnWidth(2, TimeWidth);
    StringGridMobilePB->setFixedWidth(201 + 157 + 24 + (look.timeColumn ? TimeWidth : 0));
    StringGridMobilePB->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGridMobilePB->setToolTip(fromWin(W(look.gridHint)));

    lGetRecordCount = new QLabel("-", this);
    lGetRecordCount->setObjectName("lGetRecordCount");
    lGetRecordCount->setToolTip(fromWin(W("Количество прочтённых записей Тел. книги")));
    lGetRecordCount->setMinimumWidth(30);
    bbDelete = navyButton(this, "bbDelete", "Удалить", "");
    bbLastCopy = navyButton(this, "bbLastCopy", "Последняя", look.lastCopyHint);
    bbGetPBook = navyButton(this, "bbGetPBook", "Обновить", look.refreshHint);
    connect(bbLastCopy, &QPushButton::clicked, this, &PhoneListWindow::bbLastCopyClick);
    connect(bbGetPBook, &QPushButton::clicked, this, &PhoneListWindow::bbGetPBookClick);

    reader_ =
        std::make_unique<PhoneBookReader>(std::move(operation), prefix, texts, StringGridMobilePB,
                                          bbGetPBook, lGetRecordCount, Panel5);
}

PhoneListWindow::~PhoneListWindow() = default;

void PhoneListWindow::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    FormActivate();
}

void PhoneListWindow::bbGetPBookClick() {
    reader_->refreshClick();
}

void PhoneListWindow::bbLastCopyClick() {
    reader_->lastCopyClick();
}

void PhoneListWindow::layOut(std::initializer_list<QWidget*> actions, int height) {
    auto* row1 = new QHBoxLayout;
    for (QWidget* a : actions) row1->addWidget(a);
    row1->addStretch();
    row1->addWidget(lGetRecordCount);
    auto* row2 = new QHBoxLayout;
    row2->addWidget(bbDelete);
    row2->addStretch();
    row2->addWidget(bbLastCopy);
    row2->addWidget(bbGetPBook);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(6, 6, 6, 6);
    v->addWidget(Panel2);
    v->addWidget(Panel5);
    v->addWidget(StringGridMobilePB, 1);
    v->addLayout(row1);
    v->addLayout(row2);
    resize(396 + (StringGridMobilePB->columnCount() > 2 ? TimeWidth : 0), height);

    StringGridMobilePB->setCell(0, 0, OwnHeaderName());
    StringGridMobilePB->setCell(1, 0, OwnHeaderNumber());
    if (StringGridMobilePB->columnCount() > 2) StringGridMobilePB->setCell(2, 0, CallTimeHeader());
}

}  // namespace td
