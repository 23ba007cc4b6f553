#!/usr/bin/env bash
# The installer's switches under 64-bit Wine, in a prefix of its own: a
# silent install with no pages, the relaunch switches passed through whole
# to the installed program, and the uninstaller's switch that also removes
# the user's data. Usage: see lib.sh.
source "$(dirname "$0")/lib.sh"

# Silent: no page waits for anyone, so it ends by itself. Two switches in
# one quoted /RELAUNCH= value must both reach the program.
run "$setup_n" /VERYSILENT /NORESTART "/RELAUNCH=/tray /debug" || fail "the silent install ended with $?"
installed_is "$payload_n" "silent install"
[ -f "$shortcut" ] || fail "no Start-menu shortcut"

# The relaunched program started from the install folder, hidden (/tray) and writing its log (/debug).
wait_manager running 60
[ "$(image_of "$manager")" = "$install_win\\Pankor.exe" ] || fail "the running manager is $(image_of "$manager")"
lines() { tr -d '\r' 2>/dev/null <"$data/debug.log" | sed 's/^[0-9][0-9]:[0-9][0-9]:[0-9][0-9] //'; }  # without time stamps
wait_for 30 grep -qs 'started hidden (/tray)' "$data/debug.log" || fail "the relaunched program was not started with /tray"
lines | grep -qxF -- "--- Pankor start, runDir=$install_win" || fail "no start line from the install folder in debug.log"

# The uninstall entry: what Windows lists, and commands that name the files installed.
entry="$(reg_values "$uninstall_key")"
for want in DisplayName=Pankor "DisplayVersion=$version_n" Publisher=Tarnwick "UninstallString=\"$install_win\\Uninstall.exe\"" \
  "QuietUninstallString=\"$install_win\\Uninstall.exe\" /S" "DisplayIcon=$install_win\\Pankor.exe,0" NoModify=0x1 NoRepair=0x1; do
  grep -qxF -- "$want" <<<"$entry" || fail "the uninstall entry lacks $want: $entry"
done

# A silent uninstall asked to remove the data too, while the manager runs.
[ -d "$data" ] || fail "the manager made no data folder"
run "$install_win\\Uninstall.exe" /S /REMOVEDATA
# The uninstaller goes on from a copy of itself: everything has ended once the prefix's server has.
timeout 60 wineserver -w || fail "Wine's processes did not all end after the uninstall"
[ ! -e "$install" ] || fail "the install folder is still there: $(ls -A "$install" | tr '\n' ' ')"
[ ! -e "$data" ] || fail "/REMOVEDATA left the data folder"
[ -z "$(reg_values "$uninstall_key")" ] || fail "the uninstall entry is still there"
finish "installer switches"
