// What the SMS windows compute without widgets: rows of a list, names for
// numbers, the buttons a selection allows, reply recipients, group deletes
// and saved list names.

#include "sms/smslist.h"

#include <gtest/gtest.h>

#include "support/fakes.h"

namespace {

using td::test::W;

const std::vector<std::string> kPrefixes = {"+CMGL", "+MMGL"};

TEST(SmsList, NameForNumberMatchesWholeNumbers) {
    const std::vector<std::string> book = {W("Анна-Мария=+79161234567"),
                                           W("Мама=+79161900123"),
                                           "=555",
                                           "Office=8-495-100",
                                           "Short=9005",
                                           "Bob=8 (916) 765-43-21",
                                           "Dr=Who=+4930555",
                                           "Later=+79161234567",
                                           "NoNumber"};
    struct {
        const char* why;
        std::string number, expect;
    } cases[] = {
        {"found", "+79161234567", W("Анна-Мария")},
        {"the same Russian number written with 8", "89161234567", W("Анна-Мария")},
        {"the same Russian number written with 7", "79161234567", W("Анна-Мария")},
        {"a part of a number is no match", "1234567", "1234567"},
        {"a part of another number is no match", "900", "900"},
        {"a part of the end is no match", "9161234567", "9161234567"},
        {"blanks and brackets in the book", "+79167654321", "Bob"},
        {"dashes in the book", "8495100", "Office"},
        {"an empty name gives the number", "555", "555"},
        {"a short number whole", "9005", "Short"},
        {"not there", "+4930123456", "+4930123456"},
        {"other national prefix is not found", "+79161234568", "+79161234568"},
        {"empty number matches nothing", "", ""},
        {"a name is no number", "Office", "Office"},
        {"a name holding an equals sign comes back whole", "+4930555", "Dr=Who"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(td::sms::nameForNumber(c.number, book), c.expect) << c.why;
    EXPECT_EQ(td::sms::nameForNumber("123", {}), "123");
    EXPECT_EQ(td::sms::nameForNumber("900", {"=900", "Late=900"}), "900") << "first holder wins";
}

TEST(SmsList, ChangedMarks) {
    auto rec = [](int i, const std::string& number, const std::string& text) {
        return "+CMGL=" + std::to_string(i) + ",\"REC READ\",\"" + number + "\"}" + text;
    };
    const std::vector<std::string> shown = {rec(1, "111", "a"), rec(2, "222", "b"),
                                            rec(3, "333", "c")};
    struct {
        const char* why;
        std::vector<std::string> now, changed;
    } cases[] = {
        {"unchanged", shown, {}},
        {"new sender", {rec(1, "111", "a"), rec(2, "999", "b"), rec(3, "333", "c")}, {"2"}},
        {"new text", {rec(1, "111", "a"), rec(2, "222", "b"), rec(3, "333", "z")}, {"3"}},
        {"gone", {rec(2, "222", "b")}, {"1", "3"}},
        {"moved to another index",
         {rec(4, "111", "a"), rec(2, "222", "b"), rec(3, "333", "c")},
         {"1"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(td::sms::changedMarks({"1", "2", "3"}, shown, c.now, kPrefixes), c.changed)
            << c.why;
    EXPECT_EQ(td::sms::changedMarks({"7"}, shown, shown, kPrefixes), std::vector<std::string>{"7"})
        << "a mark the list never showed";
}

TEST(SmsList, TimeThePhoneGave) {
    struct Case {
        const char* line;
        const char* time;
    } cases[] = {
        {"+CMGL=1,\"REC READ\",\"+7916\",,\"25/06/02,18:05:12+12\"}Hi", "25/06/02 18:05:12"},
        {"+CMGL=1,\"REC READ\",\"+7916\",\"Anna\",\"25/06/02,18:05:12\"}Hi", "25/06/02 18:05:12"},
        {"+CMGL=1,\"STO SENT\",\"+7916\",\"\"}Hi", ""},
        {"+CMGL=1,\"REC READ\",\"+7916\"}\"25/06/02,18:05:12\"", ""},  // in the text
        {"+CMGL=1,\"REC READ\",\"+7916\",,\"25/6/02,18:05\"}Hi", ""},
        // The last quoted field counts, whatever stands between the fields.
        {"+CMGL=1,\"REC READ\",\"+7916\",\"Smith, J\",\"25/06/02,18:05:12\",parts:1;4}Hi",
         "25/06/02 18:05:12"},
        {"+CMGL=1,\"REC READ\",\"+7916\",\"25/06/02,18:05:12\",\"Anna\"}Hi", ""},
        {"+CMGL=1,\"REC READ\",\"+7916\" \"25/06/02,18:05:12\"}Hi", "25/06/02 18:05:12"},
        {"+CMGL=1,\"REC READ\",\"+7916\",,\"25/06/02,18:05:12}Hi", ""},       // left open
        {"+CMGL=1,\"REC READ\",\"25/06/02,18:05:12\"", "25/06/02 18:05:12"},  // no text
    };
    for (const auto& c : cases) EXPECT_EQ(td::sms::recordTime(c.line), c.time) << c.line;
}

TEST(SmsList, RowsInFileOrderWithNamesAndIndexes) {
    std::vector<std::string> lines = {
        "at+cmgl=\"ALL\"",
        "+CMGL=1,\"REC READ\",\"+79161234567\",,\"25/06/02,18:05:12+12\"}Hello",
        "+CMGL: 9,\"REC READ\",\"1\"",  // a raw answer line is no record
        "+CMGL=(1-30),\"x\",\"y\"}z",
        W("+MMGL=12,\"STO SENT\",\"555\"}\"Привет\""),
        "+CMGL=3,\"REC UNREAD\",\"777\"}",
        "OK"};
    auto rows = td::sms::listRows(lines, kPrefixes, [](const std::string& n) {
        return n == "+79161234567" ? std::string("Anna") : n;
    });
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].who, "Anna");
    EXPECT_EQ(rows[0].text, "Hello");
    EXPECT_EQ(rows[0].status, "\"REC READ\"");
    EXPECT_EQ(rows[0].index, "1");
    EXPECT_EQ(rows[0].time, "25/06/02 18:05:12");
    EXPECT_EQ(rows[1].time, "");
    EXPECT_EQ(rows[1].who, "555");
    EXPECT_EQ(rows[1].text, W("Привет"));
    EXPECT_EQ(rows[1].index, "12");
    EXPECT_EQ(rows[2].text, "");
    EXPECT_EQ(rows[2].index, "3");
}

TEST(SmsList, TenThousandRecordsAndBadLines) {
    std::vector<std::string> lines;
    for (int i = 0; i < 10000; ++i)
        lines.push_back("+CMGL=" + std::to_string(i % 9999 + 1) + ",\"REC READ\",\"" +
                        std::to_string(1000 + i) + "\"}text " + std::to_string(i));
    lines.push_back(std::string("+CMGL=1,\"REC READ\",\"1\"}") + std::string(1 << 20, 'x'));
    lines.push_back(std::string("\0\0\0+CMGL=2,\0\"x\",\"1\"}\0", 21));
    lines.push_back("no record at all, only text");
    lines.push_back(std::string(1 << 20, '\0'));
    auto rows = td::sms::listRows(lines, kPrefixes, nullptr);
    ASSERT_EQ(rows.size(), 10002u);
    EXPECT_EQ(rows[9999].text, "text 9999");
    EXPECT_EQ(rows[10000].text.size(), std::size_t(1) << 20);
    EXPECT_EQ(rows[10001].index, "2");
    EXPECT_EQ(rows[10001].status, std::string("\0\"x\"", 4));
}

TEST(SmsList, UsableIndex) {
    struct {
        const char* index;
        bool usable;
    } cases[] = {
        {"1", true},  {"30", true},  {"0", true},  {"-1", false}, {"", false},
        {" ", false}, {"1a", false}, {"+5", true}, {" 5", false}, {"99999999999999999999", false}};
    for (const auto& c : cases) EXPECT_EQ(td::sms::usableIndex(c.index), c.usable) << c.index;
}

TEST(SmsList, SelectingARow) {
    const std::vector<std::string> idx = {"3", "0", "x", "7"};
    struct {
        const char* why;
        std::string who, text;
        int row;
        std::vector<std::string> indexes;
        std::string reSend;
        bool ok, needRefresh, actions;
        std::string index;
    } cases[] = {
        {"valid row", "Anna", "Hi", 1, idx, "op", true, false, true, "3"},
        {"blank row", " ", "", 1, idx, "op", false, false, false, ""},
        {"name only", "Anna", " ", 4, idx, "op", true, false, true, "7"},
        {"no list read yet", "Anna", "Hi", 1, {}, "op", false, true, false, ""},
        {"row past the indexes", "Anna", "Hi", 5, idx, "op", false, false, false, ""},
        {"index zero", "Anna", "Hi", 2, idx, "op", true, false, true, "0"},
        {"index not a number", "Anna", "Hi", 3, idx, "op", true, false, false, "x"},
        {"no re-send operation", "Anna", "Hi", 1, idx, "", true, false, false, "3"},
        {"re-send operation a blank", "Anna", "Hi", 1, idx, " ", true, false, false, "3"},
    };
    for (const auto& c : cases) {
        auto s = td::sms::selectRow(c.who, c.text, c.row, c.indexes, c.reSend);
        EXPECT_EQ(s.ok, c.ok) << c.why;
        EXPECT_EQ(s.needRefresh, c.needRefresh) << c.why;
        EXPECT_EQ(s.actions, c.actions) << c.why;
        EXPECT_EQ(s.index, c.index) << c.why;
    }
}

TEST(SmsList, MarkToggles) {
    EXPECT_EQ(td::sms::toggledMark(""), W("Удалить"));
    EXPECT_EQ(td::sms::toggledMark(W("Удалить")), "");
    EXPECT_EQ(td::sms::toggledMark("x"), W("Удалить"));
}

TEST(SmsList, ReplyRecipient) {
    using K = td::sms::Reply;
    const std::vector<std::string> own = {W("Иван"), " Anna ", "Bob"};
    const std::vector<std::string> nums = {"111", "222", "333"};
    const std::vector<std::string> copy = {W(" Пётр =+79031112233"), "Bob=999", "Info",
                                           "Dr=Who=+4930555"};
    struct {
        const char* why;
        std::string who;
        K::Kind kind;
        int ownIndex;
        std::string number, text;
    } cases[] = {
        {"own book, trimmed both sides", W(" Иван "), K::OwnBook, 0, "111", W("Иван")},
        {"own book name with blanks", "Anna", K::OwnBook, 1, "222", "Anna"},
        {"own book wins over the copy", "Bob", K::OwnBook, 2, "333", "Bob"},
        {"case counts", "bob", K::Unknown, -1, "", "bob"},
        {"phone book copy", W("Пётр"), K::BookCopy, -1, "+79031112233", W("Пётр")},
        {"copy line without equals sign", "Info", K::BookCopy, -1, "", "Info"},
        {"copy name holding an equals sign", "Dr=Who", K::BookCopy, -1, "+4930555", "Dr=Who"},
        {"plain number", "+79169998877", K::Number, -1, "+79169998877", "+79169998877"},
        {"national number", "89169998877", K::Number, -1, "89169998877", "89169998877"},
        {"zero is no number", "0", K::Unknown, -1, "", "0"},
        {"name nowhere", "Shop", K::Unknown, -1, "", "Shop"},
        {"too long for 64 bits", "123456789012345678901", K::Unknown, -1, "",
         "123456789012345678901"},
        {"empty", "  ", K::Unknown, -1, "", ""},
    };
    for (const auto& c : cases) {
        auto r = td::sms::resolveReply(c.who, own, nums, copy);
        EXPECT_EQ(r.kind, c.kind) << c.why;
        EXPECT_EQ(r.ownIndex, c.ownIndex) << c.why;
        EXPECT_EQ(r.number, c.number) << c.why;
        EXPECT_EQ(r.text, c.text) << c.why;
    }
    EXPECT_EQ(td::sms::unknownReplyText("Info"), W("- Номер абонента \"Info\" неизвестен !"));
}

TEST(SmsList, GroupDeleteDeletesExactlyTheMarkedSet) {
    struct {
        const char* why;
        std::vector<std::string> marks;
        std::string selected;
        std::string argument, prefix;
        std::size_t count;
    } cases[] = {
        {"selected among the marks", {"3", "5", "7"}, "7", "7", "at+cmgd=3|at+cmgd=5|", 3},
        {"selected first", {"3", "5", "7"}, "3", "3", "at+cmgd=5|at+cmgd=7|", 3},
        {"only the selected marked", {"4"}, "4", "4", "", 1},
        {"selected not marked: the last mark is the argument",
         {"2", "4"},
         "9",
         "4",
         "at+cmgd=2|",
         2},
        {"nothing marked", {}, "9", "", "", 0},
        {"a repeated index is deleted once", {"2", "2", "6"}, "6", "6", "at+cmgd=2|", 2},
    };
    for (const auto& c : cases) {
        auto g = td::sms::planGroupDelete(c.marks, c.selected, "at+cmgd=");
        EXPECT_EQ(g.argument, c.argument) << c.why;
        EXPECT_EQ(g.batPrefix, c.prefix) << c.why;
        EXPECT_EQ(g.count(), c.count) << c.why;
    }
}

TEST(SmsList, Questions) {
    EXPECT_EQ(td::sms::groupDeleteQuestion(3),
              W("Вы действительно хотите удалить  3  SMS из Вашего аппарата ?\r\rЭто займёт "
                "примерно полминуты, на которые Ваш телефон будет занят для внешнего воздействия"));
    EXPECT_EQ(td::sms::deleteQuestion("Hi", "Anna"),
              W("Вы действительно хотите удалить SMS из Вашего аппарата ?\r\r\"Hi\"\r(абонент "
                "\"Anna\")\r\rЭто займёт примерно полминуты, на которые Ваш телефон будет занят "
                "для внешнего воздействия"));
}

TEST(SmsList, SavedListNameIsTheStampKindAndFile) {
    // The stamp itself is the clock's file stamp (tested with the clock).
    td::test::TestEnv env;
    env.clock.setLocal(2005, 12, 6, 14, 30, 5);
    struct {
        const char* kind;
        const char* expect;
    } cases[] = {
        {"Sent-", "06.12.2005 14-30-05Sent-LastRun.sms"},
        {"UnRead-", "06.12.2005 14-30-05UnRead-LastRun.sms"},
        {"", "06.12.2005 14-30-05LastRun.sms"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(td::sms::savedListName(td::fileStampNow(), c.kind, "LastRun.sms"), c.expect)
            << c.kind;
}

}  // namespace
