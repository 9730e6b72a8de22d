// The main window's actions: dialing and volume, SMS composing, sending and
// re-sending, and the buttons that open the other windows.

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include "engine/launcher.h"
#include "engine/operlookup.h"
#include "engine/phonenumber.h"
#include "engine/readcycle.h"
#include "engine/settings.h"
#include "main/TapdeckP.h"
#include "main/actionoutcome.h"
#include "main/mainlogic.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/qtservices.h"
#include "platform/services.h"

using td::prog;
namespace ml = td::mainlogic;

void TForm1::connectSignals() {
    // The number field takes every ordinary editing key (characters,
    // Backspace, Delete, the arrows, Home/End, the clipboard keys); any edit
    // drops the list choice, so the text then counts as a typed number.
    // Up/Down step through the names, which counts as choosing one.
    connect(ComboBoxAbonentName, &QComboBox::activated, this, &TForm1::ComboBoxAbonentNameSelect);
    connect(ComboBoxAbonentName->lineEdit(), &QLineEdit::textEdited, this,
            &TForm1::ComboBoxAbonentNameEdited);
    connect(bbCall, &QPushButton::clicked, this, &TForm1::bbCallClick);
    connect(bbHangUp, &QPushButton::clicked, this, &TForm1::bbHangUpClick);
    connect(bbSoundUp, &QPushButton::clicked, this, &TForm1::bbSoundUpClick);
    connect(bbSoundDown, &QPushButton::clicked, this, &TForm1::bbSoundDownClick);

    connect(ComboBoxSmsRecepter, &QComboBox::activated, this, &TForm1::ComboBoxSmsRecepterSelect);
    connect(ComboBoxSmsRecepterRus, &QComboBox::activated, this,
            &TForm1::ComboBoxSmsRecepterRusSelect);
    for (QComboBox* box : {ComboBoxSmsRecepter, ComboBoxSmsRecepterRus}) {
        box->installEventFilter(this);
        box->lineEdit()->installEventFilter(this);
    }
    connect(sbClearLatPhone, &QToolButton::clicked, this, &TForm1::sbClearLatPhoneClick);
    connect(sbClearRusPhone, &QToolButton::clicked, this, &TForm1::sbClearRusPhoneClick);
    connect(leLatSMSText, &QLineEdit::textChanged, this, &TForm1::leLatSMSTextChange);
    connect(leRusSMSText, &QLineEdit::textChanged, this, &TForm1::leRusSMSTextChange);
    // A paste longer than the box takes is cut by the box: said in the counter.
    connect(leLatSMSText, &QLineEdit::inputRejected, this, [this] { textCut(latBand()); });
    connect(leRusSMSText, &QLineEdit::inputRejected, this, [this] { textCut(rusBand()); });
    connect(cbLatSMSHistory, &QComboBox::activated, this, &TForm1::cbLatSMSHistorySelect);
    connect(cbRusSMSHistory, &QComboBox::activated, this, &TForm1::cbRusSMSHistorySelect);
    connect(bbASCIISendSMS, &QPushButton::clicked, this, &TForm1::bbASCIISendSMSClick);
    connect(bbRUSSendSMS, &QPushButton::clicked, this, &TForm1::bbRUSSendSMSClick);
    connect(ComboBoxSMSText, &QComboBox::activated, this, &TForm1::ComboBoxSMSTextSelect);
    connect(bbReSend, &QPushButton::clicked, this, &TForm1::bbReSendClick);

    Panel2->installEventFilter(this);
    connect(bbHelp, &QPushButton::clicked, this, &TForm1::bbHelpClick);
    connect(bbUssd, &QPushButton::clicked, this, &TForm1::bbUssdClick);
    connect(bbSetUp, &QPushButton::clicked, this, &TForm1::bbSetUpClick);
    connect(bbPhoneBook, &QPushButton::clicked, this, &TForm1::bbPhoneBookClick);
    connect(bbMissCall, &QPushButton::clicked, this, &TForm1::bbMissCallClick);
    connect(bbSentSMS, &QPushButton::clicked, this, &TForm1::bbSentSMSClick);
    connect(bbUnReadSMS, &QPushButton::clicked, this, &TForm1::bbUnReadSMSClick);
    connect(bbAllSMS, &QPushButton::clicked, this, &TForm1::bbAllSMSClick);
    connect(bbMemDayBook, &QPushButton::clicked, this, &TForm1::bbMemDayBookClick);
    connect(bbPBookModify, &QPushButton::clicked, this, &TForm1::bbPBookModifyClick);
    // Backup and restore of the whole phone: a menu on the window's own
    // background (a right click), so the window shows what it always showed.
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(this);
        menu.setObjectName("PhoneCopyMenu");
        QAction* save = menu.addAction(td::fromWin(td::W("Резервная копия телефона…")));
        QAction* load = menu.addAction(td::fromWin(td::W("Восстановить из копии…")));
        QAction* chosen = menu.exec(mapToGlobal(at));
        if (chosen == save && links.backupPhone) links.backupPhone();
        if (chosen == load && links.restorePhone) links.restorePhone();
    });
}

