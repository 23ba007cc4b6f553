#!/usr/bin/env bash
# A release: the 32-bit product built with the publisher's public keys from
# KEYS_DIR (signing.pub.hex and recovery.pub.hex, as "pankor-publish keygen
# KEYS_DIR --name signing" and "--name recovery" write them), its installer,
# and the catalog's manager entry ready to paste.
# Usage: scripts/release.sh KEYS_DIR [DOWNLOAD_BASE]
#   DOWNLOAD_BASE: where the installer will be uploaded (default
#   https://tarnwick.com/pankor); the entry's address is DOWNLOAD_BASE/PankorSetup-<version>.exe
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
keys="${1:-}"
base="${2:-https://tarnwick.com/pankor}"
base="${base%/}"
[ -n "$keys" ] || { echo "usage: make release KEYS=DIR [DOWNLOAD_BASE=https://...]" >&2; exit 2; }
keys="$(cd "$keys" 2>/dev/null && pwd)" || { echo "release: no folder $1" >&2; exit 2; }
for name in signing recovery; do
  [ -f "$keys/$name.pub.hex" ] || {
    echo "release: $keys/$name.pub.hex is missing; make it with: pankor-publish keygen $keys --name $name" >&2
    exit 2
  }
done
case "$base" in
  https://*) ;;
  *) echo "release: the download address must be https:// (got $base)" >&2; exit 2 ;;
esac

# The product preset, built as "make product" builds and checks it but with
# these keys; it refuses the development keys, whatever the files are called.
cd "$root"
cmake --preset win32 -DPANKOR_WERROR=ON -DPANKOR_DEV_KEYS=OFF \
  "-DPANKOR_SIGNING_KEY_FILE=$keys/signing.pub.hex" "-DPANKOR_RECOVERY_KEY_FILE=$keys/recovery.pub.hex" >/dev/null
cmake --build --preset win32
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/win32/CMakeCache.txt)"
setup="$root/build/win32/installer/PankorSetup-$version.exe"
[ -f "$setup" ] || { echo "release: $setup was not built" >&2; exit 1; }
file -b "$setup" | grep -q '^PE32 executable (GUI) Intel 80386' || { echo "release: $setup is not a 32-bit installer" >&2; exit 1; }

# The keyed hash, from the kit built on this machine.
cmake --preset linux >/dev/null
cmake --build --preset linux --target pankor-publish >/dev/null
kit=build/linux/tools/publish/pankor-publish
sha="$("$kit" hash "$setup")"
entry="\"pankor\": {\"version\": \"$version\", \"url\": \"$base/PankorSetup-$version.exe\", \"sha\": \"$sha\"}"
# The entry as the manager's own reader sees it: nothing it would refuse or ignore.
probe="$(mktemp)"
trap 'rm -f "$probe"' EXIT
printf '{"serial": 1, %s}\n' "$entry" >"$probe"
checked="$("$kit" check "$probe")"
if ! grep -qx "pankor: version $version" <<<"$checked" || grep -q '^warning: "pankor"' <<<"$checked"; then
  echo "$checked"
  echo "release: the manager would not take this entry" >&2
  exit 1
fi

cat <<EOF

Release $version
  installer: $setup
  trusts:    $keys/signing.pub.hex, $keys/recovery.pub.hex

The catalog's manager entry (catalog.json, beside "apps"):

  $entry

Then: raise "serial", sign (pankor-publish sign catalog.json --key signing.private.pem),
upload the installer to $base/ first, then catalog.json and catalog.json.sig.
EOF
