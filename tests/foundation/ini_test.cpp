#include "platform/ini.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/files.h"
#include "support/fakes.h"

using namespace td;
using td::test::TestEnv;
using td::test::W;

namespace {

struct ReadCase {
    const char* file;  // UTF-8, LF line ends turned into CR LF
    const char* section;
    const char* key;
    const char* expected;
};

class IniRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IniRead, FindsValueOrDefault) {
    TestEnv env;
    const ReadCase& c = GetParam();
    env.writeFile("a.ini", c.file);
    IniFile ini(env.path("a.ini"));
    EXPECT_EQ(test::U(ini.readString(W(c.section), W(c.key), W("DEF"))), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniRead,
    ::testing::Values(
        ReadCase{"[Common]\nWindow=Min\n", "Common", "Window", "Min"},
        ReadCase{"[Common]\nWindow=Min\n", "common", "WINDOW", "Min"},
        ReadCase{"[Common]\nWindow=Min\n", "Common", "Beep", "DEF"},
        ReadCase{"[Common]\nWindow=Min\n", "Other", "Window", "DEF"},
        ReadCase{"[Operations]\nВыполнить_Пакет=at+cgsn|!bat[\n", "operations", "выполнить_пакет",
                 "at+cgsn|!bat["},
        ReadCase{"[ЖУРНАЛ]\nКлюч=1\n", "журнал", "КЛЮЧ", "1"},
        ReadCase{"[a]\nЁлка=ёж\n", "A", "ёлка", "ёж"},
        ReadCase{"[a]\n  k  =   spaced value   \n", "a", "k", "spaced value"},
        ReadCase{"[a]\nk=\" \"\n", "a", "k", " "}, ReadCase{"[a]\nk=\"  \"\n", "a", "k", "  "},
        ReadCase{"[a]\nk='q'\n", "a", "k", "q"},
        ReadCase{"[a]\nk=at+cgsn|!bat\"CheckPhone.bat\"\n", "a", "k",
                 "at+cgsn|!bat\"CheckPhone.bat\""},
        ReadCase{"[a]\nk=x=y\n", "a", "k", "x=y"}, ReadCase{"[a]\nk=1\n[b]\nk=2\n", "b", "k", "2"},
        ReadCase{"[a]\nk=first\nK=second\n", "a", "k", "first"},
        ReadCase{"[a]\n;k=commented\n", "a", ";k", "DEF"}, ReadCase{"", "a", "k", "DEF"}));

// A file loaded once answers every read from its copy, whatever happens to
// the file afterwards; a write through it reaches the file and the copy.
TEST(Ini, LoadedFileAnswersFromItsCopy) {
    TestEnv env;
    env.writeFile("a.ini", "[a]\nk=1\nm=2\n[b]\nx=3\n");
    IniFile once = IniFile::loaded(env.path("a.ini"));
    IniFile live(env.path("a.ini"));
    env.writeFile("a.ini", "[a]\nk=changed\n");
    struct Case {
        const char* what;
        std::string once, live;
    } cases[] = {
        {"value", once.readString("a", "k", "-"), live.readString("a", "k", "-")},
        {"key", once.keyExists("a", "m") ? "yes" : "no", live.keyExists("a", "m") ? "yes" : "no"},
        {"section", once.sectionExists("b") ? "yes" : "no", live.sectionExists("b") ? "yes" : "no"},
        {"keys", std::to_string(once.readSection("a").size()),
         std::to_string(live.readSection("a").size())},
    };
    const char* onceWants[] = {"1", "yes", "yes", "2"};
    const char* liveWants[] = {"changed", "no", "no", "1"};
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].what);
        EXPECT_EQ(cases[i].once, onceWants[i]);
        EXPECT_EQ(cases[i].live, liveWants[i]);
    }
    // A write goes to the file as it is now, and the copy follows it.
    EXPECT_TRUE(once.writeString("a", "n", "4"));
    EXPECT_EQ(env.readFile("a.ini"), "[a]\r\nk=changed\r\nn=4\r\n");
    EXPECT_EQ(once.readString("a", "k", "-"), "changed");
    EXPECT_EQ(once.readString("a", "n", "-"), "4");
    // A missing file loads as an empty one.
    EXPECT_EQ(IniFile::loaded(env.path("none.ini")).readString("a", "k", "def"), "def");
}