bool TForm1::eventFilter(QObject* watched, QEvent* e) {
    if (watched == Panel2) {
        if (e->type() == QEvent::MouseButtonRelease) Panel2Click();
        return false;
    }
    QComboBox* box = nullptr;
    for (QComboBox* b : {ComboBoxSmsRecepter, ComboBoxSmsRecepterRus})
        if (watched == b || watched == b->lineEdit()) box = b;
    if (!box) return QWidget::eventFilter(watched, e);

    // A recipient box offers the names of the phone book; a typed character
    // is refused, unless typed numbers are switched on: then it goes in, and
    // Enter, leaving the box or the send button take the whole text as a
    // number (or refuse it by name). Stepping through names by keys or wheel
    // is not offered, since with several recipients every step would add one.
    switch (e->type()) {
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(e);
            bool opensList = key->key() == Qt::Key_F4 ||
                             ((key->modifiers() & Qt::AltModifier) &&
                              (key->key() == Qt::Key_Down || key->key() == Qt::Key_Up));
            if (opensList) return false;
            if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) return false;
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                takeTypedRecipient(box == ComboBoxSmsRecepter ? latBand() : rusBand());
                return true;
            }
            switch (key->key()) {
                case Qt::Key_Backspace:
                case Qt::Key_Delete:
                case Qt::Key_Left:
                case Qt::Key_Right:
                case Qt::Key_Home:
                case Qt::Key_End:
                    return false;
                default:
                    break;
            }
            QString text = key->text();
            if (text.isEmpty() || !text.at(0).isPrint()) return true;
            if (prog().TypedRecipients) return false;
            RecepterKeyPress();
            return true;
        }
        case QEvent::FocusOut:
            if (watched == box->lineEdit())
                takeTypedRecipient(box == ComboBoxSmsRecepter ? latBand() : rusBand());
            return false;
        case QEvent::Wheel:
            return true;
        case QEvent::MouseButtonPress:
            if (watched == box->lineEdit()) {
                box->showPopup();
                return true;
            }
            return false;
        default:
            return false;
    }
}

// ---- dialing and volume ---------------------------------------------------------

void TForm1::Panel2Click() {
    td::dialogs().message(td::W("Вводите номер телефона или выберите из списка"));
}

void TForm1::ComboBoxAbonentNameSelect(int index) {
    if (index < 0 || static_cast<size_t>(index) >= phoneNumbers_.size()) return;
    abonentChosen_ = index;
    dialNumber_ = phoneNumbers_[static_cast<size_t>(index)];
    showDialNumber();
}

void TForm1::ComboBoxAbonentNameEdited(const QString& text) {
    abonentChosen_ = -1;
    if (text.isEmpty()) return;  // an emptied field keeps the last number
    dialNumber_ = td::toWin(text);
    showDialNumber();
}

