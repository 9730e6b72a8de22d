#include "binding/SelectFromCellTalk.h"

#include <QCheckBox>
#include <QVBoxLayout>

#include "platform/cp1251.h"
#include "platform/qtservices.h"

using td::fromWin;
using td::W;

TForm2::TForm2(QWidget* parent) : QDialog(parent) {
    setObjectName("TForm2");
    setWindowTitle(
        fromWin(W("Определение операций для кнопок и другие установки. Характеристики телефона ")));

    CheckBoxWindowCellTalk = new QCheckBox(fromWin(W("Показывать работу  CellTalk")), this);
    CheckBoxWindowCellTalk->setObjectName("CheckBoxWindowCellTalk");
    CheckBoxWindowCellTalk->setToolTip(fromWin(W("Открыать окно программы CellTalk")));
    CheckBoxBeep = new QCheckBox(fromWin(W("Сопровождать звуком")), this);
    CheckBoxBeep->setObjectName("CheckBoxBeep");
    CheckBoxMultiPhone = new QCheckBox(fromWin(W("СМС нескольким абонентам")), this);
    CheckBoxMultiPhone->setObjectName("CheckBoxMultiPhone");
    CheckBoxMultiPhone->setToolTip(fromWin(
        W("Допустить выбор нескольких абонентов для отправки одного сообщения (не запоминается)")));

    auto* box = new QVBoxLayout(this);
    box->addWidget(CheckBoxWindowCellTalk);
    box->addWidget(CheckBoxBeep);
    box->addWidget(CheckBoxMultiPhone);
    box->addStretch();
}

bool TForm2::beepTicked() const {
    return CheckBoxBeep->isChecked();
}
void TForm2::setBeepTicked(bool on) {
    CheckBoxBeep->setChecked(on);
}
bool TForm2::engineWindowTicked() const {
    return CheckBoxWindowCellTalk->isChecked();
}
void TForm2::setEngineWindowTicked(bool on) {
    CheckBoxWindowCellTalk->setChecked(on);
}
bool TForm2::multiPhoneTicked() const {
    return CheckBoxMultiPhone->isChecked();
}
