#pragma once
#include <QDialog>
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "engine/readcycle.h"
#include "phonecheck/phoneprops.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// Phone check window: which character sets and SMS formats the phone
// accepts, and its maker, model, IMEI, software, battery and signal. The
// engine sends the user's check list (own ini, section CheckProper) to the
// phone; the window reads the engine's log, shows the result, keeps it as
// the last copy "LastProp.txt" and writes a short report.
class TForm10 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm10(QWidget* parent = nullptr);
    ~TForm10() override;

    // The settings window's "beep when nothing was read" option (wired in src/app).
    std::function<bool()> beepWanted;
    // The window's read flags: update set, the next read is from the phone.
    td::ReadFlags& readFlags() { return flags_; }

    void FormActivate();
    // Reads the check list and writes "CheckPhone.bat"; false when the list
    // is incomplete or the file cannot be written (told to the user).
    bool CreCheckList();
    // The last copy, or a read from the phone, as the update flag says.
    void ReadPropertiesPhone();
    void CreateHelp();
    void bbCheckPhoneClick();
    void bbLastCopyClick();
    // The boxes show what the phone accepts; a click changes nothing.
    void cbUCS2Click();
    void cbPCCP437Click();
    void cbUTF8Click();
    void cbUTF_8Click();
    void cbTextSMSClick();
    void cbPDUSMSClick();

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    class View;
    void buildLayout();
    void showProperties();
    void showCapabilities();
    void afterRun(td::ReadOutcome outcome);
    bool checkListReady();
    void takeSettings();

    QLabel* Panel5;
    QGroupBox* grbCoding;
    QGroupBox* grbSMSFormat;
    QCheckBox *cbUCS2, *cbPCCP437, *cbUTF8, *cbUTF_8, *cbTextSMS, *cbPDUSMS;
    QPlainTextEdit* Memo1;
    QLabel *lFirmName, *lModelName, *lIMEIValue, *lSoftVersion, *lBatteryValue, *lSignalValue;
    QLabel* lBatteryProgress;
    QLabel* lComment;
    QPushButton* bbCheckPhone;
    QPushButton* bbLastCopy;
    std::array<QCheckBox*, td::CapCount> boxes_{};

    td::CheckList checkList_;
    // What the window shows; the capability flags are the boxes' only truth.
    td::PhoneProperties shown_;
    // What the last readings of the last-copy file gave (texts stay between readings).
    td::PhoneProperties copy_;
    std::unique_ptr<View> view_;
    td::ReadFlags flags_;
    std::unique_ptr<td::ReadCycle> cycle_;
    bool sizeLocked_ = false;
    int updates_ = 0;  // updates of this window under way (one nests in another's wait)
};
