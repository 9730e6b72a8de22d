#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang under AddressSanitizer
# and UndefinedBehaviorSanitizer, and runs each for a fixed time on its seed
# corpus. A crash, a sanitizer report or a round-trip mismatch fails the run.
#   scripts/fuzz.sh             20 s per target (CI runs 15)
#   scripts/fuzz.sh 300         5 minutes per target
#   scripts/fuzz.sh 60 fuzz_pdu one target
# Without clang the targets are skipped (exit 0, with a note).
set -euo pipefail
cd "$(dirname "$0")/.."
# Compiled objects are shared through ccache between this tree's builds and
# other clones of the project: paths are hashed relative to the clone.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}" CCACHE_NOHASHDIR=1
seconds=${1:-20}
shift || true
if ! command -v clang++ >/dev/null; then
    echo "fuzz: clang++ not found, fuzz targets skipped (apt-get install clang libclang-rt-14-dev)"
    exit 0
fi
dir=build-fuzz
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DTAPDECK_FUZZ=ON -DTAPDECK_SANITIZE=ON \
    -DTAPDECK_BUILD_BENCH=OFF ${FUZZ_CMAKE_ARGS:-} >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(fuzz_ini fuzz_pbrecord fuzz_smsrecord fuzz_oplang fuzz_engine fuzz_phonesim_at
             fuzz_phonesim_state fuzz_pdu fuzz_mdbunload)
fi
cmake --build "$dir" -j"$(nproc)" --target "${targets[@]}"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Targets that write files (the ini writer syncs every write) run far faster
# on a memory file system.
if [ -z "${TMPDIR:-}" ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
# One target per core at a time, each for the full time.
fuzz_one() {
    local t=$1
    # The seeds stay as they are; what the fuzzer finds goes to a work corpus.
    local work="$dir/corpus/$t" log="$dir/$t.log"
    mkdir -p "$work" "$dir/crashes"
    if "$dir/bin/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$dir/crashes/$t-" "$work" "tests/fuzz/corpus/$t" >"$log" 2>&1; then
        # libFuzzer's closing "Done N runs" (a "#N" elsewhere may be a dictionary entry).
        echo "fuzz: $t ok, $(grep -Eo '^Done [0-9]+ runs' "$log" | grep -Eo '[0-9]+' | tail -1) executions in ${seconds} s"
    else
        echo "fuzz: $t FAILED (log $log):"
        grep -E "ERROR|mismatch|runtime error|Test unit written" "$log" | head -5
    fi
}
for t in "${targets[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$(nproc)" ]; do wait -n || true; done
    fuzz_one "$t" >"$dir/$t.result" &
done
wait
status=0
for t in "${targets[@]}"; do
    cat "$dir/$t.result"
    grep -q "^fuzz: $t ok," "$dir/$t.result" || status=1
done
exit $status
