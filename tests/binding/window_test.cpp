// The settings window shown, headless: choosing a function, clicking and
// double-clicking operations, saving, reset, Esc and Enter, the model area.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "binding/SelectFromCellTalk.h"
#include "engine/settings.h"
#include "main/TapdeckP.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/qtservices.h"
#include "support/fakes.h"
#include "support/qtapp.h"
#include "support/widgets.h"

namespace {

using td::test::child;
using td::test::W;

struct RecordingModal : td::ModalRunner {
    std::vector<QWidget*> shown;
    int showModal(QWidget* w) override {
        shown.push_back(w);
        return 0;
    }
};

struct Mess {
    bool found;
    std::string caption, operation;
};

class SettingsWindow : public ::testing::Test {
  protected:
    td::test::TestEnv env;
    RecordingModal modal;
    std::unique_ptr<QWidget> phoneCheck;
    std::unique_ptr<TForm2> w;
    std::vector<Mess> messes;

    void SetUp() override {
        td::test::qtApp();
        td::setModalRunner(&modal);
        env.writeFile("tapdeck.ini", "[Common]\nWindow=Norm\nBeep=NO\n[Functions]\n");
        env.writeFile("celltalk.ini",
                      "[Common]\nBeep=NO\nComment=Motorola C-series\n[AutoRun]\nWindow=Min\n"
                      "[Operations]\nЗвонок=at+ckpd=\"№\"|!dly|at+ckpd=\"s\"\nОтбой=at+ckpd=\"e\"\n"
                      "Пусто=\nГромче=at+ckpd=\"u\"\n");
        env.writeFile("phone2.ini", "[Operations]\n");
        td::Prog& p = td::prog();
        p.CallName = W("Звонок");
        p.HangUpName = W("Старый отбой");
        p.SoundUpName = "";
        p.UnReadSMSName = W("Нет такой");
        p.EngineWindow = "Max";
        w = std::make_unique<TForm2>();
        w->buttonMess = [this](bool found, const std::string& c, const std::string& o) {
            messes.push_back({found, c, o});
        };
        phoneCheck = std::make_unique<QWidget>();
        w->phoneCheck = phoneCheck.get();
        w->show();
    }
    void TearDown() override {
        w.reset();
        phoneCheck.reset();
        td::setModalRunner(nullptr);
    }

    QListWidget* list() { return child<QListWidget>(w, "ListBoxOper"); }
    QPushButton* button(const char* name) { return child<QPushButton>(w, name); }
    void click(QWidget* b) { QTest::mouseClick(b, Qt::LeftButton); }
    void clickRow(int row) {
        QRect r = list()->visualItemRect(list()->item(row));
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, r.center());
    }
    void doubleClickRow(int row) {
        // As the window system delivers it: a click, then the second press.
        QRect r = list()->visualItemRect(list()->item(row));
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, r.center());
        QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, r.center());
    }
    std::string own(const std::string& section, const std::string& key) {
        return td::IniFile(env.path("tapdeck.ini")).readString(section, key, "<none>");
    }
    std::string oper(const std::string& section, const std::string& key) {
        return td::IniFile(env.path("celltalk.ini")).readString(section, key, "<none>");
    }
};

