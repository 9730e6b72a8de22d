#!/usr/bin/env bash
# Re-makes every picture the README shows (docs/*.png) without a display:
# the tests that draw the windows with sample data save them when asked
# (TAPDECK_SHOTS and the older names below), and the program itself, started
# in a copy of the demo folder, saves its main window (TAPDECK_SCREENSHOT).
# Ends with a failure when a picture the README names was not made anew.
#   scripts/screenshots.sh [folder]   (default: docs)
set -euo pipefail
cd "$(dirname "$0")/.."
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}" CCACHE_NOHASHDIR=1
out="$(realpath -m "${1:-docs}")"
mkdir -p "$out"
bash scripts/deps.sh >/dev/null
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
tests=(picture_tests phonebook_window_tests sms_window_tests main_window_tests datebook_window_tests
       exchange_window_tests check_e2e_tests ussd_e2e_tests live_tests)
cmake --build build -j"$(nproc)" --target "${tests[@]}" tapdeck celltalk phonesim >/dev/null

export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
export TAPDECK_SHOTS="$out" SMS_SCREENSHOT_DIR="$out" MAIN_SCREENSHOT_DIR="$out" TAPDECK_SHOT_DIR="$out"
stamp="$(mktemp)"
trap 'rm -f "$stamp"' EXIT
sleep 1  # pictures made from here on are newer than the stamp

# Each test binary with the cases that draw pictures.
shoot() {
    echo "pictures from $1" >&2
    "build/bin/$1" --gtest_filter="$2" --gtest_brief=1 >/dev/null
}
shoot picture_tests 'ReadmePictures.*'
shoot phonebook_window_tests 'Windows.MissedCallsShowTheTimeThePhoneGives'
shoot sms_window_tests 'Windows.Screenshots'
shoot sms_window_tests 'Windows.WithLivePhoneASentMessageShowsItsDeliveryReport'
shoot main_window_tests 'MainWindowTest.LongSmsToATypedNumberScreenshot'
shoot datebook_window_tests 'DateBook.Screenshot'
shoot exchange_window_tests 'ExchangeButtons.*'
shoot check_e2e_tests 'CheckEndToEnd.UpdateShowsThePhoneAndTheLastCopyAgrees:CheckEndToEnd.CallBoundToAnotherOperationIsDialledWithIt'
shoot ussd_e2e_tests 'UssdEndToEnd.BalanceSessionAnsweredFromTheWindow'
shoot live_tests 'LivePictures.*'

# The main window as the demo folder starts it.
run="$(mktemp -d)"
trap 'rm -f "$stamp"; rm -rf "$run"' EXIT
mkdir -p "$run/AutoRun"
cp demo/tapdeck.ini demo/celltalk.ini "$run/"
for f in demo/*.bat demo/*.txt; do [ -e "$f" ] && cp "$f" "$run/"; done
cp build/bin/tapdeck build/bin/celltalk build/bin/phonesim "$run/"
echo "picture of the main window" >&2
(cd "$run" && TAPDECK_SCREENSHOT="$out/main-window.png" timeout 60 ./tapdeck)

missing=0
for png in $(grep -o 'docs/[A-Za-z0-9_.-]*\.png' README.md | sort -u); do
    file="$out/$(basename "$png")"
    if [ ! "$file" -nt "$stamp" ]; then
        echo "not made anew: $png" >&2
        missing=1
    fi
done
[ "$missing" = 0 ] && echo "every README picture made anew in $out" >&2
exit "$missing"
