// This program and the engine read the shared ini files through one table
// of settings: they start from the same defaults and find the same values,
// Cyrillic keys included.

#include "engine/settings.h"

#include <gtest/gtest.h>

#include "engine.h"
#include "engine/settingkeys.h"
#include "platform/ini.h"
#include "support.h"

namespace {

namespace S = td::setting;
using celltalk::test::EngineDir;

TEST(SettingsTable, ProgramAndEngineStartFromTheSameDefaults) {
    td::Prog p;
    celltalk::Config c;
    struct Case {
        const char* what;
        std::string program, engine;
    } cases[] = {
        {"PBFile", p.PBFile, c.pbFile},
        {"SMSFile", p.SMSFile, c.smsFile},
        {"MDBFile", p.MDBFile, c.mdbFile},
        {"LogFile", p.LogFile, c.logFile},
        {"phone book prefix", p.PrefixPhoneBook, c.pbPrefix},
        {"SMS list prefix", p.PrefixSmsList, c.smsPrefix},
        {"Motorola SMS list prefix", p.PrefixMotoSmsList, c.motoSmsPrefix},
        {"date book prefix", p.PrefixDateBook, c.mdbrPrefix},
        {"auto delete prefix", p.PrefixAutoDelete, c.mdbadPrefix},
    };
    for (const auto& k : cases) EXPECT_EQ(k.program, k.engine) << k.what;
    EXPECT_EQ(p.WaitSec, "5");
    EXPECT_EQ(c.baud, 115200);
    EXPECT_EQ(c.timeoutSec, 10);
    EXPECT_EQ(c.waitSec, 1);
}

// The phone the program says is in use is the one the engine works; a port
// written for the engine is the one it then works, unless the operations ini
// names its own, which the writer tells.
TEST(SettingsTable, ProgramNamesThePortTheEngineUses) {
    struct Case {
        const char* what;
        std::string engineIni, opsIni;  // opsIni "": no operations ini of its own
        std::string port, shown;        // UTF-8
    } cases[] = {
        {"the simulated phone", "ComPort=sim\r\n", "", "sim", "имитатор телефона"},
        {"a device", "ComPort=/dev/ttyACM0\r\n", "", "/dev/ttyACM0", "/dev/ttyACM0"},
        {"the operations ini's own port wins", "ComPort=SIM\r\nModelIni=phone2.ini\r\n",
         "[Common]\r\nComPort=/dev/ttyUSB1\r\n", "/dev/ttyUSB1", "/dev/ttyUSB1"},
        {"an operations ini without one", "ComPort=SIM\r\nModelIni=phone2.ini\r\n", "[Common]\r\n",
         "SIM", "имитатор телефона"},
        {"none", "", "", "", "порт телефона не задан"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EngineDir d({}, "");
        d.write("celltalk.ini", "[Common]\r\n" + c.engineIni + "[Operations]\r\n");
        if (!c.opsIni.empty()) d.write("phone2.ini", c.opsIni + "[Operations]\r\n");
        EXPECT_EQ(celltalk::loadConfig(d.dir).comPort, c.port);
        EXPECT_EQ(td::enginePort(d.dir), c.port);
        EXPECT_EQ(td::phoneInUseText(td::enginePort(d.dir)), td::utf8ToCp1251(c.shown));
        const bool opsWins = c.opsIni.find("ComPort") != std::string::npos;
        std::string over = "stale";
        ASSERT_TRUE(td::writeEnginePort(d.dir, "/dev/ttyS9", over));
        EXPECT_EQ(over, opsWins ? "phone2.ini" : "");
        EXPECT_EQ(celltalk::loadConfig(d.dir).comPort, opsWins ? c.port : "/dev/ttyS9");
        EXPECT_EQ(td::enginePort(d.dir), opsWins ? c.port : "/dev/ttyS9");
    }
}

// What the engine takes from an operations ini is what the program reads
// through the same table entries.
TEST(SettingsTable, ProgramAndEngineReadTheSameOperationsIni) {
    EngineDir d({{"A", "at"}});
    d.write("celltalk.ini", "[Common]\r\nModelIni=phone2.ini\r\n");
    d.write(
        "phone2.ini",
        "[Common]\r\nBaud=9600\r\n"
        "[AutoRun]\r\nPBFile=pb.txt\r\nSMSFile=sms.txt\r\nMDBFile=mdb.txt\r\nLogFile=run.log\r\n"
        "Wait=2\r\n"
        "[MetaOperation]\r\nЧтение памяти ТК=+XPBR\r\nЧтение списка СМС=+XMGL\r\n"
        "Moto-Чтение списка СМС=+YMGL\r\nMoto-Чтение напоминаний=+XDBR\r\n"
        "Moto-Чтение автоудаления=+XDBAD\r\n[Operations]\r\n");
    celltalk::Config c = celltalk::loadConfig(d.dir);
    td::IniFile ops(d.path("phone2.ini"));
    struct Case {
        const td::Setting& setting;
        std::string engine;
        const char* expected;
    } cases[] = {
        {S::PBFile, c.pbFile, "pb.txt"},
        {S::SMSFile, c.smsFile, "sms.txt"},
        {S::MDBFile, c.mdbFile, "mdb.txt"},
        {S::LogFile, c.logFile, "run.log"},
        {S::PrefixPhoneBook, c.pbPrefix, "+XPBR"},
        {S::PrefixSmsList, c.smsPrefix, "+XMGL"},
        {S::PrefixMotoSmsList, c.motoSmsPrefix, "+YMGL"},
        {S::PrefixDateBook, c.mdbrPrefix, "+XDBR"},
        {S::PrefixAutoDelete, c.mdbadPrefix, "+XDBAD"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(std::string(k.setting.key));
        EXPECT_EQ(k.engine, k.expected);
        EXPECT_EQ(td::readSetting(ops, k.setting), k.expected);
    }
    EXPECT_EQ(c.baud, 9600);
    EXPECT_EQ(c.waitSec, 2);
    EXPECT_EQ(td::readSetting(td::IniFile(d.path("celltalk.ini")), S::ModelIni), "phone2.ini");
}

TEST(SettingsTable, MissingKeysReadAsTheirDefaultsAndWritesComeBack) {
    EngineDir d({{"A", "at"}});
    td::IniFile f(d.path("any.ini"));
    struct Case {
        const td::Setting& setting;
        const char* missing;  // UTF-8
    } cases[] = {
        {S::OwnWindow, "Min"},
        {S::EngineWindow, "Norm"},
        {S::WaitSec, "5"},
        {S::MissCallSwitch, "YES"},
        {S::GroupDeleteSMS, "at+cmgd="},
        {S::PrefixCharset, "+CSCS"},
        {S::PlusBeforeNumber, "at+ckpd=\"0\",22|!dly|"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.setting.key));
        EXPECT_FALSE(td::settingExists(f, c.setting));
        EXPECT_EQ(td::readSetting(f, c.setting), td::W(c.missing));
        EXPECT_EQ(td::readSetting(f, c.setting, "other"), "other");
        ASSERT_TRUE(td::writeSetting(f, c.setting, td::W("значение")));
        EXPECT_TRUE(td::settingExists(f, c.setting));
        EXPECT_EQ(td::readSetting(f, c.setting), td::W("значение"));
    }
    // The Cyrillic key stands in the file in Windows-1251.
    std::string bytes;
    ASSERT_TRUE(td::files::readAll(d.path("any.ini"), bytes));
    EXPECT_NE(bytes.find(td::W("[MetaOperation]\r\nЧтение кодировки=")), std::string::npos);
    EXPECT_EQ(td::keyName(S::PrefixCharset), td::W("Чтение кодировки"));
}

}  // namespace
