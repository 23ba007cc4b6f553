# Shared by the installer's runs under Wine (through scripts/wine-tests.sh); sourced, not run.
# Arguments of every run: PROBE BOOTED_PREFIX SETUP_N PAYLOAD_N SETUP_N1 PAYLOAD_N1
# (a payload is the folder an installer installs from: Pankor.exe and ui/).
probe_exe="$1" base_prefix="$2" setup_n="$3" payload_n="$4" setup_n1="$5" payload_n1="$6"
source "$(dirname "${BASH_SOURCE[0]}")/../win32host/wine.sh"
finish() {
  [ "$failures" -eq 0 ] && { echo "$1: all checks passed"; exit 0; }
  echo "--- wine output"; tail -20 "$work/wine.out"; echo "$failures check(s) failed"; exit 1
}

install="$user/AppData/Local/Programs/Pankor" install_win="$user_win\\AppData\\Local\\Programs\\Pankor"
data="$user/AppData/Roaming/Pankor"
shortcut="$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Pankor.lnk"
uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Pankor'
run_key='Software\Microsoft\Windows\CurrentVersion\Run'
browser_key='Software\Microsoft\Internet Explorer\Main\FeatureControl\FEATURE_BROWSER_EMULATION'

start() { "$wine64" "$@" </dev/null >>"$work/wine.out" 2>&1 & pids+=($!); started=$!; }
run() { timeout 120 "$wine64" "$@" </dev/null >>"$work/wine.out" 2>&1; }  # bounded; its exit code
# A helper that says when it is ready: started, its pid in $started.
helper() { "$wine64" "$probe_exe" "$@" </dev/null >"$work/$1.out" 2>>"$work/wine.out" & pids+=($!); started=$!; }
# HKCU\KEY's values, "name=data" per line (a DWORD as 0x...); nothing for a missing key.
reg_values() { "$wine64" reg query "HKCU\\$1" </dev/null 2>>"$work/wine.out" | tr -d '\r' | sed -n 's/^    \(.*\)    REG_[A-Z_]*    \(.*\)$/\1=\2/p'; }
# The versions the two installers were built for, from their names (PankorSetup-VERSION.exe).
version_n="$(basename "$setup_n" .exe)" version_n1="$(basename "$setup_n1" .exe)"
version_n="${version_n#PankorSetup-}" version_n1="${version_n1#PankorSetup-}"

# Waits (seconds) for the manager "running" (hidden as /tray leaves it, from the install folder) or
# "gone"; $manager holds the probe's last line.
manager_is() { manager="$(probe state)"; grep -q "^main=$1 tray=$1 " <<<"$manager"; }
wait_manager() {
  wait_for "$2" manager_is "$([ "$1" = running ] && echo hidden || echo none)" || { fail "manager not $1 within $2 s: $manager"; return 1; }
  [ "$1" = gone ] || [ "${manager##* image=}" = "$install_win\\Pankor.exe" ] || fail "the running manager is ${manager##* image=}"
}
pid_of() { sed -n 's/.* pid=\([0-9]*\) .*/\1/p' <<<"$1"; }

# The installed files are exactly a payload's plus the uninstaller: nothing staged or set aside left.
installed_is() {  # payload dir, what
  cmp -s "$1/Pankor.exe" "$install/Pankor.exe" || fail "$2: the installed Pankor.exe is not that version's"
  diff -r "$1/ui" "$install/ui" >/dev/null 2>&1 || fail "$2: the installed ui\\ is not that version's"
  local left
  left="$(cd "$install" 2>/dev/null && LC_ALL=C ls -A | tr '\n' ' ')"
  [ "$left" = "Pankor.exe Uninstall.exe ui " ] || fail "$2: the install folder holds $left"
}
