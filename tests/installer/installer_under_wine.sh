#!/usr/bin/env bash
# The installer under 64-bit Wine: silent install, uninstall while the manager runs (the data stays);
# N+1 over a running N as a staged update: a manager that will not close, a cut-off update and a
# held file leave N installed and running, then the update goes through; /REMOVEDATA takes the data.
# Run by scripts/wine-tests.sh: PROBE BOOTED_PREFIX SETUP_N PAYLOAD_N SETUP_N1 PAYLOAD_N1 (a payload: Pankor.exe, ui/).
probe_exe="$1" base_prefix="$2" setup_n="$3" payload_n="$4" setup_n1="$5" payload_n1="$6"
source "$(dirname "$0")/../win32host/wine.sh"
finish() {
  [ "$failures" -eq 0 ] && { echo "$1: all checks passed"; exit 0; }
  echo "--- wine output"; tail -20 "$work/wine.out"; echo "$failures check(s) failed"; exit 1
}

install="$user/AppData/Local/Programs/Pankor" install_win="$user_win\\AppData\\Local\\Programs\\Pankor"
data="$user/AppData/Roaming/Pankor" shortcut="$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Pankor.lnk"
uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Pankor' run_key='Software\Microsoft\Windows\CurrentVersion\Run'
browser_key='Software\Microsoft\Internet Explorer\Main\FeatureControl\FEATURE_BROWSER_EMULATION'

run() { timeout 120 "$wine64" "$@" </dev/null >>"$work/wine.out" 2>&1; }  # bounded; its exit code
# A helper that says when it is ready: started, its pid in $started.
helper() { "$wine64" "$probe_exe" "$@" </dev/null >"$work/$1.out" 2>>"$work/wine.out" & pids+=($!); started=$!; }
# HKCU\KEY's values, "name=data" per line (a DWORD as 0x...); nothing for a missing key.
reg_values() { "$wine64" reg query "HKCU\\$1" </dev/null 2>>"$work/wine.out" | tr -d '\r' | sed -n 's/^    \(.*\)    REG_[A-Z_]*    \(.*\)$/\1=\2/p'; }
version_n="$(basename "$setup_n" .exe)" version_n1="$(basename "$setup_n1" .exe)"
version_n="${version_n#PankorSetup-}" version_n1="${version_n1#PankorSetup-}"

# Waits for the manager "running" (hidden, from the install folder) or "gone"; $manager: the probe's line.
manager_is() { manager="$(probe state)"; grep -q "^main=$1 tray=$1 " <<<"$manager"; }
wait_manager() {
  wait_for "$2" manager_is "$([ "$1" = running ] && echo hidden || echo none)" || { fail "manager not $1 within $2 s: $manager"; return 1; }
  [ "$1" = gone ] || [ "${manager##* image=}" = "$install_win\\Pankor.exe" ] || fail "the running manager is ${manager##* image=}"
}
pid_of() { sed -n 's/.* pid=\([0-9]*\) .*/\1/p' <<<"$1"; }

# The installed files are exactly a payload's plus the uninstaller: nothing staged or set aside left.
installed_is() {  # payload dir, what, [the version the uninstall entry shows]
  cmp -s "$1/Pankor.exe" "$install/Pankor.exe" || fail "$2: the installed Pankor.exe is not that version's"
  diff -r "$1/ui" "$install/ui" >/dev/null 2>&1 || fail "$2: the installed ui\\ is not that version's"
  local left
  left="$(cd "$install" 2>/dev/null && LC_ALL=C ls -A | tr '\n' ' ')"
  [ "$left" = "Pankor.exe Uninstall.exe ui " ] || fail "$2: the install folder holds $left"
  [ -z "${3:-}" ] || [ "$(reg_values "$uninstall_key" | sed -n 's/^DisplayVersion=//p')" = "$3" ] || fail "$2: not shown as $3"
}

