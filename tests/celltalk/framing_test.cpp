// The framing state machine read against answers as phones give them: each
// line's verdict, and whether the answer came whole.
#include "framing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace celltalk;
using Take = Framer::Take;

namespace {

struct Line {
    const char* text;
    Take take;
    bool afterBlank = false;
};

struct Case {
    const char* what;
    const char* command;
    FrameOptions opts;
    std::vector<Line> lines;
    bool whole = true;
};

FrameOptions pdu() {
    FrameOptions o;
    o.pdu = true;
    return o;
}
FrameOptions textMode(bool echo = false) {
    FrameOptions o;
    o.textLines = true;
    o.echo = echo;
    return o;
}
FrameOptions echoOn() {
    FrameOptions o;
    o.echo = true;
    return o;
}

// An SMS-DELIVER of 24 octets after a service centre of 7 ("Hello"), as a
// phone lists it in PDU mode.
const char* const kPdu = "07919761989901F0040B919761123456F700005220206150332105C8329BFD06";

}  // namespace

TEST(Framing, EachLineIsToldByTheCommandsGrammar) {
    const Case cases[] = {
        {"a new-message report between a header and its PDU is the report's",
         "AT+CMGL=4",
         pdu(),
         {{"+CMGL: 1,1,,24", Take::Line},
          {"+CMTI: \"SM\",5", Take::Report},
          {kPdu, Take::Body},
          {"OK", Take::Final, true}}},
        {"a maker's report inside a list",
         "AT+CPBR=1,3",
         {},
         {{"+CPBR: 1,\"111\",129,\"Ann\"", Take::Line},
          {"^RSSI: 14", Take::Report},
          {"+CPBR: 2,\"222\",129,\"Bob\"", Take::Line},
          {"OK", Take::Final, true}}},
        {"a header without its PDU: the list did not come whole",
         "AT+CMGL=4",
         pdu(),
         {{"+CMGL: 1,1,,24", Take::Line}, {"OK", Take::Final, true}},
         false},
        {"a PDU shorter than its header says",
         "AT+CMGL=4",
         pdu(),
         {{"+CMGL: 1,1,,30", Take::Line}, {kPdu, Take::Body}, {"OK", Take::Final, true}},
         false},
        {"with echo on, what comes before the echo is an earlier command's",
         "at+cpbr=1,3",
         echoOn(),
         {{"OK", Take::Stale},
          {"RING", Take::Report},
          {"at+cpbr=1,3", Take::Echo},
          {"+CPBR: 1,\"111\",129,\"Ann\"", Take::Line},
          {"OK", Take::Final, true}}},
        {"another command's answer line is stale",
         "at+cpbr=1,3",
         {},
         {{"+CMGL: 9,\"REC READ\",\"999\"", Take::Stale}, {"OK", Take::Final, true}}},
        {"a text-mode text reads like a final word and a report; the empty line tells",
         "at+cmgl=\"ALL\"",
         textMode(),
         {{"+CMGL: 1,\"REC READ\",\"+7916\"", Take::Line},
          {"OK", Take::MaybeFinal},
          {"+CMTI: \"SM\",6", Take::Report},
          {"+CMTI: see you", Take::Body},
          {"+CMGL: 2,\"REC READ\",\"+7916\"", Take::Line},
          {"OK", Take::Final, true}}},
        {"a USSD text in quotes over several lines is the report's",
         "at+cpbr=1,3",
         {},
         {{"+CUSD: 1,\"Balance 10.00", Take::Report},
          {"1. Tariff", Take::Report},
          {"2. Bonus\",15", Take::Report},
          {"+CPBR: 1,\"111\",129,\"Ann\"", Take::Line},
          {"OK", Take::Final, true}}},
        {"a quote never closed does not swallow the final word",
         "at+cgmi",
         {},
         {{"+CUSD: 0,\"Balance", Take::Report},
          {"Motorola", Take::Report},
          {"OK", Take::Final, true}}},
        {"a dial's outcome is its final word, a report elsewhere",
         "ATD+79161234567;",
         {},
         {{"RING", Take::Report}, {"NO CARRIER", Take::Final}}},
        {"a message delivered during a command brings its text line",
         "at+cgmi",
         {},
         {{"+CMT: \"+7916\",,\"25/06/02,18:05:12+12\"", Take::Report},
          {"OK", Take::Report},
          {"Motorola", Take::Line},
          {"OK", Take::Final, true}}},
    };
    for (const Case& c : cases) {
        Framer f;
        f.begin(commandRow(c.command), c.command, c.opts);
        for (const Line& l : c.lines) {
            Take got = f.feed(l.text, l.afterBlank);
            if (got == Take::MaybeFinal) f.wasText();
            EXPECT_EQ(static_cast<int>(got), static_cast<int>(l.take)) << c.what << ": " << l.text;
        }
        EXPECT_EQ(f.state(), Framer::State::Done) << c.what;
        EXPECT_EQ(f.whole(), c.whole) << c.what;
    }
}

TEST(Framing, TheTableKnowsWhatEachCommandIs) {
    struct {
        const char* command;
        bool list, must, charset, prompt;
        int retries;
        const char* answer;
    } rows[] = {
        {"at+cpbr=1,250", true, true, true, false, 3, "+CPBR"},
        {"at+cpbf=\"A\"", true, true, true, false, 3, "+CPBR"},
        {"AT+CMGS=23", false, true, true, true, 0, "+CMGS"},
        {"at+cgmr", false, false, false, false, 3, "+GMR"},
        {"at+cscs=\"UCS2\"", false, false, false, false, 3, ""},
        {"at+xyz=1", false, false, false, false, 3, ""},
    };
    for (const auto& r : rows) {
        CommandRow s = commandRow(r.command);
        EXPECT_EQ(s.list, r.list) << r.command;
        EXPECT_EQ(s.mustSucceed, r.must) << r.command;
        EXPECT_EQ(s.charset, r.charset) << r.command;
        EXPECT_EQ(s.prompt, r.prompt) << r.command;
        EXPECT_EQ(s.busyRetries, r.retries) << r.command;
        EXPECT_EQ(answerName(s), r.answer) << r.command;
    }
    // A prefix of MetaOperation is a list read that must succeed.
    CommandRow routed = commandRow("at+xlst=1", {"+XLST"});
    EXPECT_TRUE(routed.list && routed.mustSucceed && routed.charset);
}
