#!/usr/bin/env bash
# The self-test switches that need the live page and the desktop: the skin
# click, the issue report, the balloon (a notification service on a session
# bus, as a desktop has one) and the signature verdicts.
source "$(dirname "$0")/lib.sh"
serve
install_app clock 2.0.0.0 Clock
dunst >"$work/dunst.out" 2>&1 &
pids+=($!)
wait_for 10 dunstctl is-paused >/dev/null 2>&1 || fail "no notification service"
start_pankor testskin testissue testballoon "/testsig $site/pankor/catalog.json"  # the path runs to the end

expect_log "catalog loaded apps=5 skins=3"
# No tray on this desktop, but a notification service: balloons can be shown.
expect_log "tray icon added=True cbSize=0 setversion=0"

# testissue: the form filled in the page, read back, and the report sent.
expect_log "selftest read: app=clock contact=selftest@example.com textLen=56"
expect_log "selftest submit ok=True msg="
wait_for 10 test -s "$site/reports/issue.jsonl" || fail "the publisher received no issue report"
report="$(recorded issue.jsonl body)"
case "$report" in
  *'SELF TEST - line one.\n\nA \"quoted\" word and a back\\slash.'*) ;;
  *) fail "issue report text: $report" ;;
esac
case "$report" in *'"app":"clock"'*'"contact":"selftest@example.com"'*) ;; *) fail "issue report fields: $report" ;; esac

# testsig: the four verdicts on the site's own signed catalog.
expect_log "SIGTEST: $site/pankor/catalog.json ("
for line in "SIGTEST: intact   -> True   (want True)" "SIGTEST: tampered -> False   (want False)" \
            "SIGTEST: truncated sig -> False   (want False)" "SIGTEST: empty sig     -> False   (want False)"; do
  logged "$line" || fail "no '$line'"
done

# testskin: the first skin's button clicked in the page reaches the dispatcher,
# which opens the skin's page in the user's browser.
expect_log "dispatch open arg=$base/clock/"
wait_for 10 grep -qxF "$base/clock/" "$work/opened.txt" || fail "the skin's page was not opened"

# testballoon: shown by the notification service; its click opens the window on "apps".
expect_log "balloon rc=1 : Tarnwick updates / Tarnwick Clock 8.1.0.9999 is available. (This is a test balloon.)"
wait_for 10 sh -c '[ "$(dunstctl count displayed)" -ge 1 ]' || fail "the notification is not on show"
dunstctl action 0
expect_log "balloon clicked"
lacks_log "CallJs "
finish
