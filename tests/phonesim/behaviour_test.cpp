// What the phone does over a sequence of commands: keypad and calls, phone
// book writes, sending, re-sending and deleting messages, the date book, and
// its state surviving a restart.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "helpers.h"
#include "smspdu.h"
#include "state.h"

namespace phonesim::test {
namespace {

namespace fs = std::filesystem;

struct KeypadRow {
    const char* name;
    std::vector<std::string> commands;
    std::string buffer;
    bool inCall;
    int volume;
    std::string lastDialled;  // DC entry 1 afterwards
};

const KeypadRow kKeypad[] = {
    {"digits", {"AT+CKPD=\"8916\""}, "8916", false, 4, "+79161234567"},
    {"long zero types plus",
     {"AT+CKPD=\"0\",22", "AT+CKPD=\"79161112233\""},
     "+79161112233",
     false,
     4,
     "+79161234567"},
    {"short zero stays zero", {"AT+CKPD=\"0\",5"}, "0", false, 4, "+79161234567"},
    {"y deletes, c clears", {"AT+CKPD=\"123y\""}, "12", false, 4, "+79161234567"},
    {"clear", {"AT+CKPD=\"123c4\""}, "4", false, 4, "+79161234567"},
    {"s places the call", {"AT+CKPD=\"0\",22", "AT+CKPD=\"7900s\""}, "", true, 4, "+7900"},
    {"e ends it", {"AT+CKPD=\"555s\"", "AT+CKPD=\"e\""}, "", false, 4, "555"},
    {"digits in a call are tones", {"AT+CKPD=\"555s12\""}, "", true, 4, "555"},
    {"e when idle clears the buffer", {"AT+CKPD=\"12e\""}, "", false, 4, "+79161234567"},
    {"s with nothing typed does nothing", {"AT+CKPD=\"s\""}, "", false, 4, "+79161234567"},
    {"volume up twice", {"AT+CKPD=\"uu\""}, "", false, 6, "+79161234567"},
    {"volume stops at 7", {"AT+CKPD=\"uuuuuu\""}, "", false, 7, "+79161234567"},
    {"volume down", {"AT+CKPD=\"d\""}, "", false, 3, "+79161234567"},
    {"CHUP ends a keypad call", {"AT+CKPD=\"101s\"", "AT+CHUP"}, "", false, 4, "101"},
    {"ATD dials", {"ATD+74951234567;"}, "", true, 4, "+74951234567"},
    {"ATD from the phone book", {"ATD>SM4;"}, "", true, 4, "89265554433"},
};

TEST(Keypad, DialBufferCallAndVolume) {
    for (const auto& row : kKeypad) {
        SCOPED_TRACE(row.name);
        TestPhone t;
        for (const auto& c : row.commands) EXPECT_EQ(t.at(c), kOk) << c;
        EXPECT_EQ(t.phone.dialBuffer(), row.buffer);
        EXPECT_EQ(t.phone.inCall(), row.inCall);
        EXPECT_EQ(t.phone.state().volume, row.volume);
        EXPECT_EQ(t.phone.state().books.at("DC").entries.at(1).number, row.lastDialled);
        EXPECT_EQ(t.at("AT+CPAS"), answer(row.inCall ? "+CPAS: 4" : "+CPAS: 0"));
    }
}

TEST(Keypad, RejectsUnknownKeysWithoutPressingAny) {
    TestPhone t;
    t.at("AT+CMEE=1");
    EXPECT_EQ(t.at("AT+CKPD=\"12!\""), "\r\n+CME ERROR: 50\r\n");
    EXPECT_EQ(t.phone.dialBuffer(), "");
}

TEST(Calls, IncomingCallsFillTheCallLists) {
    TestPhone t;
    t.at("AT+CLIP=1");
    EXPECT_EQ(t.phone.incomingCall("+79990001111"),
              "\r\nRING\r\n\r\n+CLIP: \"+79990001111\",145\r\n");
    EXPECT_EQ(t.at("AT+CLCC"), answer("+CLCC: 1,1,4,0,0,\"+79990001111\",145"));
    EXPECT_EQ(t.at("ATA"), kOk);
    EXPECT_TRUE(t.phone.inCall());
    EXPECT_EQ(t.at("AT+CHUP"), kOk);
    EXPECT_EQ(t.phone.state().books.at("RC").entries.at(1).number, "+79990001111");
    EXPECT_EQ(t.phone.state().books.at("RC").entries.at(1).time.size(), 16u);  // yyyy/MM/dd,hh:mm

    t.phone.incomingCall("+79031112233");
    EXPECT_EQ(t.phone.callerHangsUp(), "\r\nNO CARRIER\r\n");
    t.phone.incomingCall("+79994445566");
    EXPECT_EQ(t.at("AT+CHUP"), kOk);  // rejected: listed as missed too
    t.at("AT+CSCS=\"UTF-8\"");
    t.at("AT+CPBS=\"MC\"");
    EXPECT_EQ(t.at("AT+CPBR=1,3"),
              "\r\n+CPBR: 1,\"+79994445566\",145,\"\"\r\n"
              "+CPBR: 2,\"+79031112233\",145,\"Иван Петров\"\r\n"
              "+CPBR: 3,\"+79031112233\",145,\"Иван Петров\"\r\n\r\nOK\r\n");
}

// ATA with no call ringing makes no connection: NO CARRIER, as a dial that
// finds none, and a call under way goes on.
TEST(Calls, AnsweringWithNothingRingingIsNoCarrier) {
    struct Row {
        std::vector<std::string> before;
        std::string reply;
        bool inCall;
    } rows[] = {
        {{}, "\r\nNO CARRIER\r\n", false},
        {{"ATV0"}, "3\r", false},
        {{"ATD123;"}, "\r\nNO CARRIER\r\n", true},
    };
    for (const auto& row : rows) {
        TestPhone t;
        for (const auto& cmd : row.before) t.at(cmd);
        EXPECT_EQ(t.at("ATA"), row.reply) << row.reply;
        EXPECT_EQ(t.phone.inCall(), row.inCall) << row.reply;
    }
}

TEST(Calls, CallListKeepsItsCapacity) {
    TestPhone t;
    for (int i = 0; i < 12; ++i) {
        t.at("ATD" + std::to_string(1000 + i) + ";");
        t.at("ATH");
    }
    const auto& dc = t.phone.state().books.at("DC");
    EXPECT_EQ(dc.entries.size(), 10u);
    EXPECT_EQ(dc.entries.at(1).number, "1011");
    EXPECT_EQ(dc.entries.at(10).number, "1002");
}

struct WriteRow {
    const char* name;
    const char* setup;
    std::string write;
    std::string reply;
    std::string readBack;  // AT+CPBR=<index> in UTF-8 afterwards, or empty
};

const WriteRow kWrites[] = {
    {"UTF-8 name", "AT+CSCS=\"UTF-8\"", "AT+CPBW=7,\"+79001112233\",145,\"Пётр\"", kOk,
     "AT+CPBR=7|" + answer("+CPBR: 7,\"+79001112233\",145,\"Пётр\"")},
    {"UCS2 name", "AT+CSCS=\"UCS2\"",
     "AT+CPBW=9,\"89001112233\",129,\"04210430044804300020002D00200031\"", kOk,
     "AT+CPBR=9|" + answer("+CPBR: 9,\"89001112233\",129,\"Саша - 1\"")},
    {"first free place", "", "AT+CPBW=,\"123\",129,\"Free\"", kOk,
     "AT+CPBR=7|" + answer("+CPBR: 7,\"123\",129,\"Free\"")},
    {"type 145 makes it international", "", "AT+CPBW=2,\"79031112200\",145,\"Ivan\"", kOk,
     "AT+CPBR=2|" + answer("+CPBR: 2,\"+79031112200\",145,\"Ivan\"")},
    {"plus means international", "", "AT+CPBW=2,\"+79031112200\",129,\"Ivan\"", kOk,
     "AT+CPBR=2|" + answer("+CPBR: 2,\"+79031112200\",145,\"Ivan\"")},
    {"index alone deletes", "", "AT+CPBW=1", kOk, "AT+CPBR=1|" + kOk},
    {"outside the book", "AT+CMEE=1", "AT+CPBW=101,\"1\",129,\"x\"", "\r\n+CME ERROR: 21\r\n", ""},
    {"name too long", "AT+CMEE=1", "AT+CPBW=7,\"1\",129,\"abcdefghijklmnopqrstuvwxy\"",
     "\r\n+CME ERROR: 24\r\n", ""},
    {"letters in the number", "AT+CMEE=1", "AT+CPBW=7,\"12a\",129,\"x\"", "\r\n+CME ERROR: 27\r\n",
     ""},
    {"broken UCS2", "AT+CMEE=1|AT+CSCS=\"UCS2\"", "AT+CPBW=7,\"1\",129,\"041\"",
     "\r\n+CME ERROR: 25\r\n", ""},
    {"call lists are read-only", "AT+CMEE=1|AT+CPBS=\"MC\"", "AT+CPBW=5,\"1\",129,\"x\"",
     "\r\n+CME ERROR: 3\r\n", ""},
};

void runSetup(TestPhone& t, const std::string& setup) {
    std::stringstream in(setup);
    std::string cmd;
    while (std::getline(in, cmd, '|'))
        if (!cmd.empty()) t.at(cmd);
}

TEST(PhoneBook, WriteThenRead) {
    for (const auto& row : kWrites) {
        SCOPED_TRACE(row.name);
        TestPhone t;
        runSetup(t, row.setup);
        EXPECT_EQ(t.at(row.write), row.reply);
        if (row.readBack.empty()) continue;
        t.at("AT+CSCS=\"UTF-8\"");
        size_t bar = row.readBack.find('|');
        EXPECT_EQ(t.at(row.readBack.substr(0, bar)), row.readBack.substr(bar + 1));
    }
}

TEST(PhoneBook, FullBookRefusesANewEntry) {
    TestPhone t;
    t.at("AT+CMEE=1");
    for (int i = 0; i < 93; ++i) ASSERT_EQ(t.at("AT+CPBW=,\"1\",129,\"n\""), kOk) << i;
    EXPECT_EQ(t.at("AT+CPBW=,\"1\",129,\"n\""), "\r\n+CME ERROR: 20\r\n");
}

// Sends in text mode: the "> " prompt, the text, Ctrl-Z.
std::string sendText(TestPhone& t, const std::string& number, const std::string& text) {
    std::string prompt = t.at("AT+CMGS=\"" + number + "\"");
    EXPECT_EQ(prompt, "\r\n> ");
    return t.phone.input(text + "\x1A");
}

TEST(Sms, TextModeSendStoresASentCopy) {
    TestPhone t;
    t.at("AT+CMGF=1");
    EXPECT_EQ(sendText(t, "+79035556677", "Hello there"), answer("+CMGS: 12"));
    EXPECT_EQ(t.at("AT+CMGR=8"), answer("+CMGR: \"STO SENT\",\"+79035556677\",\r\nHello there"));
    // Cyrillic typed as UCS2 hex.
    t.at("AT+CSCS=\"UCS2\"");
    EXPECT_EQ(sendText(t, "+79035556677", "041F04400438043204350442"), answer("+CMGS: 13"));
    t.at("AT+CSCS=\"UTF-8\"");
    EXPECT_EQ(t.at("AT+CMGR=9"), answer("+CMGR: \"STO SENT\",\"+79035556677\",\r\nПривет"));
    EXPECT_EQ(t.phone.state().sms.at("SM").messages.at(9).coding, SmsCoding::Ucs2);
}

TEST(Sms, TextModeEntryEdgeCases) {
    TestPhone t;
    t.at("AT+CMGF=1");
    t.at("AT+CMEE=1");
    // ESC cancels: nothing is sent or stored.
    EXPECT_EQ(t.at("AT+CMGS=\"+7900\""), "\r\n> ");
    EXPECT_EQ(t.phone.input("never mind\x1B"), kOk);
    EXPECT_EQ(t.phone.state().sms.at("SM").messages.size(), 7u);
    // A line break asks for the next line.
    t.at("AT+CMGS=\"+7900\"");
    EXPECT_EQ(t.phone.input("one\r"), "\r\n> ");
    EXPECT_EQ(t.phone.input("two\x1A"), answer("+CMGS: 12"));
    EXPECT_EQ(t.phone.state().sms.at("SM").messages.at(8).text, "one\ntwo");
    // Too long for one message.
    t.at("AT+CMGS=\"+7900\"");
    EXPECT_EQ(t.phone.input(std::string(161, 'x') + "\x1A"), "\r\n+CMS ERROR: 305\r\n");
    // No number.
    EXPECT_EQ(t.at("AT+CMGS=\"\""), "\r\n+CMS ERROR: 305\r\n");
}

struct PduSendRow {
    const char* name;
    int length;
    std::string pdu;
    std::string number, text;
};

const PduSendRow kPduSends[] = {
    {"7-bit", 23, "0011000B916407281553F80000AA0AE8329BFD4697D9EC37", "+46708251358", "hellohello"},
    {"UCS2", 42,
     "07919761989901F011000B919730556576F70008FF1C041F0440043E043204350440043A0430002004410432044F"
     "04370438",
     "+79035556677", "Проверка связи"},
};

TEST(Sms, PduSendListRoundTrip) {
    for (const auto& row : kPduSends) {
        SCOPED_TRACE(row.name);
        TestPhone t;
        EXPECT_EQ(t.at("AT+CMGS=" + std::to_string(row.length)), "\r\n> ");
        EXPECT_EQ(t.phone.input(row.pdu + "\x1A"), answer("+CMGS: 12"));
        const Sms& stored = t.phone.state().sms.at("SM").messages.at(8);
        EXPECT_EQ(stored.status, SmsStatus::StoSent);
        EXPECT_EQ(stored.number, row.number);
        EXPECT_EQ(stored.text, row.text);
        // Listed back in PDU mode, then read in text mode.
        std::string list = t.at("AT+CMGL=3");
        EXPECT_NE(list.find("+CMGL: 8,3,,"), std::string::npos) << list;
        t.at("AT+CMGF=1");
        t.at("AT+CSCS=\"UTF-8\"");
        EXPECT_EQ(t.at("AT+CMGR=8"),
                  answer("+CMGR: \"STO SENT\",\"" + row.number + "\",\r\n" + row.text));
    }
}

// AT+CMGW in PDU mode with a status: a received message (0, 1) is handed
// back as the SMS-DELIVER it was, time included; a stored one as a SUBMIT.
TEST(Sms, PduWriteKeepsStatusAndTime) {
    gsmcodec::Sms deliver;
    deliver.deliver = true;
    deliver.number = "+79161234567";
    deliver.timestamp = "24/01/02,10:11:12+12";
    deliver.text = U"Привет";
    deliver.alphabet = gsmcodec::Alphabet::Ucs2;
    const auto dpdu = gsmcodec::encodePdu(deliver);
    const auto spdu = gsmcodec::encodeSubmit("+7903", U"Hi");
    struct Row {
        const char* name;
        int status;
        gsmcodec::EncodedPdu pdu;
        std::string answer;
        SmsStatus stored;
        std::string time;
    } rows[] = {
        {"received, read", 1, dpdu, answer("+CMGW: 8"), SmsStatus::RecRead, deliver.timestamp},
        {"received, unread", 0, dpdu, answer("+CMGW: 8"), SmsStatus::RecUnread, deliver.timestamp},
        {"sent", 3, spdu[0], answer("+CMGW: 8"), SmsStatus::StoSent, ""},
        {"received status with a SUBMIT", 1, spdu[0], "\r\n+CMS ERROR: 304\r\n", {}, ""},
        {"sent status with a DELIVER", 3, dpdu, "\r\n+CMS ERROR: 304\r\n", {}, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TestPhone t;
        t.at("AT+CMEE=1");
        EXPECT_EQ(t.at("AT+CMGW=" + std::to_string(row.pdu.tpduLength) + "," +
                       std::to_string(row.status)),
                  "\r\n> ");
        EXPECT_EQ(t.phone.input(row.pdu.hex + "\x1A"), row.answer);
        const auto& stored = t.phone.state().sms.at("SM").messages;
        if (row.answer != answer("+CMGW: 8")) {
            EXPECT_FALSE(stored.count(8));
            continue;
        }
        EXPECT_EQ(stored.at(8).status, row.stored);
        EXPECT_EQ(stored.at(8).time, row.time);
    }
}

TEST(Sms, WriteToAFullStorageIsMemoryFull) {
    TestPhone t;
    t.at("AT+CMEE=1");
    for (int i = 0; i < 23; ++i) {  // 7 of 30 places are taken
        t.at("AT+CMGF=1");
        t.at("AT+CMGW=\"+7903\"");
        t.phone.input("x\x1A");
    }
    t.at("AT+CMGW=\"+7903\"");
    EXPECT_EQ(t.phone.input("x\x1A"), "\r\n+CMS ERROR: 322\r\n");
    t.at("AT+CPBS=\"SM\"");
    for (int i = 0; i < 100; ++i) t.at("AT+CPBW=,\"+7916\",145,\"A\"");
    EXPECT_EQ(t.at("AT+CPBW=,\"+7916\",145,\"A\""), "\r\n+CME ERROR: 20\r\n");
}

TEST(Sms, BadPduIsRefused) {
    TestPhone t;
    t.at("AT+CMEE=1");
    t.at("AT+CMGS=22");  // one octet short of the PDU
    EXPECT_EQ(t.phone.input("0011000B916407281553F80000AA0AE8329BFD4697D9EC37\x1A"),
              "\r\n+CMS ERROR: 304\r\n");
    EXPECT_EQ(t.phone.state().sms.at("SM").messages.size(), 7u);
}

TEST(Sms, ResendFromStorage) {
    TestPhone t;
    t.at("AT+CMEE=1");
    EXPECT_EQ(t.at("AT+CMSS=7"), answer("+CMSS: 12"));  // the unsent draft
    EXPECT_EQ(t.phone.state().sms.at("SM").messages.at(7).status, SmsStatus::StoSent);
    EXPECT_EQ(t.at("AT+CMSS=5,\"+79990000000\""), answer("+CMSS: 13"));
    EXPECT_EQ(t.at("AT+CMSS=1"), "\r\n+CMS ERROR: 302\r\n");  // a received one
    EXPECT_EQ(t.at("AT+CMSS=20"), "\r\n+CMS ERROR: 321\r\n");
}

TEST(Sms, ListingUnreadMarksThemRead) {
    TestPhone t;
    t.at("AT+CMGF=1");
    std::string motorola = t.at("AT+MMGL=\"REC UNREAD\"");
    EXPECT_NE(motorola.find("+MMGL: 2,\"REC UNREAD\""), std::string::npos);
    std::string first = t.at("AT+CMGL");  // default: unread
    EXPECT_NE(first.find("+CMGL: 1,\"REC UNREAD\""), std::string::npos);
    EXPECT_NE(first.find("+CMGL: 2,\"REC UNREAD\""), std::string::npos);
    EXPECT_EQ(t.at("AT+CMGL=\"REC UNREAD\""), kOk);
}

struct DeleteRow {
    const char* name;
    std::string command;
    std::vector<int> left;  // indexes still stored in SM
};

const DeleteRow kDeletes[] = {
    {"one", "AT+CMGD=4", {1, 2, 3, 5, 6, 7}},    {"all read", "AT+CMGD=1,1", {1, 2, 5, 6, 7}},
    {"read and sent", "AT+CMGD=1,2", {1, 2, 7}}, {"read, sent and unsent", "AT+CMGD=1,3", {1, 2}},
    {"everything", "AT+CMGD=1,4", {}},
};

TEST(Sms, DeleteThenList) {
    for (const auto& row : kDeletes) {
        SCOPED_TRACE(row.name);
        TestPhone t;
        EXPECT_EQ(t.at(row.command), kOk);
        std::string list = t.at("AT+CMGL=4");
        for (int i = 1; i <= 7; ++i) {
            bool listed = list.find("+CMGL: " + std::to_string(i) + ",") != std::string::npos;
            bool kept = std::find(row.left.begin(), row.left.end(), i) != row.left.end();
            EXPECT_EQ(listed, kept) << "index " << i;
        }
    }
    TestPhone t;
    t.at("AT+CMEE=1");
    EXPECT_EQ(t.at("AT+CMGD=4"), kOk);
    EXPECT_EQ(t.at("AT+CMGD=4"), "\r\n+CMS ERROR: 321\r\n");
    EXPECT_EQ(t.at("AT+CMGD=?"), answer("+CMGD: (1,2,3,5,6,7),(0-4)"));
}

TEST(Sms, ArrivingMessageIsAnnouncedWhenAsked) {
    TestPhone t;
    EXPECT_EQ(t.phone.receiveSms("+79160000000", "first"), "");
    t.at("AT+CNMI=2,1");
    EXPECT_EQ(t.phone.receiveSms("+79160000000", "Новое"), "\r\n+CMTI: \"SM\",9\r\n");
    const Sms& m = t.phone.state().sms.at("SM").messages.at(9);
    EXPECT_EQ(m.status, SmsStatus::RecUnread);
    EXPECT_EQ(m.coding, SmsCoding::Ucs2);
}

TEST(Sms, MessageRoutedToTheHostIsGivenInTheCurrentModeAndNotStored) {
    TestPhone t;
    t.at("AT+CNMI=2,2");
    const size_t stored = t.phone.state().sms.at("SM").messages.size();
    const std::string pdu = t.phone.receiveSms("+79160000000", "Hi");
    EXPECT_EQ(pdu.rfind("\r\n+CMT: ,", 0), 0u) << pdu;
    t.at("AT+CMGF=1");
    const std::string text = t.phone.receiveSms("+79160000000", "Hi");
    EXPECT_EQ(text.rfind("\r\n+CMT: \"+79160000000\",,\"", 0), 0u) << text;
    EXPECT_EQ(text.substr(text.size() - 6), "\r\nHi\r\n");
    EXPECT_EQ(t.phone.state().sms.at("SM").messages.size(), stored);
}

TEST(Sms, ASendAskingForAReportGetsOneAsTheStateSays) {
    const struct {
        const char* delivery;
        std::string setup;
        std::string report;  // what follows the send, "" for none
    } rows[] = {
        {"ok", "AT+CNMI=2,1,0,1,0;+CMGF=1;+CSMP=49,167,0,0", ",0"},
        {"fail", "AT+CNMI=2,1,0,1,0;+CMGF=1;+CSMP=49,167,0,0", ",65"},
        {"ok", "AT+CNMI=2,1,0,1,0;+CMGF=1", ""},                   // no report asked for
        {"ok", "AT+CNMI=2,1,0,0,0;+CMGF=1;+CSMP=49,167,0,0", ""},  // reports not routed
        {"none", "AT+CNMI=2,1,0,1,0;+CMGF=1;+CSMP=49,167,0,0", ""},
    };
    const fs::path file =
        fs::temp_directory_path() / ("phonesim-delivery-" + std::to_string(::getpid()));
    for (const auto& r : rows) {
        State st = seedState();
        st.delivery = r.delivery;
        saveStateFile(file.string(), st);
        TestPhone t(file.string());
        t.at(r.setup);
        t.at("AT+CMGS=\"+79161234567\"");
        EXPECT_EQ(t.phone.input("Hi\x1A"), answer("+CMGS: 12")) << r.setup;
        const std::string got = t.phone.dueReports();
        if (std::string(r.report).empty()) {
            EXPECT_EQ(got, "") << r.delivery << " " << r.setup;
            continue;
        }
        EXPECT_EQ(got.rfind("\r\n+CDS: 6,12,\"+79161234567\",145,\"", 0), 0u) << got;
        EXPECT_EQ(got.substr(got.size() - 2 - std::string(r.report).size()), r.report + "\r\n");
        EXPECT_EQ(t.phone.dueReports(), "");  // once
    }
    fs::remove(file);
}

struct EventRow {
    const char* name;
    std::string write;
    std::string reply;
};

const EventRow kEvents[] = {
    {"new event",
     "AT+MDBW=5,\"Dentist\",1,1,\"14:30\",\"02-29-2028\",45,\"14:00\",\"02-29-2028\",0", kOk},
    {"first free place",
     "AT+MDBW=,\"Gym\",1,0,\"07:00\",\"06-20-2025\",60,\"07:00\",\"06-20-2025\",2", kOk},
    {"not a leap year",
     "AT+MDBW=5,\"X\",1,1,\"14:30\",\"02-29-2027\",45,\"14:00\",\"02-29-2027\",0",
     "\r\n+CME ERROR: 50\r\n"},
    {"bad time", "AT+MDBW=5,\"X\",1,1,\"24:00\",\"06-20-2025\",45,\"14:00\",\"06-20-2025\",0",
     "\r\n+CME ERROR: 50\r\n"},
    {"bad repeat", "AT+MDBW=5,\"X\",1,1,\"10:00\",\"06-20-2025\",45,\"10:00\",\"06-20-2025\",6",
     "\r\n+CME ERROR: 50\r\n"},
    {"empty title", "AT+MDBW=5,\"\",1,1,\"10:00\",\"06-20-2025\",45,\"10:00\",\"06-20-2025\",0",
     "\r\n+CME ERROR: 50\r\n"},
    {"delete", "AT+MDBW=1", kOk},
    {"no alarm: its time and date are kept as given",
     "AT+MDBW=6,\"Note\",1,0,\"10:00\",\"06-20-2025\",0,\"00:00\",\"00-00-2000\",0", kOk},
    {"no start time: its time is kept as given",
     "AT+MDBW=6,\"Note\",0,1,\"99:99\",\"06-20-2025\",0,\"08:00\",\"06-20-2025\",0", kOk},
    {"alarm on: its date must exist",
     "AT+MDBW=6,\"Note\",1,1,\"10:00\",\"06-20-2025\",0,\"00:00\",\"00-00-2000\",0",
     "\r\n+CME ERROR: 50\r\n"},
    {"no alarm, but no date form either",
     "AT+MDBW=6,\"Note\",1,0,\"10:00\",\"06-20-2025\",0,\"00:00\",\"later\",0",
     "\r\n+CME ERROR: 50\r\n"},
    {"comma inside the title",
     "AT+MDBW=6,\"Lunch, then cinema\",1,0,\"13:00\",\"06-20-2025\",90,\"13:00\",\"06-20-2025\",1",
     kOk},
};

TEST(DateBook, WriteAndDelete) {
    for (const auto& row : kEvents) {
        SCOPED_TRACE(row.name);
        TestPhone t;
        t.at("AT+CMEE=1");
        EXPECT_EQ(t.at(row.write), "\r\n+CME ERROR: 3\r\n");  // not locked yet
        t.at("AT+MDBL=1");
        EXPECT_EQ(t.at(row.write), row.reply);
    }
    TestPhone t;
    t.at("AT+MDBL=1");
    t.at("AT+MDBW=5,\"Dentist\",1,1,\"14:30\",\"02-29-2028\",45,\"14:00\",\"02-29-2028\",0");
    t.at("AT+MDBW=1");
    EXPECT_EQ(t.at("AT+MDBR=5"), answer("+MDBR: 5,\"Dentist\",1,1,\"14:30\",\"02-29-2028\",45,"
                                        "\"14:00\",\"02-29-2028\",0"));
    EXPECT_EQ(t.at("AT+MDBR=1"), kOk);
    EXPECT_EQ(t.at("AT+MDBR=?"), answer("+MDBR: 500,4,64,5"));
}

TEST(DateBook, TitlesTravelInTheCharacterSet) {
    TestPhone t;
    t.at("AT+MDBL=1");
    t.at("AT+CSCS=\"UCS2\"");
    // "Обед, кино" as UCS2 hex; the comma is part of the title.
    EXPECT_EQ(t.at("AT+MDBW=7,\"041E043104350434002C0020043A0438043D043E\",1,0,\"13:00\","
                   "\"06-20-2025\",90,\"00:00\",\"00-00-2000\",4"),
              kOk);
    t.at("AT+CSCS=\"UTF-8\"");
    EXPECT_EQ(t.at("AT+MDBR=7"), answer("+MDBR: 7,\"Обед, кино\",1,0,\"13:00\",\"06-20-2025\",90,"
                                        "\"00:00\",\"00-00-2000\",4"));
    t.at("AT+CSCS=\"UCS2\"");
    EXPECT_EQ(t.at("AT+MDBW=8,\"Plain Latin\",1,0,\"13:00\",\"06-20-2025\",90,\"00:00\","
                   "\"00-00-2000\",0"),
              "\r\nERROR\r\n");  // not UCS2 hex: bad text
}

class StateFile : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("phonesim-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        path = (dir / "state").string();
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
    std::string path;
};

TEST_F(StateFile, ChangesSurviveARestart) {
    {
        TestPhone a(path);
        ASSERT_TRUE(fs::exists(path));  // seeded and written at once
        a.at("AT+CSCS=\"UTF-8\"");
        a.at("AT+CPBW=7,\"+79001112233\",145,\"Анна-Мария 2\"");
        a.at("AT+CMGF=1");
        sendText(a, "+79035556677", "persisted");
        a.at("AT+CMGD=4");
        a.at("AT+CMGR=1");  // reading marks it read
        a.at("AT+CLVL=6");
        a.at("AT+MDBL=1");
        a.at("AT+MDBW=9,\"Тест\",1,0,\"08:00\",\"01-01-2026\",15,\"08:00\",\"01-01-2026\",1");
    }
    TestPhone b(path);
    ASSERT_EQ(b.phone.loadError(), "");
    b.at("AT+CSCS=\"UTF-8\"");
    b.at("AT+CMGF=1");
    EXPECT_EQ(b.at("AT+CLVL?"), answer("+CLVL: 6"));
    EXPECT_EQ(b.at("AT+CMGR=8"), answer("+CMGR: \"STO SENT\",\"+79035556677\",\r\npersisted"));
    EXPECT_EQ(b.at("AT+CMGL=\"REC UNREAD\"").find("+CMGL: 1,"), std::string::npos);
    EXPECT_EQ(b.at("AT+CMGL=\"ALL\"").find("+CMGL: 4,"), std::string::npos);
    b.at("AT+MDBL=1");
    EXPECT_NE(b.at("AT+MDBR=9").find("\"Тест\""), std::string::npos);
    EXPECT_EQ(b.at("AT+CPBR=7"), answer("+CPBR: 7,\"+79001112233\",145,\"Анна-Мария 2\""));
}

// Without network service a message is refused, in either way of sending.
TEST_F(StateFile, NoNetworkRefusesEverySend) {
    std::string text = serializeState(seedState());
    text.insert(text.find("[phone]\n") + 8, "network 0\n");
    std::ofstream(path) << text;
    TestPhone t(path);
    ASSERT_EQ(t.phone.loadError(), "");
    t.at("AT+CMEE=1");
    t.at("AT+CMGF=1");
    const std::string refused = "\r\n+CMS ERROR: 331\r\n";
    EXPECT_EQ(sendText(t, "+79035556677", "lost"), refused);
    EXPECT_EQ(t.at("AT+CMSS=5"), refused);
    EXPECT_NE(serializeState(t.phone.state()).find("network 0\n"), std::string::npos);
}

TEST_F(StateFile, UnreadableFileIsLeftAlone) {
    const std::string broken = "[phone]\nvolume loud\n";
    std::ofstream(path) << broken;
    TestPhone t(path);
    EXPECT_NE(t.phone.loadError().find("line 2"), std::string::npos) << t.phone.loadError();
    t.at("AT+CLVL=1");  // the phone still works, on its seed, in memory
    std::ifstream in(path);
    std::stringstream data;
    data << in.rdbuf();
    EXPECT_EQ(data.str(), broken);
}

TEST(StateText, SerializeParseRoundTrip) {
    State seed = seedState();
    seed.books["ME"].entries[3] = {"+1", 145, "Say \"hi\" \\ now\nthen"};
    seed.books["MC"].entries[4] = {"+2", 145, "", "2025/01/01,00:00"};
    seed.profile = "huawei";
    seed.quirks["sim-busy"] = 3;
    seed.sms["ME"].messages[0] = {SmsStatus::RecRead, "+1",   "25/01/01,00:00:00+00",
                                  SmsCoding::Gsm7,    "part", {0x1234, 2, 2, true}};
    std::string text = serializeState(seed);
    std::string error;
    auto back = parseState(text, &error);
    ASSERT_TRUE(back.has_value()) << error;
    EXPECT_EQ(serializeState(*back), text);
    EXPECT_EQ(back->books["ME"].entries[3].name, "Say \"hi\" \\ now\nthen");
    EXPECT_NE(text.find("1 \"+79161234567\" 145 \"Анна-Мария\"\n"), std::string::npos);
    EXPECT_EQ(back->books["MC"].entries[4].time, "2025/01/01,00:00");
}

TEST(StateText, ReportsTheBadLine) {
    const std::pair<std::string, std::string> bad[] = {
        {"[phone]\nmodel \"C650\n", "line 2"},
        {"[sms SM 30]\n1 \"REC SOMETHING\" \"1\" \"\" gsm \"x\"\n", "line 2"},
        {"\n\n[weird]\n", "line 3"},
        {"1 \"+1\" 129 \"x\"\n", "line 1"},
        {"[datebook 500]\n1 \"t\" 1 1 \"10:00\"\n", "line 2"},
        {"[phone]\nprofile nokla\n", "line 2"},
        {"[phone]\nquirk sim-bussy 2\n", "line 2"},
        {"[sms SM 30]\n1 \"REC READ\" \"1\" \"\" gsm \"x\" part 300 2 1 8\n", "line 2"},
        {"[sms SM 30]\n1 \"REC READ\" \"1\" \"\" gsm \"x\" part 3 2 3 8\n", "line 2"},
    };
    for (const auto& [text, where] : bad) {
        std::string error;
        EXPECT_FALSE(parseState(text, &error)) << text;
        EXPECT_NE(error.find(where), std::string::npos) << error;
    }
}

}  // namespace
}  // namespace phonesim::test

namespace phonesim::test {
namespace {

// Line noise, half of it shaped like commands, must neither crash the phone
// nor leave it deaf.
TEST(Robustness, SurvivesNoiseAndStillAnswers) {
    const char* pieces[] = {
        "AT", "+CPBR=", "+CMGS=", "+CMGL=", "+MDBW=", "+CKPD=", "\"", ",",
        "?",  "=",      ";",      "\r",     "\x1A",   "1",      "99", "+CSCS=\"UCS2\""};
    TestPhone t;
    unsigned seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u; };
    std::string noise;
    for (int i = 0; i < 40000; ++i) {
        if (next() % 2)
            noise += pieces[(next() >> 8) % std::size(pieces)];
        else
            noise += static_cast<char>((next() >> 8) & 0xFF);
    }
    t.phone.input(noise);
    // Leave a possible "> " entry, then ask.
    std::string reply = t.phone.input("\x1B\rATZ\rATE0\rAT\r");
    EXPECT_EQ(reply.substr(reply.size() - kOk.size()), kOk);
}

}  // namespace
}  // namespace phonesim::test
