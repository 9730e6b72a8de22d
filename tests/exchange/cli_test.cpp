// The command line's exports and imports on a folder of its own.

#include "app/cli.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "app/folderlock.h"
#include "formats/ownbook.h"
#include "platform/files.h"
#include "support/fakes.h"

namespace {

using td::test::TestEnv;
using td::test::W;
using namespace td::exchange;

struct Result {
    int code;
    std::string out, err;
};

Result run(std::vector<std::string> args, const std::string& callerDir = {}) {
    std::ostringstream out, err;
    int code = runCommandLine(args, "tapdeck", out, err, callerDir);
    return {code, out.str(), err.str()};
}

TEST(CommandLine, UsageAndFailures) {
    TestEnv env;
    struct Case {
        std::vector<std::string> args;
        int code;
    } cases[] = {
        {{"--help"}, ExitOk},
        {{"--help", "x"}, ExitUsage},
        {{"--frobnicate"}, ExitUsage},
        {{"--export-phonebook"}, ExitUsage},
        {{"--export-phonebook", "book.txt"}, ExitUsage},
        {{"--export-sms", "drafts", "a.csv"}, ExitUsage},
        {{"--export-phonebook", "book.vcf"}, ExitFailed},  // no tapdeck.ini
        {{"--import-phonebook", "missing.vcf"}, ExitFailed},
        {{"--export-datebook", "d.ics"}, ExitFailed},  // no last copy
        {{"--export-sms", "sent", "s.csv"}, ExitFailed},
        {{"--import-datebook"}, ExitUsage},
        {{"--import-datebook", "missing.ics"}, ExitFailed},
        {{"--backup"}, ExitUsage},
        {{"--restore", "a", "b"}, ExitUsage},
        {{"--restore", "no-backup-here"}, ExitFailed},  // no manifest: nothing touched
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + std::to_string(c.args.size()));
        Result r = run(c.args);
        EXPECT_EQ(r.code, c.code) << r.err;
        EXPECT_EQ(r.err.empty(), c.code == ExitOk);
    }
}

