#include "phonebook/TpdPBook.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <algorithm>

#include "engine/settings.h"
#include "formats/ownbook.h"
#include "phonebook/pblist.h"
#include "phonebook/readerwindow.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/qtservices.h"
#include "widgets/exchangeui.h"
#include "widgets/stringgrid.h"

using td::fromWin;
using td::W;

namespace {

// Cell editor in which a typed "=" becomes "-": the name is the ini key, and
// "=" would split it.
class NoEqualsDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        auto* e = new QLineEdit(parent);
        e->setObjectName("GridEditor");
        e->setFrame(false);
        QObject::connect(e, &QLineEdit::textEdited, e, [e](const QString& text) {
            if (!text.contains(QChar('='))) return;
            int pos = e->cursorPosition();
            QString fixed = text;
            fixed.replace(QChar('='), QChar('-'));
            e->setText(fixed);
            e->setCursorPosition(pos);
        });
        return e;
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        QString text = static_cast<QLineEdit*>(editor)->text();
        text.replace(QChar('='), QChar('-'));
        model->setData(index, text);
    }
};

}  // namespace

TForm3::TForm3(QWidget* parent) : QDialog(parent) {
    setObjectName("TForm3");
    setWindowTitle(fromWin(W("Телефонная книга (в т.ч. из мобильного телефона)")));

    Panel2 =
        new QLabel(fromWin(W("Вводите или изменяйте имя абонента и номер его телефона ")), this);
    Panel2->setObjectName("Panel2");
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel2->setAlignment(Qt::AlignCenter);
    Panel2->setWordWrap(true);
    Panel2->setMinimumHeight(26);

    StringGridPhoneBook = new StringGrid(2, DesignRows, this);
    StringGridPhoneBook->setObjectName("StringGridPhoneBook");
    StringGridPhoneBook->setColumnWidth(0, 202);
    StringGridPhoneBook->setColumnWidth(1, 159);
    StringGridPhoneBook->setItemDelegate(new NoEqualsDelegate(StringGridPhoneBook));
    StringGridPhoneBook->setEditTriggers(QAbstractItemView::DoubleClicked |
                                         QAbstractItemView::AnyKeyPressed |
                                         QAbstractItemView::EditKeyPressed);
    StringGridPhoneBook->setToolTip(
        fromWin(W("Не используйте знак \"=\" - он всё равно будет заменён на \"-\"")));
    StringGridPhoneBook->setFixedWidth(202 + 159 + 24);
    connect(StringGridPhoneBook, &StringGrid::selectCell, this,
            &TForm3::StringGridPhoneBookSelectCell);

    lMyCount = new QLabel("-", this);
    lMyCount->setObjectName("lMyCount");
    lMyCount->setMinimumWidth(36);
    bbSave = td::navyButton(this, "bbSave", "Сохранить", "Сохранить изменения");
    bbReset = td::navyButton(this, "bbReset", "Сбросить", "Сбросить  изменения");
    bbDelete = td::navyButton(this, "bbDelete", "Удалить", "Удалить выбранную строку");
    bbFromMobile = td::navyButton(this, "bbFromMobile", "Из телефона",
                                  "Прочитать ТК из телефона для переноса в СВОЮ по одному номеру");
    connect(bbSave, &QPushButton::clicked, this, &TForm3::bbSaveClick);
    connect(bbReset, &QPushButton::clicked, this, &TForm3::bbResetClick);
    connect(bbDelete, &QPushButton::clicked, this, &TForm3::bbDeleteClick);
    bbExport = td::navyButton(this, "bbExport", "Экспорт...",
                              "Записать книгу в файл vCard или CSV (для других программ)");
    bbImport = td::navyButton(this, "bbImport", "Импорт...",
                              "Добавить записи из файла vCard или CSV; ничего не заменяется");
    connect(bbFromMobile, &QPushButton::clicked, this, &TForm3::bbFromMobileClick);
    connect(bbExport, &QPushButton::clicked, this, &TForm3::bbExportClick);
    connect(bbImport, &QPushButton::clicked, this, &TForm3::bbImportClick);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lMyCount);
    QLineEdit* search = makeGridSearchBox(StringGridPhoneBook, this);
    td::attachSearchCount(lMyCount, StringGridPhoneBook, search);
    buttons->addWidget(search);
    buttons->addStretch();
    buttons->addWidget(bbSave);
    buttons->addWidget(bbReset);
    buttons->addWidget(bbDelete);
    auto* lower = new QHBoxLayout;
    lower->addWidget(bbFromMobile);
    lower->addStretch();
    lower->addWidget(bbExport);
    lower->addWidget(bbImport);
    auto* v = new QVBoxLayout(this);
    // The phone book window overlaps this one's right edge: keep it clear.
    v->setContentsMargins(6, 6, 20, 6);
    v->addWidget(Panel2);
    v->addWidget(StringGridPhoneBook, 1, Qt::AlignLeft);
    v->addLayout(buttons);
    v->addLayout(lower);
    resize(430, 560);

    StringGridPhoneBook->setCell(0, 0, td::OwnHeaderName());
    StringGridPhoneBook->setCell(1, 0, td::OwnHeaderNumber());
}

void TForm3::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    FormActivate();
}

void TForm3::FormActivate() {
    loadGrid();
    if (!sizeLocked_) {
        sizeLocked_ = true;
        setFixedSize(size());
    }
}

