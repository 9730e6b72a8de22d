#include "phonebook/MissCall.h"

#include "platform/qtservices.h"
#include "platform/cp1251.h"

TForm6::TForm6(QWidget* parent) : QDialog(parent) {
    setObjectName("TForm6");
    setWindowTitle(td::fromWin(td::W(" Пропущенные вызовы, считанные из телефона")));
}
