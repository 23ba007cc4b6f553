#!/usr/bin/env bash
# The kit's local publisher over real HTTP (curl the client, node reading back its records), its report
# summary, and `check` against catalogs that are fine, subtly wrong or unreadable.
kit="$1"
source "$(dirname "$0")/lib.sh"
code() { curl -s -o "$work/body" -w '%{http_code}' "$@"; }
# A field of the last JSON line of a report file, as raw text.
field() { node -e 'const l = require("fs").readFileSync(process.argv[1], "utf8").trim().split("\n");
  const v = process.argv[2].split(".").reduce((o, k) => o === undefined ? o : o[k], JSON.parse(l[l.length - 1]));
  process.stdout.write(v === undefined ? "<absent>" : String(v));' "$1" "$2"; }
stop() {  # description, signal: the server must end with exit 0 (one that does not end times the test out)
  kill -"$2" "$server_pid"
  wait "$server_pid" || fail "$1: exit $? after SIG$2"
}

site="$work/site" reports="$work/site/reports"
mkdir -p "$site/pankor" "$site/apps" "$site/notes" "$site/empty" "$site/inner"
printf '{"serial":7,"apps":[]}\r\n' >"$site/pankor/catalog.json"
printf '%0512d\n' 0 >"$site/pankor/catalog.json.sig"
printf 'MZ\000\001\377binary' >"$site/apps/setup.exe"
printf '<p>notes</p>' >"$site/notes/index.html"
printf 'slow' >"$site/slow.txt"
printf 'outside' >"$work/secret.txt"
ln -s ../secret.txt "$site/escape.txt"
ln -s "$work" "$site/up"
ln -s ../apps/setup.exe "$site/inner/link.exe"

start "$work/serve.out" "$site" --port 0 --status /gone.txt=410 --delay /slow.txt=800 --hang /hang --issue-limit 2
[ "$(wc -l <"$work/serve.out")" -eq 1 ] && grep -qE "^serving $site at http://127\.0\.0\.1:[0-9]+$" "$work/serve.out" ||
  { fail "start line"; cat "$work/serve.out" "$work/serve.out.err"; }
# path|status and type|the file the body must equal (a folder answers its index.html; links inside are followed)
while IFS='|' read -r path want file; do
  got="$(curl -s -o "$work/body" -w '%{http_code} %{content_type}' "$base$path")"
  [ "$got" = "$want" ] || fail "GET $path: '$got', want '$want'"
  if [ -n "$file" ]; then cmp -s "$work/body" "$site/$file" || fail "GET $path: bytes differ"; fi
done <<'ROWS'
/pankor/catalog.json|200 application/json|pankor/catalog.json
/pankor/catalog.json.sig|200 text/plain|pankor/catalog.json.sig
/notes/|200 text/html; charset=utf-8|notes/index.html
/inner/link.exe|200 application/octet-stream|apps/setup.exe
/empty/|404 text/plain|
ROWS
[ "$(code "$base/gone.txt")" = 410 ] && [ ! -s "$work/body" ] || fail "--status answers its code with an empty body"
for path in /../secret.txt /%2e%2e/secret.txt /%2E%2E%2Fsecret.txt /pankor/..%2f..%2fsecret.txt /escape.txt \
            /up/secret.txt /pankor/catalog.json%00.png; do
  got="$(code --path-as-is "$base$path")"
  [ "$got" = 403 ] && ! grep -q outside "$work/body" || fail "traversal $path answered $got"
done

fast="$(curl -s -o /dev/null -w '%{time_total}' "$base/pankor/catalog.json")"
slow="$(curl -s -o "$work/body" -w '%{time_total}' "$base/slow.txt")"
awk -v s="$slow" -v f="$fast" 'BEGIN { exit !(s >= 0.75 && s < 3 && f < 0.5) }' || fail "--delay: took $slow s (plain $fast s)"
[ "$(cat "$work/body")" = slow ] || fail "a delayed request still gets its file"

# What the manager's requests look like on the wire is recorded as sent, and nothing more.
curl -s -o /dev/null -A 'Pankor/1.0' -H 'Cache-Control: no-cache' -H 'Pragma: no-cache' "$base/pankor/catalog.json?x=1"
got="$(for f in method path target headers.User-Agent headers.Cache-Control headers.Pragma headers.Cookie \
  headers.REMOTE_ADDR; do printf '%s|' "$(field "$reports/requests.jsonl" $f)"; done)"
[ "$got" = "GET|/pankor/catalog.json|/pankor/catalog.json?x=1|Pankor/1.0|no-cache|no-cache|<absent>|<absent>|" ] ||
  fail "request recorded as $(tail -1 "$reports/requests.jsonl")"

# Reports keep their exact bytes: quotes, backslashes, line breaks, non-ASCII; other bytes in Base64.
printf '{"note":"say \\"hi\\"\\ C:\\x","raw":"line1\nline2\ttab \303\251"}\r\n' >"$work/report.json"
check "telemetry post" 0 curl -sf --data-binary "@$work/report.json" "$base/telemetry.php"
field "$reports/telemetry.jsonl" body | cmp -s - "$work/report.json" || { fail "telemetry body differs"; tail -1 "$reports/telemetry.jsonl"; }
printf 'not \377 UTF-8' >"$work/binary.txt"
curl -s -o /dev/null --data-binary "@$work/binary.txt" "$base/telemetry.php"
[ "$(field "$reports/telemetry.jsonl" bodyBase64 | base64 -d | od -An -tx1)" = "$(od -An -tx1 <"$work/binary.txt")" ] ||
  fail "a body that is not UTF-8 keeps its bytes"
[ "$(code -d x "$base/other.php")" = 404 ] || fail "a post elsewhere is not a report"
codes="$(for i in 1 2 3; do code --data-binary "{\"n\":$i}" "$base/issue.php"; echo -n ' '; done)"
[ "$codes" = "200 200 429 " ] || fail "--issue-limit 2 answered $codes"
[ "$(wc -l <"$reports/issue.jsonl")" -eq 2 ] || fail "a refused issue report was recorded as accepted"
[ "$(grep -c '"path":"/issue.php"' "$reports/requests.jsonl")" -eq 3 ] || fail "every issue post is in requests.jsonl"

# The publisher's summary: per day, versions, and report texts that cannot drive the terminal.
printf '{"v":1,"os":"10.0.19045","pankor":"1.0.0.7","apps":[{"slug":"clock"}]}' |
  curl -s -o /dev/null --data-binary @- "$base/telemetry.php"
"$kit" reports "$site" >"$work/reports.out" 2>&1 || fail "reports: exit $?"
for line in "usage reports: 3" "  $(date -u +%Y-%m-%d)  3" "manager versions: 1.0.0.7 (1) ? (2)" "installed apps: clock (1)"
do contains "reports" "$work/reports.out" "$line"; done
mkdir -p "$work/recorded-site/reports"
printf '%s\n' '{"time":"2031-05-06T10:00:00.000Z","body":"{\"kind\":\"problem\",\"app\":\"clock\",\"text\":\"bad\\u001b[31m red\\nnext\"}"}' \
  >"$work/recorded-site/reports/issue.jsonl"
"$kit" reports "$work/recorded-site" >"$work/reports.out" 2>&1 || fail "reports of a recorded site: exit $?"
contains "reports: an issue" "$work/reports.out" '2031-05-06T10:00:00  problem about "clock"'
contains "reports: escaped text" "$work/reports.out" '    bad\x1B[31m red\nnext'
! grep -qF "$(printf '\033')" "$work/reports.out" || fail "reports: a raw escape"

# --hang: a request still hanging when the server stops gets no answer at all.
curl -s -o /dev/null -w '%{http_code}' --max-time 10 "$base/hang" >"$work/hung" &
sleep 0.3
stop "stop with a hung request" TERM
wait $!
[ "$(cat "$work/hung")" = 000 ] || fail "a hung request was answered $(cat "$work/hung")"

# A second server on the first one's port is refused; SIGINT ends it; refused arguments.
start "$work/serve2.out" "$site" --port 0
check "a port in use" 1 "$kit" serve "$site" --port "${base##*:}"
contains "busy port message" "$work/err" "cannot listen on 127.0.0.1:${base##*:}"
stop "plain stop" INT
check "a public address needs --public" 2 "$kit" serve "$site" --host 0.0.0.0
contains "public refusal" "$work/err" "Add --public"
check "missing folder" 1 "$kit" serve "$work/none"
for bad in "$site --status /x=99" "$site --delay nopath=5" "$site --port 70000" "--port 0"; do
  check "serve $bad" 2 "$kit" serve $bad
done

sha=0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef
app() {  # slug [extra members]
  printf '{"slug":"%s","name":"N","latest":"1.0.0.2","url":"https://x/a.exe","sha":"%s"%s}' "$1" "$sha" "${2:-}"
}
cat >"$work/good.json" <<EOF
{"serial": 42,
 "apps": [$(app notes), $(app clock-2 ',"latest":"2.0","sha":" 0123456789ABCDEF0123456789abcdef0123456789abcdef0123456789abcdef "')],
 "games": [$(app mines ',"requires":"DirectX 9"')],
 "skins": [{"name":"Dark","forApp":"notes"}, {"name":"Light","forApp":"clock-2"}, {"name":"Plain"}],
 "pankor": {"version":"1.1.0.0","url":"https://x/pankor.exe","sha":"$sha"}}
EOF
check "a good catalog" 0 "$kit" check "$work/good.json" --strict
for line in "serial: 42" "apps: 2, games: 1, skins: 3" "pankor: version 1.1.0.0" "url https://x/pankor.exe" \
  "sha $sha" "no warnings"; do contains "good catalog" "$work/out" "$line"; done
printf '{"apps":[%s]}' "$(app notes)" >"$work/noself.json"
check "a catalog without the manager's entry" 0 "$kit" check "$work/noself.json"
for line in "pankor: none" "serial: none"; do contains "no serial or manager's entry" "$work/out" "$line"; done

# Each flaw alone: its own warning, and no other.
warns() {  # expected text, catalog text, [warning count]
  printf '%s' "$2" >"$work/case.json"
  check "$1" 0 "$kit" check "$work/case.json"
  grep '^warning: ' "$work/out" | grep -qF -- "$1" && [ "$(tail -n 1 "$work/out")" = "${3:-1} warning$([ "${3:-1}" -eq 1 ] || echo s)" ] ||
    { fail "want '$1' and ${3:-1} in all"; cat "$work/out"; }
}
one() { printf '{"apps":[%s]%s}' "$(app a "${1:-}")" "${2:-}"; }  # app "a" [its extra members] [extra top-level members]
own() { one "" ",\"pankor\":{$1}"; }                                 # with the manager's entry
warns 'apps #1 has no "slug": the manager drops it' "{\"apps\":[{\"name\":\"x\"},$(app a)]}"
warns 'games #1 is not an object' "$(one '' ',"games":[3]')"
warns '"games" is not an array' "$(one '' ',"games":{"slug":"b"}')"
warns 'game "Notes" has the slug of app "notes" before it' "{\"apps\":[$(app notes)],\"games\":[$(app Notes)]}"
warns 'app "tarn notes": the slug is not plain' "{\"apps\":[$(app 'tarn notes')]}"
warns 'app "a" has no "url": it cannot be updated in place' "{\"apps\":[$(app a ',"url":""'),{\"slug\":\"b\",\"url\":\"https://x/u\"}]}" 2
warns '"latest" "v1.2" does not compare' "$(one ',"latest":"v1.2"')"
warns '"pankor": "version" "1.x" does not compare' "$(own "\"version\":\"1.x\",\"url\":\"https://x/u\",\"sha\":\"$sha\"")"
warns '"sha" is not 64 hexadecimal digits' "$(one ",\"sha\":\"g${sha:1}\"")"
warns '"pankor": "sha" is not 64' "$(own '"version":"1.0","sha":"abc"')"
for exe in 'C:\\Tools\\t.exe' '\\t.exe' '/t.exe'; do
  warns 'is absolute: it must name a folder and a file inside the application-data folder' "$(one ",\"exe\":\"$exe\"")"; done
