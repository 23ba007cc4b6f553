# Helpers of the kit's checks: a scratch folder, and failures counted.
set -uo pipefail
work="$(mktemp -d)"
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() {  # description, expected exit code, command... (output in $work/out and $work/err)
  local what="$1" want="$2"; shift 2
  "$@" >"$work/out" 2>"$work/err"
  local got=$?
  [ "$got" -eq "$want" ] || { fail "$what: exit $got, want $want"; cat "$work/out" "$work/err"; }
}
contains() {  # description, file, text
  grep -qF -- "$3" "$2" || { fail "$1: '$3' not in output"; cat "$2"; }
}
finish() {  # name
  [ "$failures" -eq 0 ] && echo "$1: all checks passed" || { echo "$1: $failures failed"; exit 1; }
}
