// The own phone book, phone book and missed calls windows, headless, with a
// fake engine on virtual time.

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/forms.h"
#include "engine/settings.h"
#include "main/TapdeckP.h"
#include "phonebook/GetPBook.h"
#include "phonebook/MissCall.h"
#include "phonebook/TpdPBook.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/qtservices.h"
#include "support/fakes.h"
#include "support/shown.h"
#include "support/widgets.h"
#include "widgets/stringgrid.h"

namespace {

using td::test::child;
using td::test::TestEnv;
using td::test::W;

class QtEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "phonebook_tests";
        static char* argv[] = {name, nullptr};
        app_ = new QApplication(argc, argv);
    }
    void TearDown() override { delete app_; }

  private:
    QApplication* app_ = nullptr;
};
const auto* const kQt = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

// Records modal openings instead of blocking; runs the window's activation
// as showing it would.
struct ScriptedModal : td::ModalRunner {
    std::vector<QWidget*> shown;
    int showModal(QWidget* w) override {
        shown.push_back(w);
        if (auto* f4 = qobject_cast<TForm4*>(w)) f4->FormActivate();
        return 0;
    }
};

struct Windows : ::testing::Test {
    TestEnv env;
    ScriptedModal modal;
    TForm3* f3;
    TForm4* f4;
    TForm6* f6;
    std::vector<std::string> calls;

    Windows() {
        td::setModalRunner(&modal);
        auto& forms = td::forms();
        forms.Form3 = f3 = new TForm3;
        forms.Form4 = f4 = new TForm4;
        forms.Form6 = f6 = new TForm6;
        td::wireForms(forms);
        f6->callAction = [this](const std::string& n) { calls.push_back("call " + n); };
        f6->hangUpAction = [this] { calls.push_back("hang up"); };
        td::prog().PhoneBookName = W("Чтение ТК");
        td::prog().MissCallName = W("Пропущенные");
    }
    ~Windows() override {
        td::forms() = td::Forms{};
        delete f6;
        delete f4;
        delete f3;
        td::setModalRunner(nullptr);
    }
    std::string cell(StringGrid* g, int c, int r) { return g->cell(c, r); }
    std::string text(QLabel* l) { return td::toWin(l->text()); }
    // The engine answers: marker from 0.1 s to 9 s, log and phone book file at 3 s.
    void engineAnswers(const std::string& answerUtf8) {
        env.pump.at(100, [this] { env.writeFile("celltalk.run", ""); });
        env.pump.at(3000, [this, answerUtf8] {
            env.writeFile("AutoRun/LastRun.log", "OK\nOK\nOK\nlog of the run\n");
            env.writeFile("AutoRun/LastRun.pbf", answerUtf8);
        });
        env.pump.at(9000, [this] { td::files::remove(env.path("celltalk.run")); });
    }
};

// ---- own phone book ------------------------------------------------------------

TEST_F(Windows, OwnBookLoadsRowsAtKeyPositions) {
    env.writeFile("tapdeck.ini", "[PhoneBook]\nAnn=111\nEmpty=\nBob=222\n");
    f3->FormActivate();
    StringGrid* g = child<StringGrid>(f3, "StringGridPhoneBook");
    EXPECT_EQ(cell(g, 0, 0), W(" Имя абонента"));
    EXPECT_EQ(cell(g, 1, 0), W(" Номер телефона"));
    EXPECT_EQ(cell(g, 0, 1), "Ann");
    EXPECT_TRUE(g->rowEmpty(2));
    EXPECT_EQ(cell(g, 1, 3), "222");
    EXPECT_EQ(text(child<QLabel>(f3, "lMyCount")), "2");
    EXPECT_EQ(f3->freeRow(), 3);
    EXPECT_EQ(g->rows(), TForm3::DesignRows);
}

TEST_F(Windows, OwnBookCounterFollowsTheSearch) {
    env.writeFile("tapdeck.ini", "[PhoneBook]\nAnn=111\nBob=222\nJoanna=333\n");
    f3->show();
    auto* counter = child<QLabel>(f3, "lMyCount");
    EXPECT_EQ(text(counter), "3");
    QTest::keyClicks(child<QLineEdit>(f3, "leSearch"), "ANN");
    EXPECT_EQ(text(counter), W("2 из 3"));
    f3->FormActivate();  // loaded again, still searched
    EXPECT_EQ(text(counter), W("2 из 3"));
    child<QLineEdit>(f3, "leSearch")->clear();
    EXPECT_EQ(text(counter), "3");
    f3->hide();
}

TEST_F(Windows, OwnBookMissingIniIsReported) {
    f3->FormActivate();
    ASSERT_EQ(env.dialogs.messages.size(), 1u);
    EXPECT_EQ(env.dialogs.messages[0], W("- Файл tapdeck.ini - не найден"));
    EXPECT_EQ(text(child<QLabel>(f3, "lMyCount")), "-");
}

