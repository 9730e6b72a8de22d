#pragma once
#include <QDialog>

// Own phone book window.
class TForm3 : public QDialog {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);
};
