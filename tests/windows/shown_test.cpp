// Every window of the program, created and wired as at start, shown as a
// user meets it: real focus, real keys (Enter, Esc, Tab) and real clicks.

#include "support/shown.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "app/forms.h"
#include "binding/SelectFromCellTalk.h"
#include "datebook/MemDayBook.h"
#include "engine/settingkeys.h"
#include "engine/settings.h"
#include "help/ShowHelp.h"
#include "main/TapdeckP.h"
#include "phonebook/GetPBook.h"
#include "phonebook/MissCall.h"
#include "phonebook/TpdPBook.h"
#include "phonecheck/CheckPhone.h"
#include "platform/cp1251.h"
#include "platform/ini.h"
#include "platform/qtservices.h"
#include "sms/GetAllSMS.h"
#include "sms/GetSentSMS.h"
#include "sms/GetUnReadSMS.h"
#include "support/fakes.h"
#include "support/widgets.h"
#include "ussd/UssdWindow.h"
#include "widgets/stringgrid.h"

namespace {

using td::test::child;
using td::test::W;

struct ShownWindows : ::testing::Test {
    td::test::TestEnv env;

    void SetUp() override {
        td::test::qtApp();
        env.writeFile("tapdeck.ini", "[Common]\nWindow=Min\n[PhoneBook]\nAnn=111\nBob=222\n");
        env.writeFile("celltalk.ini", "[Common]\nModelIni=celltalk.ini\n[AutoRun]\nWaitSec=5\n");
        env.writeFile("AutoRun/LastPBook.txt", "Carl=333\nDora=444\n");
        env.writeFile("AutoRun/MC-LastPBook.txt", "Eve=555\nFred=666\n");
        env.dialogs.failOnUnscripted = false;  // whatever a window asks is answered No
        td::createForms();
    }
    void TearDown() override { td::destroyForms(); }

    // The child windows, as the main window's buttons open them.
    std::vector<QDialog*> children() {
        td::Forms& f = td::forms();
        std::vector<QWidget*> all = {f.Form2, f.Form3, f.Form4,  f.Form5,  f.Form6,   f.Form7,
                                     f.Form8, f.Form9, f.Form10, f.Form11, f.FormUssd};
        std::vector<QDialog*> out;
        for (QWidget* w : all)
            if (auto* d = qobject_cast<QDialog*>(w)) out.push_back(d);
        return out;
    }

    // The own ini as it must be after `w` closed, given what it held before:
    // the settings window writes its check boxes at every close (and only
    // them); every other window leaves the file as it was.
    std::string ownIniAfter(QDialog* w, const std::string& before) {
        if (w != td::forms().Form2) return before;
        env.writeFile("expected.ini", before);
        td::IniFile ex(env.path("expected.ini"));
        const bool show = child<QCheckBox>(w, "CheckBoxWindowCellTalk")->isChecked();
        const bool beep = child<QCheckBox>(w, "CheckBoxBeep")->isChecked();
        td::writeSetting(ex, td::setting::OwnWindow, show ? "Norm" : "Min");
        td::writeSetting(ex, td::setting::OwnBeep, beep ? "YES" : "NO");
        return env.readFile("expected.ini");
    }