TEST_F(SettingsWindow, OpensWithTheOperationsInFileOrderAndNothingUsable) {
    ASSERT_EQ(list()->count(), 4);
    const char* names[] = {"Звонок", "Отбой", "Пусто", "Громче"};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(td::toWin(list()->item(i)->text()), W(names[i]));
    EXPECT_FALSE(list()->isEnabled());
    EXPECT_FALSE(button("bbReady")->isEnabled());
    // The model area shows the inis but offers nothing.
    auto* inis = child<QComboBox>(w, "ComboBoxIniFile");
    EXPECT_FALSE(inis->isEnabled());
    ASSERT_EQ(inis->count(), 2);  // tapdeck.ini is left out
    EXPECT_EQ(inis->currentText(), "celltalk.ini");
    EXPECT_EQ(child<QLineEdit>(w, "leModelName")->text(), "celltalk");  // 8 characters at most
    EXPECT_EQ(child<QLineEdit>(w, "leModelFullName")->text(), "Motorola C-series");
    for (const char* b : {"bbModelSetCurrent", "bbModelEdit", "bbModelAdd", "bbModelSave",
                          "bbModelReset", "bbModelDelete"})
        EXPECT_FALSE(button(b)->isEnabled()) << b;
    // The fifteen panels stand in their order, the USSD request below them.
    const char* panels[] = {"pCall",       "pHangUp",     "pSoundUp",          "pSoundDown",
                            "pPhoneBook",  "pSentSMS",    "preSendSMS",        "platSendSMS",
                            "prusSendSMS", "pMissCall",   "pUnReadSMS",        "pAllSMS",
                            "pDeleteSMS",  "pMemDayBook", "pMemDayBookUnload", "pUssd"};
    int lastY = -1;
    for (const char* p : panels) {
        EXPECT_GT(button(p)->y(), lastY) << p;
        lastY = button(p)->y();
    }
}

TEST_F(SettingsWindow, ChoosingAFunctionSelectsItsBindingOrExplains) {
    struct Row {
        const char* panel;
        bool found;
        int selected;
        const char* caption;
    } rows[] = {
        {"pCall", true, 0, "Звонить"},
        {"pHangUp", false, 0, "Прервать"},  // not in the list: the selection stays
        {"pSoundUp", false, 0, "Громче"},
    };
    for (const Row& r : rows) {
        messes.clear();
        click(button(r.panel));
        EXPECT_TRUE(list()->isEnabled());
        EXPECT_EQ(list()->currentRow(), r.selected) << r.panel;
        EXPECT_EQ(td::toWin(child<QLabel>(w, "Panel12")->text()), W(r.caption));
        ASSERT_EQ(messes.size(), 1u) << r.panel;
        EXPECT_EQ(messes[0].found, r.found);
        EXPECT_EQ(messes[0].caption, W(r.caption));
    }
    EXPECT_EQ(messes[0].operation, "");  // SoundUp had no binding
    // The unread-SMS function never explains.
    messes.clear();
    click(button("pUnReadSMS"));
    EXPECT_TRUE(messes.empty());
}

TEST_F(SettingsWindow, ClickBindAndWriteInTableOrder) {
    click(button("pHangUp"));
    clickRow(1);
    EXPECT_EQ(td::toWin(list()->toolTip()), "at+ckpd=\"e\"");
    clickRow(0);
    EXPECT_EQ(td::toWin(list()->toolTip()), W("at+ckpd=\"№\"l!dlylat+ckpd=\"s\""));
    clickRow(2);
    EXPECT_EQ(td::toWin(list()->toolTip()), W("Операция пустая !?!"));
    clickRow(1);
    ASSERT_TRUE(button("bbReady")->isEnabled());
    env.dialogs.answers = {false, true};
    click(button("bbReady"));
    EXPECT_EQ(env.dialogs.questions.back(),
              W("Вы действительно хотите для кнопки \"Прервать\"\r заменить операцию \r\r"
                "\"Старый отбой\"\r\r на операцию \r\r\"Отбой\""));
    // No: nothing bound, yet the section is written from the bindings.
    EXPECT_EQ(td::prog().HangUpName, W("Старый отбой"));
    EXPECT_EQ(own("Functions", "HangUpName"), W("Старый отбой"));
    click(button("bbReady"));
    EXPECT_EQ(td::prog().HangUpName, W("Отбой"));
    EXPECT_EQ(own("Functions", "HangUpName"), W("Отбой"));
    EXPECT_EQ(td::toWin(button("pHangUp")->toolTip()), W("Отбой"));
    std::string ini = env.readFile("tapdeck.ini");
    EXPECT_LT(ini.find("CallName="), ini.find("HangUpName="));
    EXPECT_LT(ini.find("MemDayBookName="), ini.find("UnloadMemDayBookName="));
    EXPECT_EQ(ini.find("CallCMD="), std::string::npos);
}

