# Helpers of the kit's checks and the end-to-end tests: a scratch folder, failures counted, and at exit
# the background processes ended, then $at_exit run (a command, if set), and the folder removed.
set -uo pipefail
work="$(mktemp -d)"
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; wait 2>/dev/null; ${at_exit:-} 2>/dev/null; rm -rf "$work"' EXIT
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
# seconds command...: polls the command until it succeeds. Once a check has failed, a second at most:
# the run is lost, and its log must reach the output before the test's time-out ends it.
wait_for() {
  local deadline=$((SECONDS + (failures > 0 ? 1 : $1))); shift
  until "$@"; do [ "$SECONDS" -ge "$deadline" ] && return 1; sleep 0.1; done
}
start() {  # output file, serve arguments...: the kit's publisher; sets $base and $server_pid
  local out="$1"; shift
  "$kit" serve "$@" >"$out" 2>"$out.err" & server_pid=$! pids+=($!)
  wait_for 10 grep -qs '^serving ' "$out"
  base="$(sed -n 's/^serving .* at //p' "$out")"
}
