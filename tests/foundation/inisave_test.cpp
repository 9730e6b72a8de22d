// How settings files are written when the file system is not as expected:
// links, modes, read-only files and folders, odd line ends, a byte-order mark,
// a folder in place of the file, and names and values the file cannot hold.

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/files.h"
#include "platform/ini.h"
#include "platform/services.h"
#include "support/fakes.h"

using namespace td;
using td::test::TestEnv;
using td::test::W;

namespace {

namespace fs = std::filesystem;

mode_t modeOf(const std::string& path) {
    struct stat st;
    EXPECT_EQ(::stat(path.c_str(), &st), 0);
    return st.st_mode & 07777;
}

// Runs f in a child process without root's privileges, so that file
// permissions apply as they do for a user; true when f returned true.
bool asUser(const std::function<bool()>& f) {
    pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0) {
            if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(3);
        }
        ::_exit(f() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The test folder is private to root; a user must be able to reach it.
void openToUsers(const TestEnv& env) {
    ::chmod(env.dir.c_str(), 0755);
}

TEST(IniSave, WritesThroughASymbolicLinkToItsTarget) {
    TestEnv env;
    env.writeFile("real/tapdeck.ini", "[Common]\nWindow=Min\n");
    fs::create_symlink("real/tapdeck.ini", env.path("tapdeck.ini"));
    IniFile ini(env.path("tapdeck.ini"));
    ASSERT_TRUE(ini.writeString("Common", "Window", "Norm"));
    EXPECT_TRUE(fs::is_symlink(env.path("tapdeck.ini")));
    EXPECT_EQ(env.readFile("real/tapdeck.ini"), "[Common]\r\nWindow=Norm\r\n");
    // A chain of links, the last one dangling: its target is created.
    fs::create_symlink("missing.ini", env.path("real/next.ini"));
    fs::create_symlink("real/next.ini", env.path("first.ini"));
    ASSERT_TRUE(IniFile(env.path("first.ini")).writeString("s", "k", "v"));
    EXPECT_TRUE(fs::is_symlink(env.path("first.ini")));
    EXPECT_EQ(env.readFile("real/missing.ini"), "[s]\r\nk=v\r\n");
}

TEST(IniSave, KeepsTheFileModeAndOtherHardLinks) {
    TestEnv env;
    env.writeFile("a.ini", "[s]\nk=1\n");
    ::chmod(env.path("a.ini").c_str(), 0640);
    ASSERT_TRUE(IniFile(env.path("a.ini")).writeString("s", "k", "2"));
    EXPECT_EQ(modeOf(env.path("a.ini")), 0640u);

    fs::create_hard_link(env.path("a.ini"), env.path("b.ini"));
    ASSERT_TRUE(IniFile(env.path("a.ini")).writeString("s", "k", "3"));
    EXPECT_EQ(env.readFile("b.ini"), "[s]\r\nk=3\r\n");
}

TEST(IniSave, ReadOnlyFileIsRefusedAndToldOnce) {
    TestEnv env;
    env.writeFile("a.ini", "[History]\n0=old\n");
    ::chmod(env.path("a.ini").c_str(), 0444);
    {
        SaveReport report;
        IniFile ini(env.path("a.ini"));
        EXPECT_FALSE(ini.eraseSection("History"));
        for (int i = 0; i < 5; ++i)
            EXPECT_FALSE(ini.writeString("History", std::to_string(i), "x"));
        EXPECT_TRUE(env.dialogs.messages.empty());  // gathered until the action ends
    }
    EXPECT_EQ(env.readFile("a.ini"), "[History]\r\n0=old\r\n");
    EXPECT_EQ(modeOf(env.path("a.ini")), 0444u);
    ASSERT_EQ(env.dialogs.messages.size(), 1u);
    EXPECT_NE(env.dialogs.messages[0].find(env.path("a.ini")), std::string::npos);
    EXPECT_NE(env.dialogs.messages[0].find(W("только для чтения")), std::string::npos);

    // Outside an action each failure is told at once.
    EXPECT_FALSE(IniFile(env.path("a.ini")).writeString("s", "k", "v"));
    EXPECT_EQ(env.dialogs.messages.size(), 2u);
}

TEST(IniSave, ReadOnlyFolderWithWritableFileIsWrittenInPlace) {
    TestEnv env;
    openToUsers(env);
    env.writeFile("ro/a.ini", "[AutoRun]\nWait=5\n");
    ::chmod(env.path("ro/a.ini").c_str(), 0666);
    ::chmod(env.path("ro").c_str(), 0555);
    std::string path = env.path("ro/a.ini");
    EXPECT_TRUE(asUser([&] { return IniFile(path).writeString("AutoRun", "Wait", "2"); }));
    EXPECT_EQ(env.readFile("ro/a.ini"), "[AutoRun]\r\nWait=2\r\n");
    // A new file cannot be made there at all: that is a failure, not a silence.
    std::string fresh = env.path("ro/new.ini");
    EXPECT_TRUE(asUser([&] { return !IniFile(fresh).writeString("s", "k", "v"); }));
    ::chmod(env.path("ro").c_str(), 0755);
}

TEST(IniSave, UnreadableFileIsNotReplacedByTheOneNewKey) {
    TestEnv env;
    openToUsers(env);
    env.writeFile("w/a.ini", "[Common]\nWindow=Min\n[PhoneBook]\nAnna=1\n");
    ::chmod(env.path("w").c_str(), 0777);
    ::chmod(env.path("w/a.ini").c_str(), 0222);  // writable, not readable
    std::string path = env.path("w/a.ini");
    EXPECT_TRUE(asUser([&] { return !IniFile(path).writeString("Common", "Window", "Norm"); }));
    EXPECT_EQ(env.readFile("w/a.ini"), "[Common]\r\nWindow=Min\r\n[PhoneBook]\r\nAnna=1\r\n");
}

TEST(IniSave, FolderInPlaceOfTheFileIsMissingAndWritesAreTold) {
    TestEnv env;
    files::makeDir(env.path("tapdeck.ini"));
    EXPECT_FALSE(files::exists(env.path("tapdeck.ini")));
    EXPECT_FALSE(IniFile(env.path("tapdeck.ini")).writeString("s", "k", "v"));
    ASSERT_EQ(env.dialogs.messages.size(), 1u);
    EXPECT_NE(env.dialogs.messages[0].find(W("папка")), std::string::npos);
}

struct LineEndCase {
    const char* name;
    const char* bytes;  // raw file bytes
    const char* section;
    const char* key;
    const char* expected;
};

class IniLineEnds : public ::testing::TestWithParam<LineEndCase> {};

TEST_P(IniLineEnds, ReadValueHasNoStrayBytes) {
    TestEnv env;
    const LineEndCase& c = GetParam();
    std::ofstream(env.path("a.ini"), std::ios::binary) << c.bytes;
    EXPECT_EQ(IniFile(env.path("a.ini")).readString(c.section, c.key, "DEF"), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniLineEnds,
    ::testing::Values(
        LineEndCase{"CrCrLf", "[AutoRun]\r\r\nWaitSec=5\r\r\nLogFile=x.log\r\r\n", "AutoRun",
                    "WaitSec", "5"},
        LineEndCase{"CrCrLfLast", "[a]\r\r\nk=v\r\r\n", "a", "k", "v"},
        LineEndCase{"Bom", "\xEF\xBB\xBF[Common]\r\nWindow=Max\r\n", "Common", "Window", "Max"},
        LineEndCase{"BomLf", "\xEF\xBB\xBF[Common]\nBeep=YES\n", "common", "beep", "YES"},
        LineEndCase{"HashKey", "[PhoneBook]\n#1 Office=123\n", "PhoneBook", "#1 Office", "123"},
        LineEndCase{"SemicolonIsComment", "[a]\n;k=1\n", "a", ";k", "DEF"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IniSave, Utf8FileWithByteOrderMarkStaysUtf8) {
    TestEnv env;
    // UTF-8 bytes as an editor saves them, with a comment the code page cannot hold.
    std::string text =
        "\xEF\xBB\xBF; \xE2\x98\x8E phones\r\n[PhoneBook]\r\n\xD0\x90\xD0\xBD\xD1\x8F=1\r\n";
    std::ofstream(env.path("a.ini"), std::ios::binary) << text;
    IniFile ini(env.path("a.ini"));
    EXPECT_EQ(ini.readString("PhoneBook", W("Аня"), ""), "1");
    ASSERT_TRUE(ini.writeString("PhoneBook", W("Борис"), "2"));
    EXPECT_EQ(env.readFile("a.ini"), text + "\xD0\x91\xD0\xBE\xD1\x80\xD0\xB8\xD1\x81=2\r\n");
    std::vector<std::string> keys = {W("Аня"), W("Борис")};
    EXPECT_EQ(ini.readSectionKeys("PhoneBook"), keys);
}

TEST(IniSave, AUtf8FileRefusesWhatItCannotHold) {
    // 0x98 has no character in the code page, so UTF-8 cannot carry it: the
    // write is refused (and told), rather than reported done and lost.
    struct Case {
        const char* name;
        std::string section, key, value;
    } cases[] = {
        {"value", "Common", "Key",
         "a\x98"
         "b"},
        {"key", "Common", "K\x98", "1"},
        {"section", "C\x98", "Key", "1"},
    };
    for (const auto& c : cases) {
        TestEnv env;
        const std::string text = "\xEF\xBB\xBF[Common]\r\nBeep=YES\r\n";
        std::ofstream(env.path("a.ini"), std::ios::binary) << text;
        IniFile ini(env.path("a.ini"));
        EXPECT_FALSE(ini.writeString(c.section, c.key, c.value)) << c.name;
        EXPECT_FALSE(ini.writeSection(c.section, {{c.key, c.value}})) << c.name;
        EXPECT_EQ(env.readFile("a.ini"), text) << c.name;
        EXPECT_EQ(env.dialogs.messages.size(), 2u) << c.name;  // each refused write is told
    }
}

struct RoundTripCase {
    const char* name;
    std::string key, value;
    bool accepted;
};

class IniRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

// Whatever is written reads back unchanged, or the write is refused and
// leaves the file as it was.
TEST_P(IniRoundTrip, ReadsBackOrIsRefused) {
    TestEnv env;
    const RoundTripCase& c = GetParam();
    env.writeFile("a.ini", "[PhoneBook]\nAnna=1\n[Tail]\nz=9\n");
    std::string before = env.readFile("a.ini");
    IniFile ini(env.path("a.ini"));
    bool ok = ini.writeString("PhoneBook", c.key, c.value);
    EXPECT_EQ(ok, c.accepted);
    if (ok) {
        EXPECT_EQ(ini.readString("PhoneBook", c.key, "DEF"), c.value);
        auto section = ini.readSection("PhoneBook");
        ASSERT_EQ(section.size(), 2u);
        EXPECT_EQ(section[1].second, c.value);
        EXPECT_EQ(ini.readString("Tail", "z", ""), "9");
    } else {
        EXPECT_EQ(env.readFile("a.ini"), before);
        EXPECT_EQ(env.dialogs.messages.size(), 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniRoundTrip,
    ::testing::Values(RoundTripCase{"Plain", "Boris", "2", true},
                      RoundTripCase{"HashName", "#Boris", "2", true},
                      RoundTripCase{"BlanksAround", "Boris", "  2 ", true},
                      RoundTripCase{"OneBlank", "Boris", " ", true},
                      RoundTripCase{"Quoted", "Boris", "\"2\"", true},
                      RoundTripCase{"SingleQuoted", "Boris", "'2'", true},
                      RoundTripCase{"InnerQuote", "Boris", "at+ckpd=\"s\"", true},
                      RoundTripCase{"BracketName", "[Boris]", "2", false},
                      RoundTripCase{"BracketStart", "[Boris", "2", false},
                      RoundTripCase{"SemicolonName", ";Boris", "2", false},
                      RoundTripCase{"LfInName", "Bo\nris", "2", false},
                      RoundTripCase{"CrInName", "Bo\rris", "2", false},
                      RoundTripCase{"EqualsInName", "Bo=ris", "2", false},
                      RoundTripCase{"EmptyName", "  ", "2", false},
                      RoundTripCase{"LfInValue", "Boris", "2\n[Evil]", false},
                      RoundTripCase{"CrInValue", "Boris", "line\rbreak", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IniSave, WriteSectionReplacesTheBodyInOneWrite) {
    TestEnv env;
    env.writeFile("a.ini", "[Common]\nx=1\n[PhoneBook]\nOld=1\n; note\n\n[Tail]\nz=9\n");
    IniFile ini(env.path("a.ini"));
    ASSERT_TRUE(ini.writeSection("phonebook", {{"Anna", "1"}, {W("Яша"), " 2"}}));
    EXPECT_EQ(env.readFile("a.ini"), "[Common]\r\nx=1\r\n[PhoneBook]\r\nAnna=1\r\n" + W("Яша") +
                                         "=\" 2\"\r\n\r\n[Tail]\r\nz=9\r\n");
    ASSERT_TRUE(ini.writeSection("New", {{"k", "v"}}));
    EXPECT_EQ(ini.readString("New", "k", ""), "v");
    // One bad name refuses the whole section.
    std::string before = env.readFile("a.ini");
    EXPECT_FALSE(ini.writeSection("PhoneBook", {{"Anna", "1"}, {";x", "2"}}));
    EXPECT_EQ(env.readFile("a.ini"), before);
}

}  // namespace
