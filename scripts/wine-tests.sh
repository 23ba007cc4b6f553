#!/usr/bin/env bash
# Runs the x86_64 Windows test binaries under Wine, with one wineserver kept
# up for the whole run and stopped at the end.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
export WINEPREFIX="$root/build/win64-wine/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
cd "$root"
ctest --preset win64-wine "$@"
