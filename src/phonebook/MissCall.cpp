#include "phonebook/MissCall.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "app/forms.h"
#include "engine/settings.h"
#include "main/TapdeckP.h"
#include "phonebook/GetPBook.h"
#include "phonebook/pblist.h"
#include "phonebook/stringgrid.h"
#include "platform/cp1251.h"
#include "platform/qtservices.h"

using td::fromWin;
using td::W;

namespace {
QPushButton* button(QWidget* parent, const char* name, const char* caption, const char* hint) {
    auto* b = new QPushButton(fromWin(W(caption)), parent);
    b->setObjectName(name);
    if (*hint) b->setToolTip(fromWin(W(hint)));
    td::setCaptionColor(b, td::NavyColor);
    return b;
}

}  // namespace

TForm6::TForm6(QWidget* parent) : QDialog(parent) {
    setObjectName("TForm6");
    setWindowTitle(fromWin(W(" Пропущенные вызовы, считанные из телефона")));
    callAction = [] {
        if (TForm1* f = td::forms().Form1) f->bbCallClick();
    };
    hangUpAction = [] {
        if (TForm1* f = td::forms().Form1) f->bbHangUpClick();
    };

    Panel2 = new QLabel(fromWin(W("Последние пропущенные Вами вызовы (из телефона)")), this);
    Panel2->setObjectName("Panel2");
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel2->setAlignment(Qt::AlignCenter);
    Panel2->setMinimumHeight(26);
    Panel5 = new QLabel("-", this);
    Panel5->setObjectName("Panel5");
    Panel5->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel5->setMinimumHeight(22);

    StringGridMobilePB = new StringGrid(2, DesignRows, this);
    StringGridMobilePB->setObjectName("StringGridMobilePB");
    StringGridMobilePB->setColumnWidth(0, 201);
    StringGridMobilePB->setColumnWidth(1, 157);
    StringGridMobilePB->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    StringGridMobilePB->setFixedWidth(201 + 157 + 24);
    StringGridMobilePB->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGridMobilePB->setToolTip(fromWin(W("Выберите запись, если хотите позвонить")));
    connect(StringGridMobilePB, &StringGrid::selectCell, this,
            &TForm6::StringGridMobilePBSelectCell);
    // A click on the cell that is already current selects it again.
    connect(StringGridMobilePB, &QTableWidget::cellClicked, this,
            [this](int row, int col) { StringGridMobilePBSelectCell(col, row + 1); });

    lGetRecordCount = new QLabel("-", this);
    lGetRecordCount->setObjectName("lGetRecordCount");
    lGetRecordCount->setToolTip(fromWin(W("Количество прочтённых записей Тел. книги")));
    lGetRecordCount->setMinimumWidth(30);
    bbMissCall = button(this, "bbMissCall", "Позвонить", "Позвонить выбранному абоненту");
    bbHangUpMissCall = button(this, "bbHangUpMissCall", "", "Прервать вызов абонента");
    bbHangUpMissCall->setIcon(style()->standardIcon(QStyle::SP_BrowserStop));
    bbHangUpMissCall->setFixedWidth(36);
    bbLastCopy = button(this, "bbLastCopy", "Последняя", "Последняя копия записей из телефона");
    bbGetPBook = button(this, "bbGetPBook", "Обновить", "Прочесть записи из ТЕЛЕФОНА");
    bbDelete = button(this, "bbDelete", "Удалить", "");
    bbReady = button(this, "bbReady", "", "");
    bbSaveMyPB = button(this, "bbSaveMyPB", "", "");
    bbReady->hide();
    bbSaveMyPB->hide();
    connect(bbMissCall, &QPushButton::clicked, this, &TForm6::bbMissCallClick);
    connect(bbHangUpMissCall, &QPushButton::clicked, this, &TForm6::bbHangUpMissCallClick);
    connect(bbLastCopy, &QPushButton::clicked, this, &TForm6::bbLastCopyClick);
    connect(bbGetPBook, &QPushButton::clicked, this, &TForm6::bbGetPBookClick);

    auto* row1 = new QHBoxLayout;
    row1->addWidget(bbMissCall);
    row1->addWidget(bbHangUpMissCall);
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
    resize(396, 520);

    StringGridMobilePB->setCell(0, 0, td::OwnHeaderName());
    StringGridMobilePB->setCell(1, 0, td::OwnHeaderNumber());
}

void TForm6::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    FormActivate();
}

void TForm6::forgetSelection() {
    selRow_ = -1;
    bbMissCall->setEnabled(false);
    bbHangUpMissCall->setEnabled(false);
}

void TForm6::FormActivate() {
    bbMissCall->setEnabled(false);
    bbHangUpMissCall->setEnabled(false);
    td::prog().PhoneReadUpdate = false;
    if (!sizeLocked_) {
        sizeLocked_ = true;
        setFixedSize(size());
    }
    td::PhoneBookReader reader(td::prog().MissCallName, td::MissCallPrefix, td::missCallTexts(),
                               StringGridMobilePB, bbGetPBook, lGetRecordCount, Panel5);
    reader.cycle().run();
    StringGridMobilePB->setCell(0, 0, td::OwnHeaderName());
    StringGridMobilePB->setCell(1, 0, td::OwnHeaderNumber());
}

void TForm6::bbGetPBookClick() {
    td::PhoneBookReader reader(td::prog().MissCallName, td::MissCallPrefix, td::missCallTexts(),
                               StringGridMobilePB, bbGetPBook, lGetRecordCount, Panel5);
    reader.cycle().setOnRefreshClick([this] { forgetSelection(); });
    reader.cycle().refreshClick();
}

void TForm6::bbLastCopyClick() {
    forgetSelection();
    td::PhoneBookReader reader(td::prog().MissCallName, td::MissCallPrefix, td::missCallTexts(),
                               StringGridMobilePB, bbGetPBook, lGetRecordCount, Panel5);
    reader.cycle().lastCopyClick();
}

void TForm6::StringGridMobilePBSelectCell(int col, int row) {
    selCol_ = col;
    selRow_ = row;
    bool callable =
        row >= 0 && row < StringGridMobilePB->rows() && !StringGridMobilePB->cell(col, row).empty();
    bbMissCall->setEnabled(callable);
}

void TForm6::bbMissCallClick() {
    if (selRow_ < 0 || selRow_ >= StringGridMobilePB->rows()) {
        bbMissCall->setEnabled(false);
        return;
    }
    std::string number = StringGridMobilePB->cell(1, selRow_);
    if (number.empty()) {
        bbMissCall->setEnabled(false);
        return;
    }
    td::prog().DialNumber = number;
    selRow_ = -1;
    bbMissCall->setEnabled(false);
    bbHangUpMissCall->setEnabled(true);
    if (callAction) callAction();
}

void TForm6::bbHangUpMissCallClick() {
    selRow_ = -1;
    if (hangUpAction) hangUpAction();
}
