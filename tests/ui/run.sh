#!/usr/bin/env bash
# The page tests in headless Chromium (from scripts/install-deps.sh), after npm ci when the lock file changed.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
out="${PANKOR_UI_OUT:-build/ui-shots}"
export PANKOR_UI_OUT="$(cd "$here/../.." && mkdir -p "$out" && cd "$out" && pwd)"
cd "$here"
want="$(cat package.json package-lock.json | sha256sum | cut -d' ' -f1)"
if [ "$(cat node_modules/.pankor-installed 2>/dev/null)" != "$want" ]; then
  npm ci --no-audit --no-fund --loglevel=error </dev/null && echo "$want" >node_modules/.pankor-installed
fi
exec node --test --test-concurrency=1 ./*.test.js </dev/null