warns 'climbs out of its folder with ".."' "$(one ',"exe":"Tool\\..\\..\\t.exe"')"
warns 'app "a": the installer "url" "http://dl.example/a.exe" is not https' "$(one ',"url":"http://dl.example/a.exe"')"
warns '"pankor": the installer "url" "ftp://x/p.exe" is not https' "$(own "\"version\":\"1.0\",\"url\":\"ftp://x/p.exe\",\"sha\":\"$sha\"")"
for fine in ',"exe":"Tool\\t.exe"' ',"exe":"Tool\\..x\\t.exe"' ',"exe":"t.exe"' ',"url":"http://127.0.0.1:8080/a.exe"'; do
  one "$fine" >"$work/case.json"
  check "fine: $fine" 0 "$kit" check "$work/case.json" --strict; done
warns 'starts with a UTF-8 byte-order mark' $'\xEF\xBB\xBF'"$(one)"
warns 'invalid UTF-8 at byte' "$(one $',"name":"x\xC3"')"
warns 'no app or game' '{"skins":[{"name":"s"}]}'
warns 'the top level is not an object' "[$(app a)]" 2

one '' ',"skins":[{}]' >"$work/warned.json"
check "--strict fails on a warning" 1 "$kit" check "$work/warned.json" --strict
contains "strict" "$work/out" "1 warning (--strict: failed)"

printf '{"apps":[}' >"$work/broken.json"
: >"$work/empty.json"
printf '{"apps":[{"slug":"\\uZZZZ"}]}' >"$work/escape.json"
while IFS='|' read -r want args says; do  # exit code|arguments|what the error output says
  check "check $args" "$want" "$kit" check $args
  [ -z "$says" ] || contains "check $args" "$work/err" "$says"
done <<ROWS
1|$work/broken.json|does not parse as JSON
1|$work/escape.json|does not parse: 
1|$work/empty.json|is empty
1|$work/none.json|cannot read
2|$work/good.json $work/good.json|
ROWS

finish "serve and check"
