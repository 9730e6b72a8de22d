// Start-up, activation and closing of the main window.

#include <sys/stat.h>

#include "mainfixture.h"
#include "platform/files.h"
#include "support/shown.h"

using namespace tdtest;

TEST_F(MainWindowTest, CaptionBeforeAndAfterTheFirstActivation) {
    writeStandardFiles();
    form = std::make_unique<TForm1>();
    td::forms().Form1 = form.get();
    td::wireForms(td::forms());
    form->FormShow();
    std::string shown = td::toWin(form->windowTitle());
    EXPECT_EQ(shown.rfind("Tapdeck v 0.54 / 13.10.2005 -", 0), 0u) << U(shown);
    td::test::showForUser(form.get());  // the first activation comes with the showing
    ASSERT_TRUE(form->firstActivationDone());
    std::string active = td::toWin(form->windowTitle());
    EXPECT_EQ(active, "Hi tapdeck v 0.54 / 13.10.2005 -" + td::DownloadNote);
    // The phone in use is told on pointing at the call row's title.
    EXPECT_EQ(td::toWin(child<QLabel>(form, "Panel2")->toolTip()),
              W("Телефон: порт телефона не задан"));
    // The note says where the program comes from, and names no web site.
    EXPECT_EQ(td::DownloadNote.find("http"), std::string::npos);
    EXPECT_EQ(td::DownloadNote.find("www"), std::string::npos);
}

TEST_F(MainWindowTest, ExeNameDecidesTheOperationsIniAndTheEnginePointer) {
    struct Case {
        const char* exe;
        const char* operIni;
        const char* progVersion;
        const char* engineModelWhileRunning;
    } cases[] = {
        {"tapdeck", "celltalk.ini", "v 0.54", "other.ini"},
        {"tapdeck.exe", "celltalk.ini", "v 0.54", "other.ini"},
        {"phone2", "phone2.ini", "v 5.4", "phone2.ini"},
        {"phone2.exe", "phone2.ini", "v 5.4", "phone2.ini"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.exe);
        td::resetProg();
        td::prog().StartDir = env.dir;
        td::prog().ExeFileName = c.exe;
        env.writeFile("tapdeck.ini", kOwnIni);
        env.writeFile("celltalk.ini", "[Common]\nModelIni=other.ini\n");
        env.writeFile("phone2.ini", "[AutoRun]\nWaitSec=7\n");
        start();
        EXPECT_EQ(td::prog().OperIniName, c.operIni);
        EXPECT_EQ(td::prog().ProgVersion, c.progVersion);
        EXPECT_EQ(ownIni("Common", "ModelIni"), c.operIni);
        EXPECT_EQ(engineIni("Common", "ModelIni"), c.engineModelWhileRunning);
        EXPECT_TRUE(env.dialogs.messages.empty());
        form->FormClose();
        EXPECT_EQ(engineIni("Common", "ModelIni"), "celltalk.ini");
        form.reset();
    }
}

TEST_F(MainWindowTest, WaitIsHalvedWhileRunningAndRestoredAtClosing) {
    struct Case {
        const char *waitSec, *running, *closed;
    } cases[] = {{"5", "2", "5"},   {"3", "2", "3"},   {"7", "4", "7"},
                 {"10", "5", "10"}, {"abc", "2", "5"}, {"", "2", "5"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.waitSec);
        td::resetProg();
        td::prog().StartDir = env.dir;
        env.writeFile("tapdeck.ini", kOwnIni);
        env.writeFile("celltalk.ini", std::string("[AutoRun]\nWaitSec=") + c.waitSec + "\n");
        start();
        EXPECT_EQ(engineIni("AutoRun", "Wait"), c.running);
        form->FormClose();
        EXPECT_EQ(engineIni("AutoRun", "Wait"), c.closed);
        form.reset();
    }
}