TEST(Ini, ReadsFilesWithLfLineEnds) {
    TestEnv env;
    env.writeFile("a.ini", "[a]\nk=lf\nm=2", false);
    IniFile ini(env.path("a.ini"));
    EXPECT_EQ(ini.readString("a", "k", ""), "lf");
    EXPECT_EQ(ini.readString("a", "m", ""), "2");
}

TEST(Ini, MissingFileReadsDefaultsAndHasNoKeys) {
    TestEnv env;
    IniFile ini(env.path("none.ini"));
    EXPECT_EQ(ini.readString("a", "b", "x"), "x");
    EXPECT_TRUE(ini.readSectionKeys("a").empty());
    EXPECT_FALSE(env.exists("none.ini"));
}

TEST(Ini, SectionKeysInFileOrder) {
    TestEnv env;
    env.writeFile("a.ini", "[PhoneBook]\nЯков=1\nAnna=2\n; note\n\nБорис=3\n[Other]\nx=1\n");
    IniFile ini(env.path("a.ini"));
    std::vector<std::string> expected = {W("Яков"), "Anna", W("Борис")};
    EXPECT_EQ(ini.readSectionKeys("phonebook"), expected);
}

TEST(Ini, WriteCreatesFileAndSectionWithCrLf) {
    TestEnv env;
    IniFile ini(env.path("new.ini"));
    ASSERT_TRUE(ini.writeString("Common", "ModelIni", "celltalk.ini"));
    ASSERT_TRUE(ini.writeString("Common", "Beep", "NO"));
    ASSERT_TRUE(ini.writeString(W("Раздел"), W("Ключ"), W("значение")));
    EXPECT_EQ(env.readFile("new.ini"), "[Common]\r\nModelIni=celltalk.ini\r\nBeep=NO\r\n" +
                                           W("[Раздел]\r\nКлюч=значение\r\n"));
}

TEST(Ini, WriteKeepsForeignLinesCommentsAndOrder) {
    TestEnv env;
    env.writeFile("a.ini",
                  "; settings of the program\n[Common]\nWindow=Min\nunknown line\n\n[PhoneBook]\n"
                  "Anna=1\n\n[Tail]\nz=9\n");
    IniFile ini(env.path("a.ini"));
    ASSERT_TRUE(ini.writeString("common", "WINDOW", "Norm"));
    ASSERT_TRUE(ini.writeString("PhoneBook", "Boris", "2"));
    EXPECT_EQ(env.readFile("a.ini"),
              "; settings of the program\r\n[Common]\r\nWindow=Norm\r\nunknown line\r\n\r\n"
              "[PhoneBook]\r\nAnna=1\r\nBoris=2\r\n\r\n[Tail]\r\nz=9\r\n");
}

TEST(Ini, EraseSectionRemovesOnlyThatSection) {
    TestEnv env;
    env.writeFile("a.ini", "[History]\n0=a\n1=b\n[Common]\nx=1\n");
    IniFile ini(env.path("a.ini"));
    ASSERT_TRUE(ini.eraseSection("history"));
    EXPECT_EQ(env.readFile("a.ini"), "[Common]\r\nx=1\r\n");
    EXPECT_TRUE(ini.eraseSection("absent"));
    EXPECT_EQ(ini.readString("History", "0", "gone"), "gone");
}

TEST(Ini, WriteLeavesNoTemporaryFilesBehind) {
    TestEnv env;
    IniFile ini(env.path("a.ini"));
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(ini.writeString("s", std::to_string(i), "v"));
    auto names = files::listIni(env.dir);
    EXPECT_EQ(names, std::vector<std::string>{"a.ini"});
    int entries = 0;
    for (auto& e : std::filesystem::directory_iterator(env.dir)) entries += e.is_regular_file();
    EXPECT_EQ(entries, 1);
}

