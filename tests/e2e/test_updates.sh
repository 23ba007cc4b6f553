#!/usr/bin/env bash
# Updates for real: an app's installer downloaded from the publisher, checked
# and run through Wine; the manager's own update staged and applied, by the
# self-update test and by closing the window.
source "$(dirname "$0")/lib.sh"
site_args=(--self-version 1.0.0.2)
serve
use_wine
install_app clock 2.0.0.0 Clock
clock_exe="$APPDATA/Tarnwick/Clock/clock.exe"
marker="$APPDATA/Pankor/selfupdate/ran.txt"

# The card's "Update to 2.1.0.0" button, clicked in the page.
cat >"$work/update.js" <<'JS'
var clicked = false;
setInterval(function () {
  var b = document.querySelector('[data-do="inupdate"][data-slug="clock"]');
  if (b && !clicked) { clicked = true; b.click(); }
}, 200);
JS
PANKOR_USER_SCRIPT="$work/update.js" start_pankor
expect_log "dispatch inupdate arg=clock"
expect_log "in-app update clock done" 90
cmp -s "$clock_exe" "$fixtures/clock-2.1.0.0.exe" || fail "the button did not install the new version"
kill "$pankor_pid"; wait "$pankor_pid" 2>/dev/null

# The in-app update self-test: download, keyed hash, installer run silently under Wine.
install_app clock 2.0.0.0 Clock
rm -f "$log" "$APPDATA/Tarnwick/Clock/installer.log"
start_pankor testinupdate=clock
expect_log "testinupdate: clock"
expect_log "in-app update clock <- $base/apps/clock-setup.exe"
expect_log "in-app update clock hash ok"
expect_log "in-app update clock done" 90
cmp -s "$clock_exe" "$fixtures/clock-2.1.0.0.exe" || fail "clock.exe is not the new version"
grep -q 'installed Tarnwick\\Clock\\clock.exe: .*/VERYSILENT /NORESTART' "$APPDATA/Tarnwick/Clock/installer.log" ||
  fail "installer command line: $(cat "$APPDATA/Tarnwick/Clock/installer.log" 2>/dev/null)"
[ -z "$(find "$TEMP" -iname '*.exe' | head -1)" ] || fail "the downloaded installer was left in the temporary folder"
grep -q '"path":"/apps/clock-setup.exe"' "$site/reports/requests.jsonl" || fail "the publisher served no installer"
# The newer catalog manager is staged four seconds after the page was told.
expect_log "auto-staging self-update 1.0.0.2"
expect_log "self-update staged: "
kill "$pankor_pid"; wait "$pankor_pid" 2>/dev/null
[ ! -e "$marker" ] || fail "the manager's update was applied while the window stayed open"

# testselfupdate: staged on request, applied on quit; the process ends.
rm -f "$log"
start_pankor testselfupdate
expect_log "SELFUPDATE TEST: self=1.0.0.1 catalog=1.0.0.2"
expect_log "SELFUPDATE TEST: staged=True"
expect_log "applying self-update: "
expect_exit "$pankor_pid"
expect_file "$marker" 60
# The installer writes its log after the file it installs: wait for the line.
wait_for 30 grep -qs 'installed Pankor\\selfupdate\\ran.txt: .*/VERYSILENT /NORESTART /RELAUNCH=/tray' \
  "$APPDATA/Pankor/selfupdate/installer.log" || fail "self-update command line"

# testclose: staged by the timer while the window is open, applied when it closes.
rm -rf "$log" "$APPDATA/Pankor/selfupdate"
start_pankor testclose
expect_log "CLOSE TEST: staged, now closing the window as the X does"
expect_log "window closed with an update staged - applying it"
expect_file "$marker" 60
kill -0 "$pankor_pid" || fail "closing the window ended the manager"
lacks_log "REFUSED"
finish