TEST_F(Windows, TypedEqualsBecomesHyphen) {
    env.writeFile("tapdeck.ini", "[PhoneBook]\n");
    f3->show();
    StringGrid* g = child<StringGrid>(f3, "StringGridPhoneBook");
    g->setFocus();
    g->setCurrentCell(0, 0);
    // A key typed straight into the grid opens the editor with that key.
    QTest::keyClick(g, '=');
    auto* editor = g->findChild<QLineEdit*>("GridEditor");
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "-");
    QTest::keyClicks(editor, "A=B");
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();  // the editor commits through a queued call
    EXPECT_EQ(cell(g, 0, 1), "-A-B");
    f3->hide();
}

TEST_F(Windows, OwnBookSaveDuplicatesAndBlanks) {
    env.writeFile("tapdeck.ini", "[PhoneBook]\nAnn=111\n");
    f3->FormActivate();
    StringGrid* g = child<StringGrid>(f3, "StringGridPhoneBook");
    g->setCell(0, 2, "Bob");
    g->setCell(1, 2, "222");
    g->setCell(0, 3, "Ann");  // same name lower down: its number wins
    g->setCell(1, 3, "333");
    g->setCell(0, 4, " ");  // a single blank is empty
    g->setCell(1, 4, "444");
    g->setCell(0, 5, "Nonumber");
    f3->bbSaveClick();
    td::IniFile ini(env.path("tapdeck.ini"));
    auto s = ini.readSection("PhoneBook");
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].second, "333");
    EXPECT_EQ(s[1].first, "Bob");
    // Reloaded: the duplicate and the incomplete rows are gone.
    EXPECT_EQ(cell(g, 0, 1), "Ann");
    EXPECT_EQ(cell(g, 1, 1), "333");
    EXPECT_EQ(cell(g, 0, 2), "Bob");
    EXPECT_TRUE(g->rowEmpty(3));
    EXPECT_TRUE(g->rowEmpty(5));
}

struct DeleteCase {
    const char* name;
    int row;                                                   // selected row
    std::vector<bool> answers;                                 // to the question, if one is asked
    std::string question;                                      // UTF-8; empty: none asked
    std::string message;                                       // UTF-8; empty: none shown
    std::vector<std::pair<std::string, std::string>> section;  // PhoneBook afterwards
};

TEST_F(Windows, DeleteAsksAndSavesOtherEdits) {
    using Section = std::vector<std::pair<std::string, std::string>>;
    const DeleteCase cases[] = {
        {"nothing selected",
         0,
         {},
         "",
         "- Ничего не выбрано",
         Section{{"Ann", "111"}, {"Bob", "222"}}},
        {"declined",
         1,
         {false},
         "Вы действительно хотите удалить абонента\r\"Ann\"\r с номером \r\"111\"",
         "",
         Section{{"Ann", "111"}, {"Bob", "222"}}},
        // Deleting saves the whole grid, the unsaved edit of Bob's row too.
        {"record",
         1,
         {true},
         "Вы действительно хотите удалить абонента\r\"Ann\"\r с номером \r\"111\"",
         "",
         Section{{"Bob", "999"}}},
        // An empty row is asked about like any other, and saves as well.
        {"empty row",
         3,
         {true},
         "Вы действительно хотите удалить абонента\r\"\"\r с номером \r\"\"",
         "",
         Section{{"Ann", "111"}, {"Bob", "999"}}},
    };
    env.writeFile("tapdeck.ini", "[PhoneBook]\nAnn=111\nBob=222\n");
    f3->FormActivate();
    td::test::clickCell(child<StringGrid>(f3, "StringGridPhoneBook"), 1, 0);
    EXPECT_EQ(f3->selectedRow(), 1);
    for (const DeleteCase& c : cases) {
        SCOPED_TRACE(c.name);
        env.dialogs.questions.clear();
        env.dialogs.messages.clear();
        env.writeFile("tapdeck.ini", "[PhoneBook]\nAnn=111\nBob=222\n");
        f3->FormActivate();
        StringGrid* g = child<StringGrid>(f3, "StringGridPhoneBook");
        g->setCell(1, 2, "999");  // an unsaved edit of Bob's row
        f3->StringGridPhoneBookSelectCell(0, c.row);
        env.dialogs.answers.assign(c.answers.begin(), c.answers.end());
        f3->bbDeleteClick();
        EXPECT_EQ(env.dialogs.questions, c.question.empty()
                                             ? std::vector<std::string>{}
                                             : std::vector<std::string>{W(c.question)});
        EXPECT_EQ(env.dialogs.messages, c.message.empty() ? std::vector<std::string>{}
                                                          : std::vector<std::string>{W(c.message)});
        td::IniFile ini(env.path("tapdeck.ini"));
        EXPECT_EQ(ini.readSection("PhoneBook"), c.section);
    }
}

