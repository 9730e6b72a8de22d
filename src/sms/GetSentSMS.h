#pragma once
#include <QDialog>

// Sent SMS window.
class TForm5 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm5(QWidget* parent = nullptr);
};