// Qt's own options open the windows; anything else is the command line's,
// which answers an unknown option or a bare file with its usage.
TEST(CommandLine, WhatOpensTheWindows) {
    TestEnv env;
    struct Case {
        std::vector<std::string> args;
        bool commandLine;
    } cases[] = {
        {{}, false},
        {{"-platform", "offscreen"}, false},
        {{"-style=fusion", "-reverse", "-session", "1234_5"}, false},
        {{"--help"}, true},
        {{"-h"}, true},
        {{"-x"}, true},
        {{"-help"}, true},
        {{"book.vcf"}, true},
        {{"-platform", "offscreen", "book.vcf"}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        EXPECT_EQ(wantsCommandLine(c.args), c.commandLine);
        if (c.commandLine && c.args.back() != "--help" && c.args.back() != "-h") {
            EXPECT_EQ(run(c.args).code, ExitUsage);
        }
    }
    EXPECT_EQ(run({"-platform", "offscreen", "--help"}).code, ExitOk);
}

// An export never replaces a pipe or a device with a plain file, and a write
// beyond the size limit of files is a named failure, not the end of the
// program; nothing is left behind.
TEST(CommandLine, ExportsToWhatIsNoFileFailByName) {
    TestEnv env;
    std::string book = "[PhoneBook]\n";
    for (int i = 0; i < 3000; ++i)
        book += "Name" + std::to_string(i) + "=+7916" + std::to_string(i) + "\n";
    env.writeFile("tapdeck.ini", book);
    ASSERT_EQ(::mkfifo(env.path("pipe.vcf").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/null", env.path("null.csv").c_str()), 0);
    for (const char* target : {"pipe.vcf", "null.csv"}) {
        Result r = run({"--export-phonebook", target});
        EXPECT_EQ(r.code, ExitFailed) << target;
        EXPECT_NE(r.err.find("канал или устройство"), std::string::npos) << r.err;
    }
    struct stat st;
    ASSERT_EQ(::stat(env.path("pipe.vcf").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    keepRunningPastFileSizeLimit();
    rlimit was{};
    ::getrlimit(RLIMIT_FSIZE, &was);
    rlimit small = was;
    small.rlim_cur = 16 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    Result r = run({"--export-phonebook", "big.vcf"});
    ::setrlimit(RLIMIT_FSIZE, &was);
    EXPECT_EQ(r.code, ExitFailed);
    EXPECT_NE(r.err.find("ulimit -f"), std::string::npos) << r.err;
    for (const auto& e : std::filesystem::directory_iterator(env.dir))
        EXPECT_EQ(e.path().filename().string().find("big.vcf"), std::string::npos) << e.path();
}

// With the program running in the folder, an import writes nothing that
// the window's closing write would undo; with the folder free it goes in.
TEST(CommandLine, ImportsWaitForTheFolder) {
    TestEnv env;
    env.writeFile("tapdeck.ini", "[PhoneBook]\nAnn=1\n");
    env.writeFile("in.vcf", "BEGIN:VCARD\nVERSION:3.0\nFN:Bob\nTEL:2\nEND:VCARD\n");
    const std::string before = env.readFile("tapdeck.ini");
    {
        td::FolderLock window(td::files::currentDir(), "tapdeck");
        qint64 holder = 0;
        ASSERT_TRUE(window.take(holder));
        for (const char* option : {"--import-phonebook", "--import-datebook"}) {
            Result r = run({option, "in.vcf"});
            EXPECT_EQ(r.code, ExitFailed) << option;
            EXPECT_NE(r.err.find("процесс " + std::to_string(::getpid())), std::string::npos)
                << r.err;
        }
        EXPECT_EQ(env.readFile("tapdeck.ini"), before);
        EXPECT_FALSE(env.exists("AutoRun/LastMDBook.txt"));
        EXPECT_EQ(run({"--export-phonebook", "out.vcf"}).code, ExitOk);  // reading is fine
    }
    EXPECT_EQ(run({"--import-phonebook", "in.vcf"}).code, ExitOk);
    EXPECT_EQ(td::loadOwnBook(env.path("tapdeck.ini")).rows.size(), 2u);
}

// Files as phones, mail programs and address books write them: every entry
// is kept exactly, or refused by name with the line and exit code 1; the
// encoding read is told when it is not UTF-8.
TEST(CommandLine, ImportsPeersFilesExactly) {
    struct Case {
        const char* file;
        std::vector<td::PBRecord> rows;  // UTF-8
        int code;
        const char* told;  // in the messages
    } cases[] = {
        {"android21.vcf",
         {{"Сергей Смирнов", "+79161234567"}, {"Сергей Смирнов (2)", "84951112233"}},
         ExitOk,
         "добавлено 2"},
        {"icloud30.vcf",
         {{"Иван Петров", "+79167654321"},
          {"Иван Петров (2)", "+74952223344"},
          {"Kate O'Brien", "+15550100200"}},
         ExitOk,
         "добавлено 3"},
        {"thunderbird40.vcf",
         {{"Anna Schmidt", "+491701234567"}},
         ExitFailed,
         "строка 1: добавочный номер"},
        {"nextcloud30.vcf", {{"Мария Кузнецова-Орлова", "+78125556677"}}, ExitOk, "добавлено 1"},
        {"utf16.vcf", {{"Ольга", "+79990001122"}}, ExitOk, "кодировке UTF-16LE"},
        {"cronly.vcf", {{"Mac User", "+15550001"}, {"Second", "+15550002"}}, ExitOk, "добавлено 2"},
        {"random.vcf", {}, ExitFailed, "строка 1: файл не текстовый"},
        {"outlook-en.csv",
         {{"John Smith", "+15550102"}, {"John Smith (2)", "+15550101"}},
         ExitOk,
         "добавлено 2"},
        {"outlook-ru.csv",
         {{"Сергей Петрович Иванов", "+79161000001"},
          {"Сергей Кузнецов", "+74952000002"},
          {"Сергей Соколов", "88123000003"}},
         ExitOk,
         "кодировке Windows-1251"},
        {"google.csv",
         {{"Ken Tanaka", "+819012345678"},
          {"Ken Tanaka (2)", "+819087654321"},
          {"Ken Tanaka (3)", "+81312345678"}},
         ExitFailed,
         "строка 3: в имени знак \"=\""},
        {"thunderbird.csv",
         {{"Lena Berg", "+46812345"}, {"Lena Berg (2)", "+46701234567"}},
         ExitOk,
         "добавлено 2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        TestEnv env;
        env.writeFile("tapdeck.ini", "[PhoneBook]\n");
        Result r = run({"--import-phonebook", std::string(EXCHANGE_DATA) + "/" + c.file});
        EXPECT_EQ(r.code, c.code) << r.err;
        EXPECT_NE(r.err.find(c.told), std::string::npos) << r.err;
        std::vector<td::PBRecord> rows = td::loadOwnBook(env.path("tapdeck.ini")).rows;
        ASSERT_EQ(rows.size(), c.rows.size()) << r.err;
        for (size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(td::test::U(rows[i].name), c.rows[i].name);
            EXPECT_EQ(rows[i].number, c.rows[i].number);
        }
    }
}

TEST(CommandLine, ExportImportAndLastCopies) {
    TestEnv env;
    env.writeFile("tapdeck.ini", "[PhoneBook]\nИван=+7903\nAnn=1\n");
    ASSERT_EQ(run({"--export-phonebook", "book.csv"}).code, ExitOk);
    EXPECT_EQ(env.readFile("book.csv"), "\xEF\xBB\xBFName,Phone\r\nИван,'+7903\r\nAnn,'1\r\n");

    env.writeFile("in.vcf",
                  "BEGIN:VCARD\nVERSION:3.0\nFN:Ann\nTEL:1\nTEL:2\nEND:VCARD\n"
                  "BEGIN:VCARD\nVERSION:3.0\nFN:NoNumber\nEND:VCARD\n");
    Result r = run({"--import-phonebook", "in.vcf"});
    EXPECT_EQ(r.code, ExitFailed);  // one card refused, the rest merged
    std::vector<td::PBRecord> rows = td::loadOwnBook(env.path("tapdeck.ini")).rows;
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2].name, "Ann (2)");
    EXPECT_EQ(rows[2].number, "2");
    EXPECT_EQ(run({"--import-phonebook", "book.csv"}).code, ExitOk);  // all there: skipped
    EXPECT_EQ(td::loadOwnBook(env.path("tapdeck.ini")).rows.size(), 3u);

    env.writeFile("AutoRun/Sent-LastRun.sms", "+CMGL=1,\"STO SENT\",\"+7903\"}Hello there\n");
    env.writeFile("AutoRun/LastPBook.txt", "Иван=+7903\n");
    ASSERT_EQ(run({"--export-sms", "sent", "sent.csv"}).code, ExitOk);
    EXPECT_EQ(env.readFile("sent.csv"),
              "\xEF\xBB\xBFIndex,Status,Number,Name,Text,Time\r\n"
              "1,STO SENT,'+7903,Иван,Hello there,\r\n");

    env.writeFile(
        "AutoRun/LastMDBook.txt",
        "+MDBR: 1,\"Встреча\",1,0,\"10:00\",\"06-15-2025\",60,\"10:00\",\"06-15-2025\",2\n"
        "+MDBAD: 1\n");
    ASSERT_EQ(run({"--export-datebook", "d.ics"}).code, ExitOk);
    std::string ics = env.readFile("d.ics");
    EXPECT_NE(ics.find("SUMMARY:Встреча"), std::string::npos);
    EXPECT_NE(ics.find("RRULE:FREQ=WEEKLY"), std::string::npos);
}

// Events of a calendar go into the date book's last copy after its events,
// numbered on, before its auto-delete line; one already there is told and
// skipped, one the phone cannot repeat refused, and the exit code says so.
TEST(CommandLine, ImportDateBookIntoTheLastCopy) {
    TestEnv env;
    const std::string kept =
        "+MDBR: 7,\"Встреча\",1,0,\"10:00\",\"06-15-2025\",60,\"00:00\",\"00-00-2000\",2\n";
    env.writeFile("AutoRun/LastMDBook.txt", kept + "+MDBAD: 1\n");
    auto event = [](const std::string& lines) {
        return "BEGIN:VEVENT\r\n" + lines + "END:VEVENT\r\n";
    };
    auto calendar = [](const std::string& events) {
        return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n" + events + "END:VCALENDAR\r\n";
    };
    const std::string dentist =
        event("SUMMARY:Dentist\r\nDTSTART:20250620T083000\r\nDURATION:PT30M\r\n");
    td::files::writeAll(
        env.path("in.ics"),
        calendar(event("SUMMARY:Встреча\r\nDTSTART:20250615T100000\r\nDURATION:PT1H\r\n"
                       "RRULE:FREQ=WEEKLY\r\n") +
                 dentist +
                 event("SUMMARY:Gym\r\nDTSTART:20250616T190000\r\nRRULE:FREQ=WEEKLY;COUNT=4\r\n")));
    Result r = run({"--import-datebook", "in.ics"});
    EXPECT_EQ(r.code, ExitFailed);
    EXPECT_NE(r.err.find("\"Gym\": повторение FREQ=WEEKLY;COUNT=4"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("\"Встреча\" уже есть"), std::string::npos) << r.err;
    const std::string dentistLine =
        "+MDBR: 8,\"Dentist\",1,0,\"08:30\",\"06-20-2025\",30,\"08:30\",\"06-20-2025\",0\r\n";
    EXPECT_EQ(
        env.readFile("AutoRun/LastMDBook.txt"),
        W("+MDBR: 7,\"Встреча\",1,0,\"10:00\",\"06-15-2025\",60,\"00:00\",\"00-00-2000\",2\r\n" +
          dentistLine + "+MDBAD: 1\r\n"));

    // Only events already there: nothing added, nothing refused. Without a
    // last copy the copy is made.
    td::files::writeAll(env.path("ok.ics"), calendar(dentist));
    EXPECT_EQ(run({"--import-datebook", "ok.ics"}).code, ExitOk);
    td::files::remove(env.path("AutoRun/LastMDBook.txt"));
    EXPECT_EQ(run({"--import-datebook", "ok.ics"}).code, ExitOk);
    EXPECT_EQ(env.readFile("AutoRun/LastMDBook.txt"), "+MDBR: 1" + dentistLine.substr(8));
}

// A file named relative to the folder the user ran the program in is found
// there, though the program works in its start folder.
TEST(CommandLine, RelativeFilesAreTheCallersOnes) {
    TestEnv env;
    env.writeFile("caller/ok.ics",
                  "BEGIN:VCALENDAR\nBEGIN:VEVENT\nSUMMARY:Dentist\n"
                  "DTSTART:20250620T083000\nEND:VEVENT\nEND:VCALENDAR\n");
    EXPECT_EQ(run({"--import-datebook", "ok.ics"}, env.path("caller")).code, ExitOk);
    EXPECT_NE(env.readFile("AutoRun/LastMDBook.txt").find("Dentist"), std::string::npos);
    // ... and waits to be written into the phone by the date book window.
    EXPECT_NE(env.readFile("AutoRun/PendingMDBook.txt").find("Dentist"), std::string::npos);
    ASSERT_EQ(run({"--export-datebook", "out.ics"}, env.path("caller")).code, ExitOk);
    EXPECT_TRUE(td::files::exists(env.path("caller/out.ics")));
    EXPECT_FALSE(td::files::exists(env.path("out.ics")));
}

}  // namespace
