// The date book window: its controls, layout and the small handlers. The
// reads, the save and the unload are in MemDayBookRead.cpp.

#include "datebook/MemDayBook.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "datebook/mdbcycle.h"
#include "engine/readcycle.h"
#include "engine/settings.h"
#include "platform/cp1251.h"
#include "platform/qtservices.h"
#include "platform/services.h"
#include "widgets/exchangeui.h"
#include "widgets/gridview.h"
#include "widgets/stringgrid.h"

using td::fromWin;
using td::W;

namespace {

QLabel* strip(QWidget* parent, const char* name, const QString& text, int shape) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setFrameStyle(shape);
    l->setMinimumHeight(24);
    return l;
}

}  // namespace

TForm9::TForm9(QWidget* parent) : QDialog(parent) {
    setObjectName("TForm9");
    setWindowTitle(fromWin(W("Ежедневник (из телефона)")));

    Panel2 = strip(this, "Panel2", fromWin(W("Ежедневник (из мобильного телефона)")),
                   QFrame::Panel | QFrame::Raised);
    Panel2->setAlignment(Qt::AlignCenter);
    Panel5 = strip(this, "Panel5", "-", QFrame::Panel | QFrame::Sunken);

    StringGridMobileMDB = new StringGrid(td::MdbColumns, DesignRows, this);
    StringGridMobileMDB->setObjectName("StringGridMobileMDB");
    StringGridMobileMDB->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGridMobileMDB->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    // The designed widths, widened where this system's font needs more room
    // for a title or for the longest value a column holds.
    static const char* const samples[td::MdbColumns] = {
        "", "Нет", "Нет", "00:00", "00-00-2000", "1440", "00:00", "00-00-2000", "Ежемесячно-число"};
    const QFontMetrics fm = StringGridMobileMDB->fontMetrics();
    int width = 0;
    for (int c = 0; c < td::MdbColumns; ++c) {
        int need = std::max(fm.horizontalAdvance(fromWin(td::mdbColumnTitles()[c])),
                            fm.horizontalAdvance(fromWin(W(samples[c])))) +
                   14;
        int w = std::max(td::MdbColumnWidths[c], need);
        StringGridMobileMDB->setColumnWidth(c, w);
        width += w;
    }
    StringGridMobileMDB->setMinimumWidth(width + 24);
    connect(StringGridMobileMDB, &StringGrid::selectCell, this,
            &TForm9::StringGridMobileMDBSelectCell);
    connect(StringGridMobileMDB, &QTableWidget::cellClicked, this,
            [this] { StringGridMobileMDBClick(); });

    lGetRecordCount = new QLabel("-", this);
    lGetRecordCount->setObjectName("lGetRecordCount");
    lGetRecordCount->setMinimumWidth(30);
    bbSaveMDBList = td::glyphButton(this, "bbSaveMDBList", QStyle::SP_DialogSaveButton,
                                    "Сохранить на диске текущий список напоминаний");
    bbUnloadMemBook = td::navyButton(this, "bbUnloadMemBook", "Выгрузить",
                                     "Выгрузить ежедневник для последующей загрузки");
    bbICalendar = td::navyButton(this, "bbICalendar", "В iCalendar...",
                                 "Записать последнюю копию ежедневника в файл iCalendar (.ics)");
    bbFromICalendar =
        td::navyButton(this, "bbFromICalendar", "Из iCalendar...",
                       "Добавить события из файла iCalendar (.ics) в последнюю копию ежедневника");
    bbDelete =
        td::navyButton(this, "bbDelete", "Удалить", "Удалить выбранную запись из ежедневника");
    bbDelete->setEnabled(false);
    bbToPhone = td::navyButton(this, "bbToPhone", "В телефон", "");
    bbToPhone->setEnabled(false);
    PanelAutoDel = strip(this, "PanelAutoDel", fromWin(W("Авт. удалять через 1 неделю")),
                         QFrame::Panel | QFrame::Raised);
    PanelAutoDel->setAlignment(Qt::AlignCenter);
    PanelAutoDel->setMinimumWidth(200);
    PanelAutoDel->setToolTip(td::hintText(td::autoDeleteDefaultHint()));
    PanelAutoDel->installEventFilter(this);
    PanelAutoDel->hide();
    bbLastCopy =
        td::navyButton(this, "bbLastCopy", "Последняя", "Последняя копия записей из телефона");
    bbGetMDBook = td::navyButton(this, "bbGetMDBook", "Обновить", "Прочесть записи из ТЕЛЕФОНА");
    for (QPushButton* b : {bbSaveMDBList, bbUnloadMemBook, bbICalendar, bbFromICalendar, bbDelete,
                           bbToPhone, bbLastCopy, bbGetMDBook})
        b->setAutoDefault(false);

    connect(bbSaveMDBList, &QPushButton::clicked, this, &TForm9::bbSaveMDBListClick);
    connect(bbUnloadMemBook, &QPushButton::clicked, this, &TForm9::bbUnloadMemBookClick);
    connect(bbICalendar, &QPushButton::clicked, this, &TForm9::bbICalendarClick);
    connect(bbFromICalendar, &QPushButton::clicked, this, &TForm9::bbFromICalendarClick);
    connect(bbDelete, &QPushButton::clicked, this, &TForm9::bbDeleteClick);
    connect(bbToPhone, &QPushButton::clicked, this, &TForm9::bbToPhoneClick);
    connect(bbLastCopy, &QPushButton::clicked, this, &TForm9::bbLastCopyClick);
    connect(bbGetMDBook, &QPushButton::clicked, this, &TForm9::bbGetMDBookClick);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(bbSaveMDBList);
    buttons->addWidget(bbUnloadMemBook);
    buttons->addWidget(bbICalendar);
    buttons->addWidget(bbFromICalendar);
    buttons->addWidget(bbDelete);
    buttons->addSpacing(12);
    buttons->addWidget(PanelAutoDel);
    buttons->addStretch();
    buttons->addWidget(lGetRecordCount);
    buttons->addSpacing(12);
    buttons->addWidget(bbLastCopy);
    buttons->addWidget(bbGetMDBook);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(6, 6, 6, 6);
    v->addWidget(Panel2);
    // The status strip leaves room at its end, where the write of the events
    // added from a file stands; the button row is full once the auto-delete
    // panel shows.
    auto* status = new QHBoxLayout;
    status->addWidget(Panel5, 1);
    status->addWidget(bbToPhone);
    v->addLayout(status);
    v->addWidget(StringGridMobileMDB, 1);
    v->addLayout(buttons);
    resize(width + 36, 600);

    readView_ = std::make_unique<td::GridReadView>(StringGridMobileMDB, bbGetMDBook, Panel5);
    unloadView_ = std::make_unique<td::GridReadView>(StringGridMobileMDB, bbUnloadMemBook, Panel5);
    writeView_ = std::make_unique<td::GridReadView>(StringGridMobileMDB, bbToPhone, Panel5);
}

