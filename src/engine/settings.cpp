#include "engine/settings.h"

#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/ini.h"

namespace td {

const std::string ModelMarkerName = "MotorolaC.350";
const std::string BatchOperName = W("Выполнить_пакет");
const std::string BatchOperCmd = "at+cgsn|!bat[";
const std::string CheckPhoneOperName = W("Получить_характеристики_телефона");
const std::string CheckPhoneOperCmd = "at+cgsn|!bat\"CheckPhone.bat\"";
const std::string ScriptBatName = "@ScriBat.txt";
const std::string DateBookListName = "LastMDBook.txt";
const std::string DateBookPendingName = "PendingMDBook.txt";
const std::string DateBookWriteBatName = "@MdbWrite.txt";
const std::string SatelliteBase = "c:\\swapping.fl";
const char NumberMarkChar = static_cast<char>(0xB9);
const std::string NumberMark(1, NumberMarkChar);
const std::string ProgVersion0 = "v 0.54";
const std::string AltVersion = "v 5.4";
const std::string ProgDate = "13.10.2005";
// Where the program can be had: it is free and comes with its sources and the engine.
const std::string DownloadNote =
    W(" бесплатно, с исходными текстами и движком CellTalk (см. README.md)");

const std::string DefaultCallName = W("Набрать номер (ввод) и звонить");
const std::string DefaultCallCMD = W("at+ckpd=\"№\"|!dly|at+ckpd=\"s\"");
const std::string DefaultHangUpName = W("Прервать вызов");
const std::string DefaultHangUpCMD = "at+ckpd=\"e\"";
const std::string DefaultPlusBeforeNumber{setting::PlusBeforeNumber.def};

const std::vector<std::string> FunctionKeys = {"CallName",
                                               "CallCMD",
                                               "HangUpName",
                                               "HangUpCMD",
                                               "SoundUpName",
                                               "SoundDownName",
                                               "PhoneBookName",
                                               "SentSMSName",
                                               "ReSendSMSName",
                                               "LatSendSMSName",
                                               "RusSendSMSName",
                                               "MissCallName",
                                               "UnReadSMSName",
                                               "AllSMSName",
                                               "DeleteSMSName",
                                               "MemDayBookName",
                                               "UnloadMemDayBookName"};

Prog::Prog()
    : OperIniName(EngineIniName),
      ProgVersion(ProgVersion0),
      PLusBeforeNumber(DefaultPlusBeforeNumber),
      CallName(DefaultCallName),
      HangUpName(DefaultHangUpName),
      SoundUpName(W("Увеличить громкость")),
      SoundDownName(W("Уменьшить громкость")) {}

namespace {
// Position of the extension's dot in a bare file name, or npos.
size_t extensionDot(const std::string& name) {
    size_t slash = name.find_last_of("\\/");
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return std::string::npos;
    }
    return dot;
}
}  // namespace

std::string exeIniName(const std::string& exeFileName) {
    return exeBaseName(exeFileName) + ".ini";
}

std::string exeBaseName(const std::string& exeFileName) {
    size_t dot = extensionDot(exeFileName);
    return dot == std::string::npos ? exeFileName : exeFileName.substr(0, dot);
}

std::string operIniNameFor(const std::string& exeFileName) {
    std::string name = exeIniName(exeFileName);
    return upperAscii(name) == upperAscii(OwnIniName) ? EngineIniName : name;
}

void readOperFiles(const IniFile& oper, Prog& p) {
    namespace S = setting;
    p.PBFile = readSetting(oper, S::PBFile);
    p.SMSFile = readSetting(oper, S::SMSFile);
    p.MDBFile = readSetting(oper, S::MDBFile);
    p.LogFile = readSetting(oper, S::LogFile);
    p.PrefixPhoneBook = readSetting(oper, S::PrefixPhoneBook);
    p.PrefixSmsList = readSetting(oper, S::PrefixSmsList);
    p.PrefixMotoSmsList = readSetting(oper, S::PrefixMotoSmsList);
    p.PrefixDateBook = readSetting(oper, S::PrefixDateBook);
    p.PrefixAutoDelete = readSetting(oper, S::PrefixAutoDelete);
    p.PrefixDateBookWrite = readSetting(oper, S::PrefixDateBookWrite);
    p.PrefixCharset = readSetting(oper, S::PrefixCharset);
}

std::string* Prog::function(const std::string& key) {
    std::string* fields[] = {&CallName,
                             &CallCMD,
                             &HangUpName,
                             &HangUpCMD,
                             &SoundUpName,
                             &SoundDownName,
                             &PhoneBookName,
                             &SentSMSName,
                             &ReSendSMSName,
                             &LatSendSMSName,
                             &RusSendSMSName,
                             &MissCallName,
                             &UnReadSMSName,
                             &AllSMSName,
                             &DeleteSMSName,
                             &MemDayBookName,
                             &UnloadMemDayBookName};
    for (size_t i = 0; i < FunctionKeys.size(); ++i)
        if (equalsNoCase(FunctionKeys[i], key)) return fields[i];
    return nullptr;
}

namespace {
Prog& instance() {
    static Prog p;
    return p;
}
}  // namespace

Prog& prog() {
    return instance();
}

void resetProg() {
    instance() = Prog();
}

std::string startPath(const std::string& name) {
    return files::join(prog().StartDir, name);
}

std::string autoRunPath(const std::string& name) {
    return files::join(files::join(prog().StartDir, AutoRunDir), name);
}

std::string enginePort(const std::string& dir) {
    const IniFile engine(files::join(dir, EngineIniName));
    std::string model = trim(readSetting(engine, setting::ModelIni));
    if (model.empty()) model = EngineIniName;
    const IniFile ops(files::join(dir, model));
    return trim(readSetting(ops, setting::ComPort, readSetting(engine, setting::ComPort)));
}

bool writeEnginePort(const std::string& dir, const std::string& port, std::string& overridingIni) {
    overridingIni.clear();
    IniFile engine(files::join(dir, EngineIniName));
    if (!writeSetting(engine, setting::ComPort, port)) return false;
    const std::string model = trim(readSetting(engine, setting::ModelIni));
    if (!model.empty() && !equalsNoCase(model, EngineIniName) &&
        settingExists(IniFile(files::join(dir, model)), setting::ComPort))
        overridingIni = model;
    return true;
}

std::string phoneInUseText(const std::string& port) {
    if (port.empty()) return W("порт телефона не задан");
    if (upperAscii(port) == "SIM") return W("имитатор телефона");
    return port;
}

}  // namespace td
