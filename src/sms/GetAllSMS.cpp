#include "sms/GetAllSMS.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>

#include "engine/settings.h"
#include "platform/cp1251.h"
#include "platform/services.h"
#include "sms/smslist.h"
#include "widgets/stringgrid.h"

using td::prog;

namespace {
const td::sms::SmsWindowDesign kDesign{
    " Все SMS-сообщения в телефоне",
    "Список SMS всех типов из Вашего мобильного телефона",
    699 + 116,
    474,
    "StringGridMobileAllSMS",
    {133, 366, 94, 59, 112},
    TForm8::DesignRows,
    {"Кому/От кого", "Текст SMS-сообщения (если SMS не целиком, потяните вправо)", "Тип SMS",
     "Удалить", "Дата и время"},
    "bbAllSMSReply",
    "Отправить ответ",
    "bbGetAllSMS",
    "Прочесть SMS из телефона",
    "All-"};

// The group delete's state is which of its two buttons shows: the caption
// of the read's button is the abort caption while the abort button shows.
class GroupButtonsView : public td::GridReadView {
  public:
    GroupButtonsView(StringGrid* grid, QPushButton* start, QPushButton* abort, QLabel* panel)
        : GridReadView(grid, start, panel), start_(start), abort_(abort) {}
    std::string refreshCaption() const override {
        return abort_->isHidden() ? td::RefreshCaption() : td::AbortCaption();
    }
    void setRefreshCaption(const std::string& text) override {
        bool running = text == td::AbortCaption();
        start_->setVisible(!running);
        abort_->setVisible(running);
    }
    void setRefreshColor(unsigned) override {}
    void setRefreshHint(const std::string&) override {}
    void setRefreshEnabled(bool) override {}

  private:
    QPushButton* start_;
    QPushButton* abort_;
};

}  // namespace

TForm8::TForm8(QWidget* parent) : QDialog(parent) {
    setObjectName("TForm8");
    td::sms::SmsControls c = td::sms::makeSmsControls(this, kDesign);
    Panel2 = c.title;
    Panel3 = c.status;
    StringGridMobileAllSMS = c.grid;
    lGetRecordCount = c.counter;
    bbReSend = c.reSend;
    bbSaveSMSList = c.save;
    bbDelSentSMS = c.del;
    bbAllSMSReply = c.action;
    bbLastCopy = c.lastCopy;
    bbGetAllSMS = c.refresh;
    bbReSend->hide();
    bbDelGroupSMS = td::glyphButton(this, "bbDelGroupSMS", QStyle::SP_TrashIcon,
                                    "Удалить группу сообщений (кликните в колонке \"Удалить\")");
    bbNotDelGroupSMS =
        td::glyphButton(this, "bbNotDelGroupSMS", QStyle::SP_BrowserStop,
                        "Нажмите ОДИН РАЗ для того, чтобы прервать чтение (подождите  1-2 сек.)");
    bbNotDelGroupSMS->hide();
    td::sms::layoutSms(this, c, kDesign, {bbDelGroupSMS, bbNotDelGroupSMS});

    view_ = std::make_unique<td::sms::SmsGridView>(StringGridMobileAllSMS, bbGetAllSMS, Panel3,
                                                   lGetRecordCount, 4, DesignRows);
    delView_ = std::make_unique<td::sms::SmsGridView>(StringGridMobileAllSMS, bbDelSentSMS, Panel3,
                                                      lGetRecordCount, 4, DesignRows);
    groupView_ = std::make_unique<td::sms::SmsGridView>(
        StringGridMobileAllSMS,
        std::make_unique<GroupButtonsView>(StringGridMobileAllSMS, bbDelGroupSMS, bbNotDelGroupSMS,
                                           Panel3),
        lGetRecordCount, 4, DesignRows);

    td::sms::actionsOffAfterReread(*view_, *delView_, bbDelSentSMS,
                                   [this] { actionsEnabled(false); });
    groupView_->onSelectionCleared = [this] { actionsEnabled(false); };
    // Only a click or the space bar marks a row; the arrow keys pass the
    // mark column without marking.
    td::sms::onUserSelect(StringGridMobileAllSMS, [this](int col, int row, bool marking) {
        keyMove_ = !marking;
        StringGridMobileAllSMSSelectCell(col, row);
        keyMove_ = false;
    });
    connect(bbLastCopy, &QPushButton::clicked, this, &TForm8::bbLastCopyClick);
    connect(bbGetAllSMS, &QPushButton::clicked, this, &TForm8::bbGetAllSMSClick);
    connect(bbDelSentSMS, &QPushButton::clicked, this, &TForm8::bbDelSentSMSClick);
    connect(bbSaveSMSList, &QPushButton::clicked, this, &TForm8::bbSaveSMSListClick);
    connect(bbAllSMSReply, &QPushButton::clicked, this, &TForm8::bbAllSMSReplyClick);
    connect(bbDelGroupSMS, &QPushButton::clicked, this, &TForm8::bbDelGroupSMSClick);
    connect(bbNotDelGroupSMS, &QPushButton::clicked, this, &TForm8::bbDelGroupSMSClick);
}

TForm8::~TForm8() = default;

void TForm8::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    FormActivate();
}

