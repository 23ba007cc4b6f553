#!/usr/bin/env bash
# The manager on a desktop against the local publisher: 1. without its page; 2. a first start, later
# starts handing over; 3. at 150 % with notifications, then refused catalogs; 4. /tray, with a tray host.
source "$(dirname "$0")/lib.sh"
serve
bus="$DBUS_SESSION_BUS_ADDRESS"
unset DBUS_SESSION_BUS_ADDRESS  # until the notification service runs (the bus would start it)

# ---- 1. run from a folder without ui/
mkdir -p "$work/nopage" && cp "$pankor" "$work/nopage/pankor"
pankor="$work/nopage/pankor" start_pankor
secs=20 expect_log "watchdog gave up, readyState=4 loc="
# Loaded at start and every third tick up to the 24th (a tick finding a load under way skips it).
navs="$(count_log "Navigate2 -> $work/nopage/ui/index.html")"
[ "$navs" -ge 2 ] && [ "$navs" -le 9 ] || fail "navigations: $navs"
expect_count "NavigateError file://$work/nopage/ui/index.html" "$navs" 10
lacks_log "ui scaled to" "catalog loaded"
kill -0 "$pankor_pid" || fail "the manager ended without its page"
stop_pankor
rm -rf "$APPDATA/Pankor"

# ---- 2. a first start
echo "payload" >"$work/hashme.bin"
start_pankor testmetrics "/testhash $work/hashme.bin"  # the hash path runs to the end of the line
expect_log "--- Pankor start, runDir=$build/app/linux" "dpi 100% -> window 920x620" "Controls.Add err=0 " \
  "Navigate2 -> $build/app/linux/ui/index.html err=0" "tray icon added=False cbSize=0 setversion=0" "ui scaled to 100%" \
  "catalog loaded apps=5 skins=3" "self=1.0.0.1 catalog=1.0.0.1 newer=False | sanity 1.0.0.12>1.0.0.9=True 1.0.0.9>1.0.0.12=False" \
  "dispatch ready arg=" "first run: welcome shown, autostart=True" "HASHTEST file=$work/hashme.bin bytes=8" \
  "HASHTEST hash=$("$kit" hash "$work/hashme.bin")" "METRICS window client=920x620" "METRICS body   scrollH=620 clientH=620 offsetH=620"
grep -qE " METRICS main   scrollH=[0-9]+ clientH=[1-9][0-9]+ offsetH=[1-9][0-9]+ scrollTop=0" "$log" || fail "main metrics"
# The installed apps' versions came from their version resources, their icons into the data folder.
wait_for 30 test -e "$APPDATA/Pankor/icons/clock.bmp" || fail "no icon of the installed clock"
# WebKit keeps its files in the cache folder; the data folder holds only the manager's.
[ -d "$XDG_CACHE_HOME/pankor/webkit" ] || fail "no WebKit cache folder"
[ -z "$(find "$APPDATA/Pankor" -iname '*webkit*' -o -iname '*.db' | head -1)" ] || fail "WebKit files in the data folder"
[ -z "$(ls -A "$HOME")" ] || fail "files in the home folder: $(ls -A "$HOME")"

# Later starts hand over: the window comes up, /installed= opens that app's panel or logs a slug it lacks.
second_start
expect_log "another Pankor already has the mutex" "handoff posted: show" "handoff taken: show" "command: show"
second_start /installed=Clock
expect_log "handoff posted: installed=clock" "command: installed=clock" "showed installed panel for clock"
second_start /installed=nosuchapp
expect_log "installed= slug not in catalog: nosuchapp"
lacks_log "CallJs "  # every page call found its function
stop_pankor

