// The engine's SMS result file read back by the program's record reader:
// the simulated phone holds messages whose texts and senders carry the
// characters the record format uses ("}", ",", quotes), in both alphabets,
// and every list mode of the engine must hand them over unchanged.

#include <gtest/gtest.h>

#include <map>

#include "engine.h"
#include "formats/smsrecord.h"
#include "support.h"

namespace {

using celltalk::test::EngineDir;
using td::W;

// Index -> sender, status, coding, text (UTF-8), as the phone stores them.
struct Stored {
    int index;
    const char* status;
    const char* number;
    const char* coding;
    const char* text;
};

const Stored kStored[] = {
    {1, "REC UNREAD", "}", "gsm", "Sender is a brace"},
    {2, "REC READ", "Shop}", "ucs2", "\"Скидки\" до 50%, \"только\" сегодня"},
    {3, "REC READ", "+79161234567", "gsm", "\"Both ends quoted\""},
    {4, "REC READ", "+79161234567", "ucs2", "\"Кавычки\""},
    {5, "STO SENT", "89161234567", "ucs2", "Да}нет, \"да\" и \"нет\""},
    {6, "STO SENT", "+79857776655", "gsm", "a}b,c \"d\""},
    {7, "STO SENT", "900", "gsm", "a\" and \"b"},
    {8, "STO SENT", "+79161234567", "gsm", "Line one\nline two"},
    {9, "STO UNSENT", "+79031112233", "ucs2", "Привет, мир"},
    {10, "STO SENT", "+79161234567", "gsm", "\""},
    {11, "REC READ", "+79161234567", "gsm", "@ $ _ { } [ ] ~ \\ ^ | €"},
};

std::string stateFile() {
    std::string s = "[sms SM 30]\n";
    for (const Stored& m : kStored) {
        std::string text;
        for (const char* c = m.text; *c; ++c) {
            if (*c == '"' || *c == '\\') text += '\\';
            if (*c == '\n')
                text += "\\n";
            else
                text += *c;
        }
        bool received = std::string(m.status).rfind("REC", 0) == 0;
        s += std::to_string(m.index) + " \"" + m.status + "\" \"" + m.number + "\" \"" +
             (received ? "25/06/04,10:00:00+12" : "") + "\" " + m.coding + " \"" + text + "\"\n";
    }
    return s;
}

TEST(EngineSmsRecords, EveryListModeReadsBackThePhonesMessages) {
    struct Mode {
        const char* name;
        const char* operation;
        const char* prefix;
    } modes[] = {
        {"text mode, UCS2", "at+cmgf=1|at+cscs=\"UCS2\"|at+cpms=\"SM\"|at+cmgl=\"ALL\"", "+CMGL"},
        {"text mode, GSM", "at+cmgf=1|at+cscs=\"GSM\"|at+cpms=\"SM\"|at+cmgl=\"ALL\"", "+CMGL"},
        {"PDU mode", "at+cmgf=0|at+cpms=\"SM\"|at+cmgl=4", "+CMGL"},
        {"Motorola list", "at+cmgf=1|at+cscs=\"UCS2\"|at+mmgl=\"ALL\"", "+MMGL"},
    };
    for (const Mode& mode : modes) {
        EngineDir d({{"List", mode.operation}});
        td::files::writeAll(d.path("phonesim.state"), stateFile());
        celltalk::RunRequest req{d.dir, "List", {}};
        ASSERT_EQ(celltalk::runOperation(req), 0) << mode.name;
        std::vector<std::string> lines;
        ASSERT_TRUE(td::files::readLines(d.path("AutoRun/LastRun.sms"), lines)) << mode.name;

        std::map<std::string, td::sms::SmsFields> got;
        for (const std::string& l : lines)
            if (auto f = td::sms::readSmsRecord(l, {"+CMGL", "+MMGL"})) got[f->index] = *f;
        ASSERT_EQ(got.size(), std::size(kStored)) << mode.name;
        for (const Stored& m : kStored) {
            const td::sms::SmsFields& f = got[std::to_string(m.index)];
            std::string text = W(m.text);
            for (char& c : text)
                if (c == '\n') c = ' ';  // a text stays on its line
            EXPECT_EQ(f.text, text) << mode.name << ", message " << m.index;
            EXPECT_EQ(f.status, std::string("\"") + m.status + "\"") << mode.name;
            // A brace cannot stand in a number; a numeric address in a PDU
            // keeps only what can be dialled.
            std::string number = m.number;
            if (number == "}") number = std::string(mode.name) == "PDU mode" ? "" : ")";
            if (number == "Shop}") number = "Shop)";
            EXPECT_EQ(f.number, number) << mode.name << ", message " << m.index;
        }
    }
}

// A text sent in the GSM set arrives as written, and reads back so: "@ $ _"
// as the alphabet's own bytes, the escaped characters and what the alphabet
// lacks (Cyrillic) through a PDU.
TEST(EngineSmsRecords, TextsInTheGsmSetGoAndComeBackWhole) {
    const char* const texts[] = {"a@b $5 my_name", "{x} [y] ~z \\ ^ | €", "Латиница и ?"};
    for (const char* text : texts) {
        EngineDir d({{"Send", "at+cmgf=1|at+cscs=\"GSM\"|!sms"},
                     {"List", "at+cmgf=1|at+cscs=\"GSM\"|at+cmgl=\"ALL\""}});
        td::files::writeAll(d.path("phonesim.state"), "[sms SM 30]\n");
        celltalk::RunRequest send{d.dir, "Send", {"+79161234567", W(text)}};
        ASSERT_EQ(celltalk::runOperation(send), 0) << text;
        // What the phone stored is what its user reads (UTF-8, "\\" escaped).
        std::string stored = text;
        for (size_t at = stored.find('\\'); at != std::string::npos; at = stored.find('\\', at + 2))
            stored.insert(at, "\\");
        std::string state;
        ASSERT_TRUE(td::files::readAll(d.path("phonesim.state"), state));
        EXPECT_NE(state.find(" \"" + stored + "\""), std::string::npos) << text << "\n" << state;
        celltalk::RunRequest list{d.dir, "List", {}};
        ASSERT_EQ(celltalk::runOperation(list), 0) << text;
        std::vector<std::string> lines;
        ASSERT_TRUE(td::files::readLines(d.path("AutoRun/LastRun.sms"), lines));
        std::vector<std::string> got;
        for (const std::string& l : lines)
            if (auto f = td::sms::readSmsRecord(l, {"+CMGL"})) got.push_back(f->text);
        EXPECT_EQ(got, std::vector<std::string>{W(text)}) << text;
    }
}

}  // namespace
