#include "phonebook/pblist.h"

#include <QCheckBox>

#include "app/forms.h"
#include "binding/SelectFromCellTalk.h"
#include "engine/settings.h"
#include "phonebook/GetPBook.h"
#include "phonebook/MissCall.h"
#include "phonebook/TpdPBook.h"
#include "platform/cp1251.h"
#include "platform/qtservices.h"

namespace td {

std::string OwnHeaderName() {
    return W(" Имя абонента");
}
std::string OwnHeaderNumber() {
    return W(" Номер телефона");
}

bool beepOptionTicked() {
    TForm2* f = forms().Form2;
    return f && f->CheckBoxBeep && f->CheckBoxBeep->isChecked();
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
    panel_->setText(fromWin(text));
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
    b->setStyleSheet(
        QStringLiteral("QPushButton { color: #%1; }").arg(rgb & 0xFFFFFF, 6, 16, QLatin1Char('0')));
}

void fillRecords(StringGrid* grid, QLabel* counter, const std::vector<PBRecord>& records,
                 bool pumpEvents) {
    int row = 1;
    for (const PBRecord& r : records) {
        grid->setCell(0, row, r.name);
        grid->setCell(1, row, r.number);
        if (counter) counter->setText(QString::number(row));
        if (pumpEvents) pump().processEvents();
        ++row;
    }
}

namespace {
// Row 0 takes the own phone book's titles.
void copyOwnHeader(StringGrid* grid) {
    TForm3* own = forms().Form3;
    grid->setCell(0, 0, own ? own->StringGridPhoneBook->cell(0, 0) : OwnHeaderName());
    grid->setCell(1, 0, own ? own->StringGridPhoneBook->cell(1, 0) : OwnHeaderNumber());
}

void enableTransfer(bool ready, bool saveReset, bool touchSaveReset) {
    TForm4* f = forms().Form4;
    if (!f) return;
    f->bbReady->setEnabled(ready);
    if (touchSaveReset) {
        f->bbSaveMyPB->setEnabled(saveReset);
        f->bbResetMyPB->setEnabled(saveReset);
    }
}
}  // namespace

PhoneBookReader::PhoneBookReader(const std::string& operation, const std::string& prefix,
                                 const PhoneBookTexts& texts, StringGrid* grid, QPushButton* button,
                                 QLabel* counter, QLabel* panel)
    : grid_(grid),
      counter_(counter),
      panel_(panel),
      view_(grid, button, panel),
      cycle_(phoneBookCycleConfig(operation, prefix, texts), view_, hooks()) {}

ReadCycleHooks PhoneBookReader::hooks() {
    ReadCycleHooks h;
    h.onCycleStart = [] {
        enableTransfer(false, false, true);
        if (TForm3* own = forms().Form3) own->findFreeRow();
    };
    h.beforeLastCopy = [this] {
        grid_->clearRows(0);
        grid_->resetRows();
        copyOwnHeader(grid_);
    };
    h.loadLastCopy = [this](const std::vector<std::string>& lines) {
        std::vector<PBRecord> records;
        records.reserve(lines.size());
        for (const std::string& l : lines) records.push_back(splitRecordLine(l));
        fillRecords(grid_, counter_, records, false);
    };
    h.parse = [this](const std::vector<std::string>& lines) {
        if (TForm4* f = forms().Form4)
            f->StringGridMobilePB->setToolTip(
                hintText(W("Переносите по одной записи телефонной книги из телефона\r(двойной "
                           "клик - выбор и перенос)")));
        if (TForm6* f = forms().Form6)
            f->StringGridMobilePB->setToolTip(fromWin(W("Выберите запись, если хотите позвонить")));
        panel_->setText(fromWin(W("Текущие записи из мобильного телефона")));

        Prog& p = prog();
        p.RecordList.clear();
        grid_->clearRows(1);
        grid_->resetRows();
        copyOwnHeader(grid_);
        std::vector<PBRecord> records = parsePhoneBookAnswer(lines, p.PrefixPhoneBook);
        for (const PBRecord& r : records) p.RecordList.push_back(recordLine(r));
        fillRecords(grid_, counter_, records, true);
    };
    h.onDataLoaded = [] { enableTransfer(true, false, false); };
    h.beepWanted = [] { return beepOptionTicked(); };
    return h;
}

}  // namespace td
