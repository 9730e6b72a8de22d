#include "sms/GetAllSMS.h"

#include "platform/cp1251.h"
#include "platform/qtservices.h"

TForm8::TForm8(QWidget* parent) : QDialog(parent) {
    setObjectName("TForm8");
    setWindowTitle(td::fromWin(td::W(" Все SMS-сообщения в телефоне")));
}
