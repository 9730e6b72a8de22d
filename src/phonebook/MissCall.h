#pragma once
#include <QDialog>

// Missed calls window.
class TForm6 : public QDialog {
    Q_OBJECT
public:
    explicit TForm6(QWidget* parent = nullptr);
};
