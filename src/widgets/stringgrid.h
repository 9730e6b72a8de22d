#pragma once
// A two-dimensional text grid addressed as (column, row) with row 0 as the
// fixed title row: row 0 is drawn as the table's header, so it stays in view
// while the records scroll. Cells hold Windows-1251 text.
//
// A click on a column title sorts the rows by that column (again: the other
// way round), and a filter hides the rows that do not contain a text. Both
// change only what the screen shows: every call below, and selectCell,
// number the rows as they were filled, so a row keeps its record (a storage
// index, a mark) however it is shown.

#include <QTableWidget>
#include <string>
#include <vector>

class QLineEdit;

class StringGrid : public QTableWidget {
    Q_OBJECT
  public:
    StringGrid(int columns, int rows, QWidget* parent = nullptr);
    ~StringGrid() override;

    int rows() const { return rowCount() + 1; }  // the title row included
    void setRows(int n);                         // n >= 2
    void ensureRow(int row);                     // grows the grid so that row exists
    void resetRows() { setRows(baseRows_); }     // back to the designed number of rows

    // Gives the grid n columns (a new one with an empty title); a sort by a
    // column that goes away ends, the rows standing as filled.
    void setColumns(int n);

    std::string cell(int col, int row) const;
    void setCell(int col, int row, const std::string& text);
    void clearRows(int firstRow);  // empties every cell from firstRow down
    bool rowEmpty(int row) const;  // both of the first two cells empty

    // The current row in grid numbering (0 when none), and moving it.
    int currentGridRow() const { return currentRow() < 0 ? 0 : recordOf(currentRow()) + 1; }
    void setCurrentGridRow(int row);

    // Sorts the shown rows by a column's text (numbers by value, empty rows
    // last); sortColumn() is -1 while no sort was asked for. A new fill
    // (setRows) stands as filled until refilter() sorts it again.
    void sortRows(int col, Qt::SortOrder order);
    int sortColumn() const { return sortColumn_; }
    // Shows only the rows with a cell that contains `text` (ignoring case),
    // every row for an empty text; kept through later fills (refilter()).
    void setFilter(const QString& text);
    void refilter();
    bool rowShown(int row) const;  // false for a row the filter hides

  signals:
    // The user selected a cell (grid numbering), by a click or a key. Focus
    // alone, and moves made by the program, select nothing.
    void selectCell(int col, int row);

  protected:
    void mousePressEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

  private:
    int viewOf(int record) const;  // 0-based table rows
    int recordOf(int view) const;
    void unsort();  // back to the order of filling
    void placeRows(const std::vector<int>& recordAtView);
    // A cell's sort key: where its case-folded text stands among the
    // column's, and whether it is a whole number.
    struct SortKey {
        size_t from = 0, size = 0;
        bool number = false;
    };
    struct ColumnKeys {
        std::u16string texts;     // the folded texts one after another
        std::vector<SortKey> at;  // by record
        size_t made = 0;          // the size of texts when all were made
    };
    SortKey sortKey(int record, int col, std::u16string& texts) const;  // appends its text
    bool blankRecord(int record) const;                                 // its first two cells empty
    const ColumnKeys& sortKeys(int col);
    const std::vector<char>& blankRows();  // by record
    void cellsChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight);
    void remakeChangedKeys();
    void dropSortKeys();
    std::vector<ColumnKeys> sortKeys_;  // per column, kept between sorts
    std::vector<char> blank_;
    std::vector<int> changed_;  // records whose cells changed since their keys were made
    int baseRows_;
    std::vector<int> recordAt_;  // the record shown at each table row; empty: as filled
    std::vector<int> viewAt_;    // and the other way round
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    QString filter_;
    bool userMove_ = false;  // a click or key of the user is being handled
};

// A search box that filters the grid's rows as the user types.
QLineEdit* makeGridSearchBox(StringGrid* grid, QWidget* parent);
