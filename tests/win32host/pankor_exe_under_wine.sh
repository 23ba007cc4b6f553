#!/usr/bin/env bash
# Pankor.exe (the x86_64 build of the product's sources) under 64-bit Wine,
# started as a user, a second start and an installer would start it, with
# the debug log, the handoff file, the registry and the windows as seen from
# outside as evidence. Wine here has no HTML engine: the page never loads,
# so the watchdog giving up is as far as a start can go.
# Usage: pankor_exe_under_wine.sh PANKOR_EXE HOST_PROBE_EXE BOOTED_PREFIX
set -uo pipefail
exe_built="$1"
probe="$2"
base_prefix="$3"
wine64="$(command -v wine64 || echo /usr/lib/wine/wine64)"
work="$(mktemp -d)"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX="$work/prefix"
pids=()
xvfb=""
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cleanup() {
  for p in "${pids[@]}"; do kill -KILL "$p" 2>/dev/null; done
  [ -d "$WINEPREFIX" ] && wineserver -k 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A display: the run's (scripts/wine-tests.sh starts one for all), else our own.
if [ -z "${DISPLAY:-}" ]; then
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
  export DISPLAY=":$(cat "$work/display")"
fi

# A prefix of our own, so the registry and the data folder start empty and
# the single-instance mutex is ours alone: the build's booted prefix copied
# (the large Windows folder as hard links), or a fresh one.
if [ -f "$base_prefix/system.reg" ]; then
  cp -al "$base_prefix" "$WINEPREFIX"
  rm -rf "$WINEPREFIX/drive_c/users" "$WINEPREFIX"/*.reg "$WINEPREFIX/.boot.lock"
  cp -a "$base_prefix/drive_c/users" "$WINEPREFIX/drive_c/users"
  cp -a "$base_prefix"/*.reg "$WINEPREFIX/"
else
  mkdir -p "$WINEPREFIX"
  wineboot -i </dev/null >/dev/null 2>&1
fi

# Installed as the installer lays it out: the executable with ui\ beside it,
# as the build left them; plus a copy under a development name.
built_dir="$(dirname "$exe_built")"
[ -f "$built_dir/ui/index.html" ] || fail "the build put no ui/index.html beside Pankor.exe"
diff -r "$built_dir/ui" "$(dirname "$0")/../../ui" >/dev/null || fail "ui/ beside Pankor.exe differs from the source's"
install="$WINEPREFIX/drive_c/Tarnwick/Pankor"
mkdir -p "$install"
cp -r "$exe_built" "$built_dir/ui" "$install/"
cp "$exe_built" "$install/PankorDev.exe"
win_dir='C:\Tarnwick\Pankor'
data="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Pankor"
log="$data/debug.log"

# Every Wine process is detached from ctest's output: whatever it leaves
# running would otherwise keep ctest waiting.
start() { "$wine64" "$@" </dev/null >>"$work/wine.out" 2>&1 & pids+=($!); started=$!; }
run() { timeout 60 "$wine64" "$@" </dev/null >>"$work/wine.out" 2>&1; }
probe() { "$wine64" "$probe" "$@" </dev/null 2>>"$work/wine.out" | tr -d '\r'; }
# The log's lines without their time stamps.
lines() { sed -e 's/\r$//' -e 's/^[0-9][0-9]:[0-9][0-9]:[0-9][0-9] //' "$log" 2>/dev/null; }
count() { lines | grep -cF -- "$1"; }
logged() { lines | grep -qxF -- "$1" || fail "$2: line '$1' not logged"; }
# Waits (seconds) until the log holds a line beginning with the text n times.
wait_log() {
  local text="$1" n="$2" limit="$3" end=$((SECONDS + $3))
  while [ "$(lines | grep -c "^$(printf '%s' "$text" | sed 's/[][\.*^$]/\\&/g')")" -lt "$n" ]; do
    [ "$SECONDS" -ge "$end" ] && { fail "no '$text' (x$n) within ${limit}s"; return 1; }
    sleep 0.1
  done
}
wait_gone() {  # pid, seconds; sets $status to its exit code
  local end=$((SECONDS + $2))
  while kill -0 "$1" 2>/dev/null; do
    [ "$SECONDS" -ge "$end" ] && { status=timeout; return 1; }
    sleep 0.1
  done
  { wait "$1"; } 2>/dev/null
  status=$?
}
seconds_of() { local t="${1:0:8}"; echo $((10#${t:0:2} * 3600 + 10#${t:3:2} * 60 + 10#${t:6:2})); }
dump() { echo "--- debug.log"; cat "$log" 2>/dev/null; echo "--- probe"; probe state; }

# ---------------------------------------------------------------- a first start
start "$win_dir\\Pankor.exe" /debug
first=$started
wait_log "tray icon added=" 1 90 || { dump; exit 1; }
logged "--- Pankor start, runDir=$win_dir" "start line"
logged "dpi 100% -> window 920x620" "window size"
logged "Controls.Add err=0 " "browser control created"
logged "Navigate2 -> $win_dir\\ui\\index.html err=0" "navigation"
[ "$(count "started hidden (/tray)")" -eq 0 ] || fail "a start without /tray was hidden"
lines | grep -qE '^ApplyExeIcon big=([2-9]|[1-9][0-9]+) small=([2-9]|[1-9][0-9]+) hwnd=[1-9][0-9]*$' ||
  fail "the executable's own icons were not found: $(lines | grep ApplyExeIcon)"
# The x86_64 record holds the 32-bit product's 488-byte layout with 8-byte handles.
lines | grep -qE '^tray icon added=True cbSize=504 setversion=[0-9]+$' ||
  fail "tray line: $(lines | grep 'tray icon added=')"
state="$(probe state)"
screen="$(sed -n 's/.* screen=\([0-9]*\)x\([0-9]*\).*/\1 \2/p' <<<"$state")"
read -r sw sh <<<"$screen"
want="main=visible caption=Pankor frame=none at=$(((sw - 920) / 2)),$(((sh - 620) / 2)) size=920x620 client=920x620 browser=920x620"
grep -qF -- "$want screen=" <<<"$state" || fail "main window: got '$(head -1 <<<"$state")', want '$want'"
grep -qx "tray=hidden" <<<"$state" || fail "tray window: $(tail -1 <<<"$state")"

# ---------------------------------------------------------------- second copies while it runs
run "$win_dir\\Pankor.exe" /debug || fail "a second copy did not end by itself with 0"
logged "another Pankor already has the mutex" "second copy"
logged "handoff posted: show" "second copy"
grep -qE '^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\|show'$'\r''$' "$data/handoff.txt" ||
  fail "handoff file: $(cat -A "$data/handoff.txt")"
run "$win_dir\\Pankor.exe" /debug "/installed=Clock-Pro" || fail "a second copy with /installed= did not end with 0"
logged "handoff posted: installed=clock-pro" "second copy with a slug"
grep -q '|installed=clock-pro'$'\r''$' "$data/handoff.txt" || fail "handoff file: $(cat -A "$data/handoff.txt")"
run "$win_dir\\Pankor.exe" /tray /debug || fail "a quiet second copy did not end with 0"
logged "second copy with /tray - exiting quietly" "second copy with /tray"
grep -q '|installed=clock-pro'$'\r''$' "$data/handoff.txt" || fail "a quiet second copy touched the handoff file"
[ "$(count "--- Pankor start")" -eq 1 ] || fail "a second copy started as a first"

# ---------------------------------------------------------------- the watchdog, with no HTML engine
wait_log "watchdog gave up, readyState=" 1 40 || { dump; exit 1; }
gave_up="$(sed -e 's/\r$//' "$log" | grep -m1 ' watchdog gave up, readyState=')"
loc="${gave_up#*loc=}"
grep -qE ' watchdog gave up, readyState=1 loc=' <<<"$gave_up" || fail "the ready state moved: $gave_up"
# Every third tick navigates again while the browser is not on the page.
if grep -qi 'index\.html' <<<"$loc"; then navigations=1; else navigations=9; fi
[ "$(count "Navigate2 -> ")" -eq "$navigations" ] || fail "$(count "Navigate2 -> ") navigations, want $navigations (loc=$loc)"
# 26 ticks of 400 ms after the window was loaded.
nav_at="$(sed -e 's/\r$//' "$log" | grep -m1 ' Navigate2 -> ')"
elapsed=$(($(seconds_of "$gave_up") - $(seconds_of "$nav_at")))
[ "$elapsed" -ge 10 ] && [ "$elapsed" -le 30 ] || fail "the watchdog gave up after ${elapsed}s, want about 10.4"
# The control reports the file it could not show (no HTML engine).
lines | grep -qE '^NavigateError .*index\.html$' || fail "no NavigateError for the page"

# ---------------------------------------------------------------- closed from outside, window by window
[ "$(probe close main)" = closed ] || fail "the main window did not close"
grep -qx "main=none" <<<"$(probe state)" || fail "the main window is still there"
# The process lives on in the tray: a further start still finds the mutex taken.
run "$win_dir\\Pankor.exe" /debug /tray
[ "$(count "second copy with /tray - exiting quietly")" -eq 2 ] || fail "the process ended with its main window"
[ "$(probe close tray)" = closed ] || fail "the tray window did not close"
wait_gone "$first" 20 || fail "the process did not end with both windows gone"
[ "$status" = 0 ] || fail "the first copy ended with $status"

# ---------------------------------------------------------------- a copy that dies leaves no lock behind
start "$win_dir\\PankorDev.exe" /debug /tray
dev=$started
wait_log "started hidden (/tray)" 1 60 || { dump; exit 1; }
[ "$(count "--- Pankor start")" -eq 2 ] || fail "the start after the first ended was not a first copy"
state="$(probe state)"
grep -q "^main=hidden " <<<"$state" && grep -qx "tray=hidden" <<<"$state" || fail "/tray start: $state"
kill -KILL "$dev"
wait_gone "$dev" 20 || fail "the killed copy is still running"
before="$(count "another Pankor already has the mutex")"
start "$win_dir\\Pankor.exe" /debug /tray
third=$started
wait_log "started hidden (/tray)" 2 60 || { dump; exit 1; }
[ "$(count "--- Pankor start")" -eq 3 ] || fail "the start after a killed copy was not a first copy"
[ "$(count "another Pankor already has the mutex")" -eq "$before" ] || fail "the killed copy's mutex was still held"
[ "$(probe close tray)" = closed ] && [ "$(probe close main)" = closed ] || fail "the hidden copy's windows did not close"
wait_gone "$third" 20 || fail "the hidden copy did not end with both windows gone"
[ "$status" = 0 ] || fail "the hidden copy ended with $status"

# ---------------------------------------------------------------- the registry, as Wine saved it
timeout 60 wineserver -w
feature() {  # key, value name -> the value's data as user.reg writes it
  awk -v key="[Software\\\\\\\\Microsoft\\\\\\\\Internet Explorer\\\\\\\\Main\\\\\\\\FeatureControl\\\\\\\\$1]" -v name="\"$2\"" '
    index($0, key) == 1 { inside = 1; next }
    /^\[/ { inside = 0 }
    inside { split($0, kv, "="); if (kv[1] == name) print kv[2] }' "$WINEPREFIX/user.reg"
}
for name in Pankor.exe PankorDev.exe; do
  [ "$(feature FEATURE_BROWSER_EMULATION "$name")" = "dword:00002af9" ] ||
    fail "FEATURE_BROWSER_EMULATION $name = '$(feature FEATURE_BROWSER_EMULATION "$name")'"
  [ "$(feature FEATURE_BLOCK_LMZ_SCRIPT "$name")" = "dword:00000000" ] ||
    fail "FEATURE_BLOCK_LMZ_SCRIPT $name = '$(feature FEATURE_BLOCK_LMZ_SCRIPT "$name")'"
done

if [ "$failures" -ne 0 ]; then
  dump
  echo "$failures check(s) failed"
  exit 1
fi
echo "Pankor.exe under Wine: all checks passed"
