// The phone check window shown, headless, with a fake engine on virtual
// time: activation, update, abort, last copy, the boxes that cannot change.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "app/forms.h"
#include "binding/SelectFromCellTalk.h"
#include "engine/settings.h"
#include "phonecheck/CheckPhone.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/qtservices.h"
#include "support/fakes.h"
#include "support/qtapp.h"
#include "support/widgets.h"

namespace {

using td::test::child;
using td::test::W;

const char* const kList =
    "[CheckProper]\n0=+CSCS-\"UCS2\"\n1=+CSCS-\"PCCP437\"\n2=+CSCS-\"UTF-8\"\n3=+CMGF-0\n"
    "4=+CMGF-1\n5=+CSCS-\"GSM\"\n6=+CGMI\n7=+CGMM\n8=+CGSN\n9=+CGMR\n10=+CSQ\n11=+CBC\n";

// A log as the engine writes it for the list above (UTF-8 here).
const char* const kLog =
    "at+cgsn\n+CGSN: 351234567890123\nOK\nat+CSCS=\"UCS2\"\nOK\nat+CSCS?\n+CSCS: \"UCS2\"\nOK\n"
    "at+CSCS=\"PCCP437\"\nERROR\nat+CSCS?\n+CSCS: \"UCS2\"\nOK\nat+CSCS=\"UTF-8\"\nOK\n"
    "at+CSCS?\n+CSCS: \"UTF-8\"\nOK\nat+CMGF=0\nOK\nat+CMGF?\n+CMGF: 0\nOK\nat+CMGF=1\nERROR\n"
    "at+CMGF?\n+CMGF: 0\nOK\nat+CSCS=\"GSM\"\nOK\nat+CSCS?\n+CSCS: \"GSM\"\nOK\nat+CGMI\n"
    "+CGMI: Motorola\nOK\nat+CGMM\n+CGMM: C650\nOK\nat+CGSN\n+CGSN: 351234567890123\nOK\n"
    "at+CGMR\n+CGMR: R365_G_0B.D3.08R\nOK\nat+CSQ\n+CSQ: 16,99\nOK\nat+CBC\n+CBC: 1,60\nOK\n";

class CheckWindow : public ::testing::Test {
  protected:
    td::test::TestEnv env;
    std::unique_ptr<TForm10> w;
    bool beep = false;

    void SetUp() override {
        td::test::qtApp();
        env.writeFile("tapdeck.ini", kList);
        w = std::make_unique<TForm10>();
        w->beepWanted = [this] { return beep; };
    }
    void TearDown() override { w.reset(); }

