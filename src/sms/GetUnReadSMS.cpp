#include "sms/GetUnReadSMS.h"

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
    " Не прочитанные SMS из мобильного телефона ",
    "Не прочитанные SMS из Вашего мобильного телефона",
    619 + 116,
    469,
    "StringGridMobileUnReadSMS",
    {144, 405, 112},
    TForm7::DesignRows,
    {"От кого", "Текст SMS-сообщения (если SMS не целиком, потяните вправо)", "Дата и время"},
    "bbUnReadSMSReply",
    "Отправить ответ",
    "bbGetUnReadSMS",
    "Прочесть SMS из телефона",
    "UnRead-"};
}  // namespace

TForm7::TForm7(QWidget* parent) : QDialog(parent) {
    setObjectName("TForm7");
    td::sms::SmsControls c = td::sms::makeSmsControls(this, kDesign);
    Panel2 = c.title;
    Panel3 = c.status;
    StringGridMobileUnReadSMS = c.grid;
    lGetRecordCount = c.counter;
    bbReSend = c.reSend;
    bbSaveSMSList = c.save;
    bbDelSentSMS = c.del;
    bbUnReadSMSReply = c.action;
    bbLastCopy = c.lastCopy;
    bbGetUnReadSMS = c.refresh;
    bbReSend->hide();
    td::sms::layoutSms(this, c, kDesign);

    view_ = std::make_unique<td::sms::SmsGridView>(StringGridMobileUnReadSMS, bbGetUnReadSMS,
                                                   Panel3, lGetRecordCount, 2, DesignRows);
    delView_ = std::make_unique<td::sms::SmsGridView>(StringGridMobileUnReadSMS, bbDelSentSMS,
                                                      Panel3, lGetRecordCount, 2, DesignRows);

    td::sms::actionsOffAfterReread(*view_, *delView_, bbDelSentSMS,
                                   [this] { actionsEnabled(false); });
    td::sms::onUserSelect(StringGridMobileUnReadSMS, [this](int col, int row, bool) {
        StringGridMobileUnReadSMSSelectCell(col, row);
    });
    connect(bbLastCopy, &QPushButton::clicked, this, &TForm7::bbLastCopyClick);
    connect(bbGetUnReadSMS, &QPushButton::clicked, this, &TForm7::bbGetUnReadSMSClick);
    connect(bbDelSentSMS, &QPushButton::clicked, this, &TForm7::bbDelSentSMSClick);
    connect(bbSaveSMSList, &QPushButton::clicked, this, &TForm7::bbSaveSMSListClick);
    connect(bbUnReadSMSReply, &QPushButton::clicked, this, &TForm7::bbUnReadSMSReplyClick);
}

TForm7::~TForm7() = default;

void TForm7::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    FormActivate();
}

bool TForm7::FormCanResize(int&, int&) const {
    return !sizeLocked_;
}

void TForm7::actionsEnabled(bool on) {
    bbReSend->setEnabled(on);
    bbDelSentSMS->setEnabled(on);
    bbUnReadSMSReply->setEnabled(on);
}

void TForm7::FormActivate() {
    td::sms::setTitles(StringGridMobileUnReadSMS, kDesign);
    if (!sizeLocked_) {
        sizeLocked_ = true;
        setFixedSize(size());
    }
    bbUnReadSMSReply->setEnabled(false);
    bbLastCopyClick();
    bbDelSentSMS->setEnabled(false);
    if (td::sms::SmsReader* r = links.reader ? links.reader() : nullptr) r->setListFresh(false);
}

void TForm7::bbLastCopyClick() {
    if (td::sms::SmsReader* r = links.reader ? links.reader() : nullptr)
        r->lastCopyClick(*view_, prog().UnReadSMSName, td::sms::UnReadKind, td::sms::unreadTexts());
    bbUnReadSMSReply->setEnabled(false);
}

void TForm7::bbGetUnReadSMSClick() {
    td::sms::SmsReader* r = links.reader ? links.reader() : nullptr;
    if (!r) return;
    r->refreshClick(*view_, prog().UnReadSMSName, td::sms::UnReadKind, td::sms::unreadTexts(),
                    [this] {
                        td::sms::setTitles(StringGridMobileUnReadSMS, kDesign);
                        bbUnReadSMSReply->setEnabled(false);
                        bbDelSentSMS->setEnabled(false);
                    });
}

void TForm7::StringGridMobileUnReadSMSSelectCell(int col, int row) {
    std::string who = StringGridMobileUnReadSMS->cell(0, row);
    std::string text = StringGridMobileUnReadSMS->cell(1, row);
    td::sms::SmsReader* r = links.reader ? links.reader() : nullptr;
    if (!r) return;
    td::sms::Selection s =
        td::sms::selectRow(who, text, row, r->rowIndexes(), prog().ReSendSMSName);
    if (!td::sms::blankCell(who) || !td::sms::blankCell(text)) {
        r->chosen().who = who;
        r->chosen().text = text;
    }
    if (s.needRefresh) td::dialogs().message(td::W("- Выполните, пожалуйста, Обновление"));
    if (s.ok) r->chosen().index = s.index;
    actionsEnabled(s.actions);
}

void TForm7::bbDelSentSMSClick() {
    td::sms::SmsReader* r = links.reader ? links.reader() : nullptr;
    if (!r) return;
    td::sms::deleteClick(*r, *delView_,
                         {prog().UnReadSMSName, td::sms::UnReadKind, td::sms::unreadTexts(),
                          [this] { td::sms::setTitles(StringGridMobileUnReadSMS, kDesign); }});
}

void TForm7::bbSaveSMSListClick() {
    if (td::sms::SmsReader* r = links.reader ? links.reader() : nullptr)
        td::sms::saveSmsList(*r, td::sms::UnReadKind);
}

void TForm7::bbUnReadSMSReplyClick() {
    if (td::sms::SmsReader* r = links.reader ? links.reader() : nullptr) r->setListFresh(false);
    if (td::sms::SmsReader* r = links.reader ? links.reader() : nullptr)
        td::sms::handOverReply(*r, links.reply);
    close();
}
