#include "widgets/stringgrid.h"

#include <QHeaderView>

#include "platform/qtservices.h"

StringGrid::StringGrid(int columns, int rows, QWidget* parent)
    : QTableWidget(rows - 1, columns, parent), baseRows_(rows) {
    verticalHeader()->hide();
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->setDefaultSectionSize(20);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    for (int c = 0; c < columns; ++c) setHorizontalHeaderItem(c, new QTableWidgetItem());
    connect(this, &QTableWidget::currentCellChanged, this, [this](int row, int col, int, int) {
        if (row >= 0) emit selectCell(col, row + 1);
    });
}

void StringGrid::setRows(int n) {
    setRowCount(n > 1 ? n - 1 : 1);
}

void StringGrid::ensureRow(int row) {
    if (row >= rows()) setRowCount(row);
}

std::string StringGrid::cell(int col, int row) const {
    if (row == 0) {
        QTableWidgetItem* h = horizontalHeaderItem(col);
        return h ? td::toWin(h->text()) : std::string();
    }
    QTableWidgetItem* it = item(row - 1, col);
    return it ? td::toWin(it->text()) : std::string();
}

void StringGrid::setCell(int col, int row, const std::string& text) {
    if (row == 0) {
        QTableWidgetItem* h = horizontalHeaderItem(col);
        if (!h) setHorizontalHeaderItem(col, h = new QTableWidgetItem());
        h->setText(td::fromWin(text));
        return;
    }
    ensureRow(row);
    QTableWidgetItem* it = item(row - 1, col);
    if (!it) {
        if (text.empty()) return;
        setItem(row - 1, col, it = new QTableWidgetItem());
    }
    it->setText(td::fromWin(text));
}

void StringGrid::clearRows(int firstRow) {
    for (int r = std::max(firstRow, 1); r < rows(); ++r)
        for (int c = 0; c < columnCount(); ++c)
            if (QTableWidgetItem* it = item(r - 1, c)) it->setText(QString());
    if (firstRow <= 0)
        for (int c = 0; c < columnCount(); ++c) setCell(c, 0, "");
}

bool StringGrid::rowEmpty(int row) const {
    return cell(0, row).empty() && cell(1, row).empty();
}

void StringGrid::setCurrentGridRow(int row) {
    if (row < 1 || row >= rows()) return;
    setCurrentCell(row - 1, currentColumn() < 0 ? 0 : currentColumn());
}
