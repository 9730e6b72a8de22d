#include "platform/process.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/files.h"
#include "support/fakes.h"

using namespace td;
using td::test::TestEnv;
using td::test::W;

namespace {

TEST(SplitParameters, Table) {
    struct Case {
        std::string in;
        std::vector<std::string> out;
    } cases[] = {
        {"oper \"x\"", {"oper", "x"}},
        {"oper \"Набрать номер (ввод) и звонить\" \"89161234567\"",
         {"oper", "Набрать номер (ввод) и звонить", "89161234567"}},
        {"oper \"s\" \" 1 2\" \"a;b $(id) `id` | > <\"",
         {"oper", "s", " 1 2", "a;b $(id) `id` | > <"}},
        {"oper \"\"", {"oper", ""}},
        {"  a   b  ", {"a", "b"}},
        {"a\"b c\"d", {"ab cd"}},
        {"\"unterminated text", {"unterminated text"}},
        {"back\\slash \"x\\\"", {"back\\slash", "x\\"}},
        {"", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(splitParameters(c.in), c.out) << c.in;
}

// A stand-in engine that writes each argument on its own line.
void writeEchoEngine(const TestEnv& env, const std::string& name) {
    env.writeFile(name,
                  "#!/bin/sh\nprintf '%s\\n' \"$@\" > args.out.tmp && mv args.out.tmp args.out\n",
                  false);
    ::chmod(env.path(name).c_str(), 0755);
}

std::string waitForFile(const TestEnv& env, const std::string& name) {
    for (int i = 0; i < 500 && !env.exists(name); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return env.readFile(name);
}

TEST(ShellOpen, StartsTheExecutableBesideTheExeNameWithLiteralArguments) {
    TestEnv env;
    writeEchoEngine(env, "celltalk");
    std::string params = W("oper \"Отправить; $(touch pwned) `touch pwned2`\" \"Привет \"");
    ASSERT_GT(shellOpen("celltalk.exe", params, "", SW_SHOWNORMAL), 32);
    std::string got = waitForFile(env, "args.out");
    EXPECT_EQ(got, "oper\n" + W("Отправить; $(touch pwned) `touch pwned2`\nПривет \n"));
    EXPECT_FALSE(env.exists("pwned"));
    EXPECT_FALSE(env.exists("pwned2"));
}

TEST(ShellOpen, PrefersARealExeFile) {
    TestEnv env;
    writeEchoEngine(env, "celltalk.exe");
    ASSERT_GT(shellOpen("celltalk.exe", "oper \"a\"", "", SW_SHOWNORMAL), 32);
    EXPECT_EQ(waitForFile(env, "args.out"), "oper\na\n");
}

// Sets PATH for one test and puts the old value back.
class ScopedPath {
  public:
    explicit ScopedPath(const std::string& value) {
        const char* old = std::getenv("PATH");
        had_ = old != nullptr;
        if (had_) old_ = old;
        ::setenv("PATH", value.c_str(), 1);
    }
    ~ScopedPath() {
        if (had_)
            ::setenv("PATH", old_.c_str(), 1);
        else
            ::unsetenv("PATH");
    }

  private:
    bool had_ = false;
    std::string old_;
};

// Nothing there is "not found"; a file there that may not be run, in either
// form of the name and in the folder asked for, is "no permission".
TEST(ShellOpen, MissingOrNotExecutableTellsWhich) {
    struct Case {
        const char* present;  // written without the right to run it
        const char* dir;      // the folder asked for, under the test's folder
        int code;
    } cases[] = {
        {nullptr, "", kOpenFileNotFound},        {"celltalk", "", kOpenAccessDenied},
        {"celltalk.exe", "", kOpenAccessDenied}, {"sub/celltalk", "sub", kOpenAccessDenied},
        {"celltalk", "sub", kOpenFileNotFound},
    };
    for (const Case& c : cases) {
        TestEnv env;
        ScopedPath path(env.dir + "/empty-bin");  // an installed engine must not answer here
        ::mkdir(env.path("sub").c_str(), 0755);
        if (c.present) {
            env.writeFile(c.present, "not a program");
            ::chmod(env.path(c.present).c_str(), 0644);
        }
        const std::string dir = *c.dir ? env.path(c.dir) : "";
        EXPECT_EQ(shellOpen("celltalk.exe", "oper \"a\"", dir, SW_SHOWNORMAL), c.code)
            << (c.present ? c.present : "nothing") << " in '" << c.dir << "'";
    }
}

TEST(ShellOpen, BrokenInterpreterIsReportedAsFailure) {
    TestEnv env;
    ScopedPath path(env.dir + "/empty-bin");
    env.writeFile("celltalk", "#!/nonexistent/interpreter\n", false);
    ::chmod(env.path("celltalk").c_str(), 0755);
    EXPECT_LT(shellOpen("celltalk.exe", "oper \"a\"", "", SW_SHOWNORMAL), 32);
}

// Executables in bin1 and bin2 of a test folder, and things that are not.
void makeExecutable(const TestEnv& env, const std::string& name, mode_t mode = 0755) {
    env.writeFile(name, "#!/bin/sh\n", false);
    ::chmod(env.path(name).c_str(), mode);
}

TEST(FindOnPath, TakesTheFirstExecutableInAnAbsoluteFolder) {
    TestEnv env;
    makeExecutable(env, "bin1/plain", 0644);
    makeExecutable(env, "bin2/plain");
    makeExecutable(env, "bin2/celltalk");
    makeExecutable(env, "bin1/celltalk");
    files::makeDir(env.path("bin1/folder"));
    files::setCurrentDir(env.dir);
    makeExecutable(env, "rel");
    const std::string b1 = env.dir + "/bin1", b2 = env.dir + "/bin2";
    struct Case {
        std::string name, path, found;
    } cases[] = {
        {"celltalk", b1 + ":" + b2, b1 + "/celltalk"},
        {"celltalk", b2 + ":" + b1, b2 + "/celltalk"},
        {"plain", b1 + ":" + b2, b2 + "/plain"},  // not executable in bin1
        {"folder", b1, ""},                       // a folder is no program
        {"missing", b1 + ":" + b2, ""},
        {"celltalk", "", ""},
        {"celltalk", "::" + b2 + ":", b2 + "/celltalk"},
        {"rel", ":.:" + b1, ""},         // empty and relative entries are skipped
        {"bin1/celltalk", env.dir, ""},  // only bare names are looked up
        {"", b1, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(findOnPath(c.name, c.path), c.found) << c.name << " in " << c.path;
}

TEST(ResolveExecutable, TheFolderComesFirstThenThePathWithoutExe) {
    TestEnv env;
    makeExecutable(env, "bin/celltalk");
    makeExecutable(env, "bin/celltalk.exe");
    ScopedPath path(env.dir + "/bin");
    EXPECT_EQ(resolveExecutable("celltalk.exe", ""), env.dir + "/bin/celltalk");
    makeExecutable(env, "celltalk");
    EXPECT_EQ(resolveExecutable("celltalk.exe", ""), env.dir + "/celltalk");
    makeExecutable(env, "celltalk.exe");
    EXPECT_EQ(resolveExecutable("celltalk.exe", ""), env.dir + "/celltalk.exe");
    // A path with a folder is taken as it is, never looked up on the PATH.
    EXPECT_EQ(resolveExecutable(env.dir + "/nothing/celltalk.exe", ""), "");
}

TEST(ShellOpen, StartsTheEngineFoundOnThePathInTheWorkingFolder) {
    TestEnv env;
    writeEchoEngine(env, "bin/celltalk");
    ScopedPath path(env.dir + "/bin:/usr/bin:/bin");  // the stand-in needs mv
    ASSERT_GT(shellOpen("celltalk.exe", W("oper \"Все SMS\""), "", SW_SHOWNORMAL), 32);
    // The engine runs in the program's folder: its answer file appears there.
    EXPECT_EQ(waitForFile(env, "args.out"), "oper\n" + W("Все SMS\n"));
}

}  // namespace

namespace {

// A program run to its end: its output and exit code, waiting in slices.
TEST(RunForOutput, CollectsTheOutputAndTheExitCode) {
    struct Case {
        const char* file;
        const char* params;
        int code;
        std::string output;
    } cases[] = {
        {"/bin/echo", "one \"two words\"", 0, "one two words\n"},
        {"/bin/false", "", 1, ""},
        {"/nonexistent/program", "", -1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::string output = "old";
        auto wait = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
        EXPECT_EQ(td::runForOutput(c.file, c.params, "", output, wait), c.code);
        EXPECT_EQ(output, c.output);
    }
}

}  // namespace
