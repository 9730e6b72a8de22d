// Whole engine runs in this process: settings, files, answers from scripted
// phones and from the simulated phone.
#include "engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <utility>

#include "state.h"
#include "support.h"

using namespace celltalk;
using celltalk::test::Borrowed;
using celltalk::test::EngineDir;
using celltalk::test::ScriptedPhone;
using td::W;

namespace {

int run(const EngineDir& d, const std::string& opUtf8, Transport* phone = nullptr,
        const std::string& arg1 = "", const std::string& arg2 = "") {
    RunRequest req{d.dir, W(opUtf8), {W(arg1), W(arg2)}};
    if (!phone) return runOperation(req);
    return runOperation(req, [phone](const Config&) { return std::make_unique<Borrowed>(*phone); });
}

// Answers "OK" to everything, ERROR to at+bad, and a few known commands.
std::string basicAnswer(const std::string& cmd) {
    std::string up = td::upperAscii(cmd);
    if (up == "AT+BAD") return "\r\nERROR\r\n";
    if (up == "AT+CGSN") return "\r\n351234567890123\r\n\r\nOK\r\n";
    if (up == "AT+CPBR=1,3")
        return "\r\n+CPBR: 1,\"111\",129,\"Ann\"\r\n+CPBR: 2,\"222\",129,\"Bob\"\r\n"
               "+CPBR: 3,\"333\",129,\"Cid\"\r\n\r\nOK\r\n";
    return "\r\nOK\r\n";
}

size_t count(const std::vector<std::string>& lines, const std::string& prefix) {
    return std::count_if(lines.begin(), lines.end(),
                         [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
}

}  // namespace

TEST(EngineRun, AnErrorAnswerDoesNotStopTheOperation) {
    EngineDir d({{"Пакет", "at|at+bad|at+cgsn"}});
    ScriptedPhone phone;
    phone.answer = basicAnswer;
    EXPECT_EQ(run(d, "Пакет", &phone), 0);
    // (The first "AT" is the engine's own check that the line is in step.)
    EXPECT_EQ(phone.received, (std::vector<std::string>{"AT", "at", "at+bad", "at+cgsn"}));
    EXPECT_EQ(d.lines("AutoRun/LastRun.log"),
              (std::vector<std::string>{"at", "OK", "at+bad", "ERROR", "at+cgsn",
                                        "+CGSN: 351234567890123", "OK"}));
    EXPECT_FALSE(d.has("CellTalk.err"));
    EXPECT_TRUE(d.clean());
}

TEST(EngineRun, ASilentPhoneEndsInAnErrorFileAndLeavesNoMarker) {
    EngineDir d({{"Книга", "at|at+cpbr=1,250"}});
    ScriptedPhone phone;
    phone.answer = [](const std::string& c) { return c == "at" ? "OK\r\n" : ""; };
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(run(d, "Книга", &phone), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(3));
    auto err = d.lines("CellTalk.err");
    ASSERT_EQ(err.size(), 1u);
    EXPECT_NE(err[0].find("нет ответа телефона на AT"), std::string::npos) << err[0];
    // Nothing of the operation goes to a phone that did not answer the check.
    EXPECT_EQ(phone.received, std::vector<std::string>{"AT"});
    EXPECT_FALSE(d.has("AutoRun/LastRun.pbf"));  // no half-read result
    EXPECT_TRUE(d.has("AutoRun/LastRun.log"));   // the log tells what happened
    EXPECT_TRUE(d.clean());
}

TEST(EngineRun, AFloodOfUnsolicitedLinesIsLoggedAndNeverTakenForAnAnswer) {
    EngineDir d({{"Книга", "at+cpbr=1,3"}});
    ScriptedPhone phone;
    phone.answer = [](const std::string& c) {
        std::string flood;
        for (int i = 0; i < 100; ++i)
            flood += "RING\r\n+CMTI: \"SM\"," + std::to_string(i) + "\r\n+CSQ: 15,99\r\n";
        std::string a = basicAnswer(c);
        size_t mid = a.find("+CPBR: 2");
        if (mid == std::string::npos) return a;  // the engine asking the character set
        return flood + a.substr(0, mid) + "+CIEV: 1,4\r\n" + a.substr(mid);
    };
    EXPECT_EQ(run(d, "Книга", &phone), 0);
    auto pb = d.lines("AutoRun/LastRun.pbf");
    EXPECT_EQ(pb, (std::vector<std::string>{"at+cpbr=1,3", "+CPBR: 1,\"111\",129,\"Ann\"",
                                            "+CPBR: 2,\"222\",129,\"Bob\"",
                                            "+CPBR: 3,\"333\",129,\"Cid\"", "OK"}));
    auto log = d.lines("AutoRun/LastRun.log");
    EXPECT_EQ(count(log, "~"), 301u);
    EXPECT_EQ(count(log, "+CSQ"), 0u);  // a report is marked, so the phone check skips it
}

TEST(EngineRun, AMessageDeliveredDuringACommandIsNoPartOfItsAnswer) {
    struct Case {
        const char* name;
        std::string report;  // sent before the answer to at+cgmi
        std::vector<std::string> marked;
    } cases[] = {
        {"text mode, a text reading OK",
         "\r\n+CMT: \"+79161234567\",,\"25/06/02,18:05:12+12\"\r\nOK\r\n",
         {"~+CMT: \"+79161234567\",,\"25/06/02,18:05:12+12\"", "~OK"}},
        {"PDU mode",
         "\r\n+CMT: ,23\r\n0791000000000000040B911346610089F60000208062917314210CC8F71D\r\n",
         {"~+CMT: ,23", "~0791000000000000040B911346610089F60000208062917314210CC8F71D"}},
        {"status report in PDU mode",
         "\r\n+CDS: 25\r\n07910000000006\r\n",
         {"~+CDS: 25", "~07910000000006"}},
        {"status report in text mode, then a plain line",
         "\r\n+CDS: 6,12,\"+7916\",145,\"25/06/02\",\"25/06/02\",0\r\n",
         {"~+CDS: 6,12,\"+7916\",145,\"25/06/02\",\"25/06/02\",0"}},
    };
    for (const auto& c : cases) {
        EngineDir d({{"Фирма", "at+cgmi|at+cgmm"}});
        ScriptedPhone phone;
        phone.answer = [&](const std::string& cmd) {
            if (cmd == "at+cgmi") return c.report + "\r\nMotorola\r\n\r\nOK\r\n";
            if (cmd == "AT") return std::string("\r\nOK\r\n");
            return std::string("\r\nC650\r\n\r\nOK\r\n");
        };
        EXPECT_EQ(run(d, "Фирма", &phone), 0) << c.name;
        std::vector<std::string> expect{"at+cgmi"};
        expect.insert(expect.end(), c.marked.begin(), c.marked.end());
        for (const char* l : {"+CGMI: Motorola", "OK", "at+cgmm", "+CGMM: C650", "OK"})
            expect.push_back(l);
        EXPECT_EQ(d.lines("AutoRun/LastRun.log"), expect) << c.name;
    }
}

TEST(EngineRun, AnEndlessFloodWithoutAnswerStillTimesOut) {
    EngineDir d({{"Сигнал", "at+csq"}});
    ScriptedPhone phone;
    phone.noise = [] { return std::string("RING\r\n+CIEV: 2,1\r\n"); };
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(run(d, "Сигнал", &phone), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
    EXPECT_TRUE(d.has("CellTalk.err"));
    EXPECT_TRUE(d.clean());
}

TEST(EngineRun, MarkerAndWorkFileExistOnlyWhileRunning) {
    EngineDir d({{"Книга", "at+cpbr=1,3"}});
    ScriptedPhone phone;
    bool markerSeen = false, workLogSeen = false, finalLogSeen = true;
    phone.answer = [&](const std::string& c) {
        markerSeen = d.has("celltalk.run");
        workLogSeen = d.has("AutoRun/$LastRun.log");
        finalLogSeen = d.has("AutoRun/LastRun.log");
        return basicAnswer(c);
    };
    EXPECT_EQ(run(d, "Книга", &phone), 0);
    EXPECT_TRUE(markerSeen);
    EXPECT_TRUE(workLogSeen);
    EXPECT_FALSE(finalLogSeen);
    EXPECT_TRUE(d.has("AutoRun/LastRun.log"));
    EXPECT_TRUE(d.has("AutoRun/LastRun.pbf"));
    EXPECT_TRUE(d.clean());
}

TEST(EngineRun, SettingsAndOperationErrors) {
    struct Case {
        const char* name;
        std::string op;
        std::string operationsText;
        bool removeIni;
    } cases[] = {
        {"no celltalk.ini", "A", "at", true},
        {"unknown operation", "Нет такой", "at", false},
        {"missing batch file", "A", "at|!bat\"nothere.txt\"", false},
        {"unknown macro", "A", "at|!zzz", false},
    };
    for (const auto& c : cases) {
        EngineDir d({{"A", c.operationsText}});
        if (c.removeIni) td::files::remove(d.path("celltalk.ini"));
        ScriptedPhone phone;
        phone.answer = basicAnswer;
        EXPECT_EQ(run(d, c.op, &phone), 2) << c.name;
        EXPECT_TRUE(phone.received.empty()) << c.name;  // nothing reaches the phone
        EXPECT_EQ(d.lines("CellTalk.err").size(), 1u) << c.name;
        EXPECT_TRUE(d.clean()) << c.name;
    }
}

TEST(EngineConfig, PortComesFromTheOperationsIniBeforeTheEngineIni) {
    EngineDir d({{"A", "at"}}, "ComPort=/dev/ttyUSB9\r\nBaud=9600\r\nTimeout=3\r\n");
    // Only the engine's own settings: they hold.
    Config own = loadConfig(d.dir);
    EXPECT_EQ(own.comPort, "/dev/ttyUSB9");
    EXPECT_EQ(own.baud, 9600);

    // A satellite's operations ini with its own port; the rest still comes from celltalk.ini.
    d.write("celltalk.ini",
            "[Common]\r\nModelIni=phone2.ini\r\nComPort=/dev/ttyUSB9\r\n"
            "Baud=9600\r\nTimeout=3\r\n");
    d.write("phone2.ini", "[Common]\r\nComPort=SIM\r\n[Operations]\r\nA=at\r\n");
    Config sat = loadConfig(d.dir);
    EXPECT_EQ(sat.comPort, "SIM");
    EXPECT_TRUE(sat.simulated());
    EXPECT_EQ(sat.baud, 9600);
    EXPECT_EQ(sat.timeoutSec, 3);
    EXPECT_EQ(run(d, "A"), 0);
}

// The engine reads each ini once per run: what it looked up at the start
// holds even when a file changes under the running engine.
TEST(EngineConfig, EachIniIsReadOnce) {
    for (bool ownOps : {false, true}) {
        SCOPED_TRACE(ownOps ? "operations in phone2.ini" : "operations in celltalk.ini");
        EngineDir d({{"A", "at+first"}});
        if (ownOps) {
            d.write("celltalk.ini", "[Common]\r\nModelIni=phone2.ini\r\n");
            d.write("phone2.ini", "[Operations]\r\nA=at+first\r\n");
        }
        Config cfg = loadConfig(d.dir);
        d.write(ownOps ? "phone2.ini" : "celltalk.ini", "[Operations]\r\nA=at+second\r\n");
        EXPECT_EQ(lookupOperation(cfg, "A"), "at+first");
        // A fresh run sees the new text.
        EXPECT_EQ(lookupOperation(loadConfig(d.dir), "A"), "at+second");
    }
}

TEST(EngineRun, BatchFileNamesMatchWithoutRegardToCase) {
    EngineDir d({{"Удалить", "at+cmgd=№|!bat\"DelSMS.txt\""}});
    d.write("DELSMS.TXT", "at+cmgd=3|at+cmgd=5|at+cgsn\r\n");
    ScriptedPhone phone;
    phone.answer = basicAnswer;
    EXPECT_EQ(run(d, "удалить", &phone, "7"), 0);  // operation names match as ini keys
    EXPECT_EQ(phone.received,
              (std::vector<std::string>{"AT", "at+cmgd=7", "at+cmgd=3", "at+cmgd=5", "at+cgsn"}));
}

TEST(EngineRun, PausesAreShortWithTheSimulatedPhone) {
    EngineDir d({{"Звонок", "at+ckpd=\"№\"|!dly 30|at+ckpd=\"s\""}});
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(run(d, "Звонок", nullptr, "89161234567"), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(2));
}

// ---- the simulated phone in this process (ComPort=SIM)

TEST(EngineSim, PhoneBookInUcs2IsWrittenInWindows1251) {
    EngineDir d({{"Книга", "at+cscs=\"UCS2\"|at+cpbs=\"SM\"|at+cpbr=1,100"}});
    ASSERT_EQ(run(d, "Книга"), 0);
    auto pb = d.text("AutoRun/LastRun.pbf");
    EXPECT_NE(pb.find("+CPBR: 2,\"+79031112233\",145,\"Иван Петров\""), std::string::npos) << pb;
    EXPECT_NE(pb.find("\"John Smith\""), std::string::npos) << pb;
    EXPECT_TRUE(d.has("phonesim.state"));
}

TEST(EngineSim, SmsListsInTextAndPduModeGiveTheSameRecords) {
    EngineDir d({{"Текст", "at+cmgf=1|at+cscs=\"UCS2\"|at+cpms=\"SM\"|at+cmgl=\"ALL\""},
                 {"PDU", "at+cmgf=0|at+cpms=\"SM\"|at+cmgl=4"}});
    ASSERT_EQ(run(d, "Текст"), 0);
    auto text = d.lines("AutoRun/LastRun.sms");
    ASSERT_EQ(run(d, "PDU"), 0);
    auto pdu = d.lines("AutoRun/LastRun.sms");
    auto records = [](const std::vector<std::string>& l) {
        std::vector<std::string> r;
        for (const auto& s : l)
            if (s.rfind("+CMGL=", 0) == 0) r.push_back(s);
        return r;
    };
    ASSERT_EQ(records(text).size(), 7u);
    EXPECT_EQ(
        records(text)[0],
        "+CMGL=1,\"REC UNREAD\",\"+79161234567\",,\"25/06/02,18:05:12+12\"}Привет! Как дела?");
    EXPECT_EQ(records(text)[5].substr(records(text)[5].find('}')), "}Хорошо, до завтра");
    // The two modes name the same messages, numbers and texts.
    ASSERT_EQ(records(pdu).size(), 7u);
    for (size_t i = 0; i < 7; ++i) {
        // Index, number and text (reading a list marks unread messages read).
        auto cut = [](const std::string& s) {
            size_t c1 = s.find(','), c2 = s.find(',', c1 + 1), c3 = s.find_first_of(",}", c2 + 1);
            return s.substr(0, c1) + s.substr(c2, c3 - c2) + s.substr(s.find('}'));
        };
        EXPECT_EQ(cut(records(pdu)[i]), cut(records(text)[i])) << i;
    }
}

TEST(EngineSim, CyrillicSendsArriveIntact) {
    struct Case {
        const char* name;
        const char* op;
    } cases[] = {
        {"PDU, UCS2 coding", "at+cmgf=0|!sms"},
        {"text mode, UCS2 character set", "at+cmgf=1|at+cscs=\"UCS2\"|at+csmp=17,167,0,8|!sms"},
    };
    for (const auto& c : cases) {
        EngineDir d(
            {{"Отправить", c.op}, {"Список", "at+cmgf=1|at+cscs=\"UCS2\"|at+cmgl=\"STO SENT\""}});
        ASSERT_EQ(run(d, "Отправить", nullptr, "  +79160000001 89160000002", "Привет, \"мир\"!"), 0)
            << c.name << "\n"
            << d.text("CellTalk.err");
        ASSERT_EQ(run(d, "Список"), 0) << c.name;
        auto sms = d.text("AutoRun/LastRun.sms");
        for (const char* n : {"\"+79160000001\"", "\"89160000002\""}) {
            size_t at = sms.find(n);
            ASSERT_NE(at, std::string::npos) << c.name << "\n" << sms;
            EXPECT_EQ(sms.find("}Привет, \"мир\"!\n", at), sms.find('}', at)) << c.name;
        }
    }
}

TEST(EngineSim, LatinSendInTextModeAndLongPduSendInParts) {
    EngineDir d({{"Lat", "at+cmgf=1|at+cscs=\"GSM\"|!sms"},
                 {"Long", "at+cmgf=0|!sms"},
                 {"Список", "at+cmgf=1|at+cmgl=\"STO SENT\""}});
    ASSERT_EQ(run(d, "Lat", nullptr, "123", "Hello there"), 0) << d.text("CellTalk.err");
    std::string longText(200, 'z');
    ASSERT_EQ(run(d, "Long", nullptr, "456", longText), 0) << d.text("CellTalk.err");
    ASSERT_EQ(run(d, "Список"), 0);
    auto sms = d.text("AutoRun/LastRun.sms");
    EXPECT_NE(sms.find("\"123\",}Hello there"), std::string::npos) << sms;
    EXPECT_NE(sms.find("}Хорошо, до завтра"), std::string::npos) << sms;  // UCS2-coded, GSM set
    // Two stored parts of the long message.
    EXPECT_NE(sms.find("}" + std::string(153, 'z') + "\n"), std::string::npos) << sms;
    EXPECT_NE(sms.find("}" + std::string(47, 'z') + "\n"), std::string::npos) << sms;
}

TEST(EngineSim, TextModeSendsArriveExactlyAsTyped) {
    // What the phone stored for the message sent to 777: a line break stays
    // one, and a character the phone's set lacks is not turned into "?".
    struct Case {
        const char* what;
        const char* op;
        const char* text;
        phonesim::SmsCoding coding;
    } cases[] = {
        {"a line break, GSM set", "at+cmgf=1|at+cscs=\"GSM\"|!sms", "line one\nline two",
         phonesim::SmsCoding::Gsm7},
        {"dash, quotes and copyright outside the GSM alphabet", "at+cmgf=1|at+cscs=\"GSM\"|!sms",
         "Price — 5 “A” ©", phonesim::SmsCoding::Ucs2},
        {"a sign outside ASCII in IRA, inside the GSM alphabet", "at+cmgf=1|at+cscs=\"IRA\"|!sms",
         "Clause § 5", phonesim::SmsCoding::Gsm7},
        {"Cyrillic through a Latin operation", "at+cmgf=1|at+cscs=\"GSM\"|!sms", "Привет, мир",
         phonesim::SmsCoding::Ucs2},
    };
    for (const auto& c : cases) {
        EngineDir d({{"Lat", c.op}});
        ASSERT_EQ(run(d, "Lat", nullptr, "777", c.text), 0) << c.what << d.text("CellTalk.err");
        auto state = phonesim::loadStateFile(d.path("phonesim.state"), nullptr);
        ASSERT_TRUE(state) << c.what;
        const phonesim::Sms* sent = nullptr;
        for (const auto& [store, box] : state->sms)
            for (const auto& [index, m] : box.messages)
                if (m.number == "777") sent = &m;
        ASSERT_NE(sent, nullptr) << c.what;
        EXPECT_EQ(sent->text, c.text) << c.what;
        EXPECT_EQ(sent->coding, c.coding) << c.what;
    }
}

TEST(EngineSim, DateBookGoesToItsOwnFile) {
    EngineDir d({{"Ежедневник", "at+cscs=\"UCS2\"|at+mdbl=1|at+mdbr=1,10|at+mdbad?|at+mdbl=0"}});
    ASSERT_EQ(run(d, "Ежедневник"), 0) << d.text("CellTalk.err");
    auto mdb = d.text("AutoRun/LastRun.mdb");
    EXPECT_NE(mdb.find("+MDBR: 1,\"Встреча с Олегом\""), std::string::npos) << mdb;
    EXPECT_NE(mdb.find("+MDBAD: 1"), std::string::npos) << mdb;
    EXPECT_EQ(mdb.find("mdbl"), std::string::npos) << mdb;
}

TEST(EngineSim, DateBookTitlesWrittenInUcs2ComeBackTheSame) {
    EngineDir d({{"Записать",
                  "at+mdbl=1|at+cscs=\"UCS2\"|"
                  "AT+MDBW=9,\"Обед, кино\",1,0,\"13:00\",\"06-20-2025\",90,\"00:00\","
                  "\"00-00-2000\",4|"
                  "AT+MDBW=10,\"Meeting\",1,1,\"10:00\",\"06-21-2025\",60,\"09:50\","
                  "\"06-21-2025\",1|at+mdbl=0"},
                 {"Прочитать", "at+cscs=\"UCS2\"|at+mdbl=1|at+mdbr=9,10|at+mdbad?|at+mdbl=0"}});
    ASSERT_EQ(run(d, "Записать"), 0) << d.text("CellTalk.err");
    // The log keeps the command as it was written.
    EXPECT_NE(d.text("AutoRun/LastRun.log").find("AT+MDBW=9,\"Обед, кино\""), std::string::npos);
    ASSERT_EQ(run(d, "Прочитать"), 0) << d.text("CellTalk.err");
    // The date book file starts with the character set its titles were read in.
    EXPECT_EQ(
        d.lines("AutoRun/LastRun.mdb"),
        (std::vector<std::string>{
            "at+cscs=\"UCS2\"", "at+mdbr=9,10",
            "+MDBR: 9,\"Обед, кино\",1,0,\"13:00\",\"06-20-2025\",90,\"00:00\",\"00-00-2000\",4",
            "+MDBR: 10,\"Meeting\",1,1,\"10:00\",\"06-21-2025\",60,\"09:50\",\"06-21-2025\",1",
            "OK", "at+mdbad?", "+MDBAD: 1", "OK"}));
}

TEST(EngineSim, DateBookFileNamesEachCharacterSetChange) {
    EngineDir d(
        {{"Ежедневник",
          "at+mdbl=1|at+mdbr=1,1|at+cscs=\"UCS2\"|at+mdbr=2,2|at+cscs=\"UCS2\"|at+mdbad?"}});
    ASSERT_EQ(run(d, "Ежедневник"), 0) << d.text("CellTalk.err");
    auto lines = d.lines("AutoRun/LastRun.mdb");
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "at+mdbr=1,1");  // nothing said yet: no line
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "at+cscs=\"UCS2\""), 1);
}

