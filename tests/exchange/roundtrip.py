"""Tapdeck's exports read by independent parsers (vobject, icalendar), and
files those libraries and peers write imported back, every field compared.
Run by CTest: roundtrip.py <tapdeck executable>."""
import csv
import datetime
import os
import subprocess
import sys
import tempfile

try:
    import icalendar
    import vobject
except ImportError as e:  # scripts/deps.sh installs python3-vobject and python3-icalendar
    print(f"skipped: {e}")
    sys.exit(77)

TAPDECK = sys.argv[1]
BOOK = [("Иван Петров", "+79031112233"), ("Smith, John; Jr", "8 (495) 123-45-67"),
        ("Очень длинное имя абонента, которое не войдёт в одну строку", "*100#")]
EVENTS = [  # title, timed, alarm, time, date, minutes, alarm time, alarm date, repeat, rrule
    ("Встреча с Олегом", 1, 1, "10:00", "06-15-2025", 60, "09:45", "06-15-2025", 0, None),
    ("Daily", 1, 0, "09:30", "01-31-2026", 15, "09:30", "01-31-2026", 1, {"FREQ": ["DAILY"]}),
    ("Weekly", 1, 1, "18:05", "02-28-2026", 90, "18:05", "02-27-2026", 2, {"FREQ": ["WEEKLY"]}),
    ("Monthly", 1, 0, "07:00", "03-31-2026", 0, "07:00", "03-31-2026", 3,
     {"FREQ": ["MONTHLY"], "BYMONTHDAY": [31]}),
    ("Third Sunday", 1, 0, "12:00", "06-15-2025", 30, "12:00", "06-15-2025", 4,
     {"FREQ": ["MONTHLY"], "BYDAY": ["3SU"]}),
    ("День рождения", 0, 1, "00:00", "12-07-2026", 0, "08:00", "12-07-2026", 5,
     {"FREQ": ["YEARLY"]}),
]
failures = []


def check(what, got, want):
    if got != want:
        failures.append(f"{what}: got {got!r}, want {want!r}")


def tapdeck(folder, *args, code=0):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    env.pop("DISPLAY", None)
    r = subprocess.run([TAPDECK, *args], cwd=folder, env=env, capture_output=True, text=True)
    check(f"exit code of {args}", r.returncode, code)
    return r.stderr


def write1251(path, lines):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write("\r\n".join(lines).encode("cp1251") + b"\r\n")


def book(folder):
    with open(os.path.join(folder, "tapdeck.ini"), "rb") as f:
        text = f.read().decode("cp1251")
    section = text.split("[PhoneBook]")[1].split("\n[")[0]
    return [tuple(l.strip().rsplit("=", 1)) for l in section.splitlines() if "=" in l]


def exports(folder):
    write1251(os.path.join(folder, "tapdeck.ini"),
              ["[PhoneBook]"] + [f"{n}={p}" for n, p in BOOK])
    tapdeck(folder, "--export-phonebook", "book.vcf")
    with open(os.path.join(folder, "book.vcf"), encoding="utf-8") as f:
        cards = list(vobject.readComponents(f.read()))
    check("cards", len(cards), len(BOOK))
    for card, (name, number) in zip(cards, BOOK):
        check("FN", card.fn.value, name)
        check("TEL", [t.value for t in card.contents["tel"]], [number])

    mdb = [mdb_line(i, e) for i, e in enumerate(EVENTS)]
    write1251(os.path.join(folder, "AutoRun", "LastMDBook.txt"), mdb + ["+MDBAD: 1"])
    tapdeck(folder, "--export-datebook", "book.ics")
    with open(os.path.join(folder, "book.ics"), "rb") as f:
        cal = icalendar.Calendar.from_ical(f.read())
    vevents = list(cal.walk("VEVENT"))
    check("events", len(vevents), len(EVENTS))
    for ev, e in zip(vevents, EVENTS):
        title, timed, alarm, time, date, minutes, atime, adate, _, rule = e
        day = datetime.datetime.strptime(date + " " + time, "%m-%d-%Y %H:%M")
        check(f"SUMMARY {title}", str(ev["SUMMARY"]), title)
        check(f"DTSTART {title}", ev.decoded("DTSTART"), day if timed else day.date())
        check(f"DURATION {title}", ev.decoded("DURATION") if "DURATION" in ev else None,
              datetime.timedelta(minutes=minutes) if minutes else None)
        check(f"RRULE {title}", dict(ev["RRULE"]) if "RRULE" in ev else None, rule)
        alarms = list(ev.walk("VALARM"))
        check(f"VALARM {title}", len(alarms), alarm)
        if alarms:
            at = datetime.datetime.strptime(adate + " " + atime, "%m-%d-%Y %H:%M")
            start = datetime.datetime.combine(day.date(), day.time())
            check(f"TRIGGER {title}", start + alarms[0].decoded("TRIGGER"), at)
            check(f"ACTION {title}", str(alarms[0]["ACTION"]), "DISPLAY")


