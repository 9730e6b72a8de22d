#!/usr/bin/env bash
# Builds the Debian package from the build tree that scripts/test.sh left in
# build/, checks it (desktop-file-validate, lintian: no error), installs it,
# starts the installed tapdeck headless with a fresh HOME (per-user folder and
# screenshot), compares the installed templates with the demo's files, runs
# the installed program's phone check against the simulated phone, finds a
# phonesim --pty phone with the installed `celltalk ports`, reads its phone
# book through it, and removes the package again; the user's folder stays.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
[ -f build/CMakeCache.txt ] || { echo "build/ is missing: run scripts/test.sh first" >&2; exit 1; }
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

(cd build && cpack -G DEB)
deb=$(ls -t build/tapdeck_*.deb | head -n 1)
echo "== dpkg -c $deb"
dpkg -c "$deb"
echo "== desktop-file-validate"
desktop-file-validate packaging/tapdeck.desktop
echo "desktop entry: valid"
echo "== lintian"
lintian --fail-on error "$deb"
echo "lintian: no error"

$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "./$deb"
installed=1
work=$(mktemp -d)
simpid=""
cleanup() {
    [ -n "$simpid" ] && kill "$simpid" 2>/dev/null || true
    [ "$installed" = 1 ] && $sudo env DEBIAN_FRONTEND=noninteractive apt-get remove -y -q tapdeck >/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

echo "== installed tapdeck, fresh HOME"
home="$work/home"
mkdir -p "$home"
(cd "$home" && env -u XDG_DATA_HOME HOME="$home" XDG_RUNTIME_DIR="$work" QT_QPA_PLATFORM=offscreen \
    TAPDECK_SCREENSHOT="$home/shot.png" timeout 60 tapdeck)
user="$home/.local/share/tapdeck"
for f in tapdeck.ini celltalk.ini; do
    [ -f "$user/$f" ] || { echo "per-user folder lacks $f" >&2; exit 1; }
done
[ -s "$home/shot.png" ] || { echo "no screenshot" >&2; exit 1; }
echo "per-user folder $user made; screenshot taken"

echo "== installed templates against the demo files"
# The templates are the demo's files byte for byte, except that tapdeck.ini
# has no key=value line in its sample sections (every section, every other
# line and the CR LF line ends stay).
for f in demo/*; do
    name=$(basename "$f")
    if [ "$name" = tapdeck.ini ]; then
        awk '/^\[/ { sample = ($0 ~ /^\[(PhoneBook|History|RusHistory)\]/); print; next }
             sample && /=/ { next } { print }' "$f" >"$work/expected.ini"
        cmp "$work/expected.ini" "/usr/share/tapdeck/$name"
    else
        cmp "$f" "/usr/share/tapdeck/$name"
    fi
done
echo "templates: the demo's files less the sample data"

echo "== phone check by the installed program against the simulated phone"
(cd "$home" && env -u XDG_DATA_HOME HOME="$home" XDG_RUNTIME_DIR="$work" QT_QPA_PLATFORM=offscreen \
    TAPDECK_PHONECHECK="$work/check.txt" timeout 60 tapdeck)
grep -qx "Текущие характеристики мобильного телефона" "$work/check.txt"
grep -qx "C650" "$work/check.txt"
echo "phone check: $(sed -n 2,3p "$work/check.txt" | tr '\n' ' ')"

echo "== celltalk ports against phonesim --pty"
dev="$work/dev"
mkdir -p "$dev/serial/by-id"
phonesim --pty "$dev/ttyACM0" --state "$work/phone.state" &
simpid=$!
for _ in $(seq 100); do [ -L "$dev/ttyACM0" ] && break; sleep 0.1; done
ln -s ../../ttyACM0 "$dev/serial/by-id/usb-Simulated_Phone_C650-if00"
cd "$user"
celltalk ports --dev "$dev" | tee "$work/ports.txt"
grep -q "Motorola C650" "$work/ports.txt"
celltalk ports --set "$dev/serial/by-id/usb-Simulated_Phone_C650-if00"
# The installed engine reads the phone book over the pseudo-terminal.
celltalk oper "$(printf 'Прочитать телефонную книгу' | iconv -f UTF-8 -t CP1251)"
grep -q "+CPBR: 1," AutoRun/LastRun.pbf
echo "phone book read through $(grep -a '^ComPort=' celltalk.ini)"
cd - >/dev/null

echo "== remove the package"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get remove -y -q tapdeck
installed=0
[ ! -e /usr/bin/tapdeck ] || { echo "/usr/bin/tapdeck is still there" >&2; exit 1; }
[ -f "$user/tapdeck.ini" ] || { echo "removing the package took the user's folder" >&2; exit 1; }
echo "package check: passed"