// The USSD request is bound like the buttons: its binding is found in the
// list (or explained), and saving writes the key the USSD window reads.
TEST_F(SettingsWindow, UssdRequestIsBoundLikeTheButtons) {
    click(button("pUssd"));
    ASSERT_EQ(messes.size(), 1u);
    EXPECT_FALSE(messes[0].found);
    EXPECT_EQ(messes[0].operation, W("USSD-запрос"));
    EXPECT_TRUE(list()->isEnabled());
    clickRow(3);
    env.dialogs.answers = {true};
    click(button("bbReady"));
    EXPECT_EQ(own("Functions", "UssdName"), W("Громче"));
    EXPECT_EQ(td::toWin(button("pUssd")->toolTip()), W("Громче"));
    std::string ini = env.readFile("tapdeck.ini");
    EXPECT_LT(ini.find("UnloadMemDayBookName="), ini.find("UssdName="));

    w->hide();
    w->show();  // read again from the own ini: found this time
    messes.clear();
    click(button("pUssd"));
    ASSERT_EQ(messes.size(), 1u);
    EXPECT_TRUE(messes[0].found);
    EXPECT_EQ(list()->currentRow(), 3);
}

TEST_F(SettingsWindow, ABoundFunctionChosenAfterAClickCannotSaveAnEmptyOperation) {
    click(button("pHangUp"));
    clickRow(3);
    ASSERT_TRUE(button("bbReady")->isEnabled());
    click(button("pCall"));  // bound to an operation of the list
    EXPECT_EQ(list()->currentRow(), 0);
    EXPECT_FALSE(button("bbReady")->isEnabled());
    w->bbReadyClick();  // even called directly, nothing is asked or bound
    EXPECT_TRUE(env.dialogs.questions.empty());
    EXPECT_EQ(td::prog().CallName, W("Звонок"));
}

TEST_F(SettingsWindow, KeysMoveTheChoiceAndEnterPressesNothing) {
    click(button("pCall"));
    list()->setFocus();
    QTest::keyClick(list(), Qt::Key_Down);
    EXPECT_EQ(list()->currentRow(), 1);
    EXPECT_TRUE(button("bbReady")->isEnabled());
    EXPECT_EQ(td::toWin(list()->toolTip()), "at+ckpd=\"e\"");
    // No button is the window's default: Enter asks nothing.
    QTest::keyClick(list(), Qt::Key_Return);
    QTest::keyClick(w.get(), Qt::Key_Return);
    EXPECT_TRUE(env.dialogs.questions.empty());
    EXPECT_TRUE(w->isVisible());
}

TEST_F(SettingsWindow, FocusAloneChoosesNoOperation) {
    click(button("pSoundUp"));  // not bound: nothing selected
    QTest::keyClick(button("pSoundUp"), Qt::Key_Tab);
    list()->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(list()->selectedItems().isEmpty());
    EXPECT_FALSE(button("bbReady")->isEnabled());
}

TEST_F(SettingsWindow, SaveWithoutAFunctionIsTold) {
    w->bbReadyClick();
    EXPECT_EQ(env.dialogs.messages, std::vector<std::string>{W("- Вы не выбрали кнопку")});
    EXPECT_FALSE(list()->isEnabled());
}

TEST_F(SettingsWindow, ResetDropsTheChoice) {
    click(button("pHangUp"));
    clickRow(1);
    click(button("bbReset"));
    EXPECT_TRUE(list()->selectedItems().isEmpty());
    EXPECT_EQ(child<QLabel>(w, "Panel12")->text(), "");
    EXPECT_FALSE(list()->isEnabled());
    EXPECT_FALSE(button("bbReady")->isEnabled());
}

