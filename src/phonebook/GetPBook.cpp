#include "phonebook/GetPBook.h"

#include "platform/qtservices.h"
#include "platform/cp1251.h"

TForm4::TForm4(QWidget* parent) : QDialog(parent) {
    setObjectName("TForm4");
    setWindowTitle(td::fromWin(td::W(" Телефонная книга из мобильного телефона")));
}