TEST(EngineSim, PhoneCheckLogNamesEveryAnswer) {
    EngineDir d({{"Получить_характеристики_телефона", "at+cgsn|!bat\"CheckPhone.bat\""}});
    d.write("CheckPhone.bat",
            "at+CSCS=\"UCS2\"|at+CSCS?|at+CMGF=0|at+CMGF?|at+CGMI|at+CGMM|at+CSQ|at+CBC\r\n");
    ASSERT_EQ(run(d, "Получить_характеристики_телефона"), 0) << d.text("CellTalk.err");
    auto log = d.text("AutoRun/LastRun.log");
    for (const char* l : {"+CGSN: 351234567890123\n", "+CSCS: \"UCS2\"\n", "+CMGF: 0\n",
                          "+CGMI: Motorola\n", "+CGMM: C650\n", "+CSQ: 21,99\n", "+CBC: 0,85\n"})
        EXPECT_NE(log.find(l), std::string::npos) << l << "\n" << log;
}

// ---- sends against phones that deliver their bytes the way real ones do

namespace {

// A phone that takes messages: it prompts for the text of AT+CMGS and
// answers it with "+CMGS: 5", written in the given line-end style.
struct SendingPhone {
    std::string eol = "\r\n";
    bool echo = false;
    std::string beforePrompt;  // what comes between the command and its prompt
    std::string prompt = "\r\n> ";
    std::vector<std::string> bodies;
    bool awaitingBody = false;

