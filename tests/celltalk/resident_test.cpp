// The resident engine: what it makes of the phone's reports, the +CNMI it
// asks for, and `celltalk serve` against the simulated phone on a
// pseudo-terminal, with messages and calls coming in from its control file.
#include "resident.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "events.h"
#include "pdu.h"
#include "phonesim.h"
#include "state.h"
#include "support.h"

using namespace celltalk;
using celltalk::test::EngineDir;
using celltalk::test::spawnIn;
using celltalk::test::waitExit;
using namespace std::chrono_literals;
using td::W;

namespace {

// The lines of a phone's unasked output, without the blank ones.
std::vector<std::string> lines(const std::string& out) {
    std::vector<std::string> l;
    size_t start = 0, end;
    while ((end = out.find("\r\n", start)) != std::string::npos) {
        if (end > start) l.push_back(out.substr(start, end - start));
        start = end + 2;
    }
    return l;
}

// A message handed straight to the host (+CMT) by the simulated phone, set up by `setup`.
std::vector<std::string> routedMessage(const std::string& setup, const std::string& text) {
    phonesim::Phone phone;
    phone.input("ATE0\r" + setup + "\r");
    return lines(phone.receiveSms("+79161234567", text));
}

std::string utf8(const std::string& cp1251) {
    return td::cp1251ToUtf8(cp1251);
}

}  // namespace

TEST(ResidentEvents, MessagesComeWithNumberAndText) {
    const struct {
        const char* name;
        std::vector<std::string> report;
        std::string number, text;
    } rows[] = {
        {"text mode", routedMessage("AT+CNMI=2,2;+CMGF=1", "Hello"), "+79161234567", "Hello"},
        {"PDU mode, UCS2", routedMessage("AT+CNMI=2,2;+CMGF=0", "Привет"), "+79161234567",
         "Привет"},
    };
    for (const auto& r : rows) {
        EventWatcher w(8);
        for (const auto& l : r.report) w.line(l, EventWatcher::Clock::now());
        auto events = w.takeEvents();
        ASSERT_EQ(events.size(), 1u) << r.name;
        EXPECT_EQ(events[0].kind, "sms") << r.name;
        EXPECT_EQ(events[0].number, r.number) << r.name;
        EXPECT_EQ(utf8(events[0].text), r.text) << r.name;
    }
    // A stored message is announced by its place, and read.
    EventWatcher w(8);
    w.line("+CMTI: \"SM\",12", EventWatcher::Clock::now());
    EXPECT_EQ(w.takeReads(), std::vector<std::string>{"12"});
    EXPECT_TRUE(w.takeEvents().empty());
    auto read = messageEvent({"+CMGR: \"REC UNREAD\",\"+79161234567\",,\"26/12/07,10:00:00+00\"",
                              "041F04400438043204350442"},
                             "12", true, false);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->number, "+79161234567");
    EXPECT_EQ(read->index, "12");
    EXPECT_EQ(utf8(read->text), "Привет");
    EXPECT_FALSE(messageEvent({"+CMGL: nonsense"}, "1", false, false));
}

TEST(ResidentEvents, ACallIsAnnouncedOnceAndMissedWhenTheRingingStops) {
    using Clock = EventWatcher::Clock;
    const struct {
        const char* name;
        std::vector<std::string> lines;
        bool hungUp, answered;
        std::vector<std::string> kinds;
        std::string number;
    } rows[] = {
        {"caller named, gives up",
         {"RING", "+CLIP: \"+79031112233\",145", "RING", "+CLIP: \"+79031112233\",145"},
         false,
         false,
         {"call", "missed"},
         "+79031112233"},
        {"answered",
         {"RING", "+CLIP: \"+79031112233\",145"},
         false,
         true,
         {"call"},
         "+79031112233"},
        {"no number, NO CARRIER",
         {"+CRING: VOICE", "NO CARRIER"},
         true,
         false,
         {"call", "missed"},
         ""},
    };
    for (const auto& r : rows) {
        EventWatcher w(2);
        const auto t0 = Clock::now();
        for (const auto& l : r.lines) w.line(l, t0);
        EXPECT_EQ(w.ringingStopped(t0 + 1s), r.hungUp) << r.name;
        ASSERT_TRUE(w.ringingStopped(t0 + 2s)) << r.name;
        w.ringEnded(r.answered);
        EXPECT_FALSE(w.ringingStopped(t0 + 3s)) << r.name;
        std::vector<std::string> kinds;
        for (const auto& e : w.takeEvents()) {
            kinds.push_back(e.kind);
            EXPECT_EQ(e.number, r.number) << r.name;
        }
        EXPECT_EQ(kinds, r.kinds) << r.name;
    }
}

