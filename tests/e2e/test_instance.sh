#!/usr/bin/env bash
# One copy per session: later starts hand their request to the running copy
# through the handoff file, which it takes once a second after boot.
source "$(dirname "$0")/lib.sh"
serve
install_app clock 2.0.0.0 Clock
# A request left behind long ago: the new first copy discards it on its first tick.
mkdir -p "$APPDATA/Pankor"
printf '2001-01-01 00:00:00|show\r\n' >"$APPDATA/Pankor/handoff.txt"
start_pankor
expect_log "catalog loaded apps=5 skins=3"
expect_log "handoff DISCARDED, "
grep -qE " handoff DISCARDED, [0-9]{6,}s old: show" "$log" || fail "stale handoff line"
wait_for 5 test ! -e "$APPDATA/Pankor/handoff.txt" || fail "the stale handoff file stayed"

# A second start without arguments brings the window up.
second_start || fail "the second copy did not end cleanly"
logged "another Pankor already has the mutex" || fail "the second copy did not see the first"
logged "handoff posted: show" || fail "no handoff posted"
expect_log "handoff taken: show"
expect_log "command: show"

# A second start with /installed= opens that app's panel in the running copy.
second_start /installed=Clock || fail "second copy with /installed="
expect_log "handoff posted: installed=clock"
expect_log "command: installed=clock"
expect_log "showed installed panel for clock"

# A slug that is not plain is refused; the second copy falls back to "show".
before="$(count_log "command: show")"
second_start "/installed=../clock" || fail "second copy with a bad slug"
logged "REFUSED /installed= : not a plain slug" || fail "the bad slug was not refused"
wait_for 10 sh -c "[ \$(grep -cF ' command: show' '$log') -gt $before ]" || fail "the refused start did not post show"
lacks_log "installed=../clock"

# A slug the catalog does not know: logged, the window still comes up.
second_start /installed=nosuchapp
expect_log "installed= slug not in catalog: nosuchapp"

# With /tray and nothing to ask, a second copy stays quiet.
second_start /tray
logged "second copy with /tray - exiting quietly" || fail "quiet /tray second copy"
kill -0 "$pankor_pid" || fail "the first copy ended"
lacks_log "CallJs "
finish
