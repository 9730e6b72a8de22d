#pragma once
#include <QDialog>
#include <QPointer>
#include <string>
#include <utility>
#include <vector>

#include "formats/pbrecord.h"

class QLabel;
class QPushButton;
class StringGrid;

// Own phone book window: the subscribers kept in section PhoneBook of the
// own ini, edited in a grid; records can be taken over from the phone's
// phone book window one at a time.
class TForm3 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm3(QWidget* parent = nullptr);

    // The phone's phone book window, opened by "Из телефона"; wired in src/app.
    QPointer<QWidget> phoneBookWindow;

    int selectedCol() const { return selCol_; }
    int selectedRow() const { return selRow_; }

    // The row the next record from the phone goes into (or the next empty
    // row after it).
    int freeRow() const { return freeRow_; }
    // freeRow := the first row whose name and number are both empty (kept
    // when there is none).
    void findFreeRow();
    // Puts a record from the phone into row freeRow (or the next empty row
    // after it, adding one when the grid is full), makes it current and
    // moves freeRow on.
    void takeRecord(const std::string& name, const std::string& number);
    // The titles of the grid's row 0 (name, number).
    std::pair<std::string, std::string> headerCells() const;
    // "Из телефона" off for the rest of the run (the phone book may not be read).
    void phoneReadOff();

    // Free rows kept below the last stored record, however long the book.
    static constexpr int SpareRows = 20;
    static constexpr int DesignRows = 300;

  public slots:
    void FormActivate();
    void bbSaveClick();
    void bbResetClick();
    void bbDeleteClick();
    void bbFromMobileClick();
    void bbExportClick();  // the rows shown, to vCard or CSV
    void bbImportClick();  // a vCard or CSV file merged in, then saved
    void StringGridPhoneBookSelectCell(int col, int row);

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    QLabel* Panel2;
    StringGrid* StringGridPhoneBook;
    QLabel* lMyCount;
    QPushButton* bbSave;
    QPushButton* bbReset;
    QPushButton* bbDelete;
    QPushButton* bbFromMobile;
    QPushButton* bbExport;
    QPushButton* bbImport;

    void loadGrid();
    std::vector<td::PBRecord> gridRows() const;  // rows 1 on, as the grid holds them
    bool save();                                 // true when the grid was written and reloaded
    bool ownIniThere();
    int selCol_ = 0;
    int selRow_ = 0;
    int freeRow_ = 1;
    bool sizeLocked_ = false;
};
