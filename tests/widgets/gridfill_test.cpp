// Filling a grid from a list: sized once, events between the rows as time
// passes, the counter following the rows and right at the end.

#include <gtest/gtest.h>

#include <QLabel>

#include "platform/cp1251.h"
#include "platform/qtservices.h"
#include "support/fakes.h"
#include "support/qtapp.h"
#include "widgets/gridview.h"
#include "widgets/stringgrid.h"

namespace {

struct FillCase {
    const char* name;
    int count;
    bool pumpEvents;
    int rowsAfter;  // grid rows, the title row included (designed: 4)
    int growths;    // times the grid grew
    const char* counter;
    int msPerRow;  // time each row takes
    int events;    // times events ran
};

void PrintTo(const FillCase& c, std::ostream* os) {
    *os << c.name;
}

class GridFill : public ::testing::TestWithParam<FillCase> {};

TEST_P(GridFill, SizedOnceEventsAsTimePasses) {
    td::test::qtApp();
    const FillCase& c = GetParam();
    td::test::TestEnv env;
    StringGrid grid(2, 4);
    QLabel counter("-");
    int growths = 0;
    QObject::connect(grid.model(), &QAbstractItemModel::rowsInserted, [&] { ++growths; });
    // Every time events run, the row just filled is in the grid already.
    int filled = 0, seenBehind = 0;
    env.pump.onEvents = [&] {
        if (grid.cell(0, filled).empty()) ++seenBehind;
    };
    td::fillGridRows(&grid, &counter, c.count, c.pumpEvents, [&](int row) {
        filled = row;
        env.pump.now += c.msPerRow;
        grid.setCell(0, row, "n" + std::to_string(row));
        grid.setCell(1, row, std::to_string(row));
    });
    EXPECT_EQ(grid.rows(), c.rowsAfter);
    EXPECT_EQ(growths, c.growths);
    EXPECT_EQ(counter.text().toStdString(), c.counter);
    EXPECT_EQ(env.pump.processEventsCalls, c.events);
    EXPECT_EQ(seenBehind, 0);
    if (c.count > 0) {
        EXPECT_EQ(grid.cell(1, c.count), std::to_string(c.count));
    }
}

INSTANTIATE_TEST_SUITE_P(Widgets, GridFill,
                         ::testing::Values(FillCase{"Nothing", 0, true, 4, 0, "-", 1, 0},
                                           FillCase{"FitsTheDesign", 3, true, 4, 0, "3", 1, 0},
                                           FillCase{"GrowsOnce", 620, true, 621, 1, "620", 1, 124},
                                           // a row a few milliseconds long: events after each
                                           FillCase{"SlowRows", 30, true, 31, 1, "30", 6, 30},
                                           // events every GridEventsMs, not after every row
                                           FillCase{"FastRows", 620, true, 621, 1, "620", 0, 0},
                                           FillCase{"LastCopyNoEvents", 620, false, 621, 1, "620",
                                                    1, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

// While the rows go in, the counter shown at each event is never more than
// GridCounterMs (and the time to the next event) behind them.
TEST(GridFill, CounterFollowsTheRowsWhileEventsRun) {
    td::test::qtApp();
    td::test::TestEnv env;
    StringGrid grid(2, 4);
    QLabel counter("-");
    const int msPerRow = 2;
    int filled = 0, worstLag = 0, changes = 0;
    std::string last = "-";
    env.pump.onEvents = [&] {
        std::string shown = counter.text().toStdString();
        if (shown != last) ++changes, last = shown;
        int lag = filled - (shown == "-" ? 0 : std::stoi(shown));
        worstLag = std::max(worstLag, lag);
    };
    td::fillGridRows(&grid, &counter, 100, true, [&](int row) {
        filled = row;
        env.pump.now += msPerRow;
        grid.setCell(0, row, "x");
    });
    EXPECT_LE(worstLag * msPerRow, td::GridCounterMs + td::GridEventsMs + msPerRow);
    EXPECT_GT(changes, 100 * msPerRow / (td::GridCounterMs + td::GridEventsMs + msPerRow) - 2);
    EXPECT_LT(changes, 100 * msPerRow / td::GridCounterMs + 1);
    EXPECT_EQ(counter.text(), "100");
}

}  // namespace

// Sorting and searching change what the screen shows, never the numbering
// the windows use.
TEST(GridSortAndSearch, RowsKeepTheirRecords) {
    td::test::qtApp();
    StringGrid grid(2, 6);
    const char* rows[][2] = {{"Борис", "10"}, {"анна", "9"}, {"Вера", "100"}, {"", ""}};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 2; ++c) grid.setCell(c, r + 1, td::W(rows[r][c]));
    grid.setCurrentGridRow(3);
    struct Case {
        int col;
        Qt::SortOrder order;
        std::vector<int> shown;  // the record shown in each table row
    } cases[] = {
        {0, Qt::AscendingOrder, {2, 1, 3, 4, 5}},  // case ignored, empty rows last
        {0, Qt::DescendingOrder, {3, 1, 2, 4, 5}},
        {1, Qt::AscendingOrder, {2, 1, 3, 4, 5}},  // numbers by value
        {1, Qt::DescendingOrder, {3, 1, 2, 4, 5}},
    };
    for (const auto& c : cases) {
        grid.sortRows(c.col, c.order);
        for (int v = 0; v < 5; ++v) {
            int r = c.shown[v];
            EXPECT_EQ(grid.cell(0, r), td::W(r <= 4 ? rows[r - 1][0] : ""));
            QTableWidgetItem* it = grid.item(v, 0);
            EXPECT_EQ(it ? td::toWin(it->text()) : std::string(), grid.cell(0, r))
                << c.col << " " << v;
        }
        EXPECT_EQ(grid.currentGridRow(), 3);
    }
    grid.setFilter(QString::fromUtf8("А"));  // "анна", "Вера"
    EXPECT_EQ((std::vector<bool>{grid.rowShown(1), grid.rowShown(2), grid.rowShown(3)}),
              (std::vector<bool>{false, true, true}));
    // A new fill stands as filled, and refilter() sorts and searches it again.
    grid.setRows(6);
    grid.setCell(0, 1, td::W("Яна"));
    grid.setCell(0, 2, td::W("Алла"));
    grid.setCell(0, 3, td::W("Олег"));
    EXPECT_EQ(grid.item(0, 0)->text(), QString::fromUtf8("Яна"));
    grid.refilter();  // descending by column 1, which kept 10, 9 and 100
    EXPECT_EQ(grid.item(0, 0)->text(), QString::fromUtf8("Олег"));
    EXPECT_EQ((std::vector<bool>{grid.rowShown(1), grid.rowShown(2), grid.rowShown(3)}),
              (std::vector<bool>{true, true, false}));
}

// A sort after cells changed (by the program, by the user's editor on a
// sorted screen, in bulk, or in a new row) orders by the new texts.
TEST(GridSortAndSearch, ASortAfterAChangeUsesTheNewText) {
    td::test::qtApp();
    StringGrid grid(2, 41);
    for (int r = 1; r <= 40; ++r) grid.setCell(0, r, "k" + std::to_string(60 - r));
    auto firstShown = [&] { return td::toWin(grid.item(0, 0)->text()); };
    const std::function<void()> changes[] = {
        [&] { grid.setCell(0, 3, "b"); },        // one cell, by the program
        [&] { grid.item(1, 0)->setText("a"); },  // the second row on the screen, in an editor
        [&] {                                    // every row
            for (int r = 1; r <= 40; ++r) grid.setCell(0, r, "m" + std::to_string(r + 10));
        },
        [&] { grid.setCell(0, 41, "-"); },  // a new row
    };
    const char* expected[] = {"b", "a", "m11", "-"};
    for (int i = 0; i < 4; ++i) {
        grid.sortRows(0, Qt::AscendingOrder);
        changes[i]();
        grid.sortRows(0, Qt::AscendingOrder);
        EXPECT_EQ(firstShown(), expected[i]) << i;
    }
}

// Texts compare case-folded, whatever their letters (the user's editor takes
// any), numbers by value; equal keys keep the order of filling.
TEST(GridSortAndSearch, LettersOfEveryAlphabetIgnoreCase) {
    td::test::qtApp();
    struct Case {
        std::vector<const char*> texts;  // rows 1, 2, ... (UTF-8)
        std::vector<int> shown;          // rows in ascending order
    } cases[] = {
        {{"bob", "Bob", "ANN", "ann"}, {3, 4, 1, 2}},
        {{"ёж", "Ёлка", "Ёж", "ель"}, {4, 1, 3, 2}},
        {{"äb", "Äc", "Äa", "σb", "Σa"}, {3, 1, 2, 5, 4}},
        {{"10", "9", "+7", "010"}, {3, 2, 1, 4}},
    };
    for (const auto& c : cases) {
        const int n = static_cast<int>(c.texts.size());
        StringGrid grid(2, n + 1);
        for (int r = 1; r <= n; ++r) {
            grid.setCell(0, r, "x");
            grid.item(r - 1, 0)->setText(QString::fromUtf8(c.texts[r - 1]));
        }
        grid.sortRows(0, Qt::AscendingOrder);
        std::vector<int> shown;
        for (int v = 0; v < n; ++v) {
            for (int r = 1; r <= n; ++r)
                if (grid.item(v, 0)->text() == QString::fromUtf8(c.texts[r - 1]))
                    shown.push_back(r);
        }
        EXPECT_EQ(shown, c.shown) << c.texts[0];
    }
}