TEST_F(MainWindowTest, ActivationEnsuresOperationsAndRepairsCallAndHangUp) {
    writeStandardFiles();
    start();
    EXPECT_EQ(engineIni("Operations", W("Выполнить_пакет")), "at+cgsn|!bat[");
    EXPECT_EQ(engineIni("Operations", W("Получить_характеристики_телефона")),
              "at+cgsn|!bat\"CheckPhone.bat\"");
    EXPECT_EQ(engineIni("Operations", W("Набрать номер (ввод) и звонить")),
              W("at+ckpd=\"№\"|!dly|at+ckpd=\"s\""));
    EXPECT_EQ(engineIni("Operations", W("Прервать вызов")), "at+ckpd=\"e\"");
    EXPECT_EQ(engineIni("Operations", W("Громче")), "at+ckvu");
    EXPECT_EQ(ownIni("Commands", "GroupDeleteSMS"), "at+cmgd=");
    // The bound names become the hints of the call row.
    EXPECT_EQ(td::toWin(child<QPushButton>(form, "bbCall")->toolTip()),
              W("Набрать номер (ввод) и звонить"));
    EXPECT_EQ(td::toWin(child<QPushButton>(form, "bbHangUp")->toolTip()), W("Прервать вызов"));
    EXPECT_EQ(td::toWin(child<QPushButton>(form, "bbSoundUp")->toolTip()), W("Громче"));
    EXPECT_EQ(td::toWin(child<QPushButton>(form, "bbSoundDown")->toolTip()), W("Тише"));
    // The engine's beep is kept upper-cased and written back so at closing.
    EXPECT_EQ(td::prog().EngineBeep, "YES");
}

TEST_F(MainWindowTest, BoundCallOperationIsNotOverwritten) {
    env.writeFile("tapdeck.ini",
                  "[Functions]\nCallName=Позвонить\nCallCMD=atd№;\nHangUpName=Отбой\n");
    env.writeFile("celltalk.ini", "[Operations]\nПозвонить=atd№;\nОтбой=ath\n");
    start();
    EXPECT_EQ(engineIni("Operations", W("Позвонить")), W("atd№;"));
    EXPECT_EQ(engineIni("Operations", W("Отбой")), "ath");
    EXPECT_EQ(engineIni("Operations", W("Набрать номер (ввод) и звонить")), "<none>");
}

TEST_F(MainWindowTest, HistoriesAreReadOnceAndAtMost21LinesAreSaved) {
    std::string own = kOwnIni;
    own += "[History]\n";
    for (int k = 0; k <= 21; ++k) own += std::to_string(k) + "=lat " + std::to_string(k) + "\n";
    own += "[RusHistory]\n0=привет \"друг\"\n";
    env.writeFile("tapdeck.ini", own);
    env.writeFile("celltalk.ini", kEngineIni);
    start();
    EXPECT_EQ(child<QComboBox>(form, "cbLatSMSHistory")->count(),
              22);  // a hand-made key "21" is read
    EXPECT_EQ(child<QComboBox>(form, "cbRusSMSHistory")->count(), 1);
    for (int i = 0; i < 8; ++i)
        child<QComboBox>(form, "cbLatSMSHistory")->insertItem(0, QString("new %1").arg(i));
    form->FormActivate();  // a re-activation does not read the histories again
    EXPECT_EQ(child<QComboBox>(form, "cbLatSMSHistory")->count(), 30);
    form->FormClose();
    td::IniFile ini(env.path("tapdeck.ini"));
    auto keys = ini.readSectionKeys("History");
    ASSERT_EQ(keys.size(), 21u);
    EXPECT_EQ(ini.readString("History", "0", ""), "new 7");
    EXPECT_EQ(ini.readString("History", "20", ""), "lat 12");
    EXPECT_FALSE(ini.keyExists("History", "21"));
    EXPECT_EQ(ini.readString("RusHistory", "0", ""), W("привет \"друг\""));
}

