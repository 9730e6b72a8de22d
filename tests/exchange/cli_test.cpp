// The command line's exports and imports on a folder of its own.

#include "exchange/cli.h"

#include <gtest/gtest.h>

#include <sstream>

#include "phonebook/ownbook.h"
#include "support/fakes.h"

namespace {

using td::test::TestEnv;
using td::test::W;
using namespace td::exchange;

struct Result {
    int code;
    std::string out, err;
};

Result run(std::vector<std::string> args) {
    std::ostringstream out, err;
    int code = runCommandLine(args, "tapdeck", out, err);
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
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + std::to_string(c.args.size()));
        Result r = run(c.args);
        EXPECT_EQ(r.code, c.code) << r.err;
        EXPECT_EQ(r.err.empty(), c.code == ExitOk);
    }
    EXPECT_TRUE(wantsCommandLine({"--help"}));
    EXPECT_FALSE(wantsCommandLine({"-platform", "offscreen"}));
}

TEST(CommandLine, ExportImportAndLastCopies) {
    TestEnv env;
    env.writeFile("tapdeck.ini", "[PhoneBook]\nИван=+7903\nAnn=1\n");
    ASSERT_EQ(run({"--export-phonebook", "book.csv"}).code, ExitOk);
    EXPECT_EQ(env.readFile("book.csv"), "Name,Phone\r\nИван,+7903\r\nAnn,1\r\n");

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
              "Index,Status,Number,Name,Text\r\n1,STO SENT,+7903,Иван,Hello there\r\n");

    env.writeFile(
        "AutoRun/LastMDBook.txt",
        "+MDBR: 1,\"Встреча\",1,0,\"10:00\",\"06-15-2025\",60,\"10:00\",\"06-15-2025\",2\n"
        "+MDBAD: 1\n");
    ASSERT_EQ(run({"--export-datebook", "d.ics"}).code, ExitOk);
    std::string ics = env.readFile("d.ics");
    EXPECT_NE(ics.find("SUMMARY:Встреча"), std::string::npos);
    EXPECT_NE(ics.find("RRULE:FREQ=WEEKLY"), std::string::npos);
}

}  // namespace