TEST_F(Windows, LongOwnBookKeepsEveryRecordAndGrows) {
    std::string ini = "[PhoneBook]\n";
    for (int i = 1; i <= 320; ++i) ini += "N" + std::to_string(i) + "=" + std::to_string(i) + "\n";
    env.writeFile("tapdeck.ini", ini);
    f3->FormActivate();
    StringGrid* g = child<StringGrid>(f3, "StringGridPhoneBook");
    EXPECT_EQ(text(child<QLabel>(f3, "lMyCount")), "320");
    EXPECT_EQ(cell(g, 0, 320), "N320");
    EXPECT_GE(g->rows(), 321 + TForm3::SpareRows);
    g->setCell(1, 5, "555");
    f3->bbSaveClick();
    td::IniFile saved(env.path("tapdeck.ini"));
    auto s = saved.readSection("PhoneBook");
    ASSERT_EQ(s.size(), 320u);
    EXPECT_EQ(s[4].second, "555");
    EXPECT_EQ(s[319].first, "N320");
}

TEST_F(Windows, TransferNeverOverwritesAndAddsARowWhenFull) {
    env.writeFile("tapdeck.ini", "[PhoneBook]\nAnn=1\nBob=2\n");
    f3->FormActivate();
    StringGrid* g = child<StringGrid>(f3, "StringGridPhoneBook");
    ASSERT_EQ(f3->freeRow(), 3);
    g->setCell(0, 3, "Typed");  // unsaved, in the free row
    f3->takeRecord("Phone=One", "+7111");
    EXPECT_EQ(cell(g, 0, 3), "Typed");
    EXPECT_EQ(cell(g, 0, 4), "Phone-One");
    EXPECT_EQ(f3->freeRow(), 5);
    // Fill every row: the next transfer adds one.
    for (int r = 5; r < g->rows(); ++r) g->setCell(0, r, "x" + std::to_string(r));
    int rows = g->rows();
    f3->takeRecord("Last", "+7999");
    EXPECT_EQ(g->rows(), rows + 1);
    EXPECT_EQ(cell(g, 0, rows), "Last");
    EXPECT_EQ(g->currentGridRow(), rows);
}

TEST_F(Windows, FromMobileOpensPhoneBookOnItsLastCopy) {
    env.writeFile("tapdeck.ini", "[PhoneBook]\nAnn=1\n");
    env.writeFile("AutoRun/LastPBook.txt", "Анна-Мария=+7903\n=+7495\n");
    f4->readFlags().update = true;
    f3->FormActivate();
    f3->bbFromMobileClick();
    ASSERT_EQ(modal.shown.size(), 1u);
    EXPECT_EQ(modal.shown[0], f4);
    EXPECT_FALSE(f4->readFlags().update);
    EXPECT_EQ(cell(child<StringGrid>(f4, "StringGridMobilePB"), 0, 1), W("Анна-Мария"));
    EXPECT_EQ(cell(child<StringGrid>(f4, "StringGridMobilePB"), 0, 2), "");
    EXPECT_EQ(cell(child<StringGrid>(f4, "StringGridMobilePB"), 1, 2), "+7495");
    EXPECT_EQ(text(child<QLabel>(f4, "lGetRecordCount")), "2");
    EXPECT_EQ(text(child<QLabel>(f4, "Panel5")).rfind(W("Последняя копия "), 0), 0u);
    EXPECT_TRUE(child<QPushButton>(f4, "bbReady")->isEnabled());
    EXPECT_TRUE(env.starter.starts.empty());
}

// ---- phone's phone book ---------------------------------------------------------

TEST_F(Windows, ReadFromPhoneFillsGridAndLastCopy) {
    env.writeFile("tapdeck.ini", "[PhoneBook]\nAnn=1\n");
    env.writeFile("AutoRun/LastPBook.txt", "Old=1\n");
    f3->FormActivate();
    engineAnswers(
        "AT+CPBR=1,250\n+CPBR: (1-250),40,14\n+CPBR: 1,\"+79031112233\",145,\"Анна-Мария\"\n"
        "+CPBR: 2,\"+33612345678\",145,\"Jean-Luc\"\n+CPBR: 3,\"84951234567\",129,\"\"\n"
        "+CPBR: 4,\"\",,\"Steve\"\nOK\n");
    env.dialogs.answers = {true};
    f4->bbGetPBookClick();
    EXPECT_EQ(env.starter.params(), std::vector<std::string>{W("oper \"Чтение ТК\"")});
    StringGrid* g = child<StringGrid>(f4, "StringGridMobilePB");
    EXPECT_EQ(cell(g, 0, 1), W("Анна-Мария"));
    EXPECT_EQ(cell(g, 0, 2), "Jean-Luc");
    EXPECT_EQ(cell(g, 1, 3), "84951234567");
    EXPECT_EQ(cell(g, 0, 4), "Steve");
    EXPECT_EQ(cell(g, 1, 4), "");
    EXPECT_TRUE(g->rowEmpty(5));
    EXPECT_EQ(text(child<QLabel>(f4, "lGetRecordCount")), "4");
    EXPECT_EQ(text(child<QLabel>(f4, "Panel5")), W("Текущие записи из мобильного телефона"));
    EXPECT_EQ(env.readFile("AutoRun/LastPBook.txt"),
              W("Анна-Мария=+79031112233\r\nJean-Luc=+33612345678\r\n=84951234567\r\n"
                "Steve=\r\n"));
    EXPECT_TRUE(child<QPushButton>(f4, "bbReady")->isEnabled());
    EXPECT_EQ(td::toWin(child<QPushButton>(f4, "bbGetPBook")->text()), W("Обновить"));
    EXPECT_FALSE(f4->readFlags().update);
    EXPECT_FALSE(env.feedback.hourglass);
}

