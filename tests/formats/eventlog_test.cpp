// The resident engine's news file: its lines read back as written, and a
// follower takes whole new lines only, however the file changes under it.

#include "formats/eventlog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "support/fakes.h"

namespace {

using td::test::TestEnv;
using td::test::W;

TEST(EventLog, LinesReadBackAsWritten) {
    const struct {
        std::string kind, number, index, text, wantText;
    } cases[] = {
        {"sms", "+79161234567", "5", W("Привет"), W("Привет")},
        {"call", "", "", "", ""},
        {"delivered", "+7916", "17", "0", "0"},
        {"sms", "+7\t916", "1\r", "a\tb\r\nc" + std::string(100, 'x'),
         "a b  c" + std::string(td::EventTextChars - 6, 'x')},
    };
    for (const auto& c : cases) {
        const std::string line = td::eventLogLine(c.kind, c.number, c.index, c.text, 0);
        SCOPED_TRACE(line);
        auto r = td::readEventLine(line + "\r\n");
        ASSERT_TRUE(r);
        EXPECT_EQ(r->when.size(), 19u);
        EXPECT_EQ(r->kind, c.kind);
        EXPECT_EQ(r->number.find('\t'), std::string::npos);
        EXPECT_EQ(r->index.find('\r'), std::string::npos);
        EXPECT_EQ(r->text, c.wantText);
    }
}

TEST(EventLog, LinesThatAreNoEventAreRefused) {
    for (const char* line : {"", "2026-12-08 01:00:00", "a\tsms\t+7916\t5", "a\t\t+7916\t5\tx"})
        EXPECT_FALSE(td::readEventLine(line)) << line;
    auto r = td::readEventLine("t\tsms\tn\ti\tx\ty");  // a tab in a text written by hand
    ASSERT_TRUE(r);
    EXPECT_EQ(r->text, "x\ty");
}

std::vector<std::string> kinds(const std::vector<td::EventRecord>& v) {
    std::vector<std::string> out;
    for (const auto& r : v) out.push_back(r.kind + ":" + r.number);
    return out;
}

TEST(EventLog, TailTakesWholeNewLinesOnly) {
    TestEnv env;
    const std::string path = env.path("Events.log");
    auto append = [&](const std::string& bytes) {
        std::ofstream(path, std::ios::binary | std::ios::app) << bytes;
    };
    using V = std::vector<std::string>;
    td::EventLogTail tail(path);
    EXPECT_EQ(kinds(tail.poll()), V{});  // no file yet: what comes is news
    append("t\tsms\t1\t1\told\r\nt\tcall\t2\t\t\r\nt\tsm");
    EXPECT_EQ(kinds(tail.poll()), (V{"sms:1", "call:2"}));
    append("s\t3\t");
    EXPECT_EQ(kinds(tail.poll()), V{});  // still half a line
    append("2\tx\r\nnot an event\r\n");
    EXPECT_EQ(kinds(tail.poll()), V{"sms:3"});
    EXPECT_EQ(kinds(tail.poll()), V{});

    append("t\tmissed\t4\t\t\r\n");
    td::EventLogTail late(path);  // a follower started now: only what comes after
    EXPECT_EQ(kinds(late.poll()), V{});
    append("t\tcall\t5\t\t\r\n");
    EXPECT_EQ(kinds(late.poll()), V{"call:5"});
    EXPECT_EQ(kinds(tail.poll()), (V{"missed:4", "call:5"}));

    // Emptied and written again: read from its start.
    std::ofstream(path, std::ios::binary | std::ios::trunc) << "t\tsms\t6\t1\tx\r\n";
    EXPECT_EQ(kinds(tail.poll()), V{"sms:6"});
    // Replaced by another file (a rename over it) that is no shorter.
    const std::string other = env.path("new.log");
    std::ofstream(other, std::ios::binary) << "t\tsms\t7\t1\tx\r\nt\tsms\t8\t1\tyy\r\n";
    ASSERT_EQ(std::rename(other.c_str(), path.c_str()), 0);
    EXPECT_EQ(kinds(tail.poll()), (V{"sms:7", "sms:8"}));
    // Gone, then back.
    std::remove(path.c_str());
    EXPECT_EQ(kinds(tail.poll()), V{});
    append("t\tcall\t9\t\t\r\n");
    EXPECT_EQ(kinds(tail.poll()), V{"call:9"});
}

}  // namespace
