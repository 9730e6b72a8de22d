// Filling a grid from a list: sized once, events between the rows, the
// counter following the rows and right at the end.

#include <gtest/gtest.h>

#include <QLabel>

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
};

void PrintTo(const FillCase& c, std::ostream* os) {
    *os << c.name;
}

class GridFill : public ::testing::TestWithParam<FillCase> {};

TEST_P(GridFill, SizedOnceEventsAfterEachRow) {
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
        grid.setCell(0, row, "n" + std::to_string(row));
        grid.setCell(1, row, std::to_string(row));
    });
    EXPECT_EQ(grid.rows(), c.rowsAfter);
    EXPECT_EQ(growths, c.growths);
    EXPECT_EQ(counter.text().toStdString(), c.counter);
    EXPECT_EQ(env.pump.processEventsCalls, c.pumpEvents ? c.count : 0);
    EXPECT_EQ(seenBehind, 0);
    if (c.count > 0) EXPECT_EQ(grid.cell(1, c.count), std::to_string(c.count));
}

INSTANTIATE_TEST_SUITE_P(Widgets, GridFill,
                         ::testing::Values(FillCase{"Nothing", 0, true, 4, 0, "-"},
                                           FillCase{"FitsTheDesign", 3, true, 4, 0, "3"},
                                           FillCase{"GrowsOnce", 620, true, 621, 1, "620"},
                                           FillCase{"LastCopyNoEvents", 620, false, 621, 1, "620"}),
                         [](const auto& info) { return std::string(info.param.name); });

// While the rows go in, the counter shown at each event is never more than
// GridCounterMs behind them.
TEST(GridFill, CounterFollowsTheRowsWhileEventsRun) {
    td::test::qtApp();
    td::test::TestEnv env;
    StringGrid grid(2, 4);
    QLabel counter("-");
    const int msPerRow = 7;
    int filled = 0, worstLag = 0, changes = 0;
    std::string last = "-";
    env.pump.onEvents = [&] {
        env.pump.now += msPerRow;
        std::string shown = counter.text().toStdString();
        if (shown != last) ++changes, last = shown;
        int lag = filled - (shown == "-" ? 0 : std::stoi(shown));
        worstLag = std::max(worstLag, lag);
    };
    td::fillGridRows(&grid, &counter, 100, true, [&](int row) {
        filled = row;
        grid.setCell(0, row, "x");
    });
    EXPECT_LE(worstLag * msPerRow, td::GridCounterMs + msPerRow);
    EXPECT_GT(changes, 100 * msPerRow / (td::GridCounterMs + msPerRow) - 2);
    EXPECT_LT(changes, 100);
    EXPECT_EQ(counter.text(), "100");
}

}  // namespace
