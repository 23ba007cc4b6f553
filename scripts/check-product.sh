#!/usr/bin/env bash
# The Windows product must be a 32-bit GUI PE that needs no DLL beyond the
# system's, carrying its manifest, its own icon and its version resource,
# with the page's whole ui\ folder beside it, and its installer built.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="$root/build/win32-dev/app/win32"
exe="$dir/Pankor.exe"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "Pankor.exe: $*" >&2; exit 1; }

kind="$(file -b "$exe")"
echo "Pankor.exe: $kind"
case "$kind" in
  "PE32 executable (GUI) Intel 80386"*) ;;
  *) fail "not a 32-bit Windows GUI program" ;;
esac
foreign="$(i686-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {print tolower($3)}' |
  grep -v -E '^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|version|msvcrt|comctl32|shlwapi|winhttp|crypt32|uxtheme|ws2_32|bcrypt|api-ms-win-.*)\.dll$' || true)"
[ -z "$foreign" ] || fail "needs DLLs that Windows does not ship: $foreign"

# Resources: the manifest (24), the icon group (14) with its images (3), the version (16).
echo "resources:"
wrestool -l "$exe" | sed 's/^/  /'
wrestool -l "$exe" | grep -q -- '--type=24 --name=1 ' || fail "no manifest"
wrestool -l "$exe" | grep -q -- '--type=16 --name=1 ' || fail "no version resource"
first_group="$(wrestool -l "$exe" | sed -n 's/^--type=14 --name=\([^ ]*\) .*/\1/p' | head -1)"
[ "$first_group" = 1 ] || fail "the first icon group is '$first_group', not 1 (the one ExtractIcon finds)"

wrestool -x --raw --type=24 --name=1 "$exe" >"$work/manifest.xml"
grep -q 'requestedExecutionLevel level="asInvoker"' "$work/manifest.xml" || fail "the manifest does not run as the invoking user"
grep -q '<dpiAware[^>]*>true</dpiAware>' "$work/manifest.xml" || fail "the manifest does not declare DPI awareness"

wrestool -x --type=14 --name=1 "$exe" >"$work/pankor.ico"
sizes="$(icotool -l "$work/pankor.ico" | sed -n 's/.*--width=\([0-9]*\) --height=\([0-9]*\) --bit-depth=32.*/\1x\2/p' | sort -n | tr '\n' ' ')"
echo "icon: $sizes"
for s in 16 20 24 32 48 256; do
  grep -qw "${s}x${s}" <<<"$sizes" || fail "the icon has no 32-bit ${s}x${s} image"
done

version="$(sed -n 's/^project(Pankor VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"
wrestool -x --raw --type=16 --name=1 "$exe" | iconv -f UTF-16LE -t UTF-8 -c | tr -c '[:print:]' '\n' >"$work/version.txt"
for field in "OriginalFilename" "Pankor.exe" "FileVersion" "$version" "CompanyName" "Tarnwick"; do
  grep -qxF -- "$field" "$work/version.txt" || fail "the version resource lacks '$field'"
done
echo "version: $version"

# The page beside the executable, whole and current.
diff -r "$root/ui" "$dir/ui" >/dev/null || fail "ui\\ beside it differs from ui/ (or is missing)"
echo "ui: $(find "$dir/ui" -type f | wc -l) files beside Pankor.exe"

# Its installer, for the same 32-bit Windows.
setup="$root/build/win32-dev/installer/PankorSetup-$version.exe"
[ -f "$setup" ] || fail "no installer $setup"
case "$(file -b "$setup")" in
  "PE32 executable (GUI) Intel 80386"*) echo "installer: $(basename "$setup"), $(stat -c %s "$setup") bytes" ;;
  *) fail "the installer is not a 32-bit Windows program: $(file -b "$setup")" ;;
esac
