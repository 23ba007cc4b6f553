#!/usr/bin/env bash
# The installer's switches under 64-bit Wine, in a prefix of its own: a
# silent install with no pages, the relaunch switches passed through whole
# to the installed program, and the uninstaller's switch that also removes
# the user's data. Usage: see lib.sh.
source "$(dirname "$0")/lib.sh"

# Silent: no page waits for anyone, so it ends by itself. Two switches in
# one quoted /RELAUNCH= value must both reach the program.
run "$setup_n" /VERYSILENT /NORESTART "/RELAUNCH=/tray /debug"
status=$?
[ "$status" = 0 ] || fail "the silent install ended with $status"
installed_is "$payload_n" "silent install"
[ -f "$shortcut" ] || fail "no Start-menu shortcut"

# The relaunched program started from the install folder, hidden (/tray)
# and writing its log (/debug).
wait_manager running 60
[ "$(image_of "$manager")" = "$install_win\\Pankor.exe" ] || fail "the running manager is $(image_of "$manager")"
# The log's lines without their time stamps.
lines() { tr -d '\r' 2>/dev/null <"$data/debug.log" | sed 's/^[0-9][0-9]:[0-9][0-9]:[0-9][0-9] //'; }
end=$((SECONDS + 30))
until lines | grep -qxF 'started hidden (/tray)' || [ "$SECONDS" -ge "$end" ]; do sleep 0.2; done
lines | grep -qxF -- "--- Pankor start, runDir=$install_win" || fail "no start line from the install folder in debug.log"
lines | grep -qxF 'started hidden (/tray)' || fail "the relaunched program was not started with /tray"

# The uninstall entry: what Windows lists, and commands that name the files installed.
entry="$(probe reg "$uninstall_key")"
value() { sed -n "s/^[^|]*|$1=//p" <<<"$entry"; }
[ "$(value DisplayName)" = Pankor ] || fail "DisplayName '$(value DisplayName)'"
[ "$(value DisplayVersion)" = "$version_n" ] || fail "DisplayVersion '$(value DisplayVersion)', the program is $version_n"
[ "$(value Publisher)" = Tarnwick ] || fail "Publisher '$(value Publisher)'"
[ "$(value UninstallString)" = "\"$install_win\\Uninstall.exe\"" ] || fail "UninstallString '$(value UninstallString)'"
[ "$(value QuietUninstallString)" = "\"$install_win\\Uninstall.exe\" /S" ] ||
  fail "QuietUninstallString '$(value QuietUninstallString)'"
[ "$(value DisplayIcon)" = "$install_win\\Pankor.exe,0" ] || fail "DisplayIcon '$(value DisplayIcon)'"
[ "$(value NoModify)" = dword:1 ] && [ "$(value NoRepair)" = dword:1 ] ||
  fail "NoModify '$(value NoModify)', NoRepair '$(value NoRepair)'"

# A silent uninstall asked to remove the data too, while the manager runs.
[ -d "$data" ] || fail "the manager made no data folder"
run "$install_win\\Uninstall.exe" /S /REMOVEDATA
# The uninstaller goes on from a copy of itself: everything has ended once
# the prefix's server has (and the registry is saved then).
timeout 60 wineserver -w || fail "Wine's processes did not all end after the uninstall"
[ ! -e "$install" ] || fail "the install folder is still there: $(ls -A "$install" | tr '\n' ' ')"
[ ! -e "$data" ] || fail "/REMOVEDATA left the data folder"
grep -qF "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Pankor]" "$WINEPREFIX/user.reg" &&
  fail "the uninstall entry is still there"

finish "installer switches"
