// One copy of the program per folder.

#include "app/folderlock.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "mainfixture.h"

namespace {

using td::test::W;

TEST(FolderLock, ASecondCopyIsToldWhoHoldsTheFolder) {
    td::test::qtApp();
    td::test::TestEnv env;
    const qint64 self = ::getpid();
    {
        td::FolderLock first(env.dir);
        ASSERT_TRUE(first.claim(nullptr));
        struct Case {
            bool answer;  // Yes: bring the running copy forward
            std::vector<qint64> forwarded;
        } cases[] = {{true, {self}}, {false, {}}};
        for (const Case& c : cases) {
            env.dialogs.questions.clear();
            env.dialogs.answers = {c.answer};
            td::FolderLock second(env.dir);
            std::vector<qint64> forwarded;
            EXPECT_FALSE(second.claim([&](qint64 pid) { forwarded.push_back(pid); }));
            ASSERT_EQ(env.dialogs.questions.size(), 1u);
            EXPECT_NE(env.dialogs.questions[0].find(W("процесс ") + std::to_string(self)),
                      std::string::npos);
            EXPECT_EQ(forwarded, c.forwarded);
        }
    }
    // Once the first copy has ended, the folder is free again.
    env.dialogs.questions.clear();
    td::FolderLock later(env.dir);
    EXPECT_TRUE(later.claim(nullptr));
    EXPECT_TRUE(env.dialogs.questions.empty());
}

}  // namespace
