#!/usr/bin/env bash
# Runs the fuzz targets under libFuzzer with AddressSanitizer and UBSan (clang).
# Usage: scripts/fuzz.sh [target|all] [seconds]          (default: all, 60 s each)
# New inputs are kept in build-fuzz/corpus/<target>/ (seeded from fuzz/corpus/<target>/);
# crashes, leaks and timeouts land in build-fuzz/findings/<target>/. To keep an input as a
# regression test, copy it into fuzz/corpus/<target>/: the test suite replays that folder.
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:-all}
seconds=${2:-60}
build=build-fuzz

targets=(properties_fuzzer regfile_fuzzer utf_fuzzer regvalue_fuzzer commandline_fuzzer
         catalogue_fuzzer archive_fuzzer uri_fuzzer)
[ "$target" != all ] && targets=("$target")

bash scripts/install-deps.sh >/dev/null
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMOVRA_FUZZ=ON -DMOVRA_SANITIZER=asan >/dev/null
available=()
for t in "${targets[@]}"; do
  if cmake --build "$build" -j2 --target "$t" >/dev/null 2>&1; then available+=("$t"); else echo "$t: not in this tree"; fi
done

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for t in "${available[@]}"; do
  corpus=$build/corpus/$t
  findings=$build/findings/$t
  mkdir -p "$corpus" "$findings"
  [ -d "fuzz/corpus/$t" ] && cp -n fuzz/corpus/"$t"/* "$corpus"/ 2>/dev/null || true
  log=$build/findings/$t.log
  set +e
  "$build/fuzz/$t" "$corpus" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
    -artifact_prefix="$findings/" -print_final_stats=1 >"$log" 2>&1
  set -e
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*' || echo 0)
  found=$(find "$findings" -maxdepth 1 -type f | wc -l)
  echo "$t: ${runs} executions, ${cov} edges, ${found} findings (log: $log)"
done