TEST_F(SettingsWindow, DoubleClickBindsAndCloses) {
    click(button("pSoundUp"));
    env.dialogs.answers = {true};
    doubleClickRow(3);
    EXPECT_EQ(td::prog().SoundUpName, W("Громче"));
    EXPECT_EQ(own("Functions", "SoundUpName"), W("Громче"));
    EXPECT_FALSE(w->isVisible());
}

TEST_F(SettingsWindow, EscOpensThePhoneCheckAndEveryCloseWritesTheBoxes) {
    struct Row {
        bool show, beep;
        const char *own, *oper, *beepText;
    } rows[] = {
        {false, true, "Min", "Max", "YES"},  // the engine's own mode when not shown
        {true, false, "Norm", "Norm", "NO"},
    };
    for (const Row& r : rows) {
        w->show();
        child<QCheckBox>(w, "CheckBoxWindowCellTalk")->setChecked(r.show);
        child<QCheckBox>(w, "CheckBoxBeep")->setChecked(r.beep);
        modal.shown.clear();
        QTest::keyClick(w.get(), Qt::Key_Escape);
        ASSERT_EQ(modal.shown.size(), 1u);
        EXPECT_EQ(modal.shown[0], phoneCheck.get());
        EXPECT_FALSE(w->isVisible());
        EXPECT_EQ(own("Common", "Window"), r.own);
        EXPECT_EQ(own("Common", "Beep"), r.beepText);
        EXPECT_EQ(oper("AutoRun", "Window"), r.oper);
        EXPECT_EQ(oper("Common", "Beep"), r.beepText);
    }
    // The button does the same.
    w->show();
    modal.shown.clear();
    click(button("bbTestPhone"));
    EXPECT_EQ(modal.shown.size(), 1u);
    EXPECT_FALSE(w->isVisible());
}

TEST_F(SettingsWindow, MissingOperationsIniIsToldTwice) {
    w->hide();
    td::files::remove(env.path("celltalk.ini"));
    env.dialogs.messages.clear();
    w->show();
    EXPECT_EQ(env.dialogs.messages,
              std::vector<std::string>(2, W("- Файл celltalk.ini - не найден")));
    EXPECT_EQ(list()->count(), 4);  // the list keeps what it held
}

TEST(ButtonMess, MainWindowExplainsAMissingBinding) {
    td::test::qtApp();
    td::test::TestEnv env;
    TForm1 f;
    f.ButtonMess(true, W("Звонить"), "x");
    EXPECT_TRUE(env.dialogs.messages.empty());
    f.ButtonMess(false, W("Звонить"), "");
    ASSERT_EQ(env.dialogs.messages.size(), 1u);
    EXPECT_EQ(env.dialogs.messages[0],
              W("- Операция для кнопки \"Звонить\" не найдена в tapdeck.ini\rВыберите операцию из "
                "списка справа\r\rРанее кнопке НЕ была назначена операция"));
}

}  // namespace

