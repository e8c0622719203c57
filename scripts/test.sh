#!/usr/bin/env bash
# Installs what the tests need, builds, and runs every test: natively, then
# the Windows program under wine, then the suite under the address and
# undefined-behaviour sanitizers and a bounded fuzzing run.
set -euo pipefail
cd "$(dirname "$0")/.."

need=()
for pkg in cmake make g++ googletest ffmpeg libimage-exiftool-perl e2fsprogs strace; do
    dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg")
done
if ((${#need[@]})); then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
(cd build && ctest --output-on-failure -j2)
bash scripts/test-windows.sh
bash scripts/test-sanitize.sh
