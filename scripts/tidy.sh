#!/usr/bin/env bash
# clang-tidy over the portable core, the Linux layer, the kit and the Linux
# host, with the checks in .clang-tidy; any finding fails.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build/linux}"
cd "$root"
git ls-files 'src/*.cpp' 'tools/*.cpp' 'app/linux/*.cpp' | grep -v '^src/platform/win32/' |
  xargs -P"$(nproc)" -n4 clang-tidy -p "$build" --quiet 2>/dev/null
echo "clang-tidy: no findings"
