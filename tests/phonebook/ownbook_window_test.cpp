// The own phone book window keeps what the user typed when it cannot be saved.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "engine/settings.h"
#include "phonebook/TpdPBook.h"
#include "platform/cp1251.h"
#include "support/fakes.h"
#include "support/widgets.h"
#include "widgets/stringgrid.h"

namespace {

using td::test::TestEnv;
using td::test::W;

struct OwnBookWindow : ::testing::Test {
    TestEnv env;
    TForm3 form;
    StringGrid* grid = td::test::child<StringGrid>(form, "StringGridPhoneBook");

    void type(int row, const std::string& name, const std::string& number) {
        grid->setCell(0, row, name);
        grid->setCell(1, row, number);
    }
};

TEST_F(OwnBookWindow, FailedSaveKeepsEveryTypedRowAndSaysSo) {
    env.writeFile("tapdeck.ini", "[PhoneBook]\nAnn=111\n");
    form.FormActivate();
    type(2, "Bob", "222");
    type(3, "Eve", "333");
    ::chmod(env.path("tapdeck.ini").c_str(), 0444);
    form.bbSaveClick();
    ASSERT_EQ(env.dialogs.messages.size(), 1u);
    EXPECT_NE(env.dialogs.messages[0].find("tapdeck.ini"), std::string::npos);
    EXPECT_EQ(grid->cell(0, 2), "Bob");
    EXPECT_EQ(grid->cell(1, 3), "333");

    // Deleting a row cannot be saved either: the grid stays as the user left it.
    form.StringGridPhoneBookSelectCell(0, 1);
    env.dialogs.answers = {true};
    form.bbDeleteClick();
    EXPECT_EQ(grid->cell(0, 2), "Bob");
    EXPECT_EQ(grid->cell(0, 3), "Eve");
    EXPECT_EQ(env.readFile("tapdeck.ini"), "[PhoneBook]\r\nAnn=111\r\n");
}

TEST_F(OwnBookWindow, NameTheIniCannotHoldIsRefusedWithItsRow) {
    env.writeFile("tapdeck.ini", "[PhoneBook]\nAnn=111\n");
    form.FormActivate();
    type(2, "[Office]", "222");
    form.bbSaveClick();
    ASSERT_EQ(env.dialogs.messages.size(), 1u);
    EXPECT_NE(env.dialogs.messages[0].find(W("в строке 2")), std::string::npos);
    EXPECT_EQ(grid->cell(0, 2), "[Office]");
    EXPECT_EQ(env.readFile("tapdeck.ini"), "[PhoneBook]\r\nAnn=111\r\n");
    // Mended, it saves.
    type(2, "Office", "222");
    form.bbSaveClick();
    EXPECT_EQ(env.readFile("tapdeck.ini"), "[PhoneBook]\r\nAnn=111\r\nOffice=222\r\n");
}

}  // namespace
