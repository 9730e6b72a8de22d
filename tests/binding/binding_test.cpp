// Binding functions to engine operations without the window: the function
// table, the texts, the choice state and what is written to the inis.

#include "binding/binding.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>

#include "engine/operlookup.h"
#include "engine/settings.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/services.h"
#include "support/fakes.h"

namespace td::binding {
namespace {

using test::W;

TEST(Functions, FifteenInPanelOrderThenTheUssdRequest) {
    const char* keys[] = {
        "CallName",       "HangUpName",     "SoundUpName",          "SoundDownName",
        "PhoneBookName",  "SentSMSName",    "ReSendSMSName",        "LatSendSMSName",
        "RusSendSMSName", "MissCallName",   "UnReadSMSName",        "AllSMSName",
        "DeleteSMSName",  "MemDayBookName", "UnloadMemDayBookName", "UssdName"};
    ASSERT_EQ(functions().size(), std::size(keys));
    for (std::size_t i = 0; i < FunctionCount; ++i) {
        EXPECT_EQ(functions()[i].key, keys[i]);
        // The button's keys are program-wide bindings; every caption finds its own row.
        EXPECT_EQ(prog().function(keys[i]) != nullptr, i != UssdFunction) << keys[i];
        EXPECT_EQ(functionByCaption(W(functions()[i].caption)), static_cast<int>(i));
    }
    EXPECT_EQ(functionByCaption(W("звонить")), -1);
    EXPECT_EQ(W(functions()[6].hint), W("Отправить ранее отправленное  SMS-сообщение"));
    EXPECT_EQ(W(functions()[7].hint), W("Отправить SMS \"по-латински\""));
}

TEST(Texts, OperationHint) {
    struct Row {
        const char* line;
        const char* hint;
    } rows[] = {
        {"at+ckpd=\"e\"", "at+ckpd=\"e\""},
        {"at+cscs=\"UCS2\"|at+cpbs=\"SM\"|at+cpbr=1,100",
         "at+cscs=\"UCS2\"lat+cpbs=\"SM\"lat+cpbr=1,100"},
        {"|", "l"},
        {"", "Операция пустая !?!"},
        {" ", " "},
    };
    for (const Row& r : rows) EXPECT_EQ(operationHint(r.line), W(r.hint)) << r.line;
}

TEST(Texts, FindOperationIsExact) {
    std::vector<std::string> names = {W("Звонить"), "Call", "Call2", "Call"};
    struct Row {
        std::string name;
        int found;
    } rows[] = {{"Call", 1}, {"call", -1}, {"Call ", -1}, {W("Звонить"), 0}, {"", -1}};
    for (const Row& r : rows) EXPECT_EQ(findOperation(names, r.name), r.found) << r.name;
}

TEST(Texts, MissingOperationMessage) {
    EXPECT_EQ(td::missingOperationText(W("Звонить"), "Old call"),
              W("- Операция для кнопки \"Звонить\" не найдена в tapdeck.ini\rВыберите операцию "
                "из списка справа\r\rРанее кнопке была назначена операция\r\r\"Old call\"\r\r"
                "(подберите операцию с похожим именем-возможно название немного изменилось)"));
    EXPECT_EQ(td::missingOperationText(W("Тише"), ""),
              W("- Операция для кнопки \"Тише\" не найдена в tapdeck.ini\rВыберите операцию из "
                "списка справа\r\rРанее кнопке НЕ была назначена операция"));
}

TEST(Texts, ReplaceQuestion) {
    EXPECT_EQ(replaceQuestion(W("Звонить"), "A", "B"),
              W("Вы действительно хотите для кнопки \"Звонить\"\r заменить операцию \r\r\"A\"\r\r"
                " на операцию \r\r\"B\""));
}

TEST(Ini, OperationsInFileOrder) {
    test::TestEnv env;
    env.writeFile("celltalk.ini",
                  "[Common]\nBeep=NO\n[Operations]\nZeta=at+z\nАльфа=at+a|at+b\nEmpty=\n"
                  "Mid=at+m\n[AutoRun]\nWindow=Min\n");
    Operations ops = readOperations(IniFile(env.path("celltalk.ini")));
    EXPECT_EQ(ops.names, (std::vector<std::string>{"Zeta", W("Альфа"), "Empty", "Mid"}));
    EXPECT_EQ(ops.lines, (std::vector<std::string>{"at+z", "at+a|at+b", "", "at+m"}));
    EXPECT_TRUE(readOperations(IniFile(env.path("none.ini"))).names.empty());
}

TEST(Ini, FunctionsWrittenInTableOrder) {
    test::TestEnv env;
    env.writeFile("tapdeck.ini", "[Common]\nWindow=Min\n[Functions]\nCallCMD=at+ckpd=\"s\"\n");
    for (std::size_t i = 0; i < FunctionCount; ++i) bindingOf(i) = "op" + std::to_string(i);
    IniFile ini(env.path("tapdeck.ini"));
    ASSERT_TRUE(writeFunctions(ini));
    std::string text = env.readFile("tapdeck.ini");
    std::size_t last = text.find("CallCMD=");
    for (std::size_t i = 0; i < FunctionCount; ++i) {
        std::string line = functions()[i].key + "=op" + std::to_string(i) + "\r\n";
        std::size_t at = text.find(line);
        ASSERT_NE(at, std::string::npos) << line;
        EXPECT_GT(at, last) << line;
        last = at;
    }
    // The command templates are no bindings of this window.
    EXPECT_EQ(ini.readString("Functions", "CallCMD", ""), "at+ckpd=\"s\"");
    EXPECT_FALSE(ini.keyExists("Functions", "HangUpCMD"));
}

// The USSD binding lives in the own ini alone: read from it (its default
// when missing), written back under the key the USSD window reads.
TEST(Ini, UssdBindingComesFromAndGoesToTheOwnIni) {
    test::TestEnv env;
    struct Case {
        std::string ini, loaded;
    } cases[] = {
        {"[Functions]\n", W("USSD-запрос")},
        {"[Functions]\nUssdName=Balance\n", "Balance"},
    };
    for (const Case& c : cases) {
        env.writeFile("tapdeck.ini", c.ini);
        IniFile ini(env.path("tapdeck.ini"));
        loadOwnBindings(ini);
        EXPECT_EQ(bindingOf(UssdFunction), c.loaded) << c.ini;
    }
    bindingOf(UssdFunction) = W("Мой баланс");
    IniFile ini(env.path("tapdeck.ini"));
    ASSERT_TRUE(writeFunctions(ini));
    EXPECT_EQ(readSetting(IniFile(env.path("tapdeck.ini")), setting::UssdName), W("Мой баланс"));
}

TEST(Ini, CloseSettingsGoToBothInis) {
    struct Row {
        bool own, oper, show, beep;
        const char *ownWindow, *operWindow, *beepText;
    } rows[] = {
        {true, true, true, true, "Norm", "Norm", "YES"},
        {true, true, false, false, "Min", "Max", "NO"},  // the engine's own mode comes back
        {true, false, false, true, "Min", "", "YES"},
        {false, true, true, false, "", "Norm", "NO"},
    };
    for (const Row& r : rows) {
        test::TestEnv env;
        prog().EngineWindow = "Max";
        if (r.own) env.writeFile("tapdeck.ini", "[Common]\nWindow=Max\nBeep=NO\n");
        if (r.oper) env.writeFile("celltalk.ini", "[AutoRun]\nWindow=Min\n[Common]\nBeep=YES\n");
        EXPECT_TRUE(writeCloseSettings(r.show, r.beep));
        IniFile own(env.path("tapdeck.ini")), oper(env.path("celltalk.ini"));
        EXPECT_EQ(env.exists("tapdeck.ini"), r.own);
        EXPECT_EQ(env.exists("celltalk.ini"), r.oper);
        EXPECT_EQ(own.readString("Common", "Window", ""), r.ownWindow);
        EXPECT_EQ(oper.readString("AutoRun", "Window", ""), r.operWindow);
        if (r.own) {
            EXPECT_EQ(own.readString("Common", "Beep", ""), r.beepText);
        }
        if (r.oper) {
            EXPECT_EQ(oper.readString("Common", "Beep", ""), r.beepText);
        }
    }
}

TEST(Ini, CloseSettingsTellAFailedWrite) {
    // Which inis refuse the write (read-only), and the one message that tells them.
    struct Row {
        bool operFails, ownFails;
    } rows[] = {{true, true}, {true, false}, {false, true}, {false, false}};
    for (const Row& r : rows) {
        test::TestEnv env;
        env.writeFile("tapdeck.ini", "[Common]\nWindow=Max\n");
        env.writeFile("celltalk.ini", "[Common]\nBeep=NO\n");
        std::vector<std::pair<std::string, int>> told;
        if (r.operFails) {
            ASSERT_EQ(::chmod(env.path("celltalk.ini").c_str(), 0444), 0);
            told.emplace_back(env.path("celltalk.ini"), EACCES);
        }
        if (r.ownFails) {
            ASSERT_EQ(::chmod(env.path("tapdeck.ini").c_str(), 0444), 0);
            told.emplace_back(env.path("tapdeck.ini"), EACCES);
        }
        {
            td::SaveReport report;
            EXPECT_EQ(writeCloseSettings(true, true), told.empty());
        }
        std::vector<std::string> messages;
        if (!told.empty()) messages.push_back(td::unsavedMessage(told));
        EXPECT_EQ(env.dialogs.messages, messages) << r.operFails << r.ownFails;
    }
}

TEST(ModelArea, NamesAndFilter) {
    struct Row {
        const char* ini;
        const char* model;
    } rows[] = {{"celltalk.ini", "celltalk "},
                {"phone2.ini", "phone2 "},
                {"my.moto.ini", "my moto "},
                {"noext", "noext "}};
    for (const Row& r : rows) EXPECT_EQ(modelNameOf(r.ini), r.model) << r.ini;

    test::TestEnv env;
    env.writeFile("Phone2.ini", "[Common]\nComment=Motorola C650\n");
    IniFile oper(env.path("Phone2.ini"));
    ModelArea a = modelArea({".hidden.ini", "Phone2.ini", "TapDeck.ini", "celltalk.ini", ""},
                            "phone2.ini", &oper);
    EXPECT_EQ(a.iniFiles, (std::vector<std::string>{"Phone2.ini", "celltalk.ini"}));
    EXPECT_EQ(a.current, 0);  // found without regard to case
    EXPECT_EQ(a.fullName, "Motorola C650");
    EXPECT_EQ(a.modelName, "phone2 ");
    IniFile plain(env.path("celltalk.ini"));
    EXPECT_EQ(modelArea({"celltalk.ini"}, "celltalk.ini", &plain).fullName, "Main operations");
    EXPECT_EQ(modelArea({"celltalk.ini"}, "celltalk.ini", nullptr).current, -1);
}

// ---- the choice state -------------------------------------------------------------

class SessionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        prog().CallName = "Call";
        prog().HangUpName = "Gone";  // not among the operations
        prog().SoundUpName = "up";   // differs from "Up" only in case
        s.activate();
    }
    test::TestEnv env;
    Session s{{"Call", "Hang", "Up", "Call2"}};
};

