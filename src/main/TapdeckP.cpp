#include "main/TapdeckP.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "engine/launcher.h"
#include "engine/settings.h"
#include "main/mainlogic.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/qtservices.h"
#include "platform/services.h"

using td::prog;
namespace ml = td::mainlogic;

namespace {

// Empties a box and fills its list with names, choosing none of them.
void refill(QComboBox* box, const QStringList& names) {
    box->clear();
    box->addItems(names);
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
    prog().SentSMSIndexes.clear();
}

void TForm1::FormShow() {
    const auto& p = prog();
    setWindowTitle(td::fromWin(p.ProgName + " " + p.ProgVersion + " / " + td::ProgDate + " -" +
                               td::DownloadNote));
}

void TForm1::FormActivate() {
    auto& p = prog();
    // 1. The model marker shows the cycle boxes (they stay shown once shown).
    if (td::files::exists(td::ModelMarkerName)) {
        CheckBoxCycleResent->setVisible(true);
        CheckBoxCycleSendLat->setVisible(true);
        CheckBoxCycleSendRus->setVisible(true);
    }
    // 2. Shared working lists start empty again.
    p.PhoneNumbers.clear();
    p.PhoneBookKeys.clear();
    p.RecordList.clear();
    p.ResultLines.clear();
    p.NameList.clear();
    p.OperationLines.clear();
    // 3. Start folder and the number field.
    p.StartDir = td::files::currentDir();
    refill(ComboBoxAbonentName, {});
    abonentChosen_ = -1;
    // 4. Another satellite may have pointed the engine at its own operations.
    // The marker this program made at an earlier activation is not counted.
    if (td::files::exists(td::startPath(td::EngineIniName))) {
        td::IniFile engine(td::startPath(td::EngineIniName));
        p.EngineModelIni = engine.readString("Common", "ModelIni", td::EngineIniName);
        p.ExeIniName = ml::exeIniName(p.ExeFileName);
        std::string model = td::upperAscii(p.EngineModelIni);
        if (model != td::upperAscii(td::EngineIniName) && model != td::upperAscii(p.ExeIniName) &&
            !p.SatelliteAsked && td::CheckSateliteFile(td::SatelliteBase, p.SatelliteMarker)) {
            p.SatelliteAsked = true;
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
        p.EngineWindow = oper.readString("AutoRun", "Window", "Min");
        p.EngineBeep = td::upperAscii(oper.readString("Common", "Beep", "NO"));
    }
    // 9-10.
    p.FirstActivationDone = true;
    bbReSend->setEnabled(p.ReSendReady);
    bbASCIISendSMS->setEnabled(false);
    bbRUSSendSMS->setEnabled(false);
    // 11. A recipient handed over for a reply.
    if (p.RecipientPreset) applyPreset();
    p.RecipientPreset = false;
    // 12. This program's satellite marker (tried again while it has none).
    if (p.SatelliteMarker.empty()) p.SatelliteMarker = td::CreSateliteFile(td::SatelliteBase);
    // 13.
    p.SizeLocked = true;
    lockSize();
}

void TForm1::readOwnIni() {
    auto& p = prog();
    td::IniFile own(td::startPath(td::OwnIniName));
    p.OwnWindow = own.readString("Common", "Window", "Min");
    p.OwnBeep = td::upperAscii(own.readString("Common", "Beep", "NO"));
    if (links.setBeepTick) links.setBeepTick(p.OwnBeep == "YES");
    p.PLusBeforeNumber = own.readString("Common", "PLusBeforeNumber", td::DefaultPlusBeforeNumber);

    // Names and numbers stay index-aligned, a name without a number included.
    QStringList names;
    for (const auto& [name, number] : own.readSection("PhoneBook")) {
        names << td::fromWin(name);
        p.PhoneNumbers.push_back(number);
    }
    refill(ComboBoxAbonentName, names);
    refill(ComboBoxSmsRecepter, names);
    refill(ComboBoxSmsRecepterRus, names);

    for (const auto& key : td::FunctionKeys)
        *p.function(key) = own.readString("Functions", key, "");
    if (own.readString("Commands", "GroupDeleteSMS", "").empty()) {
        own.writeString("Commands", "GroupDeleteSMS", "at+cmgd=");
    }
    auto tick = ml::engineWindowTick(td::upperAscii(own.readString("Common", "Window", "")));
    if (tick && links.setEngineWindowTick) links.setEngineWindowTick(*tick);

    p.OperIniName = ml::exeIniName(p.ExeFileName);
    if (td::upperAscii(p.OperIniName) == td::upperAscii(td::OwnIniName)) {
        p.OperIniName = td::EngineIniName;
    }
    p.ProgName = ml::exeBaseName(p.ExeFileName);
    if (td::upperAscii(p.ProgName).find("TAPDECK") == std::string::npos) {
        p.ProgVersion = td::AltVersion;
    }
    setWindowTitle(td::fromWin("Hi " + p.ProgName + " " + p.ProgVersion + " / " + td::ProgDate +
                               " -" + td::DownloadNote));
    own.writeString("Common", "ModelIni", p.OperIniName);

    // The histories are read once per run: a box that holds lines is kept.
    if (cbLatSMSHistory->count() == 0) {
        cbLatSMSHistory->addItems(toQt(ml::readHistory(own, "History")));
        cbLatSMSHistory->setCurrentIndex(-1);
    }
    if (cbRusSMSHistory->count() == 0) {
        cbRusSMSHistory->addItems(toQt(ml::readHistory(own, "RusHistory")));
        cbRusSMSHistory->setCurrentIndex(-1);
    }

    auto sw = [&own](const char* key) {
        return td::upperAscii(own.readString("Common", key, "YES"));
    };
    p.MissCall = sw("MissCall");
    p.UnReadSMS = sw("UnReadSMS");
    p.PBookModify = sw("PBookModify");
    p.MemDayBook = sw("MemDayBook");
    p.SendSMSRus = sw("SendSMSRus");
    p.AllSMS = sw("AllSMS");
    p.PBookRead = sw("PBookRead");
    applySwitches();

    if (!p.FirstActivationDone &&
        td::upperAscii(p.OperIniName) != td::upperAscii(td::EngineIniName) &&
        td::files::exists(td::startPath(td::EngineIniName))) {
        td::IniFile engine(td::startPath(td::EngineIniName));
        engine.writeString("Common", "ModelIni", p.OperIniName);
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

void TForm1::readOperIni() {
    auto& p = prog();
    td::IniFile oper(td::startPath(p.OperIniName));
    if (!oper.keyExists("Operations", td::BatchOperName) ||
        oper.readString("Operations", td::BatchOperName, "") != td::BatchOperCmd) {
        oper.writeString("Operations", td::BatchOperName, td::BatchOperCmd);
    }
    if (!oper.keyExists("Operations", td::CheckPhoneOperName) ||
        oper.readString("Operations", td::CheckPhoneOperName, "") != td::CheckPhoneOperCmd) {
        oper.writeString("Operations", td::CheckPhoneOperName, td::CheckPhoneOperCmd);
    }
    p.EngineWindow = oper.readString("AutoRun", "Window", "Norm");
    oper.writeString("AutoRun", "Window", p.OwnWindow);
    // A wait time that is not a whole number is taken as 5 seconds.
    p.WaitSec = ml::effectiveWaitSec(oper.readString("AutoRun", "WaitSec", "5"));
    oper.writeString("AutoRun", "Wait", std::to_string(ml::halfToEven(*ml::parseWhole(p.WaitSec))));
    p.PBFile = oper.readString("AutoRun", "PBFile", "LastRun.pbf");
    p.SMSFile = oper.readString("AutoRun", "SMSFile", "LastRun.sms");
    p.MDBFile = oper.readString("AutoRun", "MDBFile", "LastRun.mdb");
    p.LogFile = oper.readString("AutoRun", "LogFile", "LastRun.log");
    p.EngineBeep = td::upperAscii(oper.readString("Common", "Beep", "NO"));
    const std::string meta = "MetaOperation";
    p.PrefixPhoneBook = oper.readString(meta, td::W("Чтение памяти ТК"), "+CPBR");
    p.PrefixSmsList = oper.readString(meta, td::W("Чтение списка СМС"), "+CMGL");
    p.PrefixMotoSmsList = oper.readString(meta, td::W("Moto-Чтение списка СМС"), "+MMGL");
    p.PrefixDateBook = oper.readString(meta, td::W("Moto-Чтение напоминаний"), "+MDBR");
    p.PrefixAutoDelete = oper.readString(meta, td::W("Moto-Чтение автоудаления"), "+MDBAD");
    p.PrefixDateBookWrite = oper.readString(meta, td::W("Moto-Запись напоминаний"), "+MDBW");
    p.PrefixCharset = oper.readString(meta, td::W("Чтение кодировки"), "+CSCS");
    // Repair an empty call or hang-up operation from the bindings or their fallbacks.
    std::string call = oper.readString("Operations", p.CallName, "");
    std::string hangUp = oper.readString("Operations", p.HangUpName, "");
    if (call.empty() || hangUp.empty()) {
        if (p.CallName.empty()) p.CallName = td::DefaultCallName;
        if (p.CallCMD.empty()) p.CallCMD = td::DefaultCallCMD;
        if (p.HangUpName.empty()) p.HangUpName = td::DefaultHangUpName;
        if (p.HangUpCMD.empty()) p.HangUpCMD = td::DefaultHangUpCMD;
        oper.writeString("Operations", p.CallName, p.CallCMD);
        oper.writeString("Operations", p.HangUpName, p.HangUpCMD);
    }
}

void TForm1::applyPreset() {
    auto& p = prog();
    QString shown = td::fromWin(p.PresetText);
    int count = ComboBoxSmsRecepter->count();
    if (p.PresetIndex >= 0 && p.PresetIndex < count &&
        static_cast<size_t>(p.PresetIndex) < p.PhoneNumbers.size()) {
        for (QComboBox* box : {ComboBoxSmsRecepter, ComboBoxSmsRecepterRus}) {
            box->setCurrentIndex(p.PresetIndex);
            box->setEditText(shown);
        }
        p.LatRecipients = p.PhoneNumbers[static_cast<size_t>(p.PresetIndex)];
        p.RusRecipients = p.LatRecipients;
        lLatSMSPhoneNumber->setText(td::fromWin(p.LatRecipients));
        lRusSMSPhoneNumber->setText(td::fromWin(p.RusRecipients));
    } else if (p.PresetIndex == -1) {
        for (QComboBox* box : {ComboBoxSmsRecepter, ComboBoxSmsRecepterRus}) {
            box->setCurrentIndex(-1);
            box->setEditText(shown);
        }
    }
}

bool TForm1::FormCanResize(int& newWidth, int& newHeight) {
    return !prog().SizeLocked;
}

void TForm1::lockSize() {
    setFixedSize(size());
}

void TForm1::FormClose() {
    auto& p = prog();
    if (td::files::exists(td::startPath(td::EngineIniName))) {
        td::IniFile(td::startPath(td::EngineIniName))
            .writeString("Common", "ModelIni", td::EngineIniName);
    }
    if (td::files::exists(td::startPath(td::OwnIniName))) {
        td::IniFile own(td::startPath(td::OwnIniName));
        bool shown = links.engineWindowTicked && links.engineWindowTicked();
        own.writeString("Common", "Window", shown ? "Norm" : "Min");
        auto lines = [](QComboBox* box) {
            std::vector<std::string> out;
            for (int i = 0; i < box->count(); ++i) out.push_back(td::toWin(box->itemText(i)));
            return out;
        };
        ml::writeHistory(own, "History", lines(cbLatSMSHistory));
        ml::writeHistory(own, "RusHistory", lines(cbRusSMSHistory));
    }
    if (td::files::exists(td::startPath(p.OperIniName))) {
        td::IniFile oper(td::startPath(p.OperIniName));
        oper.writeString("AutoRun", "Window", p.EngineWindow);
        oper.writeString("AutoRun", "Wait", p.WaitSec);
        oper.writeString("Common", "Beep", p.EngineBeep);
    }
    td::files::remove(td::startPath(td::RunMarkerName));
    if (!p.SatelliteMarker.empty()) td::files::remove(p.SatelliteMarker);
}

void TForm1::FormDestroy() {
    auto& p = prog();
    p.StartDir = td::files::currentDir();
    td::files::remove(td::startPath(td::RunMarkerName));
    if (!p.SatelliteMarker.empty()) td::files::remove(p.SatelliteMarker);
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