def spreadsheet_text(cell):
    """A CSV cell without the apostrophe that keeps a spreadsheet from taking
    it as a formula or a number."""
    if len(cell) >= 2 and cell[0] == "'" and (cell[1] in "=+-@\t\r'" or cell[1].isdigit()):
        return cell[1:]
    return cell


def csv_exports(folder):
    write1251(os.path.join(folder, "tapdeck.ini"),
              ["[PhoneBook]"] + [f"{n}={p}" for n, p in BOOK + [("@Работа", "+7 916 000")]])
    tapdeck(folder, "--export-phonebook", "book.csv")
    with open(os.path.join(folder, "book.csv"), encoding="utf-8-sig", newline="") as f:
        rows = [[spreadsheet_text(c) for c in r] for r in csv.reader(f)]
    check("book CSV", rows, [["Name", "Phone"]] + [list(e) for e in BOOK] + [["@Работа", "+7 916 000"]])
    sms = [("1", "REC READ", "+79031112233", "Привет, \"друг\"", "25/06/02,18:05:12+12"),
           ("2", "STO SENT", "900", "=HYPERLINK(\"http://x\")", None)]
    write1251(os.path.join(folder, "AutoRun", "All-LastRun.sms"),
              [f'+CMGL={i},"{st}","{n}"' + (f',,"{t}"' if t else "") + "}" + text
               for i, st, n, text, t in sms])
    write1251(os.path.join(folder, "AutoRun", "LastPBook.txt"), ["Иван Петров=+79031112233"])
    tapdeck(folder, "--export-sms", "all", "sms.csv")
    with open(os.path.join(folder, "sms.csv"), encoding="utf-8-sig", newline="") as f:
        rows = [[spreadsheet_text(c) for c in r] for r in csv.reader(f)]
    check("SMS CSV", rows, [["Index", "Status", "Number", "Name", "Text", "Time"],
                            ["1", "REC READ", "+79031112233", "Иван Петров", "Привет, \"друг\"",
                             "2025-06-02 18:05:12"],
                            ["2", "STO SENT", "900", "", "=HYPERLINK(\"http://x\")", ""]])


