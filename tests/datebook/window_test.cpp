// The date book window, headless, with a fake engine on virtual time: its
// controls, the last copy, a read from the phone, the save, the unload, and
// the shown window driven by keys and clicks.

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <cstdlib>

#include "app/forms.h"
#include "datebook/MemDayBook.h"
#include "engine/settings.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/qtservices.h"
#include "support/fakes.h"
#include "support/qtapp.h"
#include "support/widgets.h"
#include "widgets/stringgrid.h"

namespace {

using td::test::child;
using td::test::TestEnv;
using td::test::W;

// Lines as the engine writes them from the simulated phone (UCS2 decoded).
const char* const kResult =
    "at+cscs=\"UCS2\"\n"
    "at+mdbr=1,100\n"
    "+MDBR: 1,\"Встреча с Олегом\",1,1,\"10:00\",\"06-15-2025\",60,\"09:45\",\"06-15-2025\",0\n"
    "+MDBR: 2,\"Birthday Anna\",0,1,\"00:00\",\"07-02-2025\",1440,\"09:00\",\"07-02-2025\",5\n"
    "+MDBR: 3,\"Обед, потом кино\",1,0,\"13:00\",\"06-20-2025\",90,\"00:00\",\"00-00-2000\",1\n"
    "OK\n"
    "at+mdbad?\n"
    "+MDBAD: 2\n"
    "OK\n";
const char* const kLog =
    "at+cscs=\"UCS2\"\nOK\nat+mdbl=1\nOK\nat+mdbr=1,100\n+MDBR: 1,\"0412\",1,1\nOK\n"
    "at+mdbad?\n+MDBAD: 2\nOK\nat+mdbl=0\nOK\n";

struct DateBook : ::testing::Test {
    QApplication* app = td::test::qtApp();  // before any window
    TestEnv env;
    TForm9 f9;
    StringGrid* grid = child<StringGrid>(f9, "StringGridMobileMDB");
    QPushButton* read = child<QPushButton>(f9, "bbGetMDBook");
    QPushButton* unload = child<QPushButton>(f9, "bbUnloadMemBook");
    QLabel* status = child<QLabel>(f9, "Panel5");
    QLabel* panel = child<QLabel>(f9, "PanelAutoDel");
    QLabel* count = child<QLabel>(f9, "lGetRecordCount");
    bool beep = false;

