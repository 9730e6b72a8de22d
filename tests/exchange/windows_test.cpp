// The export and import buttons of the own phone book, date book and SMS
// windows, clicked on the shown windows with a scripted file chooser.

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <deque>

#include "datebook/MemDayBook.h"
#include "formats/ownbook.h"
#include "phonebook/TpdPBook.h"
#include "platform/files.h"
#include "platform/qtservices.h"
#include "sms/GetSentSMS.h"
#include "support/chooser.h"
#include "support/fakes.h"
#include "support/qtapp.h"
#include "support/widgets.h"
#include "widgets/stringgrid.h"

namespace {

using td::test::child;
using td::test::W;

using td::test::ScriptedChooser;

struct ExchangeButtons : ::testing::Test {
    ExchangeButtons() { td::test::qtApp(); }
    td::test::TestEnv env;
    ScriptedChooser chooser;
    void SetUp() override { td::setFileChooser(&chooser); }
    void TearDown() override { td::setFileChooser(nullptr); }
    // TAPDECK_SHOTS=<folder>: pictures of the windows for the documentation.
    static void shot(QWidget* w, const char* file) {
        if (QString dir = qEnvironmentVariable("TAPDECK_SHOTS"); !dir.isEmpty())
            w->grab().save(dir + "/" + file);
    }
    void click(QWidget* w, const char* button) {
        QTest::mouseClick(child<QPushButton>(w, button), Qt::LeftButton);
    }
};

TEST_F(ExchangeButtons, OwnBookExportsWhatIsShownAndImportsWithoutOverwriting) {
    env.writeFile("tapdeck.ini", "[PhoneBook]\nAnn=111\n");
    TForm3 form;
    form.show();
    auto* grid = child<StringGrid>(form, "StringGridPhoneBook");
    grid->setCell(0, 2, "Bob");  // typed, not saved yet
    grid->setCell(1, 2, "222");

    chooser.answers = {env.path("out.csv")};
    click(&form, "bbExport");
    EXPECT_EQ(env.readFile("out.csv"), "\xEF\xBB\xBFName,Phone\r\nAnn,'111\r\nBob,'222\r\n");
    ASSERT_EQ(env.dialogs.messages.size(), 1u);

    env.writeFile("in.vcf",
                  "BEGIN:VCARD\nVERSION:3.0\nFN:Ann\nTEL:111\nTEL:333\nEND:VCARD\n"
                  "BEGIN:VCARD\nVERSION:3.0\nFN:Lost\nEND:VCARD\n");
    chooser.answers = {env.path("in.vcf")};
    click(&form, "bbImport");
    std::vector<td::PBRecord> stored = td::loadOwnBook(env.path("tapdeck.ini")).rows;
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[1].name, "Bob");
    EXPECT_EQ(stored[2].name, "Ann (2)");
    EXPECT_EQ(stored[2].number, "333");
    EXPECT_EQ(grid->cell(0, 3), "Ann (2)");
    shot(&form, "phonebook-exchange.png");
    ASSERT_EQ(env.dialogs.messages.size(), 2u);
    EXPECT_NE(env.dialogs.messages[1].find(W("не принято 1")), std::string::npos)
        << td::test::U(env.dialogs.messages[1]);

    click(&form, "bbImport");  // cancelled: nothing said, nothing changed
    EXPECT_EQ(env.dialogs.messages.size(), 2u);
    EXPECT_EQ(chooser.titles.size(), 3u);
}

TEST_F(ExchangeButtons, DateBookAndSmsListExportTheirLastCopies) {
    env.writeFile("tapdeck.ini", "[PhoneBook]\n");
    TForm9 dateBook;
    dateBook.show();
    click(&dateBook, "bbICalendar");  // no last copy: said, no file asked for
    ASSERT_EQ(env.dialogs.messages.size(), 1u);
    EXPECT_TRUE(chooser.titles.empty());

    env.writeFile(
        "AutoRun/LastMDBook.txt",
        "+MDBR: 1,\"Встреча\",1,0,\"10:00\",\"06-15-2025\",60,\"10:00\",\"06-15-2025\",0\n");
    click(&dateBook, "bbLastCopy");
    chooser.answers = {env.path("book.ics")};
    click(&dateBook, "bbICalendar");
    EXPECT_NE(env.readFile("book.ics").find("SUMMARY:Встреча"), std::string::npos);
    shot(&dateBook, "datebook-exchange.png");

    // Events from a calendar go into the last copy and are shown at once.
    td::files::writeAll(env.path("in.ics"),
                        "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nSUMMARY:Dentist\r\n"
                        "DTSTART:20250620T083000\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
    chooser.answers = {env.path("in.ics")};
    env.dialogs.messages.clear();
    click(&dateBook, "bbFromICalendar");
    EXPECT_EQ(chooser.titles.back(), W("Ежедневник из iCalendar"));
    ASSERT_EQ(env.dialogs.messages.size(), 1u);
    EXPECT_EQ(env.dialogs.messages[0], W("Событий добавлено в ежедневник из \"in.ics\": 1"));
    EXPECT_EQ(child<QLabel>(dateBook, "lGetRecordCount")->text(), "2");
    EXPECT_NE(env.readFile("AutoRun/LastMDBook.txt").find("+MDBR: 2,\"Dentist\""),
              std::string::npos);
    shot(&dateBook, "datebook-import.png");

    env.writeFile("AutoRun/Sent-LastRun.sms", "+CMGL=1,\"STO SENT\",\"+7903\"}Hello there\n");
    TForm5 sent;
    sent.show();                     // opens on its last copy
    click(&dateBook, "bbLastCopy");  // another window's read: the sent list is exported still
    chooser.answers = {env.path("sent.csv")};
    click(&sent, "bbExportCsv");
    shot(&sent, "sms-exchange.png");
    EXPECT_EQ(
        env.readFile("sent.csv"),
        "\xEF\xBB\xBFIndex,Status,Number,Name,Text,Time\r\n1,STO SENT,'+7903,,Hello there,\r\n");
}

}  // namespace