TEST_F(SessionTest, ChoosingFindsTheBindingExactly) {
    struct Row {
        std::size_t function;
        bool found;
        int selected;
    } rows[] = {{0, true, 0}, {1, false, 0}, {2, false, 0}};
    for (const Row& r : rows) {
        EXPECT_EQ(s.choose(r.function), r.found) << r.function;
        EXPECT_EQ(s.selected(), r.selected);
        EXPECT_TRUE(s.listEnabled());
        EXPECT_EQ(s.chosenCaption(), W(functions()[r.function].caption));
    }
}

TEST_F(SessionTest, ClickThenSaveAsksAndBindsOnYes) {
    EXPECT_FALSE(s.listEnabled());
    EXPECT_FALSE(s.readyEnabled());
    s.choose(1);
    s.click(3);
    EXPECT_EQ(s.pending(), "Call2");
    EXPECT_TRUE(s.readyEnabled());
    ASSERT_EQ(s.save(), Session::Save::Ask);
    EXPECT_EQ(s.question(), replaceQuestion(W("Прервать"), "Gone", "Call2"));
    EXPECT_EQ(s.answer(false), -1);
    EXPECT_EQ(prog().HangUpName, "Gone");
    EXPECT_EQ(s.answer(true), 1);
    EXPECT_EQ(prog().HangUpName, "Call2");
}

