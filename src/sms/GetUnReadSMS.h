#pragma once
#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "sms/smswindow.h"

class QLabel;
class QPushButton;
class StringGrid;

// Unread SMS window: the phone's unread messages (or their last copy); one
// can be deleted, or answered: the reply makes its sender the recipient of
// the main window's SMS bands and closes the window.
class TForm7 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm7(QWidget* parent = nullptr);
    ~TForm7() override;

    static constexpr int DesignRows = 30;

    td::sms::SmsListLinks links;

  public slots:
    void FormActivate();
    bool FormCanResize(int& newWidth, int& newHeight) const;
    void bbLastCopyClick();
    void bbGetUnReadSMSClick();
    void StringGridMobileUnReadSMSSelectCell(int col, int row);
    void bbDelSentSMSClick();
    void bbSaveSMSListClick();
    void bbUnReadSMSReplyClick();

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    void actionsEnabled(bool on);

    QLabel* Panel2;
    QLabel* Panel3;
    StringGrid* StringGridMobileUnReadSMS;
    QLabel* lGetRecordCount;
    QPushButton* bbReSend;  // never shown; enabled and disabled with the others
    QPushButton* bbSaveSMSList;
    QPushButton* bbDelSentSMS;
    QPushButton* bbUnReadSMSReply;
    QPushButton* bbLastCopy;
    QPushButton* bbGetUnReadSMS;

    std::unique_ptr<td::sms::SmsGridView> view_;
    std::unique_ptr<td::sms::SmsGridView> delView_;
    bool sizeLocked_ = false;
};
