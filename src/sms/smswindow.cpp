#include "sms/smswindow.h"

#include <QApplication>
#include <QDialog>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "engine/phonenumber.h"
#include "engine/settings.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/qtservices.h"
#include "platform/services.h"
#include "widgets/exchangeui.h"
#include "widgets/stringgrid.h"

namespace td::sms {

namespace {
QLabel* panel(QDialog* w, const char* name, const QString& text, int frame) {
    auto* l = new QLabel(text, w);
    l->setObjectName(name);
    l->setFrameStyle(frame);
    l->setMinimumHeight(24);
    return l;
}
}  // namespace

SmsControls makeSmsControls(QDialog* w, const SmsWindowDesign& d) {
    w->setWindowTitle(fromWin(W(d.caption)));
    SmsControls c;
    c.title = panel(w, "Panel2", fromWin(W(d.title)), QFrame::Panel | QFrame::Raised);
    c.title->setAlignment(Qt::AlignCenter);
    c.title->setStyleSheet("QLabel { background: #c8ecc8; color: #000080; font-weight: bold; }");
    c.status = panel(w, "Panel3", fromWin(W("Список SMS из мобильного телефона")),
                     QFrame::Panel | QFrame::Sunken);
    c.status->setStyleSheet("QLabel { background: #d8ecff; }");

    const int columns = static_cast<int>(d.columnWidths.size());
    c.grid = new StringGrid(columns, d.rows, w);
    c.grid->setObjectName(d.gridName);
    c.grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    c.grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    c.grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    c.grid->horizontalHeader()->setStretchLastSection(false);
    // The designed column widths were made for a small font: the list uses
    // one, so that statuses and marks are read whole.
    QFont small = c.grid->font();
    small.setPointSizeF(8);
    c.grid->setFont(small);
    c.grid->horizontalHeader()->setFont(small);
    c.grid->verticalHeader()->setDefaultSectionSize(18);
    for (int i = 0; i < columns; ++i) c.grid->setColumnWidth(i, d.columnWidths[i]);
    setTitles(c.grid, d);

    c.counter = new QLabel("-", w);
    c.counter->setObjectName("lGetRecordCount");
    c.counter->setMinimumWidth(40);
    c.counter->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    c.search = makeGridSearchBox(c.grid, w);
    attachSearchCount(c.counter, c.grid, c.search);
    c.reSend =
        glyphButton(w, "bbReSend", QStyle::SP_BrowserReload,
                    "Послать ещё раз ранее отправленное SMS-сообщение, хранящеееся в телефоне ");
    c.save = glyphButton(w, "bbSaveSMSList", QStyle::SP_DialogSaveButton,
                         "Сохранить на диске текущий список SMS");
    c.csv = navyButton(w, "bbExportCsv", "CSV", "Записать список SMS в файл CSV...");
    c.csv->setFixedWidth(36);  // as narrow as the picture buttons beside it
    const std::string kind = d.kind;
    QObject::connect(c.csv, &QPushButton::clicked, w, [w, kind] { exportSmsListAsked(w, kind); });
    c.del = navyButton(w, "bbDelSentSMS", "Удалить", "Удалить выбранную SMS и обновить информацию");
    designDeleteLook(c.del);
    c.action = navyButton(w, d.actionName, d.actionCaption,
                          "Закрыть форму и перейти с выбору сообщений для отправки");
    c.lastCopy = navyButton(
        w, "bbLastCopy", "Последняя копия",
        "Загрузить последнюю копию из файла - она может не соответствовать списку в телефоне !!");
    c.refresh = navyButton(w, d.refreshName, "Обновить", d.refreshHint);
    return c;
}

void layoutSms(QDialog* w, const SmsControls& c, const SmsWindowDesign& d,
               std::initializer_list<QWidget*> extra) {
    auto* row = new QHBoxLayout;
    row->addWidget(c.reSend);
    row->addWidget(c.save);
    row->addWidget(c.csv);
    for (QWidget* e : extra) row->addWidget(e);
    row->addWidget(c.counter);
    row->addWidget(c.search);
    row->addStretch();
    row->addWidget(c.del);
    row->addWidget(c.action);
    row->addWidget(c.lastCopy);
    row->addWidget(c.refresh);
    auto* v = new QVBoxLayout(w);
    v->setContentsMargins(6, 6, 6, 6);
    v->setSpacing(4);
    v->addWidget(c.title);
    v->addWidget(c.status);
    v->addWidget(c.grid, 1);
    v->addLayout(row);
    w->resize(d.width, d.height);
    // Enter in the list must not press a button the dialog picked for it.
    for (QPushButton* b : w->findChildren<QPushButton*>()) b->setAutoDefault(false);
}

void setTitles(StringGrid* grid, const SmsWindowDesign& d) {
    for (std::size_t i = 0; i < d.titles.size(); ++i)
        grid->setCell(static_cast<int>(i), 0, W(d.titles[i]));
}

void designDeleteLook(QPushButton* del) {
    setCaptionColor(del, 0x008080);
    QFont f = del->font();
    f.setItalic(true);
    del->setFont(f);
}

namespace {
// Tells the current cell a grid takes on its own when it gets the focus
// without one (the first cell) from one the user chose, a mouse press from
// a key, and takes the space bar as a click on the current cell.
class SelectGuard : public QObject {
  public:
    SelectGuard(StringGrid* grid, std::function<void(int, int, bool)> select)
        : QObject(grid), grid_(grid), viewport_(grid->viewport()), select_(std::move(select)) {
        grid->installEventFilter(this);
        viewport_->installEventFilter(this);
    }
    bool focusing = false;
    bool pressing = false;  // a mouse button is down on the grid
    bool moved = false;     // that press made another cell the current one

  protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (o == grid_ && e->type() == QEvent::FocusIn && !grid_->currentIndex().isValid() &&
            static_cast<QFocusEvent*>(e)->reason() != Qt::MouseFocusReason) {
            focusing = true;
            QTimer::singleShot(0, this, [this] { focusing = false; });
        }
        // The viewport is compared as kept: while the grid is being
        // destroyed its viewport still sends events, and the grid can no
        // longer be asked for it.
        if (o == viewport_ && e->type() == QEvent::MouseButtonPress) {
            pressing = true;
            moved = false;
        }
        if (o == viewport_ && e->type() == QEvent::MouseButtonRelease) pressing = false;
        if (o == grid_ && e->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(e)->key() == Qt::Key_Space && grid_->currentIndex().isValid()) {
            select_(grid_->currentColumn(), grid_->currentGridRow(), true);
            return true;
        }
        return false;
    }

  private:
    StringGrid* grid_;
    QWidget* viewport_;
    std::function<void(int, int, bool)> select_;
};
}  // namespace

void onUserSelect(StringGrid* grid,
                  const std::function<void(int col, int row, bool marking)>& select) {
    auto* guard = new SelectGuard(grid, select);
    QObject::connect(grid, &StringGrid::selectCell, grid, [guard, select](int col, int row) {
        if (guard->focusing) return;
        guard->moved = guard->pressing;
        select(col, row, guard->pressing);
    });
    // A click on the cell that is already the current one moves nothing,
    // but it is still a choice of that row.
    QObject::connect(grid, &QTableWidget::cellClicked, grid, [guard, select](int row, int col) {
        if (!guard->moved) select(col, row + 1, true);
        guard->moved = false;
    });
}

// ---- the list view ------------------------------------------------------

SmsGridView::SmsGridView(StringGrid* grid, std::unique_ptr<ReadView> read, QLabel* counter,
                         int listColumns, int designRows)
    : grid_(grid),
      read_(std::move(read)),
      counter_(counter),
      columns_(listColumns),
      designRows_(designRows) {}

SmsGridView::SmsGridView(StringGrid* grid, QPushButton* button, QLabel* panel, QLabel* counter,
                         int listColumns, int designRows)
    : SmsGridView(grid, std::make_unique<GridReadView>(grid, button, panel), counter, listColumns,
                  designRows) {}

void SmsGridView::clearList() {
    const int columns = std::min(columns_ + 1, grid_->columnCount());  // the time too
    for (int r = 0; r < grid_->rowCount(); ++r)
        for (int c = 0; c < columns; ++c)
            if (QTableWidgetItem* it = grid_->item(r, c)) it->setText(QString());
}

void SmsGridView::showRows(const std::vector<SmsRow>& rows) {
    grid_->setUpdatesEnabled(false);
    // Every message gets a row: the grid grows to hold them all, once.
    grid_->setRows(std::max<int>(designRows_, static_cast<int>(rows.size()) + 1));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int r = static_cast<int>(i) + 1;
        grid_->setCell(0, r, rows[i].who);
        grid_->setCell(1, r, rows[i].text);
        if (columns_ > 2) grid_->setCell(2, r, rows[i].status);
        // The time stands after the list's own columns.
        if (grid_->columnCount() > columns_) grid_->setCell(columns_, r, rows[i].time);
    }
    grid_->refilter();  // the user's sort and search apply to the new rows
    grid_->setUpdatesEnabled(true);
    setRecordCount(counter_, static_cast<int>(rows.size()));
}

void SmsGridView::clearSelection() {
    grid_->clearSelection();
    grid_->setCurrentCell(-1, -1);
    if (onSelectionCleared) onSelectionCleared();
}

void actionsOffAfterReread(SmsGridView& list, SmsGridView& del, QPushButton* delButton,
                           const std::function<void()>& actionsOff) {
    list.onSelectionCleared = actionsOff;
    del.onSelectionCleared = [delButton, actionsOff] {
        const bool enabled = delButton->isEnabled();
        actionsOff();
        delButton->setEnabled(enabled);
    };
}

// ---- reply --------------------------------------------------------------

void handOverReply(SmsReader& reader, const ReplyLinks& links) {
    std::vector<std::string> names =
        links.abonentNames ? links.abonentNames() : std::vector<std::string>{};
    std::vector<std::string> numbers =
        links.abonentNumbers ? links.abonentNumbers() : std::vector<std::string>{};
    Reply r = resolveReply(reader.chosen().who, names, numbers, reader.names());
    reader.chosen().who = r.text;
    if (r.kind == Reply::Unknown) {
        dialogs().message(unknownReplyText(r.text));
        return;
    }
    // The number goes as the phone dials it: a blank in it would make
    // several recipients of one.
    std::optional<std::string> number = normalizePhoneNumber(r.number);
    if (!number) {
        dialogs().message(W("- Номер \"") + r.number + W("\" абонента \"") + r.text +
                          W("\" не является номером телефона"));
        return;
    }
    if (links.setRecipientText) links.setRecipientText(r.text, r.ownIndex);
    if (links.setRecipients) links.setRecipients(*number, *number);
}

}  // namespace td::sms
