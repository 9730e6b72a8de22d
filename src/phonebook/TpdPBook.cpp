#include "phonebook/TpdPBook.h"

#include "platform/qtservices.h"
#include "platform/cp1251.h"

TForm3::TForm3(QWidget* parent) : QDialog(parent) {
    setObjectName("TForm3");
    setWindowTitle(td::fromWin(td::W("Телефонная книга (в т.ч. из мобильного телефона)")));
}