    // The engine: run marker at once, the log after 3 s, done at 5 s.
    void engineWrites(const std::string& logUtf8) {
        env.starter.onStart = [this, logUtf8](const td::test::StartRecord&) {
            env.pump.after(100, [this] { env.writeFile("celltalk.run", ""); });
            env.pump.after(3000,
                           [this, logUtf8] { env.writeFile("AutoRun/LastRun.log", logUtf8); });
            env.pump.after(5000, [this] { td::files::remove(env.path("celltalk.run")); });
        };
    }
    std::string text(const char* label) { return td::toWin(child<QLabel>(w, label)->text()); }
    bool ticked(const char* box) { return child<QCheckBox>(w, box)->isChecked(); }
    std::string report() { return td::toWin(child<QPlainTextEdit>(w, "Memo1")->toPlainText()); }
    QPushButton* update() { return child<QPushButton>(w, "bbCheckPhone"); }
    void click(QWidget* b) { QTest::mouseClick(b, Qt::LeftButton); }
};

TEST_F(CheckWindow, OpensOnItsBatchAndWithoutACopySaysSo) {
    w->show();
    EXPECT_EQ(env.readFile("CheckPhone.bat"),
              "at+CSCS=\"UCS2\"|at+CSCS?|at+CSCS=\"PCCP437\"|at+CSCS?|at+CSCS=\"UTF-8\"|at+CSCS?|"
              "at+CMGF=0|at+CMGF?|at+CMGF=1|at+CMGF?|at+CSCS=\"GSM\"|at+CSCS?|"
              "at+CGMI|at+CGMM|at+CGSN|at+CGMR|at+CSQ|at+CBC\r\n");
    EXPECT_EQ(text("Panel5"), W("- Нет файла копии характеристик телефона - нажмите \"Обновить\""));
    for (const char* l :
         {"lFirmName", "lModelName", "lIMEIValue", "lSoftVersion", "lBatteryValue", "lSignalValue"})
        EXPECT_EQ(text(l), "----") << l;
    EXPECT_TRUE(env.dialogs.messages.empty());
    // The size is fixed from the first activation on.
    EXPECT_EQ(w->minimumSize(), w->maximumSize());
}

TEST_F(CheckWindow, AnIncompleteListIsToldAndNothingRuns) {
    struct Row {
        const char* ini;
        std::vector<std::string> messages;
    } rows[] = {
        {"[CheckProper]\n0=+CGMI\n1=+CGMM\n2=+CGSN\n3=+CGMR\n4=+CSQ\n5=\n6=+CBC\n7=+CBC\n8=+CBC\n"
         "9=+CBC\n10=+CBC\n11=+CBC\n",
         {W("- Исходных данных для проверки недостаточно")}},
        {nullptr, {}},  // no own ini: the window says nothing at activation
    };
    w->show();
    td::files::remove(env.path("CheckPhone.bat"));
    for (const Row& r : rows) {
        env.dialogs.messages.clear();
        td::files::remove(env.path("tapdeck.ini"));
        if (r.ini) env.writeFile("tapdeck.ini", r.ini);
        w->FormActivate();
        EXPECT_EQ(env.dialogs.messages, r.messages);
        EXPECT_FALSE(env.exists("CheckPhone.bat"));
        // An update is refused too, before any question.
        env.dialogs.messages.clear();
        click(update());
        EXPECT_EQ(env.dialogs.messages.size(), 1u);
        EXPECT_TRUE(env.dialogs.questions.empty());
        EXPECT_TRUE(env.starter.starts.empty());
    }
    EXPECT_EQ(env.dialogs.messages[0], W("- Файл tapdeck.ini - не найден"));
}

TEST_F(CheckWindow, UpdateShowsStoresAndReports) {
    w->show();
    engineWrites(kLog);
    env.dialogs.answers = {true};
    click(update());
    ASSERT_EQ(env.starter.params(),
              std::vector<std::string>{W("oper \"Получить_характеристики_телефона\"")});
    EXPECT_EQ(env.dialogs.questions[0],
              W("Вы действительно хотите узнать характеристики Вашего аппарата ?\rЭто займёт "
                "примерно полминуты, на которые Ваш телефон будет занят для внешнего воздействия"));
    EXPECT_EQ(text("Panel5"), W("Текущие характеристики мобильного телефона"));
    EXPECT_EQ(td::toWin(update()->text()), W("Обновить"));
    EXPECT_TRUE(update()->isEnabled());
    EXPECT_EQ(td::toWin(update()->toolTip()), W("Послать команды и проанализировать результат"));
    EXPECT_TRUE(ticked("cbUCS2"));
    EXPECT_FALSE(ticked("cbPCCP437"));  // refused: the query named UCS2 again
    EXPECT_TRUE(ticked("cbUTF_8"));
    EXPECT_FALSE(ticked("cbUTF8"));
    EXPECT_FALSE(ticked("cbTextSMS"));
    EXPECT_TRUE(ticked("cbPDUSMS"));
    EXPECT_EQ(text("lFirmName"), "MOTOROLA");
    EXPECT_EQ(text("lModelName"), "C650");
    EXPECT_EQ(text("lIMEIValue"), "351234567890123");
    EXPECT_EQ(text("lSoftVersion"), "R365_G_0B.D3.08R");
    EXPECT_EQ(text("lBatteryValue"), "60%");
    EXPECT_EQ(text("lSignalValue"), "52%");
    EXPECT_TRUE(child<QLabel>(w, "lBatteryProgress")->isVisible());
    EXPECT_EQ(env.readFile("AutoRun/LastProp.txt"),
              "UCS2=Yes\r\nPCCP437=No\r\nUTF8=No\r\nUTF-8=Yes\r\nTEXTSMS=No\r\nPDUSMS=Yes\r\n"
              "Firm=MOTOROLA\r\nModel=C650\r\nIMEI=351234567890123\r\nSoft=R365_G_0B.D3.08R\r\n"
              "Battery=60%\r\nSignal=52%\r\n");
    EXPECT_EQ(report(),
              W("+++ Результаты проверки ключевых характеристик телефона +++\n"
                "- Вы можете использовать операции CellTalk, в которых указана кодировка UCS2\n"
                "- Вы НЕ можете использовать операции CellTalk, в которых указана кодировка "
                "PCCP437\n"
                "- Вы НЕ можете использовать операции CellTalk, в которых указана кодировка UTF8\n"
                "- Вы можете использовать операции CellTalk, в которых указана кодировка UTF-8\n"
                "- Вы НЕ можете использовать операции CellTalk, в которых указан текстовый формат "
                "SMS (at+cmgf=1)\n"
                "- Вы можете использовать операции CellTalk, в которых указан НЕ текстовый формат "
                "SMS (at+cmgf=0)"));
    EXPECT_FALSE(env.feedback.hourglass);

    // The last copy shows the same, from the file.
    env.clock.setLocal(2025, 12, 5, 10, 30, 0);
    click(child<QPushButton>(w, "bbLastCopy"));
    EXPECT_EQ(text("lFirmName"), "MOTOROLA");
    EXPECT_EQ(text("lSignalValue"), "52%");
    EXPECT_TRUE(ticked("cbUTF_8"));
    EXPECT_EQ(text("Panel5").rfind(W("Последняя копия характеристик телефона от"), 0), 0u);
    EXPECT_EQ(env.starter.starts.size(), 1u);
}

TEST_F(CheckWindow, LaterUpdatesKeepTextsNoLineSets) {
    w->show();
    engineWrites(kLog);
    env.dialogs.answers = {true, true, true};
    click(update());
    // A phone without identity answers and without a signal measurement.
    engineWrites("at+CSCS?\n+CSCS: \"GSM\"\nOK\nat+CSQ\n+CSQ: 99,99\nOK\n");
    click(update());
    EXPECT_EQ(text("lFirmName"), "MOTOROLA");
    EXPECT_EQ(text("lSignalValue"), "");  // not measured: no value, as the note says
    EXPECT_FALSE(ticked("cbUCS2"));       // cleared before the parse
    std::string copy = env.readFile("AutoRun/LastProp.txt");
    EXPECT_NE(copy.find("Firm=MOTOROLA\r\n"), std::string::npos);
    EXPECT_NE(copy.find("Signal=\r\n"), std::string::npos);
    EXPECT_NE(copy.find("UCS2=No\r\n"), std::string::npos);

    // A log of two lines is not read; the copy is written from what is shown.
    engineWrites("+CSCS: \"UCS2\"\n+CGMI: Siemens\n");
    td::files::remove(env.path("AutoRun/LastProp.txt"));
    click(update());
    EXPECT_EQ(text("lFirmName"), "MOTOROLA");
    EXPECT_FALSE(ticked("cbUCS2"));
    EXPECT_NE(env.readFile("AutoRun/LastProp.txt").find("Firm=MOTOROLA\r\n"), std::string::npos);
}

TEST_F(CheckWindow, AbortAtOnceLeavesEverything) {
    env.writeFile("AutoRun/LastProp.txt", "UCS2=Yes\nFirm=Nokia\n");
    w->show();
    const std::string before = report();
    beep = true;
    engineWrites(kLog);
    env.dialogs.answers = {true};
    // The second click comes while the engine still runs: no busy test stops it.
    env.pump.after(1000, [this] {
        EXPECT_EQ(td::toWin(update()->text()), W("Прервать"));
        click(update());
    });
    click(update());
    EXPECT_EQ(text("Panel5"),
              W("- Файл с результатами опроса \"LastRun.log\"не создан программой CellTalk"));
    EXPECT_EQ(text("lFirmName"), "NOKIA");
    EXPECT_EQ(report(), before);
    EXPECT_EQ(env.readFile("AutoRun/LastProp.txt"), "UCS2=Yes\r\nFirm=Nokia\r\n");
    EXPECT_EQ(env.feedback.beeps, 1);
    EXPECT_EQ(td::toWin(update()->text()), W("Обновить"));
}

// Wired among the windows, the check beeps as the settings window's box says
// at the time of the read.
TEST_F(CheckWindow, BeepFollowsTheSettingsBoxThroughTheWiring) {
    TForm2 settings;
    td::Forms forms;
    forms.Form2 = &settings;
    forms.Form10 = w.get();
    td::wireForms(forms);
    w->show();
    for (bool ticked : {true, false, true}) {
        settings.setBeepTicked(ticked);
        env.feedback.beeps = 0;
        env.dialogs.answers = {true};
        click(update());  // no engine answers: nothing read
        EXPECT_EQ(env.feedback.beeps, ticked ? 1 : 0) << ticked;
    }
}

TEST_F(CheckWindow, DecliningChangesNothing) {
    w->show();
    env.dialogs.answers = {false};
    click(update());
    EXPECT_TRUE(env.starter.starts.empty());
    EXPECT_TRUE(update()->isEnabled());
    EXPECT_EQ(td::toWin(update()->text()), W("Обновить"));
    EXPECT_FALSE(w->readFlags().update);
}

TEST_F(CheckWindow, EnterStartsNothingAndEscCloses) {
    w->show();
    update()->setFocus();
    QTest::keyClick(w.get(), Qt::Key_Return);
    EXPECT_TRUE(env.dialogs.questions.empty());
    env.dialogs.answers = {false};
    QTest::keyClick(update(), Qt::Key_Space);  // the focused button is pressed with Space
    EXPECT_EQ(env.dialogs.questions.size(), 1u);
    QTest::keyClick(w.get(), Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
}

TEST_F(CheckWindow, BoxesCannotBeChangedByMouseOrKey) {
    env.writeFile("AutoRun/LastProp.txt", "UCS2=Yes\nPDUSMS=Yes\n");
    w->show();
    for (const char* name : {"cbUCS2", "cbPCCP437", "cbUTF8", "cbUTF_8", "cbTextSMS", "cbPDUSMS"}) {
        auto* b = child<QCheckBox>(w, name);
        const bool was = b->isChecked();
        click(b);
        EXPECT_EQ(b->isChecked(), was) << name;
        b->setFocus();
        QTest::keyClick(b, Qt::Key_Space);
        EXPECT_EQ(b->isChecked(), was) << name;
    }
    EXPECT_TRUE(ticked("cbUCS2"));
    EXPECT_TRUE(ticked("cbPDUSMS"));
}

TEST_F(CheckWindow, LastCopyReadingRules) {
    w->show();
    struct Row {
        const char* copy;
        const char* firm;
        const char* model;
        bool ucs2;
    } rows[] = {
        {"ucs2=yes\nFirm=Motorola\nModel=v3\n", "MOTOROLA", "V3", true},
        {"UCS2=Y\nModel=C650\n", "MOTOROLA", "C650", false},  // firm from the reading before
        {"", "MOTOROLA", "C650", false},                      // an empty copy shows nothing new
    };
    for (const Row& r : rows) {
        env.writeFile("AutoRun/LastProp.txt", r.copy);
        click(child<QPushButton>(w, "bbLastCopy"));
        EXPECT_EQ(text("lFirmName"), r.firm) << r.copy;
        EXPECT_EQ(text("lModelName"), r.model) << r.copy;
        EXPECT_EQ(ticked("cbUCS2"), r.ucs2) << r.copy;
    }
}

}  // namespace
