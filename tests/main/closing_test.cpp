// The closing write-back runs once, whatever ends the program, and nothing
// is written after it.

#include <sys/stat.h>

#include "mainfixture.h"
#include "platform/files.h"

namespace tdtest {
namespace {

// Closed while the missed-calls window is open (its read unwinding, a
// signal, the session's end): the child's return re-runs the activation,
// which must neither read nor write again.
TEST_F(MainWindowTest, NothingIsWrittenAfterTheClosingWriteBack) {
    writeStandardFiles();
    start();
    ASSERT_EQ(engineIni("AutoRun", "Wait"), "2");
    ASSERT_FALSE(form->satelliteMarker().empty());
    std::string marker = form->satelliteMarker();
    std::string ownAfterClose, engineAfterClose;
    modal.during = [&](QWidget* w) {
        if (w != form6.get()) return;
        form->close();
        ownAfterClose = env.readFile("tapdeck.ini");
        engineAfterClose = env.readFile("celltalk.ini");
        // The unwinding read tries to store its last copy.
        EXPECT_FALSE(td::files::writeLines(env.path("AutoRun/MC-LastPBook.txt"), {"x"}));
    };
    child<QPushButton>(form, "bbMissCall")->click();
    ASSERT_EQ(modal.shown.size(), 1u);
    EXPECT_EQ(engineIni("AutoRun", "Wait"), "5");
    EXPECT_EQ(env.readFile("celltalk.ini"), engineAfterClose);
    EXPECT_EQ(env.readFile("tapdeck.ini"), ownAfterClose);
    EXPECT_FALSE(env.exists("AutoRun/MC-LastPBook.txt"));
    EXPECT_FALSE(td::files::exists(marker));
    // Every reader's own abort flag is set: a read waiting anywhere ends.
    EXPECT_TRUE(form6->readFlags().abort);
    EXPECT_TRUE(form5->smsReader().flags().abort);
    EXPECT_TRUE(form9->readFlags().abort);
    // A second close (the session's end after a signal) writes nothing either.
    form->FormClose();
    EXPECT_EQ(env.readFile("celltalk.ini"), engineAfterClose);
    EXPECT_TRUE(env.dialogs.messages.empty());
}

// Every write-back that fails is told in one message at the end.
TEST_F(MainWindowTest, FailedWriteBackIsToldOnce) {
    writeStandardFiles();
    start();
    ::chmod(env.path("tapdeck.ini").c_str(), 0444);
    ::chmod(env.path("celltalk.ini").c_str(), 0444);
    form->FormClose();
    ASSERT_EQ(env.dialogs.messages.size(), 1u);
    const std::string& m = env.dialogs.messages[0];
    EXPECT_NE(m.find(env.path("tapdeck.ini")), std::string::npos);
    EXPECT_NE(m.find(env.path("celltalk.ini")), std::string::npos);
    EXPECT_EQ(m.find(env.path("celltalk.ini")), m.rfind(env.path("celltalk.ini")));  // once each
}

// A read-only operations ini at start: Wait, the window mode and the ensured
// operations all fail, and the user hears of it once.
TEST_F(MainWindowTest, FailedActivationWritesAreToldOnce) {
    writeStandardFiles();
    ::chmod(env.path("celltalk.ini").c_str(), 0444);
    std::string before = env.readFile("celltalk.ini");
    start();
    EXPECT_EQ(env.readFile("celltalk.ini"), before);
    ASSERT_EQ(env.dialogs.messages.size(), 1u);
    EXPECT_NE(env.dialogs.messages[0].find(env.path("celltalk.ini")), std::string::npos);
}

}  // namespace
}  // namespace tdtest
