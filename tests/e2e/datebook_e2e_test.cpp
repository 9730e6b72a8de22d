// The date book window with the real engine program and its simulated
// phone, in real time: a read shown in the grid and kept as the last copy,
// and a backup that really loads back: the unload file, run by the engine's
// batch operation against a second phone with an empty date book, gives the
// same events and the same auto-delete setting.

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "app/forms.h"
#include "datebook/MemDayBook.h"
#include "demorun.h"
#include "engine/launcher.h"
#include "engine/settingkeys.h"
#include "engine/settings.h"
#include "formats/mdbrecord.h"
#include "main/TapdeckP.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/qtservices.h"
#include "support/chooser.h"
#include "support/fakes.h"
#include "support/qtapp.h"
#include "support/widgets.h"
#include "widgets/stringgrid.h"

using td::test::child;
using td::test::U;
using td::test::W;

namespace {

// Both alphabets, a comma in a title, every repeat kind, events without a
// start time or an alarm; deletion after 4 weeks.
const char* const kFirstPhone =
    "[phone]\n"
    "autodelete 4\n"
    "[datebook 500]\n"
    "1 \"Встреча с Олегом\" 1 1 \"10:00\" \"06-15-2025\" 60 \"09:45\" \"06-15-2025\" 0\n"
    "2 \"Birthday Anna\" 0 1 \"00:00\" \"07-02-2025\" 1440 \"09:00\" \"07-02-2025\" 5\n"
    "3 \"Обед, потом кино\" 1 0 \"13:00\" \"06-20-2025\" 90 \"00:00\" \"00-00-2000\" 1\n"
    "7 \"Team sync, room 204\" 1 1 \"14:30\" \"02-29-2028\" 45 \"14:00\" \"02-29-2028\" 2\n"
    "12 \"Оплата квартиры\" 0 1 \"00:00\" \"06-25-2025\" 0 \"12:00\" \"06-25-2025\" 3\n"
    "40 \"Йога\" 1 0 \"07:00\" \"06-02-2025\" 60 \"07:00\" \"06-02-2025\" 4\n";
const char* const kEmptyPhone = "[phone]\nautodelete 0\n[datebook 500]\n";

class DateBookEndToEnd : public td::test::DemoRun {
  protected:
    TForm9* f9 = nullptr;

    void beforeForms() override { usePhone("phone1.state", kFirstPhone); }
    void SetUp() override {
        DemoRun::SetUp();
        f9 = td::forms().Form9;
    }

