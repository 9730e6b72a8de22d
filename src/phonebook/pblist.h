#pragma once
// What the phone book window and the missed calls window share: the read
// cycle over their grid, refresh button, counter and status panel, the
// filling of the grid from a fresh answer or from the last copy, and the
// header texts of the own phone book.

#include <QLabel>
#include <QPushButton>
#include <string>
#include <vector>

#include "engine/readcycle.h"
#include "phonebook/pbcycle.h"
#include "phonebook/pbparser.h"
#include "phonebook/stringgrid.h"

namespace td {

std::string OwnHeaderName();    // " Имя абонента"
std::string OwnHeaderNumber();  // " Номер телефона"

// The "beep when a read produced nothing" option of the settings window.
bool beepOptionTicked();

// The refresh button, status panel and grid of one reading window.
class GridReadView : public ReadView {
  public:
    GridReadView(StringGrid* grid, QPushButton* button, QLabel* panel)
        : grid_(grid), button_(button), panel_(panel) {}
    std::string refreshCaption() const override;
    void setRefreshCaption(const std::string& text) override;
    void setRefreshColor(unsigned rgb) override;
    void setRefreshHint(const std::string& text) override;
    void setRefreshEnabled(bool on) override;
    void setStatus(const std::string& text) override;
    void setGridHint(const std::string& text) override;

  private:
    StringGrid* grid_;
    QPushButton* button_;
    QLabel* panel_;
};

// A hint with "\r" line breaks as the widgets show it.
QString hintText(const std::string& text);

// Colours a button's caption (0xRRGGBB).
void setCaptionColor(QPushButton* b, unsigned rgb);

// Fills rows 1, 2, ... from records, growing the grid when they do not fit;
// the counter follows each row. Pending events run after each row when
// pumpEvents is set (a long answer keeps the window alive).
void fillRecords(StringGrid* grid, QLabel* counter, const std::vector<PBRecord>& records,
                 bool pumpEvents);

// One read of a phone-book-like list into one window's controls.
class PhoneBookReader {
  public:
    PhoneBookReader(const std::string& operation, const std::string& prefix,
                    const PhoneBookTexts& texts, StringGrid* grid, QPushButton* button,
                    QLabel* counter, QLabel* panel);
    ReadCycle& cycle() { return cycle_; }

  private:
    ReadCycleHooks hooks();
    StringGrid* grid_;
    QLabel* counter_;
    QLabel* panel_;
    GridReadView view_;
    ReadCycle cycle_;
};

}  // namespace td