TEST_F(MainWindowTest, WindowSettingTicksTheBoxAndIsWrittenBackAsNormOrMin) {
    struct Case {
        const char* window;
        bool initialTick, ticked;
        const char* written;
    } cases[] = {{"max", false, true, "Norm"},
                 {"Norm", false, true, "Norm"},
                 {"min", true, false, "Min"},
                 {"odd", true, true, "Norm"},
                 {"odd", false, false, "Min"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.window);
        td::resetProg();
        td::prog().StartDir = env.dir;
        env.writeFile("tapdeck.ini", std::string("[Common]\nWindow=") + c.window + "\n");
        env.writeFile("celltalk.ini", kEngineIni);
        child<QCheckBox>(form2, "CheckBoxWindowCellTalk")->setChecked(c.initialTick);
        start();
        EXPECT_EQ(child<QCheckBox>(form2, "CheckBoxWindowCellTalk")->isChecked(), c.ticked);
        // The engine runs in the program's window mode meanwhile.
        EXPECT_EQ(engineIni("AutoRun", "Window"), c.window);
        form->FormClose();
        EXPECT_EQ(ownIni("Common", "Window"), c.written);
        form.reset();
    }
}

TEST_F(MainWindowTest, BeepSettingTicksTheSettingsBox) {
    env.writeFile("tapdeck.ini", "[Common]\nBeep=yes\n");
    start();
    EXPECT_TRUE(child<QCheckBox>(form2, "CheckBoxBeep")->isChecked());
    env.writeFile("tapdeck.ini", "[Common]\nBeep=no\n");
    form->FormActivate();
    EXPECT_FALSE(child<QCheckBox>(form2, "CheckBoxBeep")->isChecked());
}

TEST_F(MainWindowTest, WithoutCyrillicSendingTheWindowEndsAtItsBandAndStaysSo) {
    env.writeFile("tapdeck.ini", "[Common]\nSendSMSRus=no\n");
    env.writeFile("celltalk.ini", kEngineIni);
    start();
    EXPECT_EQ(child<QLabel>(form, "Panel11")->y(), 352);
    EXPECT_EQ(form->height(), 352);
    EXPECT_EQ(form->designedOuterHeight(), 376);
    EXPECT_EQ(form->width(), TForm1::DesignWidth);
    form->resize(702, 500);
    EXPECT_EQ(form->height(), 352);
    int w = 702, h = 500;
    EXPECT_FALSE(form->FormCanResize(w, h));
}

TEST_F(MainWindowTest, DefaultSizeIsTheDesignedOneAndIsLockedAfterActivation) {
    writeStandardFiles();
    form = std::make_unique<TForm1>();
    int w = 800, h = 600;
    EXPECT_TRUE(form->FormCanResize(w, h));
    form->FormActivate();
    EXPECT_EQ(form->designedOuterHeight(), TForm1::DesignHeight);
    EXPECT_FALSE(form->FormCanResize(w, h));
    form->resize(800, 600);
    EXPECT_EQ(form->size(), QSize(702, 511));
}

TEST_F(MainWindowTest, FeatureSwitchesDisableButtonsForTheWholeRun) {
    struct Case {
        const char* key;
        const char* button;
        void (TForm1::*click)();
    } cases[] = {{"MissCall", "bbMissCall", &TForm1::bbMissCallClick},
                 {"UnReadSMS", "bbUnReadSMS", &TForm1::bbUnReadSMSClick},
                 {"PBookModify", "bbPBookModify", &TForm1::bbPBookModifyClick},
                 {"MemDayBook", "bbMemDayBook", &TForm1::bbMemDayBookClick},
                 {"AllSMS", "bbAllSMS", &TForm1::bbAllSMSClick}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        td::resetProg();
        td::prog().StartDir = env.dir;
        env.writeFile("tapdeck.ini", std::string("[Common]\n") + c.key + "=no\n");
        start();
        QPushButton* b = child<QPushButton>(form, c.button);
        EXPECT_FALSE(b->isEnabled());
        for (const auto& other : cases) {
            if (other.key != c.key) {
                EXPECT_TRUE(child<QPushButton>(form, other.button)->isEnabled()) << other.key;
            }
        }
        size_t shown = modal.shown.size(), messages = env.dialogs.messages.size();
        ((*form).*c.click)();
        EXPECT_EQ(modal.shown.size(), shown);
        EXPECT_EQ(env.dialogs.messages.size(), messages);
        env.writeFile("tapdeck.ini", std::string("[Common]\n") + c.key + "=YES\n");
        form->FormActivate();
        EXPECT_FALSE(b->isEnabled());
        form.reset();
    }
}

