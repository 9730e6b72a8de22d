#pragma once
#include <QDialog>

// Phone's phone book window.
class TForm4 : public QDialog {
    Q_OBJECT
public:
    explicit TForm4(QWidget* parent = nullptr);
};
