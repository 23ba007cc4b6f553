#!/usr/bin/env bash
# Runs the x86_64 Windows test binaries under Wine, with one wineserver kept
# up for the whole run and stopped at the end.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
export WINEPREFIX="$root/build/win64-wine/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
wine64="$(command -v wine64 || echo /usr/lib/wine/wine64)"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i </dev/null >/dev/null 2>&1
  wineserver -w  # the prefix is written when its first server ends
fi
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
# Start Wine's background services and its desktop process now, detached from
# ctest's output: started by a test they would inherit its pipe and, under a
# persistent server, keep ctest waiting until its time-out.
wineboot </dev/null >/dev/null 2>&1
"$wine64" "$root/build/win64-wine/app/win32/Pankor.exe" </dev/null >/dev/null 2>&1 || true
cd "$root"
ctest --preset win64-wine "$@"