// The link is lost part way through the book: the engine leaves the part it
// got and its reason. The grid and the last copy stay as they were.
TEST_F(Windows, EngineFailureMidBookKeepsTheGridAndTheCopy) {
    engineAnswers("+CPBR: 1,\"+79031112233\",145,\"Анна\"\n+CPBR: 2,\"222\",129,\"Bob\"\nOK\n");
    env.dialogs.answers = {true};
    f4->bbGetPBookClick();
    StringGrid* g = child<StringGrid>(f4, "StringGridMobilePB");
    ASSERT_EQ(cell(g, 0, 2), "Bob");
    const std::string copy = env.readFile("AutoRun/LastPBook.txt");
    ASSERT_FALSE(copy.empty());

    const long long now = env.pump.now;
    env.pump.at(now + 100, [this] { env.writeFile("celltalk.run", ""); });
    env.pump.at(now + 3000, [this] {
        env.writeFile("AutoRun/LastRun.log", "+CPBR: 1,\"9\",129,\"Part\"\nобрыв связи\n");
        env.writeFile("CellTalk.err", "обрыв связи на at+cpbr\n");
        td::files::remove(env.path("celltalk.run"));
    });
    env.dialogs.answers = {true};
    f4->bbGetPBookClick();
    EXPECT_EQ(text(child<QLabel>(f4, "Panel5")),
              W("- CellTalk не выполнил операцию: обрыв связи на at+cpbr"));
    EXPECT_EQ(cell(g, 0, 1), W("Анна"));
    EXPECT_EQ(cell(g, 0, 2), "Bob");
    EXPECT_EQ(env.readFile("AutoRun/LastPBook.txt"), copy);
}

// A name holding "=" keeps it through the last copy.
TEST_F(Windows, NameWithEqualsSurvivesTheLastCopy) {
    engineAnswers("+CPBR: 1,\"+79161234567\",145,\"A=B\"\nOK\nOK\n");
    env.dialogs.answers = {true};
    f4->bbGetPBookClick();
    EXPECT_EQ(env.readFile("AutoRun/LastPBook.txt"), "A=B=+79161234567\r\n");
    f4->bbLastCopyClick();
    StringGrid* g = child<StringGrid>(f4, "StringGridMobilePB");
    EXPECT_EQ(cell(g, 0, 1), "A=B");
    EXPECT_EQ(cell(g, 1, 1), "+79161234567");
}

TEST_F(Windows, MoreThan499RecordsAllCountedAndSaved) {
    env.writeFile("tapdeck.ini", "[PhoneBook]\n");
    std::string answer;
    for (int i = 1; i <= 620; ++i)
        answer += "+CPBR: " + std::to_string(i) + ",\"+7900" + std::to_string(i) + "\",145,\"N" +
                  std::to_string(i) + "\"\n";
    answer += "OK\n";
    engineAnswers(answer);
    env.dialogs.answers = {true};
    f4->bbGetPBookClick();
    EXPECT_EQ(text(child<QLabel>(f4, "lGetRecordCount")), "620");
    std::vector<std::string> copy;
    ASSERT_TRUE(td::files::readLines(env.path("AutoRun/LastPBook.txt"), copy));
    EXPECT_EQ(copy.size(), 620u);
    EXPECT_EQ(copy.back(), "N620=+7900620");
    // The grid grows to show them all, and shrinks back for a short list.
    EXPECT_EQ(cell(child<StringGrid>(f4, "StringGridMobilePB"), 0, 620), "N620");
    env.writeFile("AutoRun/LastPBook.txt", "A=1\n");
    f4->bbLastCopyClick();
    EXPECT_EQ(child<StringGrid>(f4, "StringGridMobilePB")->rows(), TForm4::DesignRows);
    EXPECT_TRUE(child<StringGrid>(f4, "StringGridMobilePB")->rowEmpty(2));
}

