#include "phonebook/MissCall.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "engine/settings.h"
#include "phonebook/pblist.h"
#include "phonebook/readerwindow.h"
#include "platform/cp1251.h"
#include "platform/qtservices.h"
#include "widgets/stringgrid.h"

using td::fromWin;
using td::W;

TForm6::TForm6(QWidget* parent) : QDialog(parent) {
    setObjectName("TForm6");
    setWindowTitle(fromWin(W(" Пропущенные вызовы, считанные из телефона")));

    td::ReaderControls c = td::makeReaderControls(
        this, "Последние пропущенные Вами вызовы (из телефона)", DesignRows,
        "Выберите запись, если хотите позвонить", "Последняя копия записей из телефона",
        "Прочесть записи из ТЕЛЕФОНА");
    std::tie(Panel2, Panel5, StringGridMobilePB, lGetRecordCount, bbDelete, bbLastCopy,
             bbGetPBook) = c.fields();
    StringGridMobilePB->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    connect(StringGridMobilePB, &StringGrid::selectCell, this,
            &TForm6::StringGridMobilePBSelectCell);
    // A click on the cell that is already current selects it again.
    connect(StringGridMobilePB, &QTableWidget::cellClicked, this,
            [this](int row, int col) { StringGridMobilePBSelectCell(col, row + 1); });

    bbMissCall = td::navyButton(this, "bbMissCall", "Позвонить", "Позвонить выбранному абоненту");
    bbHangUpMissCall = td::glyphButton(this, "bbHangUpMissCall", QStyle::SP_BrowserStop,
                                       "Прервать вызов абонента");
    bbReady = td::navyButton(this, "bbReady", "", "");
    bbSaveMyPB = td::navyButton(this, "bbSaveMyPB", "", "");
    bbReady->hide();
    bbSaveMyPB->hide();
    connect(bbMissCall, &QPushButton::clicked, this, &TForm6::bbMissCallClick);
    connect(bbHangUpMissCall, &QPushButton::clicked, this, &TForm6::bbHangUpMissCallClick);
    connect(bbLastCopy, &QPushButton::clicked, this, &TForm6::bbLastCopyClick);
    connect(bbGetPBook, &QPushButton::clicked, this, &TForm6::bbGetPBookClick);

    td::layoutReader(this, c, {bbMissCall, bbHangUpMissCall}, 520);
    reader_ = std::make_unique<td::PhoneBookReader>(
        [] { return td::prog().MissCallName; }, td::MissCallPrefix, td::missCallTexts(),
        StringGridMobilePB, bbGetPBook, lGetRecordCount, Panel5);
    reader_->setOnRefreshClick([this] { forgetSelection(); });
}

TForm6::~TForm6() = default;

td::PhoneBookLinks& TForm6::readerLinks() {
    return reader_->links;
}

void TForm6::showFreshHint() {
    StringGridMobilePB->setToolTip(fromWin(W("Выберите запись, если хотите позвонить")));
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
    reader_->run();
    StringGridMobilePB->setCell(0, 0, td::OwnHeaderName());
    StringGridMobilePB->setCell(1, 0, td::OwnHeaderNumber());
}

void TForm6::bbGetPBookClick() {
    reader_->refreshClick();
}

void TForm6::bbLastCopyClick() {
    forgetSelection();
    reader_->lastCopyClick();
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
