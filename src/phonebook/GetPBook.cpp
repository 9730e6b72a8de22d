#include "phonebook/GetPBook.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include "app/forms.h"
#include "engine/settings.h"
#include "phonebook/TpdPBook.h"
#include "phonebook/pblist.h"
#include "phonebook/pbparser.h"
#include "phonebook/readerwindow.h"
#include "phonebook/stringgrid.h"
#include "platform/cp1251.h"
#include "platform/qtservices.h"

using td::fromWin;
using td::W;

TForm4::TForm4(QWidget* parent) : QDialog(parent) {
    setObjectName("TForm4");
    setWindowTitle(fromWin(W(" Телефонная книга из мобильного телефона")));

    td::ReaderControls c = td::makeReaderControls(
        this, "Телефонная книга из вашего мобильного телефона", DesignRows,
        "Переносите по одной записи телефонной книги из телефона",
        "Последняя копия телефонной книги", "Прочесть Телефонную книгу из ТЕЛЕФОНА");
    td::takeReaderControls(this, c);
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
    connect(bbLastCopy, &QPushButton::clicked, this, &TForm4::bbLastCopyClick);
    connect(bbGetPBook, &QPushButton::clicked, this, &TForm4::bbGetPBookClick);
    connect(bbDelete, &QPushButton::clicked, this, &TForm4::bbDeleteClick);

    td::layoutReader(this, c, {bbReady, bbSaveMyPB, bbResetMyPB}, 560);
}

void TForm4::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    FormActivate();
}

void TForm4::ReadPhoneBook(const std::string& operation, StringGrid* grid, QPushButton* button,
                           const std::string& prefix, QLabel* label, QLabel* panel) {
    td::PhoneBookTexts texts = prefix.empty() ? td::phoneBookTexts() : td::missCallTexts();
    td::PhoneBookReader reader(operation, prefix, texts, grid, button, label, panel);
    reader.cycle().run();
}

void TForm4::placeBesideOwnBook() {
    TForm3* own = td::forms().Form3;
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

void TForm4::bbGetPBookClick() {
    td::PhoneBookReader reader(td::prog().PhoneBookName, "", td::phoneBookTexts(),
                               StringGridMobilePB, bbGetPBook, lGetRecordCount, Panel5);
    reader.cycle().refreshClick();
}

void TForm4::bbLastCopyClick() {
    td::PhoneBookReader reader(td::prog().PhoneBookName, "", td::phoneBookTexts(),
                               StringGridMobilePB, bbGetPBook, lGetRecordCount, Panel5);
    reader.cycle().lastCopyClick();
}

void TForm4::bbReadyClick() {
    if (selRow_ <= 0) {
        td::dialogs().message(W("- Вы ничего не выбрали !"));
        return;
    }
    if (selRow_ >= StringGridMobilePB->rows()) return;
    std::string name = StringGridMobilePB->cell(0, selRow_);
    std::string number = StringGridMobilePB->cell(1, selRow_);
    if (td::isBlankCell(name) || td::isBlankCell(number)) return;
    TForm3* own = td::forms().Form3;
    if (!own) return;
    own->takeRecord(name, number);
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
    if (TForm3* own = td::forms().Form3) own->bbSaveClick();
    bbSaveMyPB->setEnabled(false);
    bbResetMyPB->setEnabled(false);
}

void TForm4::bbResetMyPBClick() {
    if (TForm3* own = td::forms().Form3) own->bbResetClick();
    bbReady->setEnabled(false);
}

void TForm4::bbDeleteClick() {
    td::dialogs().message(W("Эта возможность будет реализована в одной из следующих версий"));
}
