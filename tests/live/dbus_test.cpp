// Notifications over the session bus, against a stand-in notification
// service on a private bus (the test runs under dbus-run-session): the
// message arrives named from the own book, its click opens the unread
// window, which reads; without a service nothing shows and nothing is asked.

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QTest>
#include <fstream>

#include "app/forms.h"
#include "app/livephone.h"
#include "engine/settings.h"
#include "live/fakelive.h"
#include "main/TapdeckP.h"
#include "platform/desktopnotifier.h"
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
    void SetUp() override {
#ifdef NO_DBUS_RUN_SESSION
        GTEST_SKIP() << "dbus-run-session is not installed (Debian package dbus-daemon)";
#endif
        td::test::qtApp();
        if (!QDBusConnection::sessionBus().isConnected())
            GTEST_SKIP() << "no session bus: run through ctest (dbus-run-session)";
        env.dialogs.failOnUnscripted = false;
    }
};

TEST_F(Bus, MessageNamedFromTheOwnBookOpensTheUnreadWindowWhichReads) {
    QDBusConnection service = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "standin");
    StandInService standIn;
    ASSERT_TRUE(service.registerObject(kPath, &standIn, QDBusConnection::ExportAllSlots));
    if (!service.registerService(kName))
        GTEST_SKIP() << "a notification service runs on this bus already";

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
    service.unregisterService(kName);
    QDBusConnection::disconnectFromBus("standin");
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
