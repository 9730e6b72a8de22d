#pragma once
#include <QDialog>
#include <string>

class QLabel;
class QPushButton;
class StringGrid;

// Phone's phone book window: the phone book read from the phone (or its last
// copy), from which records go one at a time into the own phone book window
// that stays open on its left.
class TForm4 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm4(QWidget* parent = nullptr);

    QLabel* Panel2;
    QLabel* Panel5;
    StringGrid* StringGridMobilePB;
    QPushButton* bbReady;
    QPushButton* bbSaveMyPB;
    QPushButton* bbResetMyPB;
    QLabel* lGetRecordCount;
    QPushButton* bbLastCopy;
    QPushButton* bbGetPBook;
    QPushButton* bbDelete;

    static constexpr int DesignRows = 500;

    // One run of the read cycle into the given controls (last copy or read
    // from the phone, as PhoneReadUpdate says). The missed calls window
    // reads through it as well.
    void ReadPhoneBook(const std::string& operation, StringGrid* grid, QPushButton* button,
                       const std::string& prefix, QLabel* label, QLabel* panel);

    int selectedCol() const { return selCol_; }
    int selectedRow() const { return selRow_; }

  public slots:
    void FormActivate();
    void bbGetPBookClick();
    void bbLastCopyClick();
    void bbReadyClick();
    void StringGridMobilePBDblClick();
    void StringGridMobilePBSelectCell(int col, int row);
    void StringGridMobilePBClick();
    void bbSaveMyPBClick();
    void bbResetMyPBClick();
    void bbDeleteClick();

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    void placeBesideOwnBook();
    int selCol_ = 0;
    int selRow_ = 0;
    bool sizeLocked_ = false;
};
