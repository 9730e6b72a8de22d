#include "app/forms.h"

#include <QPointer>
#include <QTimer>
#include <functional>
#include <utility>

#include "app/backupwindow.h"
#include "app/livephone.h"
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
#include "ussd/UssdWindow.h"

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
    f.FormUssd = new TFormUssd();
    wireForms(f);
}

namespace {

// The windows as guarded pointers: a window deleted after wiring is skipped.
struct Guarded {
    QPointer<TForm1> f1;
    QPointer<TForm2> f2;
    QPointer<TForm3> f3;
    QPointer<TForm4> f4;
    QPointer<TForm5> f5;
    QPointer<TForm6> f6;
    explicit Guarded(const Forms& f)
        : f1(f.Form1), f2(f.Form2), f3(f.Form3), f4(f.Form4), f5(f.Form5), f6(f.Form6) {}
};

// The settings window's beep option, asked by every window that beeps.
std::function<bool()> beepOption(QPointer<TForm2> f2) {
    return [f2] { return f2 && f2->beepTicked(); };
}

// Main window: the windows its buttons open, the settings window's options,
// the own phone book's read switch.
void wireMain(const Forms& f, const Guarded& g) {
    if (!g.f1) return;
    TForm1::Links& l = g.f1->links;
    l.help = f.Form11;
    l.ussd = f.FormUssd;
    l.settings = f.Form2;
    l.phoneBook = f.Form3;
    l.missCalls = f.Form6;
    l.sentSms = f.Form5;
    l.unreadSms = f.Form7;
    l.allSms = f.Form8;
    l.dateBook = f.Form9;
    QPointer<TForm1> main = g.f1;
    l.backupPhone = [main] { td::backup::backupFromWindow(main); };
    l.restorePhone = [main] { td::backup::restoreFromWindow(main); };
    QPointer<TForm2> f2 = g.f2;
    QPointer<TForm3> f3 = g.f3;
    l.multiPhoneTicked = [f2] { return f2 && f2->multiPhoneTicked(); };
    l.engineWindowTicked = [f2] { return f2 && f2->engineWindowTicked(); };
    l.setBeepTick = [f2](bool on) {
        if (f2) f2->setBeepTicked(on);
    };
    l.setEngineWindowTick = [f2](bool on) {
        if (f2) f2->setEngineWindowTicked(on);
    };
    l.phoneBookReadOff = [f3] {
        if (f3) f3->phoneReadOff();
    };
    // A read still waiting in a child window when the program closes.
    QPointer<TForm4> f4 = g.f4;
    QPointer<TForm5> f5 = g.f5;
    QPointer<TForm6> f6 = g.f6;
    QPointer<TForm9> f9 = f.Form9;
    QPointer<TForm10> f10 = f.Form10;
    l.forgetSmsNames = [f5] {
        if (f5) f5->smsReader().forgetNames();
    };
    l.messageParts = [f5](const std::string& index) {
        return f5 ? f5->smsReader().partsOf(index) : std::vector<std::string>{index};
    };
    l.abortReads = [f4, f5, f6, f9, f10] {
        if (f4) f4->readFlags().abort = true;
        if (f5) f5->smsReader().flags().abort = true;
        if (f6) f6->readFlags().abort = true;
        if (f9) f9->readFlags().abort = true;
        if (f10) f10->readFlags().abort = true;
    };
}

// Settings window: the main window explains a missing binding; its cancel
// button opens the phone check, which beeps as the settings say.
void wireSettings(const Forms& f, const Guarded& g) {
    if (g.f2) {
        QPointer<TForm1> f1 = g.f1;
        g.f2->buttonMess = [f1](bool found, const std::string& caption, const std::string& op) {
            if (f1) f1->ButtonMess(found, caption, op);
        };
        g.f2->phoneCheck = f.Form10;
    }
    if (f.Form10) f.Form10->beepWanted = beepOption(g.f2);
}

// Own phone book and the phone's phone book beside it.
void wirePhoneBooks(const Forms& f, const Guarded& g) {
    if (g.f3) g.f3->phoneBookWindow = f.Form4;
    if (!g.f4) return;
    QPointer<TForm3> f3 = g.f3;
    TForm4::Links& l = g.f4->links;
    l.ownBook = f.Form3;
    l.takeRecord = [f3](const std::string& name, const std::string& number) {
        if (f3) f3->takeRecord(name, number);
    };
    l.saveOwnBook = [f3] {
        if (f3) f3->bbSaveClick();
    };
    l.resetOwnBook = [f3] {
        if (f3) f3->bbResetClick();
    };
}

// Missed calls: calling back is the main window's call.
void wireMissedCalls(const Guarded& g) {
    if (!g.f6) return;
    QPointer<TForm1> f1 = g.f1;
    g.f6->callAction = [f1](const std::string& number) {
        if (f1) f1->callNumber(number);
    };
    g.f6->hangUpAction = [f1] {
        if (f1) f1->bbHangUpClick();
    };
}

// Both phone list windows read alike, and either read touches the phone book
// window's transfer buttons and both grids' hints.
void wirePhoneListReaders(const Guarded& g) {
    QPointer<TForm3> f3 = g.f3;
    QPointer<TForm4> f4 = g.f4;
    QPointer<TForm6> f6 = g.f6;
    PhoneBookLinks pb;
    pb.cycleStarted = [f3, f4] {
        if (f4) f4->transferOff();
        if (f3) f3->findFreeRow();
    };
    pb.dataLoaded = [f4] {
        if (f4) f4->transferReady();
    };
    pb.freshList = [f4, f6] {
        if (f4) f4->showFreshHint();
        if (f6) f6->showFreshHint();
    };
    pb.ownHeader = [f3] {
        return f3 ? f3->headerCells() : std::pair{OwnHeaderName(), OwnHeaderNumber()};
    };
    pb.beepWanted = beepOption(g.f2);
    if (f4) f4->readerLinks() = pb;
    if (f6) f6->readerLinks() = pb;
}

// The sent window carries the reader of all three SMS lists and hands its
// list to the main window's re-send box.
void wireSentSms(const Guarded& g) {
    if (!g.f5) return;
    QPointer<TForm1> f1 = g.f1;
    TForm5::Links& l = g.f5->links;
    l.clearReSendBox = [f1] {
        if (f1) f1->clearReSendBox();
    };
    l.addReSendLine = [f1](const std::string& line) {
        if (f1) f1->addReSendLine(line);
    };
    l.setReSendIndexes = [f1](const std::vector<std::string>& indexes) {
        if (f1) f1->setReSendIndexes(indexes);
    };
    l.setReSendText = [f1](const std::string& text, const std::string& index) {
        if (f1) f1->setReSendText(text, index);
    };
    l.reSend = [f1](const std::string& index) {
        if (f1) f1->reSend(index);
    };
    l.beepWanted = beepOption(g.f2);
}

// The unread and all windows read through the sent window's reader and reply
// through the main window's recipients.
void wireSmsLists(const Forms& f, const Guarded& g) {
    QPointer<TForm1> f1 = g.f1;
    QPointer<TForm5> f5 = g.f5;
    sms::ReplyLinks reply;
    reply.abonentNames = [f1] { return f1 ? f1->abonentNames() : std::vector<std::string>{}; };
    reply.abonentNumbers = [f1] { return f1 ? f1->abonentNumbers() : std::vector<std::string>{}; };
    reply.setRecipientText = [f1](const std::string& text, int index) {
        if (f1) f1->setRecipientText(text, index);
    };
    reply.setRecipients = [f1](const std::string& lat, const std::string& rus) {
        if (f1) f1->setRecipients(lat, rus);
    };
    auto smsReader = [f5]() -> sms::SmsReader* { return f5 ? &f5->smsReader() : nullptr; };
    if (f.Form7) f.Form7->links = {smsReader, reply};
    if (f.Form8) f.Form8->links = {smsReader, reply};
}

}  // namespace

