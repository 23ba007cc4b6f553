#!/usr/bin/env bash
# A page that is missing: each load failure is logged, the watchdog loads
# again every third tick while the browser is not on the page, and gives up
# after 26 ticks; the manager itself runs on.
source "$(dirname "$0")/lib.sh"
serve
mkdir -p "$work/nopage"
cp "$pankor" "$work/nopage/pankor"  # run from a folder without ui/
pankor="$work/nopage/pankor"
start_pankor
expect_log "Navigate2 -> $work/nopage/ui/index.html err=0"
expect_log "NavigateError file://$work/nopage/ui/index.html"
expect_log "watchdog gave up, readyState=4 loc=" 20
# Loaded at start and on ticks 3, 6, ..., 24: nine navigations, nine failures.
[ "$(count_log "Navigate2 -> $work/nopage/ui/index.html")" -eq 9 ] || fail "navigations: $(count_log "Navigate2 -> ")"
[ "$(count_log "NavigateError ")" -eq 9 ] || fail "load failures: $(count_log "NavigateError ")"
lacks_log "ui scaled to"  # the page never became ready
lacks_log "catalog loaded"
kill -0 "$pankor_pid" || fail "the manager ended"
finish
