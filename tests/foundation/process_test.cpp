#include "platform/process.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
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

TEST(ShellOpen, MissingOrNotExecutableIsBelow32) {
    TestEnv env;
    EXPECT_LT(shellOpen("celltalk.exe", "oper \"a\"", "", SW_SHOWNORMAL), 32);
    env.writeFile("celltalk", "not a program");
    ::chmod(env.path("celltalk").c_str(), 0644);
    EXPECT_LT(shellOpen("celltalk.exe", "oper \"a\"", "", SW_SHOWNORMAL), 32);
}

TEST(ShellOpen, BrokenInterpreterIsReportedAsFailure) {
    TestEnv env;
    env.writeFile("celltalk", "#!/nonexistent/interpreter\n", false);
    ::chmod(env.path("celltalk").c_str(), 0755);
    EXPECT_LT(shellOpen("celltalk.exe", "oper \"a\"", "", SW_SHOWNORMAL), 32);
}

}  // namespace
