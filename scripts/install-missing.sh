#!/usr/bin/env bash
# Installs, from Debian's archive, those of the named packages that are not
# installed yet.
set -euo pipefail
need=()
for pkg in "$@"; do
    dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg")
done
if ((${#need[@]})); then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}"
fi
