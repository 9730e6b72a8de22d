#include "widgets/stringgrid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <algorithm>
#include <numeric>
#include <string>
#include <string_view>

#include "platform/cp1251.h"
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
        if (row >= 0 && userMove_) emit selectCell(col, recordOf(row) + 1);
    });
    // A changed cell has its record's sort keys made again at the next sort;
    // a new or removed row drops them all (the moves of a sort are made with
    // the model's signals blocked).
    QAbstractItemModel* m = model();
    connect(m, &QAbstractItemModel::dataChanged, this, &StringGrid::cellsChanged);
    connect(m, &QAbstractItemModel::rowsInserted, this, &StringGrid::dropSortKeys);
    connect(m, &QAbstractItemModel::rowsRemoved, this, &StringGrid::dropSortKeys);
    connect(m, &QAbstractItemModel::columnsInserted, this, &StringGrid::dropSortKeys);
    connect(m, &QAbstractItemModel::columnsRemoved, this, &StringGrid::dropSortKeys);
    connect(m, &QAbstractItemModel::modelReset, this, &StringGrid::dropSortKeys);
    horizontalHeader()->setSectionsClickable(true);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int col) {
        bool again = col == sortColumn_ && sortOrder_ == Qt::AscendingOrder;
        sortRows(col, again ? Qt::DescendingOrder : Qt::AscendingOrder);
    });
}

StringGrid::~StringGrid() {
    // The table's model outlives this part of the grid and tells of its rows
    // going away.
    disconnect(model(), nullptr, this, nullptr);
}

void StringGrid::mousePressEvent(QMouseEvent* e) {
    userMove_ = true;
    QTableWidget::mousePressEvent(e);
    userMove_ = false;
}

void StringGrid::keyPressEvent(QKeyEvent* e) {
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && state() != EditingState) {
        // Enter edits the current cell of an editable grid, and does nothing
        // else: it never reaches the window's buttons.
        if (editTriggers() & (EditKeyPressed | AnyKeyPressed) && currentIndex().isValid())
            edit(currentIndex());
        e->accept();
        return;
    }
    userMove_ = true;
    QTableWidget::keyPressEvent(e);
    userMove_ = false;
}

void StringGrid::setRows(int n) {
    // A new fill starts in the order of filling; refilter() sorts it again.
    unsort();
    setRowCount(n > 1 ? n - 1 : 1);
}

void StringGrid::ensureRow(int row) {
    if (row < rows()) return;
    int old = rowCount();
    setRowCount(row);
    if (recordAt_.empty()) return;
    for (int r = old; r < rowCount(); ++r) {  // new rows stand at the end as filled
        recordAt_.push_back(r);
        viewAt_.push_back(r);
    }
    if (!filter_.isEmpty())
        for (int r = old; r < rowCount(); ++r) setRowHidden(r, false);
}

int StringGrid::viewOf(int record) const {
    return record >= 0 && record < static_cast<int>(viewAt_.size()) ? viewAt_[record] : record;
}

int StringGrid::recordOf(int view) const {
    return view >= 0 && view < static_cast<int>(recordAt_.size()) ? recordAt_[view] : view;
}

void StringGrid::placeRows(const std::vector<int>& recordAtView) {
    const int n = rowCount(), cols = columnCount();
    int current = currentRow() < 0 ? -1 : recordOf(currentRow());
    int currentCol = currentColumn();
    QSignalBlocker block(this);  // the items move; no cell changes
    const bool updates = updatesEnabled();
    setUpdatesEnabled(false);
    std::vector<int> newViewAt(static_cast<size_t>(n));
    for (int v = 0; v < n; ++v) newViewAt[static_cast<size_t>(recordAtView[v])] = v;
    std::vector<QTableWidgetItem*> items(static_cast<size_t>(n) * cols);
    // One layout change for the whole move instead of a change per cell.
    emit model()->layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    {
        QSignalBlocker quiet(model());
        // Items are taken and put back in the order of filling, which is
        // about the order they lie in memory: in the order of the screen a
        // sorted grid would reach them at random, twice as slow. A row that
        // keeps its place (a book kept in order) is left alone.
        auto moves = [&](int r) { return newViewAt[static_cast<size_t>(r)] != viewOf(r); };
        for (int r = 0; r < n; ++r)
            if (moves(r))
                for (int c = 0; c < cols; ++c)
                    items[static_cast<size_t>(r) * cols + c] = takeItem(viewOf(r), c);
        for (int r = 0; r < n; ++r)
            if (moves(r))
                for (int c = 0; c < cols; ++c)
                    if (QTableWidgetItem* it = items[static_cast<size_t>(r) * cols + c])
                        setItem(newViewAt[static_cast<size_t>(r)], c, it);
    }
    emit model()->layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    recordAt_ = recordAtView;
    viewAt_ = std::move(newViewAt);
    if (current >= 0) setCurrentCell(viewOf(current), std::max(currentCol, 0));
    setUpdatesEnabled(updates);
}