TEST_F(Windows, TransferAndButtonsOfThePhoneBook) {
    env.writeFile("tapdeck.ini", "[PhoneBook]\nAnn=1\n");
    env.writeFile("AutoRun/LastPBook.txt", "Bob=2\n=3\nCarl=4\nNoNumber=\n");
    f3->FormActivate();
    f4->FormActivate();
    f4->bbReadyClick();
    EXPECT_EQ(env.dialogs.messages.back(), W("- Вы ничего не выбрали !"));

    td::test::clickCell(child<StringGrid>(f4, "StringGridMobilePB"), 2, 0);  // no name
    f4->bbReadyClick();
    EXPECT_TRUE(child<StringGrid>(f3, "StringGridPhoneBook")->rowEmpty(2));
    EXPECT_FALSE(child<QPushButton>(f4, "bbSaveMyPB")->isEnabled());

    td::test::clickCell(child<StringGrid>(f4, "StringGridMobilePB"), 4, 0);  // no number
    f4->bbReadyClick();
    EXPECT_TRUE(child<StringGrid>(f3, "StringGridPhoneBook")->rowEmpty(2));
    EXPECT_EQ(env.dialogs.messages.back(),
              W("- У записи \"NoNumber\" в телефоне нет номера: её нечего перенести"));

    td::test::clickCell(child<StringGrid>(f4, "StringGridMobilePB"), 1, 0);  // Bob
    f4->StringGridMobilePBDblClick();
    EXPECT_EQ(cell(child<StringGrid>(f3, "StringGridPhoneBook"), 0, 2), "Bob");
    EXPECT_TRUE(child<QPushButton>(f4, "bbSaveMyPB")->isEnabled());
    EXPECT_TRUE(child<QPushButton>(f4, "bbResetMyPB")->isEnabled());

    f4->bbResetMyPBClick();  // drops the transfer
    EXPECT_TRUE(child<StringGrid>(f3, "StringGridPhoneBook")->rowEmpty(2));
    EXPECT_FALSE(child<QPushButton>(f4, "bbReady")->isEnabled());

    td::test::clickCell(child<StringGrid>(f4, "StringGridMobilePB"), 3, 0);  // Carl
    f4->bbReadyClick();
    f4->bbSaveMyPBClick();
    EXPECT_FALSE(child<QPushButton>(f4, "bbSaveMyPB")->isEnabled());
    td::IniFile ini(env.path("tapdeck.ini"));
    EXPECT_EQ(ini.readString("PhoneBook", "Carl", ""), "4");

    f4->bbDeleteClick();
    EXPECT_EQ(env.dialogs.messages.back(),
              W("Эта возможность будет реализована в одной из следующих версий"));
}

// ---- what both reading windows show --------------------------------------------

struct ReaderTexts {
    const char* name;
    bool missedCalls;
    const char* question;  // UTF-8
    const char* idleHint;  // UTF-8
};

void PrintTo(const ReaderTexts& c, std::ostream* os) {
    *os << c.name;
}

class ReaderWindowTexts : public Windows, public ::testing::WithParamInterface<ReaderTexts> {};

// No engine answers: the read runs its full wait and ends as not created. A
// second read is aborted with the refresh button while it waits.
TEST_P(ReaderWindowTexts, ReadLooksAndEndings) {
    const ReaderTexts& c = GetParam();
    env.writeFile("tapdeck.ini", "[PhoneBook]\nAnn=1\n");
    f3->FormActivate();
    QPushButton* refresh =
        c.missedCalls ? child<QPushButton>(f6, "bbGetPBook") : child<QPushButton>(f4, "bbGetPBook");
    QLabel* panel = c.missedCalls ? child<QLabel>(f6, "Panel5") : child<QLabel>(f4, "Panel5");
    StringGrid* grid = c.missedCalls ? child<StringGrid>(f6, "StringGridMobilePB")
                                     : child<StringGrid>(f4, "StringGridMobilePB");
    auto click = [&] { c.missedCalls ? f6->bbGetPBookClick() : f4->bbGetPBookClick(); };
    auto hint = [](QWidget* w) { return td::toWin(w->toolTip()); };

    std::string busyHint, busyCaption, status, gridHint;
    env.pump.at(1000, [&] {
        busyHint = hint(refresh);
        busyCaption = td::toWin(refresh->text());
        status = text(panel);
        gridHint = hint(grid);
    });
    env.dialogs.answers = {true};
    click();
    EXPECT_EQ(env.dialogs.questions, std::vector<std::string>{W(c.question)});
    EXPECT_EQ(busyCaption, W("Прервать"));
    EXPECT_EQ(busyHint, W("Нажмите ОДИН РАЗ для того, чтобы прервать чтение (подождите 2сек.)"));
    EXPECT_EQ(status, W("Идёт чтение из мобильного телефона"));
    EXPECT_EQ(gridHint, W("Подождите - идёт чтение из телефона"));
    EXPECT_EQ(text(panel),
              W("- Файл с записями тел.книги \"LastRun.log\" не создан программой CellTalk"));
    EXPECT_EQ(td::toWin(refresh->text()), W("Обновить"));
    EXPECT_EQ(hint(refresh), W(c.idleHint));
    EXPECT_TRUE(refresh->isEnabled());
    EXPECT_EQ(env.pump.now, 200 + 2500 + 5 * 1500 + 11 * 5000);

    // The slow pair of the first read shows in the next read's hint; an
    // abort click brings the idle look back at once.
    std::string abortHint;
    env.pump.at(env.pump.now + 1000, [&] {
        abortHint = hint(refresh);
        click();
        EXPECT_EQ(td::toWin(refresh->text()), W("Обновить"));
        EXPECT_EQ(hint(refresh), W(c.idleHint));
    });
    env.dialogs.answers = {true};
    click();
    EXPECT_EQ(abortHint, W("Нажмите ОДИН РАЗ для того, чтобы прервать чтение (подождите 5сек.)"));
    td::ReadFlags& flags = c.missedCalls ? f6->readFlags() : f4->readFlags();
    EXPECT_TRUE(flags.abort);
    EXPECT_FALSE(flags.update);
    EXPECT_EQ(env.dialogs.questions.size(), 2u);  // the abort click asks nothing
}

