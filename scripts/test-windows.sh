#!/usr/bin/env bash
# The Windows stage of the test command: cross-builds quadrel.exe and the unit
# tests with MinGW-w64 into build-win/, runs the unit tests through wine with
# CTest, then runs the end-to-end tests (the native tests/endtoend of build/)
# against quadrel.exe through wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-missing.sh cmake make g++ googletest e2fsprogs \
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64

win=build-win
export LANG=C.UTF-8
export WINEDEBUG=-all
export WINEPREFIX="$PWD/$win/wineprefix"
# No .NET or HTML engine is needed, and none is offered for download.
export WINEDLLOVERRIDES="mscoree=;mshtml="

# The end-to-end tests are a Linux program, from the native build.
if [[ ! -f build/CMakeCache.txt ]]; then
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build build -j"$(nproc)" --target endtoend

cmake -S . -B "$win" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$win" -j"$(nproc)"

# One wineserver for every run, started apart from CTest's pipes (a server
# that inherits them makes CTest wait until it times out), stopped at the end
# whatever happens.
mkdir -p "$WINEPREFIX"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
wineserver -p </dev/null >/dev/null 2>"$win/wineserver.log"
if ! wineboot -i </dev/null >/dev/null 2>"$win/wineboot.log"; then
    cat "$win/wineboot.log" >&2
    exit 1
fi

(cd "$win" && ctest --output-on-failure -j2)
QUADREL_RUNNER=wine QUADREL_PROGRAM="$PWD/$win/quadrel.exe" build/tests/endtoend
