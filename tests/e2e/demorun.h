#pragma once
// The program on the demo settings with the real engine and its simulated
// phone, in real time: a fresh folder holding the demo's inis and a link to
// the engine, the real event pump and process start, every question
// answered Yes, modal display recorded instead of blocking, and all eleven
// windows created, the main window shown and activated.

#include <gtest/gtest.h>

#include <QApplication>
#include <filesystem>
#include <string>
#include <vector>

#include "app/forms.h"
#include "main/TapdeckP.h"
#include "platform/qtservices.h"
#include "support/fakes.h"
#include "support/qtapp.h"

namespace td::test {

struct RecordingModal : ModalRunner {
    std::vector<QWidget*> shown;
    int showModal(QWidget* w) override {
        shown.push_back(w);
        return 0;
    }
};

// Starts the engine for real and keeps the parameter texts.
struct RecordingRealStarter : ProcessStarter {
    SystemProcessStarter real;
    std::vector<std::string> params;
    int open(const std::string& file, const std::string& p, const std::string& dir,
             int show) override {
        params.push_back(p);
        return real.open(file, p, dir, show);
    }
};

class DemoRun : public ::testing::Test {
  protected:
    TestEnv env;
    QtEventPump realPump;
    RecordingRealStarter starter;
    RecordingModal modal;

    void SetUp() override {
        qtApp();
        namespace fs = std::filesystem;
        for (const char* f : {"tapdeck.ini", "celltalk.ini", "DelSMS.txt"})
            fs::copy_file(fs::path(DEMO_DIR) / f, fs::path(env.dir) / f);
        fs::create_symlink(CELLTALK_BIN, fs::path(env.dir) / "celltalk");
        services().pump = &realPump;
        services().starter = &starter;
        env.dialogs.defaultAnswer = true;
        env.dialogs.failOnUnscripted = false;
        setModalRunner(&modal);
        beforeForms();
        createForms();
        forms().Form1->FormShow();
        forms().Form1->FormActivate();
    }
    void TearDown() override {
        if (!starter.params.empty()) waitForEngine();
        destroyForms();
        setModalRunner(nullptr);
    }

    // What a test sets up in the folder before the windows are created.
    virtual void beforeForms() {}

    // Waits, with the windows responsive, until an engine run has ended.
    void waitForEngine() {
        for (int i = 0; i < 300; ++i) {
            realPump.sleep(50);
            bool started = env.exists("AutoRun/LastRun.log") || env.exists("CellTalk.err");
            if (started && !env.exists("celltalk.run")) return;
        }
        ADD_FAILURE() << "the engine did not finish";
    }
    // Waits, with the windows responsive, until the main window has told the
    // end of its action's runs (a re-send of a joined message: every part).
    void waitForActions() {
        for (int i = 0; i < 600 && forms().Form1->actionWatched(); ++i) realPump.sleep(50);
        EXPECT_FALSE(forms().Form1->actionWatched());
    }
};

}  // namespace td::test
