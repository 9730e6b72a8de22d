#include "phonecheck/CheckPhone.h"

#include "platform/cp1251.h"
#include "platform/qtservices.h"

TForm10::TForm10(QWidget* parent) : QDialog(parent) {
    setObjectName("TForm10");
    setWindowTitle(td::fromWin(td::W("Основные характеристики Вашего телефона")));
}