void TForm1::showDialNumber() {
    // Bold as designed; a long international number in a smaller size, never cut.
    const QString text = td::fromWin(dialNumber_);
    QFont f = LabelPhoneNumber->font();
    f.setPointSize(DialNumberPointSize);
    while (f.pointSize() > 6 &&
           QFontMetrics(f).horizontalAdvance(text) > LabelPhoneNumber->width() - 6)
        f.setPointSize(f.pointSize() - 1);
    LabelPhoneNumber->setFont(f);
    LabelPhoneNumber->setText(text);
}

void TForm1::bbCallClick() {
    auto& p = prog();
    if (td::CellBusy()) return;
    switch (ml::classifyDial(dialNumber_)) {
        case ml::DialKind::Empty:
            td::dialogs().message(td::W("- Не задан абонент и/или номер телефона !"));
            return;
        case ml::DialKind::National:
            runAction(ml::Action::Call, p.CallName, {dialNumber_}, dialNumber_);
            return;
        case ml::DialKind::International: {
            // The "+" is typed on the keypad first, so the number goes through a
            // one-line batch file run by the batch operation.
            std::string command = td::GetOperByName(p.OperIniName, p.CallName);
            std::string line = ml::internationalBatchLine(p.PLusBeforeNumber, command, dialNumber_);
            if (!td::files::writeLines(td::ScriptBatName, {line})) {
                td::dialogs().message(td::W("- Не удаётся записать файл ") + td::ScriptBatName);
                return;
            }
            runAction(ml::Action::Call, td::BatchOperName, {td::ScriptBatName}, dialNumber_);
            return;
        }
        case ml::DialKind::Ignored:
            return;
    }
}

void TForm1::callNumber(const std::string& number) {
    dialNumber_ = number;
    bbCallClick();
}

void TForm1::bbHangUpClick() {
    if (!td::CellBusy()) runAction(ml::Action::Other, prog().HangUpName, {}, prog().HangUpName);
}

void TForm1::volume(const std::string& operation) {
    if (td::CellBusy()) return;
    if (abonentChosen_ < 0) {
        dialNumber_ = td::toWin(ComboBoxAbonentName->currentText());
        showDialNumber();
    }
    runAction(ml::Action::Other, operation, {}, operation);
}

void TForm1::bbSoundUpClick() {
    volume(prog().SoundUpName);
}
void TForm1::bbSoundDownClick() {
    volume(prog().SoundDownName);
}

// ---- SMS --------------------------------------------------------------------------

TForm1::SmsBand TForm1::latBand() {
    return {ComboBoxSmsRecepter,
            lLatSMSPhoneNumber,
            leLatSMSText,
            lLatSMSLen,
            lLatSMSMax,
            lLatSMSParts,
            false,
            bbASCIISendSMS,
            cbLatSMSHistory,
            &latRecipients_,
            &prog().LatSendSMSName};
}

TForm1::SmsBand TForm1::rusBand() {
    return {ComboBoxSmsRecepterRus,
            lRusSMSPhoneNumber,
            leRusSMSText,
            lRusSMSLen,
            lRusSMSMax,
            lRusSMSParts,
            true,
            bbRUSSendSMS,
            cbRusSMSHistory,
            &rusRecipients_,
            &prog().RusSendSMSName};
}

bool TForm1::chooseRecipient(const SmsBand& b, int index) {
    const auto& numbers = phoneNumbers_;
    if (index < 0 || static_cast<size_t>(index) >= numbers.size()) return false;
    // The number goes as the phone dials it: a blank in it would make
    // several recipients of one (a hand-written own book may hold one).
    std::string number = numbers[static_cast<size_t>(index)];
    if (!number.empty()) {
        std::optional<std::string> dialled = td::normalizePhoneNumber(number);
        if (!dialled) {
            td::dialogs().message(td::W("- Номер \"") + number + td::W("\" абонента \"") +
                                  td::toWin(b.recipients->itemText(index)) +
                                  td::W("\" не является номером телефона, SMS ему не послать"));
            return false;
        }
        number = *dialled;
    }
    addRecipientNumber(b, number);
    return true;
}

