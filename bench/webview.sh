#!/usr/bin/env bash
# Start to page-ready and peak memory (the program's own process and its
# WebKit web process) of the Linux host, against a bare WebKitGTK window
# loading the same page, alternating runs in one X server; medians of RUNS.
# usage: bench/webview.sh [RUNS]   (run inside an X server: xvfb-run -a)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/linux"
runs="${1:-5}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CACHE_HOME="$work/cache" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
export XDG_RUNTIME_DIR="$work/run" APPDATA="$work/appdata"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$APPDATA"
chmod 700 "$XDG_RUNTIME_DIR"

now_ms() { date +%s%3N; }
# Peak resident memory (VmHWM, kB) of a process and of its WebKit web process.
peaks() {  # pid
  local web
  web="$(pgrep -P "$1" -f WebKitWebProcess | head -1 || true)"
  [ -n "$web" ] || web="$(pgrep -f WebKitWebProcess | head -1 || true)"
  echo "$(awk '/VmHWM/ {print $2}' "/proc/$1/status") $(awk '/VmHWM/ {print $2}' "/proc/$web/status" 2>/dev/null || echo 0)"
}
# One run: start, poll for readiness, let the page settle, read the peaks, end.
measure() {  # ready-test command...
  local test="$1"; shift
  local start pid ready
  start="$(now_ms)"
  "$@" >"$work/out" 2>/dev/null &
  pid=$!
  until eval "$test"; do sleep 0.005; done
  ready=$(($(now_ms) - start))
  sleep 2  # the boot after ready (catalog, rows) belongs to the memory figure
  echo "$ready $(peaks "$pid")"
  kill "$pid"; wait "$pid" 2>/dev/null || true
}

: >"$work/host" ; : >"$work/bare"
for _ in $(seq "$runs"); do
  rm -rf "$APPDATA/Pankor" "$XDG_CACHE_HOME"
  measure 'grep -q " ui scaled to " "$APPDATA/Pankor/debug.log" 2>/dev/null' \
    "$build/app/linux/pankor" /debug /publisher=http://127.0.0.1:9/ >>"$work/host"
  rm -rf "$XDG_CACHE_HOME" "$XDG_DATA_HOME"
  measure 'grep -q "^ready" "$work/out"' "$build/bench/bare_webkit" "$build/app/linux/ui/index.html" >>"$work/bare"
done
python3 - "$work/host" "$work/bare" <<'PY'
import statistics, sys
def load(f):
    rows = [list(map(int, l.split())) for l in open(f) if l.strip()]
    return [statistics.median(c) for c in zip(*rows)]
h, b = load(sys.argv[1]), load(sys.argv[2])
print(f"start to page-ready: host {h[0]:.0f} ms, bare WebKitGTK {b[0]:.0f} ms = {h[0] / b[0]:.2f} x (target <= 1.2)")
print(f"peak memory, own process: host {h[1] / 1024:.0f} MB, bare {b[1] / 1024:.0f} MB = {h[1] / b[1]:.2f} x")
print(f"peak memory, web process: host {h[2] / 1024:.0f} MB, bare {b[2] / 1024:.0f} MB = {h[2] / b[2]:.2f} x")
print(f"peak memory, both: host {(h[1] + h[2]) / 1024:.0f} MB, bare {(b[1] + b[2]) / 1024:.0f} MB = "
      f"{(h[1] + h[2]) / (b[1] + b[2]):.2f} x (target <= 1.1)")
PY
