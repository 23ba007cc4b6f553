#!/usr/bin/env bash
# The demo: builds Pankor, lays out a demo publisher (a catalog signed with
# the development key, apps, games, skins, installers, icons, screenshots),
# seeds a demo data folder with two installed apps (one with an update
# waiting), serves the publisher on loopback and runs Pankor against it.
# With a display the window opens, and an update clicked in it downloads,
# checks and runs its installer through Wine. Without one (or with
# --headless) it runs under Xvfb, saves a screenshot once the page has
# booted, prints its path and the debug log, and ends everything it started.
# usage: scripts/demo.sh [--headless] [--scale PERCENT]   (PERCENT: 100, 150, ...)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
headless=0 scale=100
while [ $# -gt 0 ]; do
  case "$1" in
    --headless) headless=1; shift ;;
    --scale) scale="$2"; shift 2 ;;
    *) echo "usage: scripts/demo.sh [--headless] [--scale PERCENT]" >&2; exit 2 ;;
  esac
done
[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || headless=1

"$root/scripts/install-deps.sh"
cmake --preset linux -DPANKOR_WERROR=ON >/dev/null
cmake --build --preset linux -j"$(nproc)" --target pankor pankor-publish e2e_fixtures

build="$root/build/linux"
demo="$root/build/demo"
fixtures="$build/tests/e2e/fixtures"
kit="$build/tools/publish/pankor-publish"
# Everything the demo writes stays in build/demo: data, caches, settings, Wine.
rm -rf "$demo/site" "$demo/appdata" "$demo/home" "$demo/tmp" "$demo/run"
mkdir -p "$demo/site" "$demo/appdata" "$demo/home" "$demo/tmp" "$demo/run"
chmod 700 "$demo/run"
export HOME="$demo/home" XDG_CONFIG_HOME="$demo/home/.config" XDG_CACHE_HOME="$demo/home/.cache"
export XDG_DATA_HOME="$demo/home/.local/share" XDG_RUNTIME_DIR="$demo/run"
export APPDATA="$demo/appdata" TEMP="$demo/tmp" WINEPREFIX="$demo/wineprefix" WINEDEBUG=-all
export GDK_DPI_SCALE="$(awk -v p="$scale" 'BEGIN { printf "%g", p / 100 }')"

pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  wineserver -k 2>/dev/null || true
}
trap cleanup EXIT

# The demo publisher on loopback.
"$kit" serve "$demo/site" --port 0 >"$demo/serve.out" 2>&1 &
pids+=($!)
for _ in $(seq 100); do grep -q '^serving ' "$demo/serve.out" && break; sleep 0.1; done
base="$(sed -n 's/^serving .* at //p' "$demo/serve.out")"
[ -n "$base" ] || { echo "the demo publisher did not start:" >&2; cat "$demo/serve.out" >&2; exit 1; }
"$root/tests/e2e/make_site.sh" "$demo/site" "$base" "$fixtures" "$kit" \
  "$root/keys/dev/development-signing.private.pem"

# Two installed apps: Tarnwick Clock 2.0 (2.1 is out) and Jotter 1.4 (current),
# each with its settings; the usage-report question already answered.
for app in "clock 2.0.0.0 Clock" "jotter 1.4.0.0 Jotter"; do
  read -r slug version folder <<<"$app"
  mkdir -p "$APPDATA/Tarnwick/$folder"
  cp "$fixtures/$slug-$version.exe" "$APPDATA/Tarnwick/$folder/$slug.exe"
  printf 'theme=light\r\n' >"$APPDATA/Tarnwick/$folder/options.ini"
done
mkdir -p "$APPDATA/Pankor"
printf 'consent=0\r\n' >"$APPDATA/Pankor/telemetry.ini"

# Installers run through Wine, whose roaming folder is the demo's APPDATA.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "preparing Wine (once)..."
  wineboot -i >/dev/null 2>&1 || true
fi
roaming="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming"
rm -rf "$roaming" && ln -s "$APPDATA" "$roaming"

log="$APPDATA/Pankor/debug.log"
if [ "$headless" = 0 ]; then
  echo "Pankor is running against the demo publisher at $base; quit it from its window."
  echo "(Tarnwick Clock has an update waiting: its \"Update to 2.1.0.0\" button installs it through Wine.)"
  "$build/app/linux/pankor" /debug "/publisher=$base" || true
  echo "debug log: $log"
  exit 0
fi

# Headless: a private X server; the screenshot is taken once the page has
# booted and shown the rows (the state push is in the log).
shot="$demo/pankor-$scale.png"
rm -f "$shot"
xvfb-run -a -s "-screen 0 1920x1080x24" bash -c '
  "$1" /debug "/publisher=$2" >"$3/pankor.out" 2>&1 &
  pid=$!
  for _ in $(seq 300); do grep -q " self=" "$4" 2>/dev/null && break; sleep 0.1; done
  sleep 1  # the page draws what it was just sent
  wid="$(sed -n "s/^.* ApplyExeIcon .* hwnd=//p" "$4" | tr -d "\r" | head -1)"
  import -window "$wid" "$5" 2>/dev/null || import -window root "$5"
  kill "$pid"; wait "$pid" 2>/dev/null
  exit 0
' demo "$build/app/linux/pankor" "$base" "$demo" "$log" "$shot"
echo "---- debug log ($log)"
cat "$log"
if [ -f "$shot" ]; then
  echo "screenshot: $shot"
else
  echo "no screenshot was taken" >&2
  exit 1
fi
