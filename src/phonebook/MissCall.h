#pragma once
#include <functional>
#include <string>

#include "phonebook/readerwindow.h"

class QPushButton;

// Missed calls window: the phone's missed calls (or their last copy); a
// listed number can be called back and the call hung up.
class TForm6 : public td::PhoneListWindow {
    Q_OBJECT
  public:
    explicit TForm6(QWidget* parent = nullptr);

    static constexpr int DesignRows = 20;

    // The main window's call and hang-up actions (its bbCallClick and
    // bbHangUpClick), wired in src/app.
    std::function<void(const std::string& number)> callAction;
    std::function<void()> hangUpAction;

    // The grid's hint for a fresh list (also when the phone book window reads).
    void showFreshHint();

  public slots:
    void FormActivate() override;
    void bbLastCopyClick() override;
    void StringGridMobilePBSelectCell(int col, int row);
    void bbMissCallClick();
    void bbHangUpMissCallClick();

  private:
    void forgetSelection();

    QPushButton* bbMissCall;
    QPushButton* bbHangUpMissCall;
    QPushButton* bbReady;     // laid out as in the phone book window, never shown
    QPushButton* bbSaveMyPB;  // likewise
    bool sizeLocked_ = false;
};
