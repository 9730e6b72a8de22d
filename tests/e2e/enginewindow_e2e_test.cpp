// The engine's window as the program asks for it: the own ini's
// Common/Window (the settings window's "Показывать работу  CellTalk") reaches
// the engine through the operations ini at activation, and a phone book read
// is then shown, line by line, in the engine's window — or not at all.
// The engine writes its window's texts through its test hook
// CELLTALK_WINDOW_DUMP; the platform is Qt's offscreen one.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <filesystem>

#include "app/forms.h"
#include "engine/launcher.h"
#include "engine/settingkeys.h"
#include "engine/settings.h"
#include "main/TapdeckP.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/qtservices.h"
#include "support/fakes.h"
#include "support/qtapp.h"

using td::test::W;

namespace {

struct NoModal : td::ModalRunner {
    int showModal(QWidget*) override { return 0; }
};

void ensureApp() {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    td::test::qtApp();
}

}  // namespace

TEST(EngineWindowEndToEnd, TheProgramsSettingDecidesWhetherTheEngineShowsItsRun) {
    ensureApp();
    struct Case {
        const char* own;  // tapdeck.ini Common/Window
        bool shown;
    } cases[] = {{"Norm", true}, {"Min", false}};
    for (const auto& c : cases) {
        namespace fs = std::filesystem;
        td::test::TestEnv env;
        td::QtEventPump pump;
        td::SystemProcessStarter starter;
        NoModal modal;
        for (const char* f : {"tapdeck.ini", "celltalk.ini"})
            fs::copy_file(fs::path(DEMO_DIR) / f, fs::path(env.dir) / f);
        fs::create_symlink(CELLTALK_BIN, fs::path(env.dir) / "celltalk");
        {
            td::IniFile own(env.path("tapdeck.ini"));
            td::writeSetting(own, td::setting::OwnWindow, c.own);
        }
        const std::string dump = env.path("window.txt");
        ::setenv("CELLTALK_WINDOW_DUMP", dump.c_str(), 1);
        ::setenv("CELLTALK_WINDOW_LINGER_MS", "0", 1);
        td::services().pump = &pump;
        td::services().starter = &starter;
        td::setModalRunner(&modal);
        td::createForms();
        td::forms().Form1->FormShow();
        td::forms().Form1->FormActivate();
        {
            td::IniFile ops(env.path("celltalk.ini"));
            EXPECT_EQ(td::readSetting(ops, td::setting::EngineWindow), c.own);
        }

        td::StartEngine(W("Прочитать телефонную книгу"));
        // The run's end (log in place, marker gone), then the window's close.
        bool ended = false;
        for (int i = 0; i < 400 && !ended; ++i) {
            pump.sleep(25);
            ended = env.exists("AutoRun/LastRun.log") && !env.exists("celltalk.run");
        }
        EXPECT_TRUE(ended) << c.own;
        for (int i = 0; i < 200 && c.shown && !env.exists("window.txt"); ++i) pump.sleep(25);
        pump.sleep(300);  // a window that should not be there has had its time
        EXPECT_FALSE(env.exists("CellTalk.err")) << c.own;
        EXPECT_EQ(env.exists("window.txt"), c.shown) << c.own;
        if (c.shown) {
            std::string shown;
            td::files::readAll(dump, shown);
            EXPECT_NE(shown.find("> at+cpbr=1,100"), std::string::npos) << shown;
            EXPECT_NE(shown.find("< +CPBR: 1,"), std::string::npos) << shown;
            EXPECT_NE(shown.find("Готово"), std::string::npos) << shown;
        }
        td::destroyForms();
        td::setModalRunner(nullptr);
        ::unsetenv("CELLTALK_WINDOW_DUMP");
    }
}