void TForm1::addRecipientNumber(const SmsBand& b, const std::string& number) {
    bool several = links.multiPhoneTicked && links.multiPhoneTicked();
    *b.list = ml::addRecipient(*b.list, number, several);
    if (several) {
        b.number->setText(td::fromWin(td::W("СМС нескольким абонентам")));
        b.recipients->setToolTip(td::fromWin(*b.list));  // the whole list on pointing
    } else {
        b.number->setText(td::fromWin(number));
    }
    if (!b.text->text().isEmpty()) b.send->setEnabled(true);
}

bool TForm1::takeTypedRecipient(const SmsBand& b) {
    QLineEdit* edit = b.recipients->lineEdit();
    // A chosen name or a text taken already; or the box that tells of a
    // refused text, which takes the focus from the recipient box.
    if (!prog().TypedRecipients || !edit->isModified() || takingTyped_) return true;
    takingTyped_ = true;
    const bool taken = [&] {
        const std::string typed = td::toWin(edit->text());
        if (typed.empty()) return true;
        // A name typed in full (the box completes names) is that name chosen.
        const int named = b.recipients->findText(edit->text(), Qt::MatchFixedString);
        if (named >= 0) {
            b.recipients->setCurrentIndex(named);
            return chooseRecipient(b, named);
        }
        std::optional<std::string> number = td::normalizePhoneNumber(typed);
        if (!number) {
            td::dialogs().message(td::W("- \"") + typed +
                                  td::W("\" не является номером телефона, SMS по нему не послать"));
            return false;
        }
        b.recipients->setCurrentIndex(-1);
        b.recipients->setEditText(td::fromWin(*number));
        addRecipientNumber(b, *number);
        return true;
    }();
    takingTyped_ = false;
    // A refused text is refused again, by a send too, until it is mended.
    if (taken) edit->setModified(false);
    return taken;
}

void TForm1::clearRecipients(const SmsBand& b) {
    b.list->clear();
    b.number->clear();
    b.recipients->setToolTip(QString());
    b.recipients->setCurrentIndex(-1);
    b.recipients->setEditText(QString());
}

void TForm1::textChanged(const SmsBand& b) {
    std::string text = td::toWin(b.text->text());
    const bool longSms = prog().LongSms;
    // Escaped characters may take the Latin text past its last part.
    std::string fits = longSms ? ml::smsFit(text, b.wide) : text;
    if (fits.size() < text.size()) {
        b.text->setText(td::fromWin(fits));  // comes back here
        b.parts->setText(td::fromWin(ml::smsCutText(ml::smsMaxUnits(b.wide))));
        return;
    }
    b.length->setText(QString::number(b.text->text().length()));
    b.parts->setText(longSms ? td::fromWin(ml::smsPartsText(ml::smsUnits(text, b.wide), b.wide))
                             : QString());
    // A text the box cut is told where the parts are counted (long messages only:
    // without them the band shows no count).
    if (cutBox_ == b.text) {
        if (longSms) b.parts->setText(td::fromWin(ml::smsCutText(b.text->maxLength())));
        cutBox_ = nullptr;
    }
    b.send->setEnabled(ml::sendableText(td::toWin(b.text->text())));
}

void TForm1::textCut(const SmsBand& b) {
    // A key the validator refused leaves the text short of the limit.
    if (b.text->text().length() < b.text->maxLength()) return;
    // Without long messages the band shows no count, so no word either.
    if (prog().LongSms) b.parts->setText(td::fromWin(ml::smsCutText(b.text->maxLength())));
    // The box tells the cut before the change it makes: that change's count
    // keeps the word, a later one does not (a refused key changes nothing).
    cutBox_ = b.text;
    QTimer::singleShot(0, this, [this] { cutBox_ = nullptr; });
}

