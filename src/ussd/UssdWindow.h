#pragma once
#include <QDialog>
#include <memory>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace td {
class ReadCycle;
class ReadView;
}  // namespace td

// The USSD window: sends a request (the balance "*100#" unless the user
// types another) through the engine, shows the network's answer decoded,
// and sends the reply to a session that asks for one. It opens on the last
// answer; a read runs the one read cycle, so it can be aborted like a list.
class TFormUssd : public QDialog {
    Q_OBJECT
  public:
    explicit TFormUssd(QWidget* parent = nullptr);
    ~TFormUssd() override;

    void FormActivate();
    void bbSendClick();   // the request box's text; "Прервать" while it runs
    void bbReplyClick();  // the reply box's text, to the waiting session
    void bbLastCopyClick();

    static constexpr int ClientWidth = 470;
    static constexpr int ClientHeight = 330;

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    void send(const std::string& request);
    void showLines(const std::vector<std::string>& lines);

    QLabel* Panel1 = nullptr;  // title
    QLineEdit* leCode = nullptr;
    QPushButton* bbSend = nullptr;
    QPushButton* bbLastCopy = nullptr;
    QLabel* PanelStatus = nullptr;
    QPlainTextEdit* MemoAnswer = nullptr;
    QLabel* lNote = nullptr;
    QLineEdit* leReply = nullptr;
    QPushButton* bbReply = nullptr;

    bool abort_ = false, update_ = false;
    std::vector<std::string> records_;  // the network's answer lines of the last request
    std::unique_ptr<td::ReadView> view_;
    std::unique_ptr<td::ReadCycle> reader_;
};
