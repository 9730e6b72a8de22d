#pragma once
// Where every setting lives: the files this program and the engine share,
// and each ini setting as section, key and the value a missing key reads
// as. One table for both programs. Keys are written in UTF-8 here; the ini
// files hold Windows-1251 (only the MetaOperation keys differ), which
// keyName() gives.

#include <string>
#include <string_view>

namespace td {

class IniFile;

// ---- files --------------------------------------------------------------------
extern const std::string EngineExeName;    // "celltalk.exe"
extern const std::string OwnIniName;       // "tapdeck.ini"
extern const std::string EngineIniName;    // "celltalk.ini"
extern const std::string RunMarkerName;    // "celltalk.run"
extern const std::string EngineErrorName;  // "CellTalk.err"
extern const std::string AutoRunDir;       // "AutoRun", beside the engine
// In AutoRun: the resident engine's record of the phone's news, a line an
// event, and its log of its own commands.
extern const std::string EventsLogName;    // "Events.log"
extern const std::string ResidentLogName;  // "Resident.log"
// The sends that asked for a status report and what the reports told.
extern const std::string SentLogName;  // "Sent.log"

// ---- ini settings -------------------------------------------------------------
struct Setting {
    std::string_view section;
    std::string_view key;  // UTF-8
    std::string_view def;  // what a missing key reads as
};

std::string keyName(const Setting& s);  // the key as the ini file holds it
// The value, with the table's default or another one.
std::string readSetting(const IniFile& f, const Setting& s);
std::string readSetting(const IniFile& f, const Setting& s, const std::string& def);
bool writeSetting(IniFile& f, const Setting& s, const std::string& value);
bool settingExists(const IniFile& f, const Setting& s);
// The default as a number (0 when it is none).
double settingNumber(const Setting& s);

namespace setting {

// Own ini (tapdeck.ini). Section Functions holds the bindings (FunctionKeys
// in engine/settings.h); PhoneBook the own phone book; History and
// RusHistory the SMS texts sent; CheckProper what the phone check asks.
inline constexpr std::string_view FunctionsSection = "Functions";
inline constexpr std::string_view PhoneBookSection = "PhoneBook";
inline constexpr std::string_view LatHistorySection = "History";
inline constexpr std::string_view RusHistorySection = "RusHistory";
inline constexpr std::string_view CheckProperSection = "CheckProper";
inline constexpr Setting OwnWindow{"Common", "Window", "Min"};
inline constexpr Setting OwnBeep{"Common", "Beep", "NO"};
inline constexpr Setting PlusBeforeNumber{"Common", "PLusBeforeNumber", "at+ckpd=\"0\",22|!dly|"};
inline constexpr Setting OwnModelIni{"Common", "ModelIni", ""};
// Written with its default when it is missing or empty.
inline constexpr Setting GroupDeleteSMS{"Commands", "GroupDeleteSMS", "at+cmgd="};
// Feature switches: "NO" switches a function off.
inline constexpr Setting MissCallSwitch{"Common", "MissCall", "YES"};
inline constexpr Setting UnReadSMSSwitch{"Common", "UnReadSMS", "YES"};
inline constexpr Setting PBookModifySwitch{"Common", "PBookModify", "YES"};
inline constexpr Setting MemDayBookSwitch{"Common", "MemDayBook", "YES"};
inline constexpr Setting SendSMSRusSwitch{"Common", "SendSMSRus", "YES"};
inline constexpr Setting AllSMSSwitch{"Common", "AllSMS", "YES"};
inline constexpr Setting PBookReadSwitch{"Common", "PBookRead", "YES"};
// "YES": a read from the phone ends as soon as the engine is done, not after
// the fixed polls (for engines that remove their run marker at the end).
inline constexpr Setting QuickRead{"Common", "QuickRead", "NO"};
// "YES": a number typed into an SMS recipient box is a recipient (else the
// boxes take names from the list only).
inline constexpr Setting TypedRecipients{"Common", "TypedRecipients", "NO"};
// "YES": the SMS text boxes take a message of several parts (else one SMS:
// 160 Latin or 70 Cyrillic characters).
inline constexpr Setting LongSms{"Common", "LongSms", "NO"};
// "YES": the live phone's controls show: the settings window's check boxes
// for delivery reports and the resident engine, and the sent SMS window's
// delivery status.
inline constexpr Setting LivePhone{"Common", "LivePhone", "NO"};
// The operation the USSD window sends a request with (its argument).
inline constexpr Setting UssdName{"Functions", "UssdName", "USSD-запрос"};
// "YES": the program keeps the resident engine (celltalk serve) running while
// it runs, so the phone's news are recorded and announced (shown and asked
// only with LivePhone=YES).
inline constexpr Setting ResidentEngine{"Common", "ResidentEngine", "NO"};

// Engine ini (celltalk.ini): which operations ini is in force, and the link
// to the phone (an operations ini may name its own in its Common).
inline constexpr Setting ModelIni{"Common", "ModelIni", "celltalk.ini"};
inline constexpr Setting ComPort{"Common", "ComPort", ""};
inline constexpr Setting Baud{"Common", "Baud", "115200"};
inline constexpr Setting Timeout{"Common", "Timeout", "10"};  // seconds
// The longest one command's answer may take, however busily the phone talks.
inline constexpr Setting CommandLimit{"Common", "CommandLimit", "120"};  // seconds
inline constexpr Setting SimState{"Common", "SimState", "phonesim.state"};
// The resident engine: seconds without a RING after which a call that was
// not answered counts as missed (phones ring every three to five seconds).
inline constexpr Setting RingGap{"Common", "RingGap", "8"};
// "YES": a message the engine sends (!sms) asks for a status report (TP-SRR
// in a PDU, +CSMP's first octet in text mode); its references go to Sent.log.
inline constexpr Setting StatusReport{"Common", "StatusReport", "NO"};

// Operations ini (the engine ini or the one ModelIni names).
inline constexpr std::string_view OperationsSection = "Operations";
inline constexpr Setting EngineWindow{"AutoRun", "Window", "Norm"};
inline constexpr Setting WaitSec{"AutoRun", "WaitSec", "5"};
inline constexpr Setting Wait{"AutoRun", "Wait", "1"};  // seconds of !dly
inline constexpr Setting PBFile{"AutoRun", "PBFile", "LastRun.pbf"};
inline constexpr Setting SMSFile{"AutoRun", "SMSFile", "LastRun.sms"};
inline constexpr Setting MDBFile{"AutoRun", "MDBFile", "LastRun.mdb"};
inline constexpr Setting LogFile{"AutoRun", "LogFile", "LastRun.log"};
inline constexpr Setting EngineBeep{"Common", "Beep", "NO"};
// What the operations are for (the settings window's model description).
inline constexpr Setting OperComment{"Common", "Comment", "Main operations"};
// Answer prefixes.
inline constexpr Setting PrefixPhoneBook{"MetaOperation", "Чтение памяти ТК", "+CPBR"};
inline constexpr Setting PrefixSmsList{"MetaOperation", "Чтение списка СМС", "+CMGL"};
inline constexpr Setting PrefixMotoSmsList{"MetaOperation", "Moto-Чтение списка СМС", "+MMGL"};
inline constexpr Setting PrefixDateBook{"MetaOperation", "Moto-Чтение напоминаний", "+MDBR"};
inline constexpr Setting PrefixAutoDelete{"MetaOperation", "Moto-Чтение автоудаления", "+MDBAD"};
inline constexpr Setting PrefixDateBookWrite{"MetaOperation", "Moto-Запись напоминаний", "+MDBW"};
inline constexpr Setting PrefixCharset{"MetaOperation", "Чтение кодировки", "+CSCS"};

}  // namespace setting

}  // namespace td