void TForm1::historyChosen(const SmsBand& b, int index) {
    if (index < 0 || index >= b.history->count()) return;
    b.text->setText(b.history->itemText(index));
    b.send->setEnabled(true);
}

void TForm1::sendSms(const SmsBand& b) {
    if (td::CellBusy()) return;
    b.send->setEnabled(false);
    if (!takeTypedRecipient(b)) {
        b.send->setEnabled(true);
        return;
    }
    QString typed = b.text->text();
    // A name without a number leaves no recipient; that counts as none given.
    if (typed.isEmpty() || b.recipients->currentText().isEmpty() || !ml::hasRecipient(*b.list)) {
        td::dialogs().message(td::W("- Абонент и/или текст не заданы"));
        b.send->setEnabled(true);
        return;
    }
    // A character the program's text cannot hold (an emoji, a letter of
    // another script) would reach the phone as "?": it is named, nothing is sent.
    if (std::string lost = td::outsideWin(typed); !lost.empty()) {
        td::dialogs().message(td::W("- В тексте есть символы, которых в SMS не передать: ") + lost +
                              td::W("\rони дошли бы как \"?\"; уберите их из текста"));
        b.send->setEnabled(true);
        return;
    }
    // The history keeps the text as typed, newest first; a text the engine
    // could not be started for, or said it could not send, is not kept.
    if (runAction(ml::Action::Send, *b.operation, {*b.list, ml::commandLineText(td::toWin(typed))},
                  {})) {
        pending_->history = b.history;
        pending_->entry = addHistoryEntry(b.history, typed);
    }
    b.send->setEnabled(true);
}

void TForm1::ComboBoxSmsRecepterSelect(int index) {
    chooseRecipient(latBand(), index);
}
void TForm1::ComboBoxSmsRecepterRusSelect(int index) {
    chooseRecipient(rusBand(), index);
}

void TForm1::RecepterKeyPress() {
    td::dialogs().message(
        td::W("- Выберите, пожалуйста, абонента из списка\r(если абонента нет в списке, добавьте "
              "его в телефонную книгу этой программы)"));
    td::feedback().beep();
}

void TForm1::sbClearLatPhoneClick() {
    clearRecipients(latBand());
}
void TForm1::sbClearRusPhoneClick() {
    clearRecipients(rusBand());
}
void TForm1::leLatSMSTextChange() {
    textChanged(latBand());
}
void TForm1::leRusSMSTextChange() {
    textChanged(rusBand());
}
void TForm1::cbLatSMSHistorySelect(int index) {
    historyChosen(latBand(), index);
}
void TForm1::cbRusSMSHistorySelect(int index) {
    historyChosen(rusBand(), index);
}
void TForm1::bbASCIISendSMSClick() {
    sendSms(latBand());
}
void TForm1::bbRUSSendSMSClick() {
    sendSms(rusBand());
}

void TForm1::ComboBoxSMSTextSelect(int index) {
    if (index < 0 || index >= ComboBoxSMSText->count()) return;
    auto choice = ml::reSendChoice(td::toWin(ComboBoxSMSText->itemText(index)), index,
                                   ComboBoxSMSText->count(), reSendIndexes_);
    if (!choice) return;
    bbReSend->setEnabled(true);
    reSendIndex_ = *choice;
}

void TForm1::bbReSendClick() {
    if (CheckBoxCycleResent->isChecked()) return;
    if (td::CellBusy()) return;
    bbReSend->setEnabled(false);
    // A message joined from several stored parts goes out part by part, in
    // part order, each when the one before has been sent; a part that fails
    // ends the re-send (the failure is told).
    std::vector<std::string> parts;
    if (links.messageParts) parts = links.messageParts(reSendIndex_);
    if (parts.size() < 2) parts = {reSendIndex_};
    reSendParts(std::move(parts));
    bbReSend->setEnabled(true);
}