    DateBook() {
        td::prog().MemDayBookName = W("Прочитать ежедневник");
        td::prog().UnloadMemDayBookName = W("Выгрузить ежедневник");
        f9.beepWanted = [this] { return beep; };
        env.clock.setLocal(2026, 12, 6, 14, 9, 6);
    }
    static std::string text(QLabel* l) { return td::toWin(l->text()); }
    static std::string text(QPushButton* b) { return td::toWin(b->text()); }
    static std::string hint(QWidget* w) { return td::toWin(w->toolTip()); }
    std::string cell(int c, int r) { return grid->cell(c, r); }
    // The engine: marker from 0.1 s to 5 s, result and log at 3 s.
    void engineAnswers(const std::string& result, const std::string& log) {
        env.pump.after(100, [this] { env.writeFile("celltalk.run", ""); });
        env.pump.after(3000, [this, result, log] {
            if (!result.empty()) env.writeFile("AutoRun/LastRun.mdb", result);
            env.writeFile("AutoRun/LastRun.log", log);
        });
        env.pump.after(5000, [this] { td::files::remove(env.path("celltalk.run")); });
    }
    std::vector<std::string> lines(const std::string& name) {
        std::vector<std::string> l;
        td::files::readLines(env.path(name), l);
        return l;
    }
};

TEST_F(DateBook, ControlsAsDesigned) {
    f9.FormActivate();
    EXPECT_EQ(td::toWin(f9.windowTitle()), W("Ежедневник (из телефона)"));
    const std::vector<std::string> titles = {"Заголовок события", "Вкл",        "Пуск",
                                             "Когда-время",       "Когда-дата", "Длит(мин)",
                                             "Пуск-время",        "Пуск-дата",  "Повторять"};
    const int widths[] = {141, 36, 35, 81, 74, 68, 73, 70, 124};
    ASSERT_EQ(grid->columnCount(), 9);
    for (int c = 0; c < 9; ++c) {
        EXPECT_EQ(cell(c, 0), W(titles[c]));
        // The designed width at least, more where the font needs it.
        EXPECT_GE(grid->columnWidth(c), widths[c]);
        EXPECT_GE(grid->columnWidth(c),
                  grid->fontMetrics().horizontalAdvance(grid->horizontalHeaderItem(c)->text()));
    }
    EXPECT_EQ(grid->rows(), TForm9::DesignRows);
    struct Control {
        const char* name;
        const char* caption;  // nullptr: not checked
        const char* hint;
    } controls[] = {
        {"bbSaveMDBList", "", "Сохранить на диске текущий список напоминаний"},
        {"bbUnloadMemBook", "Выгрузить", "Выгрузить ежедневник для последующей загрузки"},
        {"bbDelete", "Удалить", "Удалить выбранную запись из ежедневника"},
        {"bbLastCopy", "Последняя", "Последняя копия записей из телефона"},
        {"bbGetMDBook", "Обновить", "Прочесть записи из ТЕЛЕФОНА"},
    };
    for (const auto& c : controls) {
        auto* b = child<QPushButton>(f9, c.name);
        EXPECT_EQ(text(b), W(c.caption)) << c.name;
        EXPECT_EQ(hint(b), W(c.hint)) << c.name;
        EXPECT_FALSE(b->autoDefault()) << c.name;
    }
    EXPECT_EQ(text(child<QLabel>(f9, "Panel2")), W("Ежедневник (из мобильного телефона)"));
    EXPECT_EQ(text(panel), W("Авт. удалять через 1 неделю"));
    EXPECT_EQ(hint(panel), W("В Вашем телефоне установлена возможность автоматического удаления "
                             "\"просроченных\" событий"));
    EXPECT_TRUE(panel->isHidden());
    EXPECT_FALSE(child<QPushButton>(f9, "bbDelete")->isEnabled());
    EXPECT_TRUE(unload->isEnabled());
    EXPECT_EQ(text(status),
              W("- Нет файла с последней копией книги напоминаний - нажмите \"Обновить\""));
    EXPECT_EQ(text(count), "0");
}

TEST_F(DateBook, LastCopyOfFiveLines) {
    env.writeFile(
        "AutoRun/LastMDBook.txt",
        "at+mdbr=1,100\n"
        "+MDBR: 1,\"Встреча\",1,1,\"10:00\",\"06-15-2025\",60,\"09:45\",\"06-15-2025\",0\n"
        "+MDBR: 2,\"Gym\",0,?,\"07:00\",\"06-20-2025\",60,\"07:00\",\"06-20-2025\",7\n"
        "OK\n+MDBAD:  1\n");
    f9.FormActivate();
    EXPECT_EQ(grid->rows(), 4);
    EXPECT_EQ(text(count), "2");
    EXPECT_EQ(cell(0, 1), W("Встреча"));
    EXPECT_EQ(cell(1, 2), W("Нет"));
    EXPECT_EQ(cell(2, 2), W("Да"));  // carried over from the event before
    EXPECT_EQ(cell(8, 2), "???");
    EXPECT_FALSE(panel->isHidden());
    EXPECT_EQ(text(panel), W("Авт. удалять через   1 неделю"));
    EXPECT_EQ(text(status).rfind(W("Последняя копия книги напоминаний от "), 0), 0u)
        << td::cp1251ToUtf8(text(status));
    // The setting was not read from the phone in this run: saving adds no line.
    EXPECT_EQ(f9.autoDeleteNumber(), td::AutoDeleteUnknown);
}

TEST_F(DateBook, ReadFromThePhoneFillsTheGridAndTheLastCopy) {
    f9.FormActivate();
    env.dialogs.answers = {true};
    engineAnswers(kResult, kLog);
    f9.bbGetMDBookClick();
    ASSERT_EQ(env.dialogs.questions.size(), 1u);
    EXPECT_EQ(env.dialogs.questions[0],
              W("Вы действительно хотите прочитать книгу напоминаний из Вашего аппарата ?\rЭто "
                "займёт примерно полминуты, на которые Ваш телефон будет занят для внешнего "
                "воздействия"));
    EXPECT_EQ(env.starter.params(),
              std::vector<std::string>{W("oper \"Прочитать ежедневник\" \"@ScriBat.txt\"")});
    EXPECT_EQ(text(status), W("Текущая книга напоминаний из мобильного телефона"));
    EXPECT_EQ(text(count), "3");
    EXPECT_EQ(cell(0, 3), W("Обед, потом кино"));
    EXPECT_EQ(cell(3, 3), "13:00");
    EXPECT_EQ(cell(8, 3), W("Ежедневно"));
    EXPECT_EQ(cell(8, 2), W("Ежегодно"));
    EXPECT_EQ(text(panel), W("Авт. удалять через  2 недели"));
    EXPECT_FALSE(panel->isHidden());
    EXPECT_EQ(f9.autoDeleteNumber(), 2);
    std::vector<std::string> copy = lines("AutoRun/LastMDBook.txt");
    ASSERT_EQ(copy.size(), 10u);
    EXPECT_EQ(copy.back(), "+MDBAD:  2");
    EXPECT_EQ(text(read), W("Обновить"));
    EXPECT_EQ(hint(read), W("Прочесть книгу напоминаний из ТЕЛЕФОНА"));
    EXPECT_FALSE(f9.dateBookUpdate());
    EXPECT_FALSE(env.feedback.hourglass);

    // Saved now: the answer with the setting read in this run.
    f9.bbSaveMDBListClick();
    EXPECT_EQ(lines("AutoRun/06.12.2026 14-09-06-LastRun.mdb"), copy);

    // Shown again from the copy, after a restart of the window.
    TForm9 again;
    again.FormActivate();
    EXPECT_EQ(child<StringGrid>(again, "StringGridMobileMDB")->cell(0, 3), W("Обед, потом кино"));
    EXPECT_FALSE(child<QLabel>(again, "PanelAutoDel")->isHidden());
}

TEST_F(DateBook, NothingFromTheEngine) {
    struct Case {
        const char* why;
        bool abortByLastCopy;
        bool beep;
    } cases[] = {{"no file", false, true},
                 {"no file, no beep", false, false},
                 {"last copy clicked while waiting", true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        env.writeFile("AutoRun/LastMDBook.txt",
                      "+MDBR: 1,\"Old\",1,1,\"10:00\",\"x\",1,\"t\",\"d\",0\n");
        f9.FormActivate();
        beep = c.beep;
        env.feedback.beeps = 0;
        env.dialogs.answers = {true};
        if (c.abortByLastCopy) {
            engineAnswers(kResult, kLog);
            env.pump.after(2500, [this] { f9.bbLastCopyClick(); });
        }
        f9.bbGetMDBookClick();
        EXPECT_EQ(text(status), W("- Файл с записями книга напоминаний \"LastRun.mdb\" не создан "
                                  "программой CellTalk"));
        EXPECT_EQ(env.feedback.beeps, c.beep ? 1 : 0);
        EXPECT_EQ(cell(0, 1), "Old");  // the grid and the copy stay
        EXPECT_EQ(lines("AutoRun/LastMDBook.txt").size(), 1u);
        EXPECT_EQ(text(read), W("Обновить"));
        env.pump.sleep(10000);
        td::files::remove(env.path("AutoRun/LastRun.mdb"));
        td::files::remove(env.path("AutoRun/LastRun.log"));
    }
}

TEST_F(DateBook, AnEmptyAnswerKeepsTheLastCopy) {
    env.writeFile("AutoRun/LastMDBook.txt",
                  "+MDBR: 1,\"Old\",1,1,\"10:00\",\"x\",1,\"t\",\"d\",0\n");
    f9.FormActivate();
    env.dialogs.answers = {true};
    env.pump.after(100, [this] { env.writeFile("celltalk.run", ""); });
    env.pump.after(3000, [this] {
        env.writeFile("AutoRun/LastRun.mdb", "");
        env.writeFile("AutoRun/LastRun.log", "at+cscs=\"UCS2\"\nOK\n");
        td::files::remove(env.path("celltalk.run"));
    });
    f9.bbGetMDBookClick();
    EXPECT_EQ(lines("AutoRun/LastMDBook.txt"),
              std::vector<std::string>{"+MDBR: 1,\"Old\",1,1,\"10:00\",\"x\",1,\"t\",\"d\",0"});
}

TEST_F(DateBook, AFailedRunNeverShowsTheAnswerOfAnEarlierOne) {
    struct Case {
        const char* why;
        std::string oldResult;
    } cases[] = {{"an earlier full answer", kResult}, {"an earlier short answer", "OK\n"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        env.writeFile("AutoRun/LastMDBook.txt",
                      "+MDBR: 1,\"Old\",1,1,\"10:00\",\"x\",1,\"t\",\"d\",0\n");
        env.writeFile("AutoRun/LastRun.mdb", c.oldResult);
        f9.FormActivate();
        beep = true;
        env.feedback.beeps = 0;
        // The engine fails: its log and error file, the old result file stays.
        env.pump.after(100, [this] { env.writeFile("celltalk.run", ""); });
        env.pump.after(3000, [this] {
            env.writeFile("AutoRun/LastRun.log", "at+cscs=\"UCS2\"\nОшибка: нет ответа телефона\n");
            env.writeFile("CellTalk.err", "нет ответа телефона\n");
            td::files::remove(env.path("celltalk.run"));
        });
        env.dialogs.answers = {true};
        f9.bbGetMDBookClick();
        EXPECT_EQ(text(status), W("- CellTalk не выполнил операцию: нет ответа телефона"));
        EXPECT_EQ(env.feedback.beeps, 1);
        EXPECT_EQ(cell(0, 1), "Old");
        EXPECT_EQ(lines("AutoRun/LastMDBook.txt").size(), 1u);
        // Nor is it unloaded.
        env.dialogs.answers = {true};
        env.pump.after(3000, [this] {
            env.writeFile("AutoRun/LastRun.log", "Ошибка\n");
            env.writeFile("CellTalk.err", "нет ответа телефона\n");
        });
        f9.bbUnloadMemBookClick();
        EXPECT_FALSE(env.exists("AutoRun/Unload-06.12.2026 14-09-06-MemDay-LastRun.txt"));
        EXPECT_EQ(text(status).find(W("Выгрузка завершена")), std::string::npos)
            << td::test::U(text(status));
        td::files::remove(env.path("AutoRun/LastRun.log"));
    }
}

TEST_F(DateBook, SaveUnderADatedName) {
    // Folder separators in the date, a 12-hour time without AM/PM: the clock's
    // file stamp falls back to its own day-first date and 24-hour time.
    env.clock.shortDateFormat = "M/d/yyyy";
    env.clock.longTimeFormat = "h:mm:ss";
    env.writeFile("AutoRun/LastRun.mdb", kResult);
    env.writeFile("AutoRun/LastMDBook.txt",
                  "+MDBR: 1,\"Shown\",1,1,\"10:00\",\"x\",1,\"t\",\"d\",0\n");
    f9.FormActivate();
    f9.bbSaveMDBListClick();  // the setting is unknown: the result file as it is
    const std::string name = "AutoRun/06.12.2026 14-09-06-LastRun.mdb";
    ASSERT_TRUE(env.exists(name));
    EXPECT_EQ(lines(name).size(), 9u);
    EXPECT_TRUE(env.dialogs.messages.empty());

    td::files::remove(env.path("AutoRun/LastRun.mdb"));
    f9.bbSaveMDBListClick();  // no result file: the list shown
    EXPECT_EQ(lines(name),
              std::vector<std::string>{"+MDBR: 1,\"Shown\",1,1,\"10:00\",\"x\",1,\"t\",\"d\",0"});
}

TEST_F(DateBook, UnloadWritesTheBatchFile) {
    f9.FormActivate();
    env.dialogs.answers = {true};
    engineAnswers(kResult, kLog);
    env.pump.after(1000, [this] {
        // Running: the abort look of the unload button.
        EXPECT_EQ(text(unload), W("Прервать"));
        EXPECT_NE(unload->styleSheet().indexOf("ff0000"), -1);
    });
    f9.bbUnloadMemBookClick();
    ASSERT_EQ(env.dialogs.questions.size(), 1u);
    EXPECT_EQ(env.dialogs.questions[0].rfind(W("Записи ежедневника будут выгружены"), 0), 0u);
    EXPECT_EQ(env.starter.params(),
              std::vector<std::string>{W("oper \"Выгрузить ежедневник\" \"@ScriBat.txt\"")});
    const std::string name = "AutoRun/Unload-06.12.2026 14-09-06-MemDay-LastRun.txt";
    ASSERT_TRUE(env.exists(name));
    EXPECT_EQ(env.readFile(name),
              W("at+mdbl=1\r\nAT+CSCS=\"UCS2\"\r\n"
                "AT+MDBW=1,\"Встреча с "
                "Олегом\",1,1,\"10:00\",\"06-15-2025\",60,\"09:45\",\"06-15-2025\",0\r\n"
                "AT+MDBW=2,\"Birthday "
                "Anna\",0,1,\"00:00\",\"07-02-2025\",1440,\"09:00\",\"07-02-2025\",5\r\n"
                "AT+MDBW=3,\"Обед, потом "
                "кино\",1,0,\"13:00\",\"06-20-2025\",90,\"00:00\",\"00-00-2000\",1\r\n"
                "AT+MDBAD= 2\r\nat+mdbl=0\r\n"));
    EXPECT_EQ(text(status),
              W("Выгрузка завершена/Текущая книга напоминаний из мобильного телефона"));
    EXPECT_EQ(text(count), "3") << "the count of the events shown";
    EXPECT_EQ(cell(0, 3), W("Обед, потом кино"));
    EXPECT_EQ(text(unload), W("Выгрузить"));
    EXPECT_NE(unload->styleSheet().indexOf("000080"), -1);
    EXPECT_EQ(hint(unload), W("Выгрузить ежедневник для последующей загрузки"));
    EXPECT_FALSE(env.exists("AutoRun/LastMDBook.txt"));  // an unload keeps no copy
    EXPECT_FALSE(f9.dateBookUpdate());
}

// An event line whose fields a phone never gives is left out of the unload
// and named once; the others are written.
TEST_F(DateBook, UnloadNamesTheEventsItLeftOut) {
    f9.FormActivate();
    env.dialogs.answers = {true};
    const std::string bad =
        "+MDBR: 4,\"a\"|ATD123;|\"b\",1,0,\"13:00\",\"06-20-2025\",90,\"\",\"\",1";
    engineAnswers(std::string(kResult) + bad + "\n", kLog);
    f9.bbUnloadMemBookClick();
    const std::string name = "AutoRun/Unload-06.12.2026 14-09-06-MemDay-LastRun.txt";
    ASSERT_TRUE(env.exists(name));
    EXPECT_EQ(env.readFile(name).find("ATD"), std::string::npos);
    EXPECT_EQ(lines(name).size(), 7u) << "lock, character set, three events, setting, unlock";
    ASSERT_EQ(env.dialogs.messages.size(), 1u);
    EXPECT_NE(env.dialogs.messages[0].find(bad), std::string::npos);
}

TEST_F(DateBook, UnloadAbortAndRefusals) {
    f9.FormActivate();
    // Declined: nothing starts.
    env.dialogs.answers = {false};
    f9.bbUnloadMemBookClick();
    EXPECT_TRUE(env.starter.starts.empty());
    // The engine busy: only its message.
    env.writeFile("celltalk.run", "");
    f9.bbUnloadMemBookClick();
    EXPECT_EQ(env.dialogs.messages.size(), 1u);
    td::files::remove(env.path("celltalk.run"));
    // An abort click once the engine is done ends the wait: no file.
    env.dialogs.answers = {true};
    env.pump.after(2200, [this] { f9.bbUnloadMemBookClick(); });
    f9.bbUnloadMemBookClick();
    EXPECT_EQ(text(status), W("- Файл с записями книга напоминаний \"LastRun.mdb\" не создан "
                              "программой CellTalk"));
    EXPECT_EQ(text(unload), W("Выгрузить"));
    EXPECT_EQ(hint(unload), W("Выгрузить ежедневник для последующей загрузки"));
    // A later version: the gate closes.
    td::prog().ProgVersion = "v 0.50";
    env.dialogs.messages.clear();
    f9.bbUnloadMemBookClick();
    EXPECT_EQ(env.dialogs.messages,
              std::vector<std::string>{
                  W("Эта возможность будет реализована в одной из следующих версий")});
}

TEST_F(DateBook, LaterVersionMessages) {
    f9.FormActivate();
    auto* del = child<QPushButton>(f9, "bbDelete");
    f9.StringGridMobileMDBClick();
    EXPECT_TRUE(del->isEnabled());
    f9.bbDeleteClick();
    EXPECT_FALSE(del->isEnabled());
    f9.PanelAutoDelClick();
    EXPECT_EQ(
        env.dialogs.messages,
        (std::vector<std::string>{
            W("Эта возможность будет реализована в одной из следующих версий"),
            W("Изменять параметр авт. удаления будет возможно в одной из следующих версий")}));
}

TEST_F(DateBook, ShownWindowWithKeysAndClicks) {
    env.writeFile("AutoRun/LastMDBook.txt", kResult);
    env.dialogs.failOnUnscripted = false;
    f9.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f9));
    auto* del = child<QPushButton>(f9, "bbDelete");
    EXPECT_FALSE(del->isEnabled());
    // A click on an event's cell offers the delete button; the keyboard onto
    // an empty row takes it back.
    QRect r = grid->visualItemRect(grid->item(0, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_TRUE(del->isEnabled());
    for (int i = 0; i < 3; ++i) QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(grid->currentGridRow(), 4);
    EXPECT_FALSE(del->isEnabled());
    // Enter starts nothing: no button is the default one.
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_TRUE(env.dialogs.questions.empty());
    EXPECT_TRUE(env.starter.starts.empty());
    // Tab walks the controls; Space on the read button asks first.
    read->setFocus();
    QTest::keyClick(read, Qt::Key_Space);
    EXPECT_EQ(env.dialogs.questions.size(), 1u);  // answered No by default
    EXPECT_TRUE(env.starter.starts.empty());
    // A click on the auto-delete panel.
    QTest::mouseClick(panel, Qt::LeftButton);
    ASSERT_EQ(env.dialogs.messages.size(), 1u);
    // Esc closes the window.
    QTest::keyClick(&f9, Qt::Key_Escape);
    EXPECT_FALSE(f9.isVisible());
}

TEST_F(DateBook, Screenshot) {
    env.writeFile("AutoRun/LastMDBook.txt", std::string(kResult) + "+MDBAD:  2\n");
    f9.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f9));
    QPixmap shot = f9.grab();
    EXPECT_GE(shot.width(), 141 + 36 + 35 + 81 + 74 + 68 + 73 + 70 + 124);
    // Every column fits in the grid's view: nothing cut off on the right.
    EXPECT_LE(grid->horizontalHeader()->length(), grid->viewport()->width());
    if (const char* dir = std::getenv("TAPDECK_SHOT_DIR"))
        shot.save(QString::fromLocal8Bit(dir) + "/datebook.png");
    f9.hide();
}

}  // namespace