void wireForms(const Forms& f) {
    const Guarded g(f);
    wireMain(f, g);
    wireSettings(f, g);
    wirePhoneBooks(f, g);
    wireMissedCalls(g);
    wirePhoneListReaders(g);
    wireSentSms(g);
    wireSmsLists(f, g);
    // Date book: the settings window's beep option.
    if (f.Form9) f.Form9->beepWanted = beepOption(g.f2);
}

// The live phone: the settings window's box keeps the resident engine; a
// message's notification opens the unread window as the main window's button
// does, and reads it from the phone once it is shown.
void wireLivePhone(LivePhone& live, const Forms& f) {
    if (f.Form2) f.Form2->residentTicked = [&live](bool on) { live.setResident(on); };
    QPointer<TForm1> f1 = f.Form1;
    QPointer<TForm7> f7 = f.Form7;
    live.openUnread = [f1, f7] {
        if (!f7) return;
        if (f7->isVisible()) {
            f7->raise();
            f7->activateWindow();
            f7->bbGetUnReadSMSClick();
            return;
        }
        if (!f1) return;
        // Once the window is up (inside its modal loop), the read from the phone.
        QTimer::singleShot(0, f7, [f7] {
            if (f7->isVisible()) f7->bbGetUnReadSMSClick();
        });
        f1->bbUnReadSMSClick();
    };
}

void destroyForms() {
    Forms& f = forms();
    delete f.FormUssd;
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
