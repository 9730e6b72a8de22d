#include "formats/fieldcursor.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using td::FieldCursor;

// One line read field by field with a small script: s = quoted string,
// n = number, t = unquoted token, x = text either way, r = raw field, q = raw
// field with quoted commas kept, ( and ) = list, k = skip, m = another field follows. Each read is
// written down as its value, or "!" when it failed; the rest of the line closes the record.
std::string readAs(const std::string& line, const std::string& prefix, const std::string& script) {
    FieldCursor c(line);
    std::string out = c.skipPrefix(prefix) ? "" : "noprefix ";
    for (char op : script) {
        std::optional<std::string> v;
        switch (op) {
            case 's':
                v = c.string();
                break;
            case 't':
                v = c.token();
                break;
            case 'x':
                v = c.text();
                break;
            case 'n':
                if (auto n = c.number()) v = std::to_string(*n);
                break;
            case '(':
                v = c.openList() ? std::optional<std::string>("(") : std::nullopt;
                break;
            case ')':
                v = c.closeList() ? std::optional<std::string>(")") : std::nullopt;
                break;
            case 'r':
                v = c.raw();
                break;
            case 'q':
                v = c.raw(true);
                break;
            case 'k':
                v = c.skip() ? std::optional<std::string>("k") : std::nullopt;
                break;
            case 'm':
                v = c.moreFields() ? std::optional<std::string>("m") : std::nullopt;
                break;
        }
        out += (v ? "[" + *v + "]" : std::string("!"));
    }
    return out + (c.atEnd() ? "|end" : "|" + std::string(c.rest()));
}

TEST(FieldCursor, ReadsAnswerLines) {
    struct Case {
        const char *line, *prefix, *script, *read;
    } cases[] = {
        {"+CPBR: 3,\"+79161234567\",145,\"Ann\"", "+CPBR", "nsns",
         "[3][+79161234567][145][Ann]|end"},
        // Captured from real phones: a dated entry's empty field, a UCS2 name
        // unquoted, a name without a number.
        {"+CPBR: 419,\"030450566735\",129,56697263686F77", "+CPBR", "nsnt",
         "[419][030450566735][129][56697263686F77]|end"},
        {"+CPBR: 16,\"\",,\"0053\"", "+CPBR", "nsts", "[16][][][0053]|end"},
        {"+CMGL: 0,1,,147", "+CMGL", "nntn", "[0][1][][147]|end"},
        // A failed read leaves the field for another try.
        {"+CSQ: 17,99", "+CSQ", "sn", "![17]|99"},
        {"+CSQ: abc,99", "+CSQ", "ntn", "![abc][99]|end"},
        {"+CPBR: \"open", "+CPBR", "sx", "!!|\"open"},  // an unclosed quote is no field
        {"OK", "+CPBR", "", "noprefix |OK"},
        // Lists, nested, skipped whole or read.
        {"+CIND: (\"battchg\",(0-5)),(\"signal\",(0-5))", "+CIND", "(s(t))k",
         "[(][battchg][(][0-5][)][)][k]|end"},
        {"+CPBR: (1-250),40,14", "+CPBR", "knn", "[k][40][14]|end"},
        {"+CPBR: (1-250", "+CPBR", "k", "!|(1-250"},
        // Blanks around fields, a line end left by the phone.
        {"+CBC:  0 , 85\r", "+CBC", "nn", "[0][85]|end"},
        {"+CUSD: 0,\"A\",15\r\n", "+CUSD", "nsn", "[0][A][15]|end"},
        {"+CMGR: \"REC READ\",\"+7916\",,\"05/10/13,10:11:12+12\"", "+CMGR", "xxtx",
         "[REC READ][+7916][][05/10/13,10:11:12+12]|end"},
        // Raw fields keep blanks and quotes and split at every comma.
        {"+CPBR: 3, 8916,\"Smith, J\",", "+CPBR", "rrrrr", "[3][ 8916][\"Smith][ J\"][]|end"},
        {"+CPBR: 4,\"12345,129", "+CPBR", "rr", "[4][\"12345]|129"},
        {"+CPBR: 3,\"Smith, J\",5", "+CPBR", "rqqq", "[3][\"Smith, J\"][5]!|end"},
        {"+CPBR: 3,\"a,b", "+CPBR", "rqq", "[3][\"a,b]!|end"},
        // After a typed read, an empty last field is still a field; the raw
        // read takes it, and then there is none.
        {"+CMGL: 1,\"+7916\",", "+CMGL", "nsmqm", "[1][+7916][m][]!|end"},
        {"+CMGL: 1,\"+7916\"", "+CMGL", "nsm", "[1][+7916]!|end"},
    };
    for (const auto& c : cases) EXPECT_EQ(readAs(c.line, c.prefix, c.script), c.read) << c.line;
}

TEST(FieldCursor, QuoteStrippers) {
    struct Case {
        const char *field, *between, *outer;
    } cases[] = {
        {"\"Ann\"", "Ann", "Ann"},
        {" \"Ann\" x", "Ann", " \"Ann\" x"},
        {"\"open", "open", "\"open"},
        {"plain", "plain", "plain"},
        {"\"\"", "", ""},
        {"\"A\" \"B\"", "A", "A\" \"B"},
        {"\"", "", "\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(td::betweenQuotes(c.field), c.between) << c.field;
        EXPECT_EQ(td::outerQuotes(c.field), c.outer) << c.field;
    }
}

// The character-set answer as phones write it; the name as written when its
// quotes do not pair up.
TEST(FieldCursor, CharsetAnswer) {
    struct Case {
        const char* line;
        const char* name;  // nullptr: no character-set answer
        bool quoted, alone;
    } cases[] = {
        {"+CSCS: \"UCS2\"", "UCS2", true, true},
        {"+CSCS: UCS2", "UCS2", false, true},
        {"+CSCS:\"GSM\"", "GSM", true, true},
        {"+CSCS:   \"IRA\"  ", "IRA", true, true},
        {"+CSCS:  ", "", false, true},
        {"+CSCS: \"UCS2\",0", "UCS2", true, false},
        {"+CSCS: \"UC,S2\"", "UC,S2", true, true},
        {"+CSCS: \"UCS2", "\"UCS2", false, true},
        {"+CSCS: \"UCS2\"x", "\"UCS2\"x", false, true},
        {"+CSCSX: \"UCS2\"", nullptr, false, false},
        {"+CSCS \"UCS2\"", nullptr, false, false},
        {"OK", nullptr, false, false},
    };
    for (const auto& c : cases) {
        auto n = td::charsetAnswer(c.line);
        ASSERT_EQ(n.has_value(), c.name != nullptr) << c.line;
        if (!n) continue;
        EXPECT_EQ(n->name, c.name) << c.line;
        EXPECT_EQ(n->quoted, c.quoted) << c.line;
        EXPECT_EQ(n->alone, c.alone) << c.line;
    }
}

}  // namespace