TEST(ResidentEvents, StatusReportsTellDeliveredFromNot) {
    int length = 0;
    const std::string pdu = phonesim::encodeStatusReport("+79168999100", 12, "+79161234567",
                                                         "26/12/07,10:00:00+00", 0x41, &length);
    const struct {
        std::vector<std::string> lines;
        std::string kind;  // "" for no event
    } rows[] = {
        {{"+CDS: 6,12,\"+79161234567\",145,\"26/12/07,10:00:00+00\",\"26/12/07,10:00:01+00\",0"},
         "delivered"},
        {{"+CDS: " + std::to_string(length), pdu}, "not-delivered"},
        {{"+CDS: 6,12,\"+79161234567\",145,\"26/12/07,10:00:00+00\",\"26/12/07,10:00:01+00\",33"},
         ""},  // the centre still tries
    };
    for (const auto& r : rows) {
        EventWatcher w(8);
        for (const auto& l : r.lines) w.line(l, EventWatcher::Clock::now());
        auto events = w.takeEvents();
        ASSERT_EQ(events.size(), r.kind.empty() ? 0u : 1u) << r.lines[0];
        if (r.kind.empty()) continue;
        EXPECT_EQ(events[0].kind, r.kind);
        EXPECT_EQ(events[0].number, "+79161234567");
        EXPECT_EQ(events[0].index, "12");
    }
}

TEST(ResidentEvents, StoredReportsAreReadWhereThePhoneKeptThem) {
    const struct {
        const char* delivery;
        int cmgf;  // the mode the report is read in
        std::string kind;
    } rows[] = {{"ok", 1, "delivered"}, {"fail", 0, "not-delivered"}, {"ok", 0, "delivered"}};
    const std::string file =
        (std::filesystem::temp_directory_path() / ("resident-stored-" + std::to_string(::getpid())))
            .string();
    for (const auto& r : rows) {
        phonesim::State st = phonesim::seedState();
        st.delivery = r.delivery;
        st.quirks["stored-reports"] = 1;
        phonesim::saveStateFile(file, st);
        phonesim::Phone phone(file);
        phone.input("ATE0\rAT+CNMI=2,1,0,2,0;+CMGF=1;+CSMP=49,167,0,0\r");
        phone.input("AT+CMGS=\"+79161234567\"\r");
        ASSERT_NE(phone.input("Hi\x1A").find("+CMGS: 12"), std::string::npos);
        EventWatcher w(8);
        for (const auto& l : lines(phone.dueReports())) w.line(l, EventWatcher::Clock::now());
        EXPECT_TRUE(w.takeEvents().empty());
        const auto reads = w.takeReportReads();
        ASSERT_EQ(reads.size(), 1u) << r.delivery;
        EXPECT_EQ(reads[0].memory, "SR");
        phone.input("AT+CMGF=" + std::to_string(r.cmgf) + ";+CPMS=\"" + reads[0].memory + "\"\r");
        auto answer = lines(phone.input("AT+CMGR=" + reads[0].index + "\r"));
        ASSERT_EQ(answer.back(), "OK");
        auto e = storedReportEvent(answer);
        ASSERT_TRUE(e) << answer[0];
        EXPECT_EQ(e->kind, r.kind);
        EXPECT_EQ(e->number, "+79161234567");
        EXPECT_EQ(e->index, "12");
    }
    std::filesystem::remove(file);
    // Only a memory's name and a number are taken into a command.
    EventWatcher w(8);
    for (const char* l : {"+CDSI: \"SR\";AT+CMGD=1,4", "+CDSI: \"SR\",1;X", "+CDSI: \"SR\""})
        w.line(l, EventWatcher::Clock::now());
    EXPECT_TRUE(w.takeReportReads().empty());
}

