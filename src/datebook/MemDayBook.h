#pragma once
#include <QDialog>

// Date book window.
class TForm9 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm9(QWidget* parent = nullptr);
};
