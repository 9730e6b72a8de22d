#pragma once
// Pieces every reading window shares: the read cycle's view over a refresh
// button, a status panel and a grid, and the navy-captioned buttons.

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <functional>
#include <string>

#include "engine/readcycle.h"
#include "widgets/stringgrid.h"

namespace td {

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

// Fills rows 1 to count of a grid: the grid is sized once for them, then
// fillRow(row) fills each row. With pumpEvents the window's pending events
// run between the rows whenever GridEventsMs have passed since they last
// ran, so that a long list keeps the window alive (running them after every
// row took half of a long fill's time); the counter (if any) shows the rows
// filled, brought up to date when events run at least GridCounterMs after
// its last change, and always at the end.
void fillGridRows(StringGrid* grid, QLabel* counter, int count, bool pumpEvents,
                  const std::function<void(int row)>& fillRow);
constexpr int GridEventsMs = 5;
constexpr int GridCounterMs = 20;

// The record counter of a list with a search box. setRecordCount shows a
// fill's total as the plain number it always was; while the box holds a
// text it shows the records left in view against the total ("12 из 340"),
// following every change of the text. A counter without a search box
// attached just shows the number.
void attachSearchCount(QLabel* counter, StringGrid* grid, QLineEdit* search);
void setRecordCount(QLabel* counter, int total);
// The rows with a record (one of the first two cells filled) the search
// leaves in view.
int shownRecords(const StringGrid* grid);

// A hint with "\r" line breaks as the widgets show it.
QString hintText(const std::string& text);

// Colours a button's caption (0xRRGGBB).
void setCaptionColor(QPushButton* b, unsigned rgb);

// A button with navy caption; texts are UTF-8 literals, an empty hint sets none.
QPushButton* navyButton(QWidget* parent, const char* name, const char* caption, const char* hint);
// A caption-less button showing one of the style's glyphs.
QPushButton* glyphButton(QWidget* parent, const char* name, QStyle::StandardPixmap glyph,
                         const char* hint);

}  // namespace td
