#!/usr/bin/env python3
"""Writes the engine's demo files into demo/ (Windows-1251, CR LF)."""
import os
import sys

DEMO = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..", "demo")

READ_ALL = 'at+cmgf=1|at+cscs="UCS2"|at+cpms="SM","SM"|at+cmgl="ALL"'

CELLTALK_INI = [
    "[Common]",
    "ModelIni=celltalk.ini",
    "; SIM or empty: the simulated phone; otherwise a serial device, e.g. /dev/ttyUSB0",
    "ComPort=SIM",
    "Baud=115200",
    "; seconds of silence after which a command counts as unanswered",
    "Timeout=10",
    "SimState=phonesim.state",
    "Beep=NO",
    "",
    "[Operations]",
    'Набрать номер (ввод) и звонить=at+ckpd="№"|!dly|at+ckpd="s"',
    'Прервать вызов=at+ckpd="e"',
    'Увеличить громкость=at+ckpd="u"',
    'Уменьшить громкость=at+ckpd="d"',
    'Прочитать телефонную книгу=at+cscs="UCS2"|at+cpbs="SM"|at+cpbr=1,100',
    'Отправленные SMS=at+cmgf=1|at+cscs="UCS2"|at+cpms="SM","SM"|at+cmgl="STO SENT"',
    'Переслать SMS по индексу=at+cpms="SM","SM"|at+cmss=№',
    'Отправить SMS латиницей=at+cmgf=1|at+cscs="GSM"|at+csmp=17,167,0,0|!sms',
    'Отправить SMS кириллицей=at+cmgf=0|!sms',
    'Пропущенные вызовы=at+cscs="UCS2"|at+cpbs="MC"|at+cpbr=1,10',
    'Непрочитанные SMS=at+cmgf=1|at+cscs="UCS2"|at+cpms="SM","SM"|at+cmgl="REC UNREAD"',
    'Все SMS=' + READ_ALL,
    'Удалить SMS=at+cpms="SM","SM"|at+cmgd=№|!bat"DelSMS.txt"',
    'Прочитать ежедневник=at+cscs="UCS2"|at+mdbl=1|at+mdbr=1,100|at+mdbad?|at+mdbl=0',
    'Выгрузить ежедневник=at+cscs="UCS2"|at+mdbl=1|at+mdbr=1,100|at+mdbad?|at+mdbl=0',
    'Выполнить_пакет=at+cgsn|!bat[',
    'Получить_характеристики_телефона=at+cgsn|!bat"CheckPhone.bat"',
    # The network's answer may come after the OK: the pause and the last
    # command keep the link open for it (the engine logs it with "~").
    'USSD-запрос=at+cscs="GSM"|at+cusd=1,"№",15|!dly|at',
    "",
    "[AutoRun]",
    "Window=Norm",
    "WaitSec=5",
    "Wait=2",
    "PBFile=LastRun.pbf",
    "SMSFile=LastRun.sms",
    "MDBFile=LastRun.mdb",
    "LogFile=LastRun.log",
    "",
    "[MetaOperation]",
    "Чтение памяти ТК=+CPBR",
    "Чтение списка СМС=+CMGL",
    "Moto-Чтение списка СМС=+MMGL",
    "Moto-Чтение напоминаний=+MDBR",
    "Moto-Чтение автоудаления=+MDBAD",
    "Moto-Запись напоминаний=+MDBW",
    "Чтение кодировки=+CSCS",
]


def write(name, lines):
    with open(os.path.join(DEMO, name), "wb") as f:
        f.write("".join(l + "\r\n" for l in lines).encode("cp1251"))


os.makedirs(DEMO, exist_ok=True)
write("celltalk.ini", CELLTALK_INI)
# The delete operation's batch file; the program rewrites it before each delete.
write("DelSMS.txt", [READ_ALL])


def check_phone_line(tapdeck_ini):
    """The phone check's batch line from [CheckProper] of the program's ini,
    built as the program builds it ("at" + command, and for a command with a
    value "=" + value and the question "at" + command + "?")."""
    entries, section = {}, None
    with open(tapdeck_ini, "rb") as f:
        for raw in f.read().decode("cp1251").splitlines():
            line = raw.strip()
            if line.startswith("[") and line.endswith("]"):
                section = line[1:-1].strip().lower()
            elif section == "checkproper" and "=" in line:
                key, value = line.split("=", 1)
                entries[key.strip()] = value.strip()
    items = []
    for k in range(12):
        command, _, value = entries[str(k)].partition("-")
        items.append("at" + command + ("=" + value + "|at" + command + "?" if value else ""))
    return "|".join(items)


# The phone check's batch, which the program writes before each check; the
# engine alone can run the check with it (celltalk oper "Получить_характеристики_телефона").
write("CheckPhone.bat", [check_phone_line(os.path.join(DEMO, "tapdeck.ini"))])
