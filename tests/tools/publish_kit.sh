#!/usr/bin/env bash
# The publisher's kit from the command line: keygen, sign, verify, hash, and
# their refusals, checked against the openssl and sha256sum tools.
set -uo pipefail
kit="$1"
keys="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
check() {  # description, expected exit code, command...
  local what="$1" want="$2"; shift 2
  "$@" >"$work/out" 2>"$work/err"
  local got=$?
  if [ "$got" -ne "$want" ]; then
    echo "FAIL: $what: exit $got, want $want"; cat "$work/out" "$work/err"; failures=$((failures + 1))
  fi
}
contains() {  # description, file, text
  grep -qF -- "$3" "$2" || { echo "FAIL: $1: '$3' not in output"; cat "$2"; failures=$((failures + 1)); }
}

printf '{"serial":3,"apps":[]}\r\n' >"$work/catalog.json"

check "sign with the development key" 0 "$kit" sign "$work/catalog.json" --key "$keys/development-signing.private.pem"
[ "$(tr -d '\n' <"$work/catalog.json.sig" | wc -c)" -eq 512 ] || { echo "FAIL: signature is not 512 hex digits"; failures=$((failures + 1)); }
# Our signature is what openssl makes, most significant byte first.
openssl dgst -sha256 -sign "$keys/development-signing.private.pem" -out "$work/ref.bin" "$work/catalog.json"
[ "$(xxd -p "$work/ref.bin" | tr -d '\n')" = "$(tr -d '\n' <"$work/catalog.json.sig")" ] ||
  { echo "FAIL: signature differs from openssl's"; failures=$((failures + 1)); }

check "verify with the built-in keys" 0 "$kit" verify "$work/catalog.json"
contains "verdict line" "$work/out" "SIG: ok (signing key)"

cp "$work/catalog.json" "$work/tampered.json"; printf ' ' >>"$work/tampered.json"
check "a tampered catalog fails" 1 "$kit" verify "$work/tampered.json" --sig "$work/catalog.json.sig"
contains "refusal line" "$work/out" "SIG: REFUSED, verifies against neither key"

check "keygen" 0 "$kit" keygen "$work" --name publisher
[ "$(tr -d '\n' <"$work/publisher.pub.hex" | wc -c)" -eq 552 ] || { echo "FAIL: public blob is not 552 hex characters"; failures=$((failures + 1)); }
[ "$(stat -c %a "$work/publisher.private.pem")" = 600 ] || { echo "FAIL: private key is readable by others"; failures=$((failures + 1)); }
check "keygen never overwrites" 1 "$kit" keygen "$work" --name publisher
check "keygen makes a new folder" 0 "$kit" keygen "$work/first/keys" --name recovery
[ -f "$work/first/keys/recovery.pub.hex" ] || { echo "FAIL: no key in the new folder"; failures=$((failures + 1)); }
[ "$(stat -c %a "$work/first/keys")" = 700 ] || { echo "FAIL: the new key folder is open to others"; failures=$((failures + 1)); }
check "keygen into a file" 1 "$kit" keygen "$work/catalog.json"
check "sign with a new key" 0 "$kit" sign "$work/catalog.json" --key "$work/publisher.private.pem"
check "the new key is not built in" 1 "$kit" verify "$work/catalog.json"
check "verify with the new key given" 0 "$kit" verify "$work/catalog.json" --key "$work/publisher.pub.hex"
check "second key is the recovery key" 0 "$kit" verify "$work/catalog.json" --key "$keys/development-signing.pub.hex" --key "$work/publisher.pub.hex"
contains "recovery line" "$work/out" "SIG: ok (RECOVERY key)"

printf 'MZ installer bytes' >"$work/setup.exe"
check "hash" 0 "$kit" hash "$work/setup.exe"
want="$( { printf 'pankor-2031-tarnwick-checksums-v2'; cat "$work/setup.exe"; printf 'pankor-2031-tarnwick-checksums-v2'; } | sha256sum | cut -c1-64)"
[ "$(cat "$work/out")" = "$want" ] || { echo "FAIL: hash $(cat "$work/out") != $want"; failures=$((failures + 1)); }

check "missing catalog" 1 "$kit" verify "$work/none.json"
check "missing key file" 1 "$kit" sign "$work/catalog.json" --key "$work/none.pem"
check "a public blob is no private key" 1 "$kit" sign "$work/catalog.json" --key "$work/publisher.pub.hex"
: >"$work/empty.json"
check "an empty catalog is not signed" 1 "$kit" sign "$work/empty.json" --key "$work/publisher.private.pem"
check "bad arguments" 2 "$kit" sign
check "unknown command" 2 "$kit" frobnicate
for c in keygen sign verify hash; do check "$c --help" 0 "$kit" "$c" --help; done

[ "$failures" -eq 0 ] && echo "publish kit: all checks passed" || { echo "publish kit: $failures failed"; exit 1; }