TEST(ResidentEvents, AMessageIsDeliveredWhenEveryPartIsAndNotWhenOneIsNot) {
    const std::vector<td::SentEntry> sends = {
        {"2026-12-08 10:00:00", "sent", "+79161234567", {7, 8}, "Long"},
        {"2026-12-08 10:00:01", "sent", "89031112233", {7}, "Short"},
    };
    struct Step {
        const char* kind;
        std::string number;
        int ref;
        std::string told;  // "kind number index text", "" for nothing yet
    };
    const struct {
        const char* name;
        std::vector<Step> steps;
    } rows[] = {
        {"both parts",
         {{"delivered", "+79161234567", 7, ""},
          {"delivered", "+79161234567", 7, ""},  // the same part again
          {"delivered", "+79161234567", 8, "delivered +79161234567 7,8 Long"},
          {"delivered", "+79161234567", 8, ""}}},  // told once
        {"one part fails",
         {{"delivered", "+79161234567", 8, ""},
          {"not-delivered", "+79161234567", 7, "not-delivered +79161234567 7,8 Long"},
          {"delivered", "+79161234567", 8, ""}}},
        {"the reference of another recipient",
         {{"delivered", "+79031112233", 7, "delivered 89031112233 7 Short"}}},
        {"no such send", {{"delivered", "+79990000000", 7, "delivered +79990000000 7 0"}}},
    };
    for (const auto& r : rows) {
        std::vector<td::SentEntry> log = sends;
        DeliveryMatcher m;
        for (const Step& s : r.steps) {
            auto o = m.report({s.kind, s.number, std::to_string(s.ref), "0"}, log, 0);
            std::string told;
            if (o) {
                told = o->event.kind + " " + o->event.number + " " + o->event.index + " " +
                       o->event.text;
                if (o->entry) log.push_back(*o->entry);  // as the resident engine keeps it
            }
            EXPECT_EQ(told, s.told) << r.name << ": " << s.kind << " " << s.ref;
        }
    }
}

TEST(ResidentEvents, TheStatusReportSwitchAsksForReportsAndKeepsTheReferences) {
    const std::string two(200, 'x');  // two parts in PDU mode
    const struct {
        const char* op;
        std::string text;
        const char* sw;
        std::vector<std::string> logged;  // in this order
        std::string sent;                 // the Sent.log line after its time, "" for none
    } rows[] = {
        // The PDU as logged: no service centre (00), then the first octet.
        {"at+cmgf=0|!sms", "Hi", "NO", {"\n0011"}, ""},
        {"at+cmgf=0|!sms", "Hi", "YES", {"\n0031"}, "\tsent\t+79161234567\t12\tHi"},
        {"at+cmgf=0|!sms",
         two,
         "YES",
         {"\n0071", "\n0071"},
         "\tsent\t+79161234567\t12,13\t" + two.substr(0, td::kSentTextChars)},
        {"at+cmgf=1|!sms", "Hi", "NO", {"AT+CMGS="}, ""},
        // Text mode: +CSMP's first octet asks, and the phone's is put back.
        {"at+cmgf=1|!sms",
         "Hi",
         "YES",
         {"AT+CSMP?", "AT+CSMP=49,167,0,0", "AT+CMGS=", "+CMGS: 12", "AT+CSMP=17,167,0,0"},
         "\tsent\t+79161234567\t12\tHi"},
        {"at+cmgf=1|at+csmp=49,167,0,0|!sms",
         "Hi",
         "YES",
         {"AT+CMGS="},
         "\tsent\t+79161234567\t12\tHi"},  // asked already
    };
    for (const auto& r : rows) {
        EngineDir d({{"Send", r.op}},
                    std::string("ComPort=SIM\r\nTimeout=0.3\r\nStatusReport=") + r.sw + "\r\n");
        ASSERT_EQ(runOperation(RunRequest{d.dir, "Send", {"+79161234567", r.text}}), 0)
            << d.text("CellTalk.err");
        const std::string log = d.text("AutoRun/LastRun.log");
        size_t at = 0;
        for (const std::string& l : r.logged) {
            at = log.find(l, at);
            ASSERT_NE(at, std::string::npos) << r.op << " " << r.sw << ": " << l << "\n" << log;
            ++at;
        }
        EXPECT_EQ(log.find("AT+CSMP=17"), r.logged.size() < 5 ? std::string::npos : at - 1);
        const auto sent = d.lines("AutoRun/Sent.log");
        EXPECT_EQ(sent.empty() ? "" : sent[0].substr(19), r.sent) << r.op << " " << r.sw;
    }
}

