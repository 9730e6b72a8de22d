// The USSD window with the real engine and the simulated phone: the balance
// request, the network's follow-up answered from the same window, and a
// request that could break the engine's command refused.

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "demorun.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "support/widgets.h"
#include "ussd/UssdWindow.h"

using td::test::child;
using td::test::W;

namespace {

class UssdEndToEnd : public td::test::DemoRun {
  protected:
    TFormUssd* ussd() { return td::forms().FormUssd; }
    QString answer() { return child<QPlainTextEdit>(ussd(), "MemoAnswer")->toPlainText(); }
};

TEST_F(UssdEndToEnd, BalanceSessionAnsweredFromTheWindow) {
    QTest::mouseClick(child<QPushButton>(td::forms().Form1, "bbUssd"), Qt::LeftButton);
    ASSERT_EQ(modal.shown.size(), 1u);
    EXPECT_EQ(modal.shown[0], ussd());

    ussd()->show();
    auto* reply = child<QPushButton>(ussd(), "bbReply");
    EXPECT_FALSE(reply->isEnabled());
    QTest::mouseClick(child<QPushButton>(ussd(), "bbSend"), Qt::LeftButton);
    EXPECT_EQ(answer(), QString::fromUtf8("Баланс: 123,45 р.\n1 - подробнее"));
    EXPECT_TRUE(reply->isEnabled());
    ASSERT_EQ(starter.params.size(), 1u);
    EXPECT_NE(starter.params[0].find("\"*100#\""), std::string::npos) << starter.params[0];

    auto* box = child<QLineEdit>(ussd(), "leReply");
    QTest::keyClicks(box, "1");
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(answer(), QString::fromUtf8("Баланс: 123,45 р., тариф \"Простой\""));
    EXPECT_FALSE(reply->isEnabled());
    EXPECT_TRUE(box->text().isEmpty());
    EXPECT_EQ(td::toWin(child<QLabel>(ussd(), "PanelStatus")->text()), W("Текущий ответ сети"));
    // TAPDECK_SHOTS=<folder>: a picture for the documentation.
    if (QString dir = qEnvironmentVariable("TAPDECK_SHOTS"); !dir.isEmpty())
        ussd()->grab().save(dir + "/ussd.png");
    EXPECT_EQ(td::fromWin(td::toWin(child<QLabel>(ussd(), "lNote")->text())),
              td::fromWin(W("Ответ сети получен")));

    // The window opens again on the last answer, without the phone.
    ussd()->hide();
    ussd()->show();
    EXPECT_EQ(answer(), QString::fromUtf8("Баланс: 123,45 р., тариф \"Простой\""));
    EXPECT_EQ(starter.params.size(), 2u);
}

TEST_F(UssdEndToEnd, RequestThatWouldBreakTheCommandIsRefused) {
    ussd()->show();
    auto* code = child<QLineEdit>(ussd(), "leCode");
    code->setText("*100\"|at+cmgd=1");
    QTest::keyClick(code, Qt::Key_Return);
    EXPECT_TRUE(starter.params.empty());
    ASSERT_FALSE(env.dialogs.messages.empty());
    EXPECT_NE(env.dialogs.messages.back().find(W("отправить нельзя")), std::string::npos);
}

// A network that answers in the phone's GSM set, its menu over several
// lines inside the quotes: every line reaches the window, the GSM
// alphabet's "$" and "_" as themselves.
class UssdTextAnswer : public UssdEndToEnd {
  protected:
    void beforeForms() override {
        std::string state;
        td::files::readAll(env.path("phonesim.state"), state);
        if (state.empty()) state = "[phone]\n";
        state.insert(state.find('\n') + 1,
                     "quirk ussd-text 1\nussd-balance \"Balance: 12.50 $\\nBonus_day: 3\"\n");
        td::files::writeAll(env.path("phonesim.state"), state);
    }
};

TEST_F(UssdTextAnswer, AMenuOverSeveralLinesIsShownWhole) {
    ussd()->show();
    QTest::mouseClick(child<QPushButton>(ussd(), "bbSend"), Qt::LeftButton);
    const QStringList lines = answer().split('\n');
    ASSERT_EQ(lines.size(), 3) << answer().toStdString();
    EXPECT_EQ(lines[0], "Balance: 12.50 $");
    EXPECT_EQ(lines[1], "Bonus_day: 3");
    EXPECT_TRUE(lines[2].startsWith("1 - ")) << lines[2].toStdString();
}

}  // namespace
