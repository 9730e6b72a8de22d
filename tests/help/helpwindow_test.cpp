#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>

#include "engine/settings.h"
#include "help/ShowHelp.h"
#include "platform/qtservices.h"
#include "support/fakes.h"
#include "support/qtapp.h"
#include "support/widgets.h"

using td::test::child;

namespace {

class HelpWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { td::test::qtApp(); }
    td::test::TestEnv env;
};

int lineCount(const TForm11& w) {
    return child<QPlainTextEdit>(w, "MemoShowHelp")->document()->blockCount();
}

}  // namespace

TEST_F(HelpWindowTest, TextIsRebuiltAtEachShowingFromTheSwitchesInForce) {
    TForm11 w;
    w.FormActivate();
    EXPECT_EQ(lineCount(w), 33);
    w.FormActivate();  // shown twice: the text is there once
    EXPECT_EQ(lineCount(w), 33);
    td::prog().PBookRead = "NO";
    w.show();  // showing builds the text too
    EXPECT_EQ(lineCount(w), 30);
    w.hide();
    EXPECT_TRUE(child<QPlainTextEdit>(w, "MemoShowHelp")->isReadOnly());
}

TEST_F(HelpWindowTest, FixedClientSizeAndControls) {
    TForm11 w;
    w.show();
    EXPECT_EQ(w.size(), QSize(639, 483));
    w.resize(800, 600);
    EXPECT_EQ(w.size(), QSize(639, 483));
    EXPECT_TRUE(child<QPushButton>(w, "bbCloseShowHelp")->isHidden());
}

TEST_F(HelpWindowTest, SavingWritesTheProgramNamedFileInWindows1251) {
    auto& p = td::prog();
    p.ProgName = "phone2";
    p.ProgVersion = td::AltVersion;
    TForm11 w;
    w.FormActivate();
    EXPECT_EQ(lineCount(w), 30);
    child<QPushButton>(w, "bbSaveShowHelp")->click();
    std::string bytes = env.readFile("phone2.txt");
    ASSERT_FALSE(bytes.empty());
    std::string second = td::test::W(
        "  Программа phone2 демонстрирует использование CellTalk для работы с мобильным "
        "телефоном");
    EXPECT_NE(bytes.find("\r\n" + second + "\r\n"), std::string::npos);
    size_t lines = 0;
    for (size_t i = 0; (i = bytes.find("\r\n", i)) != std::string::npos; i += 2) ++lines;
    EXPECT_EQ(lines, 30u);
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
    // Saving again replaces the file.
    child<QPushButton>(w, "bbSaveShowHelp")->click();
    EXPECT_EQ(env.readFile("phone2.txt"), bytes);
}