TForm9::~TForm9() = default;

void TForm9::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    FormActivate();
}

bool TForm9::eventFilter(QObject* o, QEvent* e) {
    if (o == PanelAutoDel && e->type() == QEvent::MouseButtonRelease) {
        PanelAutoDelClick();
        return true;
    }
    return QDialog::eventFilter(o, e);
}

void TForm9::FormActivate() {
    if (!sizeLocked_) {
        sizeLocked_ = true;
        setFixedSize(size());
    }
    const td::MdbRow& titles = td::mdbColumnTitles();
    for (int c = 0; c < td::MdbColumns; ++c) StringGridMobileMDB->setCell(c, 0, titles[c]);
    bbDelete->setEnabled(false);
    PanelAutoDel->hide();
    bbUnloadMemBook->setEnabled(true);
    bbLastCopyClick();
    showPending();
}

void TForm9::bbDeleteClick() {
    bbDelete->setEnabled(false);
    td::dialogs().message(td::laterVersionText());
}

void TForm9::StringGridMobileMDBClick() {
    bbDelete->setEnabled(true);
}

void TForm9::StringGridMobileMDBSelectCell(int, int row) {
    auto blank = [](const std::string& s) { return s.empty() || s == " "; };
    if (blank(StringGridMobileMDB->cell(0, row)) && blank(StringGridMobileMDB->cell(1, row)))
        bbDelete->setEnabled(false);
}

void TForm9::PanelAutoDelClick() {
    td::dialogs().message(td::autoDeleteLaterText());
}

void TForm9::showPanel(const td::AutoDeletePanel& p) {
    autoDeleteText_ = p.text;
    PanelAutoDel->setText(fromWin(p.caption));
    // The hint follows the setting each time it is read from a file.
    if (p.setsNeverHint)
        PanelAutoDel->setToolTip(
            td::hintText(p.never ? td::autoDeleteNeverHint() : td::autoDeleteDefaultHint()));
}

void TForm9::clearRows() {
    // Every column: an event shown before must not leave its times under
    // another event's title or an empty one.
    for (int r = 1; r < StringGridMobileMDB->rows(); ++r)
        for (int c = 0; c < td::MdbColumns; ++c) StringGridMobileMDB->setCell(c, r, "");
}

void TForm9::display(const td::MdbShown& s, td::MdbSource source) {
    clearRows();
    StringGridMobileMDB->setRows(s.gridRows);
    int row = 1;
    for (const td::MdbRow& r : s.rows) {
        for (int c = 0; c < td::MdbColumns; ++c) StringGridMobileMDB->setCell(c, row, r[c]);
        ++row;
    }
    lGetRecordCount->setText(QString::number(s.rows.size()));
    if (s.panel) showPanel(*s.panel);
    if (source == td::MdbSource::LastCopy)
        PanelAutoDel->setVisible(s.panelVisible);
    else if (s.panel)
        PanelAutoDel->show();
}

void TForm9::bbICalendarClick() {
    td::exportDateBookAsked(this);
}

// The added events are shown at once, from the last copy they went into.
void TForm9::bbFromICalendarClick() {
    if (td::importDateBookAsked(this)) bbLastCopyClick();
    showPending();
}