def imports(folder):
    write1251(os.path.join(folder, "tapdeck.ini"), ["[PhoneBook]", "Anna=+7 916 000"])
    card = vobject.vCard()
    card.add("n").value = vobject.vcard.Name(family="Сидоров", given="Пётр")
    card.add("fn").value = "Пётр Сидоров"
    for number in ("+79160000001", "+74950000002"):
        card.add("tel").value = number
    other = vobject.vCard()
    other.add("n").value = vobject.vcard.Name(family="Smith", given="Anna")
    other.add("fn").value = "Anna"
    other.add("tel").value = "+7 916 000"  # already in the book
    with open(os.path.join(folder, "lib.vcf"), "w", encoding="utf-8") as f:
        f.write(card.serialize() + other.serialize())
    tapdeck(folder, "--import-phonebook", "lib.vcf")
    # A peer's 2.1 export: quoted-printable UTF-8 with a soft line break.
    qp = ("BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:"
          "=D0=9E=D0=BB=D1=8C=D0=B3=D0=B0;=D0=90=D0=BD=D0=BD=D0=B0;;;\r\n"
          "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=D0=90=D0=BD=D0=BD=D0=B0 =D0=9E=\r\n"
          "=D0=BB=D1=8C=D0=B3=D0=B0\r\nTEL;CELL:+79035550101\r\nTEL;HOME:84951112233\r\nEND:VCARD\r\n")
    with open(os.path.join(folder, "peer.vcf"), "w", encoding="ascii", newline="") as f:
        f.write(qp)
    tapdeck(folder, "--import-phonebook", "peer.vcf")
    # The book keeps numbers as the phone dials them: the blanks are gone.
    check("book after imports", book(folder),
          [("Anna", "+7916000"), ("Пётр Сидоров", "+79160000001"),
           ("Пётр Сидоров (2)", "+74950000002"), ("Анна Ольга", "+79035550101"),
           ("Анна Ольга (2)", "84951112233")])


def mdb_line(i, e):
    return (f'+MDBR: {i + 1},"{e[0]}",{e[1]},{e[2]},"{e[3]}","{e[4]}",{e[5]},"{e[6]}","{e[7]}",'
            f'{e[8]}')


def datebook_import(folder):
    """A calendar written by icalendar goes into the date book's last copy
    with every field the date book holds; a repetition the phone cannot keep
    is refused by name."""
    cal = icalendar.Calendar()
    cal.add("prodid", "-//python icalendar//roundtrip//")
    cal.add("version", "2.0")
    for title, timed, alarm, time, date, minutes, atime, adate, _, rule in EVENTS:
        start = datetime.datetime.strptime(date + " " + time, "%m-%d-%Y %H:%M")
        ev = icalendar.Event()
        ev.add("summary", title)
        ev.add("dtstart", start if timed else start.date())
        if minutes:
            ev.add("duration", datetime.timedelta(minutes=minutes))
        if rule:
            ev.add("rrule", {k.lower(): v for k, v in rule.items()})
        if alarm:
            va = icalendar.Alarm()
            va.add("action", "DISPLAY")
            va.add("description", title)
            at = datetime.datetime.strptime(adate + " " + atime, "%m-%d-%Y %H:%M")
            va.add("trigger", at - start)
            ev.add_component(va)
        cal.add_component(ev)
    odd = icalendar.Event()
    odd.add("summary", "Every other week")
    odd.add("dtstart", datetime.datetime(2025, 6, 16, 19, 0))
    odd.add("rrule", {"freq": "weekly", "interval": 2})
    cal.add_component(odd)
    write1251(os.path.join(folder, "tapdeck.ini"), ["[PhoneBook]"])  # the program's own folder
    with open(os.path.join(folder, "lib.ics"), "wb") as f:
        f.write(cal.to_ical())
    err = tapdeck(folder, "--import-datebook", "lib.ics", code=1)
    check("refusal named", '"Every other week": повторение FREQ=WEEKLY;INTERVAL=2' in err, True)
    with open(os.path.join(folder, "AutoRun", "LastMDBook.txt"), "rb") as f:
        lines = f.read().decode("cp1251").split("\r\n")
    check("date book after import", lines, [mdb_line(i, e) for i, e in enumerate(EVENTS)] + [""])


with tempfile.TemporaryDirectory() as one, tempfile.TemporaryDirectory() as two, \
        tempfile.TemporaryDirectory() as three, tempfile.TemporaryDirectory() as four:
    exports(one)
    csv_exports(four)
    imports(two)
    datebook_import(three)
for f in failures:
    print(f)
sys.exit(1 if failures else 0)
