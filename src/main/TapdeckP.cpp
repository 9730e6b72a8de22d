#include "main/TapdeckP.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringListModel>
#include <QTimer>

#include "engine/launcher.h"
#include "engine/settings.h"
#include "engine/texthelpers.h"
#include "main/mainlogic.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/qtservices.h"
#include "platform/services.h"

using td::prog;
namespace ml = td::mainlogic;
namespace S = td::setting;

namespace {

// Empties a box and fills its list with names, choosing none of them. The
// list goes in whole (a long own book fills three boxes at every
// activation), and a box that holds these very names keeps them.
void refill(QComboBox* box, const QStringList& names) {
    auto* list = qobject_cast<QStringListModel*>(box->model());
    if (!list) {
        list = new QStringListModel(box);
        box->setModel(list);
    }
    if (list->stringList() != names) list->setStringList(names);
    box->setCurrentIndex(-1);
    box->setEditText(QString());
}

QStringList toQt(const std::vector<std::string>& lines) {
    QStringList out;
    for (const auto& l : lines) out << td::fromWin(l);
    return out;
}

}  // namespace

TForm1::TForm1(QWidget* parent) : QWidget(parent) {
    setObjectName("TForm1");
    td::files::resumeWrites();  // a program starts: its own closing has not happened
    terminateApp = [] { QCoreApplication::exit(0); };
    buildLayout();
    connectSignals();
    FormCreate();
}

TForm1::~TForm1() {
    FormDestroy();
}

int TForm1::designedOuterHeight() const {
    return height() + FrameAllowance;
}

void TForm1::FormCreate() {
    prog().StartDir = td::files::currentDir();
    if (td::files::exists(td::startPath(td::RunMarkerName))) {
        td::files::remove(td::startPath(td::RunMarkerName));
    }
}

void TForm1::FormShow() {
    const auto& p = prog();
    setWindowTitle(td::fromWin(p.ProgName + " " + p.ProgVersion + " / " + td::ProgDate + " -" +
                               td::DownloadNote));
}

void TForm1::FormActivate() {
    // After the closing write-back (a child window's read unwinding, say)
    // nothing is read again or written.
    if (td::files::writesEnded()) return;
    td::SaveReport report;  // every file this activation could not write, told once
    auto& p = prog();
    // 1. The model marker shows the cycle boxes (they stay shown once shown).
    if (td::files::exists(td::ModelMarkerName)) {
        CheckBoxCycleResent->setVisible(true);
        CheckBoxCycleSendLat->setVisible(true);
        CheckBoxCycleSendRus->setVisible(true);
    }
    // 2. The own book's numbers are read again, and the SMS windows' names.
    phoneNumbers_.clear();
    if (links.forgetSmsNames) links.forgetSmsNames();
    // 3. Start folder and the number field.
    p.StartDir = td::files::currentDir();
    refill(ComboBoxAbonentName, {});
    abonentChosen_ = -1;
    // 4. Another satellite may have pointed the engine at its own operations.
    // The marker this program made at an earlier activation is not counted.
    if (td::files::exists(td::startPath(td::EngineIniName))) {
        td::IniFile engine(td::startPath(td::EngineIniName));
        p.EngineModelIni = td::readSetting(engine, S::ModelIni, td::EngineIniName);
        p.ExeIniName = ml::exeIniName(p.ExeFileName);
        std::string model = td::upperAscii(p.EngineModelIni);
        if (model != td::upperAscii(td::EngineIniName) && model != td::upperAscii(p.ExeIniName) &&
            !satelliteAsked_ && td::CheckSateliteFile(td::SatelliteBase, satelliteMarker_)) {
            satelliteAsked_ = true;
            if (td::dialogs().confirm(
                    td::W("- Может быть активна только одна программа-сателит\r Возможны ошибки "
                          "при одновременном выполнении двух или более программ\r Завершить "
                          "программу ?"))) {
                terminated_ = true;
                if (terminateApp) terminateApp();
                return;
            }
        }
    }
    // 5. Own ini, then the operations ini.
    if (!td::files::exists(td::startPath(td::OwnIniName))) {
        td::dialogs().message(td::W("- Файл ") + td::OwnIniName + td::W(" - не найден"));
        td::files::setCurrentDir(p.StartDir);
    } else {
        readOwnIni();
        if (!td::files::exists(td::startPath(p.OperIniName))) {
            td::dialogs().message(td::W("- Файл ") + p.OperIniName + td::W(" - не найден"));
            td::files::setCurrentDir(p.StartDir);
        } else {
            readOperIni();
        }
    }
    // Which phone the engine works (the simulated one or a device): the
    // call row's title tells it on pointing.
    Panel2->setToolTip(
        td::fromWin(td::W("Телефон: ") + td::phoneInUseText(td::enginePort(p.StartDir))));
    // 6. Hints of the call row: the bound operations.
    bbCall->setToolTip(td::fromWin(p.CallName));
    bbHangUp->setToolTip(td::fromWin(p.HangUpName));
    bbSoundUp->setToolTip(td::fromWin(p.SoundUpName));
    bbSoundDown->setToolTip(td::fromWin(p.SoundDownName));
    // 7. The prompt line of the re-send list, added without changing the box's text.
    QString prompt = td::fromWin(ml::reSendPrompt());
    if (ComboBoxSMSText->findText(prompt, Qt::MatchExactly) < 0) {
        int index = ComboBoxSMSText->currentIndex();
        QString text = ComboBoxSMSText->currentText();
        ComboBoxSMSText->addItem(prompt);
        ComboBoxSMSText->setCurrentIndex(index);
        ComboBoxSMSText->setEditText(text);
    }
    // 8. The engine's window and beep as they now stand.
    if (td::files::exists(td::startPath(p.OperIniName))) {
        td::IniFile oper(td::startPath(p.OperIniName));
        // A missing window switch reads as "Min" here (as "Norm" when first read).
        p.EngineWindow = td::readSetting(oper, S::EngineWindow, "Min");
        p.EngineBeep = td::upperAscii(td::readSetting(oper, S::EngineBeep));
    }
    // 9-10.
    firstActivationDone_ = true;
    bbReSend->setEnabled(reSendReady_);
    bbASCIISendSMS->setEnabled(false);
    bbRUSSendSMS->setEnabled(false);
    // 11. A recipient handed over for a reply.
    if (preset_) applyPreset();
    preset_.reset();
    // 12. This program's satellite marker (tried again while it has none).
    if (satelliteMarker_.empty()) satelliteMarker_ = td::CreSateliteFile(td::SatelliteBase);
    // 13.
    sizeLocked_ = true;
    lockSize();
}

