#!/usr/bin/env bash
# A first start against the local publisher: the window, the page, the boot
# and the catalog, as the debug log tells them; the metrics and hash
# self-tests on the live page.
source "$(dirname "$0")/lib.sh"
serve
install_app clock 2.0.0.0 Clock
install_app jotter 1.4.0.0 Jotter
echo "payload" >"$work/hashme.bin"
start_pankor testmetrics "/testhash $work/hashme.bin"  # the hash path runs to the end of the line

expect_log "--- Pankor start, runDir=$build/app/linux"
expect_log "dpi 100% -> window 920x620"
expect_log "Controls.Add err=0 "
expect_log "Navigate2 -> $build/app/linux/ui/index.html err=0"
expect_log "tray icon added=False cbSize=0 setversion=0"  # a bare X server has no tray
expect_log "ui scaled to 100%"
expect_log "catalog loaded apps=5 skins=3"
expect_log "self=1.0.0.1 catalog=1.0.0.1 newer=False | sanity 1.0.0.12>1.0.0.9=True 1.0.0.9>1.0.0.12=False"
# The page's own "ready" came through a frame navigation; the page is a document.
expect_log "dispatch ready arg="
expect_log "first run: welcome shown, autostart=True"

# The catalog was asked for as the publisher expects.
wait_for 10 grep -q '"path":"/pankor/catalog.json.sig"' "$site/reports/requests.jsonl" || fail "no signature request"
[ "$(python3 -c 'import json,sys
for l in open(sys.argv[1]):
  r=json.loads(l)
  if r["path"]=="/pankor/catalog.json": print(r["headers"].get("User-Agent"), r["headers"].get("Cache-Control"))' \
  "$site/reports/requests.jsonl" | head -1)" = "Pankor/1.0 no-cache" ] || fail "catalog request headers"

# /testhash: the keyed hash of the file, the same as the kit computes.
expect_log "HASHTEST file=$work/hashme.bin bytes=8"
expect_log "HASHTEST hash=$("$kit" hash "$work/hashme.bin")"
# testmetrics: measured in the live page, which fills the window.
expect_log "METRICS window client=920x620"
expect_log "METRICS body   scrollH=620 clientH=620 offsetH=620"
grep -qE " METRICS main   scrollH=[0-9]+ clientH=[1-9][0-9]+ offsetH=[1-9][0-9]+ scrollTop=0" "$log" || fail "main metrics"
# The installed apps' versions came from their version resources, their icons into the data folder.
expect_file "$APPDATA/Pankor/icons/clock.bmp"
lacks_log "CallJs "  # every page call found its function
lacks_log "NavigateError"
# WebKit keeps its files in the cache folder; the data folder holds only the manager's.
[ -d "$XDG_CACHE_HOME/pankor/webkit" ] || fail "no WebKit cache folder"
[ -z "$(find "$APPDATA/Pankor" -iname '*webkit*' -o -iname '*.db' | head -1)" ] || fail "WebKit files in the data folder"
[ -z "$(ls -A "$HOME")" ] || fail "files in the home folder: $(ls -A "$HOME")"

# At 150 % the window is 1.5 times as large and the page fills it at one CSS
# pixel per screen pixel: it scales itself to the percentage it is sent, so
# WebKit must not enlarge it a second time.
kill "$pankor_pid"; wait "$pankor_pid" 2>/dev/null
rm -f "$log"
GDK_DPI_SCALE=1.5 start_pankor testmetrics
expect_log "dpi 150% -> window 1380x930"
expect_log "ui scaled to 150%"
expect_log "METRICS window client=1380x930"
expect_log "METRICS body   scrollH=930 clientH=930 offsetH=930"
finish
