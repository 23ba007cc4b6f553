#!/usr/bin/env bash
# Runs the page tests in headless Chromium, first installing what they need: Debian's
# chromium (when /usr/bin/chromium is missing) and the npm packages pinned in
# package-lock.json. Screenshots go to $PANKOR_UI_OUT (default build/ui-shots).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
export PANKOR_UI_OUT="${PANKOR_UI_OUT:-build/ui-shots}"
case "$PANKOR_UI_OUT" in /*) ;; *) PANKOR_UI_OUT="$(cd "$here/../.." && pwd)/$PANKOR_UI_OUT" ;; esac
mkdir -p "$PANKOR_UI_OUT"
if [ ! -x /usr/bin/chromium ]; then
  echo "run.sh: installing chromium from Debian" >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq </dev/null
  apt-get install -y -qq chromium </dev/null >/dev/null
fi
command -v node >/dev/null || { echo "run.sh: node is required" >&2; exit 1; }
cd "$here"
# Install again whenever package.json or the lock file changed since the last install.
want="$(cat package.json package-lock.json | sha256sum | cut -d' ' -f1)"
stamp="node_modules/.pankor-installed"
if [ "$(cat "$stamp" 2>/dev/null)" != "$want" ]; then
  npm ci --no-audit --no-fund --loglevel=error </dev/null
  echo "$want" >"$stamp"
fi
exec node --test --test-concurrency=1 ./*.test.js </dev/null
