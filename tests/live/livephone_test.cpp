// The live phone in the program: the news lines become notifications named
// from the own book, the resident engine is kept as the settings say, and
// without the switch nothing of it exists.

#include "app/livephone.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "binding/SelectFromCellTalk.h"
#include "engine/settings.h"
#include "live/fakelive.h"
#include "platform/keptprocess.h"
#include "platform/qtservices.h"
#include "support/fakes.h"
#include "support/qtapp.h"
#include "support/widgets.h"

namespace {

using td::test::W;

struct LiveFixture : ::testing::Test {
    td::test::TestEnv env;
    td::test::RecordingNotifier notifier;
    td::test::ScriptedEngine engine;
    td::LivePhone live{notifier, engine};
    int unreadOpened = 0;

    LiveFixture() {
        env.dialogs.failOnUnscripted = false;
        td::prog().LivePhone = true;
        live.openUnread = [this] { ++unreadOpened; };
    }
    void own(const std::string& common) {
        env.writeFile("tapdeck.ini",
                      "[Common]\n" + common + "[PhoneBook]\nАнна=89161234567\nBob=222\n");
    }
    void news(const std::string& utf8Lines) {
        std::ofstream(env.path("AutoRun/Events.log"), std::ios::binary | std::ios::app)
            << W(utf8Lines);
    }
    void tick() { env.pump.sleep(td::LivePhone::PollMs); }
};

TEST_F(LiveFixture, NewsLinesBecomeNotificationsNamedFromTheOwnBook) {
    own("");
    news("t\tsms\t+79161234567\t1\tстарое\r\n");  // before the start: old news
    live.start();
    ASSERT_TRUE(live.following());
    news(
        "t\tsms\t+79161234567\t2\tПривет\r\n"
        "t\tsms\t222\t3\tHi\r\n"
        "t\tsms\t+79035550000\t4\tКто это?\r\n"
        "t\tcall\t8 916 123-45-67\t\t\r\n"
        "t\tcall\t\t\t\r\n"
        "t\tmissed\t+79161234567\t\t\r\n"
        "t\tdelivered\t89161234567\t17\t0\r\n"
        "t\tnot-delivered\t222\t18\t70\r\n"
        "t\tsms\t+7916");  // half written
    tick();
    const struct {
        std::string title, body;
        bool click;
    } want[] = {
        {"SMS: Анна", "Привет", true},
        {"SMS: Bob", "Hi", true},
        {"SMS: +79035550000", "Кто это?", true},
        {"Звонок: Анна", "", false},
        {"Звонок", "", false},
        {"SMS доставлено: Анна", "", false},
        {"SMS не доставлено: Bob", "", false},
    };
    ASSERT_EQ(notifier.shown.size(), std::size(want));
    for (size_t i = 0; i < std::size(want); ++i) {
        SCOPED_TRACE(want[i].title);
        EXPECT_EQ(notifier.shown[i].title, W(want[i].title));
        EXPECT_EQ(notifier.shown[i].body, W(want[i].body));
        EXPECT_EQ(bool(notifier.shown[i].clicked), want[i].click);
    }
    notifier.shown[1].clicked();
    EXPECT_EQ(unreadOpened, 1);
    news("1234567\t5\tещё\r\n");  // the half line ends
    tick();
    ASSERT_EQ(notifier.shown.size(), std::size(want) + 1);
    EXPECT_EQ(notifier.shown.back().title, W("SMS: Анна"));
    EXPECT_TRUE(env.dialogs.messages.empty());
    EXPECT_TRUE(engine.starts.empty());  // the engine is not asked for
}

TEST_F(LiveFixture, TheEngineIsKeptAsTheBoxSaysAndAFailureIsToldOnce) {
    own("ResidentEngine=YES\n");
    live.start();
    EXPECT_EQ(engine.starts, std::vector<std::string>{"serve @ " + env.dir});
    live.setResident(false);
    EXPECT_EQ(engine.stops, 1);
    live.setResident(true);
    ASSERT_EQ(engine.starts.size(), 2u);
    // It ends by itself (port taken, phone unplugged): told once, in its words.
    engine.up = false;
    engine.words = "celltalk serve: порт /dev/ttyACM0 занят";
    for (int i = 0; i < 3; ++i) tick();
    ASSERT_EQ(env.dialogs.messages.size(), 1u);
    EXPECT_NE(env.dialogs.messages[0].find(W("порт /dev/ttyACM0 занят")), std::string::npos);
    EXPECT_EQ(engine.starts.size(), 2u);  // not started again behind the user's back
    // Ticked again, and it cannot start at all: told once more.
    engine.refuse = true;
    live.setResident(true);
    tick();
    EXPECT_EQ(env.dialogs.messages.size(), 2u);
    live.stop();
    EXPECT_EQ(engine.stops, 1);
}

TEST_F(LiveFixture, WithoutTheSwitchNothingIsFollowedOrStarted) {
    td::prog().LivePhone = false;
    own("ResidentEngine=YES\n");
    live.start();
    news("t\tsms\t222\t3\tHi\r\n");
    tick();
    EXPECT_FALSE(live.following());
    EXPECT_TRUE(notifier.shown.empty());
    EXPECT_TRUE(engine.starts.empty());
}

// The settings window's box: shown only with the switch, ticked as the ini
// says, a click starts or ends the engine at once, stored at close.
TEST_F(LiveFixture, SettingsBoxShowsWithTheSwitchAndIsStoredAtClose) {
    td::test::qtApp();
    env.writeFile("celltalk.ini", "[Common]\nBeep=NO\n[Operations]\nA=at\n");
    for (bool on : {false, true}) {
        SCOPED_TRACE(on);
        td::prog().LivePhone = on;
        own("Window=Norm\n");
        const std::string before = env.readFile("tapdeck.ini");
        TForm2 w;
        std::vector<bool> ticks;
        w.residentTicked = [&](bool t) { ticks.push_back(t); };
        w.show();
        auto* box = td::test::child<QCheckBox>(w, "CheckBoxResident");
        EXPECT_EQ(box->isVisible(), on);
        if (on) {  // placed in its row at once, below the other boxes
            EXPECT_GT(box->geometry().top(),
                      td::test::child<QCheckBox>(w, "CheckBoxMultiPhone")->geometry().bottom());
        }
        EXPECT_FALSE(box->isChecked());
        if (on) {
            QTest::mouseClick(box, Qt::LeftButton);
            EXPECT_EQ(ticks, std::vector<bool>{true});
        }
        w.FormClose();
        const std::string after = env.readFile("tapdeck.ini");
        EXPECT_EQ(after.find("ResidentEngine=YES") != std::string::npos, on);
        if (!on) {
            EXPECT_EQ(after.find("ResidentEngine"), std::string::npos) << after;
        }
        if (on) {
            w.hide();
            w.show();  // read back from the ini
            EXPECT_TRUE(box->isChecked());
        }
    }
}

// The README's picture of the settings window with the live phone's box
// (scripts/screenshots.sh sets TAPDECK_SHOTS; skipped otherwise).
TEST(LivePictures, SettingsWindow) {
    const QString dir = qEnvironmentVariable("TAPDECK_SHOTS");
    if (dir.isEmpty()) GTEST_SKIP() << "TAPDECK_SHOTS not set";
    td::test::qtApp();
    td::test::TestEnv env;
    env.dialogs.failOnUnscripted = false;
    for (const char* f : {"tapdeck.ini", "celltalk.ini"})
        std::filesystem::copy_file(std::filesystem::path(DEMO_DIR) / f,
                                   std::filesystem::path(env.dir) / f);
    td::prog().LivePhone = true;
    TForm2 w;
    w.show();
    td::test::child<QCheckBox>(w, "CheckBoxResident")->setChecked(true);
    QApplication::processEvents();
    EXPECT_TRUE(w.grab().save(dir + "/settings-live.png"));
}

// The real child: a start that ends at once gives its last words; a kept
// one ends with SIGTERM.
TEST(KeptProcess, ChildEndsAndIsEnded) {
    td::test::TestEnv env;
    td::ChildProcess p;
    EXPECT_FALSE(p.start("no-such-program-here", "", env.dir));
    ASSERT_TRUE(p.start(CELLTALK_EXE, "serve", env.dir));  // no celltalk.ini: refused
    for (int i = 0; i < 500 && p.running(); ++i) ::usleep(10000);
    EXPECT_FALSE(p.running());
    EXPECT_NE(p.lastWords().find("celltalk serve"), std::string::npos) << p.lastWords();
    ASSERT_TRUE(p.start("sleep", "30", env.dir));
    EXPECT_TRUE(p.running());
    p.stop(2000);
    EXPECT_FALSE(p.running());
}

}  // namespace
