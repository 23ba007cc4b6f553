#!/usr/bin/env bash
# The installer of version N+1 over a running version N under 64-bit Wine,
# started exactly as the manager applies a staged update: a manager that
# will not close, then an update cut off half way followed by a file held
# open, leave N installed and running; then the update goes through and N+1
# runs. Usage: see lib.sh.
source "$(dirname "$0")/lib.sh"
[ -n "$version_n" ] && [ -n "$version_n1" ] && [ "$version_n" != "$version_n1" ] ||
  { fail "the two payloads carry versions '$version_n' and '$version_n1'"; finish update; }
run "$setup_n" /VERYSILENT || { fail "installing $version_n ended with $?"; finish update; }

# Where the manager stages the installer, started as ApplyStagedUpdate starts it.
mkdir -p "$user/AppData/Local/Temp"
staged="Pankor-update-${version_n1//./}.exe"
cp "$setup_n1" "$user/AppData/Local/Temp/$staged"
apply() { run "$user_win\\AppData\\Local\\Temp\\$staged" /VERYSILENT /NORESTART /RELAUNCH=/tray; }
shows() { [ "$(reg_values "$uninstall_key" | sed -n 's/^DisplayVersion=//p')" = "$1" ] || fail "$2: DisplayVersion is not $1"; }
cp "$install/Uninstall.exe" "$work/uninstaller-n.exe"

# ---------------------------------------------------------------- a manager that does not end
helper stubborn 120  # a window of the manager's class that ignores WM_CLOSE, as a hung manager would
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

# ---------------------------------------------------------------- an update cut off half way
# As a crash or a power cut in the middle of the swap leaves it: the
# executable and ui\ set aside, another executable in their place, no ui\
# yet. The next installer must put them back before it does anything else.
cut_off() {  # the executable the cut-off update had put in place
  mv "$install/Pankor.exe" "$install/Pankor.exe.old" && cp "$1" "$install/Pankor.exe"
  mv "$install/ui" "$install/ui.old" && : >"$install/Pankor.update-in-progress"
}
cut_off "$payload_n1/Pankor.exe"
# The manager as a logon starts it from there, hidden in the tray.
start "$install_win\\Pankor.exe" /tray
first=$started
wait_manager running 60 || finish update
first_pid="$(pid_of "$manager")"

# ---------------------------------------------------------------- a file that cannot be replaced
# The uninstaller is swapped last: the executable and ui\ before it have
# been replaced by then and must be put back, to N as the cut-off update found it.
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
[ "$(image_of "$manager")" = "$install_win\\Pankor.exe" ] || fail "running after the failed update: $(image_of "$manager")"
kill -KILL "$holder" 2>/dev/null
wait_for 20 sh -c "! kill -0 $holder 2>/dev/null"

# ---------------------------------------------------------------- the update
# After a reinstall of N was cut off: what it left must not end up installed.
cut_off "$payload_n/Pankor.exe"
apply || fail "the update ended with $?"
installed_is "$payload_n1" "after the update"
shows "$version_n1" "after the update"
wait_manager running 60
[ "$(pid_of "$manager")" != "$second_pid" ] || fail "the manager was not closed and started again"
[ "$(image_of "$manager")" = "$install_win\\Pankor.exe" ] || fail "running after the update: $(image_of "$manager")"
finish "update over a running manager"
