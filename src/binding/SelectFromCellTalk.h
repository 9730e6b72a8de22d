#pragma once
#include <QDialog>
#include <QPointer>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "binding/binding.h"
#include "binding/portchoice.h"

class QCheckBox;
class QComboBox;
class QLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// Operation binding and settings window: each of the fifteen functions is
// bound to an operation of the engine's operations ini. The three check
// boxes of general settings are read program-wide: CheckBoxBeep (beep when
// a read produced nothing), CheckBoxWindowCellTalk (show the engine's
// window) and CheckBoxMultiPhone (several SMS recipients). Other windows
// reach them through the accessors below, wired as their hooks in src/app.
class TForm2 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm2(QWidget* parent = nullptr);

    bool beepTicked() const;
    void setBeepTicked(bool on);
    bool engineWindowTicked() const;
    void setEngineWindowTicked(bool on);
    bool multiPhoneTicked() const;

    // Hooks wired in src/app: the main window's explanation of a binding
    // that is not in the list, and the phone check window.
    std::function<void(bool found, const std::string& caption, const std::string& operation)>
        buttonMess;
    QPointer<QWidget> phoneCheck;
    // The resident engine's box ticked or unticked by the user (shown only
    // with LivePhone=YES; stored in tapdeck.ini at close).
    std::function<void(bool on)> residentTicked;

    void FormActivate();
    // The function panels, top to bottom.
    void pCallClick() { functionClick(0); }
    void pHangUpClick() { functionClick(1); }
    void pSoundUpClick() { functionClick(2); }
    void pSoundDownClick() { functionClick(3); }
    void pPhoneBookClick() { functionClick(4); }
    void pSentSMSClick() { functionClick(5); }
    void preSendSMSClick() { functionClick(6); }
    void platSendSMSClick() { functionClick(7); }
    void prusSendSMSClick() { functionClick(8); }
    void pMissCallClick() { functionClick(9); }
    void pUnReadSMSClick() { functionClick(10); }
    void pAllSMSClick() { functionClick(11); }
    void pDeleteSMSClick() { functionClick(12); }
    void pMemDayBookClick() { functionClick(13); }
    void pMemDayBookUnloadClick() { functionClick(14); }
    void ListBoxOperClick();
    void ListBoxOperDblClick();
    void bbReadyClick();
    void bbResetClick();
    void bbTestPhoneClick();
    // The phone's port: find the devices the engine sees, choose one.
    void bbFindPortClick();
    void cbPortSelect(int index);
    void FormClose();

  protected:
    void showEvent(QShowEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void done(int r) override;

  private:
    void functionClick(std::size_t function);
    void apply();  // the controls follow the choice state
    void fillModelArea();
    void showLivePhone();
    void buildLayout();
    QWidget* buildModelArea();
    QLayout* buildPortRow();
    void showPort();  // the port the engine works, and the choices

    std::array<QPushButton*, td::binding::FunctionCount> panels_{};
    QLabel* Panel2;
    QLabel* Panel12;
    QListWidget* ListBoxOper;
    QPushButton* bbReady;
    QPushButton* bbReset;
    QPushButton* bbTestPhone;
    QCheckBox* CheckBoxWindowCellTalk;
    QCheckBox* CheckBoxBeep;
    QCheckBox* CheckBoxMultiPhone;
    QCheckBox* CheckBoxStatusReport;  // shown with LivePhone
    QCheckBox* CheckBoxResident;
    QComboBox* ComboBoxIniFile;
    QLineEdit* leModelName;
    QLineEdit* leModelFullName;
    std::array<QPushButton*, 6> modelButtons_{};
    QLabel* lPort;
    QComboBox* cbPort;
    QPushButton* bbFindPort;
    std::vector<td::binding::PortFound> ports_;  // the choices after the simulated phone
    std::vector<std::string> operationLines_;    // the ini lines of ListBoxOper's rows

    td::binding::Session session_;
};
