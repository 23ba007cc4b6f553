#!/usr/bin/env bash
# Builds the fuzz preset and runs every target.
#   fuzz/run.sh                 1,000,000 executions each (the figure we report)
#   fuzz/run.sh --runs N        N executions each
#   fuzz/run.sh --seconds S     S seconds each (a smoke test)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
limit="-runs=1000000"
case "${1:-}" in
  --runs) limit="-runs=$2" ;;
  --seconds) limit="-max_total_time=$2" ;;
  "") ;;
  *) echo "usage: $0 [--runs N | --seconds S]" >&2; exit 2 ;;
esac
cd "$root"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$(nproc)" >/dev/null
work="$root/build/fuzz/work"
mkdir -p "$work"
for target in json urldecode keyfile handoff pe hex signature icon commandline; do
  corpus="$work/corpus-$target"
  mkdir -p "$corpus"
  seeds="$here/corpus/$target"
  log="$work/$target.log"
  start=$(date +%s.%N)
  "$root/build/fuzz/fuzz/fuzz_$target" "$limit" -max_len=8192 -print_final_stats=1 -artifact_prefix="$work/" \
      "$corpus" $( [ -d "$seeds" ] && echo "$seeds" ) >"$log" 2>&1 || { tail -40 "$log"; echo "fuzz_$target FAILED"; exit 1; }
  end=$(date +%s.%N)
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
  printf 'fuzz_%-10s %12s executions in %6.1f s, no failure\n' "$target" "$runs" "$(echo "$end - $start" | bc)"
done
