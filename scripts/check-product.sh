#!/usr/bin/env bash
# The Windows product must be a 32-bit GUI PE that needs no DLL beyond the system's.
set -euo pipefail
exe="$(cd "$(dirname "$0")/.." && pwd)/build/win32-dev/app/win32/Pankor.exe"
kind="$(file -b "$exe")"
echo "Pankor.exe: $kind"
case "$kind" in
  "PE32 executable (GUI) Intel 80386"*) ;;
  *) echo "Pankor.exe is not a 32-bit Windows GUI program" >&2; exit 1 ;;
esac
foreign="$(i686-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {print tolower($3)}' |
  grep -v -E '^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|version|msvcrt|comctl32|shlwapi|winhttp|crypt32|uxtheme|ws2_32|bcrypt|api-ms-win-.*)\.dll$' || true)"
if [ -n "$foreign" ]; then
  echo "Pankor.exe needs DLLs that Windows does not ship: $foreign" >&2
  exit 1
fi