    // The settings window's Esc is its phone-check button: the check window
    // opens (and reads the phone on showing). It is closed as a user would
    // once it is up, so the settings window can close in turn.
    void closePhoneCheckWhenShown(QDialog* w) {
        if (w != td::forms().Form2) return;
        auto* poll = new QTimer(w);
        QObject::connect(poll, &QTimer::timeout, poll, [poll] {
            QDialog* check = td::forms().Form10;
            if (!check || !check->isVisible()) return;
            check->reject();
            poll->deleteLater();
        });
        poll->start(10);
    }
};

// Enter presses no button in any window: none is a default or auto-default
// one, and Enter on whatever has the focus leaves the window open and the
// settings as they were.
TEST_F(ShownWindows, EnterPressesNoButtonAnywhere) {
    auto children = this->children();
    ASSERT_EQ(children.size(), 11u);
    for (QDialog* w : children) {
        SCOPED_TRACE(w->objectName().toStdString());
        std::string before = env.readFile("tapdeck.ini");
        td::test::runModal(w, [&] {
            EXPECT_TRUE(td::test::enterButtons(w).empty());
            QWidget* focus = QApplication::focusWidget();
            td::test::pressKey(focus ? focus : w, Qt::Key_Return);
            td::test::pressKey(focus ? focus : w, Qt::Key_Enter);
            EXPECT_TRUE(w->isVisible());
        });
        EXPECT_EQ(env.readFile("tapdeck.ini"), ownIniAfter(w, before));
    }
}

// The own phone book: Enter on the grid edits the cell or does nothing; it
// never saves (which would drop a row holding only a name).
TEST_F(ShownWindows, EnterInTheOwnBookGridEditsAndNeverSaves) {
    TForm3* f3 = td::forms().Form3;
    StringGrid* g = child<StringGrid>(f3, "StringGridPhoneBook");
    std::string before = env.readFile("tapdeck.ini");
    td::test::runModal(f3, [&] {
        g->setFocus();
        td::test::clickCell(g, 3, 0);
        QTest::keyClick(g, 'z');  // typing starts the editor
        QTest::keyClicks(QApplication::focusWidget(), "oe");
        td::test::pressKey(QApplication::focusWidget(), Qt::Key_Return);  // ends the edit
        EXPECT_EQ(g->cell(0, 3), "zoe");
        td::test::pressKey(g, Qt::Key_Return);  // not editing: edits again
        QWidget* editor = QApplication::focusWidget();
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->objectName(), "GridEditor");
        td::test::pressKey(editor, Qt::Key_Escape);  // leaves the edit, not the window
        EXPECT_TRUE(f3->isVisible());
        EXPECT_EQ(g->cell(0, 3), "zoe");
    });
    EXPECT_EQ(env.readFile("tapdeck.ini"), before);
}

// Focus alone selects nothing: only the user's own click or key does.
TEST_F(ShownWindows, FocusAloneSelectsNoRow) {
    td::Forms& f = td::forms();
    // Missed calls: the call button waits for a chosen caller.
    StringGrid* calls = child<StringGrid>(f.Form6, "StringGridMobilePB");
    QPushButton* call = child<QPushButton>(f.Form6, "bbMissCall");
    td::test::runModal(f.Form6, [&] {
        calls->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        EXPECT_FALSE(call->isEnabled());
        EXPECT_EQ(f.Form6->selectedRow(), -1);
        td::test::clickCell(calls, 2, 1);
        EXPECT_EQ(f.Form6->selectedRow(), 2);
        EXPECT_TRUE(call->isEnabled());
    });
    // The phone's phone book: "transfer" without a choice says so.
    StringGrid* book = child<StringGrid>(f.Form4, "StringGridMobilePB");
    td::test::runModal(f.Form4, [&] {
        book->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        env.dialogs.messages.clear();
        child<QPushButton>(f.Form4, "bbReady")->click();
        ASSERT_FALSE(env.dialogs.messages.empty());
        EXPECT_EQ(env.dialogs.messages.back(), W("- Вы ничего не выбрали !"));
        // A key of the user's is a choice: Down from the first row.
        td::test::clickCell(book, 1, 0);
        td::test::pressKey(book, Qt::Key_Down);
        EXPECT_EQ(f.Form4->selectedRow(), 2);
    });
    // The own phone book: its loading moves the current row, the user chose nothing.
    StringGrid* own = child<StringGrid>(f.Form3, "StringGridPhoneBook");
    td::test::runModal(f.Form3, [&] {
        own->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        EXPECT_EQ(f.Form3->selectedRow(), 0);
        env.dialogs.messages.clear();
        child<QPushButton>(f.Form3, "bbDelete")->click();
        ASSERT_EQ(env.dialogs.messages.size(), 1u);
        EXPECT_EQ(env.dialogs.messages[0], W("- Ничего не выбрано"));
    });
}

// Tab moves along the grid as a key of the user's; Esc closes a window
// without writing anything.
TEST_F(ShownWindows, TabMovesAndEscClosesWithoutWriting) {
    td::Forms& f = td::forms();
    StringGrid* own = child<StringGrid>(f.Form3, "StringGridPhoneBook");
    std::string before = env.readFile("tapdeck.ini");
    td::test::runModal(f.Form3, [&] {
        td::test::clickCell(own, 2, 0);
        td::test::pressKey(own, Qt::Key_Tab);
        EXPECT_EQ(f.Form3->selectedRow(), 2);
        EXPECT_EQ(f.Form3->selectedCol(), 1);
        td::test::pressKey(own, Qt::Key_Escape);
        EXPECT_FALSE(f.Form3->isVisible());
    });
    EXPECT_EQ(env.readFile("tapdeck.ini"), before);
    for (QDialog* w : children()) {
        SCOPED_TRACE(w->objectName().toStdString());
        before = env.readFile("tapdeck.ini");
        td::test::runModal(w, [&] {
            closePhoneCheckWhenShown(w);
            QWidget* focus = QApplication::focusWidget();
            td::test::pressKey(focus ? focus : w, Qt::Key_Escape);
            EXPECT_FALSE(w->isVisible());
        });
        EXPECT_EQ(env.readFile("tapdeck.ini"), ownIniAfter(w, before));
    }
}