INSTANTIATE_TEST_SUITE_P(
    Windows, ReaderWindowTexts,
    ::testing::Values(
        ReaderTexts{"PhoneBook", false,
                    "Вы действительно хотите прочитать телефонную книгу из Вашего аппарата "
                    "?\rЭто займёт примерно полминуты, на которые Ваш телефон будет занят для "
                    "внешнего воздействия",
                    "Прочесть Телефонную книгу из ТЕЛЕФОНА"},
        ReaderTexts{"MissedCalls", true,
                    "Вы действительно хотите прочитать записи из Вашего аппарата ?\rЭто займёт "
                    "примерно полминуты, на которые Ваш телефон будет занят для внешнего "
                    "воздействия",
                    "Прочесть записи из ТЕЛЕФОНА"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- missed calls ----------------------------------------------------------------

// One reader lives as long as its window, and each read takes the operation
// bound at that moment (the main window's activation may rebind it).
TEST_F(Windows, EachReadTakesTheOperationBoundThen) {
    engineAnswers("+CPBR: 1,\"+7903\",145,\"Ann\"\nOK\nOK\n");
    env.dialogs.answers = {true, true};
    f4->bbGetPBookClick();
    td::prog().PhoneBookName = "Other";
    f4->bbGetPBookClick();
    EXPECT_EQ(env.starter.params(),
              (std::vector<std::string>{W("oper \"Чтение ТК\""), "oper \"Other\""}));
}

// A read in the missed calls window touches the phone book window as well:
// its transfer buttons go off at the start, the transfer comes back with
// the data, and its grid gets the hint for a fresh list.
TEST_F(Windows, MissedCallsReadTouchesThePhoneBookWindow) {
    for (const char* b : {"bbReady", "bbSaveMyPB", "bbResetMyPB"})
        child<QPushButton>(f4, b)->setEnabled(true);
    engineAnswers("+CPBR: 1,\"+7903\",145,\"Caller\"\nOK\nOK\n");
    env.dialogs.answers = {true};
    f6->bbGetPBookClick();
    EXPECT_TRUE(child<QPushButton>(f4, "bbReady")->isEnabled());
    EXPECT_FALSE(child<QPushButton>(f4, "bbSaveMyPB")->isEnabled());
    EXPECT_FALSE(child<QPushButton>(f4, "bbResetMyPB")->isEnabled());
    EXPECT_EQ(td::toWin(child<StringGrid>(f4, "StringGridMobilePB")->toolTip()),
              W("Переносите по одной записи телефонной книги из телефона\n(двойной клик - выбор "
                "и перенос)"));
}

// A window deleted after the wiring is skipped by the hooks that reach it.
TEST_F(Windows, PhoneBookWithoutTheOwnBookWindow) {
    delete f3;
    f3 = nullptr;
    td::forms().Form3 = nullptr;
    env.writeFile("AutoRun/LastPBook.txt", "Bob=2\n");
    f4->FormActivate();
    StringGrid* g = child<StringGrid>(f4, "StringGridMobilePB");
    EXPECT_EQ(cell(g, 0, 0), td::OwnHeaderName());
    EXPECT_EQ(cell(g, 0, 1), "Bob");
    td::test::clickCell(g, 1, 0);
    f4->bbReadyClick();
    f4->bbSaveMyPBClick();
    f4->bbResetMyPBClick();
    EXPECT_TRUE(env.dialogs.messages.empty());
}

TEST_F(Windows, MissedCallsWithoutLastCopy) {
    f6->FormActivate();
    EXPECT_EQ(text(child<QLabel>(f6, "Panel5")),
              W("- Нет файла с последней копией телефонной книги - нажмите \"Обновить\""));
    EXPECT_EQ(cell(child<StringGrid>(f6, "StringGridMobilePB"), 0, 0), W(" Имя абонента"));
    EXPECT_FALSE(child<QPushButton>(f6, "bbMissCall")->isEnabled());
    EXPECT_FALSE(child<QPushButton>(f6, "bbHangUpMissCall")->isEnabled());
}

TEST_F(Windows, MissedCallsCallBackAndHangUp) {
    env.writeFile("AutoRun/MC-LastPBook.txt", "Ann=\n=+7495\n");
    f6->FormActivate();
    // A name whose number is empty: callable cell, but the call only disables.
    f6->StringGridMobilePBSelectCell(0, 1);
    EXPECT_TRUE(child<QPushButton>(f6, "bbMissCall")->isEnabled());
    f6->bbMissCallClick();
    EXPECT_FALSE(child<QPushButton>(f6, "bbMissCall")->isEnabled());
    EXPECT_TRUE(calls.empty());
    // An empty cell does not enable the button.
    f6->StringGridMobilePBSelectCell(0, 2);
    EXPECT_FALSE(child<QPushButton>(f6, "bbMissCall")->isEnabled());
    f6->StringGridMobilePBSelectCell(1, 2);
    EXPECT_TRUE(child<QPushButton>(f6, "bbMissCall")->isEnabled());
    f6->bbMissCallClick();
    EXPECT_EQ(calls, std::vector<std::string>{"call +7495"});
    EXPECT_EQ(f6->selectedRow(), -1);
    EXPECT_FALSE(child<QPushButton>(f6, "bbMissCall")->isEnabled());
    EXPECT_TRUE(child<QPushButton>(f6, "bbHangUpMissCall")->isEnabled());
    f6->bbHangUpMissCallClick();
    EXPECT_EQ(calls, (std::vector<std::string>{"call +7495", "hang up"}));
    f6->bbLastCopyClick();
    EXPECT_FALSE(child<QPushButton>(f6, "bbHangUpMissCall")->isEnabled());
}

// With the main window's own actions: calling back starts the engine.
TEST_F(Windows, MissedCallsUseTheMainWindowActions) {
    auto* f1 = new TForm1;
    td::forms().Form1 = f1;
    TForm6 fresh;  // default actions
    td::forms().Form6 = &fresh;
    td::wireForms(td::forms());
    td::prog().CallName = "Call";
    td::prog().HangUpName = "HangUp";
    env.writeFile("AutoRun/MC-LastPBook.txt", "Ann=84951234567\n");
    fresh.FormActivate();
    fresh.StringGridMobilePBSelectCell(1, 1);
    fresh.bbMissCallClick();
    fresh.bbHangUpMissCallClick();
    td::forms().Form1 = nullptr;
    delete f1;
    auto params = env.starter.params();
    ASSERT_EQ(params.size(), 2u);
    EXPECT_EQ(params[0], "oper \"Call\" \"84951234567\"");
    EXPECT_EQ(params[1], "oper \"HangUp\"");
}

TEST_F(Windows, MissedCallsReadKeepsTheirOwnCopy) {
    env.writeFile("AutoRun/LastPBook.txt", "Book=1\n");
    std::string answer = "+CPBR: 1,\"+7903\",145,\"Caller\"\n";
    for (int i = 2; i <= 25; ++i)
        answer += "+CPBR: " + std::to_string(i) + ",\"" + std::to_string(i) + "00\",129,\"\"\n";
    answer += "OK\n";
    engineAnswers(answer);
    env.dialogs.answers = {true};
    f6->FormActivate();
    f6->bbGetPBookClick();
    EXPECT_EQ(env.dialogs.questions[0].rfind(W("Вы действительно хотите прочитать записи"), 0), 0u);
    EXPECT_EQ(env.starter.params(), std::vector<std::string>{W("oper \"Пропущенные\"")});
    EXPECT_EQ(env.readFile("AutoRun/LastPBook.txt"), "Book=1\r\n");
    std::vector<std::string> copy;
    td::files::readLines(env.path("AutoRun/MC-LastPBook.txt"), copy);
    EXPECT_EQ(copy.size(), 25u);
    EXPECT_EQ(text(child<QLabel>(f6, "lGetRecordCount")), "25");
    EXPECT_EQ(cell(child<StringGrid>(f6, "StringGridMobilePB"), 1, 25), "2500");
    EXPECT_EQ(td::toWin(child<StringGrid>(f6, "StringGridMobilePB")->toolTip()),
              W("Выберите запись, если хотите позвонить"));
}

}  // namespace

namespace {

const std::string kDatedCalls =
    "+CPBR: 1,,\"+7903\",145,\"Late\",\"2025/06/03,09:12\"\n"
    "+CPBR: 2,\"+7916\",145,\"Early\",\"2025/05/31\",\"08:05\"\n"
    "+CPBR: 3,\"+7999\",145,\"Undated\"\nOK\n";

// Missed calls of a phone that dates them: the time column, its sort by a
// click on its title, and the copy that brings the times back.
TEST_F(Windows, MissedCallsShowTheTimeThePhoneGives) {
    engineAnswers(kDatedCalls);
    env.dialogs.answers = {true};
    f6->show();
    QTest::mouseClick(child<QPushButton>(f6, "bbGetPBook"), Qt::LeftButton);
    StringGrid* g = child<StringGrid>(f6, "StringGridMobilePB");
    ASSERT_EQ(g->columnCount(), 3);
    EXPECT_EQ(cell(g, 2, 0), W(" Время вызова"));
    EXPECT_EQ(cell(g, 2, 1), "2025/06/03 09:12");
    EXPECT_EQ(cell(g, 2, 2), "2025/05/31 08:05");
    EXPECT_EQ(cell(g, 2, 3), "");
    // The copy stays name=number; the times are kept beside it.
    EXPECT_EQ(env.readFile("AutoRun/MC-LastPBook.txt"),
              "Late=+7903\r\nEarly=+7916\r\nUndated=+7999\r\n");
    EXPECT_EQ(env.readFile("AutoRun/MC-CallTimes.txt"),
              "2025/06/03,09:12\tLate=+7903\r\n2025/05/31,08:05\tEarly=+7916\r\n");

    QHeaderView* head = g->horizontalHeader();
    QTest::mouseClick(head->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(head->sectionViewportPosition(2) + 5, head->height() / 2));
    EXPECT_EQ(g->sortColumn(), 2);
    std::vector<std::string> shown;
    for (int v = 0; v < 3; ++v) shown.push_back(td::toWin(g->item(v, 0)->text()));
    EXPECT_EQ(shown, (std::vector<std::string>{"Undated", "Early", "Late"}));
    // TAPDECK_SHOTS=<folder>: a picture of the window for the documentation.
    if (QString dir = qEnvironmentVariable("TAPDECK_SHOTS"); !dir.isEmpty())
        f6->grab().save(dir + "/missed-calls-times.png");

    // A click on the empty time of the undated call (shown first) offers to call it.
    QTest::mouseClick(g->viewport(), Qt::LeftButton, Qt::NoModifier,
                      g->visualRect(g->model()->index(0, 2)).center());
    EXPECT_TRUE(child<QPushButton>(f6, "bbMissCall")->isEnabled());

    g->clearRows(1);
    QTest::mouseClick(child<QPushButton>(f6, "bbLastCopy"), Qt::LeftButton);
    EXPECT_EQ(cell(g, 0, 1), "Late");
    EXPECT_EQ(cell(g, 2, 1), "2025/06/03 09:12");
    EXPECT_EQ(cell(g, 1, 2), "+7916");
    f6->hide();
}

// Without times the window is the two-column list; the column comes with a
// list that has times and goes with one that has none, and an earlier
// version's copy with its time marks still shows them.
TEST_F(Windows, MissedCallsShowTheTimeColumnOnlyWithTimes) {
    const char* kUndatedCalls =
        "+CPBR: 1,\"+7903\",145,\"Late\"\n+CPBR: 2,\"+7999\",145,\"Undated\"\nOK\n";
    StringGrid* g = child<StringGrid>(f6, "StringGridMobilePB");
    struct Step {
        const char* what;
        const char* answer;  // read from the phone; null: the last copy as written
        const char* copy;
        int columns;
        const char* time;  // of row 1
    } steps[] = {
        {"no copy", nullptr, nullptr, 2, nullptr},
        {"undated answer", kUndatedCalls, nullptr, 2, nullptr},
        {"dated answer", kDatedCalls.c_str(), nullptr, 3, "2025/06/03 09:12"},
        {"undated answer again", kUndatedCalls, nullptr, 2, nullptr},
        {"its copy", nullptr, nullptr, 2, nullptr},
        {"earlier version's copy", nullptr, "Late\ttime:2025/06/03,09:12=+7903\n", 3,
         "2025/06/03 09:12"},
    };
    f6->show();
    const int narrow = f6->width();
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        if (s.copy) env.writeFile("AutoRun/MC-LastPBook.txt", s.copy);
        if (s.answer) {
            const std::string answer = s.answer;
            env.pump.after(100, [this] { env.writeFile("celltalk.run", ""); });
            env.pump.after(3000, [this, answer] {
                env.writeFile("AutoRun/LastRun.log", "OK\nOK\nOK\nlog of the run\n");
                env.writeFile("AutoRun/LastRun.pbf", answer);
            });
            env.pump.after(9000, [this] { td::files::remove(env.path("celltalk.run")); });
            env.dialogs.answers = {true};
            QTest::mouseClick(child<QPushButton>(f6, "bbGetPBook"), Qt::LeftButton);
        } else {
            QTest::mouseClick(child<QPushButton>(f6, "bbLastCopy"), Qt::LeftButton);
        }
        ASSERT_EQ(g->columnCount(), s.columns);
        EXPECT_EQ(f6->width() > narrow, s.columns == 3);
        if (s.time) {
            EXPECT_EQ(cell(g, 2, 1), s.time);
        }
    }
    // The undated read left no times file for its copy to take times from.
    EXPECT_FALSE(env.exists("AutoRun/MC-CallTimes.txt"));
    f6->hide();
}

// The phone book window reading the same answer keeps its two columns and a
// copy without times.
TEST_F(Windows, PhoneBookCopyKeepsNoTimes) {
    engineAnswers(kDatedCalls);
    env.dialogs.answers = {true};
    f4->bbGetPBookClick();
    EXPECT_EQ(child<StringGrid>(f4, "StringGridMobilePB")->columnCount(), 2);
    EXPECT_EQ(env.readFile("AutoRun/LastPBook.txt"),
              "Late=+7903\r\nEarly=+7916\r\nUndated=+7999\r\n");
}

}  // namespace
