#!/usr/bin/env bash
# Uninstalling under 64-bit Wine with the command the uninstall entry holds,
# while the manager runs: the program, its entry, its shortcut, its Run
# value and the browser settings it made go; the user's data stays.
# Usage: see lib.sh.
source "$(dirname "$0")/lib.sh"

run "$setup_n" /VERYSILENT || { fail "installing ended with $?"; finish uninstall; }
start "$install_win\\Pankor.exe" /tray /debug
wait_manager running 60 || finish uninstall
# Autostart switched on as the manager does it.
run reg add "HKCU\\$run_key" /v Pankor /d "\"$install_win\\Pankor.exe\" /tray" /f || fail "could not write the Run value"

# What is to go is there before.
ours() { { reg_values "$run_key"; reg_values "$browser_key"; } | grep -E '^Pankor(\.exe)?='; }
[ "$(ours | cut -d= -f1 | tr '\n' ' ')" = "Pankor Pankor.exe " ] || fail "the Run value or the browser setting is missing: $(ours)"
quiet="$(reg_values "$uninstall_key" | sed -n 's/^QuietUninstallString=//p')"
[ -f "$shortcut" ] || fail "no shortcut"
[ -f "$data/debug.log" ] || fail "no data folder"

# The entry's command: a quoted program, then its switches (separate words, as Windows splits them).
program="$(sed -n 's/^"\([^"]*\)".*/\1/p' <<<"$quiet")"
[ -n "$program" ] || { fail "QuietUninstallString '$quiet' names no program"; finish uninstall; }
# shellcheck disable=SC2046
run "$program" $(sed -n 's/^"[^"]*" *//p' <<<"$quiet") || fail "the uninstall command ended with $?"
# The uninstaller goes on from a copy of itself and closes the manager: all has ended once the prefix's server has.
timeout 60 wineserver -w || fail "Wine's processes did not all end after the uninstall"

[ ! -e "$install" ] || fail "the install folder is still there: $(ls -A "$install" | tr '\n' ' ')"
[ ! -e "$shortcut" ] || fail "the shortcut is still there"
[ -f "$data/debug.log" ] || fail "the user's data folder went without being asked"
[ -z "$(reg_values "$uninstall_key")$(ours)" ] || fail "left in the registry: $(reg_values "$uninstall_key") $(ours)"
finish "uninstall"
