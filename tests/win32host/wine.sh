# Sourced by the runs of Pankor.exe and its installer under Wine, with $probe_exe and $base_prefix set. Each
# run gets a prefix of its own, no Pankor in it: the booted one copied, its large Windows folder hard-linked.
source "$(dirname "${BASH_SOURCE[0]}")/../tools/lib.sh"  # $work, fail, wait_for
wine64="$(command -v wine64 || echo /usr/lib/wine/wine64)"
# No HTML engine; and no menu entries on the Linux desktop for shortcuts.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" WINEPREFIX="$work/prefix"
cleanup() {  # a hard kill, and no wait: a Wine process made to hang must not hold up the exit
  for p in "${pids[@]}"; do kill -KILL "$p" 2>/dev/null; done
  [ -d "$WINEPREFIX" ] && wineserver -k 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
[ -n "${DISPLAY:-}" ] && [ -f "$base_prefix/system.reg" ] || { echo "no X server or booted prefix: run scripts/wine-tests.sh"; exit 1; }
cp -al "$base_prefix" "$WINEPREFIX" && rm -rf "$WINEPREFIX/drive_c/users" "$WINEPREFIX"/*.reg "$WINEPREFIX/.boot.lock"
cp -a "$base_prefix"/*.reg "$WINEPREFIX/" && cp -a "$base_prefix/drive_c/users" "$WINEPREFIX/drive_c/"
user="$WINEPREFIX/drive_c/users/$(id -un)" user_win="C:\\users\\$(id -un)"
# Every Wine process is detached from ctest's output: whatever it left running would keep ctest waiting.
probe() { "$wine64" "$probe_exe" "$@" </dev/null 2>>"$work/wine.out" | tr -d '\r'; }
