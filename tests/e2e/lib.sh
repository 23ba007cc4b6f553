# Shared by the end-to-end tests; sourced, never run. Each test runs inside
# its own Xvfb (xvfb-run), with every folder the manager, WebKit and Wine
# write to under one temporary folder: nothing reaches the real home folder.
# Arguments of every test: BUILD_DIR SOURCE_DIR WINEPREFIX
set -uo pipefail
build="$1" source="$2" wineprefix="$3"
pankor="$build/app/linux/pankor"
kit="$build/tools/publish/pankor-publish"
fixtures="$build/tests/e2e/fixtures"
key="$source/keys/dev/development-signing.private.pem"

work="$(mktemp -d /tmp/pankor-e2e-XXXXXX)"
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" XDG_DATA_HOME="$work/data"
export XDG_RUNTIME_DIR="$work/run" APPDATA="$work/appdata" TEMP="$work/tmp" TMPDIR="$work/tmp"
export WINEPREFIX="$wineprefix" WINEDEBUG=-all
# GTK's own settings (the folder dialog's) stay in memory: no settings daemon is started.
export GSETTINGS_BACKEND=memory
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR" "$APPDATA" "$TEMP" "$work/bin"
chmod 700 "$XDG_RUNTIME_DIR"
log="$APPDATA/Pankor/debug.log"
site="$work/site"
# The user's web browser: what the manager asks it to open is written down.
printf '#!/bin/sh\nprintf "%%s\\n" "$1" >>"%s/opened.txt"\n' "$work" >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
export PATH="$work/bin:$PATH"

failures=0
pids=()
used_wine=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
  [ "$used_wine" = 1 ] && wineserver -k 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Ends the test: prints the log when something failed.
finish() {
  if [ "$failures" -gt 0 ]; then
    echo "---- debug.log"; cat "$log" 2>/dev/null
    echo "---- pankor output"; cat "$work"/pankor*.out 2>/dev/null | tail -40
    echo "$failures check(s) failed"
    exit 1
  fi
  echo "all checks passed"
  exit 0
}

# Starts the local publisher and lays out its folder (make_site.sh options
# in site_args); sets $base.
site_args=()
serve() {  # extra serve arguments...
  mkdir -p "$site"
  "$kit" serve "$site" --port 0 "$@" >"$work/serve.out" 2>&1 &
  pids+=($!)
  server_pid=$!
  wait_for 10 grep -qs '^serving ' "$work/serve.out" || { fail "the publisher did not start"; cat "$work/serve.out"; finish; }
  base="$(sed -n 's/^serving .* at //p' "$work/serve.out")"
  "$source/tests/e2e/make_site.sh" "$site" "$base" "$fixtures" "$kit" "$key" "${site_args[@]}" ||
    { fail "make_site.sh"; finish; }
}
# Re-signs a changed site (the server reads files afresh on every request).
resite() { "$source/tests/e2e/make_site.sh" "$site" "$base" "$fixtures" "$kit" "$key" "$@"; }

# Puts an app at a version where the catalog says it lives.
install_app() {  # slug version Folder
  mkdir -p "$APPDATA/Tarnwick/$3"
  cp "$fixtures/$1-$2.exe" "$APPDATA/Tarnwick/$3/$1.exe"
}

# Windows programs started by the manager run in the shared prefix, whose
# roaming folder is this test's APPDATA, as both are one folder on Windows.
use_wine() {
  local roaming="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming"
  rm -rf "$roaming" && ln -s "$APPDATA" "$roaming" || { fail "cannot link the Wine roaming folder"; finish; }
  used_wine=1
}

# Starts the manager with the debug log and the local publisher.
start_pankor() {  # switches...
  local n=${#pids[@]}
  "$pankor" /debug "/publisher=$base" "$@" >"$work/pankor$n.out" 2>&1 &
  pids+=($!)
  pankor_pid=$!
}
# A later start that hands its request over and ends.
second_start() {  # switches...
  "$pankor" /debug "/publisher=$base" "$@" >"$work/second.out" 2>&1
}

# Polls a command until it succeeds or the seconds run out.
wait_for() {  # seconds command...
  local deadline=$((SECONDS + $1)); shift
  until "$@"; do
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.1
  done
}
logged() { grep -qF -- " $1" "$log" 2>/dev/null; }
# Waits for a log line holding TEXT (after the time stamp).
expect_log() {  # text [seconds]
  wait_for "${2:-${E2E_WAIT:-30}}" logged "$1" || fail "no log line '$1'"
}
lacks_log() { ! logged "$1" || fail "unexpected log line '$1'"; }
# How many log lines hold TEXT.
count_log() { grep -cF -- " $1" "$log" 2>/dev/null || true; }
expect_file() {  # path [seconds]
  wait_for "${2:-30}" test -e "$1" || fail "no file $1"
}
# Waits for the manager to end by itself.
expect_exit() {  # pid [seconds]
  wait_for "${2:-30}" sh -c "! kill -0 $1 2>/dev/null" || fail "process $1 still runs"
}
# A field of the last JSON line of one of the publisher's records.
recorded() {  # file field
  python3 -c 'import json,sys; l=open(sys.argv[1]).read().strip().split("\n"); v=json.loads(l[-1]);
for k in sys.argv[2].split("."): v=v.get(k) if isinstance(v,dict) else None
print("" if v is None else v)' "$site/reports/$1" "$2" 2>/dev/null
}