# Both switches in one quoted /RELAUNCH= value reach the program: hidden (/tray) and logging (/debug).
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
IFS='"' read -r _ program switches < <(sed -n 's/^QuietUninstallString=//p' <<<"$entry")
# shellcheck disable=SC2086
run "$program" $switches || fail "the uninstall command ended with $?"
# The uninstaller goes on from a copy of itself and closes the manager: all ends with the prefix's server.
timeout 60 wineserver -w || fail "Wine's processes did not all end after the uninstall"
[ ! -e "$install" ] || fail "the install folder is still there: $(ls -A "$install" | tr '\n' ' ')"
[ ! -e "$shortcut" ] || fail "the shortcut is still there"
[ -f "$data/debug.log" ] || fail "the user's data folder went without being asked"
[ -z "$(reg_values "$uninstall_key")$(ours)" ] || fail "left in the registry: $(reg_values "$uninstall_key") $(ours)"

# ---- N again, then N+1 over it, from where the manager stages it and as ApplyStagedUpdate starts it
run "$setup_n" /VERYSILENT || { fail "installing $version_n again ended with $?"; finish installer; }
staged="Pankor-update-${version_n1//./}.exe"
install -D "$setup_n1" "$user/AppData/Local/Temp/$staged"
applies() {  # exit code wanted, what it means
  run "$user_win\\AppData\\Local\\Temp\\$staged" /VERYSILENT /NORESTART /RELAUNCH=/tray
  local got=$? && [ "$got" = "$1" ] || fail "$2: exit $got, want $1"
}
cp "$install/Uninstall.exe" "$work/uninstaller-n.exe"

# ---- a manager that does not end: a window of its class that ignores WM_CLOSE
helper stubborn 120
stubborn=$started
wait_for 30 grep -q '^up' "$work/stubborn.out" || fail "the stubborn window did not come up"
began=$SECONDS
applies 3 "over a manager that does not end (still running, nothing changed)"
[ $((SECONDS - began)) -le 45 ] || fail "giving up on a manager that does not end took $((SECONDS - began)) s"
installed_is "$payload_n" "after a manager that did not end"
cmp -s "$work/uninstaller-n.exe" "$install/Uninstall.exe" || fail "the uninstaller changed though nothing was to be touched"
kill -KILL "$stubborn" 2>/dev/null
wait_manager gone 30

# ---- an update cut off half way by a crash: the executable and ui\ set aside, another executable in
# their place, no ui\ yet. The next installer puts them back first.
cut_off() {  # the executable the cut-off update had put in place
  mv "$install/Pankor.exe" "$install/Pankor.exe.old" && cp "$1" "$install/Pankor.exe"
  mv "$install/ui" "$install/ui.old" && : >"$install/Pankor.update-in-progress"
}
cut_off "$payload_n1/Pankor.exe"
"$wine64" "$install_win\\Pankor.exe" /tray </dev/null >>"$work/wine.out" 2>&1 &
first=$! pids+=($!)
wait_manager running 60 || finish installer
first_pid="$(pid_of "$manager")"

# ---- the uninstaller, swapped last, held open: the executable and ui\ are put back to N.
helper hold "$install_win\\Uninstall.exe" 120
holder=$started
wait_for 30 grep -q '^held' "$work/hold.out" || fail "the file was not held: $(cat "$work/hold.out")"
applies 5 "with a file held open (failed, previous version put back)"
kill -0 "$first" 2>/dev/null && fail "the running manager was not closed"
installed_is "$payload_n" "after a failed update" "$version_n"
cmp -s "$work/uninstaller-n.exe" "$install/Uninstall.exe" || fail "the uninstaller changed in a failed update"
wait_manager running 60
second_pid="$(pid_of "$manager")"
[ "$second_pid" != "$first_pid" ] || fail "no new manager process after the failed update"
kill -KILL "$holder" 2>/dev/null
wait_for 20 sh -c "! kill -0 $holder 2>/dev/null"

# ---- the update, after a reinstall of N was cut off: what that left must not end up installed
cut_off "$payload_n/Pankor.exe"
applies 0 "the update"
installed_is "$payload_n1" "after the update" "$version_n1"
wait_manager running 60
[ "$(pid_of "$manager")" != "$second_pid" ] || fail "the manager was not closed and started again"

# ---- uninstalled with its data while N+1 runs
run "$install_win\\Uninstall.exe" /S /REMOVEDATA
timeout 60 wineserver -w || fail "Wine's processes did not all end after the second uninstall"
[ ! -e "$install" ] || fail "the install folder is still there after /REMOVEDATA"
[ ! -e "$data" ] || fail "/REMOVEDATA left the data folder"
finish installer
