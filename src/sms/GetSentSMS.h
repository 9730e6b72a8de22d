#pragma once
#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "sms/smsreader.h"
#include "sms/smswindow.h"

class QLabel;
class QPushButton;
class StringGrid;

// Sent SMS window: the messages of the phone's sent list (or their last
// copy); one can be deleted, re-sent, or the list handed over to the main
// window's re-send box. It also carries the SMS list reader that the unread
// and all windows read through.
class TForm5 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm5(QWidget* parent = nullptr);
    ~TForm5() override;

    static constexpr int DesignRows = 30;

    // What this window asks of the main window, wired in src/app.
    struct Links {
        std::function<void()> clearReSendBox;
        std::function<void(const std::string& line)> addReSendLine;
        // The storage indexes of the list's rows, the lines in order.
        std::function<void(const std::vector<std::string>& indexes)> setReSendIndexes;
        // The chosen message: the box's text, and the index a re-send sends.
        std::function<void(const std::string& text, const std::string& index)> setReSendText;
        // The main window's re-send command for the message at this index.
        std::function<void(const std::string& index)> reSend;
        std::function<bool()> beepWanted;
    };
    Links links;

    // The SMS list reader of all three windows (one instance), and its call
    // and name lookup as the other windows use them.
    td::sms::SmsReader& smsReader() { return reader_; }
    td::ReadOutcome ReadSMS(const std::string& operation, td::sms::SmsListView& view,
                            const std::string& argument, const std::string& kind,
                            const td::sms::SmsTexts& texts);
    std::string PhoneNameForNumber(const std::string& number) const;

  public slots:
    void FormActivate();
    bool FormCanResize(int& newWidth, int& newHeight) const;
    void bbLastCopyClick();
    void bbGetSentSMSClick();
    void StringGridMobileSentSMSSelectCell(int col, int row);
    void bbSentSMSReadyClick();
    void bbReSendClick();
    void bbDelSentSMSClick();
    void bbSaveSMSListClick();

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    void actionsEnabled(bool on);

    QLabel* Panel2;
    QLabel* Panel3;
    StringGrid* StringGridMobileSentSMS;
    QLabel* lGetRecordCount;
    QPushButton* bbReSend;
    QPushButton* bbSaveSMSList;
    QPushButton* bbDelSentSMS;
    QPushButton* bbSentSMSReady;
    QPushButton* bbLastCopy;
    QPushButton* bbGetSentSMS;

    td::sms::SmsReader reader_;
    std::unique_ptr<td::sms::SmsGridView> view_;     // refresh button
    std::unique_ptr<td::sms::SmsGridView> delView_;  // delete button
    bool sizeLocked_ = false;
    bool liveWidths_ = false;  // the time column widened for delivery outcomes
};
