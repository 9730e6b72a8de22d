#include "sms/GetSentSMS.h"

#include "platform/cp1251.h"
#include "platform/qtservices.h"

TForm5::TForm5(QWidget* parent) : QDialog(parent) {
    setObjectName("TForm5");
    setWindowTitle(td::fromWin(td::W("Ранее отправленные SMS из мобильного телефона")));
}
