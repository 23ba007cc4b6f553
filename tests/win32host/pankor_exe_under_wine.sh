#!/usr/bin/env bash
# Pankor.exe (x86_64) under Wine, started under a development name, then as a user would; the evidence is the
# debug log, the registry and the windows seen from outside. No HTML engine: a start ends at the watchdog.
exe_built="$1" probe_exe="$2" base_prefix="$3"  # Pankor.exe, HostProbe.exe, the build's booted prefix
source "$(dirname "$0")/wine.sh"

# Installed as the installer lays it out (ui\ beside the executable), plus a copy under a development name.
built_dir="$(dirname "$exe_built")"
diff -r "$built_dir/ui" "$(dirname "$0")/../../ui" >/dev/null || fail "ui/ beside Pankor.exe is missing or differs from the source's"
install="$WINEPREFIX/drive_c/Tarnwick/Pankor"
mkdir -p "$install" && cp -r "$exe_built" "$built_dir/ui" "$install/" && cp "$exe_built" "$install/PankorDev.exe"
win_dir='C:\Tarnwick\Pankor'
data="$user/AppData/Roaming/Pankor" log="$data/debug.log"

run() { timeout 60 "$wine64" "$win_dir\\Pankor.exe" /debug "$@" </dev/null >>"$work/wine.out" 2>&1 || fail "$* did not end by itself with 0"; }
lines() { sed -e 's/\r$//' -e 's/^[0-9][0-9]:[0-9][0-9]:[0-9][0-9] //' "$log" 2>/dev/null; }  # without time stamps
count() { lines | grep -cF -- "$1"; }
logged() { for l in "$@"; do lines | grep -qxF -- "$l" || fail "line '$l' not logged"; done; }
at_least() { [ "$(count "$1")" -ge "$2" ]; }
wait_log() { wait_for "$3" at_least "$1" "$2" || { fail "no '$1' (x$2) within $3 s"; dump; exit 1; }; }  # text n seconds
dump() { echo "--- debug.log"; cat "$log" 2>/dev/null; echo "--- probe"; probe state; }

# ---- a first start, under the development name
"$wine64" "$win_dir\\PankorDev.exe" /debug </dev/null >>"$work/wine.out" 2>&1 &
first=$! && pids+=("$first")
wait_log "tray icon added=" 1 90
logged "--- Pankor start, runDir=$win_dir" "dpi 100% -> window 920x620" "Controls.Add err=0 " \
  "Navigate2 -> $win_dir\\ui\\index.html err=0"
lines | grep -qE '^ApplyExeIcon big=([2-9]|[1-9][0-9]+) small=([2-9]|[1-9][0-9]+) hwnd=[1-9][0-9]*$' ||
  fail "the executable's own icons were not found: $(lines | grep ApplyExeIcon)"
state="$(probe state)"
read -r sw sh <<<"$(sed -n 's/.* screen=\([0-9]*\)x\([0-9]*\).*/\1 \2/p' <<<"$state")"
want="caption=Pankor frame=none at=$(((sw - 920) / 2)),$(((sh - 620) / 2)) size=920x620 client=920x620 browser=920x620 screen="
grep -q "^main=visible tray=hidden .* $want" <<<"$state" || fail "windows: got '$state', want '$want'"

# ---- a second copy while it runs
run  # hands its request over through the handoff file
logged "another Pankor already has the mutex" "handoff posted: show"

# ---- the watchdog, with no HTML engine
wait_log "watchdog gave up, readyState=" 1 40
lines | grep -q '^watchdog gave up, readyState=1 loc=' || fail "the ready state moved: $(lines | grep 'watchdog gave up')"
lines | grep -qE '^NavigateError .*index\.html$' || fail "no NavigateError for the page"

# ---- closed from outside, window by window
[ "$(probe close main)" = closed ] && grep -q "^main=none tray=hidden" <<<"$(probe state)" || fail "the main window did not close"
run /tray  # the process lives on in the tray: the mutex is still taken
[ "$(count "second copy with /tray - exiting quietly")" -eq 1 ] || fail "the process ended with its main window"
[ "$(probe close tray)" = closed ] || fail "the tray window did not close"
wait_for 20 sh -c "! kill -0 $first 2>/dev/null" && wait "$first" || fail "the process did not end with 0 once both windows were gone"

# ---- the registry, under the name it ran as (Pankor.exe's: the installer's run)
feature() { "$wine64" reg query "HKCU\\Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\$1" </dev/null 2>&1 | tr -d '\r'; }
feature FEATURE_BROWSER_EMULATION | grep -qxF "    PankorDev.exe    REG_DWORD    0x2af9" || fail "FEATURE_BROWSER_EMULATION"
feature FEATURE_BLOCK_LMZ_SCRIPT | grep -qxF "    PankorDev.exe    REG_DWORD    0x0" || fail "FEATURE_BLOCK_LMZ_SCRIPT"
[ "$failures" -eq 0 ] || { dump; echo "$failures check(s) failed"; exit 1; }
echo "Pankor.exe under Wine: all checks passed"
