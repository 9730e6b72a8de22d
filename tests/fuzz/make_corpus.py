#!/usr/bin/env python3
"""Seeds the fuzz corpora (tests/fuzz/corpus/<target>/) from the verbatim
lines of the tests and the demo files. Run from the repository root; the
seeds are kept in the repository, so this is needed only to refresh them."""
import hashlib
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
OUT = os.path.join(ROOT, "tests", "fuzz", "corpus")
LITERAL = re.compile(r'"((?:[^"\\\n]|\\.)*)"')


def unescape(s):
    out = bytearray()
    i = 0
    simple = {"n": 10, "r": 13, "t": 9, "0": 0, "\\": 92, '"': 34, "'": 39, "?": 63}
    while i < len(s):
        c = s[i]
        if c != "\\":
            out += c.encode("utf-8")
            i += 1
            continue
        n = s[i + 1]
        if n == "x":
            m = re.match(r"[0-9A-Fa-f]{1,2}", s[i + 2:])
            out.append(int(m.group(0), 16))
            i += 2 + len(m.group(0))
        else:
            out.append(simple.get(n, ord(n)))
            i += 2
    return bytes(out)


def literals(paths, pattern):
    """Adjacent string literals of the sources joined, kept when they match."""
    found = []
    for path in paths:
        text = open(os.path.join(ROOT, path), encoding="utf-8").read()
        for m in LITERAL.finditer(text):
            value = unescape(m.group(1))
            if re.search(pattern, value):
                found.append(value)
    return found


def utf8_to_1251(b):
    try:
        return b.decode("utf-8").encode("cp1251")
    except (UnicodeDecodeError, UnicodeEncodeError):
        return b


def write(target, seeds):
    d = os.path.join(OUT, target)
    os.makedirs(d, exist_ok=True)
    for s in seeds:
        name = hashlib.sha1(s).hexdigest()[:16]
        with open(os.path.join(d, name), "wb") as f:
            f.write(s)
    print(f"{target}: {len(set(seeds))} seeds")


def tests(*dirs):
    out = []
    for d in dirs:
        for f in sorted(os.listdir(os.path.join(ROOT, "tests", d))):
            if f.endswith((".cpp", ".h")):
                out.append(os.path.join("tests", d, f))
    return out


def main():
    demo_ini = open(os.path.join(ROOT, "demo", "celltalk.ini"), "rb").read()
    own_ini = open(os.path.join(ROOT, "demo", "tapdeck.ini"), "rb").read()
    ini_lits = literals(tests("foundation"), rb"\[[A-Za-z]+\]")
    write("fuzz_ini", [demo_ini + b"\0Common\0ComPort\0/dev/ttyACM0",
                       own_ini + b"\0History\x000\0 Hello ",
                       own_ini + b"\0PhoneBook\0\xc8\xec\xff\0\"quoted\""]
          + [utf8_to_1251(l) + b"\0Common\0Key\0value" for l in ini_lits])

    pb = literals(tests("phonebook", "celltalk", "e2e"), rb"^\+CPB[RF]: ")
    write("fuzz_pbrecord", [utf8_to_1251(l) for l in pb] + [b"Anna=+79161234567",
                                                            b"A=B=C\n+7916"])

    sms = literals(tests("celltalk", "sms", "e2e"), rb"\+C?M?MGL: ")
    write("fuzz_smsrecord", [b"\0" + utf8_to_1251(l) for l in sms]
          + [b"\1" + utf8_to_1251(l) for l in sms]
          + [b"\0" + b"5\x01REC READ\x01+79161234567\x01Hi}, there"])

    ops = [l.split(b"=", 1)[1] for l in demo_ini.splitlines() if l.count(b"=") and b"|" in l]
    batch = open(os.path.join(ROOT, "demo", "DelSMS.txt"), "rb").read()
    write("fuzz_oplang", [o + b"\0" + b"7\0Hi\0" + batch for o in ops]
          + [b"at|!dly 0.5|!bat[\0@ScriBat.txt\0\0at+ckpd=\"0\",22|!dly"])

    answers = literals(tests("celltalk"), rb"\r\n(OK|ERROR)\r\n")
    write("fuzz_engine", [b"\0".join(utf8_to_1251(a) for a in answers[i:i + 14])
                          for i in range(0, len(answers), 7)])

    write("fuzz_phonesim_at", [o.replace(b"|", b"\r") + b"\r" for o in ops if not o.startswith(b"!")]
          + [b"AT+CMGF=1\rAT+CMGS=\"+79161234567\"\r\0Hello\x1a",
             b"AT+CSCS=\"UCS2\"\rAT+CPBR=1,10\rAT+CPBW=3,\"123\",129,\"0410\"\r",
             b"ATE0\rAT+MDBR=1,5\rAT+MDBW=1,\"T\",1,1,\"10:00\",\"06-12-2026\",60,\"09:50\",\"06-12-2026\",0\r"])

    states = literals(tests("phonesim"), rb"^(manufacturer|\[|pb |sms |event )")
    write("fuzz_phonesim_state", [utf8_to_1251(s) for s in states] or [b""])

    pdus = literals(tests("gsmcodec", "celltalk", "phonesim"), rb"^[0-9A-F]{24,}$")
    write("fuzz_pdu", pdus + [b"+79161234567\n\xcf\xf0\xe8\xe2\xe5\xf2",
                              b"89031112233\n" + b"Hello " * 40])


if __name__ == "__main__":
    sys.exit(main())