bool TForm3::ownIniThere() {
    if (td::files::exists(td::startPath(td::OwnIniName))) return true;
    td::dialogs().message(W("- Файл ") + td::OwnIniName + W(" - не найден"));
    td::files::setCurrentDir(td::prog().StartDir);
    return false;
}

void TForm3::loadGrid() {
    StringGrid* g = StringGridPhoneBook;
    g->clearRows(0);
    g->setCell(0, 0, td::OwnHeaderName());
    g->setCell(1, 0, td::OwnHeaderNumber());
    if (!ownIniThere()) return;

    td::OwnBookRows book = td::loadOwnBook(td::startPath(td::OwnIniName));
    // Every stored record gets its row, with free rows to spare below.
    g->setRows(std::max<int>(DesignRows, static_cast<int>(book.rows.size()) + 1 + SpareRows));
    for (size_t i = 0; i < book.rows.size(); ++i) {
        const td::PBRecord& r = book.rows[i];
        if (r.number.empty()) continue;
        g->setCell(0, static_cast<int>(i) + 1, r.name);
        g->setCell(1, static_cast<int>(i) + 1, r.number);
    }
    g->refilter();  // the user's sort and search apply to the fresh rows
    // Set once for the whole fill (the label and current row as the last row left them).
    if (book.count > 0) td::setRecordCount(lMyCount, book.count);
    if (!book.rows.empty()) {
        freeRow_ = book.count + 1;
        g->setCurrentGridRow(book.count + 1);
    }
}

void TForm3::bbSaveClick() {
    save();
}

bool TForm3::save() {
    if (!ownIniThere()) return false;
    std::vector<td::PBRecord> rows = gridRows();
    td::OwnBookSave result = td::saveOwnBook(td::startPath(td::OwnIniName), rows);
    // Unsaved rows stay in the grid, so nothing typed is lost: a refused
    // name is told here, a failed write by the ini layer.
    if (result.refused) td::dialogs().message(td::ownBookRefusal(result, rows));
    if (!result) return false;
    loadGrid();
    return true;
}

std::vector<td::PBRecord> TForm3::gridRows() const {
    std::vector<td::PBRecord> rows;
    rows.reserve(static_cast<size_t>(StringGridPhoneBook->rows()));
    for (int r = 1; r < StringGridPhoneBook->rows(); ++r)
        rows.push_back({StringGridPhoneBook->cell(0, r), StringGridPhoneBook->cell(1, r)});
    return rows;
}

void TForm3::bbExportClick() {
    td::exportOwnBookAsked(this, gridRows());
}

void TForm3::bbImportClick() {
    if (!ownIniThere()) return;
    std::vector<td::PBRecord> rows = gridRows();
    const size_t before = rows.size();
    if (!td::importOwnBookAsked(this, rows)) return;
    // The new entries go below the grid's rows; the save stores them with
    // whatever the window shows, and reloads the grid in the stored order.
    for (size_t i = before; i < rows.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        StringGridPhoneBook->ensureRow(row);
        StringGridPhoneBook->setCell(0, row, rows[i].name);
        StringGridPhoneBook->setCell(1, row, rows[i].number);
    }
    save();
}

void TForm3::bbResetClick() {
    loadGrid();
}

void TForm3::bbDeleteClick() {
    // A row past the grid's end was never a real selection.
    if (selRow_ < 1 || selRow_ >= StringGridPhoneBook->rows()) {
        td::dialogs().message(W("- Ничего не выбрано"));
        return;
    }
    std::string name = StringGridPhoneBook->cell(0, selRow_);
    std::string number = StringGridPhoneBook->cell(1, selRow_);
    if (!td::dialogs().confirm(W("Вы действительно хотите удалить абонента\r\"") + name +
                               W("\"\r с номером \r\"") + number + "\""))
        return;
    StringGridPhoneBook->setCell(0, selRow_, "");
    StringGridPhoneBook->setCell(1, selRow_, "");
    if (save()) loadGrid();
}

void TForm3::bbFromMobileClick() {
    if (phoneBookWindow) td::modalRunner().showModal(phoneBookWindow);
}

void TForm3::StringGridPhoneBookSelectCell(int col, int row) {
    selCol_ = col;
    selRow_ = row;
}

void TForm3::findFreeRow() {
    for (int r = 1; r < StringGridPhoneBook->rows(); ++r) {
        if (StringGridPhoneBook->rowEmpty(r)) {
            freeRow_ = r;
            return;
        }
    }
}

void TForm3::takeRecord(const std::string& name, const std::string& number) {
    StringGrid* g = StringGridPhoneBook;
    int row = std::max(freeRow_, 1);
    // Never over a row that holds something: the user may have typed there.
    while (row < g->rows() && !g->rowEmpty(row)) ++row;
    g->ensureRow(row);
    g->setCell(0, row, td::noEquals(name));
    g->setCell(1, row, number);
    g->setCurrentGridRow(row);
    freeRow_ = row + 1;
}

std::pair<std::string, std::string> TForm3::headerCells() const {
    return {StringGridPhoneBook->cell(0, 0), StringGridPhoneBook->cell(1, 0)};
}

void TForm3::phoneReadOff() {
    bbFromMobile->setEnabled(false);
}
