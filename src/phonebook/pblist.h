#pragma once
// What the phone book window and the missed calls window share: their
// reader (the read cycle over their grid, refresh button, counter and status
// panel), the filling of the grid from a fresh answer or from the last copy,
// and the header texts of the own phone book.

#include <QLabel>
#include <QPushButton>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/readcycle.h"
#include "phonebook/pbcycle.h"
#include "phonebook/pbparser.h"
#include "widgets/gridview.h"
#include "widgets/stringgrid.h"

namespace td {

std::string OwnHeaderName();    // " Имя абонента"
std::string OwnHeaderNumber();  // " Номер телефона"
std::string CallTimeHeader();   // " Время вызова", the missed calls' third column

// Fills rows 1, 2, ... from records (fillGridRows: the grid grown once when
// they do not fit, the counter following, events every few milliseconds
// while rows go in when pumpEvents is set). A third column, where the grid has one, shows the
// call's time.
void fillRecords(StringGrid* grid, QLabel* counter, const std::vector<PBRecord>& records,
                 bool pumpEvents);

// What a phone-book-like read asks of the windows around it: the phone book
// window's transfer buttons, the own phone book's free row and titles, the
// grid hints of both phone list windows, the settings window's beep option.
// Wired once in src/app; an unset hook is skipped.
struct PhoneBookLinks {
    std::function<void()> cycleStarted;  // transfer buttons off, free row found
    std::function<void()> dataLoaded;    // transfer button on
    std::function<void()> freshList;     // a fresh answer is being shown
    std::function<std::pair<std::string, std::string>()> ownHeader;  // titles of row 0
    std::function<bool()> beepWanted;
};

// The read cycle of one window over a phone-book-like list: one per window,
// alive as long as the window. A reader given showTimes keeps the calls'
// times beside its copy (prefix + CallTimesName) and tells the window
// whether the list it shows has any; without it the times are dropped. The
// operation is looked up at each start, because the main window's
// activation may have bound another one.
class PhoneBookReader {
  public:
    PhoneBookReader(std::function<std::string()> operation, std::string prefix,
                    PhoneBookTexts texts, StringGrid* grid, QPushButton* button, QLabel* counter,
                    QLabel* panel);
    PhoneBookReader(const PhoneBookReader&) = delete;
    PhoneBookReader& operator=(const PhoneBookReader&) = delete;

    PhoneBookLinks links;
    // Set by a window that shows the calls' times: called before a list is
    // shown, with whether any of its records has a time.
    std::function<void(bool any)> showTimes;
    // This reader's abort and update flags (no other reader touches them).
    ReadFlags& flags() { return flags_; }

    void refreshClick();
    void lastCopyClick();
    void run();
    void setOnRefreshClick(std::function<void()> f) { cycle_.setOnRefreshClick(std::move(f)); }

  private:
    ReadCycleHooks hooks();
    template <class F>
    void enter(F f);
    void header();
    void showTimesOf(std::vector<PBRecord>& records);
    std::string timesPath() const;
    std::function<std::string()> operation_;
    std::string prefix_;
    PhoneBookTexts texts_;
    StringGrid* grid_;
    QLabel* counter_;
    QLabel* panel_;
    GridReadView view_;
    ReadFlags flags_;
    std::vector<std::string> records_;  // the last answer's records, the last copy's lines
    std::vector<std::string> times_;    // the last answer's call times (callTimeLines)
    ReadCycle cycle_;
    int depth_ = 0;  // nested runs: a click during a wait
};

}  // namespace td
