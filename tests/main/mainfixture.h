#pragma once
// A main window in a temporary start folder, with the settings window and
// the other windows it opens, modal display replaced by a recorder.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <functional>
#include <memory>

#include "app/forms.h"
#include "binding/SelectFromCellTalk.h"
#include "datebook/MemDayBook.h"
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
#include "support/qtapp.h"
#include "support/widgets.h"

namespace tdtest {

// Records every window shown modally and lets a test act while it is "open".
class RecordingModal : public td::ModalRunner {
  public:
    int showModal(QWidget* w) override {
        shown.push_back(w);
        if (during) during(w);
        return 0;
    }
    std::vector<QWidget*> shown;
    std::function<void(QWidget*)> during;
};

// UTF-8 for the widgets and Windows-1251 for the program's values.
inline QString Q(const char* utf8) {
    return QString::fromUtf8(utf8);
}
using td::test::child;
using td::test::U;
using td::test::W;

// Types text into a widget key by key, as the keyboard would.
inline void typeText(QWidget* w, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &release);
    }
}

// Chooses a list entry as the user does.
inline void choose(QComboBox* box, int index) {
    box->setCurrentIndex(index);
    emit box->activated(index);
}

inline const char* kOwnIni =
    "[Common]\n"
    "Window=Min\n"
    "[PhoneBook]\n"
    "Ivanov=89161234567\n"
    "Petrov=89031112233\n"
    "Сидоров=+79160000000\n"
    "[Functions]\n"
    "LatSendSMSName=SendLat\n"
    "RusSendSMSName=Послать русское\n"
    "ReSendSMSName=ReSend\n"
    "SoundUpName=Громче\n"
    "SoundDownName=Тише\n";

inline const char* kEngineIni =
    "[Common]\n"
    "ModelIni=celltalk.ini\n"
    "Beep=yes\n"
    "[AutoRun]\n"
    "Window=Norm\n"
    "WaitSec=5\n"
    "[Operations]\n"
    "Громче=at+ckvu\n";

class MainWindowTest : public ::testing::Test {
  protected:
    td::test::TestEnv env;
    RecordingModal modal;
    std::unique_ptr<TForm2> form2;
    std::unique_ptr<TForm3> form3;
    std::unique_ptr<TForm5> form5;
    std::unique_ptr<TForm6> form6;
    std::unique_ptr<TForm7> form7;
    std::unique_ptr<TForm8> form8;
    std::unique_ptr<TForm9> form9;
    std::unique_ptr<TForm11> form11;
    std::unique_ptr<TForm1> form;

    void SetUp() override {
        td::test::qtApp();
        td::setModalRunner(&modal);
        td::Forms& f = td::forms();
        form2 = std::make_unique<TForm2>();
        form3 = std::make_unique<TForm3>();
        form5 = std::make_unique<TForm5>();
        form6 = std::make_unique<TForm6>();
        form7 = std::make_unique<TForm7>();
        form8 = std::make_unique<TForm8>();
        form9 = std::make_unique<TForm9>();
        form11 = std::make_unique<TForm11>();
        f.Form2 = form2.get();
        f.Form3 = form3.get();
        f.Form5 = form5.get();
        f.Form6 = form6.get();
        f.Form7 = form7.get();
        f.Form8 = form8.get();
        f.Form9 = form9.get();
        f.Form11 = form11.get();
    }

    void TearDown() override {
        form.reset();
        td::forms() = td::Forms{};
        td::setModalRunner(nullptr);
    }

    void writeStandardFiles() {
        env.writeFile("tapdeck.ini", kOwnIni);
        env.writeFile("celltalk.ini", kEngineIni);
    }

    // Creation, first showing and first activation, as at program start.
    void start() {
        form = std::make_unique<TForm1>();
        form->terminateApp = [this] { ++terminations; };
        td::forms().Form1 = form.get();
        td::wireForms(td::forms());
        form->FormShow();
        form->FormActivate();
    }

    // tapdeck.ini with these lines added to [Common] ("LongSms=YES\n"),
    // taken over by an activation.
    void withCommon(const std::string& lines) {
        std::string own = kOwnIni;
        own.replace(own.find("[Common]\n"), 9, "[Common]\n" + lines);
        env.writeFile("tapdeck.ini", own);
        form->FormActivate();
    }

    std::string ownIni(const std::string& section, const std::string& key) {
        return td::IniFile(env.path("tapdeck.ini")).readString(section, key, "<none>");
    }
    std::string engineIni(const std::string& section, const std::string& key,
                          const std::string& file = "celltalk.ini") {
        return td::IniFile(env.path(file)).readString(section, key, "<none>");
    }
    std::vector<std::string> params() const { return env.starter.params(); }

    int terminations = 0;
};

}  // namespace tdtest
