// The own book as CSV, the CSV reader, and an SMS list as CSV.

#include "exchange/csvbook.h"

#include <gtest/gtest.h>

#include "exchange/csv.h"
#include "exchange/smscsv.h"
#include "platform/cp1251.h"

namespace {

using td::W;
using namespace td::exchange;

TEST(BookCsv, ExportReadsBack) {
    std::vector<td::PBRecord> rows = {{W("Иван, \"Ваня\""), "+79031112233"},
                                      {"Multi\nline", "1"},
                                      {"", "2"},
                                      {"Ann", "3"},
                                      {"=HYPERLINK(\"http://x\")", "-5"},
                                      {"'quoted'", "@7"},
                                      {"'=already", "8"}};
    std::string text = writeBookCsv(rows);
    // A spreadsheet opens it as UTF-8 and starts no formula: the cells that
    // would start one, or be taken as a number, begin with an apostrophe.
    EXPECT_EQ(text.substr(0, 15), "\xEF\xBB\xBFName,Phone\r\n");
    EXPECT_NE(text.find("\r\n\"'=HYPERLINK(\"\"http://x\"\")\",'-5\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\n''quoted','@7\r\n"), std::string::npos) << text;
    ContactsRead r = readBookCsv(text);
    ASSERT_EQ(r.contacts.size(), 6u);
    EXPECT_TRUE(r.refused.empty());
    EXPECT_EQ(r.contacts[0].name, "Иван, \"Ваня\"");
    EXPECT_EQ(r.contacts[1].name, "Multi\nline");
    EXPECT_EQ(r.contacts[2].line, 5);  // the quoted line break moved it down
    EXPECT_EQ(r.contacts[2].numbers, std::vector<std::string>{"3"});
    for (size_t i = 3; i < 6; ++i) {
        EXPECT_EQ(r.contacts[i].name, rows[i + 1].name);
        EXPECT_EQ(r.contacts[i].numbers, std::vector<std::string>{rows[i + 1].number});
    }
}

TEST(BookCsv, SpreadsheetAndPeerHeaders) {
    struct Case {
        const char* what;
        std::string text;
        std::vector<Contact> contacts;  // line, name, numbers
        size_t refused;
    } cases[] = {
        {"Google",
         "\xEF\xBB\xBFName,Given Name,Phone 1 - Type,Phone 1 - Value\n"
         "Ann Lee,Ann,Mobile,+1 555 ::: +1 556\n",
         {{2, "Ann Lee", {"+1 555", "+1 556"}}},
         0},
        {"Outlook name parts",
         "First Name,Middle Name,Last Name,Mobile Phone,Business Phone\n"
         "John,,Smith,111,222\n",
         {{2, "John Smith", {"111", "222"}}},
         0},
        {"Russian, semicolons",
         "Имя;Телефон\nОля;+7 1\n;2\nБез номера;\n;;\n",
         {{2, "Оля", {"+7 1"}}},
         2},
        {"no phone column", "Name,Email\nA,a@b\n", {}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ContactsRead r = readBookCsv(c.text);
        EXPECT_EQ(r.refused.size(), c.refused);
        ASSERT_EQ(r.contacts.size(), c.contacts.size());
        for (size_t i = 0; i < c.contacts.size(); ++i) {
            EXPECT_EQ(r.contacts[i].line, c.contacts[i].line);
            EXPECT_EQ(r.contacts[i].name, c.contacts[i].name);
            EXPECT_EQ(r.contacts[i].numbers, c.contacts[i].numbers);
        }
    }
}

TEST(SmsCsv, MessagesWithNamesFromTheBookCopy) {
    std::vector<std::string> lines = {
        "AT+CMGL=\"ALL\"",
        "+CMGL=1,\"REC READ\",\"+79161234567\",,\"24/01/02,10:00:00+12\"}" + W("Привет, как дела"),
        "+CMGL=2,\"STO SENT\",\"+7000\"}\"quoted\"",
        "+CMGL=3,\"REC READ\",\"900\",,\"25/12/31,23:59:59+12\"}=HYPERLINK(\"http://x\")", "OK"};
    std::string csv = smsListCsv(lines, {"+CMGL"}, {W("Мама=+79161234567")});
    EXPECT_EQ(csv,
              "\xEF\xBB\xBFIndex,Status,Number,Name,Text,Time\r\n"
              "1,REC READ,'+79161234567,Мама,\"Привет, как дела\",2024-01-02 10:00:00\r\n"
              "2,STO SENT,'+7000,,quoted,\r\n"
              "3,REC READ,'900,,\"'=HYPERLINK(\"\"http://x\"\")\",2025-12-31 23:59:59\r\n");
}

}  // namespace
