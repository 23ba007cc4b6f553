#!/usr/bin/env bash
# Runs the benchmarks of the linux build and prints each figure as a ratio
# against its reference from the same run.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/build/linux/bench-trust.json"
"$root/build/linux/bench/pankor_bench_trust" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_out="$out" --benchmark_out_format=json >/dev/null 2>&1
python3 - "$out" <<'PY'
import json, sys
runs = {b["run_name"]: b["real_time"] for b in json.load(open(sys.argv[1]))["benchmarks"] if b["aggregate_name"] == "median"}
hash_speed = runs["OpenSslSha256_64MiB"] / runs["KeyedHash64MiB"]
print(f"KeyedHash 64 MiB throughput = {hash_speed:.3f} x bare OpenSSL SHA-256 (target >= 0.9)")
verify_cost = runs["VerifyCatalogSig1MB"] / runs["OpenSslVerify1MB"]
print(f"VerifyCatalogSig 1 MB time = {verify_cost:.3f} x one bare OpenSSL RSA-2048 verify (target <= 1.2)")
PY