    std::string answer(const std::string& l) {
        auto line = [&](const std::string& t) { return eol + t + eol; };
        std::string out = echo ? l + "\r" : "";
        if (awaitingBody) {
            awaitingBody = false;
            bodies.push_back(l);
            return (echo ? l : "") + line("+CMGS: 5") + line("OK");
        }
        if (td::upperAscii(l).rfind("AT+CMGS=", 0) == 0) {
            awaitingBody = true;
            return out + beforePrompt + prompt;
        }
        return out + line("OK");
    }
};

}  // namespace

TEST(EngineSend, PromptAndAnswersAreFoundHoweverThePhoneDeliversThem) {
    struct Case {
        const char* name;
        std::string eol;
        bool echo;
        std::string beforePrompt;
        std::string prompt;
        size_t chunk;
        size_t reportsPerSend = 0;  // unsolicited lines the log marks with "~"
    } cases[] = {
        {"no echo, whole answers", "\r\n", false, "", "\r\n> ", 4096},
        {"echo on, whole answers", "\r\n", true, "", "\r\n> ", 4096},
        {"echo on, one byte per read", "\r\n", true, "", "\r\n> ", 1},
        {"echo on, two bytes per read", "\r\n", true, "", "\r\n> ", 2},
        {"echo on, three bytes per read", "\r\n", true, "", "\r\n> ", 3},
        {"only CR as line end", "\r", true, "", "\r> ", 1},
        {"only LF as line end", "\n", false, "", "\n> ", 2},
        {"prompt without a blank", "\r\n", true, "", "\r\n>", 1},
        {"unsolicited reports before the prompt", "\r\n", true, "\r\n+CIEV: 2,3\r\n\r\nRING\r\n",
         "\r\n> ", 4096, 2},
        {"unsolicited report before the prompt, in pieces", "\r\n", false,
         "\r\n+CMTI: \"SM\",4\r\n", "\r\n> ", 5, 1},
    };
    for (const char* mode : {"text", "pdu"}) {
        for (const auto& c : cases) {
            const std::string what = std::string(mode) + ": " + c.name;
            const bool pdu = std::string(mode) == "pdu";
            EngineDir d({{"Отправить", pdu ? "at+cmgf=0|!sms" : "at+cmgf=1|!sms"}});
            SendingPhone model;
            model.eol = c.eol;
            model.echo = c.echo;
            model.beforePrompt = c.beforePrompt;
            model.prompt = c.prompt;
            ScriptedPhone phone;
            phone.answer = [&](const std::string& l) { return model.answer(l); };
            test::ChunkedLink link(phone, c.chunk);
            // Two recipients; in PDU mode the long text goes in two parts each.
            const std::string text = pdu ? std::string(200, 'x') : "Hello";
            const int code = run(d, "Отправить", &link, "+79161234567 89031112233", text);
            EXPECT_EQ(code, 0) << what << "\n" << d.text("CellTalk.err");
            if (code != 0) continue;
            const size_t sends = pdu ? 4 : 2;
            EXPECT_EQ(model.bodies.size(), sends) << what;
            if (!pdu) {
                EXPECT_EQ(model.bodies, (std::vector<std::string>{"Hello", "Hello"})) << what;
            }
            auto log = d.lines("AutoRun/LastRun.log");
            EXPECT_EQ(count(log, "+CMGS: 5"), sends) << what;
            EXPECT_EQ(phone.raw.find('\x1B'), std::string::npos) << what;
            EXPECT_EQ(count(log, "~"), sends * c.reportsPerSend) << what;
        }
    }
}

