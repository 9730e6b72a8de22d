#include "datebook/MemDayBook.h"

#include "platform/cp1251.h"
#include "platform/qtservices.h"

TForm9::TForm9(QWidget* parent) : QDialog(parent) {
    setObjectName("TForm9");
    setWindowTitle(td::fromWin(td::W("Ежедневник (из телефона)")));
}
