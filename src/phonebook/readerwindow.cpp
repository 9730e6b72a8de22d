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
constexpr int GridWidth = 201 + 157 + 24;
constexpr int WindowWidth = 396;
}  // namespace

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

    StringGridMobilePB = new StringGrid(2, look.rows, this);
    StringGridMobilePB->setObjectName("StringGridMobilePB");
    StringGridMobilePB->setColumnWidth(0, 201);
    StringGridMobilePB->setColumnWidth(1, 157);
    StringGridMobilePB->setFixedWidth(GridWidth);
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
    if (look.timeColumn) reader_->showTimes = [this](bool any) { showTimeColumn(any); };
}

void PhoneListWindow::showTimeColumn(bool shown) {
    StringGrid* g = StringGridMobilePB;
    if ((g->columnCount() > 2) == shown) return;
    g->setColumns(shown ? 3 : 2);
    const int extra = shown ? TimeWidth : 0;
    if (shown) {
        g->setColumnWidth(2, TimeWidth);
        g->setCell(2, 0, CallTimeHeader());
    }
    g->setFixedWidth(GridWidth + extra);
    // The size is locked after the first activation: the lock moves along.
    const bool locked = minimumSize() == maximumSize();
    const int width = WindowWidth + extra;
    if (locked)
        setFixedSize(width, height());
    else
        resize(width, height());
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
    resize(WindowWidth, height);

    StringGridMobilePB->setCell(0, 0, OwnHeaderName());
    StringGridMobilePB->setCell(1, 0, OwnHeaderNumber());
}

}  // namespace td
