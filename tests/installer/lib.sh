# Shared by the installer's runs under Wine; sourced, not run.
# Arguments of every run: PROBE BOOTED_PREFIX SETUP_N PAYLOAD_N SETUP_N1 PAYLOAD_N1
# (a payload is the folder an installer installs from: Pankor.exe and ui/).
set -uo pipefail
probe_exe="$1"
base_prefix="$2"
setup_n="$3"
payload_n="$4"
setup_n1="$5"
payload_n1="$6"
wine64="$(command -v wine64 || echo /usr/lib/wine/wine64)"
work="$(mktemp -d)"
# No HTML engine; and no menu entries on the Linux desktop for the shortcut.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEPREFIX="$work/prefix"
pids=()
xvfb=""
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cleanup() {
  for p in "${pids[@]}"; do kill -KILL "$p" 2>/dev/null; done
  [ -d "$WINEPREFIX" ] && wineserver -k 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A display: the run's (scripts/wine-tests.sh starts one for all), else our own.
if [ -z "${DISPLAY:-}" ]; then
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
  export DISPLAY=":$(cat "$work/display")"
fi

# A prefix of our own with an empty registry and no Pankor: the build's booted
# prefix copied (the large Windows folder as hard links), or a fresh one.
if [ -f "$base_prefix/system.reg" ]; then
  cp -al "$base_prefix" "$WINEPREFIX"
  rm -rf "$WINEPREFIX/drive_c/users" "$WINEPREFIX"/*.reg "$WINEPREFIX/.boot.lock"
  cp -a "$base_prefix/drive_c/users" "$WINEPREFIX/drive_c/users"
  cp -a "$base_prefix"/*.reg "$WINEPREFIX/"
else
  mkdir -p "$WINEPREFIX"
  wineboot -i </dev/null >/dev/null 2>&1
fi
user="$WINEPREFIX/drive_c/users/$(id -un)"
user_win="C:\\users\\$(id -un)"
install="$user/AppData/Local/Programs/Pankor"
install_win="$user_win\\AppData\\Local\\Programs\\Pankor"
data="$user/AppData/Roaming/Pankor"
shortcut="$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Pankor.lnk"
uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Pankor'
run_key='Software\Microsoft\Windows\CurrentVersion\Run'
browser_key='Software\Microsoft\Internet Explorer\Main\FeatureControl\FEATURE_BROWSER_EMULATION'

# Every Wine process is detached from ctest's output: whatever it leaves
# running would otherwise keep ctest waiting. run: bounded, its exit code.
start() { "$wine64" "$@" </dev/null >>"$work/wine.out" 2>&1 & pids+=($!); started=$!; }
run() { timeout 120 "$wine64" "$@" </dev/null >>"$work/wine.out" 2>&1; }
probe() { "$wine64" "$probe_exe" "$@" </dev/null 2>>"$work/wine.out" | tr -d '\r'; }

# The value of one registry value as the probe prints it; empty when absent.
reg_value() {  # key, name
  probe reg "$1" | sed -n "s/^$(printf '%s' "$1|$2=" | sed 's/[][\.*^$]/\\&/g')//p"
}
# The version in an executable's version resource, as Windows reads it (fixed part).
file_version() {
  wrestool -x --raw --type=16 "$1" 2>/dev/null | python3 -c '
import struct, sys
d = sys.stdin.buffer.read()
i = d.find(struct.pack("<I", 0xFEEF04BD))
if i >= 0:
    ms, ls = struct.unpack_from("<II", d, i + 8)
    print(f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}")'
}
version_n="$(file_version "$payload_n/Pankor.exe")"
version_n1="$(file_version "$payload_n1/Pankor.exe")"

# Waits (seconds) until the manager's windows are as wanted: "running" (both
# there, the main window hidden as /tray leaves it) or "gone". Sets $manager
# to the probe's last line.
wait_manager() {
  local want="$1" end=$((SECONDS + $2))
  while :; do
    manager="$(probe manager)"
    case "$want" in
      running) grep -q '^main=hidden tray=yes ' <<<"$manager" && return 0 ;;
      gone) grep -q '^main=none tray=no ' <<<"$manager" && return 0 ;;
    esac
    [ "$SECONDS" -ge "$end" ] && { fail "manager not $want within $2 s: $manager"; return 1; }
    sleep 0.2
  done
}
pid_of() { sed -n 's/.* pid=\([0-9]*\) .*/\1/p' <<<"$1"; }
image_of() { sed -n 's/.* image=//p' <<<"$1"; }

# The installed files are exactly those of a payload, plus the uninstaller:
# nothing staged or set aside is left behind.
installed_is() {  # payload dir, what
  cmp -s "$1/Pankor.exe" "$install/Pankor.exe" || fail "$2: the installed Pankor.exe is not that version's"
  diff -r "$1/ui" "$install/ui" >/dev/null 2>&1 || fail "$2: the installed ui\\ is not that version's"
  [ -f "$install/Uninstall.exe" ] || fail "$2: no Uninstall.exe"
  local left
  left="$(cd "$install" 2>/dev/null && ls -A | grep -vxE 'Pankor\.exe|ui|Uninstall\.exe' | tr '\n' ' ')"
  [ -z "$left" ] || fail "$2: left in the install folder: $left"
}

finish() {
  if [ "$failures" -ne 0 ]; then
    echo "--- wine output"; tail -20 "$work/wine.out"
    echo "$failures check(s) failed"
    exit 1
  fi
  echo "$1: all checks passed"
}