TEST(EngineSend, APhoneThatNeverPromptsIsToldToDropTheMessage) {
    struct Case {
        const char* name;
        const char* op;
        std::string text;
        int silentFrom;          // the first AT+CMGS (counted from 1) that gets no prompt
        std::string otherReply;  // sent instead of the prompt, when not silent
        int code;
        size_t bodies;
        bool escape;
    } cases[] = {
        {"no prompt for a text-mode send", "at+cmgf=1|!sms", "Hello", 1, "", 1, 0, true},
        {"no prompt for the second part of a long send", "at+cmgf=0|!sms", std::string(200, 'x'), 2,
         "", 1, 1, true},
        {"an error instead of the prompt", "at+cmgf=1|!sms", "Hello", 0, "\r\n+CMS ERROR: 304\r\n",
         kExitRefused, 0, false},
    };
    for (const auto& c : cases) {
        EngineDir d({{"Отправить", c.op}});
        SendingPhone model;
        int sends = 0;
        ScriptedPhone phone;
        phone.answer = [&](const std::string& l) {
            if (td::upperAscii(l).rfind("AT+CMGS=", 0) == 0) {
                ++sends;
                if (c.silentFrom && sends >= c.silentFrom) return std::string();
                if (!c.otherReply.empty()) return c.otherReply;
            }
            return model.answer(l);
        };
        EXPECT_EQ(run(d, "Отправить", &phone, "123", c.text), c.code) << c.name;
        EXPECT_EQ(model.bodies.size(), c.bodies) << c.name;
        // ESC is the last thing the phone gets, right after the unanswered command.
        const bool escaped = !phone.raw.empty() && phone.raw.back() == '\x1B' &&
                             phone.raw.find('\x1B') == phone.raw.size() - 1;
        EXPECT_EQ(escaped, c.escape) << c.name;
        if (c.code != 0) {
            auto err = d.text("CellTalk.err");
            EXPECT_NE(err.find("AT+CMGS="), std::string::npos) << c.name << "\n" << err;
        }
        EXPECT_TRUE(d.clean()) << c.name;
    }
}

