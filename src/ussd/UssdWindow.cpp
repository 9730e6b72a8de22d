#include "ussd/UssdWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "engine/readcycle.h"
#include "engine/settings.h"
#include "platform/cp1251.h"
#include "platform/ini.h"
#include "platform/qtservices.h"
#include "platform/services.h"
#include "ussd/ussdlogic.h"

namespace {

// The send button and the status strip as the read cycle drives them.
class UssdView : public td::ReadView {
  public:
    UssdView(QPushButton* button, QLabel* status, QPlainTextEdit* memo)
        : button_(button), status_(status), memo_(memo) {}
    std::string refreshCaption() const override { return td::toWin(button_->text()); }
    void setRefreshCaption(const std::string& text) override {
        button_->setText(td::fromWin(text));
    }
    void setRefreshColor(unsigned rgb) override {
        button_->setStyleSheet(QString("color: #%1;").arg(rgb, 6, 16, QChar('0')));
    }
    void setRefreshHint(const std::string& text) override {
        button_->setToolTip(td::fromWin(text));
    }
    void setRefreshEnabled(bool on) override { button_->setEnabled(on); }
    void setStatus(const std::string& text) override { status_->setText(td::fromWin(text)); }
    void setGridHint(const std::string& text) override { memo_->setToolTip(td::fromWin(text)); }

  private:
    QPushButton* button_;
    QLabel* status_;
    QPlainTextEdit* memo_;
};

QPushButton* makeButton(QWidget* parent, const char* name, const char* text, QRect at) {
    auto* b = new QPushButton(td::fromWin(td::W(text)), parent);
    b->setObjectName(name);
    b->setGeometry(at);
    b->setAutoDefault(false);
    b->setStyleSheet("color: navy;");
    return b;
}

QLineEdit* makeEdit(QWidget* parent, const char* name, const char* hint, QRect at) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setGeometry(at);
    e->setToolTip(td::fromWin(td::W(hint)));
    return e;
}

std::string operationName() {
    td::IniFile own(td::startPath(td::OwnIniName));
    return td::readSetting(own, td::setting::UssdName);
}

}  // namespace

TFormUssd::TFormUssd(QWidget* parent) : QDialog(parent) {
    setObjectName("TFormUssd");
    setWindowTitle(td::fromWin(td::W("USSD-запрос")));
    setFixedSize(ClientWidth, ClientHeight);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    Panel1 = new QLabel(td::fromWin(td::W("Баланс и другие запросы к сети оператора")), this);
    Panel1->setObjectName("Panel1");
    Panel1->setGeometry(0, 0, ClientWidth, 22);
    Panel1->setAlignment(Qt::AlignCenter);
    Panel1->setStyleSheet("background: rgb(215,228,248); color: navy; font-weight: bold;");

    leCode = makeEdit(this, "leCode", "Код запроса, например *100# (баланс)", {8, 30, 180, 30});
    leCode->setText(QString::fromLatin1(td::ussd::DefaultCode.c_str()));
    bbSend = makeButton(this, "bbSend", "Отправить", {196, 28, 130, 34});
    bbSend->setToolTip(td::fromWin(td::W("Отправить запрос через телефон")));
    bbLastCopy = makeButton(this, "bbLastCopy", "Последний", {332, 28, 130, 34});
    bbLastCopy->setToolTip(td::fromWin(td::W("Последний полученный ответ сети")));

    PanelStatus = new QLabel("-", this);
    PanelStatus->setObjectName("PanelStatus");
    PanelStatus->setGeometry(8, 68, ClientWidth - 16, 22);
    PanelStatus->setFrameShape(QFrame::Panel);
    PanelStatus->setFrameShadow(QFrame::Sunken);

    MemoAnswer = new QPlainTextEdit(this);
    MemoAnswer->setObjectName("MemoAnswer");
    MemoAnswer->setGeometry(8, 96, ClientWidth - 16, 152);
    MemoAnswer->setReadOnly(true);
    QPalette pal = MemoAnswer->palette();
    pal.setColor(QPalette::Base, QColor(204, 255, 204));
    pal.setColor(QPalette::Text, QColor(0, 0, 128));
    MemoAnswer->setPalette(pal);

    lNote = new QLabel("", this);
    lNote->setObjectName("lNote");
    lNote->setGeometry(8, 254, ClientWidth - 16, 22);
    leReply = makeEdit(this, "leReply", "Ответ на вопрос сети (например, номер пункта меню)",
                       {8, 284, 180, 30});
    bbReply = makeButton(this, "bbReply", "Ответить", {196, 282, 130, 34});
    bbReply->setEnabled(false);

    view_ = std::make_unique<UssdView>(bbSend, PanelStatus, MemoAnswer);
    td::ReadCycleHooks hooks;
    hooks.parse = [this](const std::vector<std::string>& lines) {
        std::vector<std::string>& records = records_;
        records = td::ussd::answerLines(lines);
        showLines(records);
        PanelStatus->setText(td::fromWin(records.empty() ? td::ussd::noAnswerText()
                                                         : td::ussd::currentAnswerText()));
    };
    hooks.loadLastCopy = [this](const std::vector<std::string>& lines) { showLines(lines); };
    hooks.parsedRecords = [this] { return records_; };
    reader_ = std::make_unique<td::ReadCycle>(
        td::ussd::ussdCycleConfig(operationName(), td::ussd::DefaultCode, &abort_, &update_),
        *view_, hooks);

    connect(bbSend, &QPushButton::clicked, this, &TFormUssd::bbSendClick);
    connect(bbReply, &QPushButton::clicked, this, &TFormUssd::bbReplyClick);
    connect(bbLastCopy, &QPushButton::clicked, this, &TFormUssd::bbLastCopyClick);
    connect(leCode, &QLineEdit::returnPressed, this, &TFormUssd::bbSendClick);
    connect(leReply, &QLineEdit::returnPressed, this, &TFormUssd::bbReplyClick);
}

TFormUssd::~TFormUssd() = default;

void TFormUssd::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    FormActivate();
}

void TFormUssd::FormActivate() {
    bbLastCopyClick();
}

void TFormUssd::bbLastCopyClick() {
    td::feedback().setHourglass(false);
    abort_ = true;  // a waiting request ends at its next poll
    update_ = false;
    reader_->run();
}

void TFormUssd::bbSendClick() {
    send(td::toWin(leCode->text().trimmed()));
}

void TFormUssd::bbReplyClick() {
    if (!bbReply->isEnabled()) return;
    send(td::toWin(leReply->text().trimmed()));
    if (!bbReply->isEnabled()) leReply->clear();
}

void TFormUssd::send(const std::string& request) {
    // The abort click of a running request needs no valid text.
    if (td::toWin(bbSend->text()) != td::AbortCaption() && !td::ussd::validRequest(request)) {
        td::dialogs().message(td::ussd::badRequestText(request));
        return;
    }
    reader_->setConfig(td::ussd::ussdCycleConfig(operationName(), request, &abort_, &update_));
    bbReply->setEnabled(false);
    reader_->refreshClick();
}

void TFormUssd::showLines(const std::vector<std::string>& lines) {
    auto answer = td::ussd::lastAnswer(lines);
    MemoAnswer->setPlainText(answer ? td::fromWin(answer->text) : QString());
    lNote->setText(answer ? td::fromWin(td::ussd::modeNote(answer->mode)) : QString());
    bbReply->setEnabled(answer && answer->mode == 1 && update_);
    if (answer && answer->mode == 1) leReply->setFocus();
}