// The main window as it opens: the first activation runs, Enter in its
// fields presses nothing.
TEST_F(ShownWindows, MainWindowShownAndKeyed) {
    TForm1* main = td::forms().Form1;
    td::test::showForUser(main);
    QApplication::processEvents();
    EXPECT_TRUE(main->firstActivationDone());
    EXPECT_TRUE(td::test::enterButtons(main).empty());
    int starts = static_cast<int>(env.starter.starts.size());
    QWidget* focus = QApplication::focusWidget();
    if (focus) td::test::pressKey(focus, Qt::Key_Return);
    EXPECT_EQ(static_cast<int>(env.starter.starts.size()), starts);
    main->hide();
}

// Every hook and window link is connected by the wiring at start: a member
// left empty would silently do nothing when its window needs it.
TEST_F(ShownWindows, WiringSetsEveryLink) {
    td::Forms& f = td::forms();
    const TForm1::Links& m = f.Form1->links;
    const TForm4::Links& b = f.Form4->links;
    const TForm5::Links& s = f.Form5->links;
    auto readerSet = [](const td::PhoneBookLinks& r) {
        return r.cycleStarted && r.dataLoaded && r.freshList && r.ownHeader && r.beepWanted;
    };
    auto listSet = [](const td::sms::SmsListLinks& l) {
        return l.reader && l.reply.abonentNames && l.reply.abonentNumbers &&
               l.reply.setRecipientText && l.reply.setRecipients;
    };
    const struct {
        const char* name;
        bool set;
    } links[] = {
        {"main: help", !m.help.isNull()},
        {"main: settings", !m.settings.isNull()},
        {"main: phoneBook", !m.phoneBook.isNull()},
        {"main: missCalls", !m.missCalls.isNull()},
        {"main: sentSms", !m.sentSms.isNull()},
        {"main: unreadSms", !m.unreadSms.isNull()},
        {"main: allSms", !m.allSms.isNull()},
        {"main: dateBook", !m.dateBook.isNull()},
        {"main: ussd", !m.ussd.isNull()},
        {"main: multiPhoneTicked", bool(m.multiPhoneTicked)},
        {"main: engineWindowTicked", bool(m.engineWindowTicked)},
        {"main: setBeepTick", bool(m.setBeepTick)},
        {"main: setEngineWindowTick", bool(m.setEngineWindowTick)},
        {"main: phoneBookReadOff", bool(m.phoneBookReadOff)},
        {"main: abortReads", bool(m.abortReads)},
        {"main: forgetSmsNames", bool(m.forgetSmsNames)},
        {"main: messageParts", bool(m.messageParts)},
        {"settings: buttonMess", bool(f.Form2->buttonMess)},
        {"settings: phoneCheck", !f.Form2->phoneCheck.isNull()},
        {"own book: phoneBookWindow", !f.Form3->phoneBookWindow.isNull()},
        {"phone book: ownBook", !b.ownBook.isNull()},
        {"phone book: takeRecord", bool(b.takeRecord)},
        {"phone book: saveOwnBook", bool(b.saveOwnBook)},
        {"phone book: resetOwnBook", bool(b.resetOwnBook)},
        {"phone book: reader", readerSet(f.Form4->readerLinks())},
        {"missed calls: reader", readerSet(f.Form6->readerLinks())},
        {"missed calls: callAction", bool(f.Form6->callAction)},
        {"missed calls: hangUpAction", bool(f.Form6->hangUpAction)},
        {"sent: clearReSendBox", bool(s.clearReSendBox)},
        {"sent: addReSendLine", bool(s.addReSendLine)},
        {"sent: setReSendIndexes", bool(s.setReSendIndexes)},
        {"sent: setReSendText", bool(s.setReSendText)},
        {"sent: reSend", bool(s.reSend)},
        {"sent: beepWanted", bool(s.beepWanted)},
        {"unread: links", listSet(f.Form7->links)},
        {"all: links", listSet(f.Form8->links)},
        {"date book: beepWanted", bool(f.Form9->beepWanted)},
        {"phone check: beepWanted", bool(f.Form10->beepWanted)},
    };
    for (const auto& l : links) EXPECT_TRUE(l.set) << l.name;
}

}  // namespace
