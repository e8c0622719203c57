#!/usr/bin/env bash
# Makes the release packages with CPack, into build-packages/:
#   quadrel-VERSION-win64.zip            quadrel.exe and README.txt, for Windows
#   quadrel-VERSION-linux-x86_64.tar.gz  the Linux program
#   quadrel_VERSION_amd64.deb            the same, as a Debian package
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-missing.sh cmake make g++ dpkg-dev g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64

out="$PWD/build-packages"
rm -rf "$out"
mkdir -p "$out"

# Linux: .tar.gz and .deb.
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DQUADREL_TESTS=OFF
cmake --build build-release -j"$(nproc)"
(cd build-release && cpack -B "$out")

# Windows: the zip, from the cross-built quadrel.exe.
cmake -S . -B build-release-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DQUADREL_TESTS=OFF
cmake --build build-release-win -j"$(nproc)"
(cd build-release-win && cpack -B "$out")

rm -rf "$out/_CPack_Packages"
echo "Packages in $out:"
ls -l "$out"
