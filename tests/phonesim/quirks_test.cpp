// Kinds of phone: the answers a profile's habits give, byte for byte.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "helpers.h"
#include "state.h"

namespace phonesim::test {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

const char* const kBook =
    "[phonebook SM 100]\n"
    "1 \"+79161234567\" 145 \"Anna\"\n"
    "2 \"+7916\" 145 \"Анна\"\n"
    "3 \"\" 129 \"Имя\"\n";
const char* const kMessages =
    "[sms SM 30]\n"
    "0 \"REC READ\" \"+7916\" \"25/06/02,18:05:12+12\" gsm \"first\" part 7 2 1 8\n"
    "1 \"REC READ\" \"+7916\" \"25/06/02,18:05:13+12\" ucs2 \"Да\" part 4660 2 2 16\n";

const std::string kEvents =
    "[datebook 500]\n"
    "1 \"One\" 1 0 \"10:00\" \"06-15-2025\" 60 \"00:00\" \"00-00-2000\" 0\n"
    "2 \"Two\" 1 0 \"11:00\" \"06-15-2025\" 60 \"00:00\" \"00-00-2000\" 0\n";

struct Row {
    const char* why;
    std::string state;
    const char* setup;  // "|"-separated, answers ignored
    const char* command;
    std::string expected;
};

std::string phone(const std::string& profile, const std::string& more = {}) {
    return "[phone]\nprofile " + profile + "\n" + more + kBook + kMessages;
}

const Row kRows[] = {
    {"busy for the first reads", phone("motorola"), "", "AT+CPBR=1", "\r\n+CME ERROR: 515\r\n"},
    {"busy as a plain error without numeric errors", phone("generic", "quirk sim-busy 1\n"), "",
     "AT+CMGL=4", kError},
    {"8-bit hex names in UCS2 once ready", phone("motorola"),
     "AT+CSCS=\"UCS2\"|AT+CPBR=1|AT+CPBR=1", "AT+CPBR=1,2",
     "\r\n+CPBR: 1,\"+79161234567\",145,416E6E6100\r\n"
     "+CPBR: 2,\"+7916\",145,\"0410043D043D0430\"\r\n\r\nOK\r\n"},
    {"an empty name stays quoted", phone("motorola", "[phonebook ME 500]\n4 \"12\" 129 \"\"\n"),
     "AT+CSCS=\"UCS2\"|AT+CPBS=\"ME\"|AT+CPBR=4|AT+CPBR=4", "AT+CPBR=4",
     answer("+CPBR: 4,\"12\",129,\"\"")},
    {"line feed in a long number, empty field, date", phone("samsung"), "", "AT+CPBR=1,2",
     "\r\n+CPBR: 1,,\"\n+79161234567\",145,\"Anna\",\"2025/06/02,18:05\"\r\n"
     "+CPBR: 2,,\"+7916\",145,\"?\?\?\?\",\"2025/06/02,18:05\"\r\n\r\nOK\r\n"},
    {"a missed call gives its own time",
     phone("samsung",
           "[phonebook MC 10]\n"
           "1 \"+7903\" 145 \"Ivan\" \"2025/06/03,09:12\"\n"),
     "AT+CPBS=\"MC\"", "AT+CPBR=1",
     answer("+CPBR: 1,,\"+7903\",145,\"Ivan\",\"2025/06/03,09:12\"")},
    {"no time without the habit",
     phone("generic",
           "[phonebook MC 10]\n"
           "1 \"+7903\" 145 \"Ivan\" \"2025/06/03,09:12\"\n"),
     "AT+CPBS=\"MC\"", "AT+CPBR=1", answer("+CPBR: 1,\"+7903\",145,\"Ivan\"")},
    {"a name without a number", phone("nokia"), "AT+CSCS=\"UCS2\"", "AT+CPBR=3",
     answer("+CPBR: 3,\"\",,\"0418043C044F\"")},
    {"phone book broken off", phone("nokia", "quirk break-list 1\n"), "", "AT+CPBR=1,3",
     "\r\n+CPBR: 1,\"+79161234567\",145,\"Anna\"\r\n\r\nERROR\r\n"},
    {"message list broken off", phone("nokia", "quirk break-list 1\n"), "AT+CMGF=1",
     "AT+CMGL=\"ALL\"",
     "\r\n+CMGL: 0,\"REC READ\",\"+7916\",,\"25/06/02,18:05:12+12\"\r\nfirst\r\n\r\nERROR\r\n"},
    {"date book broken off", phone("nokia", "quirk break-list 1\n") + kEvents, "AT+MDBL=1",
     "AT+MDBR=1,5",
     "\r\n+MDBR: 1,\"One\",1,0,\"10:00\",\"06-15-2025\",60,\"00:00\",\"00-00-2000\",0\r\n"
     "\r\nERROR\r\n"},
    {"unknown command", phone("huawei"), "", "AT+XYZ", "\r\nCOMMAND NOT SUPPORT\r\n"},
    {"no Motorola commands", phone("huawei"), "", "AT+MDBL=1", "\r\nCOMMAND NOT SUPPORT\r\n"},
    {"storage from 0: delete", phone("huawei"), "AT+CMGD=0", "AT+CMGR=0",
     "\r\n+CMS ERROR: 321\r\n"},
    {"parts with their header in text mode", phone("huawei"), "AT+CMGF=1|AT+CSDH=1",
     "AT+CMGL=\"ALL\"",
     "\r\n+CMGL: 0,\"REC READ\",\"+7916\",,\"25/06/02,18:05:12+12\",145,5\r\n"
     "0500030702016669727374\r\n"
     "+CMGL: 1,\"REC READ\",\"+7916\",,\"25/06/02,18:05:13+12\",145,4\r\n"
     "0608041234020204140430\r\n\r\nOK\r\n"},
    {"parts without the header in text mode", phone("huawei"), "AT+CMGF=1", "AT+CMGR=0",
     answer("+CMGR: \"REC READ\",\"+7916\",,\"25/06/02,18:05:12+12\"\r\nfirst")},
    {"unsolicited lines before a message and inside the next",
     phone("generic", "quirk urc-in-lists 1\n"), "AT+CMGF=1", "AT+CMGL=\"ALL\"",
     "\r\n\r\n+CMTI: \"SM\",1\r\n"
     "+CMGL: 0,\"REC READ\",\"+7916\",,\"25/06/02,18:05:12+12\"\r\nfirst\r\n"
     "+CMGL: 1,\"REC READ\",\"+7916\",,\"25/06/02,18:05:13+12\"\r\n"
     "\r\n+CREG: 1\r\n04140430\r\n\r\nOK\r\n"},
    {"in PDU mode between header and PDU", phone("generic", "quirk urc-in-lists 1\n"), "",
     "AT+CMGL=4",
     "\r\n\r\n+CMTI: \"SM\",1\r\n+CMGL: 0,1,,26\r\n"
     "0044049197610000526020815021210C050003070201CC69F99C0E\r\n+CMGL: 1,1,,26\r\n"
     "\r\n+CREG: 1\r\n0044049197610008526020815031210B0608041234020204140430\r\n\r\nOK\r\n"},
    // The network's answer comes after the OK.
    {"USSD as GSM alphabet text over several lines",
     phone("generic", "ussd-balance \"Saldo: 3.00 EUR\\nBitte wählen\"\nquirk ussd-text 1\n"),
     "AT+CSCS=\"GSM\"", "AT+CUSD=1,\"*100#\",15",
     kOk + "\r\n+CUSD: 1,\"Saldo: 3.00 EUR\r\nBitte w{hlen\r\n1 - ?????????\",15\r\n"},
    {"USSD in UCS2 hex, NUL and padding", phone("telit"), "", "AT+CUSD=1,\"#5#\",15",
     kOk + "\r\n+CUSD: 0,\"041D0435043804370432043504410442043D044B0439002004370430043F0440043E0441"
           "0000FFFF60B16260EEEEFFFF\",72\r\n"},
    {"USSD as text, NUL and padding", phone("telit", "quirk ussd-text 1\n"), "AT+CSCS=\"IRA\"",
     "AT+CUSD=1,\"#5#\",15", kOk + "\r\n+CUSD: 0,\"??????????? ??????\0\xFF\xFF\xFF\xFF\",15\r\n"s},
    {"every second phone book entry, shapes in turn", phone("generic", "quirk urc-in-lists 2\n"),
     "AT+CPBR=1,3", "AT+CPBR=1,3",
     "\r\n+CPBR: 1,\"+79161234567\",145,\"Anna\"\r\n\r\n+CREG: 1\r\n"
     "+CPBR: 2,\"+7916\",145,\"?\?\?\?\"\r\n+CPBR: 3,\"\",,\"?\?\?\"\r\n\r\nOK\r\n"},
    {"date book entries", phone("nokia", "quirk urc-in-lists 1\n") + kEvents, "AT+MDBL=1",
     "AT+MDBR=1,2",
     "\r\n\r\n+CMTI: \"SM\",1\r\n"
     "+MDBR: 1,\"One\",1,0,\"10:00\",\"06-15-2025\",60,\"00:00\",\"00-00-2000\",0\r\n\r\n+CREG: "
     "1\r\n"
     "+MDBR: 2,\"Two\",1,0,\"11:00\",\"06-15-2025\",60,\"00:00\",\"00-00-2000\",0\r\n\r\nOK\r\n"},
};

class Quirks : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("phonesim-quirks-" +
               std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string write(const std::string& state) {
        const std::string path = (dir / "state").string();
        std::ofstream(path, std::ios::trunc) << state;
        return path;
    }
    fs::path dir;
};

TEST_F(Quirks, AnswersInTheKindsShapes) {
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.why);
        TestPhone t(write(r.state));
        ASSERT_EQ(t.phone.loadError(), "");
        std::string setup = r.setup;
        for (size_t start = 0; !setup.empty() && start <= setup.size();) {
            size_t bar = setup.find('|', start);
            t.at(setup.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
            if (bar == std::string::npos) break;
            start = bar + 1;
        }
        EXPECT_EQ(t.at(r.command), r.expected);
    }
}