// ---- the files a front-end program writes for the engine, run as written

TEST(EngineRun, BatchFilesOfAFrontEndRunAsWritten) {
    struct Case {
        const char* name;
        std::string operation;
        std::string file;     // path under the engine's folder
        std::string content;  // UTF-8; written in Windows-1251
        std::string arg1;
        std::vector<std::string> sent;  // UTF-8
    } cases[] = {
        {"international call",
         "at+cgsn|!bat[",
         "@ScriBat.txt",
         "at+ckpd=\"0\",22|!dly|AT+CKPD=\"79161234567\"|!DLY|AT+CKPD=\"S\"\r\n",
         "@ScriBat.txt",
         {"at+cgsn", "at+ckpd=\"0\",22", "AT+CKPD=\"79161234567\"", "AT+CKPD=\"S\""}},
        {"line ended CR CR LF",
         "at+cgsn|!bat[",
         "@ScriBat.txt",
         "AT+CKPD=\"79161234567\"|!DLY|AT+CKPD=\"S\"\r\r\n",
         "@ScriBat.txt",
         {"at+cgsn", "AT+CKPD=\"79161234567\"", "AT+CKPD=\"S\""}},
        {"delete, batch name upper-cased by the writer",
         "at+cmgd=№|!bat\"DelSMS.txt\"",
         "DELSMS.TXT",
         "at+cmgd=3|at+cmgd=5|at+cmgf=1|at+cmgl=\"ALL\"\r\n",
         "7",
         {"at+cmgd=7", "at+cmgd=3", "at+cmgd=5", "at+cmgf=1", "at+cmgl=\"ALL\""}},
        {"date book unload run back, a title holding the mark",
         "at+cgsn|!bat[",
         "AutoRun/Unload-06.12.2026 14-09-06-MemDay-LastRun.txt",
         "at+mdbl=1\r\n"
         "AT+MDBW=1,\"ВСТРЕЧА №5\",1,1,\"10:00\",\"06-12-2026\",60,\"09:50\",\"06-12-2026\",0\r\n"
         "AT+MDBAD= 1\r\n"
         "at+mdbl=0\r\n",
         "Unload-06.12.2026 14-09-06-MemDay-LastRun.txt",
         {"at+cgsn", "at+mdbl=1",
          "AT+MDBW=1,\"ВСТРЕЧА №5\",1,1,\"10:00\",\"06-12-2026\",60,\"09:50\",\"06-12-2026\",0",
          "AT+MDBAD= 1", "at+mdbl=0"}},
    };
    for (const auto& c : cases) {
        EngineDir d({{"Выполнить", c.operation}});
        std::filesystem::create_directories(std::filesystem::path(d.path(c.file)).parent_path());
        d.write(c.file, c.content);
        ScriptedPhone phone;
        phone.answer = basicAnswer;
        EXPECT_EQ(run(d, "Выполнить", &phone, c.arg1), 0) << c.name << "\n"
                                                          << d.text("CellTalk.err");
        std::vector<std::string> sent;
        // The engine's own question for the phone's character set is no line of the batch.
        // Nor is its check that the line is in step.
        for (const auto& s : phone.received)
            if (s != "AT+CSCS?" && s != "AT") sent.push_back(td::cp1251ToUtf8(s));
        EXPECT_EQ(sent, c.sent) << c.name;
        EXPECT_EQ(phone.raw.find("\r\r"), std::string::npos) << c.name;
    }
}

