#!/usr/bin/env bash
# On a desktop with a notification area (a tray host on the X server): a
# start with /tray keeps the window hidden while the page boots, the icon
# is added, and a click on it brings the window up.
source "$(dirname "$0")/lib.sh"
serve
trayer --edge bottom --align right --widthtype pixel --width 200 --heighttype pixel --height 32 >"$work/trayer.out" 2>&1 &
pids+=($!)
wait_for 10 sh -c 'xdotool search --classname trayer >/dev/null 2>&1' || fail "no tray host"
start_pankor /tray
expect_log "started hidden (/tray)"
expect_log "tray icon added=True cbSize=0 setversion=0"
expect_log "catalog loaded apps=5 skins=3"  # the page boots in the hidden window
main="$(sed -n 's/^.* ApplyExeIcon .* hwnd=//p' "$log" | tr -d '\r' | head -1)"
shown() { xdotool search --onlyvisible --name '^Pankor$' 2>/dev/null | grep -qx "$main"; }
! shown || fail "the window is on show after /tray"

# The icon: the one visible "Pankor" window that is not the main window.
icon="$(xdotool search --onlyvisible --name '^Pankor$' | grep -vx "$main" | head -1)"
[ -n "$icon" ] || fail "no tray icon on show"
eval "$(xdotool getwindowgeometry --shell "$icon")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1
wait_for 10 shown || fail "a click on the icon did not bring the window up"
lacks_log "CallJs "
finish
