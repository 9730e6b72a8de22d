// What the phone answers to the commands a phone check sends: character
// sets and SMS formats set and queried (accepted or refused), identity,
// battery and signal in the phone's different states.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "helpers.h"
#include "state.h"

namespace phonesim::test {
namespace {

namespace fs = std::filesystem;

struct Row {
    const char* setup;  // commands sent first, "|"-separated
    const char* command;
    std::string expected;
};

const Row kSeeded[] = {
    {"", "AT+CSCS=?", answer("+CSCS: (\"GSM\",\"IRA\",\"UCS2\",\"PCCP437\",\"UTF-8\")")},
    {"AT+CSCS=\"UCS2\"", "AT+CSCS?", answer("+CSCS: \"UCS2\"")},
    {"AT+CSCS=\"PCCP437\"", "AT+CSCS?", answer("+CSCS: \"PCCP437\"")},
    {"AT+CSCS=\"UTF-8\"", "AT+CSCS?", answer("+CSCS: \"UTF-8\"")},
    {"AT+CSCS=\"IRA\"", "AT+CSCS?", answer("+CSCS: \"IRA\"")},
    {"AT+CSCS=\"ucs2\"", "AT+CSCS?", answer("+CSCS: \"UCS2\"")},
    // A refused set leaves the set in force, which the query then names.
    {"", "AT+CSCS=\"UTF8\"", kError},
    {"AT+CSCS=\"UCS2\"|AT+CSCS=\"UTF8\"", "AT+CSCS?", answer("+CSCS: \"UCS2\"")},
    {"AT+CMEE=1", "AT+CSCS=\"UTF8\"", "\r\n+CME ERROR: 4\r\n"},
    {"AT+CMEE=2", "AT+CSCS=\"KOI8-R\"", "\r\n+CME ERROR: operation not supported\r\n"},
    {"", "AT+CMGF=?", answer("+CMGF: (0,1)")},
    {"AT+CMGF=1", "AT+CMGF?", answer("+CMGF: 1")},
    {"AT+CMGF=1|AT+CMGF=0", "AT+CMGF?", answer("+CMGF: 0")},
    {"AT+CMGF=1|AT+CMGF=2", "AT+CMGF?", answer("+CMGF: 1")},
    {"AT+CMEE=1", "AT+CMGF=2", "\r\n+CME ERROR: 50\r\n"},
    {"", "AT+CGMI", answer("+CGMI: Motorola")},
    {"", "AT+CGMM", answer("+CGMM: C650")},
    {"", "AT+CGSN", answer("+CGSN: 351234567890123")},
    {"", "AT+CGMR", answer("+CGMR: R365_G_0B.D3.08R")},
    {"", "AT+CGMI=?", kOk},
    {"", "AT+CBC", answer("+CBC: 0,85")},
    {"", "AT+CBC=?", answer("+CBC: (0-3),(0-100)")},
    {"", "AT+CSQ", answer("+CSQ: 21,99")},
    {"", "AT+CSQ=?", answer("+CSQ: (0-31,99),(0-7,99)")},
    // With the radio off there is no signal to measure.
    {"AT+CFUN=4", "AT+CSQ", answer("+CSQ: 99,99")},
    {"AT+CFUN=0", "AT+CSQ", answer("+CSQ: 99,99")},
    {"AT+CFUN=4|AT+CFUN=1", "AT+CSQ", answer("+CSQ: 21,99")},
};

void run(TestPhone& t, const Row& r) {
    std::string setup = r.setup;
    for (size_t at = 0; !setup.empty(); setup.erase(0, at)) {
        at = setup.find('|');
        t.at(setup.substr(0, at));
        at = at == std::string::npos ? setup.size() : at + 1;
    }
    EXPECT_EQ(t.at(r.command), r.expected) << r.setup << " | " << r.command;
}

TEST(CheckCommands, SeededPhone) {
    for (const Row& r : kSeeded) {
        TestPhone t;
        run(t, r);
    }
}

TEST(CheckCommands, BatteryAndSignalFollowTheState) {
    struct StateRow {
        int charging, level, rssi, ber;
        std::string cbc, csq;
    } rows[] = {
        {1, 60, 31, 0, answer("+CBC: 1,60"), answer("+CSQ: 31,0")},  // on the charger
        {0, 5, 99, 99, answer("+CBC: 0,5"), answer("+CSQ: 99,99")},  // no measurement
        {0, 100, 0, 7, answer("+CBC: 0,100"), answer("+CSQ: 0,7")},
    };
    fs::path dir = fs::temp_directory_path() / ("phonesim-check-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string path = (dir / "state").string();
    for (const StateRow& r : rows) {
        State s = seedState();
        s.batteryCharging = r.charging;
        s.batteryLevel = r.level;
        s.rssi = r.rssi;
        s.ber = r.ber;
        std::ofstream(path) << serializeState(s);
        TestPhone t(path);
        ASSERT_EQ(t.phone.loadError(), "");
        EXPECT_EQ(t.at("AT+CBC"), r.cbc);
        EXPECT_EQ(t.at("AT+CSQ"), r.csq);
    }
    fs::remove_all(dir);
}

}  // namespace
}  // namespace phonesim::test
