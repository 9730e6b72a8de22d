#pragma once
#include <QDialog>

// Phone check window.
class TForm10 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm10(QWidget* parent = nullptr);
};
