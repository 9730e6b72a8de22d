#pragma once
#include <QDialog>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sms/smswindow.h"

class QLabel;
class QPushButton;
class StringGrid;

// All SMS window: every message of the phone with its status, a column in
// which messages are marked for a group delete, and the delete, reply and
// save of the other two SMS windows.
class TForm8 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm8(QWidget* parent = nullptr);
    ~TForm8() override;

    static constexpr int DesignRows = 100;
    static constexpr int MarkColumn = 3;

    td::sms::SmsListLinks links;

  public slots:
    void FormActivate();
    bool FormCanResize(int& newWidth, int& newHeight) const;
    void bbLastCopyClick();
    void bbGetAllSMSClick();
    void StringGridMobileAllSMSSelectCell(int col, int row);
    void bbAllSMSReplyClick();
    void bbDelSentSMSClick();
    void bbSaveSMSListClick();
    void bbDelGroupSMSClick();

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    void actionsEnabled(bool on);
    std::vector<std::string> markedIndexes() const;
    void clearMarks();

    QLabel* Panel2;
    QLabel* Panel3;
    StringGrid* StringGridMobileAllSMS;
    QLabel* lGetRecordCount;
    QPushButton* bbReSend;  // never shown; enabled and disabled with the others
    QPushButton* bbSaveSMSList;
    QPushButton* bbDelSentSMS;
    QPushButton* bbAllSMSReply;
    QPushButton* bbLastCopy;
    QPushButton* bbGetAllSMS;
    QPushButton* bbDelGroupSMS;
    QPushButton* bbNotDelGroupSMS;

    std::unique_ptr<td::sms::SmsGridView> view_;
    std::unique_ptr<td::sms::SmsGridView> delView_;
    std::unique_ptr<td::sms::SmsGridView> groupView_;
    std::vector<std::string> GroupMarks;
    bool keyMove_ = false;  // the selection came from an arrow key
    bool sizeLocked_ = false;
};
