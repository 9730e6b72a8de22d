#!/usr/bin/env bash
# Builds everything and runs every test; ends with CTest's summary line.
#   scripts/test.sh            normal build in build/
#   SANITIZE=1 scripts/test.sh AddressSanitizer + UndefinedBehaviorSanitizer in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."
# Compiled objects are shared through ccache between this tree's builds and
# other clones of the project: paths are hashed relative to the clone.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}" CCACHE_NOHASHDIR=1
bash scripts/deps.sh

if [ "${SANITIZE:-0}" = 1 ]; then
    dir=build-asan
    # tests/lsan.supp lists what system libraries keep for the life of the process.
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
    export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DTAPDECK_SANITIZE=ON -DTAPDECK_BUILD_BENCH=OFF
else
    dir=build
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$dir" -j"$(nproc)"
cd "$dir"
ctest --output-on-failure -j"$(nproc)" --timeout 300
