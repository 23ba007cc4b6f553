#!/usr/bin/env bash
# Windows programs through Wine, driven from the page and by the self-tests: 1. the card's buttons
# (update, start, uninstall), backup and restore through the folder dialog; 2. the in-app update
# self-test, a newer manager staged but not applied while open; 3. the manager's update applied on quit.
source "$(dirname "$0")/lib.sh"
serve
use_wine
printf 'alarm=07:00\r\n' >"$APPDATA/Tarnwick/Clock/options.ini"
# Jotter's uninstaller, registered where an installer registers one.
printf '#!/bin/sh\necho "uninstaller ran: $*" >"%s/uninstalled.txt"\nrm -f "%s/Tarnwick/Jotter/jotter.exe"\n' "$work" "$APPDATA" >"$work/uninstall-jotter.sh"
mkdir -p "$XDG_CONFIG_HOME/pankor-registry" "$work/backups"
key='HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TarnwickJotter'
printf 'REG_SZ\t%s\\\\DisplayName\tJotter 1.4\nREG_SZ\t%s\\\\UninstallString\t/bin/sh "%s" /S\n' "$key" "$key" \
  "${work//\\/\\\\}/uninstall-jotter.sh" >"$XDG_CONFIG_HOME/pankor-registry/registry.txt"

# ---- 1. each step clicks one real button once the page shows what the step needs
cat >"$work/clicks.js" <<'JS'
(function () {
  var step = 0, update = '[data-do="inupdate"][data-slug="clock"]', uninstall = '[data-do="uninstall"][data-slug="jotter"]';
  function q(sel) { return document.querySelector(sel); }
  function shows(sel, re) { return q(sel) && re.test(q(sel).textContent); }
  var steps = [[update, /./, update], ['#appsList', /Update to/, '[data-do="start"][data-slug="clock"]'], ['#status', /^Started /, uninstall],
    [uninstall, /again/i, uninstall], ['#status', /^Updated /, '#tab-settings [data-do="backup"]'],
    ['#status', /^Backed up to /, '#tab-settings [data-do="restore"]']];
  setInterval(function () {
    var s = steps[step];
    if (s && (step === 1 ? !shows(s[0], s[1]) : shows(s[0], s[1])) && q(s[2])) { q(s[2]).click(); step++; }
  }, 200);
}());
JS
PANKOR_USER_SCRIPT="$work/clicks.js" start_pankor
secs=90 expect_log "catalog loaded apps=5 skins=3" "dispatch inupdate arg=clock" "in-app update clock done"
cmp -s "$APPDATA/Tarnwick/Clock/clock.exe" "$fixtures/clock-2.1.0.0.exe" || fail "the button did not install the new version"
grep -q 'installed Tarnwick\\Clock\\clock.exe: .*/VERYSILENT /NORESTART' "$APPDATA/Tarnwick/Clock/installer.log" ||
  fail "installer command line: $(cat "$APPDATA/Tarnwick/Clock/installer.log" 2>/dev/null)"
[ -z "$(find "$TEMP" -iname 'Pankor-app-*' | head -1)" ] || fail "the downloaded installer was left in the temporary folder"
# Start: the app really runs, through Wine.
wait_for 60 grep -qis 'clock.exe' "$APPDATA/Tarnwick/Clock/started.txt" || fail "started.txt: $(cat "$APPDATA/Tarnwick/Clock/started.txt" 2>/dev/null)"
# Uninstall: the registered command runs, and the watch sees the app go.
expect_text "$work/uninstalled.txt" "uninstaller ran: /S"
# Back up: the folder dialog opens; a folder is typed into it and chosen.
pick_folder() {  # the dialog title's start (a pattern), folder
  local wid attempt
  wait_for 60 xdotool search --onlyvisible --name "^$1" >/dev/null || { fail "no dialog '$1'"; return; }
  wid="$(xdotool search --onlyvisible --name "^$1" | head -1)"
  # Typed over the location entry; what it then completes on its own is deleted before "Select".
  for attempt in 1 2 3; do
    xdotool windowfocus --sync "$wid" key ctrl+a type --delay 20 "$2"
    sleep 1
    xdotool key Delete sleep 0.3 key Return
    wait_for 5 sh -c "! xdotool search --onlyvisible --name '^$1' >/dev/null" && return
  done
  fail "the dialog '$1' stayed open"
}
pick_folder "Where should the backup go" "$work/backups"
expect_log "backup wrote "
dest="$(sed -n 's/^.* backup wrote [0-9]* file(s) to //p' "$log" | tr -d '\r' | head -1)"
case "$dest" in "$work/backups/Pankor-backup-"*) ;; *) fail "backup folder: $dest" ;; esac
expect_text "$dest/Tarnwick/Clock/options.ini" "alarm=07:00"
# Restore: the settings come back from the backup folder.
printf 'alarm=09:30\r\n' >"$APPDATA/Tarnwick/Clock/options.ini"
pick_folder "Pick a Pankor-backup-" "$dest"
expect_log "restore copied "
expect_text "$APPDATA/Tarnwick/Clock/options.ini" "alarm=07:00"
lacks_log "CallJs "
stop_pankor

# ---- 2. the in-app update self-test's switch; the newer manager in the catalog staged once the page is told
resite 1.0.0.2
start_pankor testinupdate=clock
secs=90 expect_log "testinupdate: clock" "in-app update clock done" "auto-staging self-update 1.0.0.2" "self-update staged: "
stop_pankor
[ ! -e "$APPDATA/Pankor/selfupdate/ran.txt" ] || fail "the manager's update was applied while the window stayed open"

# ---- 3. testselfupdate: staged on request, applied on quit; the process ends
start_pankor testselfupdate
expect_log "SELFUPDATE TEST: self=1.0.0.1 catalog=1.0.0.2" "SELFUPDATE TEST: staged=True" "applying self-update: "
wait_for 30 sh -c "! kill -0 $pankor_pid 2>/dev/null" || fail "the manager did not end after its update"
# The installer writes its log after the file it installs.
wait_for 60 grep -qs 'installed Pankor\\selfupdate\\ran.txt: .*/VERYSILENT /NORESTART /RELAUNCH=/tray' \
  "$APPDATA/Pankor/selfupdate/installer.log" || fail "self-update command line"
lacks_log "REFUSED"
finish
