// Tapdeck with the real engine program and its simulated phone: the demo
// settings, real process starts, real waits. Only the message boxes are
// scripted (every question answered Yes) and modal display is recorded.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>

#include "app/forms.h"
#include "demorun.h"
#include "engine/launcher.h"
#include "engine/settings.h"
#include "main/TapdeckP.h"
#include "phonebook/GetPBook.h"
#include "phonebook/MissCall.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/qtservices.h"
#include "support/fakes.h"
#include "support/widgets.h"
#include "widgets/stringgrid.h"

using td::test::child;
using td::test::U;
using td::test::W;

namespace {

class EndToEnd : public td::test::DemoRun {
  protected:
    TForm1* form1() { return td::forms().Form1; }
    template <class T>
    T* child(QWidget* w, const char* name) {
        T* c = w->findChild<T*>(name);
        if (!c) ADD_FAILURE() << "no widget " << name;
        return c;
    }

    std::string log() { return env.readFile("AutoRun/LastRun.log"); }
    void clearLog() { td::files::remove(env.path("AutoRun/LastRun.log")); }

    // Reads the phone's whole SMS storage through the engine.
    std::string allSms() {
        clearLog();
        td::StartEngine(W("Все SMS"));
        waitForEngine();
        return env.readFile("AutoRun/LastRun.sms");
    }
};

TEST_F(EndToEnd, CallAndHangUpReachThePhone) {
    auto* number = child<QComboBox>(form1(), "ComboBoxAbonentName");
    number->setCurrentIndex(0);  // Иванов Иван
    emit number->activated(0);
    EXPECT_EQ(form1()->dialNumber(), "89161234567");
    form1()->bbCallClick();
    waitForEngine();
    EXPECT_NE(log().find("at+ckpd=\"89161234567\""), std::string::npos) << U(log());
    EXPECT_NE(log().find("at+ckpd=\"s\""), std::string::npos);
    EXPECT_FALSE(env.exists("CellTalk.err")) << U(env.readFile("CellTalk.err"));

    clearLog();
    form1()->bbHangUpClick();
    waitForEngine();
    EXPECT_NE(log().find("at+ckpd=\"e\""), std::string::npos) << U(log());
}

TEST_F(EndToEnd, InternationalCallGoesThroughTheBatchFile) {
    auto* number = child<QComboBox>(form1(), "ComboBoxAbonentName");
    number->setCurrentIndex(1);  // Anna Schmidt, +4930123456
    emit number->activated(1);
    form1()->bbCallClick();
    waitForEngine();
    EXPECT_EQ(env.readFile("@ScriBat.txt"),
              "at+ckpd=\"0\",22|!dly|AT+CKPD=\"4930123456\"|!DLY|AT+CKPD=\"S\"\r\n");
    EXPECT_NE(log().find("AT+CKPD=\"4930123456\""), std::string::npos) << U(log());
    EXPECT_FALSE(env.exists("CellTalk.err")) << U(env.readFile("CellTalk.err"));
}

TEST_F(EndToEnd, LatinAndCyrillicSmsArriveIntact) {
    auto* lat = child<QComboBox>(form1(), "ComboBoxSmsRecepter");
    lat->setCurrentIndex(0);
    emit lat->activated(0);
    child<QLineEdit>(form1(), "leLatSMSText")->setText("Tapdeck says \"hi\"");
    form1()->bbASCIISendSMSClick();
    waitForEngine();
    EXPECT_FALSE(env.exists("CellTalk.err")) << U(env.readFile("CellTalk.err"));

    auto* rus = child<QComboBox>(form1(), "ComboBoxSmsRecepterRus");
    rus->setCurrentIndex(4);  // Мария Кузнецова
    emit rus->activated(4);
    child<QLineEdit>(form1(), "leRusSMSText")
        ->setText(QString::fromUtf8("Привет, Мария! Ёлка готова."));
    form1()->bbRUSSendSMSClick();
    waitForEngine();
    EXPECT_FALSE(env.exists("CellTalk.err")) << U(env.readFile("CellTalk.err"));

    std::string all = allSms();
    EXPECT_NE(all.find("Tapdeck says 'hi'"), std::string::npos) << U(all);
    EXPECT_NE(all.find(W("Привет, Мария! Ёлка готова.")), std::string::npos) << U(all);
    EXPECT_NE(all.find("89057654321"), std::string::npos) << U(all);
}

TEST_F(EndToEnd, LongCyrillicSmsToATypedNumberArrivesWhole) {
    QString text;
    for (int i = 0; text.size() < 180; ++i)
        text += QString::fromUtf8("Часть длинного письма номер %1. ").arg(i);
    auto* rus = child<QComboBox>(form1(), "ComboBoxSmsRecepterRus");
    rus->lineEdit()->setText("8 (926) 700-12-34");
    rus->lineEdit()->setModified(true);  // as typed
    child<QLineEdit>(form1(), "leRusSMSText")->setText(text);
    EXPECT_EQ(child<QLabel>(form1(), "lRusSMSParts")->text().left(6), "3 SMS,");
    form1()->bbRUSSendSMSClick();
    waitForEngine();
    EXPECT_FALSE(env.exists("CellTalk.err")) << U(env.readFile("CellTalk.err"));
    size_t parts = 0;
    for (size_t at = log().find("AT+CMGS="); at != std::string::npos;
         at = log().find("AT+CMGS=", at + 1))
        ++parts;
    EXPECT_EQ(parts, 3u) << U(log());

    // The phone stored three parts; listed with their headers (+CSDH=1) they
    // are one message again.
    ASSERT_TRUE(td::IniFile(env.path("celltalk.ini"))
                    .writeString("Operations", W("SMS с заголовками"),
                                 "at+cmgf=1|at+csdh=1|at+cscs=\"UCS2\"|at+cmgl=\"ALL\""));
    clearLog();
    td::StartEngine(W("SMS с заголовками"));
    waitForEngine();
    std::string all = env.readFile("AutoRun/LastRun.sms");
    EXPECT_NE(all.find("\"89267001234\""), std::string::npos) << U(all);
    EXPECT_NE(all.find(td::toWin(text)), std::string::npos) << U(all);
}

TEST_F(EndToEnd, LongLatinSmsGoesInPartsFromTextMode) {
    auto* lat = child<QComboBox>(form1(), "ComboBoxSmsRecepter");
    lat->setCurrentIndex(0);
    emit lat->activated(0);
    QString text;
    for (int i = 0; text.size() < 200; ++i) text += QString("Part of a long note %1. ").arg(i);
    child<QLineEdit>(form1(), "leLatSMSText")->setText(text);
    form1()->bbASCIISendSMSClick();
    waitForEngine();
    EXPECT_FALSE(env.exists("CellTalk.err")) << U(env.readFile("CellTalk.err"));
    EXPECT_NE(log().find("AT+CMGF=0"), std::string::npos) << U(log());
    EXPECT_EQ(log().find("AT+CMGS=\""), std::string::npos) << "not one text-mode message";
}

TEST_F(EndToEnd, PhoneBookReadFillsTheGridAndTheLastCopy) {
    TForm4* f4 = td::forms().Form4;
    f4->bbGetPBookClick();  // the confirmation is answered Yes; a full read cycle in real time
    ASSERT_TRUE(env.exists("AutoRun/LastPBook.txt"))
        << child<QLabel>(f4, "Panel5")->text().toStdString();
    std::string copy = env.readFile("AutoRun/LastPBook.txt");
    EXPECT_NE(copy.find(W("Анна-Мария=")), std::string::npos) << U(copy);
    int rows = 0;
    for (int r = 1; r < child<StringGrid>(f4, "StringGridMobilePB")->rows() &&
                    !child<StringGrid>(f4, "StringGridMobilePB")->rowEmpty(r);
         ++r)
        ++rows;
    EXPECT_GE(rows, 3);
    EXPECT_EQ(child<QLabel>(f4, "lGetRecordCount")->text().toInt(), rows);
    EXPECT_EQ(td::toWin(child<QPushButton>(f4, "bbGetPBook")->text()), W("Обновить"));
}

}  // namespace

namespace {

TEST_F(EndToEnd, MissedCallsReadThenCallBack) {
    TForm6* f6 = td::forms().Form6;
    f6->bbGetPBookClick();
    ASSERT_TRUE(env.exists("AutoRun/MC-LastPBook.txt"));
    std::string copy = env.readFile("AutoRun/MC-LastPBook.txt");
    ASSERT_FALSE(copy.empty());
    std::string number = copy.substr(copy.find('=') + 1);
    number = number.substr(0, number.find('\r'));

    f6->StringGridMobilePBSelectCell(1, 1);
    clearLog();
    f6->bbMissCallClick();
    waitForEngine();
    EXPECT_EQ(form1()->dialNumber(), number);
    if (number.rfind('+', 0) != 0)
        EXPECT_NE(log().find("at+ckpd=\"" + number + "\""), std::string::npos) << U(log());
    else
        EXPECT_NE(log().find("AT+CKPD=\"" + number.substr(1) + "\""), std::string::npos)
            << U(log());
}

}  // namespace