// ---- the phone's refusals, final words and answers out of step

namespace {

// basicAnswer, with the replies of `special` (command -> reply) first; a
// reply list is handed out one per sending, its last one kept.
using Replies = std::vector<std::pair<std::string, std::vector<std::string>>>;

struct ReplyingPhone : ScriptedPhone {
    Replies special;
    explicit ReplyingPhone(Replies s) : special(std::move(s)) {
        answer = [this](const std::string& cmd) {
            for (auto& [c, replies] : special)
                if (td::equalsNoCase(c, cmd)) {
                    std::string r = replies.front();
                    if (replies.size() > 1) replies.erase(replies.begin());
                    return r;
                }
            return basicAnswer(cmd);
        };
    }
};

const char* const kBook3 =
    "\r\n+CPBR: 1,\"111\",129,\"Ann\"\r\n+CPBR: 2,\"222\",129,\"Bob\"\r\n\r\nOK\r\n";

}  // namespace

TEST(EngineRefusal, ACommandThatMustSucceedFailsTheRunWhenRefused) {
    struct Case {
        const char* name;
        const char* op;
        Replies replies;
        int code;
        const char* errHas;  // UTF-8
        const char* result;  // result file that must (code 0) or must not exist
    } cases[] = {
        {"busy book read",
         "at+cpbs=\"SM\"|at+cpbr=1,3",
         {{"at+cpbr=1,3", {"\r\n+CME ERROR: 515\r\n"}}},
         4,
         "at+cpbr=1,3: +CME ERROR: 515 (телефон занят",
         "AutoRun/LastRun.pbf"},
        {"busy once, then read",
         "at+cpbr=1,3",
         {{"at+cpbr=1,3", {"\r\n+CME ERROR: 14\r\n", kBook3}}},
         0,
         "",
         "AutoRun/LastRun.pbf"},
        {"list cut off",
         "at+cmgf=1|at+cmgl=\"ALL\"",
         {{"at+cmgl=\"ALL\"",
           {"\r\n+CMGL: 1,\"REC READ\",\"+7916\"\r\nHi\r\n+CMS ERROR: 500\r\n"}}},
         4,
         "+CMS ERROR: 500 (неизвестная ошибка)",
         "AutoRun/LastRun.sms"},
        {"list cut off by ERROR",
         "at+mdbr=1,100",
         {{"at+mdbr=1,100", {"\r\n+MDBR: 1,\"Обед\"\r\nERROR\r\n"}}},
         4,
         "at+mdbr=1,100: ERROR",
         "AutoRun/LastRun.mdb"},
        {"delete of a bad index",
         "at+cmgd=3",
         {{"at+cmgd=3", {"\r\n+CMS ERROR: 321\r\n"}}},
         4,
         "(неверный номер ячейки памяти)",
         ""},
        {"refused send",
         "at+cmgf=1|!sms",
         {{"AT+CMGS=\"123\"", {"\r\n+CMS ERROR: 500\r\n"}}},
         4,
         "AT+CMGS=\"123\" (!sms 123): +CMS ERROR: 500",
         ""},
        {"no dial tone", "ATD123;", {{"ATD123;", {"\r\nNO DIALTONE\r\n"}}}, 4, "NO DIALTONE", ""},
        {"busy callee is no refusal", "ATD123;", {{"ATD123;", {"\r\nBUSY\r\n"}}}, 0, "", ""},
        {"set-up and probes may fail",
         "at+cscs=\"PCCP437\"|at+cpbs=\"XX\"|at+cpbr=?|at+cpbr=1,3",
         {{"at+cscs=\"PCCP437\"", {"\r\nERROR\r\n"}},
          {"at+cpbs=\"XX\"", {"\r\n+CME ERROR: 3\r\n"}},
          {"at+cpbr=?", {"\r\nCOMMAND NOT SUPPORT\r\n"}},
          {"at+cpbr=1,3", {kBook3}}},
         0,
         "",
         "AutoRun/LastRun.pbf"},
    };
    for (auto& c : cases) {
        EngineDir d({{"Оп", c.op}});
        ReplyingPhone phone(c.replies);
        EXPECT_EQ(run(d, "Оп", &phone, "123", "Hi"), c.code) << c.name;
        if (c.code) {
            auto err = d.lines("CellTalk.err");
            ASSERT_EQ(err.size(), 1u) << c.name;
            EXPECT_NE(err[0].find(c.errHas), std::string::npos) << c.name << ": " << err[0];
            EXPECT_NE(d.text("AutoRun/LastRun.log").find("Отказ: "), std::string::npos) << c.name;
        } else {
            EXPECT_FALSE(d.has("CellTalk.err")) << c.name << ": " << d.text("CellTalk.err");
        }
        if (*c.result) {
            EXPECT_EQ(d.has(c.result), c.code == 0) << c.name;
        }
        EXPECT_TRUE(d.clean()) << c.name;
    }
}

TEST(EngineRefusal, BusyIsTriedAgainAFewTimesBeforeItCounts) {
    EngineDir d({{"Книга", "at+cpbr=1,3"}});
    ReplyingPhone phone(Replies{{"at+cpbr=1,3", {"\r\n+CME ERROR: 515\r\n"}}});
    EXPECT_EQ(run(d, "Книга", &phone), kExitRefused);
    EXPECT_EQ(std::count(phone.received.begin(), phone.received.end(), "at+cpbr=1,3"), 4);
}