bool TForm8::FormCanResize(int&, int&) const {
    return !sizeLocked_;
}

void TForm8::actionsEnabled(bool on) {
    bbReSend->setEnabled(on);
    bbDelSentSMS->setEnabled(on);
    bbAllSMSReply->setEnabled(on);
}

void TForm8::FormActivate() {
    td::sms::setTitles(StringGridMobileAllSMS, kDesign);
    GroupMarks.clear();
    bbAllSMSReply->setEnabled(false);
    bbDelSentSMS->setEnabled(false);
    bbDelGroupSMS->setEnabled(false);
    bbLastCopyClick();
    if (td::sms::SmsReader* r = links.reader ? links.reader() : nullptr) r->setListFresh(false);
    if (!sizeLocked_) {
        sizeLocked_ = true;
        setFixedSize(size());
    }
}

void TForm8::bbLastCopyClick() {
    bbAllSMSReply->setEnabled(false);
    bbDelSentSMS->setEnabled(false);
    bbDelGroupSMS->setEnabled(false);
    if (td::sms::SmsReader* r = links.reader ? links.reader() : nullptr)
        r->lastCopyClick(*view_, prog().AllSMSName, td::sms::AllKind, td::sms::allTexts());
}

void TForm8::bbGetAllSMSClick() {
    td::sms::SmsReader* r = links.reader ? links.reader() : nullptr;
    if (!r) return;
    r->refreshClick(*view_, prog().AllSMSName, td::sms::AllKind, td::sms::allTexts(), [this] {
        td::sms::setTitles(StringGridMobileAllSMS, kDesign);
        bbAllSMSReply->setEnabled(false);
    });
}

void TForm8::StringGridMobileAllSMSSelectCell(int col, int row) {
    std::string who = StringGridMobileAllSMS->cell(0, row);
    std::string text = StringGridMobileAllSMS->cell(1, row);
    td::sms::SmsReader* r = links.reader ? links.reader() : nullptr;
    if (!r) return;
    td::sms::Selection s =
        td::sms::selectRow(who, text, row, r->rowIndexes(), prog().ReSendSMSName);
    if (td::sms::blankCell(who) && td::sms::blankCell(text)) {
        actionsEnabled(false);
        bbDelGroupSMS->setEnabled(false);
        return;
    }
    r->chosen().who = who;
    r->chosen().text = text;
    if (!s.ok) {
        if (s.needRefresh) td::dialogs().message(td::W("- Выполните, пожалуйста, Обновление"));
        actionsEnabled(false);
        bbDelGroupSMS->setEnabled(false);
        return;
    }
    if (col == MarkColumn && !keyMove_) {
        bbDelGroupSMS->setEnabled(true);
        StringGridMobileAllSMS->setCell(
            MarkColumn, row, td::sms::toggledMark(StringGridMobileAllSMS->cell(MarkColumn, row)));
    }
    r->chosen().index = s.index;
    actionsEnabled(s.actions);
    if (!s.actions) bbDelGroupSMS->setEnabled(false);
}

void TForm8::bbAllSMSReplyClick() {
    if (td::sms::SmsReader* r = links.reader ? links.reader() : nullptr) r->setListFresh(false);
    if (td::sms::SmsReader* r = links.reader ? links.reader() : nullptr)
        td::sms::handOverReply(*r, links.reply);
    close();
}

void TForm8::bbDelSentSMSClick() {
    td::sms::SmsReader* r = links.reader ? links.reader() : nullptr;
    if (!r) return;
    td::sms::deleteClick(*r, *delView_,
                         {prog().AllSMSName, td::sms::AllKind, td::sms::allTexts(),
                          [this] { td::sms::setTitles(StringGridMobileAllSMS, kDesign); }});
}

void TForm8::bbSaveSMSListClick() {
    if (td::sms::SmsReader* r = links.reader ? links.reader() : nullptr)
        td::sms::saveSmsList(*r, td::sms::AllKind);
}

std::vector<std::string> TForm8::markedIndexes() const {
    std::vector<std::string> marks;
    const td::sms::SmsReader* reader = links.reader ? links.reader() : nullptr;
    if (!reader) return marks;
    const std::vector<std::string>& idx = reader->rowIndexes();
    for (int r = 1; r < StringGridMobileAllSMS->rows(); ++r)
        if (StringGridMobileAllSMS->cell(MarkColumn, r) == td::sms::MarkText() &&
            static_cast<std::size_t>(r) <= idx.size())
            marks.push_back(idx[r - 1]);
    return marks;
}

void TForm8::clearMarks() {
    for (int r = 1; r < StringGridMobileAllSMS->rows(); ++r)
        StringGridMobileAllSMS->setCell(MarkColumn, r, "");
}

void TForm8::bbDelGroupSMSClick() {
    GroupMarks = markedIndexes();
    td::sms::SmsReader* r = links.reader ? links.reader() : nullptr;
    if (!r) return;
    td::sms::groupDeleteClick(*r, *groupView_,
                              {GroupMarks, td::sms::groupDeleteCommand(),
                               [this] { td::sms::setTitles(StringGridMobileAllSMS, kDesign); },
                               [this] { clearMarks(); }});
}
