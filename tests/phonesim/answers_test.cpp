// Command -> answer, byte for byte, on a freshly seeded phone.

#include <gtest/gtest.h>

#include "helpers.h"

namespace phonesim::test {
namespace {

struct Row {
    const char* setup;  // commands sent first (answers ignored), "|"-separated
    const char* command;
    std::string expected;
};

const std::string kAnnaUcs2 = "0410043D043D0430002D041C043004400438044F";  // Анна-Мария
const std::string kSentRuUcs2 =
    "0425043E0440043E0448043E002C00200434043E0020043704300432044204400430";  // Хорошо, до завтра

const Row kRows[] = {
    // Identity, status, line settings.
    {"", "AT", kOk},
    {"", "at+cgmi", answer("+CGMI: Motorola")},
    {"", "AT+CGMM", answer("+CGMM: C650")},
    {"", "AT+CGMR", answer("+CGMR: R365_G_0B.D3.08R")},
    {"", "AT+CGSN", answer("+CGSN: 351234567890123")},
    {"", "AT+GMM", answer("C650")},
    {"", "AT+CIMI", answer("250991234567890")},
    {"", "AT+CBC", answer("+CBC: 0,85")},
    {"", "AT+CSQ", answer("+CSQ: 21,99")},
    {"", "AT+CFUN?", answer("+CFUN: 1")},
    {"", "AT+CPIN?", answer("+CPIN: READY")},
    {"", "AT+CGMI;+CSQ", "\r\n+CGMI: Motorola\r\n\r\n+CSQ: 21,99\r\n\r\nOK\r\n"},
    {"", "AT+CMGF=1;+CMGF?", answer("+CMGF: 1")},
    {"", "AT^SQWE", kError},
    {"", "AT+XYZ;+CGMI", kError},  // an error stops the rest of the line
    {"", "HELLO", ""},             // not a command: no answer at all
    {"AT+CSQ", "A/", answer("+CSQ: 21,99")},
    {"ATE1", "AT", "AT\r" + kOk},
    {"ATV0", "AT", "0\r"},
    {"ATV0", "AT+XYZ", "4\r"},
    {"ATQ1", "AT", ""},
    {"ATE1|ATZ", "AT", "AT\r" + kOk},
    // Error modes.
    {"", "AT+CPBR=101", kError},
    {"AT+CMEE=1", "AT+CPBR=101", "\r\n+CME ERROR: 21\r\n"},
    {"AT+CMEE=2", "AT+CPBR=101", "\r\n+CME ERROR: invalid index\r\n"},
    {"AT+CMEE=1", "AT+CMGR=31", "\r\n+CMS ERROR: 321\r\n"},
    {"", "AT+CMEE?", answer("+CMEE: 0")},
    {"", "AT+CMEE=?", answer("+CMEE: (0-2)")},
    // Character sets.
    {"", "AT+CSCS=?", answer("+CSCS: (\"GSM\",\"IRA\",\"UCS2\",\"PCCP437\",\"UTF-8\")")},
    {"", "AT+CSCS?", answer("+CSCS: \"GSM\"")},
    {"AT+CSCS=\"UCS2\"", "AT+CSCS?", answer("+CSCS: \"UCS2\"")},
    {"AT+CMEE=1", "AT+CSCS=\"UTF8\"", "\r\n+CME ERROR: 4\r\n"},
    // Phone books.
    {"", "AT+CPBS=?", answer("+CPBS: (\"SM\",\"ME\",\"MC\",\"RC\",\"DC\")")},
    {"", "AT+CPBS?", answer("+CPBS: \"SM\",7,100")},
    {"AT+CPBS=\"MC\"", "AT+CPBS?", answer("+CPBS: \"MC\",3,10")},
    {"", "AT+CPBR=?", answer("+CPBR: (1-100),40,24")},
    {"", "AT+CPBR=3", answer("+CPBR: 3,\"+74951234567\",145,\"John Smith\"")},
    {"", "AT+CPBR=7", kOk},  // an empty place answers nothing
    {"", "AT+CPBR=4,7",
     "\r\n+CPBR: 4,\"89265554433\",129,\"?\?\?\?\"\r\n"
     "+CPBR: 5,\"+79857776655\",145,\"Office\"\r\n"
     "+CPBR: 6,\"+380441234567\",145,\"?\?\?\?\"\r\n\r\nOK\r\n"},
    {"AT+CSCS=\"UCS2\"", "AT+CPBR=1",
     answer("+CPBR: 1,\"+79161234567\",145,\"" + kAnnaUcs2 + "\"")},
    {"AT+CSCS=\"IRA\"", "AT+CPBR=1", answer("+CPBR: 1,\"+79161234567\",145,\"?\?\?\?-?\?\?\?\?\"")},
    {"AT+CSCS=\"UTF-8\"", "AT+CPBR=1", answer("+CPBR: 1,\"+79161234567\",145,\"Анна-Мария\"")},
    {"AT+CPBS=\"DC\"|AT+CSCS=\"UTF-8\"", "AT+CPBR=1,10",
     "\r\n+CPBR: 1,\"+79161234567\",145,\"Анна-Мария\"\r\n"
     "+CPBR: 2,\"+74951234567\",145,\"John Smith\"\r\n\r\nOK\r\n"},
    // SMS settings.
    {"", "AT+CMGF=?", answer("+CMGF: (0,1)")},
    {"", "AT+CMGF?", answer("+CMGF: 0")},
    {"", "AT+CPMS=?", answer("+CPMS: (\"SM\",\"ME\"),(\"SM\",\"ME\"),(\"SM\",\"ME\")")},
    {"", "AT+CPMS?", answer("+CPMS: \"SM\",7,30,\"SM\",7,30,\"SM\",7,30")},
    {"", "AT+CPMS=\"ME\"", answer("+CPMS: 1,100,7,30,7,30")},
    {"AT+CMEE=1", "AT+CPMS=\"BM\"", "\r\n+CMS ERROR: 303\r\n"},
    {"", "AT+CSMS?", answer("+CSMS: 0,1,1,1")},
    {"", "AT+CNMI=2,1,0,0,0;+CNMI?", answer("+CNMI: 2,1,0,0,0")},
    {"", "AT+CSCA?", answer("+CSCA: \"+79168999100\",145")},
    // Reading messages in text mode.
    {"AT+CMGF=1", "AT+CMGR=5",
     answer("+CMGR: \"STO SENT\",\"+79161234567\",\r\nHi Anna, call me back")},
    {"AT+CMGF=1", "AT+CMGR=2",
     answer("+CMGR: \"REC UNREAD\",\"+12025550123\",,\"25/06/03,09:41:00+12\"\r\nSee you at 5pm")},
    {"AT+CMGF=1", "AT+CMGL=\"STO SENT\"",
     "\r\n+CMGL: 5,\"STO SENT\",\"+79161234567\",\r\nHi Anna, call me back\r\n"
     "+CMGL: 6,\"STO SENT\",\"+79031112233\",\r\n" +
         kSentRuUcs2 + "\r\n\r\nOK\r\n"},
    {"AT+CMGF=1|AT+CSCS=\"UTF-8\"", "AT+CMGL=\"STO UNSENT\"",
     answer("+CMGL: 7,\"STO UNSENT\",\"+12025550123\",\r\nDraft: bring the documents")},
    {"AT+CMGF=1|AT+CSDH=1|AT+CSCS=\"UTF-8\"", "AT+CMGL=\"REC READ\"",
     "\r\n+CMGL: 3,\"REC READ\",\"+79031112233\",,\"25/05/30,12:00:45+12\",145,56\r\n"
     "Встреча перенесена на завтра\r\n"
     "+CMGL: 4,\"REC READ\",\"+79857776655\",,\"25/05/29,16:20:03+12\",145,25\r\n"
     "Meeting moved to room 204\r\n\r\nOK\r\n"},
    {"AT+CMGF=1", "AT+CMGL=?",
     answer("+CMGL: (\"REC UNREAD\",\"REC READ\",\"STO UNSENT\",\"STO SENT\",\"ALL\")")},
    {"AT+CMEE=1", "AT+CMGL=\"ALL\"", "\r\n+CMS ERROR: 304\r\n"},  // PDU mode wants a number
    // PDU mode (gammu decoded these to sender, time and text).
    {"", "AT+CMGR=2",
     answer(
         "+CMGR: 0,,32\r\n07919761989901F0040B912120550521F30000526030901400210ED37219947FD741613A"
         "A8066F03")},
    {"", "AT+CMGL=2",
     answer(
         "+CMGL: 7,2,,36\r\n0001000B912120550521F300001A4479D84CD781C4F2B4FB0CA2A3CB20F27B5C6F97DD"
         "F439")},
    // Date book.
    {"", "AT+MDBR=?", answer("+MDBR: 500,4,64,5")},
    {"AT+MDBL=1", "AT+MDBR=2",
     answer("+MDBR: 2,\"Birthday "
            "Anna\",0,1,\"00:00\",\"07-02-2025\",1440,\"09:00\",\"07-02-2025\",5")},
    {"AT+MDBL=1", "AT+MDBR=5,500", kOk},
    {"AT+CMEE=1", "AT+MDBR=1", "\r\n+CME ERROR: 3\r\n"},  // not locked for the computer
    {"AT+CMEE=1|AT+MDBL=1|AT+MDBL=0", "AT+MDBR=1", "\r\n+CME ERROR: 3\r\n"},
    {"AT+CSCS=\"UTF-8\"|AT+MDBL=1", "AT+MDBR=3",
     answer("+MDBR: 3,\"Планёрка\",1,0,\"09:30\",\"06-16-2025\",30,\"09:30\",\"06-16-2025\",2")},
    {"", "AT+MDBAD?", answer("+MDBAD: 1")},
    {"AT+MDBAD=8", "AT+MDBAD?", answer("+MDBAD: 8")},
    {"AT+MDBAD= 2", "AT+MDBAD?", answer("+MDBAD: 2")},  // as a backup writes it
    {"", "AT+MDBAD=?", answer("+MDBAD: (0,1,2,4,8)")},
    {"", "AT+MDBL=?", answer("+MDBL: (0,1)")},
    {"AT+CMEE=1", "AT+MDBL=2", "\r\n+CME ERROR: 50\r\n"},
    {"AT+CMEE=1", "AT+MDBAD=3", "\r\n+CME ERROR: 50\r\n"},
    {"AT+MDBL=1", "AT+MDBL?", answer("+MDBL: 1")},
    // Volume and calls.
    {"", "AT+CLVL?", answer("+CLVL: 4")},
    {"", "AT+CLVL=?", answer("+CLVL: (0-7)")},
    {"AT+CMEE=1", "AT+CLVL=8", "\r\n+CME ERROR: 50\r\n"},
    {"", "AT+CPAS", answer("+CPAS: 0")},
    {"ATD+79161234567;", "AT+CLCC", answer("+CLCC: 1,0,0,0,0,\"+79161234567\",145")},
    {"AT+CMEE=1", "ATD12a;", "\r\n+CME ERROR: 27\r\n"},
};

void PrintTo(const Row& row, std::ostream* os) {
    *os << row.setup << " | " << row.command;
}

class Answers : public ::testing::TestWithParam<Row> {};

TEST_P(Answers, ByteForByte) {
    const Row& row = GetParam();
    TestPhone t;
    std::string setup = row.setup;
    size_t start = 0;
    while (!setup.empty() && start <= setup.size()) {
        size_t bar = setup.find('|', start);
        t.at(setup.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    EXPECT_EQ(t.at(row.command), row.expected) << "after \"" << row.setup << "\"";
}

INSTANTIATE_TEST_SUITE_P(Phone, Answers, ::testing::ValuesIn(kRows));

}  // namespace
}  // namespace phonesim::test