TEST(EngineRefusal, EveryRefusedLineOfABatchIsReported) {
    EngineDir d({{"Восстановить", "at+mdbl=1|!bat\"Restore.txt\"|at+mdbl=0"}});
    d.write("Restore.txt", "at+mdbw=1,\"A\"\r\nat+mdbw=2,\"B\"\r\nat+mdbw=3,\"C\"\r\n");
    ReplyingPhone phone({{"at+mdbw=1,\"A\"", {"\r\n+CME ERROR: 20\r\n"}},
                         {"at+mdbw=3,\"C\"", {"\r\n+CME ERROR: 20\r\n"}}});
    EXPECT_EQ(run(d, "Восстановить", &phone), kExitRefused);
    // The run goes on to its end: the date book is unlocked again.
    EXPECT_EQ(phone.received.back(), "at+mdbl=0");
    auto log = d.lines("AutoRun/LastRun.log");
    EXPECT_EQ(count(log, "Отказ: "), 2u);
    auto err = d.text("CellTalk.err");
    EXPECT_NE(err.find("at+mdbw=1,\"A\": +CME ERROR: 20 (память заполнена) (и ещё отказов: 1"),
              std::string::npos)
        << err;
}

TEST(EngineRefusal, UnknownFinalWordsEndACommandAndAProbeMayBeRefused) {
    EngineDir d({{"Проверка", "at+cscs=\"UTF-8\"|at+cgmi|at+cbc"}});
    ReplyingPhone phone({{"at+cscs=\"UTF-8\"", {"\r\nCOMMAND NOT SUPPORT\r\n"}},
                         {"at+cgmi", {"\r\nTOO MANY PARAMETERS\r\n"}}});
    EXPECT_EQ(run(d, "Проверка", &phone), 0) << d.text("CellTalk.err");
    EXPECT_EQ(count(d.lines("AutoRun/LastRun.log"), "COMMAND NOT SUPPORT"), 1u);
}

// What became of a call answered (ATA) or resumed (ATO) ends the command as
// it ends a dial; the next command gets its own answer. The simulated phone
// answers ATA with nothing ringing so.
TEST(EngineRefusal, TheOutcomeOfACallCommandIsItsFinalWord) {
    struct Row {
        const char* call;
        bool simulated;
    } rows[] = {{"ATD123;", false}, {"ATA", false}, {"ATO", false}, {"ATA", true}};
    for (const auto& [call, simulated] : rows) {
        EngineDir d({{"Звонок", std::string(call) + "|at+cgsn"}});
        ReplyingPhone phone(Replies{{call, {"\r\nNO CARRIER\r\n"}}});
        EXPECT_EQ(run(d, "Звонок", simulated ? nullptr : &phone), 0)
            << call << ": " << d.text("CellTalk.err");
        auto log = d.lines("AutoRun/LastRun.log");
        auto at = std::find(log.begin(), log.end(), call);
        ASSERT_GE(log.end() - at, 5) << call;
        EXPECT_EQ(std::vector<std::string>(at, at + 5),
                  (std::vector<std::string>{call, "NO CARRIER", "at+cgsn", "+CGSN: 351234567890123",
                                            "OK"}))
            << call;
    }
}

// In text mode the lines after a message's header are its text, whatever
// they read: a text line "OK" or "ERROR" ends neither a list nor a read, and
// an empty text does not take the next header or the final word for its own.
TEST(EngineSim, AMessageTextThatReadsLikeAFinalWordIsText) {
    struct Case {
        const char* read;
        std::vector<std::string> texts;   // messages 1, 2, ...
        std::vector<std::string> logged;  // after the read, headers left out
    } cases[] = {
        {"at+cmgr=1", {"OK"}, {"OK", "OK"}},
        {"at+cmgr=1", {"ERROR"}, {"ERROR", "OK"}},
        {"at+cmgr=1", {""}, {"OK"}},
        {"at+cmgl=\"ALL\"", {"OK", "", "ERROR"}, {"OK", "ERROR", "OK"}},
        {"at+cmgr=1", {"first\nERROR"}, {"first", "ERROR", "OK"}},
        {"at+cmgr=1", {"OK\nOK"}, {"OK", "OK", "OK"}},
        {"at+cmgl=\"ALL\"",
         {"Hi\nOK\nthere", "ERROR\nbye"},
         {"Hi", "OK", "there", "ERROR", "bye", "OK"}},
    };
    for (const auto& c : cases) {
        EngineDir d({{"Чтение", std::string("at+cmgf=1|") + c.read + "|at+cgsn"}});
        phonesim::State st = phonesim::seedState();
        auto& stored = st.sms["SM"].messages;
        stored.clear();
        for (size_t i = 0; i < c.texts.size(); ++i) {
            phonesim::Sms& m = stored[static_cast<int>(i) + 1];
            m.status = phonesim::SmsStatus::RecRead;
            m.number = "+79161234567";
            m.time = "25/06/02,18:05:12+12";
            m.text = c.texts[i];
        }
        ASSERT_TRUE(phonesim::saveStateFile(d.path("phonesim.state"), st));
        EXPECT_EQ(run(d, "Чтение"), 0) << c.read << ": " << d.text("CellTalk.err");
        auto log = d.lines("AutoRun/LastRun.log");
        std::vector<std::string> after;
        for (auto at = std::find(log.begin(), log.end(), c.read); at != log.end(); ++at)
            if (*at != c.read && !at->starts_with("+CMG")) after.push_back(*at);
        std::vector<std::string> expected = c.logged;
        expected.insert(expected.end(), {"at+cgsn", "+CGSN: 351234567890123", "OK"});
        EXPECT_EQ(after, expected) << c.read << " " << c.texts[0];
        if (std::string_view(c.read).starts_with("at+cmgl")) {
            // The record is one line: a text's line feeds become blanks.
            std::vector<std::string> texts;
            for (const auto& l : d.lines("AutoRun/LastRun.sms"))
                if (l.starts_with("+CMGL=")) texts.push_back(l.substr(l.find('}') + 1));
            std::vector<std::string> expectedTexts = c.texts;
            for (auto& t : expectedTexts) std::replace(t.begin(), t.end(), '\n', ' ');
            EXPECT_EQ(texts, expectedTexts) << c.texts[0];
        }
    }
}

