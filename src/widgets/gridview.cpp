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
