// The SMS list reader, the single and the group delete and the save command
// against a fake engine on virtual time and a recording list view.

#include "sms/smsreader.h"

#include <gtest/gtest.h>

#include "engine/settings.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "support/fakes.h"
#include "support/readview.h"

namespace {

using td::ReadOutcome;
using td::test::TestEnv;
using td::test::W;

struct ListView : td::sms::SmsListView, td::test::RecordingReadView {
    std::vector<td::sms::SmsRow> rows;
    int clears = 0, fills = 0, selectionClears = 0;
    td::ReadView& readView() override { return *this; }
    void clearList() override {
        ++clears;
        rows.clear();
    }
    void showRows(const std::vector<td::sms::SmsRow>& r) override {
        ++fills;
        rows = r;
    }
    void clearSelection() override { ++selectionClears; }
};

std::string record(int index, const std::string& number, const std::string& text) {
    return "+CMGL=" + std::to_string(index) + ",\"STO SENT\",\"" + number + "\"}" + text;
}

// A folder with the demo-like operations, and a fake engine that answers
// every start with the given result file a moment later.
struct Harness {
    TestEnv env;
    ListView view;
    int reSendCleared = 0;
    td::sms::SmsReader reader;

    Harness() {
        td::Prog& p = td::prog();
        p.OperIniName = "ops.ini";
        p.SentSMSName = "Sent";
        p.AllSMSName = "All";
        p.DeleteSMSName = "Delete";
        td::IniFile ops(env.path("ops.ini"));
        ops.writeString("Operations", "Sent", "at+cmgl=\"STO SENT\"");
        ops.writeString("Operations", "All", "at+cmgl=\"ALL\"");
        ops.writeString("Operations", "Delete", W("at+cmgd=№|!bat\"DelSMS.txt\""));
        reader.hooks().clearReSendList = [this] { ++reSendCleared; };
        env.writeFile("AutoRun/LastPBook.txt", "Анна=+79161234567\nBob=222");
    }
    // The engine runs 1 s after each start and leaves `lines` as the list.
    void engineAnswers(const std::vector<std::string>& lines) {
        env.starter.onStart = [this, lines](const td::test::StartRecord&) {
            env.pump.after(100, [this] { env.writeFile("celltalk.run", ""); });
            env.pump.after(1000, [this, lines] {
                std::vector<std::string> l = lines;
                l.push_back("OK");
                td::files::writeLines(env.path("AutoRun/LastRun.sms"), l);
                env.writeFile("AutoRun/LastRun.log", "log");
                td::files::remove(env.path("celltalk.run"));
            });
        };
    }
    ReadOutcome refresh(const std::string& kind = "Sent-") {
        reader.flags().update = true;
        ReadOutcome o = reader.ReadSMS(view, "Sent", "", kind, td::sms::sentTexts());
        reader.flags().update = false;
        return o;
    }
    // The window of this kind shows a list read from the phone, as before
    // a delete; the start of that read is forgotten.
    void readFresh(const std::string& kind,
                   const std::vector<std::string>& lines = {record(4, "555", "Hi")}) {
        engineAnswers(lines);
        refresh(kind);
        env.starter.starts.clear();
        view.caption = td::RefreshCaption();
    }
    ReadOutcome lastCopy(const std::string& kind = "Sent-") {
        return reader.lastCopyClick(view, "Sent", kind, td::sms::sentTexts());
    }
};

TEST(SmsReader, RefreshShowsThePhonesListWithNames) {
    Harness h;
    h.reader.chosen().index = "4";
    h.engineAnswers(
        {"at+cmgl=\"STO SENT\"", record(4, "+79161234567", "Hi"), record(9, "555", "\"Quoted\"")});
    EXPECT_EQ(h.refresh(), ReadOutcome::Parsed);
    ASSERT_EQ(h.view.rows.size(), 2u);
    EXPECT_EQ(h.view.rows[0].who, W("Анна"));
    EXPECT_EQ(h.view.rows[1].who, "555");
    EXPECT_EQ(h.view.rows[1].text, "Quoted");
    EXPECT_EQ(h.reader.rowIndexes(), (std::vector<std::string>{"4", "9"}));
    EXPECT_EQ(h.view.status, W("Текущий список SMS из мобильного телефона"));
    EXPECT_TRUE(h.reader.listFresh());
    EXPECT_TRUE(h.reader.chosen().index.empty());
    EXPECT_EQ(h.reSendCleared, 1);
    EXPECT_EQ(h.view.selectionClears, 1);
    // The last copy holds the result's lines, echo and final result included.
    std::vector<std::string> copy;
    td::files::readLines(h.env.path("AutoRun/Sent-LastRun.sms"), copy);
    EXPECT_EQ(copy.size(), 4u);

    // The copy shows the same rows later, without the phone.
    h.view.rows.clear();
    EXPECT_EQ(h.lastCopy(), ReadOutcome::LastCopyShown);
    EXPECT_EQ(h.view.rows.size(), 2u);
    EXPECT_EQ(h.reader.rowIndexes().size(), 2u);
    EXPECT_FALSE(h.reader.listFresh());
    EXPECT_EQ(h.env.starter.starts.size(), 1u);
}

TEST(SmsReader, EveryMessageGetsARowAndAnIndex) {
    Harness h;
    std::vector<std::string> lines;
    for (int i = 1; i <= 35; ++i) lines.push_back(record(i, "1" + std::to_string(i), "m"));
    h.engineAnswers(lines);
    h.refresh();
    EXPECT_EQ(h.view.rows.size(), 35u);
    EXPECT_EQ(h.reader.rowIndexes().size(), 35u);
    EXPECT_EQ(h.reader.rowIndexes().back(), "35");
}

TEST(SmsReader, BadResultFiles) {
    const std::string big(1 << 20, 'b');
    std::vector<std::string> many;
    for (int i = 0; i < 10000; ++i) many.push_back(record(i % 9999 + 1, "7", "t"));
    struct {
        const char* why;
        std::vector<std::string> lines;
        std::size_t rows;
    } cases[] = {
        {"NUL bytes", {std::string("\0\0+CMGL=1,\"A\",\"1\"}x\0y", 21), std::string(40, '\0')}, 1},
        {"a megabyte line", {record(1, "1", big), big}, 1},
        {"ten thousand records", many, 10000},
        {"no brace", {"+CMGL=2,\"STO SENT\",\"12345\",,"}, 1},
        {"no fields", {std::string(30, '.') + "+CMGL="}, 1},
        {"only an echo", {"at+cmgl=\"STO SENT\"", "at+cmgl=\"STO SENT\""}, 0},
    };
    for (const auto& c : cases) {
        Harness h;
        h.engineAnswers(c.lines);
        EXPECT_EQ(h.refresh(), ReadOutcome::Parsed) << c.why;
        EXPECT_EQ(h.view.rows.size(), c.rows) << c.why;
        EXPECT_EQ(h.reader.rowIndexes().size(), c.rows) << c.why;
        EXPECT_EQ(h.view.status, W("Текущий список SMS из мобильного телефона")) << c.why;
        EXPECT_LT(h.env.pump.now, 30000) << c.why;
    }
}

TEST(SmsReader, LastCopyDuringAReadShowsTheCopyThenTheNewList) {
    Harness h;
    h.env.writeFile("AutoRun/Sent-LastRun.sms", record(7, "7", "old") + "\n");
    h.engineAnswers({record(8, "8", "new")});
    std::string seenDuring;
    h.env.pump.at(4000, [&] {
        h.lastCopy();
        seenDuring = h.view.rows.empty() ? "" : h.view.rows[0].text;
    });
    EXPECT_EQ(h.refresh(), ReadOutcome::Parsed) << "the read went on";
    EXPECT_EQ(seenDuring, "old");
    ASSERT_EQ(h.view.rows.size(), 1u);
    EXPECT_EQ(h.view.rows[0].text, "new");
    EXPECT_EQ(h.reader.rowIndexes(), std::vector<std::string>{"8"});
}

TEST(SmsReader, NoLastCopyAndEmptyLastCopy) {
    Harness h;
    EXPECT_EQ(h.lastCopy("UnRead-"), ReadOutcome::NoLastCopy);
    EXPECT_EQ(h.view.status, W("- Нет файла с последней копией SMS - нажмите \"Обновить\""));
    h.env.writeFile("AutoRun/UnRead-LastRun.sms", "");
    h.view.status = "kept";
    EXPECT_EQ(h.lastCopy("UnRead-"), ReadOutcome::LastCopyEmpty);
    EXPECT_EQ(h.view.status, "kept");
    EXPECT_EQ(h.view.fills, 0);
}

// ---- deletes ------------------------------------------------------------

struct DeleteCase {
    const char* why;
    std::string caption = td::RefreshCaption();  // the delete button's
    bool busy = false;
    std::string index = "4";
    bool fresh = true;
    std::vector<bool> answers;
    bool started = false;
    std::vector<std::string> messages = {};
};

TEST(SmsReader, SingleDelete) {
    DeleteCase cases[] = {
        {"deleted", W("Удалить"), false, "4", true, {true}, true},
        {"engine busy",
         W("Удалить"),
         true,
         "4",
         true,
         {},
         false,
         {W("- Пожалуйста, дождитесь завершения предшествующей операции\rили "
            "закройте/остановите программу CellTalk")}},
        {"abort click", W("Прервать"), false, "4", true, {}, false},
        {"nothing selected",
         W("Удалить"),
         false,
         "",
         true,
         {},
         false,
         {W("- Выберите, пожалуйста SMS для удаления")}},
        {"stale list declined", W("Удалить"), false, "4", false, {false}, false},
        {"stale list accepted", W("Удалить"), false, "4", false, {true, true}, true},
        {"final question declined", W("Удалить"), false, "4", true, {false}, false},
    };
    for (const DeleteCase& c : cases) {
        Harness h;
        if (c.fresh) h.readFresh("Sent-");
        h.view.caption = c.caption;
        if (c.busy) h.env.writeFile("celltalk.run", "");
        h.reader.chosen().index = c.index;
        h.reader.setListFresh(c.fresh);
        h.reader.chosen().text = "Hi";
        h.reader.chosen().who = "Anna";
        h.env.dialogs.answers.assign(c.answers.begin(), c.answers.end());
        h.engineAnswers({record(5, "555", "left")});
        td::sms::DeleteRequest req{"Sent", "Sent-", td::sms::sentTexts(), nullptr};
        td::sms::deleteClick(h.reader, h.view, req);
        EXPECT_EQ(h.env.dialogs.messages, c.messages) << c.why;
        EXPECT_TRUE(h.env.dialogs.answers.empty()) << c.why;
        ASSERT_EQ(h.env.starter.starts.size(), c.started ? 1u : 0u) << c.why;
        EXPECT_EQ(h.view.caption, W("Удалить")) << c.why;
        EXPECT_FALSE(h.reader.flags().update) << c.why;
        if (c.started) {
            EXPECT_EQ(h.env.starter.params()[0], W("oper \"Delete\" \"4\""));
            EXPECT_EQ(h.env.readFile("DELSMS.TXT"), "at+cmgl=\"STO SENT\"\r\n");
            EXPECT_EQ(h.view.rows.size(), 1u) << "the list read after the delete";
            EXPECT_EQ(h.view.hint, W("Удалить SMS из телефона"));
            EXPECT_NE(
                h.env.dialogs.questions.back().find("\"Hi\"\r(" + W("абонент") + " \"Anna\")"),
                std::string::npos);
        }
        if (c.caption == W("Прервать") || (!c.fresh && !c.started)) {
            EXPECT_TRUE(h.reader.flags().abort) << c.why;
        }
    }
}

// A message the list joined from several stored parts is deleted whole.
TEST(SmsReader, SingleDeleteRemovesEveryPartOfAJoinedMessage) {
    Harness h;
    h.readFresh("Sent-", {"+CMGL=4,\"STO SENT\",\"555\",parts:6;4;7}Hi", record(5, "555", "m")});
    h.reader.chosen().index = "4";
    h.reader.setListFresh(true);
    h.env.dialogs.answers = {true};
    td::sms::DeleteRequest req{"Sent", "Sent-", td::sms::sentTexts(), nullptr};
    td::sms::deleteClick(h.reader, h.view, req);
    ASSERT_EQ(h.env.starter.starts.size(), 1u);
    EXPECT_EQ(h.env.starter.params()[0], W("oper \"Delete\" \"4\""));
    EXPECT_EQ(h.env.readFile("DELSMS.TXT"), "at+cmgd=6|at+cmgd=7|at+cmgl=\"STO SENT\"\r\n");
}

TEST(SmsReader, GroupDeleteDeletesTheMarkedMessagesInOneRun) {
    struct {
        const char* why;
        std::vector<std::string> marks;
        std::string selected;
        std::string argument, batch;
        std::string count;
    } cases[] = {
        {"rows 2, 4, 5 marked, 5 selected",
         {"2", "4", "5"},
         "5",
         "5",
         "at+cmgd=2|at+cmgd=4|at+cmgl=\"ALL\"\r\n",
         "3"},
        {"selected row not marked", {"2", "4"}, "7", "4", "at+cmgd=2|at+cmgl=\"ALL\"\r\n", "2"},
        {"only the selected marked", {"6"}, "6", "6", "at+cmgl=\"ALL\"\r\n", "1"},
        {"a message joined from parts 3, 8, 9 goes whole",
         {"3", "5"},
         "5",
         "5",
         "at+cmgd=3|at+cmgd=8|at+cmgd=9|at+cmgl=\"ALL\"\r\n",
         "2"},
        {"the joined message selected",
         {"3"},
         "3",
         "3",
         "at+cmgd=8|at+cmgd=9|at+cmgl=\"ALL\"\r\n",
         "1"},
    };
    for (const auto& c : cases) {
        Harness h;
        std::vector<std::string> phone;
        for (int i = 1; i <= 7; ++i) phone.push_back(record(i, "55" + std::to_string(i), "m"));
        phone[2] = "+CMGL=3,\"STO SENT\",\"553\",parts:3;8;9}m";
        h.readFresh("All-", phone);  // the same list again just before the delete
        h.reader.chosen().index = c.selected;
        h.reader.setListFresh(true);
        h.env.dialogs.answers = {true};
        int titles = 0;
        td::sms::GroupDeleteRequest req{c.marks, "at+cmgd=", [&] { ++titles; }, nullptr};
        td::sms::groupDeleteClick(h.reader, h.view, req);
        ASSERT_EQ(h.env.starter.starts.size(), 2u) << c.why << ": the list, then the delete";
        EXPECT_EQ(h.env.starter.params()[0], "oper \"All\"") << c.why;
        EXPECT_EQ(h.env.starter.params()[1], "oper \"Delete\" \"" + c.argument + "\"") << c.why;
        EXPECT_EQ(h.env.readFile("DELSMS.TXT"), c.batch) << c.why;
        ASSERT_EQ(h.env.dialogs.questions.size(), 1u);
        EXPECT_NE(h.env.dialogs.questions[0].find("  " + c.count + "  SMS"), std::string::npos)
            << c.why;
        EXPECT_EQ(titles, 1);
        EXPECT_EQ(h.view.caption, td::RefreshCaption()) << "the start button shows again";
        EXPECT_EQ(h.view.rows.size(), 7u);
    }
}

// A marked index that holds another message by the time of the delete (the
// slot was emptied on the handset and a new SMS came in) is left alone.
TEST(SmsReader, GroupDeleteSkipsMarksWhoseMessageChanged) {
    struct {
        const char* why;
        std::vector<std::string> now;  // the phone's list just before the delete
        std::string batch;             // empty: nothing deleted
        std::string told;
    } cases[] = {
        {"index 4 holds a new message",
         {record(2, "552", "m"), record(4, "999", "new"), record(5, "555", "m")},
         "at+cmgd=2|at+cmgl=\"ALL\"\r\n",
         ": 4"},
        {"index 2 emptied, 4 new text from the same sender",
         {record(4, "554", "other"), record(5, "555", "m"), record(9, "1", "x")},
         "at+cmgl=\"ALL\"\r\n",
         ": 2, 4"},
        {"all changed",
         {record(1, "1", "x"), record(3, "1", "x"), record(6, "1", "x")},
         "",
         ": 2, 4, 5"},
    };
    for (const auto& c : cases) {
        Harness h;
        h.readFresh("All-", {record(2, "552", "m"), record(4, "554", "m"), record(5, "555", "m")});
        h.reader.chosen().index = "5";
        h.reader.setListFresh(true);
        h.env.dialogs.answers = {true};
        h.engineAnswers(c.now);
        td::sms::GroupDeleteRequest req{{"2", "4", "5"}, "at+cmgd=", nullptr, nullptr};
        td::sms::groupDeleteClick(h.reader, h.view, req);
        ASSERT_EQ(h.env.dialogs.messages.size(), 1u) << c.why;
        EXPECT_NE(h.env.dialogs.messages[0].find(c.told), std::string::npos) << c.why;
        ASSERT_EQ(h.env.starter.starts.size(), c.batch.empty() ? 1u : 2u) << c.why;
        if (c.batch.empty()) continue;
        EXPECT_EQ(h.env.starter.params()[1], "oper \"Delete\" \"5\"") << c.why;
        EXPECT_EQ(h.env.readFile("DELSMS.TXT"), c.batch) << c.why;
    }
}

TEST(SmsReader, GroupDeleteRefusalsAndAbort) {
    {
        Harness h;
        h.reader.chosen().index = "3";
        td::sms::GroupDeleteRequest req{{}, "at+cmgd=", nullptr, nullptr};
        td::sms::groupDeleteClick(h.reader, h.view, req);
        EXPECT_EQ(
            h.env.dialogs.messages,
            (std::vector<std::string>{
                W("- Выберите, пожалуйста SMS для удаления (кликните в колонке \"Удалить\")")}));
        EXPECT_TRUE(h.env.starter.starts.empty());
    }
    {
        Harness h;
        h.reader.chosen().index = "3";
        h.reader.setListFresh(false);
        h.env.dialogs.answers = {false};
        td::sms::GroupDeleteRequest req{{"3"}, "at+cmgd=", nullptr, nullptr};
        td::sms::groupDeleteClick(h.reader, h.view, req);
        EXPECT_TRUE(h.env.starter.starts.empty());
        EXPECT_FALSE(h.env.exists("DELSMS.TXT")) << "nothing written for a declined stale list";
        EXPECT_TRUE(h.reader.flags().abort);
    }
    {
        Harness h;
        h.view.caption = td::AbortCaption();
        int cleared = 0;
        td::sms::GroupDeleteRequest req{{"3"}, "at+cmgd=", nullptr, [&] { ++cleared; }};
        td::sms::groupDeleteClick(h.reader, h.view, req);
        EXPECT_EQ(cleared, 1);
        EXPECT_TRUE(h.reader.flags().abort);
        EXPECT_EQ(h.view.caption, td::RefreshCaption());
    }
}

TEST(SmsReader, SaveCommand) {
    Harness h;
    h.env.clock.setLocal(2005, 12, 6, 14, 30, 5);
    td::clock().shortDateFormat = "dd/MM/yyyy";
    EXPECT_FALSE(td::sms::saveSmsList(h.reader, "Sent-")) << "nothing to save";

    h.env.writeFile("AutoRun/Sent-LastRun.sms", record(1, "1", "copy") + "\n");
    h.lastCopy();
    EXPECT_TRUE(td::sms::saveSmsList(h.reader, "Sent-"));
    EXPECT_EQ(h.env.readFile("AutoRun/06-12-2005 14-30-05Sent-LastRun.sms"),
              record(1, "1", "copy") + "\r\n");
    EXPECT_FALSE(h.reader.listFresh());

    h.engineAnswers({record(2, "2", "fresh")});
    h.refresh("All-");
    h.reader.setListFresh(false);
    h.env.clock.setLocal(2005, 12, 6, 14, 31, 0);
    EXPECT_TRUE(td::sms::saveSmsList(h.reader, "All-"));
    EXPECT_NE(h.env.readFile("AutoRun/06-12-2005 14-31-00All-LastRun.sms").find("fresh"),
              std::string::npos);
    EXPECT_TRUE(h.reader.listFresh());
    EXPECT_TRUE(h.env.dialogs.messages.empty());
}

// Each window saves the lines of its own list under its own kind, whatever
// was read last (another SMS window, the date book); and only a list read
// from the phone makes the stale-list warning go.
TEST(SmsReader, SaveWritesTheWindowsOwnListAfterAnotherRead) {
    Harness h;
    h.env.clock.setLocal(2005, 12, 6, 14, 30, 5);
    td::clock().shortDateFormat = "dd/MM/yyyy";
    h.env.writeFile("AutoRun/Sent-LastRun.sms", record(1, "1", "copy") + "\n");
    h.lastCopy("Sent-");
    h.engineAnswers({record(2, "2", "all list")});
    h.refresh("All-");
    h.reader.setListFresh(false);
    EXPECT_TRUE(td::sms::saveSmsList(h.reader, "Sent-"));
    EXPECT_EQ(h.env.readFile("AutoRun/06-12-2005 14-30-05Sent-LastRun.sms"),
              record(1, "1", "copy") + "\r\n");
    EXPECT_FALSE(h.env.exists("AutoRun/06-12-2005 14-30-05LastRun.sms"));
    EXPECT_FALSE(h.reader.listFresh()) << "the sent list shown is the last copy";

    // The sent window's delete asks about its stale list although the all
    // window's list was read from the phone.
    h.reader.setListFresh(true);
    h.reader.chosen().index = "1";
    h.env.dialogs.answers = {false};
    h.view.caption = W("Удалить");
    td::sms::deleteClick(h.reader, h.view, {"Sent", "Sent-", td::sms::sentTexts(), nullptr});
    ASSERT_EQ(h.env.dialogs.questions.size(), 1u);
    EXPECT_NE(h.env.dialogs.questions[0].find(W("не соответстует")), std::string::npos);
}

}  // namespace
