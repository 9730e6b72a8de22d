#pragma once
#include <QDialog>

// Unread SMS window.
class TForm7 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm7(QWidget* parent = nullptr);
};