TEST(EngineSync, AnEmptyLineBeforeAFinalWordEndsTheMessageText) {
    // The phone's bytes after at+cmgr=1, one piece per read. A final word
    // opens with its own CR LF, so an empty line stands before it; a line
    // feed inside a text gives none, whichever read the CR and LF come in.
    const std::string head =
        "\r\n+CMGR: \"REC READ\",\"+79161234567\",,\"25/06/02,18:05:12+12\"\r\n";
    struct Case {
        const char* what;
        std::vector<std::string> pieces;
        std::vector<std::string> logged;  // after the read, its header left out
    } cases[] = {
        {"a line after the final word is no text",
         {head + "Hi\r\n\r\nOK\r\nthere\r\n"},
         {"Hi", "OK"}},
        {"CR and LF of a text line in two reads",
         {head + "Hi\r", "\nOK\r\nthere\r\n\r\nOK\r\n"},
         {"Hi", "OK", "there", "OK"}},
    };
    for (const auto& c : cases) {
        EngineDir d({{"Чтение", "at+cmgf=1|at+cmgr=1"}});
        ScriptedPhone phone;
        std::vector<std::string> queue;
        phone.answer = [&queue, &c](const std::string& cmd) {
            if (cmd == "at+cmgr=1") queue = c.pieces;
            return cmd == "at+cmgr=1" ? std::string() : std::string("\r\nOK\r\n");
        };
        phone.noise = [&queue] {
            if (queue.empty()) return std::string();
            std::string piece = queue.front();
            queue.erase(queue.begin());
            return piece;
        };
        EXPECT_EQ(run(d, "Чтение", &phone), 0) << c.what << ": " << d.text("CellTalk.err");
        auto log = d.lines("AutoRun/LastRun.log");
        std::vector<std::string> after;
        for (auto at = std::find(log.begin(), log.end(), "at+cmgr=1"); at != log.end(); ++at)
            if (*at != "at+cmgr=1" && !at->starts_with("+CMGR") && !at->starts_with("~"))
                after.push_back(*at);
        EXPECT_EQ(after, c.logged) << c.what;
    }
}

TEST(EngineSync, AnswersOfAnEarlierRunAreNotTakenForThisOne) {
    struct Case {
        const char* name;
        std::vector<std::string> late;
        bool echo;
        std::string reply;  // to at+cpbr=1,3
    } cases[] = {
        {"stale list and OK on the line",
         {"+CPBR: 9,\"999\",129,\"Old\"\r\n", "OK\r\n"},
         false,
         kBook3},
        {"stale in pieces, echo on",
         {"+CPBR: 9,\"999\",1", "29,\"Old\"\r\nO", "K\r\n"},
         true,
         kBook3},
        {"late OK before the echo", {}, true, std::string("\r\nOK\r\nat+cpbr=1,3\r") + kBook3},
        {"another command's line inside the answer",
         {},
         false,
         std::string("\r\n+CPBR: 1,\"111\",129,\"Ann\"\r\n+CMGL: 9,\"REC READ\",\"999\"\r\n") +
             "+CPBR: 2,\"222\",129,\"Bob\"\r\nOK\r\n"},
    };
    for (auto& c : cases) {
        EngineDir d({{"Книга", "at+cpbr=1,3"}});
        ScriptedPhone phone;
        phone.late = c.late;
        const bool echo = c.echo;
        const std::string reply = c.reply;
        phone.answer = [echo, reply](const std::string& cmd) {
            std::string e = echo ? cmd + "\r" : "";
            if (cmd != "at+cpbr=1,3") return e + "\r\nOK\r\n";
            return reply.find("at+cpbr") != std::string::npos ? reply : e + reply;
        };
        ASSERT_EQ(run(d, "Книга", &phone), 0) << c.name << d.text("CellTalk.err");
        auto pb = d.lines("AutoRun/LastRun.pbf");
        EXPECT_EQ(pb, (std::vector<std::string>{"at+cpbr=1,3", "+CPBR: 1,\"111\",129,\"Ann\"",
                                                "+CPBR: 2,\"222\",129,\"Bob\"", "OK"}))
            << c.name;
        EXPECT_EQ(phone.received.front(), "AT") << c.name;
        auto log = d.text("AutoRun/LastRun.log");
        if (!c.late.empty() || c.reply != kBook3) {
            EXPECT_NE(log.find("~"), std::string::npos) << c.name << log;
        }
    }
}

TEST(EngineSync, APhoneLeftTakingMessageTextIsBroughtBackToCommands) {
    EngineDir d({{"Книга", "at+cpbr=1,3"}});
    ScriptedPhone phone;
    bool entry = true;  // an earlier run was stopped at the "> " prompt
    phone.answer = [&entry](const std::string& line) {
        size_t esc = line.find('\x1B');
        if (entry && esc == std::string::npos) return std::string("\r\n> ");
        entry = false;
        const std::string cmd = esc == std::string::npos ? line : line.substr(esc + 1);
        return cmd == "at+cpbr=1,3" ? std::string(kBook3) : std::string("\r\nOK\r\n");
    };
    ASSERT_EQ(run(d, "Книга", &phone), 0) << d.text("CellTalk.err");
    EXPECT_EQ(d.lines("AutoRun/LastRun.pbf").size(), 4u) << d.text("AutoRun/LastRun.log");
}

TEST(EngineSync, ALateAnswerToTheCharacterSetQuestionIsNotTakenForTheRead) {
    EngineDir d({{"Книга", "at+cpbr=1,3"}});
    ScriptedPhone phone;
    std::string held;  // the answer to AT+CSCS?, sent only with the next command's
    phone.answer = [&held](const std::string& cmd) {
        if (cmd == "AT+CSCS?") {
            held = "\r\n+CSCS: \"GSM\"\r\n\r\nOK\r\n";
            return std::string();
        }
        return std::exchange(held, "") + (cmd == "at+cpbr=1,3" ? kBook3 : "\r\nOK\r\n");
    };
    ASSERT_EQ(run(d, "Книга", &phone), 0) << d.text("CellTalk.err");
    EXPECT_EQ(d.lines("AutoRun/LastRun.pbf").size(), 4u) << d.text("AutoRun/LastRun.log");
}

TEST(EngineSim, IdentityAnswersKeepEveryLineAndSentTextsAreLoggedOnce) {
    EngineDir d({{"Версия", "at+cgmr"}, {"Послать", "at+cmgf=1|!sms"}});
    ReplyingPhone phone(Replies{{"at+cgmr", {"\r\n\"R374_G_0E.41\"\r\nBL 0.5\r\n\r\nOK\r\n"}}});
    ASSERT_EQ(run(d, "Версия", &phone), 0);
    EXPECT_EQ(count(d.lines("AutoRun/LastRun.log"), "+CGMR: R374_G_0E.41 BL 0.5"), 1u)
        << d.text("AutoRun/LastRun.log");
    ASSERT_EQ(run(d, "Послать", nullptr, "+79161234567", "Unique text 42"), 0)
        << d.text("CellTalk.err");
    EXPECT_EQ(count(d.lines("AutoRun/LastRun.log"), "Unique text 42"), 1u)
        << d.text("AutoRun/LastRun.log");
}
