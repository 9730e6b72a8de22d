#include "phonebook/MissCall.h"

#include <QHeaderView>
#include <QPushButton>
#include <QStyle>

#include "engine/settings.h"
#include "platform/cp1251.h"
#include "platform/qtservices.h"
#include "widgets/stringgrid.h"

using td::fromWin;
using td::W;

TForm6::TForm6(QWidget* parent)
    : PhoneListWindow(
          {"TForm6", " Пропущенные вызовы, считанные из телефона",
           "Последние пропущенные Вами вызовы (из телефона)", DesignRows,
           "Выберите запись, если хотите позвонить", "Последняя копия записей из телефона",
           "Прочесть записи из ТЕЛЕФОНА", true},
          [] { return td::prog().MissCallName; }, td::MissCallPrefix, td::missCallTexts(), parent) {
    selRow_ = -1;
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

    layOut({bbMissCall, bbHangUpMissCall}, 520);
    reader_->setOnRefreshClick([this] { forgetSelection(); });
}

void TForm6::showFreshHint() {
    StringGridMobilePB->setToolTip(fromWin(W("Выберите запись, если хотите позвонить")));
}

void TForm6::forgetSelection() {
    selRow_ = -1;
    bbMissCall->setEnabled(false);
    bbHangUpMissCall->setEnabled(false);
}

void TForm6::FormActivate() {
    bbMissCall->setEnabled(false);
    bbHangUpMissCall->setEnabled(false);
    readFlags().update = false;
    if (!sizeLocked_) {
        sizeLocked_ = true;
        setFixedSize(size());
    }
    reader_->run();
    StringGridMobilePB->setCell(0, 0, td::OwnHeaderName());
    StringGridMobilePB->setCell(1, 0, td::OwnHeaderNumber());
    if (StringGridMobilePB->columnCount() > 2)
        StringGridMobilePB->setCell(2, 0, td::CallTimeHeader());
}

void TForm6::bbLastCopyClick() {
    forgetSelection();
    PhoneListWindow::bbLastCopyClick();
}

void TForm6::StringGridMobilePBSelectCell(int col, int row) {
    selCol_ = col;
    selRow_ = row;
    // The time column stands for its row's number: an undated call is callable too.
    const int cell = col > 1 ? 1 : col;
    bool callable = row >= 0 && row < StringGridMobilePB->rows() &&
                    !StringGridMobilePB->cell(cell, row).empty();
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
    selRow_ = -1;
    bbMissCall->setEnabled(false);
    bbHangUpMissCall->setEnabled(true);
    if (callAction) callAction(number);
}

void TForm6::bbHangUpMissCallClick() {
    selRow_ = -1;
    if (hangUpAction) hangUpAction();
}
