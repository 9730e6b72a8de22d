// How the main window starts an engine run and tells its end: the launch
// returns at once, and the outcome comes when the run ends. Shown, with
// real clicks, against a fake engine on virtual time.

#include <QTest>
#include <filesystem>

#include "mainfixture.h"
#include "support/shown.h"

using namespace tdtest;

namespace {

const char* const kTitles[] = {"Panel2", "Panel3", "Panel4", "Panel11"};

class ActionOutcomeTest : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        writeStandardFiles();
        begin();
    }
    void TearDown() override {
        form->hide();
        MainWindowTest::TearDown();
    }
    void begin() {
        start();
        td::test::showForUser(form.get());
        designed.clear();
        for (const char* t : kTitles) designed.push_back(title(t));
    }
    // The engine marks its run at its start and ends 300 ms later: with its
    // log, or with the error file holding `reason` (UTF-8). No engine at all
    // for a null reason.
    void engineEnds(const char* reason) {
        if (!reason) {
            env.starter.onStart = nullptr;
            return;
        }
        env.starter.onStart = [this, reason = std::string(reason)](const td::test::StartRecord&) {
            env.writeFile("celltalk.run", "");
            env.pump.after(300, [this, reason] {
                if (reason.empty())
                    env.writeFile("AutoRun/LastRun.log", "ok");
                else
                    env.writeFile("CellTalk.err", reason + "\n");
                std::filesystem::remove(env.path("celltalk.run"));
            });
        };
    }
    void click(const char* button) {
        QTest::mouseClick(child<QPushButton>(form, button), Qt::LeftButton);
    }
    void sendLatin() {
        choose(lat(), 0);
        QTest::keyClicks(child<QLineEdit>(form, "leLatSMSText"), "hello");
        click("bbASCIISendSMS");
    }
    QComboBox* lat() { return child<QComboBox>(form, "ComboBoxSmsRecepter"); }
    int history() { return child<QComboBox>(form, "cbLatSMSHistory")->count(); }
    // A title's text and colour, as the user sees it.
    std::pair<QString, QColor> title(const char* name) {
        QLabel* l = child<QLabel>(form, name);
        return {l->text(), l->palette().color(QPalette::WindowText)};
    }
    void expectTitlesAsDesigned() {
        for (size_t k = 0; k < std::size(kTitles); ++k)
            EXPECT_EQ(title(kTitles[k]), designed[k]) << kTitles[k];
    }
    std::vector<std::pair<QString, QColor>> designed;
};

// The button is free while the engine runs; the busy test is what keeps a
// second launch off, and once the run has ended the next one starts.
TEST_F(ActionOutcomeTest, LaunchReturnsAtOnceAndTheBusyTestGuardsTheNext) {
    engineEnds("");
    choose(child<QComboBox>(form, "ComboBoxAbonentName"), 0);
    const long long before = env.pump.now;
    click("bbCall");
    EXPECT_EQ(env.pump.now, before);  // nothing waited for the engine
    ASSERT_EQ(params().size(), 1u);
    EXPECT_TRUE(form->actionWatched());
    for (const char* b : {"bbCall", "bbHangUp", "bbSoundUp", "bbSoundDown"})
        EXPECT_TRUE(child<QPushButton>(form, b)->isEnabled()) << b;

    click("bbSoundUp");  // the engine still runs
    ASSERT_EQ(env.dialogs.messages.size(), 1u);
    EXPECT_EQ(env.dialogs.messages[0].rfind(W("- Пожалуйста, дождитесь"), 0), 0u);
    EXPECT_EQ(params().size(), 1u);

    env.pump.sleep(1000);
    EXPECT_FALSE(form->actionWatched());
    click("bbSoundUp");
    EXPECT_EQ(params().size(), 2u);
    EXPECT_EQ(env.dialogs.messages.size(), 1u);
}

