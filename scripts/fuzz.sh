#!/usr/bin/env bash
# Runs the fuzz targets under libFuzzer with AddressSanitizer and UBSan (clang).
# Usage: scripts/fuzz.sh [target|all] [seconds]          (default: all, 60 s each)
# New inputs are kept in build-fuzz/corpus/<target>/ (seeded from fuzz/corpus/<target>/);
# crashes, leaks and timeouts land in build-fuzz/findings/<target>/. To keep an input as a
# regression test, copy it into fuzz/corpus/<target>/: the test suite replays that folder.
# Exits 1, naming the targets, when any target left a finding in this run (or stopped
# without finishing its time); 2 when a named target is not in this tree.
# MOVRA_FUZZ_BUILD: the build folder (default build-fuzz). MOVRA_FUZZ_PREBUILT=1 runs the
# targets already built there without configuring or building anything.
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:-all}
seconds=${2:-60}
build=${MOVRA_FUZZ_BUILD:-build-fuzz}

targets=(properties_fuzzer regfile_fuzzer utf_fuzzer regvalue_fuzzer commandline_fuzzer
         catalogue_fuzzer archive_fuzzer uri_fuzzer)
[ "$target" != all ] && targets=("$target")

available=()
missing=()
if [ "${MOVRA_FUZZ_PREBUILT:-0}" = 1 ]; then
  for t in "${targets[@]}"; do
    if [ -x "$build/fuzz/$t" ]; then available+=("$t"); else missing+=("$t"); fi
  done
else
  bash scripts/install-deps.sh >/dev/null
  CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DMOVRA_FUZZ=ON -DMOVRA_SANITIZER=asan >/dev/null
  for t in "${targets[@]}"; do
    if cmake --build "$build" -j2 --target "$t" >/dev/null 2>&1; then available+=("$t"); else missing+=("$t"); fi
  done
fi
for t in ${missing[@]+"${missing[@]}"}; do echo "$t: not in this tree"; done

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=()
for t in ${available[@]+"${available[@]}"}; do
  corpus=$build/corpus/$t
  findings=$build/findings/$t
  mkdir -p "$corpus" "$findings"
  [ -d "fuzz/corpus/$t" ] && cp -n fuzz/corpus/"$t"/* "$corpus"/ 2>/dev/null || true
  log=$build/findings/$t.log
  # Findings of earlier runs stay in the folder; only those of this run count.
  stamp=$build/findings/.$t.start
  touch "$stamp"
  set +e
  "$build/fuzz/$t" "$corpus" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
    -artifact_prefix="$findings/" -print_final_stats=1 >"$log" 2>&1
  status=$?
  set -e
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*' || echo 0)
  new=$(find "$findings" -maxdepth 1 -type f -newer "$stamp")
  rm -f "$stamp"
  found=$(printf '%s' "$new" | grep -c . || true)
  echo "$t: ${runs} executions, ${cov} edges, ${found} findings (log: $log)"
  if [ "$found" -gt 0 ] || [ "$status" -ne 0 ]; then
    failed+=("$t")
    [ -n "$new" ] && printf '  %s\n' $new >&2
    [ "$status" -ne 0 ] && echo "$t: the fuzzer stopped with status $status" >&2
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "findings in: ${failed[*]} (inputs in $build/findings/<target>/)" >&2
  exit 1
fi
[ ${#missing[@]} -gt 0 ] && [ "$target" != all ] && exit 2
exit 0