void TForm1::readOwnIni() {
    auto& p = prog();
    td::IniFile own = td::IniFile::loaded(td::startPath(td::OwnIniName));
    p.OwnWindow = td::readSetting(own, S::OwnWindow);
    p.OwnBeep = td::upperAscii(td::readSetting(own, S::OwnBeep));
    if (links.setBeepTick) links.setBeepTick(p.OwnBeep == "YES");
    p.PLusBeforeNumber = td::readSetting(own, S::PlusBeforeNumber);

    // Names and numbers stay index-aligned, a name without a number included.
    // They are made again only when the section changed.
    const std::string bookSection(S::PhoneBookSection);
    if (book_.stamp != own.sectionStamp(bookSection) || book_.stamp == 0) {
        book_ = {};
        for (const auto& [name, number] : own.readSection(bookSection)) {
            book_.names << td::fromWin(name);
            book_.numbers.push_back(number);
        }
        book_.stamp = own.sectionStamp(bookSection);
    }
    phoneNumbers_ = book_.numbers;
    refill(ComboBoxAbonentName, book_.names);
    refill(ComboBoxSmsRecepter, book_.names);
    refill(ComboBoxSmsRecepterRus, book_.names);

    for (const auto& key : td::FunctionKeys)
        *p.function(key) = own.readString(std::string(S::FunctionsSection), key, "");
    if (td::readSetting(own, S::GroupDeleteSMS, "").empty()) {
        td::writeSetting(own, S::GroupDeleteSMS, std::string(S::GroupDeleteSMS.def));
    }
    auto tick = ml::engineWindowTick(td::upperAscii(td::readSetting(own, S::OwnWindow, "")));
    if (tick && links.setEngineWindowTick) links.setEngineWindowTick(*tick);

    p.OperIniName = td::operIniNameFor(p.ExeFileName);
    p.ProgName = ml::exeBaseName(p.ExeFileName);
    if (td::upperAscii(p.ProgName).find("TAPDECK") == std::string::npos) {
        p.ProgVersion = td::AltVersion;
    }
    setWindowTitle(td::fromWin("Hi " + p.ProgName + " " + p.ProgVersion + " / " + td::ProgDate +
                               " -" + td::DownloadNote));
    td::writeSetting(own, S::OwnModelIni, p.OperIniName);

    // The histories are read once per run: a box that holds lines is kept.
    if (cbLatSMSHistory->count() == 0) {
        cbLatSMSHistory->addItems(toQt(ml::readHistory(own, std::string(S::LatHistorySection))));
        cbLatSMSHistory->setCurrentIndex(-1);
    }
    if (cbRusSMSHistory->count() == 0) {
        cbRusSMSHistory->addItems(toQt(ml::readHistory(own, std::string(S::RusHistorySection))));
        cbRusSMSHistory->setCurrentIndex(-1);
    }

    auto sw = [&own](const td::Setting& s) { return td::upperAscii(td::readSetting(own, s)); };
    p.MissCall = sw(S::MissCallSwitch);
    p.UnReadSMS = sw(S::UnReadSMSSwitch);
    p.PBookModify = sw(S::PBookModifySwitch);
    p.MemDayBook = sw(S::MemDayBookSwitch);
    p.SendSMSRus = sw(S::SendSMSRusSwitch);
    p.AllSMS = sw(S::AllSMSSwitch);
    p.PBookRead = sw(S::PBookReadSwitch);
    p.QuickRead = sw(S::QuickRead) == "YES";
    p.TypedRecipients = sw(S::TypedRecipients) == "YES";
    p.LongSms = sw(S::LongSms) == "YES";
    p.LivePhone = sw(S::LivePhone) == "YES";
    applySwitches();
    applySmsLimits();

    if (!firstActivationDone_ &&
        td::upperAscii(p.OperIniName) != td::upperAscii(td::EngineIniName) &&
        td::files::exists(td::startPath(td::EngineIniName))) {
        td::IniFile engine(td::startPath(td::EngineIniName));
        td::writeSetting(engine, S::ModelIni, p.OperIniName);
    }
}

