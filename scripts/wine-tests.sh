#!/usr/bin/env bash
# Runs the x86_64 Windows test binaries under Wine, with one X server (Xvfb:
# top-level windows and the tray need one) and one wineserver kept up for the
# whole run, both stopped at the end.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
export WINEPREFIX="$root/build/win64-wine/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
wine64="$(command -v wine64 || echo /usr/lib/wine/wine64)"

# Our own display, whatever the caller's is: a fixed screen at 96 dpi.
display_file="$(mktemp)"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; rm -f "$display_file"' EXIT
for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.05; done
[ -s "$display_file" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(cat "$display_file")"

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i </dev/null >/dev/null 2>&1
  wineserver -w  # the prefix is written when its first server ends
fi
wineserver -p
trap 'wineserver -k 2>/dev/null || true; kill "$xvfb" 2>/dev/null || true; rm -f "$display_file"' EXIT
# Start Wine's background services and its desktop process now, detached from
# ctest's output: started by a test they would inherit its pipe and, under a
# persistent server, keep ctest waiting until its time-out. Any program that
# ends at once will do (Pankor.exe itself would stay up with its windows).
wineboot </dev/null >/dev/null 2>&1
"$wine64" cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
cd "$root"
ctest --preset win64-wine "$@"