TEST_F(Quirks, RefusedSendAndStorageFromZero) {
    struct {
        const char* state;
        std::string answer;
        int storedAt;  // the sent copy's index, -1 none
    } rows[] = {
        {"[phone]\nprofile nokia\nquirk refuse-send 1\n[sms SM 30]\n", "\r\n+CMS ERROR: 500\r\n",
         -1},
        {"[phone]\nprofile huawei\n[sms SM 30]\n", "\r\n+CMGS: 1\r\n\r\nOK\r\n", 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.state);
        TestPhone t(write(r.state));
        t.at("AT+CMGF=1");
        ASSERT_EQ(t.at("AT+CMGS=\"+7916\""), "\r\n> ");
        EXPECT_EQ(t.phone.input("hi\x1A"), r.answer);
        const auto& stored = t.phone.state().sms.at("SM").messages;
        EXPECT_EQ(stored.size(), r.storedAt < 0 ? 0u : 1u);
        if (r.storedAt >= 0) {
            EXPECT_TRUE(stored.count(r.storedAt));
        }
    }
}

TEST_F(Quirks, PartsInPduModeCarryTheirHeader) {
    TestPhone t(write(phone("huawei")));
    std::string list = t.at("AT+CMGL=4");
    EXPECT_NE(list.find("050003070201"), std::string::npos) << list;
    EXPECT_NE(list.find("0608041234020204140430"), std::string::npos) << list;
}

}  // namespace
}  // namespace phonesim::test
