#include "sms/GetSentSMS.h"

#include <QLabel>
#include <QPushButton>

#include "engine/settingkeys.h"
#include "engine/settings.h"
#include "formats/sentlog.h"
#include "platform/cp1251.h"
#include "platform/qtservices.h"
#include "platform/services.h"
#include "sms/smslist.h"
#include "widgets/stringgrid.h"

using td::prog;

namespace {

// The sent list as the phone gives it; with LivePhone a message whose
// delivery report came shows the outcome in the time column, which the
// phone leaves empty for sent messages (AutoRun/Sent.log, the resident
// engine's record of the sends and their reports).
class SentGridView : public td::sms::SmsGridView {
  public:
    using SmsGridView::SmsGridView;
    void showRows(const std::vector<td::sms::SmsRow>& rows) override {
        if (!prog().LivePhone) return SmsGridView::showRows(rows);
        const std::vector<td::SentEntry> log = td::readSentLog(td::autoRunPath(td::SentLogName));
        std::vector<td::sms::SmsRow> marked = rows;
        for (td::sms::SmsRow& r : marked)
            if (const td::SentEntry* o = td::deliveryOf(log, r.number, r.text))
                r.time = (r.time.empty() ? "" : r.time + " ") + td::deliveryText(*o);
        SmsGridView::showRows(marked);
    }
};

// The columns' widths when the time column may show a delivery outcome.
constexpr int kLiveWidths[3] = {114, 381, 172};

const td::sms::SmsWindowDesign kDesign{
    "Ранее отправленные SMS из мобильного телефона",
    "Ранее отправленные SMS из Вашего мобильного телефона",
    615 + 116,
    471,
    "StringGridMobileSentSMS",
    {134, 421, 112},
    TForm5::DesignRows,
    {"Кому", "Текст SMS-сообщения (если SMS не целиком, потяните вправо)", "Дата и время"},
    "bbSentSMSReady",
    "К отправке SMS",
    "bbGetSentSMS",
    "Прочесть ранее отправленные SMS из телефона",
    "Sent-"};
}  // namespace

TForm5::TForm5(QWidget* parent) : QDialog(parent) {
    setObjectName("TForm5");
    td::sms::SmsControls c = td::sms::makeSmsControls(this, kDesign);
    Panel2 = c.title;
    Panel3 = c.status;
    StringGridMobileSentSMS = c.grid;
    lGetRecordCount = c.counter;
    bbReSend = c.reSend;
    bbSaveSMSList = c.save;
    bbDelSentSMS = c.del;
    bbSentSMSReady = c.action;
    bbLastCopy = c.lastCopy;
    bbGetSentSMS = c.refresh;
    bbSentSMSReady->setToolTip(
        td::fromWin(td::W("Закрыть форму и перейти с выбору сообщений для отправки")));
    td::sms::layoutSms(this, c, kDesign);

    view_ = std::make_unique<SentGridView>(StringGridMobileSentSMS, bbGetSentSMS, Panel3,
                                           lGetRecordCount, 2, DesignRows);
    delView_ = std::make_unique<SentGridView>(StringGridMobileSentSMS, bbDelSentSMS, Panel3,
                                              lGetRecordCount, 2, DesignRows);
    reader_.hooks().clearReSendList = [this] {
        if (links.clearReSendBox) links.clearReSendBox();
    };
    reader_.hooks().beepWanted = [this] { return links.beepWanted && links.beepWanted(); };

    td::sms::actionsOffAfterReread(*view_, *delView_, bbDelSentSMS,
                                   [this] { actionsEnabled(false); });
    td::sms::onUserSelect(StringGridMobileSentSMS, [this](int col, int row, bool) {
        StringGridMobileSentSMSSelectCell(col, row);
    });
    connect(bbLastCopy, &QPushButton::clicked, this, &TForm5::bbLastCopyClick);
    connect(bbGetSentSMS, &QPushButton::clicked, this, &TForm5::bbGetSentSMSClick);
    connect(bbSentSMSReady, &QPushButton::clicked, this, &TForm5::bbSentSMSReadyClick);
    connect(bbReSend, &QPushButton::clicked, this, &TForm5::bbReSendClick);
    connect(bbDelSentSMS, &QPushButton::clicked, this, &TForm5::bbDelSentSMSClick);
    connect(bbSaveSMSList, &QPushButton::clicked, this, &TForm5::bbSaveSMSListClick);
}