void StringGrid::unsort() {
    if (recordAt_.empty()) return;
    std::vector<int> identity(static_cast<size_t>(rowCount()));
    std::iota(identity.begin(), identity.end(), 0);
    placeRows(identity);
    recordAt_.clear();
    viewAt_.clear();
}

void StringGrid::setColumns(int n) {
    const int before = columnCount();
    if (n == before) return;
    if (sortColumn_ >= n) {
        unsort();
        sortColumn_ = -1;
        horizontalHeader()->setSortIndicatorShown(false);
    }
    setColumnCount(n);
    for (int c = before; c < n; ++c) setHorizontalHeaderItem(c, new QTableWidgetItem());
    refilter();
}

void StringGrid::dropSortKeys() {
    if (!sortKeys_.empty() || !blank_.empty()) {
        sortKeys_.clear();
        blank_.clear();
    }
    changed_.clear();
}

void StringGrid::cellsChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight) {
    if (sortKeys_.empty() && blank_.empty()) return;
    const int first = topLeft.row(), last = bottomRight.row();
    // Many changed rows (a fill) are made again all at once, and cheaper.
    if (first < 0 || last < first ||
        changed_.size() + static_cast<size_t>(last - first) >= static_cast<size_t>(rowCount() / 8))
        return dropSortKeys();
    for (int v = first; v <= last; ++v) changed_.push_back(recordOf(v));
}

namespace {
// Appends a text case-folded. ASCII and Cyrillic (the letters Windows-1251
// holds) fold a character at a time, without a text of their own; any other
// character sends the whole text through QString's folding.
void appendFolded(std::u16string& out, const QString& text) {
    const size_t start = out.size();
    for (QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c < 0x80) {
            out += c >= 'A' && c <= 'Z' ? static_cast<char16_t>(c + 32) : c;
        } else if (c >= 0x0400 && c < 0x0500) {
            out += static_cast<char16_t>(QChar::toCaseFolded(c));
        } else {
            out.resize(start);
            const QString folded = text.toCaseFolded();
            out.append(reinterpret_cast<const char16_t*>(folded.utf16()),
                       static_cast<size_t>(folded.size()));
            return;
        }
    }
}
}  // namespace

StringGrid::SortKey StringGrid::sortKey(int record, int col, std::u16string& texts) const {
    SortKey k;
    k.from = texts.size();
    if (QTableWidgetItem* it = item(viewOf(record), col)) appendFolded(texts, it->text());
    k.size = texts.size() - k.from;
    k.number = k.size > 0 && std::all_of(texts.begin() + static_cast<std::ptrdiff_t>(k.from),
                                         texts.end(), [](char16_t c) { return QChar::isDigit(c); });
    return k;
}

bool StringGrid::blankRecord(int record) const {
    for (int c = 0; c < std::min(2, columnCount()); ++c)
        if (QTableWidgetItem* it = item(viewOf(record), c); it && !it->text().isEmpty())
            return false;
    return true;
}

void StringGrid::remakeChangedKeys() {
    const size_t n = static_cast<size_t>(rowCount());
    for (int r : changed_) {
        for (size_t c = 0; c < sortKeys_.size(); ++c)
            if (ColumnKeys& keys = sortKeys_[c]; keys.at.size() == n) {
                keys.at[static_cast<size_t>(r)] = sortKey(r, static_cast<int>(c), keys.texts);
                // The texts replaced stay in the buffer: past twice its first
                // size the column is made afresh at its next sort.
                if (keys.texts.size() > 2 * keys.made + 4096) keys.at.clear();
            }
        if (blank_.size() == n) blank_[static_cast<size_t>(r)] = blankRecord(r);
    }
    changed_.clear();
}

const StringGrid::ColumnKeys& StringGrid::sortKeys(int col) {
    const size_t n = static_cast<size_t>(rowCount());
    if (sortKeys_.size() != static_cast<size_t>(columnCount()))
        sortKeys_.assign(static_cast<size_t>(columnCount()), {});
    ColumnKeys& keys = sortKeys_[static_cast<size_t>(col)];
    if (keys.at.size() == n) return keys;
    keys.texts.clear();
    keys.at.resize(n);
    for (size_t r = 0; r < n; ++r) keys.at[r] = sortKey(static_cast<int>(r), col, keys.texts);
    keys.made = keys.texts.size();
    return keys;
}

const std::vector<char>& StringGrid::blankRows() {
    const size_t n = static_cast<size_t>(rowCount());
    if (blank_.size() == n) return blank_;
    blank_.assign(n, 1);
    for (int c = 0; c < std::min(2, columnCount()); ++c) {
        // A column's keys, when made already, tell its empty cells.
        const ColumnKeys* keys = static_cast<size_t>(c) < sortKeys_.size() &&
                                         sortKeys_[static_cast<size_t>(c)].at.size() == n
                                     ? &sortKeys_[static_cast<size_t>(c)]
                                     : nullptr;
        for (size_t r = 0; r < n; ++r) {
            if (!blank_[r]) continue;
            if (keys)
                blank_[r] = keys->at[r].size == 0;
            else if (QTableWidgetItem* it = item(viewOf(static_cast<int>(r)), c))
                blank_[r] = it->text().isEmpty();
        }
    }
    return blank_;
}

