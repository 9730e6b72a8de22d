// The whole phone backed up and restored through the command line, with the
// real engine and its simulated phone (a state file each phone): a round trip
// into an empty phone gives the same entries, messages and events; a phone
// that holds some of it gets only the rest, and what has no room is named; a
// backup that fails or is stopped leaves no manifest, and a restore from a
// changed folder does not start.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "app/backup.h"
#include "app/cli.h"
#include "demorun.h"
#include "engine/settingkeys.h"
#include "engine/settings.h"
#include "formats/mdbrecord.h"
#include "formats/smslistfile.h"
#include "formats/smsrecord.h"
#include "main/TapdeckP.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/process.h"
#include "platform/qtservices.h"
#include "support/chooser.h"
#include "support/fakes.h"
#include "support/qtapp.h"

using td::test::U;
using td::test::W;
namespace fs = std::filesystem;

namespace {

// 250 entries (Cyrillic, Latin, "+" and national numbers, a name as long as
// the phone's field), 100 stored messages in four states, one of them the
// three parts of a long text, and a date book.
std::string firstPhone() {
    std::ostringstream s;
    s << "[phone]\nmanufacturer \"Motorola\"\nmodel \"C650\"\nimei \"351234567890123\"\n"
         "[phonebook SM 300]\n";
    for (int i = 1; i <= 250; ++i) {
        std::string name = i % 3 == 0   ? "Абонент " + std::to_string(i)
                           : i % 3 == 1 ? "Contact " + std::to_string(i)
                                        : "Имя-" + std::to_string(i);
        if (i == 250) name = "Очень длинное имя 24 зн.";  // exactly the phone's 24
        s << i << " \"" << (i % 2 ? "+7916" : "8916") << 1000000 + i << "\" " << (i % 2 ? 145 : 129)
          << " \"" << name << "\"\n";
    }
    s << "[phonebook ME 500]\n1 \"+74957654321\" 145 \"Дом\"\n";
    s << "[sms SM 150]\n";
    const char* states[] = {"REC READ", "REC UNREAD", "STO SENT", "STO UNSENT"};
    for (int i = 1; i <= 97; ++i) {
        const bool received = i % 4 < 2;
        s << i << " \"" << states[i % 4] << "\" \"+7903" << 2000000 + i << "\" \""
          << (received ? "25/06/02,18:05:" + std::to_string(10 + i % 40) + "+12" : "") << "\" "
          << (i % 2 ? "ucs2 \"Привет, сообщение " : "gsm \"Hello, message ") << i << "\"\n";
    }
    const std::string a(153, 'a'), b(153, 'b');
    s << "98 \"REC READ\" \"+79161234567\" \"25/06/03,09:00:00+12\" gsm \"" << a
      << "\" part 7 3 1 8\n"
      << "99 \"REC READ\" \"+79161234567\" \"25/06/03,09:00:00+12\" gsm \"" << b
      << "\" part 7 3 2 8\n"
      << "100 \"REC READ\" \"+79161234567\" \"25/06/03,09:00:00+12\" gsm \"конец\" part 7 3 3 8\n";
    s << "[datebook 500]\n"
         "1 \"Встреча с Олегом\" 1 1 \"10:00\" \"06-15-2025\" 60 \"09:45\" \"06-15-2025\" 0\n"
         "2 \"Birthday Anna\" 0 1 \"00:00\" \"07-02-2025\" 1440 \"09:00\" \"07-02-2025\" 5\n"
         "5 \"Обед, потом кино\" 1 0 \"13:00\" \"06-20-2025\" 90 \"00:00\" \"00-00-2000\" 1\n";
    return s.str();
}

const char* const kEmptyPhone =
    "[phone]\n[phonebook SM 300]\n[phonebook ME 500]\n[sms SM 150]\n[sms ME 100]\n"
    "[datebook 500]\n";

struct Result {
    int code;
    std::string err;
};

class BackupEndToEnd : public ::testing::Test {
  protected:
    td::test::TestEnv env;
    td::QtEventPump realPump;
    bool onPty = false;  // each phone a phonesim on its own pseudo-terminal
    std::vector<pid_t> phones;

    void TearDown() override {
        for (pid_t pid : phones) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
    }