TEST(ResidentEvents, EventLineIsTabSeparatedOnOneLine) {
    const std::string line =
        eventLine({"sms", "+7916", "5", "a\tb\r\nc" + std::string(100, 'x')}, 0);
    ASSERT_GT(line.size(), 19u);
    EXPECT_EQ(line.substr(19), "\tsms\t+7916\t5\ta b  c" + std::string(kEventTextChars - 6, 'x'));
    EXPECT_EQ(line[4], '-');
    EXPECT_EQ(line[13], ':');
}

TEST(ResidentCnmi, TheNearestOfWhatThePhoneOffers) {
    const struct {
        std::string offer, chosen;
    } rows[] = {
        {"+CNMI: (0-2),(0-3),(0-3),(0-2),(0,1)", "2,1,0,1,0"},
        {"+CNMI: (0,1,2),(0,2),(0,2),(0,1),(0)", "2,2,0,1,0"},
        {"+CNMI: (1),(0-1),(0),(0),(0)", "1,1,0,0,0"},
        {"+CNMI: (0,1),(0,1)", "1,1"},
        {"+CNMI: (3),(3),(2,3),(2),(1)", "3,3,2,2,1"},
        {"OK", ""},
    };
    for (const auto& r : rows) EXPECT_EQ(resident::chooseCnmi({r.offer}), r.chosen) << r.offer;
}

TEST(ResidentSocket, NamedByThePortsCanonicalPathWithoutAFile) {
    EngineDir d({});
    std::filesystem::create_symlink("/dev/null", d.path("ttyLINK"));
    const std::string viaLink = resident::socketName(d.path("ttyLINK"));
    EXPECT_EQ(viaLink, resident::socketName("/dev/null"));
    EXPECT_EQ(viaLink[0], '\0');  // abstract: no file to leave behind
    EXPECT_NE(viaLink, resident::socketName("/dev/zero"));
    EXPECT_LE(resident::socketName("/" + std::string(200, 'a')).size(), 100u);
}

TEST(ResidentLine, ARunOnALineInStepSendsNoSyncAndHandsTheLineBack) {
    // The resident engine's line between runs: in step after a run whose
    // answers all came (a refusal too), not after one that lost an answer.
    const struct {
        const char* op;
        bool inStep;
        int code;
        bool inStepAfter;
    } rows[] = {
        {"at+clvl=3", true, 0, true},
        {"at+clvl=3", false, 0, true},
        {"at+cmgd=5", true, 4, true},
        {"at+cgsn", true, 1, false},
    };
    for (const auto& r : rows) {
        const std::string name = std::string(r.op) + (r.inStep ? " in step" : " out of step");
        EngineDir d({{"Op", r.op}});
        test::ScriptedPhone phone;
        phone.answer = [](const std::string& c) -> std::string {
            if (c == "at+cgsn") return "";
            if (c == "at+cmgd=5") return "\r\nERROR\r\n";
            return c == "at+clvl=3" ? "\r\nOK\r\n\r\n+CMTI: \"SM\",4\r\n" : "\r\nOK\r\n";
        };
        LineState line;
        line.inStep = r.inStep;
        line.carry = "\r\nRING\r\n";  // read before the run, not yet taken
        RunRequest req{d.dir, "Op", {}};
        req.line = &line;
        req.keepMarker = false;
        EXPECT_EQ(runOperation(
                      req, [&](const Config&) { return std::make_unique<test::Borrowed>(phone); }),
                  r.code)
            << name << d.text("CellTalk.err");
        const std::vector<std::string> sent =
            r.inStep ? std::vector<std::string>{r.op} : std::vector<std::string>{"AT", r.op};
        EXPECT_EQ(phone.received, sent) << name;
        EXPECT_EQ(line.inStep, r.inStepAfter) << name;
        if (r.code != 0) continue;
        std::string seen = line.carry;
        for (const auto& l : line.reports) seen += l + "\n";
        EXPECT_NE(seen.find("+CMTI: \"SM\",4"), std::string::npos) << name;
        EXPECT_EQ(seen.find("RING") != std::string::npos, r.inStep) << name;
    }
}