namespace {

// `celltalk ports` as the engine lists a phone and a device it may not open.
struct PortsListing : td::test::RecordingStarter {
    std::vector<std::string> asked;
    int code = 0;
    int capture(const std::string& file, const std::string& params, const std::string& dir,
                std::string& output) override {
        asked.push_back(file + " " + params + " " + dir);
        output =
            "/dev/serial/by-id/usb-Motorola_C650-if00 -> /dev/ttyACM0\n"
            "    открывается; отвечает на AT: Motorola C650\n"
            "/dev/ttyUSB0\n"
            "    не открывается: нет прав (группа устройства dialout; sudo usermod -aG dialout "
            "$USER и войти заново)\n"
            "\n"
            "записать порт в celltalk.ini этой папки: celltalk ports --set "
            "/dev/serial/by-id/usb-Motorola_C650-if00\n";
        return code;
    }
};

TEST_F(SettingsWindow, ThePortIsChosenFromWhatTheEngineFinds) {
    PortsListing listing;
    td::services().starter = &listing;
    auto* ports = child<QComboBox>(w, "cbPort");
    auto label = [this] { return td::toWin(child<QLabel>(w, "lPort")->text()); };
    EXPECT_EQ(label(), W("Телефон: порт телефона не задан"));

    click(button("bbFindPort"));
    ports->hidePopup();
    EXPECT_EQ(listing.asked, std::vector<std::string>{"celltalk.exe ports " + env.dir});
    ASSERT_EQ(ports->count(), 3);
    EXPECT_EQ(td::toWin(ports->itemText(1)),
              W("/dev/serial/by-id/usb-Motorola_C650-if00 - открывается; отвечает на AT: "
                "Motorola C650"));
    EXPECT_EQ(td::toWin(ports->itemText(2)).rfind(W("/dev/ttyUSB0 - не открывается: нет прав"), 0),
              0u);

    struct Choice {
        int index;
        const char* port;
        const char* shown;  // UTF-8
    } choices[] = {{1, "/dev/serial/by-id/usb-Motorola_C650-if00",
                    "Телефон: /dev/serial/by-id/usb-Motorola_C650-if00"},
                   {0, "SIM", "Телефон: имитатор телефона"}};
    for (const Choice& c : choices) {
        ports->setCurrentIndex(c.index);
        emit ports->activated(c.index);
        EXPECT_EQ(oper("Common", "ComPort"), c.port);
        EXPECT_EQ(label(), W(c.shown));
    }
    EXPECT_TRUE(env.dialogs.messages.empty());

    // An operations ini with a port of its own wins: the user is told.
    env.writeFile("celltalk.ini", "[Common]\nModelIni=phone2.ini\n[Operations]\n");
    env.writeFile("phone2.ini", "[Common]\nComPort=/dev/ttyUSB1\n[Operations]\n");
    emit ports->activated(1);
    EXPECT_EQ(oper("Common", "ComPort"), "/dev/serial/by-id/usb-Motorola_C650-if00");
    ASSERT_EQ(env.dialogs.messages.size(), 1u);
    EXPECT_NE(env.dialogs.messages[0].find("phone2.ini"), std::string::npos);
    EXPECT_EQ(label(), W("Телефон: /dev/ttyUSB1"));

    // The engine could not be run: said so, the choices stay.
    listing.code = -1;
    click(button("bbFindPort"));
    EXPECT_EQ(env.dialogs.messages.back(),
              W("- Не удаётся запустить CellTalk для поиска телефона"));
    EXPECT_EQ(ports->count(), 3);
}

TEST_F(SettingsWindow, TheStatusReportBoxShowsWithLivePhoneAndSetsTheEngineIni) {
    auto* box = child<QCheckBox>(w, "CheckBoxStatusReport");
    // The phone check button stands beside the boxes, in the middle of them.
    auto belowBeep = [this] {
        QApplication::processEvents();
        return button("bbTestPhone")->geometry().center().y() -
               child<QCheckBox>(w, "CheckBoxBeep")->geometry().center().y();
    };
    EXPECT_LT(std::abs(belowBeep()), 4);
    EXPECT_FALSE(box->isVisible());  // without the switch the window is as it was
    EXPECT_EQ(oper("Common", "StatusReport"), "<none>");

    td::prog().LivePhone = true;
    const struct {
        bool clickIt;
        const char* written;  // "<none>": nothing written
        bool shownTicked;     // after the window is shown again
    } steps[] = {{false, "<none>", false}, {true, "YES", true}, {true, "NO", false}};
    for (const auto& s : steps) {
        w->hide();
        w->show();
        QApplication::processEvents();
        ASSERT_TRUE(box->isVisible());
        if (s.clickIt) click(box);
        EXPECT_EQ(oper("Common", "StatusReport"), s.written);
        w->hide();
        w->show();
        EXPECT_EQ(box->isChecked(), s.shownTicked);
    }
    EXPECT_EQ(oper("Common", "Comment"), "Motorola C-series");  // the rest of the ini kept
    EXPECT_GT(belowBeep(), 6);                                  // beside all four boxes
    td::prog().LivePhone = false;
}

}  // namespace
