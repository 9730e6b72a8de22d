#pragma once
// The program's eleven windows, created once at start (main window first)
// and alive for the whole run. This is the one place that knows them all:
// wireForms connects what each window asks of the others (its hooks and
// links) to the windows that answer.

class TForm1;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;
class TForm7;
class TForm8;
class TForm9;
class TForm10;
class TForm11;
class TFormUssd;

namespace td {

struct Forms {
    TForm1* Form1 = nullptr;
    TForm2* Form2 = nullptr;
    TForm3* Form3 = nullptr;
    TForm4* Form4 = nullptr;
    TForm5* Form5 = nullptr;
    TForm6* Form6 = nullptr;
    TForm7* Form7 = nullptr;
    TForm8* Form8 = nullptr;
    TForm9* Form9 = nullptr;
    TForm10* Form10 = nullptr;
    TForm11* Form11 = nullptr;
    TFormUssd* FormUssd = nullptr;  // balance and other USSD requests
};

Forms& forms();
void createForms();   // TForm1 first, then TForm2 to TForm11, then wireForms
void destroyForms();  // in reverse order

// Connects the windows' hooks. A window missing from f is left out: hooks
// that would reach it do nothing (tests wire only the windows they build).
// The hooks hold guarded pointers, so a window deleted later is skipped too.
void wireForms(const Forms& f);

}  // namespace td
