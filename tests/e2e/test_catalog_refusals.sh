#!/usr/bin/env bash
# Catalogs the manager must refuse: a bad signature, an older serial. The
# page keeps the rows it has and the status line names the host it could not use.
source "$(dirname "$0")/lib.sh"
site_args=(--serial 42)
serve
install_app clock 2.0.0.0 Clock
# What the page shows is reported through its own command channel: a probe
# frame navigating to "app:ready?...", which the host logs as it dispatches.
# The page's "Check now" button is clicked once a second.
cat >"$work/probe.js" <<'JS'
var last = '';
setInterval(function () {
  var s = document.getElementById('status');
  var text = 'rows=' + document.querySelectorAll('#appsList .card').length + ' status=' + (s ? s.textContent : '?');
  if (text !== last) { last = text; window.PK.navigateCommand('app:ready?probe=' + encodeURIComponent(text)); }
}, 100);
setInterval(function () {
  var b = document.querySelector('#tab-settings [data-do="refresh"]');
  if (b && /status=(Checked |Couldn't reach)/.test(last)) b.click();
}, 1000);
JS
export PANKOR_USER_SCRIPT="$work/probe.js"
start_pankor
expect_log "catalog loaded apps=5 skins=3"
[ "$(tr -d '\r' <"$APPDATA/Pankor/state.ini" | grep '^catalogserial=')" = "catalogserial=42" ] || fail "serial not stored"
host="${base#http://}"
host="${host%:*}"  # the host name, without the port
expect_log "dispatch ready arg=rows=3 status=Checked "

# A signature that does not verify: refused; the rows stay, the status names the host.
printf '%0512d\n' 0 >"$site/pankor/catalog.json.sig"
expect_log "catalog REFUSED: signature did not verify"
expect_log "dispatch ready arg=rows=3 status=Couldn't reach $host"
# Two more refused checks, with live checks between them: the rows stay.
wait_for 20 sh -c "[ \$(grep -cF ' catalog REFUSED: signature did not verify' '$log') -ge 3 ]" || fail "no further checks"
lacks_log "dispatch ready arg=rows=0 status=Couldn't reach"

# A correctly signed catalog with an older serial: refused the same way.
site_args=(--serial 41)
resite "${site_args[@]}"
expect_log "catalog REFUSED: serial 41 is older than the 42 already seen"
[ "$(tr -d '\r' <"$APPDATA/Pankor/state.ini" | grep '^catalogserial=')" = "catalogserial=42" ] || fail "the serial went back"

# A newer one is taken again.
resite --serial 43
wait_for 30 sh -c "[ \$(grep -cF ' catalog loaded apps=5 skins=3' '$log') -ge 2 ]" || fail "the newer catalog was not loaded"
wait_for 10 sh -c "tr -d '\r' <'$APPDATA/Pankor/state.ini' | grep -qx 'catalogserial=43'" || fail "serial 43 not stored"
lacks_log "CallJs "
finish
