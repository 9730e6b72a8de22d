#pragma once
#include <QDialog>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "datebook/mdbcycle.h"
#include "datebook/mdblogic.h"

class QLabel;
class QPushButton;
class StringGrid;

namespace td {
class ReadCycle;
class GridReadView;
}  // namespace td

// Date book window: the events of a Motorola phone's date book with its
// auto-delete setting, read from the phone or from the last copy; the list
// can be saved under a dated name and unloaded into a batch file that
// writes the same events into a phone.
class TForm9 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm9(QWidget* parent = nullptr);
    ~TForm9() override;

    static constexpr int DesignRows = 25;

    // The settings window's "beep when a read produced nothing", wired in src/app.
    std::function<bool()> beepWanted;

    // The phone's auto-delete setting as this run last read it from the phone
    // (AutoDeleteUnknown before the first read and after a read without it).
    int autoDeleteNumber() const { return weeks_; }
    // Set by a refresh click: the next run reads from the phone.
    bool dateBookUpdate() const { return flags_.update; }
    // The window's read flags (its own: no other window's click reaches them).
    td::ReadFlags& readFlags() { return flags_; }

    // One run of the date book read, in the mode the update flag selects.
    void ReadMemDayBook();

  public slots:
    void FormActivate();
    void bbGetMDBookClick();
    void bbLastCopyClick();
    void bbSaveMDBListClick();
    void bbUnloadMemBookClick();
    void bbICalendarClick();      // the last copy to an iCalendar file
    void bbFromICalendarClick();  // an iCalendar file's events into the last copy
    void bbToPhoneClick();        // the events added from a file into the phone
    void bbDeleteClick();
    void StringGridMobileMDBClick();
    void StringGridMobileMDBSelectCell(int col, int row);
    void PanelAutoDelClick();

  protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

  private:
    td::ReadCycle& cycle(td::MdbRun kind);
    template <class F>
    void enter(td::MdbRun kind, F f);
    void afterPhoneRead(int outcome);
    void display(const td::MdbShown& s, td::MdbSource source);
    void showPanel(const td::AutoDeletePanel& p);
    void clearRows();
    std::vector<std::string> pendingLines() const;
    void showPending();  // the write button follows the pending events
    void writeUnload(const std::vector<std::string>& lines);
    bool writeFile(const std::string& path, const std::vector<std::string>& lines);

    QLabel* Panel2;
    QLabel* Panel5;
    StringGrid* StringGridMobileMDB;
    QLabel* lGetRecordCount;
    QPushButton* bbSaveMDBList;
    QPushButton* bbUnloadMemBook;
    QPushButton* bbICalendar;
    QPushButton* bbFromICalendar;
    QPushButton* bbDelete;
    QPushButton* bbToPhone;
    QLabel* PanelAutoDel;
    QPushButton* bbLastCopy;
    QPushButton* bbGetMDBook;

    std::unique_ptr<td::GridReadView> readView_, unloadView_, writeView_;
    std::unique_ptr<td::ReadCycle> read_, unload_, write_;
    td::MdbReader reader_;      // the read in progress: words and unit carry over
    int depth_[3] = {0, 0, 0};  // nested runs of each cycle: a click during a wait
    int weeks_ = td::AutoDeleteUnknown;
    std::string autoDeleteText_;
    // What the save writes without a result file: the last copy shown, the
    // log of the last read or the last unload's lines.
    std::vector<std::string> shownLines_;
    bool sizeLocked_ = false;
    td::ReadFlags flags_;
};
