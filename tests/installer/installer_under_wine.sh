#!/usr/bin/env bash
# The installer under 64-bit Wine, in a prefix of its own: a silent install passing its relaunch
# switches on; the uninstall entry's command while the manager runs takes all but the user's data.
# Then N+1 over a running N, started as the manager applies a staged update: a manager that will not
# close, then a cut-off update and a held file, leave N installed and running; then the update goes
# through; last, /REMOVEDATA while it runs takes the data too. Usage: see lib.sh.
source "$(dirname "$0")/lib.sh"

# Silent: it ends by itself. Both switches in one quoted /RELAUNCH= value reach the program: it runs
# from the install folder, hidden (/tray, seen by wait_manager), writing its log (/debug).
run "$setup_n" /VERYSILENT /NORESTART "/RELAUNCH=/tray /debug" || fail "the silent install ended with $?"
installed_is "$payload_n" "silent install"
[ -f "$shortcut" ] || fail "no Start-menu shortcut"
wait_manager running 60 || finish installer
wait_for 30 test -s "$data/debug.log" || fail "the relaunched program was not started with /debug"

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
# The uninstaller goes on from a copy of itself and closes the manager: all ends with the prefix's server.
timeout 60 wineserver -w || fail "Wine's processes did not all end after the uninstall"
[ ! -e "$install" ] || fail "the install folder is still there: $(ls -A "$install" | tr '\n' ' ')"
[ ! -e "$shortcut" ] || fail "the shortcut is still there"
[ -f "$data/debug.log" ] || fail "the user's data folder went without being asked"
[ -z "$(reg_values "$uninstall_key")$(ours)" ] || fail "left in the registry: $(reg_values "$uninstall_key") $(ours)"

# ---- N again, then N+1 over it, from where the manager stages it and as ApplyStagedUpdate starts it
run "$setup_n" /VERYSILENT || { fail "installing $version_n again ended with $?"; finish installer; }
mkdir -p "$user/AppData/Local/Temp"
staged="Pankor-update-${version_n1//./}.exe"
cp "$setup_n1" "$user/AppData/Local/Temp/$staged"
apply() { run "$user_win\\AppData\\Local\\Temp\\$staged" /VERYSILENT /NORESTART /RELAUNCH=/tray; }
shows() { [ "$(reg_values "$uninstall_key" | sed -n 's/^DisplayVersion=//p')" = "$1" ] || fail "$2: DisplayVersion is not $1"; }
cp "$install/Uninstall.exe" "$work/uninstaller-n.exe"

# ---- a manager that does not end: a window of its class that ignores WM_CLOSE
helper stubborn 120
stubborn=$started
wait_for 30 grep -q '^up' "$work/stubborn.out" || fail "the stubborn window did not come up"
began=$SECONDS
apply
status=$?
[ "$status" = 3 ] || fail "over a manager that does not end: exit $status, want 3 (still running, nothing changed)"
[ $((SECONDS - began)) -le 45 ] || fail "giving up on a manager that does not end took $((SECONDS - began)) s"
installed_is "$payload_n" "after a manager that did not end"
cmp -s "$work/uninstaller-n.exe" "$install/Uninstall.exe" || fail "the uninstaller changed though nothing was to be touched"
kill -KILL "$stubborn" 2>/dev/null
wait_manager gone 30

# ---- an update cut off half way, as a crash in the swap leaves it: the executable and ui\ set aside,
# another executable in their place, no ui\ yet. The next installer puts them back first.
cut_off() {  # the executable the cut-off update had put in place
  mv "$install/Pankor.exe" "$install/Pankor.exe.old" && cp "$1" "$install/Pankor.exe"
  mv "$install/ui" "$install/ui.old" && : >"$install/Pankor.update-in-progress"
}
cut_off "$payload_n1/Pankor.exe"
start "$install_win\\Pankor.exe" /tray
first=$started
wait_manager running 60 || finish installer
first_pid="$(pid_of "$manager")"

# ---- a file that cannot be replaced: the uninstaller, swapped last, so the executable and ui\ must
# be put back, to N as the cut-off update found it.
helper hold "$install_win\\Uninstall.exe" 120
holder=$started
wait_for 30 grep -q '^held' "$work/hold.out" || fail "the file was not held: $(cat "$work/hold.out")"
apply
status=$?
[ "$status" = 5 ] || fail "with a file held open: exit $status, want 5 (failed, previous version put back)"
kill -0 "$first" 2>/dev/null && fail "the running manager was not closed"
installed_is "$payload_n" "after a failed update"
cmp -s "$work/uninstaller-n.exe" "$install/Uninstall.exe" || fail "the uninstaller changed in a failed update"
shows "$version_n" "after a failed update"
# The version that stayed runs again, hidden in the tray.
wait_manager running 60
second_pid="$(pid_of "$manager")"
[ "$second_pid" != "$first_pid" ] || fail "no new manager process after the failed update"
kill -KILL "$holder" 2>/dev/null
wait_for 20 sh -c "! kill -0 $holder 2>/dev/null"

# ---- the update, after a reinstall of N was cut off: what that left must not end up installed
cut_off "$payload_n/Pankor.exe"
apply || fail "the update ended with $?"
installed_is "$payload_n1" "after the update"
shows "$version_n1" "after the update"
wait_manager running 60
[ "$(pid_of "$manager")" != "$second_pid" ] || fail "the manager was not closed and started again"

# ---- uninstalled with its data while N+1 runs
run "$install_win\\Uninstall.exe" /S /REMOVEDATA
timeout 60 wineserver -w || fail "Wine's processes did not all end after the second uninstall"
[ ! -e "$install" ] || fail "the install folder is still there after /REMOVEDATA"
[ ! -e "$data" ] || fail "/REMOVEDATA left the data folder"
finish installer