TEST_F(MainWindowTest, PhoneBookReadSwitchDisablesTheOwnBookTransferButton) {
    auto* fromMobile = form3->findChild<QWidget*>("bbFromMobile");
    if (!fromMobile) {
        fromMobile = new QPushButton(form3.get());
        fromMobile->setObjectName("bbFromMobile");
    }
    env.writeFile("tapdeck.ini", "[Common]\nPBookRead=No\n");
    start();
    EXPECT_EQ(td::prog().PBookRead, "NO");
    EXPECT_FALSE(fromMobile->isEnabled());
}

TEST_F(MainWindowTest, QuickReadIsOnOnlyForYes) {
    const std::pair<const char*, bool> cases[] = {{"", false},
                                                  {"QuickRead=YES\n", true},
                                                  {"QuickRead=yes\n", true},
                                                  {"QuickRead=NO\n", false},
                                                  {"QuickRead=1\n", false}};
    bool first = true;
    for (const auto& [line, on] : cases) {
        SCOPED_TRACE(line);
        env.writeFile("tapdeck.ini", std::string("[Common]\n") + line);
        td::prog().QuickRead = !on;
        if (first)
            start();
        else
            form->FormActivate();
        first = false;
        EXPECT_EQ(td::prog().QuickRead, on);
    }
}

TEST_F(MainWindowTest, MissingFilesAreReportedAndActivationGoesOn) {
    start();  // neither ini exists
    ASSERT_EQ(env.dialogs.messages.size(), 1u);
    EXPECT_EQ(env.dialogs.messages[0], W("- Файл tapdeck.ini - не найден"));
    EXPECT_TRUE(form->firstActivationDone());
    EXPECT_FALSE(form->satelliteMarker().empty());
    EXPECT_EQ(child<QComboBox>(form, "ComboBoxAbonentName")->count(), 0);

    env.writeFile("tapdeck.ini", kOwnIni);
    form->FormActivate();
    ASSERT_EQ(env.dialogs.messages.size(), 2u);
    EXPECT_EQ(env.dialogs.messages[1], W("- Файл celltalk.ini - не найден"));
    EXPECT_EQ(child<QComboBox>(form, "ComboBoxAbonentName")->count(), 3);
}

TEST_F(MainWindowTest, PhoneBookNamesAndNumbersStayAligned) {
    env.writeFile("tapdeck.ini", "[PhoneBook]\nNobody=\nPetrov=222\nSecond=\nLast=444\n");
    env.writeFile("celltalk.ini", kEngineIni);
    start();
    ASSERT_EQ(child<QComboBox>(form, "ComboBoxAbonentName")->count(), 4);
    EXPECT_EQ(form->abonentNumbers(), (std::vector<std::string>{"", "222", "", "444"}));
    EXPECT_EQ(child<QComboBox>(form, "ComboBoxSmsRecepter")->count(), 4);
    EXPECT_EQ(child<QComboBox>(form, "ComboBoxSmsRecepterRus")->itemText(3), "Last");
    EXPECT_EQ(child<QComboBox>(form, "ComboBoxSmsRecepter")->currentText(), "");
    EXPECT_EQ(child<QComboBox>(form, "ComboBoxAbonentName")->currentText(), "");
    choose(child<QComboBox>(form, "ComboBoxAbonentName"), 3);
    EXPECT_EQ(form->dialNumber(), "444");
    choose(child<QComboBox>(form, "ComboBoxAbonentName"), 0);
    EXPECT_EQ(form->dialNumber(), "");
    form->bbCallClick();
    EXPECT_TRUE(params().empty());
    EXPECT_EQ(env.dialogs.messages.back(), W("- Не задан абонент и/или номер телефона !"));
}

