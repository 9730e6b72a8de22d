#include "help/ShowHelp.h"

#include "platform/qtservices.h"
#include "platform/cp1251.h"

TForm11::TForm11(QWidget* parent) : QDialog(parent) {
    setObjectName("TForm11");
    setWindowTitle(td::fromWin(td::W("Краткая справка")));
}
