#include "widgets/gridview.h"

#include "platform/cp1251.h"
#include "platform/qtservices.h"

namespace td {

void fillGridRows(StringGrid* grid, QLabel* counter, int count, bool pumpEvents,
                  const std::function<void(int row)>& fillRow) {
    grid->ensureRow(count);
    EventPump& ev = pump();
    long long shown = ev.nowMs(), pumped = shown;
    for (int row = 1; row <= count; ++row) {
        fillRow(row);
        const long long now = ev.nowMs();
        const bool events = pumpEvents && now - pumped >= GridEventsMs;
        if (counter && (row == count || (events && now - shown >= GridCounterMs))) {
            counter->setText(QString::number(row));
            shown = now;
        }
        if (events) {
            ev.processEvents();
            pumped = ev.nowMs();
        }
    }
    grid->refilter();  // the user's sort and search apply to the fresh rows
}

namespace {

// Lives as the counter's child: what the counter needs to show the shown rows.
class SearchCount : public QObject {
  public:
    SearchCount(QLabel* counter, StringGrid* grid, QLineEdit* search)
        : QObject(counter), counter_(counter), grid_(grid), search_(search) {
        setObjectName("SearchCount");
        // Connected after the grid's own filtering (makeGridSearchBox), so it
        // counts the rows that filtering left.
        connect(search, &QLineEdit::textChanged, this, [this] { show(); });
    }
    void setTotal(int total) {
        total_ = total;
        show();
    }

  private:
    void show() {
        if (total_ < 0) return;  // nothing counted yet: the counter keeps its text
        if (search_->text().isEmpty())
            counter_->setText(QString::number(total_));
        else
            counter_->setText(QString::number(shownRecords(grid_)) + fromWin(W(" из ")) +
                              QString::number(total_));
    }
    QLabel* counter_;
    StringGrid* grid_;
    QLineEdit* search_;
    int total_ = -1;
};

}  // namespace

void attachSearchCount(QLabel* counter, StringGrid* grid, QLineEdit* search) {
    new SearchCount(counter, grid, search);
}

void setRecordCount(QLabel* counter, int total) {
    if (auto* sc = counter->findChild<QObject*>("SearchCount", Qt::FindDirectChildrenOnly))
        static_cast<SearchCount*>(sc)->setTotal(total);
    else
        counter->setText(QString::number(total));
}

int shownRecords(const StringGrid* grid) {
    int n = 0;
    for (int r = 1; r < grid->rows(); ++r)
        if (!grid->rowEmpty(r) && grid->rowShown(r)) ++n;
    return n;
}

std::string GridReadView::refreshCaption() const {
    return toWin(button_->text());
}
void GridReadView::setRefreshCaption(const std::string& text) {
    button_->setText(fromWin(text));
}
void GridReadView::setRefreshColor(unsigned rgb) {
    setCaptionColor(button_, rgb);
}
void GridReadView::setRefreshHint(const std::string& text) {
    button_->setToolTip(hintText(text));
}
void GridReadView::setRefreshEnabled(bool on) {
    button_->setEnabled(on);
}
void GridReadView::setStatus(const std::string& text) {
    // A long reason does not fit the panel: pointing at it shows all of it.
    panel_->setText(fromWin(text));
    panel_->setToolTip(hintText(text));
}
void GridReadView::setGridHint(const std::string& text) {
    grid_->setToolTip(hintText(text));
}

QString hintText(const std::string& text) {
    QString s = fromWin(text);
    s.replace(QChar('\r'), QChar('\n'));
    return s;
}

void setCaptionColor(QPushButton* b, unsigned rgb) {
    // A disabled button greys its caption, as buttons without a colour do.
    b->setStyleSheet(QStringLiteral("QPushButton { color: #%1; } QPushButton:disabled { color: "
                                    "palette(disabled-text); }")
                         .arg(rgb & 0xFFFFFF, 6, 16, QLatin1Char('0')));
}

QPushButton* navyButton(QWidget* parent, const char* name, const char* caption, const char* hint) {
    auto* b = new QPushButton(fromWin(W(caption)), parent);
    b->setObjectName(name);
    b->setAutoDefault(false);  // Enter never presses a button the user did not aim at
    if (*hint) b->setToolTip(hintText(W(hint)));
    setCaptionColor(b, NavyColor);
    return b;
}

QPushButton* glyphButton(QWidget* parent, const char* name, QStyle::StandardPixmap glyph,
                         const char* hint) {
    QPushButton* b = navyButton(parent, name, "", hint);
    b->setIcon(parent->style()->standardIcon(glyph));
    b->setFixedWidth(36);
    return b;
}

}  // namespace td
