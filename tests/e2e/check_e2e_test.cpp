// The settings and phone check windows with the real engine and its
// simulated phone, in real time, on the demo settings. Every question is
// answered Yes; modal display is recorded instead of blocking.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "app/forms.h"
#include "binding/SelectFromCellTalk.h"
#include "demorun.h"
#include "engine/settings.h"
#include "main/TapdeckP.h"
#include "phonecheck/CheckPhone.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/qtservices.h"
#include "support/fakes.h"
#include "support/widgets.h"

using td::test::child;
using td::test::U;
using td::test::W;

namespace {

class CheckEndToEnd : public td::test::DemoRun {
  protected:
    TForm1* main() { return td::forms().Form1; }
    TForm2* settings() { return td::forms().Form2; }
    TForm10* check() { return td::forms().Form10; }

    // TAPDECK_SHOTS=<folder>: pictures of the windows as the tests leave
    // them, for the documentation.
    void shot(QWidget* w, const char* file) {
        const QString dir = qEnvironmentVariable("TAPDECK_SHOTS");
        if (!dir.isEmpty()) w->grab().save(dir + "/" + file);
    }
    std::string label(const char* name) { return td::toWin(child<QLabel>(check(), name)->text()); }
    bool ticked(const char* name) { return child<QCheckBox>(check(), name)->isChecked(); }
    std::string ini(const char* file, const char* section, const char* key) {
        return td::IniFile(env.path(file)).readString(section, key, "<none>");
    }
};

TEST_F(CheckEndToEnd, UpdateShowsThePhoneAndTheLastCopyAgrees) {
    check()->show();
    ASSERT_TRUE(env.exists("CheckPhone.bat"));
    QTest::mouseClick(child<QPushButton>(check(), "bbCheckPhone"), Qt::LeftButton);
    EXPECT_FALSE(env.exists("CellTalk.err")) << U(env.readFile("CellTalk.err"));
    EXPECT_EQ(label("Panel5"), W("Текущие характеристики мобильного телефона"));

    struct Value {
        const char* label;
        const char* text;
    } values[] = {{"lFirmName", "MOTOROLA"},         {"lModelName", "C650"},
                  {"lIMEIValue", "351234567890123"}, {"lSoftVersion", "R365_G_0B.D3.08R"},
                  {"lBatteryValue", "85%"},          {"lSignalValue", "68%"}};
    for (const Value& v : values) EXPECT_EQ(label(v.label), v.text) << v.label;
    // What the simulated phone accepts of the demo's list (it was not asked about UTF8).
    for (const char* b : {"cbUCS2", "cbPCCP437", "cbUTF_8", "cbTextSMS", "cbPDUSMS"})
        EXPECT_TRUE(ticked(b)) << b;
    EXPECT_FALSE(ticked("cbUTF8"));
    EXPECT_FALSE(child<QLabel>(check(), "lBatteryProgress")->isVisible());
    shot(check(), "phone-check.png");

    std::vector<std::string> copy;
    ASSERT_TRUE(td::files::readLines(env.path("AutoRun/LastProp.txt"), copy));
    EXPECT_EQ(copy, (std::vector<std::string>{
                        "UCS2=Yes", "PCCP437=Yes", "UTF8=No", "UTF-8=Yes", "TEXTSMS=Yes",
                        "PDUSMS=Yes", "Firm=MOTOROLA", "Model=C650", "IMEI=351234567890123",
                        "Soft=R365_G_0B.D3.08R", "Battery=85%", "Signal=68%"}));

    // The same values from the last copy, in upper case.
    for (const Value& v : values) child<QLabel>(check(), v.label)->clear();
    QTest::mouseClick(child<QPushButton>(check(), "bbLastCopy"), Qt::LeftButton);
    for (const Value& v : values) EXPECT_EQ(label(v.label), v.text) << v.label;
    EXPECT_EQ(label("Panel5").rfind(W("Последняя копия характеристик телефона от"), 0), 0u);
    check()->hide();
}

TEST_F(CheckEndToEnd, CallBoundToAnotherOperationIsDialledWithIt) {
    settings()->show();
    QTest::mouseClick(child<QPushButton>(settings(), "pCall"), Qt::LeftButton);
    auto* list = child<QListWidget>(settings(), "ListBoxOper");
    auto found = list->findItems(td::fromWin(W("Увеличить громкость")), Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(found[0]).center());
    shot(settings(), "settings-window.png");
    QTest::mouseClick(child<QPushButton>(settings(), "bbReady"), Qt::LeftButton);
    QTest::keyClick(settings(), Qt::Key_Escape);  // the cancel button closes the window
    EXPECT_FALSE(settings()->isVisible());
    EXPECT_EQ(ini("tapdeck.ini", "Functions", "CallName"), W("Увеличить громкость"));

    main()->FormActivate();  // as after the settings window closes
    auto* number = child<QComboBox>(main(), "ComboBoxAbonentName");
    number->setCurrentIndex(0);
    emit number->activated(0);
    starter.params.clear();
    main()->bbCallClick();
    waitForEngine();
    ASSERT_EQ(starter.params.size(), 1u);
    EXPECT_EQ(starter.params[0], W("oper \"Увеличить громкость\" \"89161234567\""));
    const std::string log = env.readFile("AutoRun/LastRun.log");
    EXPECT_NE(log.find("at+ckpd=\"u\""), std::string::npos) << U(log);
}

TEST_F(CheckEndToEnd, ClosingWritesTheEngineWindowToBothInis) {
    const std::string engineMode = td::prog().EngineWindow;
    auto* engine = child<QCheckBox>(settings(), "CheckBoxWindowCellTalk");
    struct Row {
        bool show;
        std::string own, oper;
    } rows[] = {{true, "Norm", "Norm"}, {false, "Min", engineMode}};
    for (const Row& r : rows) {
        settings()->show();
        engine->setChecked(r.show);
        QTest::mouseClick(child<QPushButton>(settings(), "bbTestPhone"), Qt::LeftButton);
        EXPECT_FALSE(settings()->isVisible());
        EXPECT_EQ(ini("tapdeck.ini", "Common", "Window"), r.own);
        EXPECT_EQ(ini("celltalk.ini", "AutoRun", "Window"), r.oper);
        EXPECT_EQ(ini("tapdeck.ini", "Common", "Beep"), "NO");
        EXPECT_EQ(ini("celltalk.ini", "Common", "Beep"), "NO");
    }
    EXPECT_EQ(engineMode, "Min");       // what the demo's activation left in force
    EXPECT_EQ(modal.shown.size(), 2u);  // the phone check, once per close
}

}  // namespace
