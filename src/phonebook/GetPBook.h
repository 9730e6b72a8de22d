#pragma once
#include <QPointer>
#include <functional>
#include <string>

#include "phonebook/readerwindow.h"

class QPushButton;

// Phone's phone book window: the phone book read from the phone (or its last
// copy), from which records go one at a time into the own phone book window
// that stays open on its left.
class TForm4 : public td::PhoneListWindow {
    Q_OBJECT
  public:
    explicit TForm4(QWidget* parent = nullptr);

    static constexpr int DesignRows = 500;

    // What this window asks of the own phone book window, wired in src/app.
    struct Links {
        QPointer<QWidget> ownBook;  // placed on this window's left
        std::function<void(const std::string& name, const std::string& number)> takeRecord;
        std::function<void()> saveOwnBook;
        std::function<void()> resetOwnBook;
    };
    Links links;

    // What the phone book read does to this window, also when the missed
    // calls window reads: transfer and save/reset off at the start,
    // transfer on once data are there, the grid's hint for a fresh list.
    void transferOff();
    void transferReady();
    void showFreshHint();

  public slots:
    void FormActivate() override;
    void bbReadyClick();
    void StringGridMobilePBDblClick();
    void StringGridMobilePBSelectCell(int col, int row);
    void StringGridMobilePBClick();
    void bbSaveMyPBClick();
    void bbResetMyPBClick();
    void bbDeleteClick();

  private:
    void placeBesideOwnBook();

    QPushButton* bbReady;
    QPushButton* bbSaveMyPB;
    QPushButton* bbResetMyPB;
    bool sizeLocked_ = false;
};
