#!/usr/bin/env bash
# Builds everything and runs every test; ends with CTest's summary line.
#   scripts/test.sh            normal build in build/
#   SANITIZE=1 scripts/test.sh AddressSanitizer + UndefinedBehaviorSanitizer in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh

if [ "${SANITIZE:-0}" = 1 ]; then
    dir=build-asan
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DTAPDECK_SANITIZE=ON -DTAPDECK_BUILD_BENCH=OFF
else
    dir=build
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$dir" -j"$(nproc)"
cd "$dir"
ctest --output-on-failure -j"$(nproc)" --timeout 300