    // The engine talks to the phone kept in `file` from now on.
    void usePhone(const std::string& file, const char* state) {
        std::ofstream(env.path(file), std::ios::binary) << state;
        td::IniFile ini(env.path("celltalk.ini"));
        td::writeSetting(ini, td::setting::SimState, file);
    }
    // Unloads the window's book at the clock's `stamp` and runs that batch
    // against an empty phone kept in `file`.
    void unloadIntoEmptyPhone(const std::string& stamp, const std::string& file) {
        f9->bbUnloadMemBookClick();
        const std::string name = "Unload-" + stamp + "-MemDay-LastRun.txt";
        ASSERT_TRUE(env.exists("AutoRun/" + name)) << U(env.readFile("CellTalk.err"));
        usePhone(file, kEmptyPhone);
        td::files::remove(env.path("AutoRun/LastRun.log"));
        td::StartEngine(td::BatchOperName, {name});
        waitForEngine();
        ASSERT_FALSE(env.exists("CellTalk.err")) << U(env.readFile("CellTalk.err"));
    }
    // The grid's event rows, every column.
    std::vector<std::vector<std::string>> rows() {
        auto* g = child<StringGrid>(f9, "StringGridMobileMDB");
        std::vector<std::vector<std::string>> out;
        for (int r = 1; r < g->rows() && !g->cell(0, r).empty(); ++r) {
            std::vector<std::string> row;
            for (int c = 0; c < g->columnCount(); ++c) row.push_back(U(g->cell(c, r)));
            out.push_back(row);
        }
        return out;
    }
    std::string panelText() { return U(td::toWin(child<QLabel>(f9, "PanelAutoDel")->text())); }
    std::vector<td::MdbRecord> events() {
        std::vector<std::string> lines;
        td::files::readLines(env.path("AutoRun/LastRun.mdb"), lines);
        std::vector<td::MdbRecord> out;
        for (const auto& l : lines)
            if (auto r = td::readMdbRecord(l)) out.push_back(*r);
        return out;
    }
};

TEST_F(DateBookEndToEnd, ReadShowsTheBookAndItsLastCopyAfterARestart) {
    f9->FormActivate();
    f9->bbGetMDBookClick();
    ASSERT_TRUE(env.exists("AutoRun/LastMDBook.txt")) << U(env.readFile("CellTalk.err"));
    auto shown = rows();
    ASSERT_EQ(shown.size(), 6u);
    EXPECT_EQ(shown[0],
              (std::vector<std::string>{"Встреча с Олегом", "Да", "Да", "10:00", "06-15-2025", "60",
                                        "09:45", "06-15-2025", "Не повторять "}));
    EXPECT_EQ(shown[2][0], "Обед, потом кино");
    EXPECT_EQ(shown[2][5], "90");  // the comma moved no field
    std::vector<std::string> repeats;
    for (const auto& r : shown) repeats.push_back(r[8]);
    EXPECT_EQ(repeats,
              (std::vector<std::string>{"Не повторять ", "Ежегодно", "Ежедневно", "Еженедельно",
                                        "Ежемесячно-число", "Ежемесячно-день"}));
    EXPECT_EQ(panelText(), "Авт. удалять через  4 недели");
    EXPECT_EQ(f9->autoDeleteNumber(), 4);
    EXPECT_EQ(U(td::toWin(child<QLabel>(f9, "lGetRecordCount")->text())), "6");

    if (const char* dir = std::getenv("TAPDECK_SHOT_DIR")) {
        f9->show();
        realPump.sleep(300);
        f9->grab().save(QString::fromLocal8Bit(dir) + "/datebook.png");
        f9->hide();
    }

    // "Последняя" in a program started anew.
    td::destroyForms();
    td::createForms();
    f9 = td::forms().Form9;
    f9->FormActivate();
    EXPECT_EQ(rows(), shown);
    // The copy's own line adds its blank to the phone's.
    EXPECT_EQ(panelText(), "Авт. удалять через   4 недели");
}

TEST_F(DateBookEndToEnd, UnloadLoadsIntoAnEmptyPhone) {
    f9->FormActivate();
    f9->bbGetMDBookClick();
    const auto original = rows();
    const auto originalEvents = events();
    ASSERT_EQ(original.size(), 6u);

    env.clock.setLocal(2026, 12, 6, 14, 9, 6);
    ASSERT_NO_FATAL_FAILURE(unloadIntoEmptyPhone("06.12.2026 14-09-06", "phone2.state"));
    const std::string log = env.readFile("AutoRun/LastRun.log");
    EXPECT_EQ(log.find("ERROR"), std::string::npos) << U(log);

    td::files::remove(env.path("AutoRun/LastRun.mdb"));
    f9->bbGetMDBookClick();
    EXPECT_EQ(events(), originalEvents);  // every field, index included
    EXPECT_EQ(rows(), original);
    EXPECT_EQ(f9->autoDeleteNumber(), 4);
    EXPECT_EQ(panelText(), "Авт. удалять через  4 недели");
}

// Titles holding the operation language's separator and macro words: the
// program's unload, run by the engine against an empty phone, gives the
// same events, and the phone gets nothing but date-book commands.
TEST_F(DateBookEndToEnd, HostileTitlesRestoreAsTitlesOnly) {
    usePhone(
        "hostile.state",
        "[phone]\nautodelete 1\n[datebook 500]\n"
        "1 \"Обед|ATD+79990001122;|AT+CPBW=1|\" 1 0 \"13:00\" \"06-20-2025\" 90 \"00:00\" "
        "\"00-00-2000\" 4\n"
        "2 \"|!dly 3|!bat[|\" 0 1 \"00:00\" \"07-02-2025\" 0 \"09:00\" \"07-02-2025\" 5\n"
        "5 \"a,b;c|d №7\" 1 1 \"10:00\" \"06-15-2025\" 60 \"09:45\" \"06-15-2025\" 0\n"
        "6 \"Обед \\\"у Анны\\\"\" 1 0 \"13:00\" \"06-20-2025\" 90 \"00:00\" \"00-00-2000\" 4\n"
        "7 \"a\\tb\" 1 0 \"13:00\" \"06-20-2025\" 90 \"00:00\" \"00-00-2000\" 4\n"
        "8 \"汉字\" 1 0 \"13:00\" \"06-20-2025\" 90 \"00:00\" \"00-00-2000\" 4\n"
        "9 \"ABBA\" 1 0 \"13:00\" \"06-20-2025\" 90 \"00:00\" \"00-00-2000\" 4\n");
    f9->FormActivate();
    f9->bbGetMDBookClick();
    const auto originalEvents = events();
    ASSERT_EQ(originalEvents.size(), 7u) << U(env.readFile("CellTalk.err"));
    EXPECT_EQ(U(originalEvents[0].title), "Обед|ATD+79990001122;|AT+CPBW=1|");
    // Titles Windows-1251 cannot give exactly are shown decoded.
    std::vector<std::string> titles;
    for (const auto& row : rows()) titles.push_back(row[0]);
    ASSERT_EQ(titles.size(), 7u);
    EXPECT_EQ(std::vector<std::string>(titles.begin() + 3, titles.end()),
              (std::vector<std::string>{"Обед \"у Анны\"", "a b", "??", "ABBA"}));

    env.clock.setLocal(2026, 12, 7, 10, 0, 0);
    ASSERT_NO_FATAL_FAILURE(unloadIntoEmptyPhone("07.12.2026 10-00-00", "empty.state"));
    std::vector<std::string> log;
    td::files::readLines(env.path("AutoRun/LastRun.log"), log);
    for (const std::string& line : log) {
        const std::string up = td::upperAscii(line);
        if (up.rfind("AT", 0) != 0) continue;  // an answer
        EXPECT_TRUE(up.rfind("AT+MDB", 0) == 0 || up.rfind("AT+CSCS", 0) == 0 ||
                    up.rfind("AT+CGSN", 0) == 0)
            << U(line);
    }
    const std::string restored = env.readFile("empty.state");
    EXPECT_EQ(restored.find("[phonebook"), std::string::npos) << "no phone-book entry written";
    // The second phone holds every title exactly as the first did.
    for (const char* title : {"\"Обед \\\"у Анны\\\"\"", "\"a\\tb\"", "\"汉字\"", "\"ABBA\"",
                              "\"a,b;c|d №7\"", "\"|!dly 3|!bat[|\""})
        EXPECT_NE(restored.find(title), std::string::npos) << title << "\n" << restored;

    td::files::remove(env.path("AutoRun/LastRun.mdb"));
    f9->bbGetMDBookClick();
    EXPECT_EQ(events(), originalEvents);
}

// Events added from an iCalendar file wait until "В телефон" wrote them into
// free positions of the phone; the same run reads the book again.
class DateBookImportEndToEnd : public DateBookEndToEnd {
  protected:
    td::test::ScriptedChooser chooser;
    void SetUp() override {
        DateBookEndToEnd::SetUp();
        td::setFileChooser(&chooser);
    }
    void TearDown() override {
        td::setFileChooser(nullptr);
        DateBookEndToEnd::TearDown();
    }
    void importTwo() {
        std::ofstream(env.path("new.ics"), std::ios::binary)
            << ("BEGIN:VCALENDAR\r\nVERSION:2.0\r\n"
                "BEGIN:VEVENT\r\nSUMMARY:Стоматолог\r\nDTSTART:20250620T083000\r\n"
                "DURATION:PT30M\r\nEND:VEVENT\r\n"
                "BEGIN:VEVENT\r\nSUMMARY:Say \"hi\"\r\nDTSTART;VALUE=DATE:20250703\r\n"
                "END:VEVENT\r\nEND:VCALENDAR\r\n");
        chooser.answers = {env.path("new.ics")};
        f9->bbFromICalendarClick();
    }
    QPushButton* toPhone() { return child<QPushButton>(f9, "bbToPhone"); }
    std::vector<std::string> titles() {
        std::vector<std::string> out;
        for (const auto& e : events()) out.push_back(td::mdbTitleUtf8(e.title));
        return out;
    }
};

TEST_F(DateBookImportEndToEnd, ImportedEventsAreWrittenAndReadBack) {
    f9->FormActivate();
    f9->bbGetMDBookClick();
    const auto phoneEvents = events();
    ASSERT_EQ(phoneEvents.size(), 6u) << U(env.readFile("CellTalk.err"));
    EXPECT_FALSE(toPhone()->isEnabled());

    importTwo();
    ASSERT_EQ(rows().size(), 8u);
    ASSERT_TRUE(toPhone()->isEnabled());
    // A read before the write keeps them: the copy still holds them.
    f9->bbGetMDBookClick();
    EXPECT_NE(env.readFile("AutoRun/LastMDBook.txt").find(W("41,\"Стоматолог\"")),
              std::string::npos);
    f9->bbLastCopyClick();
    EXPECT_EQ(rows().size(), 8u);
    EXPECT_TRUE(toPhone()->isEnabled());

    env.dialogs.questions.clear();
    f9->bbToPhoneClick();
    ASSERT_FALSE(env.exists("CellTalk.err")) << U(env.readFile("CellTalk.err"));
    ASSERT_EQ(env.dialogs.questions.size(), 1u);
    EXPECT_NE(U(env.dialogs.questions[0]).find("(2)"), std::string::npos);
    EXPECT_FALSE(env.exists("AutoRun/PendingMDBook.txt"));
    EXPECT_FALSE(toPhone()->isEnabled());

    // The phone holds its own six events unchanged and the two new ones in
    // its first free positions.
    auto now = events();
    ASSERT_EQ(now.size(), 8u);
    for (const auto& e : phoneEvents)
        EXPECT_NE(std::find(now.begin(), now.end(), e), now.end()) << U(e.title);
    EXPECT_EQ(titles(), (std::vector<std::string>{
                            "Встреча с Олегом", "Birthday Anna", "Обед, потом кино", "Стоматолог",
                            "Say \"hi\"", "Team sync, room 204", "Оплата квартиры", "Йога"}));
    EXPECT_EQ(now[3].index, "4");
    EXPECT_EQ(now[4].index, "5");
    EXPECT_EQ(now[3].time, "08:30");
    EXPECT_EQ(rows().size(), 8u);

    // Read again: nothing doubled, nothing waits.
    f9->bbGetMDBookClick();
    EXPECT_EQ(events().size(), 8u);
    f9->bbLastCopyClick();
    EXPECT_EQ(rows().size(), 8u);
}

TEST_F(DateBookImportEndToEnd, APhoneWithoutRoomRefusesAndTheEventsWait) {
    // Every position the read covers is taken.
    std::string full = "[phone]\nautodelete 0\n[datebook 100]\n";
    for (int i = 1; i <= 100; ++i)
        full += std::to_string(i) + " \"E" + std::to_string(i) +
                "\" 1 0 \"10:00\" \"06-15-2025\" 60 \"00:00\" \"00-00-2000\" 0\n";
    usePhone("full.state", full.c_str());
    f9->FormActivate();
    f9->bbGetMDBookClick();
    ASSERT_EQ(events().size(), 100u) << U(env.readFile("CellTalk.err"));
    importTwo();
    env.dialogs.messages.clear();
    f9->bbToPhoneClick();

    ASSERT_TRUE(env.exists("CellTalk.err"));
    std::vector<std::string> error;
    td::files::readLines(env.path("CellTalk.err"), error);
    ASSERT_FALSE(error.empty());
    ASSERT_EQ(env.dialogs.messages.size(), 1u);
    const std::string told = U(env.dialogs.messages[0]);
    EXPECT_NE(told.find("События не записаны в телефон"), std::string::npos) << told;
    EXPECT_NE(told.find(U(error[0])), std::string::npos) << told;
    EXPECT_TRUE(env.exists("AutoRun/PendingMDBook.txt"));
    EXPECT_TRUE(toPhone()->isEnabled());
    EXPECT_EQ(env.readFile("full.state").find("Стоматолог"), std::string::npos);

    // The next read keeps them in the copy, still waiting.
    f9->bbGetMDBookClick();
    std::vector<std::string> copy;
    td::files::readLines(env.path("AutoRun/LastMDBook.txt"), copy);
    EXPECT_EQ(std::count_if(copy.begin(), copy.end(),
                            [](const std::string& l) { return td::readMdbRecord(l).has_value(); }),
              102);
    EXPECT_TRUE(toPhone()->isEnabled());
}

}  // namespace
