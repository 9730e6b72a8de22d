// The program with the real engine against each kind of simulated phone
// (phonesim profiles): the phone book read whole, a Latin message sent in
// the phone's alphabet, a stored message deleted and sent again by its index
// (0 on phones that count from 0), and the parts of a long message listed as
// one.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <chrono>

#include "app/forms.h"
#include "demorun.h"
#include "engine/launcher.h"
#include "engine/settings.h"
#include "formats/smsrecord.h"
#include "main/TapdeckP.h"
#include "phonebook/GetPBook.h"
#include "phonebook/MissCall.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "sms/GetSentSMS.h"
#include "support/widgets.h"
#include "widgets/stringgrid.h"

using td::test::child;
using td::test::U;
using td::test::W;

namespace {

// The phone of each kind holds the same book and messages; a phone that
// numbers its storage from 0 keeps the first message there.
std::string phoneState(const std::string& profile, const std::string& extra) {
    const int f = profile == "huawei" ? 0 : 1;
    auto at = [&](int k) { return std::to_string(f + k); };
    return "[phone]\nprofile " + profile + "\n" + extra +
           "[phonebook SM 100]\n"
           "1 \"+79161234567\" 145 \"Anna Schmidt\"\n"
           "2 \"+7916\" 145 \"Иван\"\n"
           "3 \"\" 129 \"Steve\"\n"
           "[phonebook MC 10]\n"
           "1 \"+79031112233\" 145 \"Ivan\" \"2025/06/03,09:12\"\n"
           "[sms SM 30]\n" +
           at(0) + " \"STO SENT\" \"+79031112233\" \"\" gsm \"sent first\"\n" + at(1) +
           " \"REC READ\" \"+79857776655\" \"25/06/02,18:05:12+12\" gsm \"hello \" part 7 2 1 8\n" +
           at(2) +
           " \"REC READ\" \"+79857776655\" \"25/06/02,18:05:13+12\" gsm \"world\" part 7 2 2 8\n" +
           at(3) + " \"STO SENT\" \"+79031112233\" \"\" gsm \"sent second\"\n";
}

class Profiles : public td::test::DemoRun, public ::testing::WithParamInterface<const char*> {
  protected:
    virtual std::string extraState() const { return {}; }
    void beforeForms() override {
        td::files::writeAll(env.path("phonesim.state"), phoneState(GetParam(), extraState()));
        // The list shows the message headers, parts' ones among them.
        td::IniFile ini(env.path("celltalk.ini"));
        ASSERT_TRUE(ini.writeString(
            "Operations", W("Все SMS"),
            "at+cmgf=1|at+csdh=1|at+cscs=\"UCS2\"|at+cpms=\"SM\",\"SM\"|at+cmgl=\"ALL\""));
    }
    std::string phone() {
        std::string s;
        td::files::readAll(env.path("phonesim.state"), s);
        return s;
    }
    std::string first() const { return std::string(GetParam()) == "huawei" ? "0" : "1"; }
    std::string err() { return U(env.readFile("CellTalk.err")); }
    // Reads the sent list into its window and clicks the first stored
    // message's row; false when that message is not listed.
    bool chooseFirstSent() {
        TForm5* f5 = td::forms().Form5;
        f5->show();
        QTest::mouseClick(child<QPushButton>(f5, "bbGetSentSMS"), Qt::LeftButton);
        const auto& idx = f5->smsReader().rowIndexes();
        auto row = std::find(idx.begin(), idx.end(), first());
        EXPECT_NE(row, idx.end()) << U(env.readFile("AutoRun/LastRun.sms"));
        if (row == idx.end()) return false;
        StringGrid* g = child<StringGrid>(f5, "StringGridMobileSentSMS");
        const int r = static_cast<int>(row - idx.begin());
        g->scrollTo(g->model()->index(r, 1));
        QTest::mouseClick(g->viewport(), Qt::LeftButton, Qt::NoModifier,
                          g->visualRect(g->model()->index(r, 1)).center());
        return true;
    }
};

TEST_P(Profiles, PhoneBookReadKeepsEveryEntryWhole) {
    TForm4* f4 = td::forms().Form4;
    f4->bbGetPBookClick();
    EXPECT_EQ(env.readFile("AutoRun/LastPBook.txt"),
              W("Anna Schmidt=+79161234567\r\nИван=+7916\r\nSteve=\r\n"))
        << U(child<QLabel>(f4, "Panel5")->text().toStdString()) << "\n"
        << U(env.readFile("AutoRun/LastRun.pbf"));
    EXPECT_EQ(child<QLabel>(f4, "lGetRecordCount")->text(), "3");
}

// A phone that dates its call lists shows the missed call's time in a third
// column and keeps it beside the copy, which stays name=number; the others
// show two columns.
TEST_P(Profiles, MissedCallTimeWhereThePhoneGivesIt) {
    const bool dated = std::string(GetParam()) == "samsung";
    TForm6* f6 = td::forms().Form6;
    f6->bbGetPBookClick();
    EXPECT_EQ(env.readFile("AutoRun/MC-LastPBook.txt"), "Ivan=+79031112233\r\n")
        << U(env.readFile("AutoRun/LastRun.pbf"));
    EXPECT_EQ(env.exists("AutoRun/MC-CallTimes.txt"), dated);
    StringGrid* grid = child<StringGrid>(f6, "StringGridMobilePB");
    EXPECT_EQ(grid->columnCount(), dated ? 3 : 2);
    EXPECT_EQ(grid->cell(2, 1), dated ? "2025/06/03 09:12" : "");
}

TEST_P(Profiles, LatinSmsGoesOutInThePhonesAlphabet) {
    auto* lat = child<QComboBox>(td::forms().Form1, "ComboBoxSmsRecepter");
    lat->setCurrentIndex(0);
    emit lat->activated(0);
    child<QLineEdit>(td::forms().Form1, "leLatSMSText")->setText("a@b_c costs $5");
    td::forms().Form1->bbASCIISendSMSClick();
    waitForEngine();
    EXPECT_FALSE(env.exists("CellTalk.err")) << err();
    EXPECT_NE(phone().find(" \"a@b_c costs $5\""), std::string::npos) << phone();
}

TEST_P(Profiles, DeleteTheFirstStoredMessageByItsIndex) {
    TForm5* f5 = td::forms().Form5;
    ASSERT_TRUE(chooseFirstSent());
    ASSERT_TRUE(child<QPushButton>(f5, "bbDelSentSMS")->isEnabled());
    QTest::mouseClick(child<QPushButton>(f5, "bbDelSentSMS"), Qt::LeftButton);
    EXPECT_EQ(phone().find("\"sent first\""), std::string::npos) << phone();
    EXPECT_NE(phone().find("\"sent second\""), std::string::npos) << phone();
    EXPECT_FALSE(env.exists("CellTalk.err")) << err();
}

TEST_P(Profiles, ResendTheFirstStoredMessageByItsIndex) {
    TForm5* f5 = td::forms().Form5;
    ASSERT_TRUE(chooseFirstSent());
    td::files::remove(env.path("AutoRun/LastRun.log"));
    QTest::mouseClick(child<QPushButton>(f5, "bbReSend"), Qt::LeftButton);
    waitForEngine();
    const std::string log = env.readFile("AutoRun/LastRun.log");
    EXPECT_NE(log.find("at+cmss=" + first() + "\r"), std::string::npos) << U(log);
    EXPECT_NE(log.find("+CMSS:"), std::string::npos) << U(log);
    EXPECT_FALSE(env.exists("CellTalk.err")) << err();
}

TEST_P(Profiles, PartsOfALongMessageAreListedAsOne) {
    td::StartEngine(W("Все SMS"));
    waitForEngine();
    EXPECT_FALSE(env.exists("CellTalk.err")) << err();
    std::vector<std::string> lines;
    ASSERT_TRUE(td::files::readLines(env.path("AutoRun/LastRun.sms"), lines));
    std::vector<std::string> texts;
    for (const auto& l : lines)
        if (auto f = td::sms::readSmsRecord(l, {"+CMGL"})) texts.push_back(f->text);
    EXPECT_EQ(texts, (std::vector<std::string>{"sent first", "hello world", "sent second"}));
}

std::string kindName(const ::testing::TestParamInfo<const char*>& info) {
    return info.param;
}

INSTANTIATE_TEST_SUITE_P(Kinds, Profiles,
                         ::testing::Values("generic", "samsung", "nokia", "huawei"), kindName);

// A phone that is busy for its first reads (+CME ERROR: 515) is read once
// the engine's retries have waited it out.
INSTANTIATE_TEST_SUITE_P(AfterRetries, Profiles, ::testing::Values("motorola"), kindName);

// The phone's refusals fail the run with its reason, and a list cut off
// half-way is no result: the program keeps its last copy.
struct Fault {
    const char* name;
    const char* profile;
    const char* quirks;  // further state lines
    enum Action { Send, ListAll, PhoneBook, DateBook } action;
    const char* reason;  // in CellTalk.err
};

void PrintTo(const Fault& f, std::ostream* os) {
    *os << f.name;
}

const Fault kFaults[] = {
    {"refused_send", "nokia", "quirk refuse-send 1\n", Fault::Send, "500"},
    {"sms_list_broken_off", "nokia", "quirk break-list 1\n", Fault::ListAll, "ERROR"},
    {"phone_book_broken_off", "nokia", "quirk break-list 1\n", Fault::PhoneBook, "ERROR"},
    {"busy_beyond_retries", "generic", "quirk cmee 1\nquirk sim-busy 50\n", Fault::PhoneBook,
     "515"},
    {"no_date_book_on_a_modem", "huawei", "", Fault::DateBook, "COMMAND NOT SUPPORT"},
};

class PhoneRefusals : public td::test::DemoRun, public ::testing::WithParamInterface<Fault> {
  protected:
    void beforeForms() override {
        td::files::writeAll(env.path("phonesim.state"),
                            phoneState(GetParam().profile, GetParam().quirks));
        env.writeFile("AutoRun/LastPBook.txt", "Old=1\n");
    }
};

TEST_P(PhoneRefusals, FailTheRunWithThePhonesReason) {
    const Fault& f = GetParam();
    const auto start = std::chrono::steady_clock::now();
    switch (f.action) {
        case Fault::Send: {
            auto* lat = child<QComboBox>(td::forms().Form1, "ComboBoxSmsRecepter");
            lat->setCurrentIndex(0);
            emit lat->activated(0);
            child<QLineEdit>(td::forms().Form1, "leLatSMSText")->setText("refused");
            td::forms().Form1->bbASCIISendSMSClick();
            waitForEngine();
            break;
        }
        case Fault::ListAll:
            td::StartEngine(W("Все SMS"));
            waitForEngine();
            EXPECT_FALSE(env.exists("AutoRun/LastRun.sms"));
            break;
        case Fault::PhoneBook:
            td::forms().Form4->bbGetPBookClick();
            EXPECT_EQ(env.readFile("AutoRun/LastPBook.txt"), "Old=1\r\n");
            break;
        case Fault::DateBook:
            td::StartEngine(W("Прочитать ежедневник"));
            waitForEngine();
            // The phone's word ends the command at once, not the engine's timeout.
            EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
            break;
    }
    ASSERT_TRUE(env.exists("CellTalk.err")) << U(env.readFile("AutoRun/LastRun.log"));
    EXPECT_NE(env.readFile("CellTalk.err").find(f.reason), std::string::npos)
        << U(env.readFile("CellTalk.err"));
}

INSTANTIATE_TEST_SUITE_P(Kinds, PhoneRefusals, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
