#pragma once
#include <QDialog>

// All SMS window.
class TForm8 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm8(QWidget* parent = nullptr);
};
