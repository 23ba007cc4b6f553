#!/usr/bin/env bash
# Uninstalling under 64-bit Wine with the command the uninstall entry holds,
# while the manager runs: the program, its entry, its shortcut, its Run
# value and the browser settings it made go; the user's data stays.
# Usage: see lib.sh.
source "$(dirname "$0")/lib.sh"

run "$setup_n" /VERYSILENT
status=$?
[ "$status" = 0 ] || { fail "installing ended with $status"; finish uninstall; }
start "$install_win\\Pankor.exe" /tray /debug
wait_manager running 60 || finish uninstall
# Autostart switched on as the manager does it.
run reg add "HKCU\\$run_key" /v Pankor /d "\"$install_win\\Pankor.exe\" /tray" /f ||
  fail "could not write the Run value"

# What is to go is there before.
before="$(probe reg "$uninstall_key" "$run_key" "$browser_key")"
grep -q "^$(sed 's/\\/\\\\/g' <<<"$run_key")|Pankor=" <<<"$before" || fail "no Run value to remove"
grep -q '|Pankor.exe=dword:' <<<"$before" || fail "the manager made no browser setting"
quiet="$(sed -n 's/^[^|]*Uninstall\\Pankor|QuietUninstallString=//p' <<<"$before")"
[ -f "$shortcut" ] || fail "no shortcut"
[ -f "$data/debug.log" ] || fail "no data folder"

# The entry's command: a quoted program, then its switches.
program="$(sed -n 's/^"\([^"]*\)".*/\1/p' <<<"$quiet")"
switches="$(sed -n 's/^"[^"]*" *//p' <<<"$quiet")"
[ -n "$program" ] || { fail "QuietUninstallString '$quiet' names no program"; finish uninstall; }
# shellcheck disable=SC2086  # the switches are separate words, as Windows splits them
run "$program" $switches
status=$?
[ "$status" = 0 ] || fail "the uninstall command ended with $status"
# The uninstaller goes on from a copy of itself and closes the manager: all
# has ended once the prefix's server has (which also saves the registry).
timeout 60 wineserver -w || fail "Wine's processes did not all end after the uninstall"

[ ! -e "$install" ] || fail "the install folder is still there: $(ls -A "$install" | tr '\n' ' ')"
[ ! -e "$shortcut" ] || fail "the shortcut is still there"
[ -f "$data/debug.log" ] || fail "the user's data folder went without being asked"
section() {  # a registry key's lines in user.reg, its header excluded
  awk -v key="[$(sed 's/\\/\\\\\\\\/g' <<<"$1")]" '
    index($0, key) == 1 { inside = 1; next }
    /^\[/ { inside = 0 }
    inside' "$WINEPREFIX/user.reg"
}
grep -qF "[$(sed 's/\\/\\\\/g' <<<"$uninstall_key")]" "$WINEPREFIX/user.reg" && fail "the uninstall entry is still there"
section "$run_key" | grep -q '^"Pankor"=' && fail "the Run value is still there"
section "$browser_key" | grep -q '^"Pankor.exe"=' && fail "the browser setting is still there"

finish "uninstall"
