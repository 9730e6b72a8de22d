#!/usr/bin/env bash
# Builds and runs every benchmark (a few minutes in all) and prints the
# performance table of the README: each figure beside its aim, with PASS or
# MISS. Each benchmark's own output goes to build/bench/<name>.txt. A
# benchmark that reads or shows something wrong fails the script; a missed
# aim is a figure, not a failure.
#   scripts/bench.sh [benchmark…]   (default: all of them, in build/)
set -euo pipefail
cd "$(dirname "$0")/.."
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}" CCACHE_NOHASHDIR=1
bash scripts/deps.sh >/dev/null
benches=("$@")
[ ${#benches[@]} -gt 0 ] || benches=(pacing engine read_speed sms_list lists ownbook calendar activation wait_latency live)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAPDECK_BUILD_BENCH=ON >/dev/null
cmake --build build -j"$(nproc)" --target "${benches[@]/#/bench_}" >/dev/null
mkdir -p build/bench
export QT_QPA_PLATFORM=offscreen

failed=()
rows=""
for b in "${benches[@]}"; do
    out="build/bench/$b.txt"
    echo "running bench_$b" >&2
    if ! "build/bin/bench_$b" >"$out" 2>&1; then failed+=("$b"); fi
    rows+=$(grep -a '^| ' "$out" || true)$'\n'
done

echo "Measured on $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg), $(date -u +%Y-%m-%d)."
echo
echo "| Figure | Measured | Aim | Verdict |"
echo "|---|---|---|---|"
printf '%s' "$rows"
if [ ${#failed[@]} -gt 0 ]; then
    echo "FAILED (wrong result, see build/bench/): ${failed[*]}" >&2
    exit 1
fi
