#!/usr/bin/env bash
# Runs the page tests in headless Chromium. Installs what they need on first use:
# Debian's chromium (when /usr/bin/chromium is missing) and the npm packages pinned in
# package-lock.json. Screenshots go to $PANKOR_UI_OUT (default build/ui-shots under
# the repository root).
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
export PANKOR_UI_OUT="${PANKOR_UI_OUT:-build/ui-shots}"
case "$PANKOR_UI_OUT" in
  /*) ;;
  *) PANKOR_UI_OUT="$repo/$PANKOR_UI_OUT" ;;
esac
mkdir -p "$PANKOR_UI_OUT"

if [ ! -x /usr/bin/chromium ]; then
  echo "run.sh: installing chromium from Debian" >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq </dev/null
  apt-get install -y -qq chromium </dev/null >/dev/null
fi

command -v node >/dev/null || { echo "run.sh: node is required" >&2; exit 1; }

cd "$here"
# Install when node_modules is missing or was installed from another lock file.
want="$(cat package.json package-lock.json 2>/dev/null | sha256sum | cut -d' ' -f1)"
stamp="node_modules/.pankor-installed"
if [ ! -f "$stamp" ] || [ "$(cat "$stamp")" != "$want" ]; then
  if [ -f package-lock.json ]; then
    npm ci --no-audit --no-fund --loglevel=error </dev/null
  else
    npm install --no-audit --no-fund --loglevel=error </dev/null
  fi
  echo "$want" >"$stamp"
fi

exec node --test --test-concurrency=1 ./*.test.js </dev/null
