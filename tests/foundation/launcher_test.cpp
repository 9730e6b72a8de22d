#include "engine/launcher.h"

#include <gtest/gtest.h>

#include "engine/operlookup.h"
#include "engine/settings.h"
#include "platform/files.h"
#include "support/fakes.h"

using namespace td;
using td::test::TestEnv;
using td::test::W;

namespace {

const std::string kBusy =
    W("- Пожалуйста, дождитесь завершения предшествующей операции\rили закройте/остановите "
      "программу CellTalk");

TEST(Launcher, ParameterTexts) {
    EXPECT_EQ(operParams(W("Прервать вызов")), W("oper \"Прервать вызов\""));
    EXPECT_EQ(operParams("op", {"89161234567"}), "oper \"op\" \"89161234567\"");
    EXPECT_EQ(operParams("send", {" 1 2", W("Привет; $(rm -rf /) `id`")}),
              W("oper \"send\" \" 1 2\" \"Привет; $(rm -rf /) `id`\""));
    EXPECT_EQ(operParams(""), "oper \"\"");
}

TEST(Launcher, StartEngineUsesEngineNameAndNormalWindow) {
    TestEnv env;
    CallReSendSMSCell(W("Повтор SMS"), "5");
    ASSERT_EQ(env.starter.starts.size(), 1u);
    EXPECT_EQ(env.starter.starts[0].file, "celltalk.exe");
    EXPECT_EQ(env.starter.starts[0].params, W("oper \"Повтор SMS\" \"5\""));
    EXPECT_EQ(env.starter.starts[0].dir, "");
    EXPECT_TRUE(env.dialogs.messages.empty());
}

TEST(Launcher, StartFailureNamesTheProgramAndWhereItWasLookedFor) {
    TestEnv env;
    struct Case {
        int code;
        std::string text;
    } cases[] = {
        {2, W("- Не удаётся запустить celltalk: программа не найдена ни в папке ") + env.dir +
                W(", ни в папках PATH")},
        {5, W("- Не удаётся запустить celltalk из папки ") + env.dir + W(": нет прав на запуск")},
    };
    for (const Case& c : cases) {
        env.dialogs.messages.clear();
        env.starter.result = c.code;
        EXPECT_FALSE(StartEngine("x"));
        EXPECT_EQ(env.dialogs.messages, std::vector<std::string>{c.text}) << c.code;
    }
}

TEST(Launcher, BusyWhileRunMarkerExists) {
    TestEnv env;
    EXPECT_FALSE(CellBusy());
    EXPECT_TRUE(env.dialogs.messages.empty());
    env.writeFile("celltalk.run", "");
    EXPECT_TRUE(CellBusy());
    EXPECT_EQ(env.dialogs.messages, std::vector<std::string>{kBusy});
}

struct MarkerCase {
    const char* name;
    int year, month, day;              // today
    std::vector<std::string> markers;  // contents of swapping.fl0, fl1, ...
    bool present;                      // CheckSateliteFile result
    std::vector<bool> kept;            // which markers remain
};

TEST(Satellite, CheckDeletesStaleMarkers) {
    const MarkerCase cases[] = {
        {"none", 2026, 12, 7, {}, false, {}},
        {"yesterday deleted", 2026, 12, 7, {"06.12.2026"}, false, {false}},
        {"today kept", 2026, 12, 7, {"07.12.2026"}, true, {true}},
        {"month end kept next month", 2026, 12, 1, {"30.11.2026"}, true, {true}},
        {"month end deleted later", 2026, 12, 30, {"30.11.2026"}, false, {false}},
        {"mixed", 2026, 12, 7, {"01.01.2000", "07.12.2026"}, true, {false, true}},
        {"empty marker is stale", 2026, 12, 7, {""}, false, {false}},
    };
    for (const auto& c : cases) {
        TestEnv env;
        env.clock.setLocal(c.year, c.month, c.day);
        for (size_t i = 0; i < c.markers.size(); ++i)
            env.writeFile("markers/swapping.fl" + std::to_string(i), c.markers[i] + "\n");
        EXPECT_EQ(CheckSateliteFile(SatelliteBase), c.present) << c.name;
        for (size_t i = 0; i < c.kept.size(); ++i)
            EXPECT_EQ(env.exists("markers/swapping.fl" + std::to_string(i)), c.kept[i])
                << c.name << " marker " << i;
    }
}

TEST(Satellite, UnreadableMarkerCountsAsPresent) {
    TestEnv env;
    files::makeDir(env.path("markers/swapping.fl4"));  // exists, cannot be read as a file
    EXPECT_TRUE(CheckSateliteFile(SatelliteBase));
    EXPECT_TRUE(env.exists("markers/swapping.fl4"));
}

TEST(Satellite, OwnMarkerIsNeitherCountedNorDeleted) {
    struct Case {
        const char* name;
        std::string ownDate;    // content of swapping.fl0, the program's own marker
        std::string otherDate;  // content of swapping.fl1; empty: no such file
        bool present;
    } cases[] = {
        {"own of today alone", "07.12.2026", "", false},
        {"own of yesterday alone", "06.12.2026", "", false},
        {"another of today", "07.12.2026", "07.12.2026", true},
    };
    for (const auto& c : cases) {
        TestEnv env;
        env.clock.setLocal(2026, 12, 7);
        env.writeFile("markers/swapping.fl0", c.ownDate + "\n");
        if (!c.otherDate.empty()) env.writeFile("markers/swapping.fl1", c.otherDate + "\n");
        std::string own = env.markers + "/swapping.fl0";
        EXPECT_EQ(CheckSateliteFile(SatelliteBase, own), c.present) << c.name;
        EXPECT_TRUE(env.exists("markers/swapping.fl0")) << c.name;
    }
}

TEST(Satellite, CreateTakesFirstFreeSlotAndWritesToday) {
    TestEnv env;
    env.clock.setLocal(2026, 12, 7);
    env.writeFile("markers/swapping.fl0", "07.12.2026\n");
    std::string name = CreSateliteFile(SatelliteBase);
    EXPECT_EQ(name, env.markers + "/swapping.fl1");
    EXPECT_EQ(env.readFile("markers/swapping.fl1"), "07.12.2026\r\n");
}

TEST(Satellite, TenMarkersLeaveNoSlot) {
    TestEnv env;
    for (int d = 0; d < 10; ++d) env.writeFile("markers/swapping.fl" + std::to_string(d), "x\n");
    EXPECT_EQ(CreSateliteFile(SatelliteBase), "");
    EXPECT_EQ(CreSateliteFile(SatelliteBase), "");
}

TEST(OperLookup, Outcomes) {
    struct Case {
        const char* name;
        const char* ini;  // nullptr: no file
        std::string oper;
        std::string result;
        std::string message;
    } cases[] = {
        {"missing file names the bare file", nullptr, "x", "", W("- Файл ops.ini - не найден")},
        {"empty name", "[Operations]\nx=at\n", "", "", W("- Пустая операция")},
        {"absent", "[Operations]\nx=at\n", "y", "", W("- Операция \"y\" неверна")},
        {"empty value", "[Operations]\ny=\n", "y", "", W("- Операция \"y\" неверна")},
        {"one blank", "[Operations]\ny=\" \"\n", "y", "", W("- Операция \"y\" неверна")},
        {"two blanks returned", "[Operations]\ny=\"  \"\n", "y", "  ", ""},
        {"case-insensitive", "[Operations]\nCall Op=at+ckpd=1\n", "CALL op", "at+ckpd=1", ""},
        {"cyrillic", "[Operations]\nЗвонок=at+ckpd=\"№\"\n", W("звонок"), W("at+ckpd=\"№\""), ""},
    };
    for (const auto& c : cases) {
        TestEnv env;
        if (c.ini) env.writeFile("ops.ini", c.ini);
        EXPECT_EQ(GetOperByName("ops.ini", c.oper), c.result) << c.name;
        std::vector<std::string> expected;
        if (!c.message.empty()) expected.push_back(c.message);
        EXPECT_EQ(env.dialogs.messages, expected) << c.name;
    }
}

}  // namespace
