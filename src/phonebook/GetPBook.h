#pragma once
#include <QDialog>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>

#include "phonebook/pblist.h"

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
    ~TForm4() override;

    static constexpr int DesignRows = 500;

    // What this window asks of the own phone book window, wired in src/app.
    struct Links {
        QPointer<QWidget> ownBook;  // placed on this window's left
        std::function<void(const std::string& name, const std::string& number)> takeRecord;
        std::function<void()> saveOwnBook;
        std::function<void()> resetOwnBook;
    };
    Links links;
    td::PhoneBookLinks& readerLinks();

    // What the phone book read does to this window, also when the missed
    // calls window reads: transfer and save/reset off at the start,
    // transfer on once data are there, the grid's hint for a fresh list.
    void transferOff();
    void transferReady();
    void showFreshHint();

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

    std::unique_ptr<td::PhoneBookReader> reader_;
    int selCol_ = 0;
    int selRow_ = 0;
    bool sizeLocked_ = false;
};
