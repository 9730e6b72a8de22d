// The busy test tells a running engine from the marker of a killed one.

#include "platform/runmarker.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "engine/launcher.h"
#include "engine/settings.h"
#include "platform/files.h"
#include "support/fakes.h"

namespace {

using td::RunMarkerState;
using td::test::TestEnv;

struct MarkerCase {
    const char* name;
    std::function<void(TestEnv&)> make;  // leaves the marker as the case has it
    RunMarkerState state;
    bool busy;  // CellBusy's answer: told and kept, or cleared silently
};

TEST(RunMarker, BusyTestTellsRunningFromLeftOver) {
    const MarkerCase cases[] = {
        {"no marker", [](TestEnv&) {}, RunMarkerState::Absent, false},
        // Being written just now, or made by another program: running.
        {"empty marker", [](TestEnv& e) { e.writeFile("celltalk.run", ""); },
         RunMarkerState::Running, true},
        {"marker without a process id", [](TestEnv& e) { e.writeFile("celltalk.run", "busy\n"); },
         RunMarkerState::Running, true},
        // A process id and nobody holding the lock: its engine is gone.
        {"process id, no lock", [](TestEnv& e) { e.writeFile("celltalk.run", "999999\n"); },
         RunMarkerState::LeftByDeadEngine, false},
        {"own process id, no lock",
         [](TestEnv& e) { e.writeFile("celltalk.run", std::to_string(::getpid()) + "\n"); },
         RunMarkerState::LeftByDeadEngine, false},
        {"folder in its place", [](TestEnv& e) { td::files::makeDir(e.path("celltalk.run")); },
         RunMarkerState::Running, true},
    };
    for (const MarkerCase& c : cases) {
        TestEnv env;
        c.make(env);
        std::string path = td::startPath(td::RunMarkerName);
        EXPECT_EQ(td::runMarkerState(path), c.state) << c.name;
        EXPECT_EQ(td::CellBusy(), c.busy) << c.name;
        EXPECT_EQ(env.dialogs.messages.size(), c.busy ? 1u : 0u) << c.name;
        EXPECT_EQ(env.exists("celltalk.run"), c.busy) << c.name;
    }
}

TEST(RunMarker, HeldMarkerIsBusyAndGoesWithItsRelease) {
    TestEnv env;
    std::string path = td::startPath(td::RunMarkerName);
    td::RunMarkerHold hold(path);
    ASSERT_TRUE(hold.locked());
    EXPECT_EQ(env.readFile("celltalk.run"), std::to_string(::getpid()) + "\r\n");
    EXPECT_TRUE(td::CellBusy());
    EXPECT_TRUE(env.exists("celltalk.run"));
    hold.release();
    EXPECT_FALSE(env.exists("celltalk.run"));
    EXPECT_FALSE(td::CellBusy());
}

// An engine killed outright (no handler runs) leaves its marker; the next
// busy test clears it instead of blocking every action.
TEST(RunMarker, KilledHolderLeavesAMarkerTheBusyTestClears) {
    TestEnv env;
    std::string path = td::startPath(td::RunMarkerName);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t pid = ::fork();
    if (pid == 0) {
        td::RunMarkerHold hold(path);
        char c = hold.locked() ? 'y' : 'n';
        if (::write(ready[1], &c, 1) != 1) ::_exit(1);
        for (;;) ::pause();
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');
    EXPECT_EQ(td::runMarkerState(path), RunMarkerState::Running);
    EXPECT_TRUE(td::CellBusy());
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_TRUE(env.exists("celltalk.run"));
    EXPECT_EQ(td::runMarkerState(path), RunMarkerState::LeftByDeadEngine);
    EXPECT_FALSE(td::CellBusy());
    EXPECT_FALSE(env.exists("celltalk.run"));
    EXPECT_EQ(env.dialogs.messages.size(), 1u);  // only the busy message of the live one
    // A new engine takes the place at once.
    td::RunMarkerHold next(path);
    EXPECT_TRUE(next.locked());
}

}  // namespace
