#!/usr/bin/env bash
# Builds Quadrel when needed and runs it: on PATH when one is given, otherwise
# on a fresh copy of the sample movie, showing its apertures before and after.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

packages=(cmake make g++)
if (($# == 0)); then
    packages+=(libimage-exiftool-perl)
fi
bash "$root/scripts/install-missing.sh" "${packages[@]}"

if [ ! -f "$root/build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUADREL_TESTS=OFF >/dev/null
fi
cmake --build "$root/build" --target quadrel -j"$(nproc)" >/dev/null

if (($# > 0)); then
    exec "$root/build/quadrel" "$@"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$root/sample/take1" "$work/take1"
apertures() {
    exiftool -s -CleanApertureDimensions -ProductionApertureDimensions "$1" | sed 's/^/    /'
}
echo "The sample movie, copied to $work/take1, before:"
apertures "$work/take1"
echo
(cd "$work" && "$root/build/quadrel" take1)
echo
echo
echo "After (renamed to take1.mov):"
apertures "$work/take1.mov"