// Each activation after a child window shows the own book as it is on disk,
// whoever changed what; a settings file that keeps its bytes is not rewritten.
TEST_F(MainWindowTest, ActivationShowsTheBookAsOnDiskAndRewritesNothingUnchanged) {
    env.writeFile("tapdeck.ini", "[Common]\nBeep=NO\n[PhoneBook]\nAnn=1\nBob=2\n");
    env.writeFile("celltalk.ini", kEngineIni);
    start();
    const std::string path = env.path("tapdeck.ini");
    struct Step {
        const char* what;
        std::function<void()> change;  // while the child window is open
        std::vector<std::string> names, numbers;
    } steps[] = {
        {"nothing", [] {}, {"Ann", "Bob"}, {"1", "2"}},
        {"another section",
         [&] { td::IniFile(path).writeString("Common", "Beep", "YES"); },
         {"Ann", "Bob"},
         {"1", "2"}},
        {"the book",
         [&] { td::IniFile(path).writeString("PhoneBook", "Eve", "3"); },
         {"Ann", "Bob", "Eve"},
         {"1", "2", "3"}},
        {"another program, same size",
         [&] {
             std::string text = env.readFile("tapdeck.ini");
             text.replace(text.find("Ann=1"), 5, "Ann=9");
             td::files::writeAll(path, text);
         },
         {"Ann", "Bob", "Eve"},
         {"9", "2", "3"}},
        {"the book erased", [&] { td::IniFile(path).eraseSection("PhoneBook"); }, {}, {}},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        modal.during = [&](QWidget*) { s.change(); };
        form->bbSetUpClick();
        for (const char* name :
             {"ComboBoxAbonentName", "ComboBoxSmsRecepter", "ComboBoxSmsRecepterRus"}) {
            auto* box = child<QComboBox>(form.get(), name);
            std::vector<std::string> shown;
            for (int i = 0; i < box->count(); ++i) shown.push_back(td::toWin(box->itemText(i)));
            EXPECT_EQ(shown, s.names) << name;
            EXPECT_EQ(box->currentIndex(), -1) << name;
        }
        EXPECT_EQ(form->abonentNumbers(), s.numbers);
    }
    modal.during = nullptr;
    struct stat before {};
    ::stat(path.c_str(), &before);
    form->bbSetUpClick();
    struct stat after {};
    ::stat(path.c_str(), &after);
    EXPECT_EQ(after.st_ino, before.st_ino) << "tapdeck.ini rewritten";
}

TEST_F(MainWindowTest, CycleBoxesAppearWithTheModelMarker) {
    writeStandardFiles();
    start();
    for (QCheckBox* b : {child<QCheckBox>(form, "CheckBoxCycleResent"),
                         child<QCheckBox>(form, "CheckBoxCycleSendLat"),
                         child<QCheckBox>(form, "CheckBoxCycleSendRus")})
        EXPECT_TRUE(b->isHidden());
    env.writeFile("MotorolaC.350", "");
    form->FormActivate();
    for (QCheckBox* b : {child<QCheckBox>(form, "CheckBoxCycleResent"),
                         child<QCheckBox>(form, "CheckBoxCycleSendLat"),
                         child<QCheckBox>(form, "CheckBoxCycleSendRus")})
        EXPECT_FALSE(b->isHidden());
}

TEST_F(MainWindowTest, MarkersAreRemovedAtClosingAndDestruction) {
    writeStandardFiles();
    env.writeFile("celltalk.run", "");
    start();
    EXPECT_FALSE(env.exists("celltalk.run"));  // left by an earlier run
    std::string marker = form->satelliteMarker();
    ASSERT_FALSE(marker.empty());
    EXPECT_TRUE(td::files::exists(marker));
    env.writeFile("celltalk.run", "");
    form->FormClose();
    EXPECT_FALSE(env.exists("celltalk.run"));
    EXPECT_FALSE(td::files::exists(marker));
    env.writeFile("celltalk.run", "");
    form.reset();  // destruction
    EXPECT_FALSE(env.exists("celltalk.run"));
}

