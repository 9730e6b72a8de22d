// Notifications over the session bus, against a stand-in notification
// service on a private bus (the test runs under dbus-run-session): the
// message arrives named from the own book, its click opens the unread
// window, which reads; without a service nothing shows and nothing is asked.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <fstream>

#include "app/forms.h"
#include "app/livephone.h"
#include "engine/settings.h"
#include "live/fakelive.h"
#include "main/TapdeckP.h"
#include "platform/desktopnotifier.h"
#include "platform/keptprocess.h"
#include "platform/qtservices.h"
#include "sms/GetSentSMS.h"
#include "sms/GetUnReadSMS.h"
#include "support/fakes.h"
#include "support/qtapp.h"

namespace {

using td::test::W;

const QString kName = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

}  // namespace

// What the desktop's notification service would be: it records each Notify.
class StandInService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
  public:
    struct Call {
        QString app, title, body;
        QStringList actions;
    };
    std::vector<Call> calls;

  public slots:
    uint Notify(const QString& app, uint, const QString&, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap&, int) {
        calls.push_back({app, summary, body, actions});
        return static_cast<uint>(calls.size() + 100);
    }
};

namespace {

bool waitFor(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) QTest::qWait(10);
    return done();
}

// Shows the window it is given, lets its pending steps run, and closes it.
struct ShowingModal : td::ModalRunner {
    td::test::TestEnv* env = nullptr;
    std::vector<QWidget*> shown;
    std::vector<std::string> startsWhileShown;
    int showModal(QWidget* w) override {
        shown.push_back(w);
        w->show();
        (void)QTest::qWaitForWindowExposed(w, 1000);
        QTest::qWait(50);  // the window's first steps run
        startsWhileShown = env->starter.params();
        w->hide();
        return 0;
    }
};

struct Bus : ::testing::Test {
    td::test::TestEnv env;
    StandInService standIn;
    void SetUp() override {
#ifdef NO_DBUS_RUN_SESSION
        GTEST_SKIP() << "dbus-run-session is not installed (Debian package dbus-daemon)";
#endif
        td::test::qtApp();
        if (!QDBusConnection::sessionBus().isConnected())
            GTEST_SKIP() << "no session bus: run through ctest (dbus-run-session)";
        env.dialogs.failOnUnscripted = false;
    }
    void TearDown() override {
        if (offered_) QDBusConnection::disconnectFromBus("standin");
    }
    // The stand-in takes the service's name on a connection of its own.
    bool offerService() {
        service = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "standin");
        offered_ = true;
        return service.registerObject(kPath, &standIn, QDBusConnection::ExportAllSlots) &&
               service.registerService(kName);
    }
    QDBusConnection service{QString()};

  private:
    bool offered_ = false;
};

TEST_F(Bus, MessageNamedFromTheOwnBookOpensTheUnreadWindowWhichReads) {
    if (!offerService()) GTEST_SKIP() << "a notification service runs on this bus already";

    env.writeFile("tapdeck.ini",
                  "[Common]\nLivePhone=YES\n[Functions]\nUnReadSMSName=Unread\n"
                  "[PhoneBook]\nАнна=89161234567\n");
    env.writeFile("celltalk.ini", "[Operations]\nUnread=at+cmgl=\"REC UNREAD\"\n");
    ShowingModal modal;
    modal.env = &env;
    td::setModalRunner(&modal);
    td::Forms f;
    f.Form1 = new TForm1;
    f.Form5 = new TForm5;
    f.Form7 = new TForm7;
    td::forms() = f;
    td::wireForms(f);
    f.Form1->FormActivate();
    ASSERT_TRUE(td::prog().LivePhone);

    td::DesktopNotifier notifier;
    td::test::ScriptedEngine engine;
    td::LivePhone live(notifier, engine);
    td::wireLivePhone(live, f);
    live.start();
    std::ofstream(env.path("AutoRun/Events.log"), std::ios::binary | std::ios::app)
        << W("2026-12-08 01:00:00\tsms\t+79161234567\t3\tПривет\r\n");
    env.pump.sleep(td::LivePhone::PollMs);
    ASSERT_TRUE(waitFor([&] { return !standIn.calls.empty(); }));
    EXPECT_EQ(standIn.calls[0].app, "Tapdeck");
    EXPECT_EQ(standIn.calls[0].title, QString::fromUtf8("SMS: Анна"));
    EXPECT_EQ(standIn.calls[0].body, QString::fromUtf8("Привет"));
    EXPECT_EQ(standIn.calls[0].actions.value(0), "default");

    // A click on another notification, or another action, opens nothing.
    for (auto [id, action] :
         {std::pair{999u, "default"}, std::pair{101u, "other"}, {101u, "default"}}) {
        QDBusMessage click = QDBusMessage::createSignal(kPath, kName, "ActionInvoked");
        click << id << QString::fromLatin1(action);
        service.send(click);
    }
    env.dialogs.answers = {true};  // the refresh's question: read the phone? Yes
    ASSERT_TRUE(waitFor([&] { return !modal.shown.empty(); }));
    QTest::qWait(50);
    EXPECT_EQ(modal.shown, std::vector<QWidget*>{f.Form7});
    ASSERT_FALSE(modal.startsWhileShown.empty());
    EXPECT_EQ(modal.startsWhileShown.back(), "oper \"Unread\"");
    EXPECT_EQ(env.dialogs.questions.size(), 1u);
    EXPECT_TRUE(env.dialogs.messages.empty());

    td::forms() = td::Forms{};
    delete f.Form7;
    delete f.Form5;
    delete f.Form1;
    td::setModalRunner(nullptr);
}