TEST_F(SessionTest, SaveWithoutAFunctionDisablesTheList) {
    s.click(0);  // the list is disabled in the window; the state stays sound anyway
    EXPECT_EQ(s.save(), Session::Save::NoFunction);
    EXPECT_FALSE(s.listEnabled());
    EXPECT_EQ(prog().CallName, "Call");
}

TEST_F(SessionTest, ChoosingABoundFunctionNeverOffersAnEmptyOperation) {
    s.choose(1);
    s.click(2);
    ASSERT_TRUE(s.readyEnabled());
    // The next function's binding is in the list: it is selected, the
    // earlier click is dropped, and nothing can be saved until a new click.
    EXPECT_TRUE(s.choose(0));
    EXPECT_EQ(s.pending(), "");
    EXPECT_FALSE(s.readyEnabled());
    EXPECT_EQ(s.save(), Session::Save::Nothing);
    EXPECT_EQ(prog().CallName, "Call");
    s.click(1);
    EXPECT_EQ(s.save(), Session::Save::Ask);
}

TEST_F(SessionTest, ChoosingAnUnboundFunctionKeepsTheClickedOperation) {
    s.choose(0);
    s.click(2);
    EXPECT_FALSE(s.choose(1));
    EXPECT_EQ(s.pending(), "Up");
    EXPECT_EQ(s.selected(), 2);
    EXPECT_TRUE(s.readyEnabled());
}

TEST_F(SessionTest, ResetDropsEverything) {
    s.choose(1);
    s.click(2);
    s.reset();
    EXPECT_EQ(s.chosen(), -1);
    EXPECT_EQ(s.chosenCaption(), "");
    EXPECT_EQ(s.bound(), "");
    EXPECT_EQ(s.pending(), "");
    EXPECT_EQ(s.selected(), -1);
    EXPECT_FALSE(s.readyEnabled());
    EXPECT_FALSE(s.listEnabled());
    EXPECT_EQ(s.save(), Session::Save::NoFunction);
}

TEST_F(SessionTest, ClickOutsideTheListChangesNothing) {
    s.choose(1);
    for (int row : {-1, 4, 100}) {
        s.click(row);
        EXPECT_EQ(s.pending(), "");
        EXPECT_FALSE(s.readyEnabled());
    }
}

}  // namespace
}  // namespace td::binding
