#include "app/forms.h"

#include "binding/SelectFromCellTalk.h"
#include "datebook/MemDayBook.h"
#include "help/ShowHelp.h"
#include "main/TapdeckP.h"
#include "phonebook/GetPBook.h"
#include "phonebook/MissCall.h"
#include "phonebook/TpdPBook.h"
#include "phonecheck/CheckPhone.h"
#include "sms/GetAllSMS.h"
#include "sms/GetSentSMS.h"
#include "sms/GetUnReadSMS.h"

namespace td {

Forms& forms() {
    static Forms f;
    return f;
}

void createForms() {
    Forms& f = forms();
    f.Form1 = new TForm1();
    f.Form2 = new TForm2();
    f.Form3 = new TForm3();
    f.Form4 = new TForm4();
    f.Form5 = new TForm5();
    f.Form6 = new TForm6();
    f.Form7 = new TForm7();
    f.Form8 = new TForm8();
    f.Form9 = new TForm9();
    f.Form10 = new TForm10();
    f.Form11 = new TForm11();
}

void destroyForms() {
    Forms& f = forms();
    delete f.Form11;
    delete f.Form10;
    delete f.Form9;
    delete f.Form8;
    delete f.Form7;
    delete f.Form6;
    delete f.Form5;
    delete f.Form4;
    delete f.Form3;
    delete f.Form2;
    delete f.Form1;
    f = Forms{};
}

}  // namespace td