void StringGrid::sortRows(int col, Qt::SortOrder order) {
    if (col < 0 || col >= columnCount()) return;
    const int n = rowCount();
    // The keys of a column are made once, by record, and kept until a cell
    // changes; the sort moves small entries that point at them.
    remakeChangedKeys();
    const ColumnKeys& keys = sortKeys(col);
    const std::vector<char>& blank = blankRows();
    struct Entry {
        std::u16string_view text;
        bool number;
        int record;
    };
    std::vector<Entry> filled;
    filled.reserve(static_cast<size_t>(n));
    for (int r = 0; r < n; ++r) {
        const SortKey& k = keys.at[static_cast<size_t>(r)];
        if (!blank[static_cast<size_t>(r)])
            filled.push_back({{keys.texts.data() + k.from, k.size}, k.number, r});
    }
    // Whole numbers compare by value (the shorter is smaller), other texts
    // code by code on the case-folded text.
    auto compare = [](const Entry& a, const Entry& b) {
        if (a.number && b.number && a.text.size() != b.text.size())
            return a.text.size() < b.text.size() ? -1 : 1;
        return a.text.compare(b.text);
    };
    // Equal keys stay in the order of filling.
    if (order == Qt::AscendingOrder)
        std::stable_sort(filled.begin(), filled.end(),
                         [&](const Entry& a, const Entry& b) { return compare(a, b) < 0; });
    else
        std::stable_sort(filled.begin(), filled.end(),
                         [&](const Entry& a, const Entry& b) { return compare(a, b) > 0; });
    std::vector<int> recordAtView;
    recordAtView.reserve(static_cast<size_t>(n));
    for (const Entry& e : filled) recordAtView.push_back(e.record);
    for (int r = 0; r < n; ++r)  // empty rows last
        if (blank[static_cast<size_t>(r)]) recordAtView.push_back(r);
    placeRows(recordAtView);
    sortColumn_ = col;
    sortOrder_ = order;
    horizontalHeader()->setSortIndicatorShown(true);
    horizontalHeader()->setSortIndicator(col, order);
    refilter();
}

void StringGrid::setFilter(const QString& text) {
    filter_ = text;
    refilter();
}

bool StringGrid::rowShown(int row) const {
    return row >= 1 && row < rows() && !isRowHidden(viewOf(row - 1));
}

void StringGrid::refilter() {
    if (sortColumn_ >= 0 && recordAt_.empty()) {
        sortRows(sortColumn_, sortOrder_);  // a fill came since the sort
        return;
    }
    const bool updates = updatesEnabled();
    setUpdatesEnabled(false);
    for (int v = 0; v < rowCount(); ++v) {
        bool shown = filter_.isEmpty();
        for (int c = 0; c < columnCount() && !shown; ++c)
            if (QTableWidgetItem* it = item(v, c))
                shown = it->text().contains(filter_, Qt::CaseInsensitive);
        if (isRowHidden(v) == shown) setRowHidden(v, !shown);
    }
    setUpdatesEnabled(updates);
}

std::string StringGrid::cell(int col, int row) const {
    if (row == 0) {
        QTableWidgetItem* h = horizontalHeaderItem(col);
        return h ? td::toWin(h->text()) : std::string();
    }
    QTableWidgetItem* it = item(viewOf(row - 1), col);
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
    QTableWidgetItem* it = item(viewOf(row - 1), col);
    if (!it) {
        if (text.empty()) return;
        setItem(viewOf(row - 1), col, it = new QTableWidgetItem());
    }
    it->setText(td::fromWin(text));
}

void StringGrid::clearRows(int firstRow) {
    for (int r = std::max(firstRow, 1); r < rows(); ++r)
        for (int c = 0; c < columnCount(); ++c)
            if (QTableWidgetItem* it = item(viewOf(r - 1), c)) it->setText(QString());
    if (firstRow <= 0)
        for (int c = 0; c < columnCount(); ++c) setCell(c, 0, "");
}

bool StringGrid::rowEmpty(int row) const {
    return cell(0, row).empty() && cell(1, row).empty();
}

void StringGrid::setCurrentGridRow(int row) {
    if (row < 1 || row >= rows()) return;
    setCurrentCell(viewOf(row - 1), currentColumn() < 0 ? 0 : currentColumn());
}

QLineEdit* makeGridSearchBox(StringGrid* grid, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName("leSearch");
    box->setPlaceholderText(td::fromWin(td::W("Поиск")));
    box->setToolTip(td::fromWin(td::W("Показать только строки, в которых есть этот текст")));
    box->setClearButtonEnabled(true);
    box->setFixedWidth(140);
    QObject::connect(box, &QLineEdit::textChanged, grid, &StringGrid::setFilter);
    return box;
}