void TForm1::reSendParts(std::vector<std::string> parts) {
    const std::string part = parts.front();
    parts.erase(parts.begin());
    if (runAction(ml::Action::ReSend, prog().ReSendSMSName, {part}, {}))
        pending_->parts = std::move(parts);
}

// ---- navigation -------------------------------------------------------------------

void TForm1::openChild(QWidget* window) {
    if (window) td::modalRunner().showModal(window);
    FormActivate();  // take over what the window changed
}

void TForm1::bbHelpClick() {
    if (links.help) td::modalRunner().showModal(links.help);
}

void TForm1::bbUssdClick() {
    if (links.ussd) td::modalRunner().showModal(links.ussd);
}

void TForm1::bbSetUpClick() {
    openChild(links.settings);
}
void TForm1::bbPhoneBookClick() {
    openChild(links.phoneBook);
}

// A switched-off button cannot be clicked; the checks keep it so for direct calls.
void TForm1::bbMissCallClick() {
    if (bbMissCall->isEnabled()) openChild(links.missCalls);
}
void TForm1::bbSentSMSClick() {
    openChild(links.sentSms);
}
void TForm1::bbUnReadSMSClick() {
    if (bbUnReadSMS->isEnabled()) openChild(links.unreadSms);
}
void TForm1::bbAllSMSClick() {
    if (bbAllSMS->isEnabled()) openChild(links.allSms);
}
void TForm1::bbMemDayBookClick() {
    if (bbMemDayBook->isEnabled()) openChild(links.dateBook);
}
void TForm1::bbPBookModifyClick() {
    if (!bbPBookModify->isEnabled()) return;
    td::dialogs().message(td::W("Эта возможность будет реализована в одной из следующих версий"));
}

void TForm1::ButtonMess(bool found, const std::string& caption, const std::string& operation) {
    if (!found) td::dialogs().message(td::missingOperationText(caption, operation));
}

// ---- hand-overs from the other windows ---------------------------------------------

void TForm1::clearReSendBox() {
    ComboBoxSMSText->clear();
    ComboBoxSMSText->setEditText(QString());
    reSendIndexes_.clear();
    // The message once chosen for a re-send is no longer in the box.
    bbReSend->setEnabled(false);
    reSendReady_ = false;
}

void TForm1::addReSendLine(const std::string& line) {
    ComboBoxSMSText->addItem(td::fromWin(line));
}

void TForm1::setReSendIndexes(const std::vector<std::string>& indexes) {
    reSendIndexes_ = indexes;
}

void TForm1::setReSendText(const std::string& text, const std::string& index) {
    ComboBoxSMSText->setEditText(td::fromWin(text));
    reSendIndex_ = index;
    reSendReady_ = true;
}

void TForm1::reSend(const std::string& index) {
    reSendIndex_ = index;
    bbReSendClick();
}

std::vector<std::string> TForm1::abonentNames() const {
    std::vector<std::string> names;
    for (int i = 0; i < ComboBoxAbonentName->count(); ++i)
        names.push_back(td::toWin(ComboBoxAbonentName->itemText(i)));
    return names;
}

void TForm1::setRecipientText(const std::string& text, int index) {
    for (QComboBox* box : {ComboBoxSmsRecepter, ComboBoxSmsRecepterRus}) {
        if (index >= 0 && index < box->count()) box->setCurrentIndex(index);
        box->setEditText(td::fromWin(text));
    }
    preset_ = Preset{text, index};
}

void TForm1::setRecipients(const std::string& lat, const std::string& rus) {
    latRecipients_ = lat;
    rusRecipients_ = rus;
    lLatSMSPhoneNumber->setText(td::fromWin(lat));
    lRusSMSPhoneNumber->setText(td::fromWin(rus));
}
