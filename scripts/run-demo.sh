#!/usr/bin/env bash
# Builds the program and starts it in a ready demo folder (build/demo) with
# its settings, the engine and the simulated phone. Without a display it runs
# the program under xvfb-run, saves a screenshot of the main window, closes
# the program and exits.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target tapdeck celltalk phonesim

demo=build/demo
mkdir -p "$demo/AutoRun"
cp demo/tapdeck.ini demo/celltalk.ini "$demo/"
for f in demo/*.bat demo/*.txt; do [ -e "$f" ] && cp "$f" "$demo/"; done
cp build/bin/tapdeck build/bin/celltalk build/bin/phonesim "$demo/"
cp build/bin/celltalk_window.so "$demo/"  # the engine's window, when a run is to be shown

cd "$demo"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec ./tapdeck
fi
shot="$PWD/main-window.png"
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
rm -f "$shot"
echo "No display here: running Tapdeck under xvfb-run and saving a screenshot of its main window."
TAPDECK_SCREENSHOT="$shot" timeout 60 xvfb-run -a -s "-screen 0 1280x1024x24" ./tapdeck
if [ -s "$shot" ]; then
    echo "Screenshot: $shot"
else
    echo "The program did not produce a screenshot" >&2
    exit 1
fi
