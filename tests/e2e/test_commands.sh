#!/usr/bin/env bash
# The page's buttons, clicked in the page as a person would: start an app
# (a Windows program, through Wine), uninstall one through the uninstaller
# it registered, back the settings up into a folder picked in the folder
# dialog and restore them from there.
source "$(dirname "$0")/lib.sh"
serve
use_wine
install_app clock 2.0.0.0 Clock
install_app jotter 1.4.0.0 Jotter
printf 'alarm=07:00\r\n' >"$APPDATA/Tarnwick/Clock/options.ini"
# Jotter's uninstaller, registered where an installer registers one.
cat >"$work/uninstall-jotter.sh" <<SH
#!/bin/sh
echo "uninstaller ran: \$*" >"$work/uninstalled.txt"
rm -f "$APPDATA/Tarnwick/Jotter/jotter.exe"
SH
mkdir -p "$XDG_CONFIG_HOME/pankor-registry"
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\TarnwickJotter'
printf 'REG_SZ\t%s\\\\DisplayName\tJotter 1.4\nREG_SZ\t%s\\\\UninstallString\t/bin/sh "%s" /S\n' \
  "${key//\\/\\\\}" "${key//\\/\\\\}" "${work//\\/\\\\}/uninstall-jotter.sh" >"$XDG_CONFIG_HOME/pankor-registry/registry.txt"

# Each step clicks one real button once the page shows what the step needs.
cat >"$work/clicks.js" <<'JS'
(function () {
  var step = 0;
  function q(sel) { return document.querySelector(sel); }
  function status() { var s = q('#status'); return s ? s.textContent : ''; }
  setInterval(function () {
    var b;
    if (step === 0 && (b = q('[data-do="start"][data-slug="clock"]'))) { b.click(); step = 1; }
    else if (step === 1 && /^Started /.test(status()) && (b = q('[data-do="uninstall"][data-slug="jotter"]'))) {
      b.click(); step = 2;
    } else if (step === 2 && (b = q('[data-do="uninstall"][data-slug="jotter"]')) && /again/i.test(b.textContent)) {
      b.click(); step = 3;
    } else if (step === 3 && /^Updated /.test(status())) { q('#tab-settings [data-do="backup"]').click(); step = 4; }
    else if (step === 4 && /^Backed up to /.test(status())) { q('#tab-settings [data-do="restore"]').click(); step = 5; }
  }, 200);
}());
JS
export PANKOR_USER_SCRIPT="$work/clicks.js"
start_pankor
expect_log "catalog loaded apps=5 skins=3"

# Start: the app really runs, through Wine.
expect_log "dispatch start arg=clock"
expect_log "starting $APPDATA/Tarnwick/Clock/clock.exe"
expect_file "$APPDATA/Tarnwick/Clock/started.txt" 60
grep -qi 'clock.exe' "$APPDATA/Tarnwick/Clock/started.txt" || fail "started.txt: $(cat "$APPDATA/Tarnwick/Clock/started.txt")"

# Uninstall: the registered command runs, and the watch sees the app go.
expect_log "dispatch uninstall arg=jotter"
expect_log "uninstall Jotter -> /bin/sh \"$work/uninstall-jotter.sh\" /S"
expect_file "$work/uninstalled.txt"
[ "$(cat "$work/uninstalled.txt")" = "uninstaller ran: /S" ] || fail "uninstaller arguments: $(cat "$work/uninstalled.txt")"

# Back up: the folder dialog opens; a folder is typed into it and chosen.
pick_folder() {  # the dialog title's start (a pattern), folder
  local wid attempt
  wait_for 30 xdotool search --onlyvisible --name "^$1" >/dev/null || { fail "no dialog '$1'"; return; }
  wid="$(xdotool search --onlyvisible --name "^$1" | head -1)"
  # The entry completes names on its own, a little later on a busy machine:
  # an attempt that only went into the folder is made again.
  for attempt in 1 2 3; do
    xdotool windowfocus --sync "$wid"
    xdotool key ctrl+a  # a retry types over what the location entry holds
    xdotool type --delay 20 "$2"  # a "/" first opens the location entry
    sleep 1
    xdotool key Delete  # drops what the entry completed on its own
    sleep 0.3
    xdotool key Return  # "Select": the folder named in the entry
    wait_for 5 sh -c "! xdotool search --onlyvisible --name '^$1' >/dev/null" && return
  done
  fail "the dialog '$1' stayed open"
}
mkdir -p "$work/backups"
expect_log "dispatch backup arg="
pick_folder "Where should the backup go" "$work/backups"
expect_log "backup wrote "
dest="$(sed -n 's/^.* backup wrote [0-9]* file(s) to //p' "$log" | tr -d '\r' | head -1)"
case "$dest" in "$work/backups/Pankor-backup-"*) ;; *) fail "backup folder: $dest" ;; esac
[ "$(tr -d '\r' <"$dest/Tarnwick/Clock/options.ini")" = "alarm=07:00" ] || fail "options.ini not backed up"

# Restore: the settings come back from the backup folder.
printf 'alarm=09:30\r\n' >"$APPDATA/Tarnwick/Clock/options.ini"
expect_log "dispatch restore arg="
pick_folder "Pick a Pankor-backup-" "$dest"
expect_log "restore copied "
[ "$(tr -d '\r' <"$APPDATA/Tarnwick/Clock/options.ini")" = "alarm=07:00" ] || fail "options.ini not restored"
lacks_log "CallJs "
finish
