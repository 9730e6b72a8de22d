#pragma once
#include <QDialog>

class QCheckBox;

// Operation binding and settings window. The three check boxes of general
// settings are read program-wide: CheckBoxBeep (beep when a read produced
// nothing), CheckBoxWindowCellTalk (show the engine's window) and
// CheckBoxMultiPhone (several SMS recipients).
class TForm2 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm2(QWidget* parent = nullptr);

    QCheckBox* CheckBoxWindowCellTalk;
    QCheckBox* CheckBoxBeep;
    QCheckBox* CheckBoxMultiPhone;
};
