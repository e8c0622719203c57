#!/usr/bin/env bash
# Installs what the tests need, builds, and runs every test: natively, then
# the Windows program under wine, then the suite under the address and
# undefined-behaviour sanitizers and a bounded fuzzing run.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-missing.sh cmake make g++ googletest ffmpeg libimage-exiftool-perl e2fsprogs strace

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUADREL_TESTS=ON
cmake --build build -j"$(nproc)"
(cd build && ctest --output-on-failure -j2)
bash scripts/test-windows.sh
bash scripts/test-sanitize.sh