void TForm1::applySwitches() {
    const auto& p = prog();
    // A switched-off button stays off for the rest of the run.
    if (p.MissCall == "NO") bbMissCall->setEnabled(false);
    if (p.UnReadSMS == "NO") bbUnReadSMS->setEnabled(false);
    if (p.PBookModify == "NO") bbPBookModify->setEnabled(false);
    if (p.MemDayBook == "NO") bbMemDayBook->setEnabled(false);
    if (p.AllSMS == "NO") bbAllSMS->setEnabled(false);
    if (p.SendSMSRus == "NO") {
        // The outer height becomes the band's top plus the frame, so the
        // client area ends where the Cyrillic section begins.
        int w = width();
        int h = Panel11->y();
        if (FormCanResize(w, h)) resize(w, h);
    }
    if (p.PBookRead == "NO" && links.phoneBookReadOff) links.phoneBookReadOff();
}

void TForm1::applySmsLimits() {
    const bool longSms = prog().LongSms;
    for (const SmsBand& b : {latBand(), rusBand()}) {
        const int limit = longSms ? ml::smsMaxUnits(b.wide) : ml::smsSingleUnits(b.wide);
        b.text->setMaxLength(limit);
        b.limit->setText("==>" + QString::number(limit));
        b.history->lineEdit()->setMaxLength(longSms ? limit : ml::smsSingleUnits(false));
    }
}

void TForm1::readOperIni() {
    auto& p = prog();
    td::IniFile oper(td::startPath(p.OperIniName));
    const std::string ops(S::OperationsSection);
    if (!oper.keyExists(ops, td::BatchOperName) ||
        oper.readString(ops, td::BatchOperName, "") != td::BatchOperCmd) {
        oper.writeString(ops, td::BatchOperName, td::BatchOperCmd);
    }
    if (!oper.keyExists(ops, td::CheckPhoneOperName) ||
        oper.readString(ops, td::CheckPhoneOperName, "") != td::CheckPhoneOperCmd) {
        oper.writeString(ops, td::CheckPhoneOperName, td::CheckPhoneOperCmd);
    }
    p.EngineWindow = td::readSetting(oper, S::EngineWindow);
    td::writeSetting(oper, S::EngineWindow, p.OwnWindow);
    // A wait time that is not a whole number is taken as 5 seconds.
    p.WaitSec = ml::effectiveWaitSec(td::readSetting(oper, S::WaitSec));
    td::writeSetting(oper, S::Wait, std::to_string(ml::halfToEven(*td::parseWhole(p.WaitSec))));
    td::readOperFiles(oper, p);
    p.EngineBeep = td::upperAscii(td::readSetting(oper, S::EngineBeep));
    // Repair an empty call or hang-up operation from the bindings or their fallbacks.
    std::string call = oper.readString(ops, p.CallName, "");
    std::string hangUp = oper.readString(ops, p.HangUpName, "");
    if (call.empty() || hangUp.empty()) {
        if (p.CallName.empty()) p.CallName = td::DefaultCallName;
        if (p.CallCMD.empty()) p.CallCMD = td::DefaultCallCMD;
        if (p.HangUpName.empty()) p.HangUpName = td::DefaultHangUpName;
        if (p.HangUpCMD.empty()) p.HangUpCMD = td::DefaultHangUpCMD;
        oper.writeString(ops, p.CallName, p.CallCMD);
        oper.writeString(ops, p.HangUpName, p.HangUpCMD);
    }
}

