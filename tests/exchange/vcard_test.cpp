// vCard export and import, and the merge of what is read into the own book.

#include "exchange/vcard.h"

#include <gtest/gtest.h>

#include "platform/cp1251.h"

namespace {

using td::W;
using namespace td::exchange;

TEST(VCard, ExportedCardsReadBackWhole) {
    std::vector<td::PBRecord> rows = {
        {W("Иван Петров"), "+79031112233"},
        {"Smith, John; Jr\\", "8 (495) 123-45-67"},
        {W("Очень длинное имя, которое не помещается в одну строку карточки"), "*100#"},
        {"", "123"},   // no name: no card
        {"Ann", " "},  // no number: no card
    };
    std::string text = writeVCards(rows);
    for (size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos; at += 2) {
        size_t start = text.rfind("\r\n", at ? at - 1 : 0);
        EXPECT_LE(at - (start == std::string::npos ? 0 : start + 2), 75u);
    }
    EXPECT_NE(text.find("VERSION:4.0\r\n"), std::string::npos);
    ContactsRead back = readVCards(text);
    ASSERT_EQ(back.contacts.size(), 3u);
    EXPECT_TRUE(back.refused.empty());
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(td::utf8ToCp1251(back.contacts[i].name), rows[i].name);
        EXPECT_EQ(back.contacts[i].numbers, std::vector<std::string>{rows[i].number});
    }
}

TEST(VCard, PeersCardsImport) {
    struct Case {
        const char* what;
        std::string text;
        std::string name;  // UTF-8; empty: the card is refused
        std::vector<std::string> numbers;
    } cases[] = {
        {"2.1 quoted-printable with a soft break",
         "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=D0=98=D0=B2=D0="
         "\r\n"
         "=B0=D0=BD=D0=BE=D0=B2;=D0=98=D0=B2=D0=B0=D0=BD;;;\r\nTEL;CELL:+79161234567\r\nEND:"
         "VCARD\r\n",
         "Иван Иванов",
         {"+79161234567"}},
        {"2.1 bare QUOTED-PRINTABLE and windows-1251",
         "BEGIN:VCARD\nVERSION:2.1\nFN;QUOTED-PRINTABLE;CHARSET=WINDOWS-1251:=CE=EB=FF\nTEL:"
         "112\nEND:VCARD\n",
         "Оля",
         {"112"}},
        {"3.0 several TEL, grouped, folded FN",
         "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Anna\r\n  Maria\r\nitem1.TEL;TYPE=CELL:+7 916 1\r\n"
         "TEL;TYPE=WORK,VOICE:+7 495 2\r\nTEL;TYPE=HOME:\r\nEND:VCARD\r\n",
         "Anna Maria",
         {"+7 916 1", "+7 495 2"}},
        {"4.0 tel URI and escapes",
         "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Smith\\, "
         "John\r\nTEL;VALUE=uri;TYPE=cell:tel:+1-555-0100;ext=7\r\nEND:VCARD\r\n",
         "Smith, John",
         {"+1-555-0100;ext=7"}},
        {"NUL inside a name stays in it",
         "BEGIN:VCARD\r\nVERSION:2.1\r\nFN;ENCODING=QUOTED-PRINTABLE:Ann=00Lee\r\nTEL:1\r\nEND:"
         "VCARD\r\n",
         std::string("Ann\0Lee", 7),
         {"1"}},
        {"no number", "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Nobody\r\nEND:VCARD\r\n", "", {}},
        {"no name", "BEGIN:VCARD\r\nVERSION:3.0\r\nTEL:1\r\nEND:VCARD\r\n", "", {}},
        {"unknown charset",
         "BEGIN:VCARD\r\nVERSION:2.1\r\nFN;CHARSET=KOI8-R:x\r\nTEL:1\r\nEND:VCARD\r\n",
         "",
         {}},
        {"never ended", "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:A\r\nTEL:1\r\n", "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ContactsRead r = readVCards(c.text);
        if (c.name.empty()) {
            EXPECT_TRUE(r.contacts.empty());
            ASSERT_EQ(r.refused.size(), 1u);
            EXPECT_EQ(r.refused[0].line, 1);
            continue;
        }
        ASSERT_EQ(r.contacts.size(), 1u);
        EXPECT_EQ(r.contacts[0].name, c.name);
        EXPECT_EQ(r.contacts[0].numbers, c.numbers);
    }
}

TEST(Merge, NothingInTheBookIsOverwritten) {
    struct Case {
        const char* what;
        std::vector<Contact> in;
        std::vector<td::PBRecord> added;  // appended rows
        int skipped, renamed, refused;
    } cases[] = {
        {"same name and number (other spelling) is skipped",
         {{1, "ann", {"+7 (916) 111"}}},
         {},
         1,
         0,
         0},
        {"same name, other number: a second entry",
         {{1, "Ann", {"222"}}},
         {{"Ann (3)", "222"}},
         0,
         1,
         0},
        {"several numbers of one card",
         {{1, "Bob", {"1", "2", "1"}}},
         {{"Bob", "1"}, {"Bob (2)", "2"}},
         1,
         1,
         0},
        {"Cyrillic name kept; =, NUL or an extension refused by name",
         {{1, "Пётр", {"5"}},
          {2, "Пётр=Первый", {"6"}},
          {3, std::string("Ann\0Lee", 7), {"7"}},
          {4, "Office", {"+7495;ext=55"}}},
         {{W("Пётр"), "5"}},
         0,
         0,
         3},
        {"outside Windows-1251, bad start, no digits: refused",
         {{1, "汉字", {"1"}}, {2, "[x", {"1"}}, {3, "Dan", {"abc"}}},
         {},
         0,
         0,
         3},
        {"8… and +7… are the same number: skipped",
         {{1, "vera", {"8 916 555-44-33"}}},
         {},
         1,
         0,
         0},
        {"stored normalised; letters in a number: refused",
         {{1, "Eve", {"8 (916) 555-44-33", "916-ABC", "+7 916 1"}}},
         {{"Eve", "89165554433"}, {"Eve (2)", "+79161"}},
         0,
         1,
         1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<td::PBRecord> book = {
            {"Ann", "+7916111"}, {"", ""}, {"Ann (2)", "333"}, {"Vera", "+79165554433"}};
        const size_t before = book.size();
        MergeReport m = mergeContacts(book, {c.in, {}});
        ASSERT_EQ(book.size(), before + c.added.size());
        for (size_t i = 0; i < c.added.size(); ++i) {
            EXPECT_EQ(book[before + i].name, c.added[i].name);
            EXPECT_EQ(book[before + i].number, c.added[i].number);
        }
        EXPECT_EQ(m.added, static_cast<int>(c.added.size()));
        EXPECT_EQ(m.skipped, c.skipped);
        EXPECT_EQ(m.renamed, c.renamed);
        EXPECT_EQ(m.refused.size(), static_cast<size_t>(c.refused));
        EXPECT_EQ(book[0].number, "+7916111");
    }
}

}  // namespace
