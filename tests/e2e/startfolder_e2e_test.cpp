// The tapdeck program started as a user starts it: from a folder of its own
// it stays there; from anywhere else it works in the per-user folder, made
// from the templates beside the build's programs (build/share/tapdeck).

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace {

namespace fs = std::filesystem;

struct Scratch {
    fs::path dir;
    Scratch() {
        char tmpl[] = "/tmp/tapdeck-start-XXXXXX";
        dir = ::mkdtemp(tmpl);
    }
    ~Scratch() { fs::remove_all(dir); }
};

// Runs the program in `cwd` with HOME and the given extra variables until it
// has saved its screenshot and closed; its exit code (-1 when it was killed).
int runTapdeck(const fs::path& cwd, const fs::path& home, const fs::path& shot,
               const std::map<std::string, std::string>& extra) {
    pid_t pid = ::fork();
    if (pid == 0) {
        ::chdir(cwd.c_str());
        ::unsetenv("XDG_DATA_HOME");
        ::setenv("HOME", home.c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        fs::path runtime = home.parent_path() / "run";
        fs::create_directories(runtime);
        fs::permissions(runtime, fs::perms::owner_all);
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        ::setenv("TAPDECK_SCREENSHOT", shot.c_str(), 1);
        for (const auto& [k, v] : extra) ::setenv(k.c_str(), v.c_str(), 1);
        ::alarm(60);  // a program stuck in a message box is ended
        ::execl(TAPDECK_BIN, "tapdeck", nullptr);
        ::_exit(121);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string read(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

TEST(StartFolder, WhereTheProgramWorks) {
    struct Case {
        const char* what;
        bool ownIni;       // the start folder holds tapdeck.ini
        bool xdgDataHome;  // XDG_DATA_HOME is set
    } cases[] = {
        {"started in its own folder", true, false},
        {"started elsewhere", false, false},
        {"started elsewhere with XDG_DATA_HOME", false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Scratch t;
        fs::path start = t.dir / "start", home = t.dir / "home", shot = t.dir / "shot.png";
        fs::create_directories(start);
        fs::create_directories(home);
        if (c.ownIni) {
            for (const char* f : {"tapdeck.ini", "celltalk.ini"})
                fs::copy_file(fs::path(DEMO_DIR) / f, start / f);
        }
        std::map<std::string, std::string> extra;
        if (c.xdgDataHome) extra["XDG_DATA_HOME"] = (t.dir / "data").string();
        ASSERT_EQ(runTapdeck(start, home, shot, extra), 0);
        EXPECT_GT(fs::file_size(shot), 0u);

        fs::path user =
            c.xdgDataHome ? t.dir / "data" / "tapdeck" : home / ".local" / "share" / "tapdeck";
        if (c.ownIni) {
            EXPECT_FALSE(fs::exists(home / ".local"));
            // It ran there: the first activation wrote its operations ini's name.
            EXPECT_NE(read(start / "tapdeck.ini").find("ModelIni=celltalk.ini"), std::string::npos);
        } else {
            EXPECT_TRUE(fs::is_empty(start));
            for (const char* f : {"tapdeck.ini", "celltalk.ini", "DelSMS.txt"})
                EXPECT_TRUE(fs::exists(user / f)) << f;
            EXPECT_TRUE(fs::is_directory(user / "AutoRun"));
            EXPECT_NE(read(user / "tapdeck.ini").find("ModelIni=celltalk.ini"), std::string::npos);
        }
    }
}

// A first start from the templates has all a phone check needs: the program
// checks the simulated phone with the engine beside it.
TEST(StartFolder, TheTemplatesAreEnoughForAPhoneCheck) {
    Scratch t;
    fs::path start = t.dir / "start", home = t.dir / "home", report = t.dir / "check.txt";
    fs::create_directories(start);
    fs::create_directories(home);
    const std::string bin = fs::path(TAPDECK_BIN).parent_path().string();
    const char* path = std::getenv("PATH");
    ASSERT_EQ(runTapdeck(start, home, {},
                         {{"TAPDECK_SCREENSHOT", ""},
                          {"TAPDECK_PHONECHECK", report.string()},
                          {"PATH", bin + ":" + (path ? path : "/usr/bin:/bin")}}),
              0);
    const std::string shown = read(report);
    EXPECT_EQ(shown.rfind("Текущие характеристики мобильного телефона\nMOTOROLA\nC650\n", 0), 0u)
        << shown;
    EXPECT_TRUE(fs::exists(home / ".local/share/tapdeck/AutoRun/LastProp.txt"));
}

// The installed templates are the demo's files byte for byte, except that
// tapdeck.ini has no key=value line in its sample sections: every section,
// every other line and the CR LF line ends stay.
TEST(StartFolder, TemplatesAreTheDemoLessItsSampleData) {
    const fs::path templates = fs::path(TAPDECK_BIN).parent_path().parent_path() / "share/tapdeck";
    for (const auto& entry : fs::directory_iterator(DEMO_DIR)) {
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        std::string expected = read(entry.path());
        if (name == "tapdeck.ini") {
            std::string kept;
            bool sample = false;
            for (size_t at = 0; at < expected.size();) {
                size_t end = expected.find('\n', at);
                end = end == std::string::npos ? expected.size() : end + 1;
                const std::string line = expected.substr(at, end - at);
                at = end;
                if (line.starts_with("["))
                    sample = line.starts_with("[PhoneBook]") || line.starts_with("[History]") ||
                             line.starts_with("[RusHistory]");
                else if (sample && line.find('=') != std::string::npos)
                    continue;
                kept += line;
            }
            ASSERT_NE(kept.find("[CheckProper]\r\n0="), std::string::npos);
            expected = kept;
        }
        EXPECT_EQ(read(templates / name), expected);
    }
}

}  // namespace