    void SetUp() override {
        td::test::qtApp();
        for (const char* f : {"tapdeck.ini", "celltalk.ini"})
            fs::copy_file(fs::path(DEMO_DIR) / f, fs::path(env.dir) / f);
        fs::create_symlink(CELLTALK_BIN, fs::path(env.dir) / "celltalk");
        td::services().pump = &realPump;
    }
    void usePhone(const std::string& file, const std::string& state) {
        if (!state.empty()) std::ofstream(env.path(file), std::ios::binary) << state;
        td::IniFile ini(env.path("celltalk.ini"));
        if (!onPty) {
            td::writeSetting(ini, td::setting::SimState, file);
            return;
        }
        const std::string pty = env.path(file + ".pty"), stateFile = env.path(file);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::execl(PHONESIM_BIN, PHONESIM_BIN, "--pty", pty.c_str(), "--state", stateFile.c_str(),
                    "--baud", "115200", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        phones.push_back(pid);
        for (int i = 0; i < 100 && !fs::exists(pty); ++i) realPump.sleep(50);
        ASSERT_TRUE(fs::exists(pty));
        td::writeSetting(ini, td::setting::ComPort, pty);
    }
    Result cli(const std::string& option, const std::string& dir) {
        std::ostringstream out, err;
        int code = td::exchange::runCommandLine({option, dir}, "tapdeck", out, err);
        return {code, err.str()};
    }
    std::vector<std::string> lines(const std::string& file) {
        std::vector<std::string> l;
        td::files::readLines(env.path(file), l);
        return l;
    }
    std::string manifestValue(const std::string& dir, const std::string& key) {
        auto m = td::backup::readManifest(env.readFile(dir + "/manifest.txt"));
        return m && m->values.count(key) ? m->values.at(key) : "?";
    }
    // Messages as a restore keeps them: status, number, time, parts, text.
    std::multiset<std::string> messages(const std::string& dir) {
        std::multiset<std::string> out;
        for (const auto& l : lines(dir + "/sms-SM.txt"))
            if (auto f = td::sms::readSmsRecord(l, {"+CMGL"}))
                out.insert(f->status + "|" + f->number + "|" + td::sms::recordTime(l) + "|" +
                           std::to_string(f->parts.size()) + "|" + f->text);
        return out;
    }
    void roundTrip();
    std::vector<td::MdbRecord> events(const std::string& dir) {
        std::vector<td::MdbRecord> out;
        for (const auto& l : lines(dir + "/datebook.txt"))
            if (auto r = td::readMdbRecord(l)) {
                r->index.clear();
                out.push_back(*r);
            }
        return out;
    }
};

// Backed up, restored into an empty phone, backed up again: the two backups
// agree field for field; a second restore writes nothing.
void BackupEndToEnd::roundTrip() {
    usePhone("a.state", firstPhone());
    Result r = cli("--backup", "a");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("Телефонная книга SM: 250"), std::string::npos) << r.err;
    EXPECT_EQ(manifestValue("a", "PhoneBook.SM"), "250");
    EXPECT_EQ(manifestValue("a", "Messages.SM"), "98");  // the three parts are one
    EXPECT_EQ(manifestValue("a", "Events"), "3");
    EXPECT_EQ(manifestValue("a", "Serial"), "351234567890123");

    std::string out;
    int py = td::runForOutput("/usr/bin/python3",
                              std::string("\"") + BACKUP_CHECK + "\" \"" + env.path("a") + "\"", "",
                              out, [&](int ms) { realPump.sleep(ms); });
    if (py != 77) {
        EXPECT_EQ(py, 0) << out;
    }

    usePhone("b.state", kEmptyPhone);
    r = cli("--restore", "a");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("В копии: телефонная книга ME: 1, телефонная книга SM: 250, SMS: 98"),
              std::string::npos)
        << r.err;
    r = cli("--backup", "b");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(lines("a/phonebook-SM.txt"), lines("b/phonebook-SM.txt"));
    EXPECT_EQ(lines("a/phonebook-ME.txt"), lines("b/phonebook-ME.txt"));
    EXPECT_EQ(messages("a"), messages("b"));
    EXPECT_EQ(messages("a").size(), 98u);
    EXPECT_EQ(events("a"), events("b"));

    // Restored again: everything is there already, nothing is written twice.
    r = cli("--restore", "a");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("записей книги 0, SMS 0, событий 0; уже есть в телефоне: 352"),
              std::string::npos)
        << r.err;
}

