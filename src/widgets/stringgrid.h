#pragma once
// A two-dimensional text grid addressed as (column, row) with row 0 as the
// fixed title row: row 0 is drawn as the table's header, so it stays in view
// while the records scroll. Cells hold Windows-1251 text.

#include <QTableWidget>
#include <string>

class StringGrid : public QTableWidget {
    Q_OBJECT
  public:
    StringGrid(int columns, int rows, QWidget* parent = nullptr);

    int rows() const { return rowCount() + 1; }  // the title row included
    void setRows(int n);                         // n >= 2
    void ensureRow(int row);                     // grows the grid so that row exists
    void resetRows() { setRows(baseRows_); }     // back to the designed number of rows

    std::string cell(int col, int row) const;
    void setCell(int col, int row, const std::string& text);
    void clearRows(int firstRow);  // empties every cell from firstRow down
    bool rowEmpty(int row) const;  // both of the first two cells empty

    // The current row in grid numbering (0 when none), and moving it.
    int currentGridRow() const { return currentRow() + 1; }
    void setCurrentGridRow(int row);

  signals:
    // A cell became the selected one (grid numbering).
    void selectCell(int col, int row);

  private:
    int baseRows_;
};