TEST(Ini, FailedReplaceReportsFailureAndLeavesNoTemporaryFile) {
    TestEnv env;
    // A folder where the file should be: the new text cannot be renamed over it.
    files::makeDir(env.path("cfg/a.ini"));
    env.writeFile("cfg/b.ini", "[s]\nk=old\n");
    IniFile ini(env.path("cfg/a.ini"));
    EXPECT_FALSE(ini.writeString("s", "k", "new"));
    EXPECT_TRUE(std::filesystem::is_directory(env.path("cfg/a.ini")));
    int entries = 0;
    for (auto& e : std::filesystem::directory_iterator(env.path("cfg"))) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 2);  // a.ini and b.ini, no temporary left over
    EXPECT_EQ(IniFile(env.path("cfg/b.ini")).readString("s", "k", ""), "old");
}

}  // namespace

namespace {
TEST(Ini, WriteIntoMissingFolderReportsFailure) {
    TestEnv env;
    IniFile ini(env.path("missing/a.ini"));
    EXPECT_FALSE(ini.writeString("s", "k", "v"));
    EXPECT_FALSE(env.exists("missing/a.ini"));
}
}  // namespace

namespace {

// What a reading of the file gives, by a path no earlier reading used.
std::vector<std::pair<std::string, std::string>> freshRead(const TestEnv& env,
                                                           const std::string& section) {
    static std::string hops;
    hops += "./";
    return IniFile(env.dir + "/" + hops + "s.ini").readSection(section);
}

}  // namespace

// A reading after any change on disk equals a fresh one, and a section's
// stamp stays exactly while its lines stay.
TEST(Ini, ReadingsFollowTheFileAndStampTheirSections) {
    TestEnv env;
    env.writeFile("s.ini", "[a]\nk=1\n[b]\nx=2\n");
    IniFile f(env.path("s.ini"));
    EXPECT_NE(f.sectionStamp("a"), 0u);
    EXPECT_EQ(f.sectionStamp("A"), f.sectionStamp("a"));
    EXPECT_EQ(f.sectionStamp("none"), 0u);
    struct Step {
        const char* what;
        std::function<void()> change;
        const char *k, *x;
        bool aKept, bKept;
    } steps[] = {
        {"read again", [] {}, "1", "2", true, true},
        {"b written", [&] { f.writeString("b", "x", "3"); }, "1", "3", true, false},
        {"a given its value", [&] { f.writeString("a", "k", "1"); }, "1", "3", true, true},
        {"another program, same size", [&] { env.writeFile("s.ini", "[a]\nk=5\n[b]\nx=3\n"); }, "5",
         "3", false, false},
        {"b erased", [&] { f.eraseSection("b"); }, "5", "-", true, false},
        {"a written whole",
         [&] {
             f.writeSection("a", {{"k", "6"}});
         },
         "6", "-", false, true},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        const std::uint64_t a = f.sectionStamp("a"), b = f.sectionStamp("b");
        s.change();
        EXPECT_EQ(f.readString("a", "k", "-"), s.k);
        EXPECT_EQ(f.readString("b", "x", "-"), s.x);
        EXPECT_EQ(f.readSection("a"), freshRead(env, "a"));
        EXPECT_EQ(f.sectionStamp("a") == a, s.aKept);
        EXPECT_EQ(f.sectionStamp("b") == b, s.bKept);
    }
}

// A write that keeps the file's bytes leaves the file alone (a long file is
// written at every activation), but still fails where any write would.
TEST(Ini, AWriteThatKeepsTheBytesLeavesTheFileAlone) {
    TestEnv env;
    env.writeFile("s.ini", "[a]\nk=1\n");
    struct stat before {};
    ::stat(env.path("s.ini").c_str(), &before);
    EXPECT_TRUE(IniFile(env.path("s.ini")).writeString("a", "k", "1"));
    struct stat after {};
    ::stat(env.path("s.ini").c_str(), &after);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(env.readFile("s.ini"), "[a]\r\nk=1\r\n");

    ::chmod(env.path("s.ini").c_str(), 0444);
    EXPECT_FALSE(IniFile(env.path("s.ini")).writeString("a", "k", "1"));
    EXPECT_EQ(env.dialogs.messages.size(), 1u);
    ::chmod(env.path("s.ini").c_str(), 0644);
    files::endWrites();
    EXPECT_FALSE(IniFile(env.path("s.ini")).writeString("a", "k", "1"));
    files::resumeWrites();
}
