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
#include "phonebook/stringgrid.h"
#include "platform/cp1251.h"
#include "platform/qtservices.h"

using td::fromWin;
using td::W;

namespace {
QPushButton* button(QWidget* parent, const char* name, const char* caption, const char* hint) {
    auto* b = new QPushButton(fromWin(W(caption)), parent);
    b->setObjectName(name);
    if (*hint) b->setToolTip(td::hintText(W(hint)));
    td::setCaptionColor(b, td::NavyColor);
    return b;
}
QPushButton* glyphButton(QWidget* parent, const char* name, QStyle::StandardPixmap glyph,
                         const char* hint) {
    QPushButton* b = button(parent, name, "", hint);
    b->setIcon(parent->style()->standardIcon(glyph));
    b->setFixedWidth(36);
    return b;
}
}  // namespace

TForm4::TForm4(QWidget* parent) : QDialog(parent) {
    setObjectName("TForm4");
    setWindowTitle(fromWin(W(" Телефонная книга из мобильного телефона")));

    Panel2 = new QLabel(fromWin(W("Телефонная книга из вашего мобильного телефона")), this);
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
    StringGridMobilePB->setFixedWidth(201 + 157 + 24);
    StringGridMobilePB->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGridMobilePB->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGridMobilePB->setToolTip(
        fromWin(W("Переносите по одной записи телефонной книги из телефона")));
    connect(StringGridMobilePB, &StringGrid::selectCell, this,
            &TForm4::StringGridMobilePBSelectCell);
    connect(StringGridMobilePB, &QTableWidget::cellPressed, this, &TForm4::StringGridMobilePBClick);
    connect(StringGridMobilePB, &QTableWidget::cellDoubleClicked, this,
            &TForm4::StringGridMobilePBDblClick);

    bbReady =
        glyphButton(this, "bbReady", QStyle::SP_ArrowLeft,
                    "Перенести выбранную запись в телефонную книгу ЭТОЙ программы (в левом окне)");
    bbSaveMyPB = glyphButton(this, "bbSaveMyPB", QStyle::SP_DialogSaveButton,
                             "Сохранить состояние тел. книги ЭТОЙ программы (в левом окне)");
    bbResetMyPB = glyphButton(this, "bbResetMyPB", QStyle::SP_DialogResetButton,
                              "Сбросить изменения в тел. книге ЭТОЙ программы (в левом окне)");
    lGetRecordCount = new QLabel("-", this);
    lGetRecordCount->setObjectName("lGetRecordCount");
    lGetRecordCount->setToolTip(fromWin(W("Количество прочтённых записей Тел. книги")));
    lGetRecordCount->setMinimumWidth(30);
    bbLastCopy = button(this, "bbLastCopy", "Последняя", "Последняя копия телефонной книги");
    bbGetPBook = button(this, "bbGetPBook", "Обновить", "Прочесть Телефонную книгу из ТЕЛЕФОНА");
    bbDelete = button(this, "bbDelete", "Удалить", "");
    connect(bbReady, &QPushButton::clicked, this, &TForm4::bbReadyClick);
    connect(bbSaveMyPB, &QPushButton::clicked, this, &TForm4::bbSaveMyPBClick);
    connect(bbResetMyPB, &QPushButton::clicked, this, &TForm4::bbResetMyPBClick);
    connect(bbLastCopy, &QPushButton::clicked, this, &TForm4::bbLastCopyClick);
    connect(bbGetPBook, &QPushButton::clicked, this, &TForm4::bbGetPBookClick);
    connect(bbDelete, &QPushButton::clicked, this, &TForm4::bbDeleteClick);

    auto* row1 = new QHBoxLayout;
    row1->addWidget(bbReady);
    row1->addWidget(bbSaveMyPB);
    row1->addWidget(bbResetMyPB);
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
    resize(396, 560);

    StringGridMobilePB->setCell(0, 0, td::OwnHeaderName());
    StringGridMobilePB->setCell(1, 0, td::OwnHeaderNumber());
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