// The whole way: the simulated phone on a pty, the resident engine the
// program starts, a message on the phone's control file, the notification.
TEST_F(Bus, FromThePhoneThroughTheKeptEngineToTheNotification) {
    if (!offerService()) GTEST_SKIP() << "a notification service runs on this bus already";
    const std::string pty = env.path("pty"), control = env.path("control");
    env.writeFile("control", "");
    env.writeFile("celltalk.ini", "[Common]\nModelIni=celltalk.ini\nComPort=" + pty + "\n");
    env.writeFile("tapdeck.ini",
                  "[Common]\nLivePhone=YES\nResidentEngine=YES\n[PhoneBook]\nАнна=89161234567\n");
    ASSERT_EQ(::symlink(CELLTALK_EXE, env.path("celltalk").c_str()), 0);
    const pid_t sim = ::fork();
    if (sim == 0) {
        ::execl(PHONESIM_EXE, PHONESIM_EXE, "--pty", pty.c_str(), "--control", control.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    td::QtEventPump qtPump;  // real time: the engine and the phone are real
    td::services().pump = &qtPump;
    td::prog().LivePhone = true;
    {
        td::DesktopNotifier notifier;
        td::ChildProcess engine;
        td::LivePhone live(notifier, engine);
        EXPECT_TRUE(waitFor([&] { return QFile::exists(QString::fromStdString(pty)); }));
        live.start();
        EXPECT_TRUE(engine.running());
        EXPECT_TRUE(waitFor([&] { return env.exists("AutoRun/Resident.log"); }, 10000))
            << engine.lastWords();
        std::ofstream(control, std::ios::app) << "sms +79161234567 Привет\n";
        EXPECT_TRUE(waitFor([&] { return !standIn.calls.empty(); }, 10000));
        if (!standIn.calls.empty()) {
            EXPECT_EQ(standIn.calls[0].title, QString::fromUtf8("SMS: Анна"));
            EXPECT_EQ(standIn.calls[0].body, QString::fromUtf8("Привет"));
        }
        live.stop();
        EXPECT_FALSE(engine.running());
        EXPECT_TRUE(env.dialogs.messages.empty());
    }
    ::kill(sim, SIGTERM);
    ::waitpid(sim, nullptr, 0);
}

TEST_F(Bus, WithoutAServiceNothingShowsAndNothingIsAsked) {
    td::DesktopNotifier notifier;
    bool clicked = false;
    notifier.notify(W("SMS: Анна"), W("Привет"), [&] { clicked = true; });
    notifier.notify(W("Звонок"), "", {});
    QTest::qWait(300);  // the bus's refusals come back
    EXPECT_FALSE(clicked);
    EXPECT_TRUE(env.dialogs.messages.empty());
    EXPECT_TRUE(env.dialogs.questions.empty());
}

}  // namespace

#include "dbus_test.moc"