TEST_F(ActionOutcomeTest, EachRunTellsAFailureWhenItEndsAndLeavesTheTitlesAlone) {
    const std::string fix =
        "\rУ Вас нет прав на этот порт. Добавьте себя в группу устройства (обычно dialout): "
        "sudo usermod -aG dialout $USER, затем выйдите из системы и войдите заново";
    auto dial = [this] {
        choose(child<QComboBox>(form, "ComboBoxAbonentName"), 0);
        click("bbCall");
    };
    struct Case {
        const char* what;
        std::function<void()> act;
        const char* reason;  // UTF-8; "" for a good run, null for no engine
        std::string box;     // UTF-8: the message box at the end, "" none
        int history;         // lines of the Latin history at the end
    } cases[] = {
        {"sent", [this] { sendLatin(); }, "", "", 1},
        {"refused by the phone", [this] { sendLatin(); }, "телефон не принял SMS: +CMS ERROR: 331",
         "- SMS не отправлено: телефон не принял SMS: +CMS ERROR: 331", 0},
        {"port not permitted", [this] { sendLatin(); },
         "не удаётся открыть порт /dev/ttyACM0: Permission denied",
         "- SMS не отправлено: не удаётся открыть порт /dev/ttyACM0: Permission denied" + fix, 0},
        {"no engine", [this] { sendLatin(); }, nullptr,
         "- CellTalk не сообщил, чем закончилась операция", 1},
        {"dialled", dial, "", "", 0},
        {"dial failed", dial, "нет ответа телефона",
         "- Номер 89161234567 не набран: нет ответа телефона", 0},
        {"louder", [this] { click("bbSoundUp"); }, "", "", 0},
        {"re-send failed", [this] { form->reSend("4"); }, "нет сети",
         "- SMS не отправлено: нет сети", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeStandardFiles();
        begin();
        engineEnds(c.reason);
        env.dialogs.messages.clear();
        c.act();
        EXPECT_FALSE(params().empty());
        EXPECT_TRUE(env.dialogs.messages.empty());  // nothing is known yet
        expectTitlesAsDesigned();
        env.pump.sleep(16000);
        const std::vector<std::string> boxes =
            c.box.empty() ? std::vector<std::string>{} : std::vector<std::string>{W(c.box)};
        EXPECT_EQ(env.dialogs.messages, boxes);
        EXPECT_EQ(history(), c.history);
        expectTitlesAsDesigned();
        env.starter.starts.clear();
    }
}

// A failed send leaves the history again, and only its own line goes: what
// the user chose meanwhile stays chosen.
TEST_F(ActionOutcomeTest, FailedSendLeavesTheHistoryWithoutMovingTheChoice) {
    child<QComboBox>(form, "cbLatSMSHistory")->addItems({"old one", "old two"});
    engineEnds("нет сети");
    sendLatin();
    ASSERT_EQ(history(), 3);
    choose(child<QComboBox>(form, "cbLatSMSHistory"), 2);  // "old two"
    env.pump.sleep(1000);
    auto* box = child<QComboBox>(form, "cbLatSMSHistory");
    ASSERT_EQ(history(), 2);
    EXPECT_EQ(box->currentIndex(), 1);
    EXPECT_EQ(box->currentText(), "old two");
}

// A joined message is re-sent part by part in part order, each part when
// the one before has ended; a part that fails ends the re-send there.
TEST_F(ActionOutcomeTest, ReSendOfAJoinedMessageStopsAtAFailedPart) {
    form->links.messageParts = [](const std::string&) {
        return std::vector<std::string>{"6", "7", "4"};
    };
    for (const char* reason : {"", "нет сети"}) {
        SCOPED_TRACE(reason);
        engineEnds(reason);
        env.dialogs.messages.clear();
        env.starter.starts.clear();
        form->reSend("4");
        EXPECT_EQ(params().size(), 1u);
        EXPECT_TRUE(child<QPushButton>(form, "bbReSend")->isEnabled());
        env.pump.sleep(2000);
        const size_t runs = *reason ? 1 : 3;
        ASSERT_EQ(params().size(), runs);
        for (size_t k = 0; k < runs; ++k)
            EXPECT_EQ(params()[k], std::string("oper \"ReSend\" \"") + "674"[k] + "\"");
        EXPECT_EQ(env.dialogs.messages.size(), *reason ? 1u : 0u);
    }
}

// An engine that cannot be started has been told already; the send does
// not go into the history as if sent.
TEST_F(ActionOutcomeTest, EngineThatCannotStartKeepsTheTextOutOfTheHistory) {
    env.starter.result = 2;
    sendLatin();
    env.pump.sleep(16000);
    ASSERT_EQ(env.dialogs.messages.size(), 1u);
    EXPECT_EQ(env.dialogs.messages[0].rfind(W("- Не удаётся запустить celltalk: "), 0), 0u);
    EXPECT_EQ(history(), 0);
    EXPECT_TRUE(child<QPushButton>(form, "bbASCIISendSMS")->isEnabled());
    EXPECT_FALSE(form->actionWatched());
    expectTitlesAsDesigned();
}

}  // namespace
