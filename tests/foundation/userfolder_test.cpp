// The per-user folder: where it is, when the program goes there, and that
// the user's own files survive every later start.

#include "engine/userfolder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>

#include "platform/files.h"
#include "support/fakes.h"

using namespace td;
using td::test::TestEnv;

namespace {

EnvLookup fakeEnv(std::map<std::string, std::string> vars) {
    return [vars = std::move(vars)](const char* name) -> const char* {
        auto it = vars.find(name);
        return it == vars.end() ? nullptr : it->second.c_str();
    };
}

TEST(UserDataFolder, FollowsTheBaseDirectoryRules) {
    struct Case {
        std::map<std::string, std::string> env;
        std::string folder;
    } cases[] = {
        {{{"HOME", "/home/ann"}}, "/home/ann/.local/share/tapdeck"},
        {{{"HOME", "/home/ann/"}}, "/home/ann/.local/share/tapdeck"},
        {{{"HOME", "/home/ann"}, {"XDG_DATA_HOME", "/data/ann"}}, "/data/ann/tapdeck"},
        {{{"HOME", "/home/ann"}, {"XDG_DATA_HOME", "/data/ann//"}}, "/data/ann/tapdeck"},
        // An empty or relative XDG_DATA_HOME is ignored.
        {{{"HOME", "/home/ann"}, {"XDG_DATA_HOME", ""}}, "/home/ann/.local/share/tapdeck"},
        {{{"HOME", "/home/ann"}, {"XDG_DATA_HOME", "data"}}, "/home/ann/.local/share/tapdeck"},
        {{{"XDG_DATA_HOME", "/data/ann"}}, "/data/ann/tapdeck"},
        // No usable home: no per-user folder.
        {{}, ""},
        {{{"HOME", ""}}, ""},
        {{{"HOME", "relative"}}, ""},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (const auto& [k, v] : c.env) shown += k + "=" + v + " ";
        EXPECT_EQ(userDataFolder(fakeEnv(c.env)), c.folder) << shown;
    }
}

TEST(UserDataFolder, CyrillicHomeComesBackAsWindows1251) {
    std::string home = "/home/\xd0\x90\xd0\xbd\xd0\xbd\xd0\xb0";  // UTF-8 "Анна"
    EXPECT_EQ(userDataFolder(fakeEnv({{"HOME", home}})),
              "/home/" + test::W("Анна") + "/.local/share/tapdeck");
}

TEST(TemplateFolder, IsTheShareFolderBesideBin) {
    EXPECT_EQ(templateFolderFor("/usr/bin/tapdeck"), "/usr/share/tapdeck");
    EXPECT_EQ(templateFolderFor("/opt/td/bin/phone2"), "/opt/td/share/tapdeck");
    EXPECT_EQ(templateFolderFor("/work/build/bin/tapdeck"), "/work/build/share/tapdeck");
}

// A temporary tree: a start folder, a home and installed templates.
struct Tree {
    TestEnv env;
    std::string start = env.dir + "/start";
    std::string user = env.dir + "/home/.local/share/tapdeck";
    std::string templates = env.dir + "/share/tapdeck";
    Tree() {
        files::makeDir(start);
        env.writeFile("share/tapdeck/tapdeck.ini", "[Common]\nWindow=Min\n");
        env.writeFile("share/tapdeck/celltalk.ini", "[Common]\nComPort=SIM\n");
        env.writeFile("share/tapdeck/DelSMS.txt", "at+cmgl\n");
    }
    std::string read(const std::string& path) const {
        std::string bytes;
        files::readAll(path, bytes);
        return bytes;
    }
};

TEST(ChooseStartFolder, AFolderWithItsOwnIniIsKeptAndNothingIsMade) {
    Tree t;
    t.env.writeFile("start/tapdeck.ini", "[Common]\n");
    StartFolder r = chooseStartFolder(t.start, t.user, t.templates);
    EXPECT_EQ(r.folder, t.start);
    EXPECT_FALSE(r.moved);
    EXPECT_EQ(r.error, "");
    EXPECT_FALSE(files::exists(t.env.dir + "/home"));
}

TEST(ChooseStartFolder, FirstStartMakesThePrivateUserFolderFromTheTemplates) {
    Tree t;
    t.env.writeFile("start/celltalk.ini", "[Common]\n");  // an engine ini alone does not count
    StartFolder r = chooseStartFolder(t.start, t.user, t.templates);
    ASSERT_TRUE(r.moved) << r.error;
    EXPECT_EQ(r.folder, t.user);
    for (const char* name : {"tapdeck.ini", "celltalk.ini", "DelSMS.txt"})
        EXPECT_EQ(t.read(t.user + "/" + name), t.read(t.templates + "/" + name)) << name;
    struct stat st {};
    ASSERT_EQ(::stat(t.user.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_TRUE(files::pathExists(t.user + "/AutoRun"));  // a folder
}

TEST(ChooseStartFolder, LaterStartsKeepTheUsersFiles) {
    Tree t;
    ASSERT_TRUE(chooseStartFolder(t.start, t.user, t.templates).moved);
    files::writeAll(t.user + "/tapdeck.ini", "[PhoneBook]\r\nAnn=1\r\n");
    files::writeAll(t.user + "/celltalk.ini", "[Common]\r\nComPort=/dev/ttyACM0\r\n");
    StartFolder r = chooseStartFolder(t.start, t.user, t.templates);
    EXPECT_TRUE(r.moved);
    EXPECT_EQ(t.read(t.user + "/tapdeck.ini"), "[PhoneBook]\r\nAnn=1\r\n");
    EXPECT_EQ(t.read(t.user + "/celltalk.ini"), "[Common]\r\nComPort=/dev/ttyACM0\r\n");

    // The own ini deleted by hand comes back; the engine ini the user set stays.
    files::remove(t.user + "/tapdeck.ini");
    r = chooseStartFolder(t.start, t.user, t.templates);
    EXPECT_TRUE(r.moved);
    EXPECT_EQ(t.read(t.user + "/tapdeck.ini"), t.read(t.templates + "/tapdeck.ini"));
    EXPECT_EQ(t.read(t.user + "/celltalk.ini"), "[Common]\r\nComPort=/dev/ttyACM0\r\n");
}

TEST(ChooseStartFolder, FailuresLeaveTheProgramInItsStartFolder) {
    struct Case {
        const char* what;
        bool noHome, noTemplates, fileInTheWay;
    } cases[] = {
        {"no home", true, false, false},
        {"no templates", false, true, false},
        {"a file where the folder should be", false, false, true},
    };
    for (const auto& c : cases) {
        Tree t;
        if (c.noTemplates) std::filesystem::remove_all(t.templates);
        if (c.fileInTheWay) t.env.writeFile("home/.local/share", "x");
        StartFolder r = chooseStartFolder(t.start, c.noHome ? "" : t.user, t.templates);
        EXPECT_FALSE(r.moved) << c.what;
        EXPECT_EQ(r.folder, t.start) << c.what;
        EXPECT_NE(r.error, "") << c.what;
        // The user is told in one message why, and where the program works instead.
        const std::string told = startFolderProblem(r);
        EXPECT_EQ(told.rfind(test::W("- Не удаётся создать личную папку программы: "), 0), 0u)
            << c.what;
        EXPECT_NE(told.find(test::W("Программа работает в папке ") + t.start), std::string::npos)
            << c.what;
    }
    Tree t;
    EXPECT_EQ(startFolderProblem(chooseStartFolder(t.start, t.user, t.templates)), "");
}

}  // namespace