# ---- 3. at 150 % the window is 1.5 times as large; the page fills it, scaling itself (WebKit must not)
export DBUS_SESSION_BUS_ADDRESS="$bus"
background dunst
wait_for 10 dunstctl is-paused >/dev/null 2>&1 || fail "no notification service"
# What the page shows comes back as "app:ready?..." commands the host logs; "Check now" clicked each second.
cat >"$work/probe.js" <<'JS'
var last = '';
setInterval(function () {
  var text = 'rows=' + document.querySelectorAll('#appsList .card').length + ' status=' + document.getElementById('status').textContent;
  if (text !== last) window.PK.navigateCommand('app:ready?probe=' + encodeURIComponent(last = text));
}, 100);
setInterval(function () { if (/status=(Checked |Couldn't reach)/.test(last)) document.querySelector('#tab-settings [data-do="refresh"]').click(); }, 1000);
JS
GDK_DPI_SCALE=1.5 PANKOR_USER_SCRIPT="$work/probe.js" start_pankor testmetrics testskin testissue testballoon
expect_log "dpi 150% -> window 1380x930" "ui scaled to 150%" "METRICS window client=1380x930" \
  "METRICS body   scrollH=930 clientH=930 offsetH=930" "tray icon added=True cbSize=0 setversion=0"
# testissue: the form filled in the page, read back, and the report sent.
expect_log "selftest read: app=clock contact=selftest@example.com textLen=56" "selftest submit ok=True msg="
wait_for 10 test -s "$site/reports/issue.jsonl" || fail "the publisher received no issue report"
report="$(python3 -c 'import json,sys; print(json.loads(open(sys.argv[1]).read().strip().split("\n")[-1])["body"])' "$site/reports/issue.jsonl")"
case "$report" in *'"app":"clock"'*'"contact":"selftest@example.com"'*'SELF TEST - line one.\n\nA \"quoted\" word and a back\\slash.'*) ;;
  *) fail "issue report: $report" ;; esac
# testskin: the first skin's button clicked in the page reaches the dispatcher, which opens its page in the browser.
expect_log "dispatch open arg=$base/clock/"
wait_for 10 grep -qxF "$base/clock/" "$work/opened.txt" || fail "the skin's page was not opened"
# testballoon: shown by the notification service; its click opens the window.
expect_log "balloon rc=1 : Tarnwick updates / Tarnwick Clock 8.1.0.9999 is available. (This is a test balloon.)"
wait_for 10 sh -c '[ "$(dunstctl count displayed)" -ge 1 ]' || fail "the notification is not on show"
dunstctl action 0
expect_log "balloon clicked"

# A signature that does not verify: refused, again and again; the rows stay, the status names the host.
host="${base#http://}"
expect_log "dispatch ready arg=rows=3 status=Checked "
printf '%0512d\n' 0 >"$site/pankor/catalog.json.sig"
expect_log "catalog REFUSED: signature did not verify" "dispatch ready arg=rows=3 status=Couldn't reach ${host%:*}"
expect_count "catalog REFUSED: signature did not verify" 3
lacks_log "dispatch ready arg=rows=0 status=Couldn't reach"
# Signed again, it is taken again.
loads="$(count_log "catalog loaded apps=5 skins=3")"
resite
expect_count "catalog loaded apps=5 skins=3" $((loads + 1))
lacks_log "CallJs "
stop_pankor

# ---- 4. /tray keeps the window hidden while the page boots; a click on the icon brings it up
background trayer --edge bottom --align right --widthtype pixel --width 200 --heighttype pixel --height 32
wait_for 10 sh -c 'xdotool search --classname trayer >/dev/null 2>&1' || fail "no tray host"
start_pankor /tray
expect_log "started hidden (/tray)" "tray icon added=True cbSize=0 setversion=0" "catalog loaded apps=5 skins=3"
main="$(sed -n 's/^.* ApplyExeIcon .* hwnd=//p' "$log" | tr -d '\r' | head -1)"
shown() { xdotool search --onlyvisible --name '^Pankor$' 2>/dev/null | grep -qx "$main"; }
! shown || fail "the window is on show after /tray"
icon="$(xdotool search --onlyvisible --name '^Pankor$' | grep -vx "$main" | head -1)"
[ -n "$icon" ] || fail "no tray icon on show"
eval "$(xdotool getwindowgeometry --shell "$icon")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1
wait_for 10 shown || fail "a click on the icon did not bring the window up"
finish
