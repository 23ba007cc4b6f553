#!/usr/bin/env bash
# Installing and uninstalling under 64-bit Wine, in a prefix of its own: a silent install with
# no pages, its relaunch switches passed through whole to the program; the uninstall entry's own
# command while the manager runs takes the program, its entry, shortcut, Run value and browser
# setting and leaves the user's data; /REMOVEDATA takes that too. Usage: see lib.sh.
source "$(dirname "$0")/lib.sh"

# Silent: no page waits for anyone, so it ends by itself. Two switches in one quoted /RELAUNCH=
# value must both reach the program.
run "$setup_n" /VERYSILENT /NORESTART "/RELAUNCH=/tray /debug" || fail "the silent install ended with $?"
installed_is "$payload_n" "silent install"
[ -f "$shortcut" ] || fail "no Start-menu shortcut"
# The relaunched program started from the install folder, hidden (/tray) and writing its log (/debug).
wait_manager running 60 || finish install
[ "$(image_of "$manager")" = "$install_win\\Pankor.exe" ] || fail "the running manager is $(image_of "$manager")"
wait_for 30 grep -qs 'started hidden (/tray)' "$data/debug.log" || fail "the relaunched program was not started with /tray"
tr -d '\r' <"$data/debug.log" | sed 's/^[0-9:]\{8\} //' | grep -qxF -- "--- Pankor start, runDir=$install_win" ||
  fail "no start line from the install folder"

# The uninstall entry: what Windows lists, and commands that name the files installed.
entry="$(reg_values "$uninstall_key")"
for want in DisplayName=Pankor "DisplayVersion=$version_n" Publisher=Tarnwick "UninstallString=\"$install_win\\Uninstall.exe\"" \
  "QuietUninstallString=\"$install_win\\Uninstall.exe\" /S" "DisplayIcon=$install_win\\Pankor.exe,0" NoModify=0x1 NoRepair=0x1; do
  grep -qxF -- "$want" <<<"$entry" || fail "the uninstall entry lacks $want: $entry"
done

# Autostart switched on as the manager does it; the manager made its browser setting.
run reg add "HKCU\\$run_key" /v Pankor /d "\"$install_win\\Pankor.exe\" /tray" /f || fail "could not write the Run value"
ours() { { reg_values "$run_key"; reg_values "$browser_key"; } | grep -E '^Pankor(\.exe)?='; }
[ "$(ours | cut -d= -f1 | tr '\n' ' ')" = "Pankor Pankor.exe " ] || fail "the Run value or the browser setting is missing: $(ours)"

# The entry's command: a quoted program, then its switches (separate words, as Windows splits them).
quiet="$(sed -n 's/^QuietUninstallString=//p' <<<"$entry")"
program="$(sed -n 's/^"\([^"]*\)".*/\1/p' <<<"$quiet")"
# shellcheck disable=SC2046
run "$program" $(sed -n 's/^"[^"]*" *//p' <<<"$quiet") || fail "the uninstall command ended with $?"
# The uninstaller goes on from a copy of itself and closes the manager: all has ended once the prefix's server has.
timeout 60 wineserver -w || fail "Wine's processes did not all end after the uninstall"
[ ! -e "$install" ] || fail "the install folder is still there: $(ls -A "$install" | tr '\n' ' ')"
[ ! -e "$shortcut" ] || fail "the shortcut is still there"
[ -f "$data/debug.log" ] || fail "the user's data folder went without being asked"
[ -z "$(reg_values "$uninstall_key")$(ours)" ] || fail "left in the registry: $(reg_values "$uninstall_key") $(ours)"

# Installed again, and uninstalled silently with its data while the manager runs.
run "$setup_n" /VERYSILENT /RELAUNCH=/tray || fail "the second install ended with $?"
wait_manager running 60
run "$install_win\\Uninstall.exe" /S /REMOVEDATA
timeout 60 wineserver -w || fail "Wine's processes did not all end after the second uninstall"
[ ! -e "$install" ] || fail "the install folder is still there after /REMOVEDATA"
[ ! -e "$data" ] || fail "/REMOVEDATA left the data folder"
finish "install and uninstall"
