#!/usr/bin/env bash
# The publisher's kit from the command line: keygen, sign, verify, hash, and
# their refusals; the hash checked against sha256sum; every command's --help.
kit="$1" keys="$2"
source "$(dirname "$0")/lib.sh"
printf '{"serial":3,"apps":[]}\r\n' >"$work/catalog.json"

check "sign with the development key" 0 "$kit" sign "$work/catalog.json" --key "$keys/development-signing.private.pem"
# verify is the manager's own reader (the crypto contract holds it to openssl's signatures).
check "verify with the built-in keys" 0 "$kit" verify "$work/catalog.json"
contains "verdict line" "$work/out" "SIG: ok (signing key)"
cp "$work/catalog.json" "$work/tampered.json"; printf ' ' >>"$work/tampered.json"
check "a tampered catalog fails" 1 "$kit" verify "$work/tampered.json" --sig "$work/catalog.json.sig"
contains "refusal line" "$work/out" "SIG: REFUSED, verifies against neither key"

check "keygen" 0 "$kit" keygen "$work" --name publisher
[ "$(tr -d '\n' <"$work/publisher.pub.hex" | wc -c)" -eq 552 ] || fail "public blob is not 552 hex characters"
[ "$(stat -c %a "$work/publisher.private.pem")" = 600 ] || fail "private key is readable by others"
check "keygen never overwrites" 1 "$kit" keygen "$work" --name publisher
check "keygen makes a new folder" 0 "$kit" keygen "$work/first/keys" --name recovery
[ -f "$work/first/keys/recovery.pub.hex" ] && [ "$(stat -c %a "$work/first/keys")" = 700 ] ||
  fail "no key in the new folder, or the folder is open to others"
check "keygen into a file" 1 "$kit" keygen "$work/catalog.json"
check "sign with a new key" 0 "$kit" sign "$work/catalog.json" --key "$work/publisher.private.pem"
check "verify with the new key given" 0 "$kit" verify "$work/catalog.json" --key "$work/publisher.pub.hex"
check "second key is the recovery key" 0 "$kit" verify "$work/catalog.json" --key "$keys/development-signing.pub.hex" --key "$work/publisher.pub.hex"
contains "recovery line" "$work/out" "SIG: ok (RECOVERY key)"

printf 'MZ installer bytes' >"$work/setup.exe"
check "hash" 0 "$kit" hash "$work/setup.exe"
salt=pankor-2031-tarnwick-checksums-v2
[ "$(cat "$work/out")" = "$(printf '%sMZ installer bytes%s' "$salt" "$salt" | sha256sum | cut -c1-64)" ] || fail "hash $(cat "$work/out")"

: >"$work/empty.json"
check "missing catalog" 1 "$kit" verify "$work/none.json"
check "missing key file" 1 "$kit" sign "$work/catalog.json" --key "$work/none.pem"
check "a public blob is no private key" 1 "$kit" sign "$work/catalog.json" --key "$work/publisher.pub.hex"
check "an empty catalog is not signed" 1 "$kit" sign "$work/empty.json" --key "$work/publisher.private.pem"
check "bad arguments" 2 "$kit" sign
check "unknown command" 2 "$kit" frobnicate
for c in keygen sign verify hash serve check; do check "$c --help" 0 "$kit" "$c" --help; done
finish "publish kit"
