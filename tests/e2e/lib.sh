# Shared by the end-to-end tests (sourced; arguments BUILD_DIR SOURCE_DIR WINEPREFIX). Each runs in its
# own Xvfb, every folder the manager, WebKit and Wine write to under one temporary folder.
set -uo pipefail
build="$1" source="$2" wineprefix="$3" work="$(mktemp -d /tmp/pankor-e2e-XXXXXX)"
pankor="$build/app/linux/pankor" kit="$build/tools/publish/pankor-publish" fixtures="$build/tests/e2e/fixtures"
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" XDG_DATA_HOME="$work/data"
export XDG_RUNTIME_DIR="$work/run" APPDATA="$work/appdata" TEMP="$work/tmp" TMPDIR="$work/tmp"
export WINEPREFIX="$wineprefix" WINEDEBUG=-all GSETTINGS_BACKEND=memory  # GTK's settings stay in memory: no daemon
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR" "$APPDATA" "$TEMP" "$work/bin"
chmod 700 "$XDG_RUNTIME_DIR"
log="$APPDATA/Pankor/debug.log" site="$work/site"
# The user's web browser: what the manager asks it to open is written down.
printf '#!/bin/sh\nprintf "%%s\\n" "$1" >>"%s/opened.txt"\n' "$work" >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
export PATH="$work/bin:$PATH"
failures=0 pids=() used_wine=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
cleanup() {
  kill "${pids[@]}" 2>/dev/null; wait 2>/dev/null
  [ "$used_wine" = 1 ] && wineserver -k 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
# Ends the test: prints the log when something failed.
finish() {
  [ "$failures" -eq 0 ] && { echo "all checks passed"; exit 0; }
  echo "---- debug.log"; cat "$log" 2>/dev/null
  echo "---- pankor output"; cat "$work"/pankor*.out 2>/dev/null | tail -40
  echo "$failures check(s) failed"; exit 1
}
background() { "$@" >"$work/$(basename "$1").out" 2>&1 & pids+=($!); }

# Starts the local publisher on a folder laid out by make_site.sh (its options as arguments); sets $base.
serve() {
  mkdir -p "$site"
  background "$kit" serve "$site" --port 0
  wait_for 10 grep -qs '^serving ' "$work/pankor-publish.out" || { fail "the publisher did not start"; finish; }
  base="$(sed -n 's/^serving .* at //p' "$work/pankor-publish.out")"
  resite "$@" || { fail "make_site.sh"; finish; }
}
# Lays out (again) and signs the site (the server reads files afresh on every request).
resite() { "$source/tests/e2e/make_site.sh" "$site" "$base" "$fixtures" "$kit" "$source/keys/dev/development-signing.private.pem" "$@"; }
install_app() {  # slug version Folder: puts an app at a version where the catalog says it lives
  mkdir -p "$APPDATA/Tarnwick/$3" && cp "$fixtures/$1-$2.exe" "$APPDATA/Tarnwick/$3/$1.exe"
}
# Windows programs started by the manager run in the shared prefix, whose roaming folder is
# this test's APPDATA, as both are one folder on Windows.
use_wine() {
  local roaming="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming"
  rm -rf "$roaming" && ln -s "$APPDATA" "$roaming" || { fail "cannot link the Wine roaming folder"; finish; }
  used_wine=1
}
# Starts the manager with a fresh debug log and the local publisher.
start_pankor() {  # switches...
  rm -f "$log"
  "$pankor" /debug "/publisher=$base" "$@" >"$work/pankor${#pids[@]}.out" 2>&1 &
  pids+=($!) pankor_pid=$!
}
stop_pankor() { kill "$pankor_pid"; wait "$pankor_pid" 2>/dev/null; }
# A later start that hands its request over and ends.
second_start() { "$pankor" /debug "/publisher=$base" "$@" >"$work/second.out" 2>&1 || fail "the second copy $* did not end cleanly"; }
wait_for() {  # seconds command...: polls the command until it succeeds
  local deadline=$((SECONDS + $1)); shift
  until "$@"; do [ "$SECONDS" -ge "$deadline" ] && return 1; sleep 0.1; done
}
logged() { grep -qF -- " $1" "$log" 2>/dev/null; }
count_log() { grep -cF -- " $1" "$log" 2>/dev/null || true; }
expect_log() { local l; for l; do wait_for "${secs:-30}" logged "$l" || fail "no log line '$l'"; done; }  # texts
expect_count() { wait_for "${3:-30}" sh -c "[ \$(grep -cF -- ' $1' '$log') -ge $2 ]" || fail "fewer than $2 log lines '$1'"; }  # text n [s]
lacks_log() { local l; for l in "$@"; do ! logged "$l" || fail "unexpected log line '$l'"; done; }
expect_file() { wait_for "${2:-30}" test -e "$1" || fail "no file $1"; }  # path [seconds]
holds() { [ "$(tr -d '\r' <"$1" 2>/dev/null)" = "$2" ]; }
expect_text() { wait_for 30 holds "$1" "$2" || fail "$1 holds '$(cat "$1" 2>/dev/null)', want '$2'"; }  # file text
