// One copy of each program per folder.

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
        td::FolderLock first(env.dir, "tapdeck");
        ASSERT_TRUE(first.claim(nullptr));
        struct Case {
            bool answer;  // Yes: bring the running copy forward
            std::vector<qint64> forwarded;
        } cases[] = {{true, {self}}, {false, {}}};
        for (const Case& c : cases) {
            env.dialogs.questions.clear();
            env.dialogs.answers = {c.answer};
            td::FolderLock second(env.dir, "Tapdeck");
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
    td::FolderLock later(env.dir, "tapdeck");
    EXPECT_TRUE(later.claim(nullptr));
    EXPECT_TRUE(env.dialogs.questions.empty());
}

// A satellite copy (a multi-phone set-up: phone2 beside tapdeck)
// holds a lock of its own: it starts without a word, and only a second copy
// of the same name is told to close.
TEST(FolderLock, EachProgramNameHoldsItsOwnLock) {
    td::test::qtApp();
    td::test::TestEnv env;
    EXPECT_EQ(td::FolderLock::fileName("tapdeck"), "tapdeck.lock");
    EXPECT_EQ(td::FolderLock::fileName("Phone2"), "phone2.lock");
    td::FolderLock main(env.dir, "tapdeck");
    ASSERT_TRUE(main.claim(nullptr));
    td::FolderLock satellite(env.dir, "phone2");
    EXPECT_TRUE(satellite.claim(nullptr));
    EXPECT_TRUE(env.dialogs.questions.empty());
    env.dialogs.answers = {false};
    td::FolderLock again(env.dir, "PHONE2");
    EXPECT_FALSE(again.claim(nullptr));
    EXPECT_EQ(env.dialogs.questions.size(), 1u);
}

}  // namespace
