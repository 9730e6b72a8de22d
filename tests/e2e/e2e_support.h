#pragma once
// What an end-to-end test sets up: a folder with the demo settings and the
// real engine program beside them, real process starts and real waits; only
// the message boxes are scripted and modal display is recorded.

#include <filesystem>

#include "platform/qtservices.h"
#include "platform/services.h"
#include "support/fakes.h"

namespace td::test {

struct NoModal : ModalRunner {
    int showModal(QWidget*) override { return 0; }
};

// The demo's ini files and the engine in env's folder; real pump and
// starter; every question answered Yes.
struct DemoRun {
    TestEnv& env;
    QtEventPump pump;
    SystemProcessStarter starter;
    NoModal modal;

    explicit DemoRun(TestEnv& e) : env(e) {
        namespace fs = std::filesystem;
        for (const char* f : {"tapdeck.ini", "celltalk.ini", "DelSMS.txt"})
            fs::copy_file(fs::path(DEMO_DIR) / f, fs::path(env.dir) / f);
        fs::create_symlink(CELLTALK_BIN, fs::path(env.dir) / "celltalk");
        services().pump = &pump;
        services().starter = &starter;
        env.dialogs.defaultAnswer = true;
        env.dialogs.failOnUnscripted = false;
        setModalRunner(&modal);
    }
    ~DemoRun() { setModalRunner(nullptr); }

    // Waits, with the windows responsive, until the engine run has ended.
    bool waitForEngine() {
        for (int i = 0; i < 300; ++i) {
            pump.sleep(50);
            bool started = env.exists("AutoRun/LastRun.log") || env.exists("CellTalk.err");
            if (started && !env.exists("celltalk.run")) return true;
        }
        return false;
    }
};

}  // namespace td::test
