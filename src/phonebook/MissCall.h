#pragma once
#include <QDialog>
#include <functional>
#include <memory>

#include "phonebook/pblist.h"

class QLabel;
class QPushButton;
class StringGrid;

// Missed calls window: the phone's missed calls (or their last copy); a
// listed number can be called back and the call hung up.
class TForm6 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm6(QWidget* parent = nullptr);
    ~TForm6() override;

    static constexpr int DesignRows = 20;

    // The main window's call and hang-up actions (its bbCallClick and
    // bbHangUpClick), wired in src/app.
    std::function<void()> callAction;
    std::function<void()> hangUpAction;
    td::PhoneBookLinks& readerLinks();

    // The grid's hint for a fresh list (also when the phone book window reads).
    void showFreshHint();

    int selectedCol() const { return selCol_; }
    int selectedRow() const { return selRow_; }

  public slots:
    void FormActivate();
    void bbGetPBookClick();
    void bbLastCopyClick();
    void StringGridMobilePBSelectCell(int col, int row);
    void bbMissCallClick();
    void bbHangUpMissCallClick();

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    void forgetSelection();

    QLabel* Panel2;
    QLabel* Panel5;
    StringGrid* StringGridMobilePB;
    QLabel* lGetRecordCount;
    QPushButton* bbMissCall;
    QPushButton* bbHangUpMissCall;
    QPushButton* bbLastCopy;
    QPushButton* bbGetPBook;
    QPushButton* bbDelete;
    QPushButton* bbReady;     // laid out as in the phone book window, never shown
    QPushButton* bbSaveMyPB;  // likewise

    std::unique_ptr<td::PhoneBookReader> reader_;
    int selCol_ = 0;
    int selRow_ = -1;
    bool sizeLocked_ = false;
};
