// How the main window tells the end of each engine run it starts: shown,
// with real clicks, against a fake engine on virtual time.

#include <QTest>

#include "mainfixture.h"

using namespace tdtest;

namespace {

class ActionOutcomeTest : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        writeStandardFiles();
        start();
        form->show();
    }
    void TearDown() override {
        form->hide();
        MainWindowTest::TearDown();
    }
    // The engine ends 300 ms after its start: with its log, or with the
    // error file holding `reason` (UTF-8, stored as Windows-1251).
    void engineEnds(const std::string& reason) {
        env.starter.onStart = [this, reason](const td::test::StartRecord&) {
            env.pump.after(300, [this, reason] {
                if (reason.empty())
                    env.writeFile("AutoRun/LastRun.log", "ok");
                else
                    env.writeFile("CellTalk.err", reason + "\n");
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
};

TEST_F(ActionOutcomeTest, EachRunTellsHowItEnded) {
    const std::string fix =
        "\rУ Вас нет прав на этот порт. Добавьте себя в группу устройства (обычно dialout): "
        "sudo usermod -aG dialout $USER, затем выйдите из системы и войдите заново";
    struct Case {
        const char* what;
        std::function<void()> act;
        const char* reason;  // UTF-8; "" for a good run
        const char* title;   // the band title that tells it
        std::string told;    // UTF-8: the title's text
        std::string box;     // UTF-8: the message box, "" none
        int history;         // lines of the Latin history afterwards
    } cases[] = {
        {"sent", [this] { sendLatin(); }, "", "Panel4", "SMS отправлено", "", 1},
        {"refused by the phone", [this] { sendLatin(); }, "телефон не принял SMS: +CMS ERROR: 331",
         "Panel4", "- SMS не отправлено: телефон не принял SMS: +CMS ERROR: 331",
         "- SMS не отправлено: телефон не принял SMS: +CMS ERROR: 331", 0},
        {"port not permitted", [this] { sendLatin(); },
         "не удаётся открыть порт /dev/ttyACM0: Permission denied", "Panel4",
         "- SMS не отправлено: не удаётся открыть порт /dev/ttyACM0: Permission denied",
         "- SMS не отправлено: не удаётся открыть порт /dev/ttyACM0: Permission denied" + fix, 0},
        {"dialled",
         [this] {
             choose(child<QComboBox>(form, "ComboBoxAbonentName"), 0);
             click("bbCall");
         },
         "", "Panel2", "Набор номера 89161234567", "", 0},
        {"dial failed",
         [this] {
             choose(child<QComboBox>(form, "ComboBoxAbonentName"), 0);
             click("bbCall");
         },
         "нет ответа телефона", "Panel2", "- Номер 89161234567 не набран: нет ответа телефона",
         "- Номер 89161234567 не набран: нет ответа телефона", 0},
        {"louder", [this] { click("bbSoundUp"); }, "", "Panel2", "Выполнено: Громче", "", 0},
        {"re-send failed", [this] { form->reSend("4"); }, "нет сети", "Panel3",
         "- SMS не отправлено: нет сети", "- SMS не отправлено: нет сети", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeStandardFiles();
        start();
        form->show();
        engineEnds(c.reason);
        env.dialogs.messages.clear();
        c.act();
        EXPECT_FALSE(params().empty());
        EXPECT_EQ(child<QLabel>(form, c.title)->text(), Q(c.told.c_str()));
        const std::vector<std::string> boxes =
            c.box.empty() ? std::vector<std::string>{} : std::vector<std::string>{W(c.box)};
        EXPECT_EQ(env.dialogs.messages, boxes);
        EXPECT_EQ(child<QComboBox>(form, "cbLatSMSHistory")->count(), c.history);
        env.starter.starts.clear();
    }
}

// A joined message is re-sent part by part in part order; a part that fails
// ends the re-send there, told once.
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
    ASSERT_EQ(env.dialogs.messages.size(), 1u);
    EXPECT_EQ(env.dialogs.messages[0].rfind(W("- Не удаётся запустить celltalk: "), 0), 0u);
    EXPECT_EQ(child<QLabel>(form, "Panel4")->text(), Q("- SMS не отправлено: CellTalk не запущен"));
    EXPECT_EQ(child<QComboBox>(form, "cbLatSMSHistory")->count(), 0);
    EXPECT_TRUE(child<QPushButton>(form, "bbASCIISendSMS")->isEnabled());
}

}  // namespace
