// The phone check's parse of logs the real engine writes against the
// simulated phone, in the states a phone can be in (charging or not, with
// or without a signal measurement).

#include <gtest/gtest.h>

#include <regex>

#include "engine.h"
#include "phonecheck/phoneprops.h"
#include "platform/files.h"
#include "support/fakes.h"

namespace td {
namespace {

using test::W;

const char* const kDemoList =
    "[CheckProper]\n0=+CSCS-\"UCS2\"\n1=+CSCS-\"PCCP437\"\n2=+CSCS-\"UTF-8\"\n3=+CMGF-0\n"
    "4=+CMGF-1\n5=+CSCS-\"GSM\"\n6=+CGMI\n7=+CGMM\n8=+CGSN\n9=+CGMR\n10=+CSQ\n11=+CBC\n";

// Runs the check operation in env's folder and returns the log lines.
std::vector<std::string> runCheck(test::TestEnv& env, const std::string& stateEdits) {
    env.writeFile("celltalk.ini",
                  "[Common]\nModelIni=celltalk.ini\nComPort=SIM\nTimeout=2\n"
                  "SimState=phonesim.state\n[Operations]\n"
                  "Получить_характеристики_телефона=at+cgsn|!bat\"CheckPhone.bat\"\n");
    env.writeFile("tapdeck.ini", kDemoList);
    CheckList list;
    EXPECT_EQ(prepareCheckBatch(env.path("tapdeck.ini"), env.path("CheckPhone.bat"), list),
              CheckBatchResult::Written);
    if (!stateEdits.empty()) {
        // Let the phone seed its state, then change the lines asked for.
        EXPECT_EQ(celltalk::runOperation({env.dir, W("Получить_характеристики_телефона"), {}}), 0);
        std::string state = env.readFile("phonesim.state");
        std::string edits = stateEdits;
        for (size_t nl; (nl = edits.find('\n')) != std::string::npos; edits.erase(0, nl + 1)) {
            std::string line = edits.substr(0, nl);
            std::string key = line.substr(0, line.find(' '));
            state = std::regex_replace(state, std::regex("\n" + key + " [^\n#]*"), "\n" + line);
        }
        files::writeAll(env.path("phonesim.state"), state);
    }
    EXPECT_EQ(celltalk::runOperation({env.dir, W("Получить_характеристики_телефона"), {}}), 0);
    std::vector<std::string> lines;
    EXPECT_TRUE(files::readLines(env.path("AutoRun/LastRun.log"), lines));
    return lines;
}

CheckList demoList() {
    return readCheckList([](const std::string& k) {
        std::string all = kDemoList;
        size_t at = all.find("\n" + k + "=");
        if (at == std::string::npos) return std::string();
        at += k.size() + 2;
        return all.substr(at, all.find('\n', at) - at);
    });
}

TEST(EngineLog, SimulatedPhoneAsSeeded) {
    test::TestEnv env;
    auto lines = runCheck(env, "");
    PhoneProperties p;
    parsePhoneLog(lines, demoList(), p);
    EXPECT_TRUE(p.caps[CapUCS2]);
    EXPECT_TRUE(p.caps[CapPCCP437]);
    EXPECT_FALSE(p.caps[CapUTF8]);  // not asked for by this list
    EXPECT_TRUE(p.caps[CapUTF_8]);
    EXPECT_TRUE(p.caps[CapTextSms]);
    EXPECT_TRUE(p.caps[CapPduSms]);
    EXPECT_EQ(p.firm, "MOTOROLA");
    EXPECT_EQ(p.model, "C650");
    EXPECT_EQ(p.imei, "351234567890123");
    EXPECT_EQ(p.soft, "R365_G_0B.D3.08R");
    EXPECT_EQ(p.battery, "85%");
    EXPECT_EQ(p.signal, "68%");  // 21 of 31
    EXPECT_EQ(p.charging, false);
}

TEST(EngineLog, PhoneStates) {
    struct Row {
        const char* state;
        const char* battery;
        bool charging;
        const char* signal;
    } rows[] = {
        {"battery 1 60\nsignal 31 0\n", "60%", true, "100%"},
        {"battery 0 5\nsignal 99 99\n", "5%", false, ""},  // no measurement
        {"battery 0 100\nsignal 0 99\n", "100%", false, "0%"},
    };
    for (const Row& r : rows) {
        test::TestEnv env;
        auto lines = runCheck(env, r.state);
        PhoneProperties p;
        parsePhoneLog(lines, demoList(), p);
        EXPECT_EQ(p.battery, r.battery) << r.state;
        EXPECT_EQ(p.charging, r.charging) << r.state;
        EXPECT_EQ(p.signal, r.signal) << r.state;
    }
}

TEST(EngineLog, RefusedCharacterSetIsNotClaimed) {
    // The phone refuses "UTF8"; its query then names the set still in force.
    test::TestEnv env;
    env.writeFile("celltalk.ini",
                  "[Common]\nModelIni=celltalk.ini\nComPort=SIM\nTimeout=2\n"
                  "SimState=phonesim.state\n[Operations]\nCheck=at+cgsn|!bat\"CheckPhone.bat\"\n");
    CheckList list = {{"+CSCS", "\"UTF8\""}, {"+CSCS", "\"UCS2\""}, {"+CMGF", "1"},
                      {"+CSCS", "\"GSM\""},  {"+CMGF", "0"},        {"+CGMI", ""}};
    files::writeLines(env.path("CheckPhone.bat"), {checkBatchLine(list)});
    ASSERT_EQ(celltalk::runOperation({env.dir, "Check", {}}), 0);
    std::vector<std::string> lines;
    ASSERT_TRUE(files::readLines(env.path("AutoRun/LastRun.log"), lines));
    PhoneProperties p;
    parsePhoneLog(lines, list, p);
    EXPECT_FALSE(p.caps[CapUTF8]);
    EXPECT_TRUE(p.caps[CapUCS2]);
    EXPECT_TRUE(p.caps[CapTextSms]);
    EXPECT_TRUE(p.caps[CapPduSms]);
}

}  // namespace
}  // namespace td
