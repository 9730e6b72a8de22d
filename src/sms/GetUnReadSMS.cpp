#include "sms/GetUnReadSMS.h"

#include "platform/cp1251.h"
#include "platform/qtservices.h"

TForm7::TForm7(QWidget* parent) : QDialog(parent) {
    setObjectName("TForm7");
    setWindowTitle(td::fromWin(td::W(" Не прочитанные SMS из мобильного телефона ")));
}