TEST_F(MainWindowTest, MarkerIsCreatedOnlyOnceAndRetriedWhenSlotsAreFull) {
    writeStandardFiles();
    std::string today = td::clock().shortDate(td::clock().now());
    for (int d = 0; d <= 9; ++d) env.writeFile("markers/swapping.fl" + std::to_string(d), today);
    start();
    EXPECT_TRUE(form->satelliteMarker().empty());
    td::files::remove(env.markers + "/swapping.fl4");
    form->FormActivate();
    EXPECT_EQ(td::files::baseName(form->satelliteMarker()), "swapping.fl4");
    form->FormActivate();
    EXPECT_EQ(td::files::baseName(form->satelliteMarker()), "swapping.fl4");
}

TEST_F(MainWindowTest, SatelliteQuestionIsAskedOnceAndYesEndsTheProgram) {
    struct Case {
        bool answer;
        int terminations;
        bool activated;
    } cases[] = {{true, 1, false}, {false, 0, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        td::resetProg();
        td::prog().StartDir = env.dir;
        terminations = 0;
        env.dialogs.questions.clear();
        env.writeFile("tapdeck.ini", kOwnIni);
        env.writeFile("celltalk.ini", "[Common]\nModelIni=other.ini\n");
        std::string today = td::clock().shortDate(td::clock().now());
        env.writeFile("markers/swapping.fl0", today);  // another satellite is running
        env.dialogs.answers.push_back(c.answer);
        start();
        ASSERT_EQ(env.dialogs.questions.size(), 1u);
        EXPECT_EQ(env.dialogs.questions[0].rfind(
                      W("- Может быть активна только одна программа-сателит\r"), 0),
                  0u);
        EXPECT_EQ(terminations, c.terminations);
        EXPECT_EQ(form->firstActivationDone(), c.activated);
        EXPECT_EQ(child<QComboBox>(form, "ComboBoxAbonentName")->count(), c.activated ? 3 : 0);
        if (c.activated) {
            form->FormActivate();  // asked at most once per run
            EXPECT_EQ(env.dialogs.questions.size(), 1u);
        }
        form.reset();
    }
}

TEST_F(MainWindowTest, OwnOperationsIniPointerIsNoSatelliteSign) {
    td::prog().ExeFileName = "phone2";
    env.writeFile("tapdeck.ini", kOwnIni);
    env.writeFile("celltalk.ini", "[Common]\nModelIni=phone2.ini\n");
    env.writeFile("phone2.ini", "[AutoRun]\n");
    std::string today = td::clock().shortDate(td::clock().now());
    env.writeFile("markers/swapping.fl0", today);
    start();
    EXPECT_TRUE(env.dialogs.questions.empty());
    EXPECT_EQ(td::prog().EngineModelIni, "phone2.ini");
}

TEST_F(MainWindowTest, UnreadableSatelliteMarkerCountsAsPresent) {
    env.writeFile("tapdeck.ini", kOwnIni);
    env.writeFile("celltalk.ini", "[Common]\nModelIni=other.ini\n");
    td::files::makeDir(env.markers + "/swapping.fl0");  // exists, but cannot be read as a file
    env.dialogs.answers.push_back(false);
    start();
    EXPECT_EQ(env.dialogs.questions.size(), 1u);
    EXPECT_EQ(terminations, 0);
    EXPECT_TRUE(form->firstActivationDone());
}

TEST_F(MainWindowTest, OwnSatelliteMarkerIsNoSignOfAnotherSatellite) {
    // The engine still points at another front end's operations, but no other
    // front end is running: the marker this program creates at its first
    // activation must not raise the question at the next ones.
    env.writeFile("tapdeck.ini", kOwnIni);
    env.writeFile("celltalk.ini", "[Common]\nModelIni=other.ini\n");
    start();
    ASSERT_FALSE(form->satelliteMarker().empty());
    EXPECT_TRUE(env.dialogs.questions.empty());
    form->FormActivate();
    EXPECT_TRUE(env.dialogs.questions.empty());
    EXPECT_EQ(terminations, 0);
    EXPECT_TRUE(td::files::exists(form->satelliteMarker()));

    // A marker of another front end still counts.
    std::string today = td::clock().shortDate(td::clock().now());
    env.writeFile("markers/swapping.fl5", today);
    env.dialogs.answers.push_back(false);
    form->FormActivate();
    EXPECT_EQ(env.dialogs.questions.size(), 1u);
}
