#include "phonebook/GetPBook.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include "engine/settings.h"
#include "phonebook/pbparser.h"
#include "platform/cp1251.h"
#include "platform/qtservices.h"
#include "widgets/stringgrid.h"

using td::fromWin;
using td::W;

TForm4::TForm4(QWidget* parent)
    : PhoneListWindow(
          {"TForm4", " Телефонная книга из мобильного телефона",
           "Телефонная книга из вашего мобильного телефона", DesignRows,
           "Переносите по одной записи телефонной книги из телефона",
           "Последняя копия телефонной книги", "Прочесть Телефонную книгу из ТЕЛЕФОНА"},
          [] { return td::prog().PhoneBookName; }, "", td::phoneBookTexts(), parent) {
    StringGridMobilePB->setSelectionBehavior(QAbstractItemView::SelectRows);
    connect(StringGridMobilePB, &StringGrid::selectCell, this,
            &TForm4::StringGridMobilePBSelectCell);
    connect(StringGridMobilePB, &QTableWidget::cellPressed, this, &TForm4::StringGridMobilePBClick);
    connect(StringGridMobilePB, &QTableWidget::cellDoubleClicked, this,
            &TForm4::StringGridMobilePBDblClick);

    bbReady = td::glyphButton(
        this, "bbReady", QStyle::SP_ArrowLeft,
        "Перенести выбранную запись в телефонную книгу ЭТОЙ программы (в левом окне)");
    bbSaveMyPB = td::glyphButton(this, "bbSaveMyPB", QStyle::SP_DialogSaveButton,
                                 "Сохранить состояние тел. книги ЭТОЙ программы (в левом окне)");
    bbResetMyPB = td::glyphButton(this, "bbResetMyPB", QStyle::SP_DialogResetButton,
                                  "Сбросить изменения в тел. книге ЭТОЙ программы (в левом окне)");
    connect(bbReady, &QPushButton::clicked, this, &TForm4::bbReadyClick);
    connect(bbSaveMyPB, &QPushButton::clicked, this, &TForm4::bbSaveMyPBClick);
    connect(bbResetMyPB, &QPushButton::clicked, this, &TForm4::bbResetMyPBClick);
    connect(bbDelete, &QPushButton::clicked, this, &TForm4::bbDeleteClick);

    layOut({bbReady, bbSaveMyPB, bbResetMyPB}, 560);
}

void TForm4::placeBesideOwnBook() {
    QWidget* own = links.ownBook;
    QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!own || !s) return;
    td::SideBySide p = td::placeBeside(s->geometry().width(), own->frameGeometry().width(),
                                       frameGeometry().width());
    own->move(p.ownLeft, own->y());
    move(p.phoneLeft, y());
}

void TForm4::FormActivate() {
    placeBesideOwnBook();
    if (!sizeLocked_) {
        sizeLocked_ = true;
        setFixedSize(size());
    }
    bbLastCopyClick();
}

void TForm4::bbReadyClick() {
    if (selRow_ <= 0) {
        td::dialogs().message(W("- Вы ничего не выбрали !"));
        return;
    }
    if (selRow_ >= StringGridMobilePB->rows()) return;
    std::string name = StringGridMobilePB->cell(0, selRow_);
    std::string number = StringGridMobilePB->cell(1, selRow_);
    if (!td::isBlankCell(name) && td::isBlankCell(number)) {
        // The phone keeps names without a number; the own book holds numbers.
        td::dialogs().message(W("- У записи \"") + name +
                              W("\" в телефоне нет номера: её нечего перенести"));
        return;
    }
    if (td::isBlankCell(name) || td::isBlankCell(number)) return;
    if (!links.takeRecord) return;
    links.takeRecord(name, number);
    bbSaveMyPB->setEnabled(true);
    bbResetMyPB->setEnabled(true);
}

void TForm4::StringGridMobilePBDblClick() {
    bbReadyClick();
}

void TForm4::StringGridMobilePBSelectCell(int col, int row) {
    selCol_ = col;
    selRow_ = row;
}

void TForm4::StringGridMobilePBClick() {
    bbReady->setEnabled(true);
}

void TForm4::bbSaveMyPBClick() {
    if (links.saveOwnBook) links.saveOwnBook();
    bbSaveMyPB->setEnabled(false);
    bbResetMyPB->setEnabled(false);
}

void TForm4::bbResetMyPBClick() {
    if (links.resetOwnBook) links.resetOwnBook();
    bbReady->setEnabled(false);
}

void TForm4::bbDeleteClick() {
    td::dialogs().message(W("Эта возможность будет реализована в одной из следующих версий"));
}

void TForm4::transferOff() {
    bbReady->setEnabled(false);
    bbSaveMyPB->setEnabled(false);
    bbResetMyPB->setEnabled(false);
}

void TForm4::transferReady() {
    bbReady->setEnabled(true);
}

void TForm4::showFreshHint() {
    StringGridMobilePB->setToolTip(td::hintText(
        W("Переносите по одной записи телефонной книги из телефона\r(двойной клик - выбор и "
          "перенос)")));
}
