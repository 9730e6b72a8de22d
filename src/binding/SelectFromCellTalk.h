#pragma once
#include <QDialog>

class QCheckBox;

// Operation binding and settings window. The three check boxes of general
// settings are read program-wide: CheckBoxBeep (beep when a read produced
// nothing), CheckBoxWindowCellTalk (show the engine's window) and
// CheckBoxMultiPhone (several SMS recipients). Other windows reach them
// through the accessors below, wired as their hooks in src/app.
class TForm2 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm2(QWidget* parent = nullptr);

    bool beepTicked() const;
    void setBeepTicked(bool on);
    bool engineWindowTicked() const;
    void setEngineWindowTicked(bool on);
    bool multiPhoneTicked() const;

  private:
    QCheckBox* CheckBoxWindowCellTalk;
    QCheckBox* CheckBoxBeep;
    QCheckBox* CheckBoxMultiPhone;
};
