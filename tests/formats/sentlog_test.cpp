// The record of sends asking for status reports: lines back as written, and
// which send a report or a listed message belongs to.

#include "formats/sentlog.h"

#include <gtest/gtest.h>

#include "support/fakes.h"

namespace {

using td::SentEntry;
using td::test::W;

TEST(SentLog, EntriesComeBackFromTheirLines) {
    const SentEntry rows[] = {
        {"2026-12-08 14:03:11", "sent", "+79161234567", {17}, W("Привет")},
        {"2026-12-08 14:03:11", "delivered", "8916", {255, 0}, "two parts"},
        {"2026-12-08 14:03:11", "not-delivered", "+7", {3}, ""},
    };
    for (const SentEntry& e : rows) {
        auto back = td::readSentLogLine(td::sentLogLine(e) + "\r\n");
        ASSERT_TRUE(back) << td::sentLogLine(e);
        EXPECT_EQ(back->when, e.when);
        EXPECT_EQ(back->kind, e.kind);
        EXPECT_EQ(back->number, e.number);
        EXPECT_EQ(back->refs, e.refs);
        EXPECT_EQ(back->text, e.text);
    }
    // A text keeps its start on the one line; tabs in it stay in the text.
    const std::string line =
        td::sentLogLine({"t", "sent", "1", {1}, "a\tb\r\nc" + std::string(100, 'x')});
    EXPECT_EQ(line, "t\tsent\t1\t1\ta b  c" + std::string(td::kSentTextChars - 6, 'x'));
    for (const char* bad : {"t\tsms\t1\t1\tx", "t\tsent\t1\t256\tx", "t\tsent\t1\t\tx",
                            "t\tsent\t1\t1,,2\tx", "t\tsent\t1", "t\tsent\t1\t-1\tx"})
        EXPECT_FALSE(td::readSentLogLine(bad)) << bad;
}

TEST(SentLog, AReportBelongsToTheNewestSendOfItsNumberAndReference) {
    const std::vector<SentEntry> log = {
        {"2026-12-01 10:00:00", "sent", "+79161234567", {5}, "old"},
        {"2026-12-01 10:00:01", "sent", "+79031112233", {6}, "other"},
        {"2026-12-08 10:00:00", "sent", "89161234567", {4, 5}, "wrapped"},
    };
    const struct {
        std::string number;
        int ref;
        std::optional<size_t> send;
    } rows[] = {
        {"+79161234567", 5, 2},  // written "8916…" in the send: the same subscriber
        {"+79161234567", 4, 2},
        {"+79031112233", 6, 1},
        {"+79031112233", 5, std::nullopt},  // the reference, another recipient
        {"+79161234567", 6, std::nullopt},
    };
    for (const auto& r : rows)
        EXPECT_EQ(td::sendOfReport(log, r.number, r.ref), r.send) << r.number << " " << r.ref;
}

TEST(SentLog, AListedMessageGetsItsNewestSendsOutcome) {
    const std::string longText(100, 'L');
    const std::vector<SentEntry> log = {
        {"2026-12-07 09:00:00", "sent", "+79161234567", {1}, "Hi"},
        {"2026-12-07 09:00:05", "delivered", "+79161234567", {1}, "Hi"},
        {"2026-12-08 14:03:00", "sent", "+79161234567", {2, 3}, td::sentTextStart(longText)},
        {"2026-12-08 14:03:10", "sent", "+79031112233", {4}, "Yo"},
        {"2026-12-08 14:03:20", "not-delivered", "+79031112233", {9}, "Yo"},  // another send
        {"2026-12-08 14:03:30", "not-delivered", "+79161234567", {2, 3}, "L"},
        {"2026-12-08 15:00:00", "sent", "+79161234567", {5}, "Again"},
        {"2026-12-08 15:00:01", "sent", "+79161234567", {6}, "Again"},
        {"2026-12-08 15:00:02", "delivered", "+79161234567", {5}, "Again"},
    };
    const struct {
        std::string number, text, shown;  // "" for no status
    } rows[] = {
        {"89161234567", "Hi", W("доставлено 07.12 09:00")},
        {"+79161234567", longText, W("не доставлено 08.12 14:03")},
        {"+79161234567", longText.substr(0, 67), W("не доставлено 08.12 14:03")},  // part 1
        {"+79161234567", longText.substr(0, 20), ""},  // a shorter text of its own
        {"+79031112233", "Yo", ""},                    // its report names another reference
        {"+79161234567", "Again", ""},  // the newest send of the text has no report yet
        {"+79161234567", "Never sent", ""},
    };
    for (const auto& r : rows) {
        const SentEntry* o = td::deliveryOf(log, r.number, r.text);
        EXPECT_EQ(o ? td::deliveryText(*o) : "", r.shown) << r.text;
    }
}

}  // namespace
