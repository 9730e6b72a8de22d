#include "help/helptext.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/fakes.h"

using td::help::HelpInputs;
using td::help::helpLines;
using td::test::W;

namespace {

HelpInputs defaults() {
    return {"tapdeck", "v 0.54", "v 5.4", "YES", "YES", "YES"};
}

bool has(const std::vector<std::string>& lines, const std::string& utf8) {
    return std::find(lines.begin(), lines.end(), W(utf8)) != lines.end();
}

const char* kPhoneBookLine = "- считывать телефонную книгу и из неё формировать свою;";
const char* kRusLine = "- формировать SMS на кириллице и отправлять их абонентам;";
const char* kMissLine =
    "- просматривать список пропущенных вызовов (звонков Вам) и позвонить звонившему;";
const char* kUnloadLine =
    "- выгружать для последующей загрузки календарь (ежедневник, книгу напоминаний)-> Moto";
const char* kTaskLine =
    "---> Основной Вашей задачей является подбор и отладка нужных операций для ВАШЕЙ";

}  // namespace

TEST(HelpText, LinesFollowTheSwitchesAndTheName) {
    struct Case {
        const char* what;
        HelpInputs in;
        size_t count;
        bool phoneBook, rus, miss, unload, task;
    };
    HelpInputs noBook = defaults();
    noBook.pbookRead = "NO";
    HelpInputs noRus = defaults();
    noRus.sendSmsRus = "NO";
    HelpInputs noMiss = defaults();
    noMiss.missCall = "no";  // only "YES" shows the line
    HelpInputs phone2 = {"phone2", "v 5.4", "v 5.4", "YES", "YES", "YES"};
    HelpInputs oldVersion = defaults();
    oldVersion.progVersion = "v 0.51";
    HelpInputs mixedCase = defaults();
    mixedCase.progName = "MyTapDeck";
    Case cases[] = {
        {"defaults", defaults(), 33, true, true, true, true, true},
        {"PBookRead=NO", noBook, 30, false, true, true, true, true},
        {"SendSMSRus=NO", noRus, 32, true, false, true, true, true},
        {"MissCall not YES", noMiss, 32, true, true, false, true, true},
        {"phone2", phone2, 30, true, true, true, true, false},
        {"version not after v 0.51", oldVersion, 32, true, true, true, false, true},
        {"name containing TapDeck", mixedCase, 33, true, true, true, true, true},
    };
    for (const auto& c : cases) {
        auto lines = helpLines(c.in);
        SCOPED_TRACE(c.what);
        EXPECT_EQ(lines.size(), c.count);
        EXPECT_EQ(has(lines, kPhoneBookLine), c.phoneBook);
        EXPECT_EQ(has(lines, kRusLine), c.rus);
        EXPECT_EQ(has(lines, kMissLine), c.miss);
        EXPECT_EQ(has(lines, kUnloadLine), c.unload);
        EXPECT_EQ(has(lines, kTaskLine), c.task);
    }
}

// The main program's P.ini is its settings file, which the engine never
// reads: its port goes into the engine's own ini.
TEST(HelpText, PortLineNamesTheIniTheEngineReads) {
    struct Case {
        const char* prog;
        const char* ini;
    } cases[] = {
        {"phone2", "phone2.ini"}, {"tapdeck", "celltalk.ini"}, {"TapDeck", "celltalk.ini"}};
    for (const Case& c : cases) {
        HelpInputs in = defaults();
        in.progName = c.prog;
        EXPECT_EQ(helpLines(in)[8],
                  W("Укажите тот же СОМ-порт в ComPort= секции [Common] файла ") + c.ini)
            << c.prog;
    }
}

TEST(HelpText, LinesNameTheProgramAndTheEngineSource) {
    auto lines = helpLines({"phone2", "v 5.4", "v 5.4", "YES", "YES", "YES"});
    ASSERT_GE(lines.size(), 10u);
    EXPECT_NE(lines[0].find("phone2"), std::string::npos);
    EXPECT_NE(lines[0].find("CellTalk"), std::string::npos);
    EXPECT_EQ(lines[1], W("  Программа phone2 демонстрирует использование CellTalk для работы с "
                          "мобильным телефоном"));
    EXPECT_EQ(lines[2], " ");
    EXPECT_EQ(lines[4], W("  2. Создайте каталог phone2, раскройте phone2.zip и положите туда его "
                          "содержимое"));
    EXPECT_EQ(lines[5].rfind(W("  3."), 0), 0u);
    EXPECT_EQ(lines[6], W("в каталог phone2"));
    // The satellite's own ini, where the engine looks for the port first.
    EXPECT_EQ(lines[8], W("Укажите тот же СОМ-порт в ComPort= секции [Common] файла phone2.ini"));
    EXPECT_EQ(lines[9], W("  5. Программа phone2 позволяет: "));
    // Where the engine comes from: this project's own folder and README section.
    const std::string& whereFrom = lines[lines.size() - 2];
    EXPECT_NE(whereFrom.find("tools/celltalk"), std::string::npos);
    EXPECT_NE(whereFrom.find(W("«Движок CellTalk»")), std::string::npos);
    EXPECT_NE(lines[5].find(W("«Движок CellTalk»")), std::string::npos);
    EXPECT_EQ(lines.back(),
              W("------>>> Возможно, к настоящему моменту на нашем сайте уже выложены "
                "новые версии программ."));
}
