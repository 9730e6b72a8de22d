// The SMS windows with the real engine and its simulated phone, in real
// time, on the demo settings: every test looks at the phone's own memory
// (its state file) afterwards, not only at the windows.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <map>

#include "app/forms.h"
#include "demorun.h"
#include "engine/settings.h"
#include "main/TapdeckP.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/qtservices.h"
#include "sms/GetAllSMS.h"
#include "sms/GetSentSMS.h"
#include "sms/GetUnReadSMS.h"
#include "support/fakes.h"
#include "support/widgets.h"
#include "widgets/stringgrid.h"

namespace {

using td::test::child;
using td::test::U;
using td::test::W;

struct Stored {
    std::string status, number, text;  // Windows-1251
};

struct SmsEndToEnd : td::test::DemoRun {
    TForm1* f1 = nullptr;

    // The phone's messages, and the names of its phone book as a read of it
    // leaves them.
    void beforeForms() override {
        td::files::writeAll(
            env.path("phonesim.state"),  // UTF-8
            "[sms SM 30]\n"
            "1 \"REC UNREAD\" \"+79161234567\" \"25/06/02,18:05:12+12\" ucs2 \"Привет! Как "
            "дела?\"\n"
            "2 \"REC UNREAD\" \"+12025550123\" \"25/06/03,09:41:00+12\" gsm \"See you at 5pm\"\n"
            "3 \"REC READ\" \"+79031112233\" \"25/05/30,12:00:45+12\" ucs2 \"Встреча в 10\"\n"
            "4 \"REC READ\" \"+79857776655\" \"25/05/29,16:20:03+12\" gsm \"Room 204, \\\"B\\\" "
            "wing\"\n"
            "5 \"STO SENT\" \"+79161234567\" \"\" gsm \"Hi Anna, call me back\"\n"
            "6 \"STO SENT\" \"+79031112233\" \"\" ucs2 \"Хорошо, до завтра}\"\n"
            "7 \"STO UNSENT\" \"+12025550123\" \"\" gsm \"Draft\"\n");
        env.writeFile("AutoRun/LastPBook.txt", "Анна-Мария=+79161234567\nПетя С.=+79031112233\n");
    }
    void SetUp() override {
        DemoRun::SetUp();
        f1 = td::forms().Form1;
    }
    void TearDown() override {
        waitForEngine();
        DemoRun::TearDown();
    }
    // Waits while the engine's marker stands, and a moment more.
    void waitForEngine() {
        for (int i = 0; i < 400 && env.exists("celltalk.run"); ++i) realPump.sleep(50);
        realPump.sleep(100);
    }
    int starts() const { return static_cast<int>(starter.params.size()); }
    // The phone's SMS memory "SM" as its state file holds it.
    std::map<int, Stored> phone() {
        std::vector<std::string> lines;
        td::files::readLines(env.path("phonesim.state"), lines);
        std::map<int, Stored> out;
        bool inSm = false;
        for (const std::string& raw : lines) {
            std::string l = td::utf8ToCp1251(raw);
            if (!l.empty() && l[0] == '[') inSm = l.rfind("[sms SM ", 0) == 0;
            if (!inSm || l.empty() || !isdigit(static_cast<unsigned char>(l[0]))) continue;
            std::vector<std::string> q;  // the quoted fields
            for (size_t a = l.find('"'); a != std::string::npos; a = l.find('"', a + 1)) {
                size_t b = a + 1;
                std::string v;
                for (; b < l.size() && l[b] != '"'; ++b) v += l[b] == '\\' ? l[++b] : l[b];
                q.push_back(v);
                a = b;
            }
            if (q.size() >= 4) out[std::stoi(l)] = {q[0], q[1], q.back()};
        }
        return out;
    }
    template <class Form>
    StringGrid* grid(Form* f, const char* name) {
        return child<StringGrid>(f, name);
    }
    static void clickCell(StringGrid* g, int col, int row) {
        g->scrollTo(g->model()->index(row - 1, col));
        QTest::mouseClick(g->viewport(), Qt::LeftButton, Qt::NoModifier,
                          g->visualRect(g->model()->index(row - 1, col)).center());
    }
    // The grid row showing storage index `index` (0 when none).
    static int rowOf(const std::string& index) {
        const auto& idx = td::forms().Form5->smsReader().rowIndexes();
        for (size_t i = 0; i < idx.size(); ++i)
            if (idx[i] == index) return static_cast<int>(i) + 1;
        return 0;
    }
    static std::string text(QWidget* w) {
        if (auto* b = qobject_cast<QPushButton*>(w)) return td::toWin(b->text());
        return td::toWin(static_cast<QLabel*>(w)->text());
    }
};

TEST_F(SmsEndToEnd, CyrillicSmsIsListedUnderItsNameAndSentAgain) {
    auto* rus = child<QComboBox>(f1, "ComboBoxSmsRecepterRus");
    rus->setCurrentIndex(2);  // Пётр Сидоров, +79031112233
    emit rus->activated(2);
    child<QLineEdit>(f1, "leRusSMSText")->setText(QString::fromUtf8("Привет, Петя! Всё в силе?"));
    f1->bbRUSSendSMSClick();
    waitForEngine();
    int sentIndex = 0;
    for (const auto& [i, m] : phone())
        if (m.text == W("Привет, Петя! Всё в силе?") && m.status == "STO SENT") sentIndex = i;
    ASSERT_NE(sentIndex, 0) << "the phone stored the sent message";

    TForm5* f5 = td::forms().Form5;
    f5->show();
    QTest::mouseClick(child<QPushButton>(f5, "bbGetSentSMS"), Qt::LeftButton);
    StringGrid* g = grid(f5, "StringGridMobileSentSMS");
    int row = rowOf(std::to_string(sentIndex));
    ASSERT_NE(row, 0) << text(child<QLabel>(f5, "Panel3"));
    EXPECT_EQ(g->cell(0, row), W("Петя С.")) << "the name from LastPBook.txt";
    EXPECT_EQ(g->cell(1, row), W("Привет, Петя! Всё в силе?"));

    clickCell(g, 1, row);
    QTest::mouseClick(child<QPushButton>(f5, "bbSentSMSReady"), Qt::LeftButton);
    f1->FormActivate();  // as the main window does when the window has closed
    auto* box = child<QComboBox>(f1, "ComboBoxSMSText");
    EXPECT_EQ(td::toWin(box->itemText(row - 1)), W("Петя С. ==> Привет, Петя! Всё в силе?"));
    box->setCurrentIndex(row - 1);
    emit box->activated(row - 1);
    td::files::remove(env.path("AutoRun/LastRun.log"));
    QTest::mouseClick(child<QPushButton>(f1, "bbReSend"), Qt::LeftButton);
    waitForEngine();
    std::string log = env.readFile("AutoRun/LastRun.log");
    EXPECT_NE(log.find("at+cmss=" + std::to_string(sentIndex)), std::string::npos) << U(log);
    EXPECT_NE(log.find("+CMSS:"), std::string::npos) << "the phone sent it again\n" << U(log);
    EXPECT_EQ(phone()[sentIndex].text, W("Привет, Петя! Всё в силе?")) << "still stored";
}

// A message joined from several stored parts is sent again whole: each part
// by its own re-send, in part order (not storage order).
TEST_F(SmsEndToEnd, ReSendOfAJoinedMessageSendsEveryPartInOrder) {
    td::files::writeAll(env.path("phonesim.state"),
                        "[phone]\nnext-message-ref 20\n[sms SM 30]\n"
                        "4 \"STO SENT\" \"+79031112233\" \"\" gsm \"!\" part 9 3 3 8\n"
                        "5 \"STO SENT\" \"+79161234567\" \"\" gsm \"Hi Anna\"\n"
                        "6 \"STO SENT\" \"+79031112233\" \"\" gsm \"hello \" part 9 3 1 8\n"
                        "7 \"STO SENT\" \"+79031112233\" \"\" gsm \"world\" part 9 3 2 8\n");
    // The sent list with the messages' headers: the parts are known as such.
    td::IniFile ini(env.path("celltalk.ini"));
    ASSERT_TRUE(ini.writeString(
        "Operations", td::prog().SentSMSName,
        "at+cmgf=1|at+csdh=1|at+cscs=\"UCS2\"|at+cpms=\"SM\",\"SM\"|at+cmgl=\"STO SENT\""));
    TForm5* f5 = td::forms().Form5;
    f5->show();
    QTest::mouseClick(child<QPushButton>(f5, "bbGetSentSMS"), Qt::LeftButton);
    StringGrid* g = grid(f5, "StringGridMobileSentSMS");
    int row = rowOf("4");  // the joined message stands where its first listed part does
    ASSERT_NE(row, 0) << U(env.readFile("AutoRun/LastRun.sms"));
    ASSERT_EQ(g->cell(1, row), "hello world!");
    clickCell(g, 1, row);
    const int before = starts();
    QTest::mouseClick(child<QPushButton>(f5, "bbReSend"), Qt::LeftButton);
    waitForActions();  // each part starts when the one before has ended
    EXPECT_EQ(starts(), before + 3);
    std::string state;
    td::files::readAll(env.path("phonesim.state"), state);
    EXPECT_NE(state.find("next-message-ref 23"), std::string::npos) << "three parts sent\n"
                                                                    << state;
    const std::string log = env.readFile("AutoRun/LastRun.log");
    EXPECT_NE(log.find("at+cmss=4\r"), std::string::npos) << "part 3 last\n" << U(log);
    EXPECT_FALSE(env.exists("CellTalk.err")) << U(env.readFile("CellTalk.err"));
}

TEST_F(SmsEndToEnd, ReplyToASenderKnownOnlyFromThePhoneBookCopy) {
    ASSERT_EQ(phone()[1].status, "REC UNREAD");
    TForm7* f7 = td::forms().Form7;
    f7->show();
    QTest::mouseClick(child<QPushButton>(f7, "bbGetUnReadSMS"), Qt::LeftButton);
    StringGrid* g = grid(f7, "StringGridMobileUnReadSMS");
    int row = rowOf("1");
    ASSERT_NE(row, 0) << text(child<QLabel>(f7, "Panel3"));
    EXPECT_EQ(g->cell(0, row), W("Анна-Мария"));
    clickCell(g, 0, row);
    QTest::mouseClick(child<QPushButton>(f7, "bbUnReadSMSReply"), Qt::LeftButton);
    EXPECT_FALSE(f7->isVisible());
    EXPECT_EQ(td::forms().Form1->latRecipients(), "+79161234567");
    EXPECT_EQ(td::forms().Form1->rusRecipients(), "+79161234567");
    f1->FormActivate();
    EXPECT_EQ(td::toWin(child<QComboBox>(f1, "ComboBoxSmsRecepter")->currentText()),
              W("Анна-Мария"));
    EXPECT_EQ(text(child<QLabel>(f1, "lRusSMSPhoneNumber")), "+79161234567");
    // Reading the unread list marked the message read in the phone.
    EXPECT_EQ(phone()[1].status, "REC READ");
}

TEST_F(SmsEndToEnd, GroupDeleteRemovesExactlyTheMarkedMessagesInOneRun) {
    const std::map<int, Stored> before = phone();
    ASSERT_GE(before.size(), 6u);
    TForm8* f8 = td::forms().Form8;
    f8->show();
    QTest::mouseClick(child<QPushButton>(f8, "bbGetAllSMS"), Qt::LeftButton);
    StringGrid* g = grid(f8, "StringGridMobileAllSMS");
    ASSERT_EQ(td::forms().Form5->smsReader().rowIndexes().size(), before.size());
    for (const char* idx : {"2", "6", "4"}) clickCell(g, 3, rowOf(idx));  // "4" is the selected one
    EXPECT_EQ(td::forms().Form5->smsReader().chosen().index, "4");
    int startsBefore = starts();
    QTest::mouseClick(child<QPushButton>(f8, "bbDelGroupSMS"), Qt::LeftButton);
    EXPECT_EQ(starts(), startsBefore + 2)
        << "the list read again just before, then one engine start for every delete";
    EXPECT_NE(env.dialogs.questions.back().find(W("удалить  3  SMS")), std::string::npos);

    std::map<int, Stored> after = phone();
    std::map<int, Stored> expect = before;
    for (int i : {2, 4, 6}) expect.erase(i);
    ASSERT_EQ(after.size(), expect.size());
    for (const auto& [i, m] : expect) {
        ASSERT_TRUE(after.count(i)) << "message " << i << " must stay";
        EXPECT_EQ(after[i].text, m.text);
    }
    // The list on screen is the phone's new list, without marks.
    ASSERT_EQ(td::forms().Form5->smsReader().rowIndexes().size(), after.size());
    int row = 1;
    for (const auto& [i, m] : after) {
        EXPECT_EQ(td::forms().Form5->smsReader().rowIndexes()[row - 1], std::to_string(i));
        EXPECT_EQ(g->cell(1, row), m.text);
        EXPECT_EQ(g->cell(3, row), "");
        ++row;
    }
    EXPECT_EQ(text(child<QLabel>(f8, "lGetRecordCount")), std::to_string(after.size()));
}

TEST_F(SmsEndToEnd, SingleDeleteFromTheSentListRemovesThatMessage) {
    const std::map<int, Stored> before = phone();
    ASSERT_EQ(before.at(5).status, "STO SENT");
    TForm5* f5 = td::forms().Form5;
    f5->show();
    QTest::mouseClick(child<QPushButton>(f5, "bbGetSentSMS"), Qt::LeftButton);
    StringGrid* g = grid(f5, "StringGridMobileSentSMS");
    int row = rowOf("5");
    ASSERT_NE(row, 0);
    clickCell(g, 1, row);
    QTest::mouseClick(child<QPushButton>(f5, "bbDelSentSMS"), Qt::LeftButton);
    std::map<int, Stored> after = phone();
    EXPECT_FALSE(after.count(5));
    EXPECT_EQ(after.size(), before.size() - 1);
    // The sent list read again by the same engine run: message 5 is gone.
    EXPECT_EQ(rowOf("5"), 0);
    EXPECT_EQ(env.readFile("DELSMS.TXT"),
              "at+cmgf=1|at+cscs=\"UCS2\"|at+cpms=\"SM\",\"SM\"|at+cmgl=\"STO SENT\"\r\n");
    for (size_t r = 0; r < td::forms().Form5->smsReader().rowIndexes().size(); ++r)
        EXPECT_EQ(after.at(std::stoi(td::forms().Form5->smsReader().rowIndexes()[r])).status,
                  "STO SENT");
}

}  // namespace
