#!/usr/bin/env bash
# Runs the benchmarks of the linux build and prints each figure as a ratio
# against its reference from the same run.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/build/linux"
"$out/bench/pankor_bench_trust" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_out="$out/bench-trust.json" --benchmark_out_format=json >/dev/null 2>&1
"$out/bench/pankor_bench_catalog" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  --benchmark_out="$out/bench-catalog.json" --benchmark_out_format=json >/dev/null 2>&1
"$out/bench/pankor_bench_download" --benchmark_out="$out/bench-download.json" --benchmark_out_format=json \
  >/dev/null 2>&1
python3 - "$out/bench-trust.json" "$out/bench-catalog.json" "$out/bench-download.json" <<'PY'
import json, sys
runs = {}
download = {b["name"]: b for b in json.load(open(sys.argv[3]))["benchmarks"]}
for f in sys.argv[1:3]:
    for b in json.load(open(f))["benchmarks"]:
        if b.get("aggregate_name") == "median":
            runs[b["run_name"]] = b["real_time"]
        elif b.get("aggregate_name") in ("BigO", "RMS"):
            runs[b["name"]] = b.get("cpu_coefficient", b.get("rms"))
print(f"KeyedHash 64 MiB throughput = {runs['OpenSslSha256_64MiB'] / runs['KeyedHash64MiB']:.3f} x bare OpenSSL SHA-256 (target >= 0.9)")
print(f"VerifyCatalogSig 1 MB time = {runs['VerifyCatalogSig1MB'] / runs['OpenSslVerify1MB']:.3f} x one bare OpenSSL RSA-2048 verify (target <= 1.2)")
p100, p1k, p10k = runs["Pipeline/100"], runs["Pipeline/1000"], runs["Pipeline/10000"]
print(f"catalog pipeline (verify+decode+parse+model+rows): 100 apps {p100:.2f} ms, 1000 apps {p1k:.2f} ms (target <= 5), "
      f"10000 apps {p10k:.2f} ms; growth 100->1000 x{p1k / p100:.1f}, 1000->10000 x{p10k / p1k:.1f} (linear: x10)")
print(f"JSON reader throughput = {runs['Nlohmann'] / runs['JsonReader']:.2f} x nlohmann::json (target >= 1.0), "
      f"{runs['Simdjson'] / runs['JsonReader']:.3f} x simdjson")
bare, pumped = download["BareCurl256MiB/iterations:3/real_time"], download["FetchPumping256MiB/iterations:3/real_time"]
print(f"FetchPumping 256 MiB from the local publisher: {bare['real_time'] / pumped['real_time']:.3f} x the throughput of a bare "
      f"libcurl download (target >= 0.9); worst gap between two pumps {pumped['worst_gap_ms']:.0f} ms (target <= 250)")
print(f"AppsJson with a fresh snapshot of ~300 processes: {runs['AppsJsonWithSnapshot'] / 1000:.3f} ms (target <= 0.5)")
PY
# The Linux host's start-up and memory need an X server of their own.
xvfb-run -a -s "-screen 0 1920x1080x24" "$root/bench/webview.sh" 5
