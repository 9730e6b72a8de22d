// How the main window and the phone check tell the end of an engine run,
// with the real engine in real time: against the simulated phone, and with
// a port that cannot be opened. The main window's launch returns at once;
// the outcome is told when the run ends, a failure in a box, and no band's
// title changes.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "demorun.h"
#include "engine/settingkeys.h"
#include "phonecheck/CheckPhone.h"
#include "platform/cp1251.h"
#include "platform/ini.h"
#include "platform/qtservices.h"
#include "support/widgets.h"

using td::test::child;
using td::test::U;
using td::test::W;

namespace {

class OutcomeEndToEnd : public td::test::DemoRun {
  protected:
    TForm1* main() { return td::forms().Form1; }
    std::string text(QWidget* w, const char* label) {
        return td::toWin(child<QLabel>(w, label)->text());
    }
    int history() { return child<QComboBox>(main(), "cbLatSMSHistory")->count(); }
    void sendLatin() {
        auto* to = child<QComboBox>(main(), "ComboBoxSmsRecepter");
        to->setCurrentIndex(0);
        emit to->activated(0);
        QTest::keyClicks(child<QLineEdit>(main(), "leLatSMSText"), "Are you there?");
        QTest::mouseClick(child<QPushButton>(main(), "bbASCIISendSMS"), Qt::LeftButton);
    }
    void dial() {
        auto* number = child<QComboBox>(main(), "ComboBoxAbonentName");
        number->setCurrentIndex(0);
        emit number->activated(0);
        QTest::mouseClick(child<QPushButton>(main(), "bbCall"), Qt::LeftButton);
    }
    std::string caption() { return td::toWin(main()->windowTitle()); }
    std::string phoneHint() { return td::toWin(child<QLabel>(main(), "Panel2")->toolTip()); }
    void expectTitles() {
        EXPECT_EQ(text(main(), "Panel2"),
                  W("Вызов абонентов через сотовый телефон, подключённый к компьютеру"));
        EXPECT_EQ(text(main(), "Panel4"),
                  W("Отправка формируемых (новых-лат) SMS-сообщений через сотовый телефон, "
                    "подключённый к компьютеру"));
    }
};

TEST_F(OutcomeEndToEnd, SendAndDialEndQuietly) {
    env.dialogs.messages.clear();
    EXPECT_EQ(caption(), "Hi tapdeck v 0.54 / 13.10.2005 -" + td::DownloadNote);
    EXPECT_EQ(phoneHint(), W("Телефон: имитатор телефона"));
    const int before = history();
    sendLatin();
    waitForActions();
    EXPECT_FALSE(env.exists("CellTalk.err")) << U(env.readFile("CellTalk.err"));
    EXPECT_EQ(history(), before + 1);
    dial();
    waitForActions();
    EXPECT_TRUE(env.dialogs.messages.empty());
    expectTitles();
}

// The engine is pointed at a device that is not there.
class MissingPortEndToEnd : public OutcomeEndToEnd {
  protected:
    void beforeForms() override {
        td::IniFile ini(env.path("celltalk.ini"));
        td::writeSetting(ini, td::setting::ComPort, "/nonexistent/ttyACM9");
    }
    const std::string reason = W("не удаётся открыть порт /nonexistent/ttyACM9");
};

TEST_F(MissingPortEndToEnd, SendAndDialTellTheEnginesReason) {
    env.dialogs.messages.clear();
    EXPECT_EQ(phoneHint(), W("Телефон: /nonexistent/ttyACM9"));
    const int before = history();
    sendLatin();
    waitForActions();
    EXPECT_EQ(history(), before);  // not taken for a sent text
    dial();
    waitForActions();
    ASSERT_EQ(env.dialogs.messages.size(), 2u);
    const std::string& sms = env.dialogs.messages[0];
    EXPECT_EQ(sms.rfind(W("- SMS не отправлено: ") + reason, 0), 0u) << U(sms);
    const std::string& call = env.dialogs.messages[1];
    EXPECT_EQ(call.rfind(W("- Номер 89161234567 не набран: ") + reason, 0), 0u) << U(call);
    EXPECT_NE(call.find(reason + ": No such file or directory"), std::string::npos);
    expectTitles();
}

TEST_F(MissingPortEndToEnd, PhoneCheckKeepsItsOldValuesAndSaysWhy) {
    const std::string old =
        "UCS2=Yes\r\nPCCP437=No\r\nUTF8=No\r\nUTF-8=No\r\nTEXTSMS=Yes\r\nPDUSMS=No\r\n"
        "Firm=OLDFIRM\r\nModel=OLD1\r\nIMEI=1\r\nSoft=S1\r\nBattery=50%\r\nSignal=10%\r\n";
    env.writeFile("AutoRun/LastProp.txt", old, false);
    TForm10* check = td::forms().Form10;
    check->show();  // shows the last copy
    ASSERT_EQ(text(check, "lFirmName"), "OLDFIRM");
    QTest::mouseClick(child<QPushButton>(check, "bbCheckPhone"), Qt::LeftButton);
    const std::string status = text(check, "Panel5");
    EXPECT_EQ(status.rfind(W("- CellTalk не выполнил операцию: ") + reason, 0), 0u) << U(status);
    EXPECT_EQ(text(check, "lFirmName"), "OLDFIRM");
    EXPECT_EQ(text(check, "lModelName"), "OLD1");
    EXPECT_EQ(env.readFile("AutoRun/LastProp.txt"), old);  // not saved again under a new date
    check->hide();
}

// The simulated phone has no network service: it refuses every message.
class RefusingPhoneEndToEnd : public OutcomeEndToEnd {
  protected:
    void beforeForms() override {
        env.writeFile("phonesim.state", "[phone]\nnetwork 0\n", false);
        // Numbered errors, as a phone set up for a computer answers.
        td::IniFile ini(env.path("celltalk.ini"));
        ini.writeString("Operations", W("Отправить SMS латиницей"),
                        "at+cmee=1|at+cmgf=1|at+cscs=\"GSM\"|at+csmp=17,167,0,0|!sms");
    }
};

TEST_F(RefusingPhoneEndToEnd, RefusedSmsIsToldAndStaysOutOfTheHistory) {
    env.dialogs.messages.clear();
    const int before = history();
    sendLatin();
    waitForActions();
    const std::string log = env.readFile("AutoRun/LastRun.log");
    const size_t send = log.find("AT+CMGS");
    ASSERT_NE(send, std::string::npos) << U(log);
    EXPECT_NE(log.find("+CMS ERROR: 331", send), std::string::npos) << U(log);  // the phone said no
    EXPECT_TRUE(env.exists("CellTalk.err"));
    EXPECT_EQ(history(), before);
    ASSERT_EQ(env.dialogs.messages.size(), 1u);
    EXPECT_EQ(env.dialogs.messages[0].rfind(W("- SMS не отправлено: "), 0), 0u)
        << U(env.dialogs.messages[0]);
    expectTitles();
}

}  // namespace