TEST(ResidentServing, NewsInEventsLogWhileOperationsRunOnTheHeldLine) {
    EngineDir d({});
    const std::string pty = d.path("ttyACM0"), control = d.path("control");
    d.write("celltalk.ini", "[Common]\r\nModelIni=celltalk.ini\r\nComPort=" + pty +
                                "\r\nTimeout=3\r\nRingGap=1\r\nStatusReport=YES\r\n[AutoRun]"
                                "\r\nWait=0\r\n[Operations]\r\n"
                                "All=at+cmgf=1|at+cscs=\"UCS2\"|at+cmgl=\"ALL\"\r\nPing=AT\r\n"
                                "Slow=AT|!dly 5|AT\r\nSend=at+cmgf=0|!sms\r\n");
    phonesim::State st = phonesim::seedState();
    st.delivery = "fail";
    phonesim::saveStateFile(d.path("sim.state"), st);
    pid_t sim = spawnIn(d.dir, {PHONESIM_EXE, "--pty", pty, "--state", d.path("sim.state"),
                                "--control", control, "--ring-every", "0.3"});
    for (int i = 0; i < 300 && !std::filesystem::exists(pty); ++i)
        std::this_thread::sleep_for(10ms);
    pid_t serve = spawnIn(d.dir, {CELLTALK_EXE, "serve"}, d.path("serve.err"));
    for (int i = 0; i < 300 && !d.has("AutoRun/Resident.log"); ++i)
        std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(d.has("AutoRun/Resident.log")) << d.text("serve.err");

    // A second resident engine for the port is refused, the holder named.
    EXPECT_EQ(waitExit(spawnIn(d.dir, {CELLTALK_EXE, "serve"}, d.path("second.err"))), 1);
    EXPECT_NE(d.text("second.err").find("(pid " + std::to_string(serve) + ")"), std::string::npos)
        << d.text("second.err");

    auto waitFor = [&](const std::string& text) {
        for (int i = 0; i < 300; ++i) {
            if (d.text("AutoRun/Events.log").find(text) != std::string::npos) return true;
            std::this_thread::sleep_for(10ms);
        }
        return false;
    };
    const auto t0 = std::chrono::steady_clock::now();
    std::ofstream(control, std::ios::app) << "sms +79161234567 Привет\n";
    pid_t list = spawnIn(d.dir, {CELLTALK_EXE, "oper", "All"});
    EXPECT_TRUE(waitFor("\tsms\t+79161234567\t")) << d.text("AutoRun/Events.log");
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 3s);
    EXPECT_NE(d.text("AutoRun/Events.log").find("Привет"), std::string::npos);
    EXPECT_EQ(waitExit(list), 0) << d.text("CellTalk.err");
    // The message is listed by a run after its announcement.
    ASSERT_EQ(waitExit(spawnIn(d.dir, {CELLTALK_EXE, "oper", "All"})), 0) << d.text("CellTalk.err");
    EXPECT_NE(d.text("AutoRun/LastRun.sms").find("\"+79161234567\",,"), std::string::npos);
    EXPECT_NE(d.text("AutoRun/LastRun.sms").find("}Привет"), std::string::npos);
    EXPECT_TRUE(d.clean());

    std::ofstream(control, std::ios::app) << "call +79031112233\n";
    EXPECT_TRUE(waitFor("\tcall\t+79031112233\t"));
    std::this_thread::sleep_for(700ms);  // it rings on
    EXPECT_EQ(d.text("AutoRun/Events.log").find("\tmissed\t"), std::string::npos);
    std::ofstream(control, std::ios::app) << "hangup\n";
    EXPECT_TRUE(waitFor("\tmissed\t+79031112233\t")) << d.text("AutoRun/Events.log");

    // A send asking for a report: the network's answer comes as news.
    EXPECT_EQ(waitExit(spawnIn(d.dir, {CELLTALK_EXE, "oper", "Send", "+79161234567", "Hi"})), 0)
        << d.text("CellTalk.err");
    EXPECT_TRUE(waitFor("\tnot-delivered\t+79161234567\t")) << d.text("AutoRun/Events.log");

    // A client stopped in its run stops the run, not the resident engine.
    pid_t slow = spawnIn(d.dir, {CELLTALK_EXE, "oper", "Slow"});
    std::this_thread::sleep_for(300ms);
    const auto stopped = std::chrono::steady_clock::now();
    ::kill(slow, SIGTERM);
    EXPECT_EQ(waitExit(slow), 3);
    EXPECT_LT(std::chrono::steady_clock::now() - stopped, 1s);
    EXPECT_NE(d.text("CellTalk.err").find("прервана"), std::string::npos) << d.text("CellTalk.err");
    EXPECT_TRUE(d.clean());
    EXPECT_EQ(waitExit(spawnIn(d.dir, {CELLTALK_EXE, "oper", "Ping"})), 0)
        << d.text("CellTalk.err");

    // Stopped, it leaves the port free and nothing behind.
    ::kill(serve, SIGTERM);
    EXPECT_EQ(waitExit(serve), 0);
    EXPECT_EQ(waitExit(spawnIn(d.dir, {CELLTALK_EXE, "oper", "Ping"})), 0)
        << d.text("CellTalk.err");
    EXPECT_TRUE(d.clean());
    ::kill(sim, SIGTERM);
    waitExit(sim);
}

