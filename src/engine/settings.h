#pragma once
// Program-wide settings and constants. One instance for the whole run
// (td::prog()): folders and ini names, the bindings, the operations ini's
// values, the answer prefixes, the feature switches and the read cycle's
// QuickRead switch. The main window's activation fills it from the
// ini files, the other windows read it. Working state lives with its owner:
// each reader its flags and lines (ReadFlags, ReadCycle), the SMS reader the
// list shown and the chosen message, the main window its recipients and
// re-send values; what one window hands another goes through the links
// wired in src/app/forms.cpp. All texts are Windows-1251 byte strings.

#include <string>
#include <vector>

#include "engine/settingkeys.h"

namespace td {

// ---- constants (file names and ini keys: engine/settingkeys.h) ----------------
extern const std::string ModelMarkerName;  // "MotorolaC.350"
extern const std::string BatchOperName;    // "Выполнить_пакет"
extern const std::string BatchOperCmd;     // at+cgsn|!bat[
extern const std::string CheckPhoneOperName;  // "Получить_характеристики_телефона"
extern const std::string CheckPhoneOperCmd;  // at+cgsn|!bat"CheckPhone.bat"
extern const std::string ScriptBatName;      // "@ScriBat.txt"
extern const std::string DateBookListName;   // "LastMDBook.txt"
// Beside the last copy: the date book's events added from a file and not yet
// written into the phone, as record lines.
extern const std::string DateBookPendingName;  // "PendingMDBook.txt"
// The batch file that writes those events and reads the date book again.
extern const std::string DateBookWriteBatName;  // "@MdbWrite.txt"
extern const std::string SatelliteBase;         // "c:\swapping.fl"
extern const std::string NumberMark;            // "№" (byte 0xB9)
extern const char NumberMarkChar;
extern const std::string ProgVersion0;  // "v 0.54"
extern const std::string AltVersion;    // "v 5.4"
extern const std::string ProgDate;      // "13.10.2005"
extern const std::string DownloadNote;
constexpr int HistoryMax = 20;

// Read-cycle constants.
constexpr int FastPollInterval = 2000;
constexpr int FastPollCount = 25;
constexpr int SlowPollInterval = 5000;
constexpr int SlowPollCount = 10;
constexpr long long MinResultSize = 29;

// Fallbacks of the call and hang-up bindings.
extern const std::string DefaultCallName;
extern const std::string DefaultCallCMD;
extern const std::string DefaultHangUpName;
extern const std::string DefaultHangUpCMD;
extern const std::string DefaultPlusBeforeNumber;  // at+ckpd="0",22|!dly|

// The seventeen keys of section Functions, in their table order.
extern const std::vector<std::string> FunctionKeys;

struct Prog {
    // Folders and files.
    std::string StartDir;
    std::string OperIniName;  // computed at activation; "celltalk.ini" at start
    std::string EngineModelIni;
    std::string ExeIniName;
    std::string ExeFileName = "tapdeck";  // the program's file name without folder

    // Caption texts.
    std::string ProgName = "Tapdeck";
    std::string ProgVersion;

    // Own ini values.
    std::string OwnWindow;
    std::string OwnBeep;
    std::string PLusBeforeNumber;

    // Bindings (section Functions).
    std::string CallName, CallCMD, HangUpName, HangUpCMD, SoundUpName, SoundDownName, PhoneBookName,
        SentSMSName, ReSendSMSName, LatSendSMSName, RusSendSMSName, MissCallName, UnReadSMSName,
        AllSMSName, DeleteSMSName, MemDayBookName, UnloadMemDayBookName;
    std::string* function(const std::string& key);  // by key name, nullptr if unknown

    // Operations ini values.
    std::string EngineWindow;
    std::string WaitSec{setting::WaitSec.def};
    std::string PBFile{setting::PBFile.def}, SMSFile{setting::SMSFile.def},
        MDBFile{setting::MDBFile.def}, LogFile{setting::LogFile.def};
    std::string EngineBeep;

    // Answer prefixes (section MetaOperation).
    std::string PrefixPhoneBook{setting::PrefixPhoneBook.def};
    std::string PrefixSmsList{setting::PrefixSmsList.def};
    std::string PrefixMotoSmsList{setting::PrefixMotoSmsList.def};
    std::string PrefixDateBook{setting::PrefixDateBook.def};
    std::string PrefixAutoDelete{setting::PrefixAutoDelete.def};
    std::string PrefixDateBookWrite{setting::PrefixDateBookWrite.def};
    std::string PrefixCharset{setting::PrefixCharset.def};

    // Feature switches (section Common, upper-cased, default "YES").
    std::string MissCall{setting::MissCallSwitch.def}, UnReadSMS{setting::UnReadSMSSwitch.def},
        MemDayBook{setting::MemDayBookSwitch.def}, SendSMSRus{setting::SendSMSRusSwitch.def},
        PBookModify{setting::PBookModifySwitch.def}, AllSMS{setting::AllSMSSwitch.def},
        PBookRead{setting::PBookReadSwitch.def};

    // Read cycle.
    bool QuickRead = false;  // QuickRead=YES: end a read as soon as the engine is done

    // Main window additions, each switched on by its own key ("YES").
    bool TypedRecipients = false;  // a typed number is an SMS recipient
    bool LongSms = false;          // an SMS text may take several parts
    bool LivePhone = false;        // the live phone's controls show

    Prog();
};

Prog& prog();
void resetProg();  // back to the start values (tests)

// "tapdeck.exe" -> "tapdeck.ini", "phone2" -> "phone2.ini" (a name without
// an extension gets one).
std::string exeIniName(const std::string& exeFileName);
// "tapdeck.exe" -> "tapdeck", "phone2" -> "phone2".
std::string exeBaseName(const std::string& exeFileName);
// The operations ini a program of this file name works with: its own
// "<name>.ini", or celltalk.ini when that would be the own ini.
std::string operIniNameFor(const std::string& exeFileName);

class IniFile;
// Reads the operations ini's result file names and answer prefixes into p
// (the windows at each activation, the command line once).
void readOperFiles(const IniFile& oper, Prog& p);

// StartDir joined with a bare name, and StartDir\AutoRun joined with one.
std::string startPath(const std::string& name);
std::string autoRunPath(const std::string& name);

// The phone the engine in `dir` works, as the engine decides it: ComPort of
// the operations ini (ModelIni) when that names one, else of celltalk.ini.
std::string enginePort(const std::string& dir);
// Writes ComPort=port into celltalk.ini in `dir`, keeping the rest of the
// file; false when the write failed. `overridingIni` gets the operations
// ini's name (ModelIni) when that file names a ComPort of its own, which the
// engine takes instead; else it is emptied. Both the engine's `ports --set`
// and the settings window write the port through this.
bool writeEnginePort(const std::string& dir, const std::string& port, std::string& overridingIni);
// How the user is told which phone that is: "имитатор телефона" for SIM,
// "порт не задан", or the device.
std::string phoneInUseText(const std::string& port);

}  // namespace td
