# Sourced by the end-to-end tests (BUILD_DIR SOURCE_DIR WINEPREFIX); all the manager, WebKit and Wine write is in $work.
source "$(dirname "${BASH_SOURCE[0]}")/../tools/lib.sh"
build="$1" source="$2" wineprefix="$3"
pankor="$build/app/linux/pankor" kit="$build/tools/publish/pankor-publish" fixtures="$build/tests/e2e/fixtures"
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" XDG_DATA_HOME="$work/data"
export XDG_RUNTIME_DIR="$work/run" APPDATA="$work/appdata" TEMP="$work/tmp" TMPDIR="$work/tmp" PATH="$work/bin:$PATH"
export WINEPREFIX="$wineprefix" WINEDEBUG=-all GSETTINGS_BACKEND=memory  # GTK's settings stay in memory: no daemon
mkdir -p -m 700 "$HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR" "$APPDATA" "$TEMP" "$work/bin"
log="$APPDATA/Pankor/debug.log" site="$work/site"
# The user's web browser: what the manager asks it to open is written down.
printf '#!/bin/sh\nprintf "%%s\\n" "$1" >>"%s/opened.txt"\n' "$work" >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
finish() {
  [ "$failures" -eq 0 ] && { echo "all checks passed"; exit 0; }
  echo "---- debug.log"; cat "$log" 2>/dev/null
  echo "---- pankor output"; cat "$work"/pankor*.out 2>/dev/null | tail -40
  echo "$failures check(s) failed"; exit 1
}
background() { "$@" >"$work/$(basename "$1").out" 2>&1 & pids+=($!); }

# Starts the local publisher on a site laid out by make_site.sh (sets $base); Clock 2.0 and Jotter 1.4
# installed where the catalog says they live.
serve() {
  mkdir -p "$site" "$APPDATA/Tarnwick/Clock" "$APPDATA/Tarnwick/Jotter"
  start "$work/publisher.out" "$site" --port 0
  [ -n "$base" ] && resite || { fail "the publisher did not start, or make_site.sh failed"; finish; }
  cp "$fixtures/clock-2.0.0.0.exe" "$APPDATA/Tarnwick/Clock/clock.exe"
  cp "$fixtures/jotter-1.4.0.0.exe" "$APPDATA/Tarnwick/Jotter/jotter.exe"
}
# Lays out (again) and signs the site, [MANAGER_VERSION]; the server reads files afresh on every request.
resite() { "$source/tests/e2e/make_site.sh" "$site" "$base" "$fixtures" "$kit" "$source/keys/dev/development-signing.private.pem" "$@"; }
# Programs the manager starts run in the shared prefix, whose roaming folder is APPDATA (as on Windows).
use_wine() {
  local roaming="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming"
  rm -rf "$roaming" && ln -s "$APPDATA" "$roaming" || { fail "cannot link the Wine roaming folder"; finish; }
  at_exit="wineserver -k"
}
start_pankor() {  # switches...: with a fresh debug log, against the local publisher
  rm -f "$log"
  "$pankor" /debug "/publisher=$base" "$@" >"$work/pankor${#pids[@]}.out" 2>&1 &
  pids+=($!) pankor_pid=$!
}
stop_pankor() { kill "$pankor_pid"; wait "$pankor_pid" 2>/dev/null; }
second_start() { "$pankor" /debug "/publisher=$base" "$@" >"$work/second.out" 2>&1 || fail "the second copy $* did not end cleanly"; }
logged() { grep -qF -- " $1" "$log" 2>/dev/null; }
count_log() { grep -cF -- " $1" "$log" 2>/dev/null || true; }
expect_log() { local l; for l; do wait_for "${secs:-30}" logged "$l" || fail "no log line '$l'"; done; }  # texts
expect_count() { wait_for "${3:-30}" sh -c "[ \$(grep -cF -- ' $1' '$log') -ge $2 ]" || fail "fewer than $2 log lines '$1'"; }  # text n [s]
lacks_log() { local l; for l in "$@"; do ! logged "$l" || fail "unexpected log line '$l'"; done; }
holds() { [ "$(tr -d '\r' <"$1" 2>/dev/null)" = "$2" ]; }
expect_text() { wait_for 30 holds "$1" "$2" || fail "$1 holds '$(cat "$1" 2>/dev/null)', want '$2'"; }  # file text