TEST_F(BackupEndToEnd, RoundTripIntoAnEmptyPhoneKeepsEveryField) {
    roundTrip();
}

// The same through two phones on pseudo-terminals at 115200, as real phones
// on their serial ports.
TEST_F(BackupEndToEnd, RoundTripBetweenTwoPhonesOnTheirPorts) {
    onPty = true;
    roundTrip();
}

TEST_F(BackupEndToEnd, PhoneHoldingSomeGetsOnlyTheRestAndNamesWhatHasNoRoom) {
    usePhone("a.state", firstPhone());
    ASSERT_EQ(cli("--backup", "a").code, 0);
    // Ten of the entries and an own one, five of the messages in a storage
    // five places short of the rest, and one of the events.
    std::ostringstream c;
    c << "[phone]\n[phonebook SM 300]\n";
    for (int i = 1; i <= 10; ++i)
        c << 100 + i << " \"" << (i % 2 ? "+7916" : "8916") << 1000000 + i << "\" "
          << (i % 2 ? 145 : 129) << " \""
          << (i % 3 == 0   ? "Абонент " + std::to_string(i)
              : i % 3 == 1 ? "Contact " + std::to_string(i)
                           : "Имя-" + std::to_string(i))
          << "\"\n";
    c << "7 \"+70000000007\" 145 \"Своя запись\"\n[sms SM 95]\n";
    for (int i = 1; i <= 5; ++i)
        c << i << " \"STO SENT\" \"+7903" << 2000000 + 4 * i - 2 << "\" \"\" gsm \"Hello, message "
          << 4 * i - 2 << "\"\n";
    c << "[datebook 500]\n"
         "9 \"Birthday Anna\" 0 1 \"00:00\" \"07-02-2025\" 1440 \"09:00\" \"07-02-2025\" 5\n";
    usePhone("c.state", c.str());
    Result r = cli("--restore", "a");
    EXPECT_EQ(r.code, 1) << r.err;
    // 95 places, 5 taken: 90 left for 93 single messages and the 3-part one.
    EXPECT_NE(r.err.find("записей книги 241, SMS"), std::string::npos) << r.err;
    size_t named = 0;
    for (size_t at = r.err.find("Не записано: SMS"); at != std::string::npos;
         at = r.err.find("Не записано: SMS", at + 1))
        ++named;
    // 90 places for 92 single messages and a 3-part one: the last three named.
    EXPECT_EQ(named, 3u) << r.err;

    ASSERT_EQ(cli("--backup", "c").code, 0);
    std::map<std::string, int> count;
    for (const auto& l : lines("c/phonebook-SM.txt")) ++count[l];
    EXPECT_EQ(count[W("Своя запись=+70000000007")], 1);
    for (const auto& l : lines("a/phonebook-SM.txt")) EXPECT_EQ(count[l], 1) << U(l);
    EXPECT_EQ(lines("c/phonebook-SM.txt").size(), 251u);
    EXPECT_EQ(events("c").size(), 3u);
    EXPECT_EQ(messages("c").size(), 95u);
}

TEST_F(BackupEndToEnd, FailedStoppedOrChangedLeavesNoWholeBackup) {
    usePhone("a.state", firstPhone());
    // A name the folder holds as a directory: that file cannot be written.
    fs::create_directories(env.path("x/sms.csv"));
    Result r = cli("--backup", "x");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("sms.csv"), std::string::npos) << r.err;
    EXPECT_FALSE(env.exists("x/manifest.txt"));
    if (::geteuid() != 0) {  // root writes into a read-only folder all the same
        fs::create_directories(env.path("ro"));
        ::chmod(env.path("ro").c_str(), 0555);
        r = cli("--backup", "ro");
        EXPECT_EQ(r.code, 1);
        EXPECT_FALSE(env.exists("ro/manifest.txt"));
    }
    // Stopped: no manifest is written.
    td::prog().StartDir = env.dir;
    td::backup::Outcome o = td::backup::backupPhone(
        env.path("st"),
        td::backup::engineRunner([&](int ms) { realPump.sleep(ms); }, [] { return true; }),
        [](const std::string&) {}, "now");
    EXPECT_FALSE(o.ok);
    EXPECT_NE(U(o.failure).find("Остановлено"), std::string::npos) << U(o.failure);
    EXPECT_FALSE(env.exists("st/manifest.txt"));
    ASSERT_EQ(cli("--backup", "s").code, 0);
    ASSERT_TRUE(env.exists("s/manifest.txt"));

    // One changed byte: the restore refuses before the phone is touched.
    std::string sms = env.readFile("s/sms-SM.txt");
    sms[sms.size() / 2] ^= 1;
    std::ofstream(env.path("s/sms-SM.txt"), std::ios::binary) << sms;
    usePhone("b.state", kEmptyPhone);
    const std::string before = env.readFile("b.state");
    td::files::remove(env.path("AutoRun/LastRun.log"));
    r = cli("--restore", "s");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Контрольная сумма файла"), std::string::npos) << r.err;
    EXPECT_FALSE(env.exists("AutoRun/LastRun.log"));
    EXPECT_EQ(env.readFile("b.state"), before);
    EXPECT_EQ(cli("--restore", "nothing-here").code, 1);
}