TEST(ResidentServing, ASendAskingForAReportEndsDeliveredOrNot) {
    const std::string two(200, 'y');
    const struct {
        const char* name;
        const char* delivery;
        bool stored;  // the phone only stores its reports (+CDSI)
        const char* op;
        std::string text, line;  // the Events.log line after its time
    } rows[] = {
        {"text mode", "ok", false, "at+cmgf=1|!sms", "Hi", "\tdelivered\t+79161234567\t12\tHi"},
        {"PDU mode, failed", "fail", false, "at+cmgf=0|!sms", "Hi",
         "\tnot-delivered\t+79161234567\t12\tHi"},
        {"two parts", "ok", false, "at+cmgf=0|!sms", two,
         "\tdelivered\t+79161234567\t12,13\t" + two.substr(0, kEventTextChars)},
        {"stored, text mode", "ok", true, "at+cmgf=1|!sms", "Hi",
         "\tdelivered\t+79161234567\t12\tHi"},
        {"stored, two parts failed", "fail", true, "at+cmgf=0|!sms", two,
         "\tnot-delivered\t+79161234567\t12,13\t" + two.substr(0, kEventTextChars)},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EngineDir d({});
        const std::string pty = d.path("ttyACM0");
        d.write("celltalk.ini", "[Common]\r\nModelIni=celltalk.ini\r\nComPort=" + pty +
                                    "\r\nTimeout=3\r\nStatusReport=YES\r\n[AutoRun]\r\nWait=0\r\n"
                                    "[Operations]\r\nSend=" +
                                    r.op + "\r\n");
        phonesim::State st = phonesim::seedState();
        st.delivery = r.delivery;
        st.deliveryDelayMs = 200;
        if (r.stored) st.quirks["stored-reports"] = 1;
        phonesim::saveStateFile(d.path("sim.state"), st);
        pid_t sim = spawnIn(d.dir, {PHONESIM_EXE, "--pty", pty, "--state", d.path("sim.state")});
        for (int i = 0; i < 300 && !std::filesystem::exists(pty); ++i)
            std::this_thread::sleep_for(10ms);
        pid_t serve = spawnIn(d.dir, {CELLTALK_EXE, "serve"}, d.path("serve.err"));
        for (int i = 0; i < 300 && !d.has("AutoRun/Resident.log"); ++i)
            std::this_thread::sleep_for(10ms);
        EXPECT_EQ(waitExit(spawnIn(d.dir, {CELLTALK_EXE, "oper", "Send", "+79161234567", r.text})),
                  0)
            << d.text("CellTalk.err");
        std::string told;
        for (int i = 0; i < 500 && told.empty(); ++i) {
            for (const auto& l : d.lines("AutoRun/Events.log"))
                if (l.size() > 19) told = l.substr(19);
            std::this_thread::sleep_for(10ms);
        }
        EXPECT_EQ(told, r.line) << d.text("AutoRun/Resident.log") << d.text("serve.err");
        if (r.stored) {  // the last exchange of its own: the read of the stored report
            EXPECT_NE(d.text("AutoRun/Resident.log").find("AT+CMGR="), std::string::npos)
                << d.text("AutoRun/Resident.log");
        }
        // The outcome is kept with the send for the sent SMS window.
        const auto sent = d.lines("AutoRun/Sent.log");
        ASSERT_EQ(sent.size(), 2u);
        EXPECT_EQ(sent[1].substr(19), r.line);
        ::kill(serve, SIGTERM);
        EXPECT_EQ(waitExit(serve), 0);
        ::kill(sim, SIGTERM);
        waitExit(sim);
    }
}