TForm5::~TForm5() = default;

void TForm5::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    FormActivate();
}

td::ReadOutcome TForm5::ReadSMS(const std::string& operation, td::sms::SmsListView& view,
                                const std::string& argument, const std::string& kind,
                                const td::sms::SmsTexts& texts) {
    return reader_.ReadSMS(view, operation, argument, kind, texts);
}

std::string TForm5::PhoneNameForNumber(const std::string& number) const {
    return reader_.nameForNumber(number);
}

bool TForm5::FormCanResize(int&, int&) const {
    return !sizeLocked_;
}

void TForm5::actionsEnabled(bool on) {
    bbReSend->setEnabled(on);
    bbSentSMSReady->setEnabled(on);
    bbDelSentSMS->setEnabled(on);
}

void TForm5::FormActivate() {
    bbReSend->setEnabled(false);
    bbDelSentSMS->setEnabled(false);
    if (!sizeLocked_) {
        sizeLocked_ = true;
        setFixedSize(size());
    }
    td::sms::setTitles(StringGridMobileSentSMS, kDesign);
    if (prog().LivePhone && !liveWidths_) {
        // Room for "не доставлено 08.12 14:03" in the time column, taken
        // from the other two, whose title and numbers still fit.
        liveWidths_ = true;
        for (int c = 0; c < 3; ++c) StringGridMobileSentSMS->setColumnWidth(c, kLiveWidths[c]);
    }
    bbLastCopyClick();
    bbReSend->setEnabled(false);
    bbSentSMSReady->setEnabled(false);
    reader_.setListFresh(false);
}

void TForm5::bbLastCopyClick() {
    reader_.lastCopyClick(*view_, prog().SentSMSName, td::sms::SentKind, td::sms::sentTexts());
    bbReSend->setEnabled(false);
    bbDelSentSMS->setEnabled(false);
}

void TForm5::bbGetSentSMSClick() {
    reader_.refreshClick(*view_, prog().SentSMSName, td::sms::SentKind, td::sms::sentTexts(),
                         [this] {
                             td::sms::setTitles(StringGridMobileSentSMS, kDesign);
                             bbReSend->setEnabled(false);
                         });
}

void TForm5::StringGridMobileSentSMSSelectCell(int col, int row) {
    std::string who = StringGridMobileSentSMS->cell(0, row);
    std::string text = StringGridMobileSentSMS->cell(1, row);
    td::sms::Selection s =
        td::sms::selectRow(who, text, row, reader_.rowIndexes(), prog().ReSendSMSName);
    if (s.needRefresh) td::dialogs().message(td::W("- Выполните, пожалуйста, Обновление"));
    if (s.ok) reader_.chosen() = {who, text, s.index};
    actionsEnabled(s.actions);
}

void TForm5::bbSentSMSReadyClick() {
    reader_.setListFresh(false);
    if (links.clearReSendBox) links.clearReSendBox();
    for (int r = 1; r < StringGridMobileSentSMS->rows(); ++r) {
        std::string who = StringGridMobileSentSMS->cell(0, r);
        std::string text = StringGridMobileSentSMS->cell(1, r);
        if (who.empty() || text.empty()) break;
        if (links.addReSendLine) links.addReSendLine(who + " ==> " + text);
    }
    if (links.setReSendIndexes) links.setReSendIndexes(reader_.rowIndexes());
    const td::sms::SmsReader::Chosen& c = reader_.chosen();
    if (!c.who.empty() && !c.text.empty()) {
        if (links.setReSendText) links.setReSendText(c.who + " ==> " + c.text, c.index);
        bbReSend->setEnabled(true);
    }
    close();
}

void TForm5::bbReSendClick() {
    if (links.reSend) links.reSend(reader_.chosen().index);
    bbReSend->setEnabled(false);
    bbDelSentSMS->setEnabled(false);
    reader_.setListFresh(false);
}

void TForm5::bbDelSentSMSClick() {
    td::sms::deleteClick(reader_, *delView_,
                         {prog().SentSMSName, td::sms::SentKind, td::sms::sentTexts(),
                          [this] { td::sms::setTitles(StringGridMobileSentSMS, kDesign); }});
}

void TForm5::bbSaveSMSListClick() {
    td::sms::saveSmsList(reader_, td::sms::SentKind);
}