// The main window's menu, with real clicks: a right click on the window,
// the first item chosen, a new folder named; the progress shows each part
// and the outcome is told once. Then the restore item into an empty phone,
// asked about with the counts first.
class BackupWindow : public td::test::DemoRun {
  protected:
    td::test::ScriptedChooser chooser;
    std::vector<std::string> progress;
    void beforeForms() override {
        std::ofstream(env.path("a.state"), std::ios::binary) << firstPhone();
        td::IniFile ini(env.path("celltalk.ini"));
        td::writeSetting(ini, td::setting::SimState, std::string("a.state"));
        td::setFileChooser(&chooser);
    }
    void TearDown() override {
        td::setFileChooser(nullptr);
        DemoRun::TearDown();
    }
    // Right click on the window's background, then the menu's item `down`
    // steps down; the progress window's lines are kept (and its picture).
    void choose(int down, const QString& shot) {
        TForm1* f1 = td::forms().Form1;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                if (!shot.isEmpty()) menu->grab().save(shot + "-menu.png");
                for (int i = 0; i < down; ++i) QTest::keyClick(menu, Qt::Key_Down);
                QTest::keyClick(menu, Qt::Key_Return);
            }
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->objectName() == "BackupProgress" && w->isVisible()) {
                    auto* memo = w->findChild<QPlainTextEdit*>("Memo1");
                    progress.push_back(td::toWin(memo->toPlainText()));
                    if (!shot.isEmpty()) w->grab().save(shot + ".png");
                }
        });
        watch.start(5);
        // What a right click on the window's background delivers to it.
        const QPoint at(f1->width() - 4, f1->height() - 4);
        QContextMenuEvent click(QContextMenuEvent::Mouse, at, f1->mapToGlobal(at));
        QApplication::sendEvent(f1, &click);
    }
};

TEST_F(BackupWindow, MenuBacksUpAndRestoresWithProgress) {
    const QString shots = qEnvironmentVariable("TAPDECK_SHOTS");
    chooser.answers = {env.path("copy")};
    choose(1, shots.isEmpty() ? "" : shots + "/backup");
    ASSERT_TRUE(env.exists("copy/manifest.txt"))
        << (env.dialogs.messages.empty() ? "" : U(env.dialogs.messages.back()));
    ASSERT_EQ(env.dialogs.messages.size(), 1u);
    EXPECT_EQ(U(env.dialogs.messages[0]), "Резервная копия записана в " + env.path("copy"));
    ASSERT_FALSE(progress.empty());
    EXPECT_NE(U(progress.back()).find("Телефонная книга SM: 250"), std::string::npos)
        << U(progress.back());

    std::ofstream(env.path("b.state"), std::ios::binary) << kEmptyPhone;
    td::IniFile ini(env.path("celltalk.ini"));
    td::writeSetting(ini, td::setting::SimState, std::string("b.state"));
    chooser.answers = {env.path("copy/manifest.txt")};
    choose(2, "");
    ASSERT_EQ(env.dialogs.questions.size(), 1u);
    EXPECT_NE(U(env.dialogs.questions[0]).find("телефонная книга SM: 250, SMS: 98"),
              std::string::npos)
        << U(env.dialogs.questions[0]);
    ASSERT_EQ(env.dialogs.messages.size(), 2u);
    EXPECT_EQ(U(env.dialogs.messages[1]), "Восстановление закончено: всё из копии есть в телефоне");
}

}  // namespace