void TForm1::applyPreset() {
    const Preset& preset = *preset_;
    QString shown = td::fromWin(preset.text);
    int count = ComboBoxSmsRecepter->count();
    if (preset.index >= 0 && preset.index < count &&
        static_cast<size_t>(preset.index) < phoneNumbers_.size()) {
        for (QComboBox* box : {ComboBoxSmsRecepter, ComboBoxSmsRecepterRus}) {
            box->setCurrentIndex(preset.index);
            box->setEditText(shown);
        }
        latRecipients_ = phoneNumbers_[static_cast<size_t>(preset.index)];
        rusRecipients_ = latRecipients_;
        lLatSMSPhoneNumber->setText(td::fromWin(latRecipients_));
        lRusSMSPhoneNumber->setText(td::fromWin(rusRecipients_));
    } else if (preset.index == -1) {
        for (QComboBox* box : {ComboBoxSmsRecepter, ComboBoxSmsRecepterRus}) {
            box->setCurrentIndex(-1);
            box->setEditText(shown);
        }
    }
}

bool TForm1::FormCanResize(int& newWidth, int& newHeight) {
    return !sizeLocked_;
}

void TForm1::lockSize() {
    setFixedSize(size());
}

void TForm1::FormClose() {
    if (td::files::writesEnded()) return;  // written back already (a signal, the session's end)
    pending_.reset();                      // a run still watched is told no more
    writeBack();
    td::files::remove(td::startPath(td::RunMarkerName));
    if (!satelliteMarker_.empty()) td::files::remove(satelliteMarker_);
    // A read still waiting in a child window ends at its next check, and
    // whatever unwinds after this point writes nothing.
    if (links.abortReads) links.abortReads();
    td::files::endWrites();
}

void TForm1::writeBack() {
    td::SaveReport report;  // what could not be written back, told once
    auto& p = prog();
    if (td::files::exists(td::startPath(td::EngineIniName))) {
        td::IniFile engine(td::startPath(td::EngineIniName));
        td::writeSetting(engine, S::ModelIni, td::EngineIniName);
    }
    if (td::files::exists(td::startPath(td::OwnIniName))) {
        td::IniFile own(td::startPath(td::OwnIniName));
        bool shown = links.engineWindowTicked && links.engineWindowTicked();
        td::writeSetting(own, S::OwnWindow, shown ? "Norm" : "Min");
        auto lines = [](QComboBox* box) {
            std::vector<std::string> out;
            for (int i = 0; i < box->count(); ++i) out.push_back(td::toWin(box->itemText(i)));
            return out;
        };
        ml::writeHistory(own, std::string(S::LatHistorySection), lines(cbLatSMSHistory));
        ml::writeHistory(own, std::string(S::RusHistorySection), lines(cbRusSMSHistory));
    }
    if (td::files::exists(td::startPath(p.OperIniName))) {
        td::IniFile oper(td::startPath(p.OperIniName));
        td::writeSetting(oper, S::EngineWindow, p.EngineWindow);
        td::writeSetting(oper, S::Wait, p.WaitSec);
        td::writeSetting(oper, S::EngineBeep, p.EngineBeep);
    }
}

void TForm1::FormDestroy() {
    auto& p = prog();
    p.StartDir = td::files::currentDir();
    td::files::remove(td::startPath(td::RunMarkerName));
    if (!satelliteMarker_.empty()) td::files::remove(satelliteMarker_);
}

// ---- window system events -------------------------------------------------------
//
// The window system activates the main window at its first showing; that
// runs the first activation. Later activations come from the buttons that
// open a child window: each runs FormActivate once after the child has
// closed. Activations by other means (a message box closing, switching from
// another program) re-read nothing, because a re-run empties the number
// field and the recipient boxes under the user's hands.

void TForm1::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (shownOnce_) return;
    shownOnce_ = true;
    FormShow();
    // Without a window manager the activation event may never come.
    QTimer::singleShot(0, this, [this] {
        if (!eventActivationDone_) {
            eventActivationDone_ = true;
            FormActivate();
        }
    });
}

void TForm1::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && isActiveWindow() && shownOnce_ &&
        !eventActivationDone_) {
        eventActivationDone_ = true;
        FormActivate();
    }
}

void TForm1::closeEvent(QCloseEvent* e) {
    FormClose();
    e->accept();
}
