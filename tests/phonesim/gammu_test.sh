#!/bin/sh
# Drives the simulated phone with gammu, a phone manager we did not write:
# identify, read the phone book and the messages, send and delete a message.
# Usage: gammu_test.sh PATH-TO-PHONESIM [GROUP]
# GROUP (identify, phonebook, messages, send, sendru or delete; all when left
# out) runs one group of checks against a phone of its own, so that the
# groups can run side by side.
set -u
PHONESIM=$1
GROUP=${2:-all}
case $GROUP in
all | identify | phonebook | messages | send | sendru | delete) ;;
*) echo "FAIL: no group \"$GROUP\""; exit 2 ;;
esac
if ! command -v gammu >/dev/null 2>&1; then
    echo "SKIPPED: gammu is not installed"
    exit 77
fi

tmp=$(mktemp -d)
pid=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT

"$PHONESIM" --pty "$tmp/ttySIM" --state "$tmp/state" 2>"$tmp/phonesim.err" &
pid=$!
i=0
while [ ! -L "$tmp/ttySIM" ] && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
[ -L "$tmp/ttySIM" ] || { echo "FAIL: phonesim did not create its link"; cat "$tmp/phonesim.err"; exit 1; }

cat >"$tmp/gammurc" <<RC
[gammu]
device = $tmp/ttySIM
connection = at115200
model = at
logfile = $tmp/gammu.log
logformat = textall
RC

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# run NAME ARGS...: runs gammu, keeps its output in $tmp/NAME.out and its exit code in rc.
run() {
    name=$1; shift
    timeout 60 gammu -c "$tmp/gammurc" "$@" >"$tmp/$name.out" 2>&1
    rc=$?
}
expect_out() {  # NAME TEXT
    grep -qF -- "$2" "$tmp/$1.out" || fail "$1: no \"$2\" in: $(cat "$tmp/$1.out")"
}
expect_state() {  # TEXT
    grep -qF -- "$1" "$tmp/state" || fail "state lacks: $1"
}

want() { [ "$GROUP" = all ] || [ "$GROUP" = "$1" ]; }

if want identify; then
run identify identify
[ $rc -eq 0 ] || fail "identify exited with $rc"
expect_out identify "Manufacturer         : Motorola"
expect_out identify "(C650)"
expect_out identify "IMEI                 : 351234567890123"
expect_out identify "SIM IMSI             : 250991234567890"
fi

if want phonebook; then

run getmemory getmemory SM 1 8
[ $rc -eq 0 ] || fail "getmemory exited with $rc"
expect_out getmemory 'Name                 : "Анна-Мария"'
expect_out getmemory 'Name                 : "Иван Петров"'
expect_out getmemory 'Name                 : "John Smith"'
expect_out getmemory 'General number       : "+380441234567"'
expect_out getmemory "1 entries empty, 7 entries filled"
fi

if want messages; then

run getallsms getallsms
[ $rc -eq 0 ] || fail "getallsms exited with $rc"
expect_out getallsms "Привет! Как дела?"
expect_out getallsms "See you at 5pm"
expect_out getallsms "Хорошо, до завтра"
expect_out getallsms "Баланс: 150 руб."
expect_out getallsms "8 SMS parts in 8 SMS sequences"
fi

if want send; then
run send sendsms TEXT +79035556677 -text "Hello from gammu"
[ $rc -eq 0 ] || fail "sendsms exited with $rc"
expect_out send "message reference=12"
expect_state '"STO SENT" "+79035556677" "" gsm "Hello from gammu"'
run sent getallsms
expect_out sent "Hello from gammu"
fi

if want sendru; then
run sendru sendsms TEXT +79035556677 -unicode -text "Проверка связи"
[ $rc -eq 0 ] || fail "sendsms -unicode exited with $rc"
expect_state '"STO SENT" "+79035556677" "" ucs2 "Проверка связи"'
run sentru getallsms
expect_out sentru "Проверка связи"
fi

if want delete; then

grep -qF "Meeting moved to room 204" "$tmp/state" || fail "message 4 missing before the delete"
run delete deletesms 1 4
[ $rc -eq 0 ] || fail "deletesms exited with $rc"
grep -qF "Meeting moved to room 204" "$tmp/state" && fail "message 4 still stored after deletesms"
run gone getsms 1 4
[ $rc -ne 0 ] || fail "getsms 1 4 found the deleted message"
fi

kill -TERM "$pid"
wait "$pid"
stopped=$?
pid=
[ $stopped -eq 0 ] || fail "phonesim exited with $stopped on SIGTERM"
[ -L "$tmp/ttySIM" ] && fail "link left behind after SIGTERM"

# A Motorola-kind phone: busy for its first two reads (gammu: "Wait and
# restart"), then a name given unquoted in 8-bit hex and an entry without a
# number, both read by gammu as the phone meant them.
printf '[phone]\nprofile motorola\n[phonebook SM 100]\n1 "+79161234567" 145 "Anna Schmidt"\n2 "" 129 "Steve"\n' >"$tmp/moto"
"$PHONESIM" --pty "$tmp/ttySIM" --state "$tmp/moto" 2>"$tmp/phonesim.err" &
pid=$!
i=0
while [ ! -L "$tmp/ttySIM" ] && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
for try in 1 2; do
    run busy$try getmemory SM 1 2
    expect_out busy$try "device was busy"
done
run motorola getmemory SM 1 2
[ $rc -eq 0 ] || fail "getmemory of the Motorola kind exited with $rc"
expect_out motorola 'Name                 : "Anna Schmidt"'
expect_out motorola 'General number       : ""'
expect_out motorola 'Name                 : "Steve"'
kill -TERM "$pid"
wait "$pid"
pid=

if [ $failures -ne 0 ]; then
    echo "--- gammu traffic (last lines) ---"
    grep -aE '^[0-9]+ "' "$tmp/gammu.log" | tail -40
    exit 1
fi
echo "gammu: all checks passed"
exit 0
