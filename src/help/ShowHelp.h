#pragma once
#include <QDialog>

class QPlainTextEdit;
class QPushButton;

// Short help window: what the program is, how to install it beside the
// engine and what it can do. The text is rebuilt each time it is shown.
class TForm11 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm11(QWidget* parent = nullptr);

    void FormActivate();         // builds the text
    void bbSaveShowHelpClick();  // saves it as ProgName + ".txt"
    void bbCloseShowHelpClick();

    static constexpr int ClientWidth = 639;
    static constexpr int ClientHeight = 483;

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    QPushButton* bbSaveShowHelp = nullptr;
    QPushButton* bbCloseShowHelp = nullptr;  // hidden: the frame's close box closes the window
    QPlainTextEdit* MemoShowHelp = nullptr;
};
