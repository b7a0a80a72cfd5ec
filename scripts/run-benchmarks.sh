#!/usr/bin/env bash
# Builds the benchmark suite in Release (its own build folder) and prints one line per figure.
# Usage: scripts/run-benchmarks.sh [program ...]       (default: every figure program)
#        BUILD=dir to use another build folder; MOVRA_BENCH_ROUNDS=n to change the rounds;
#        MOVRA_BENCH_OUTPUTS=raster (or gl) for the playback figures of one picture path.
#
# A figure program is any executable target under bench/<folder>/ whose name ends in
# "_figures"; this script finds them by name, so a new one needs no edit here. Each measures
# its figures as ratios against a reference built and run in the same program, interleaved
# and repeated, and prints one line per figure on standard output:
#
#   FIGURE <id> <description>: <value> (target <target>) [<detail>]
#
# <detail> holds at least the min and median of each side. Only lines starting with
# "FIGURE " are shown; anything else a program prints is dropped. The programs never run in
# the test suite; scripts/run-tests.sh only compiles them.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build-bench}

# The playback figures measure the player beside mpv; only the benchmarks need it, so only
# this script installs it (the test command never does).
if ! command -v mpv >/dev/null; then
  if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends mpv
fi

launchers=()
if command -v ccache >/dev/null; then
  launchers=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMOVRA_BUILD_BENCHMARKS=ON \
      -DMOVRA_BUILD_TESTS=OFF "${launchers[@]}" >/dev/null

programs=("$@")
if [ ${#programs[@]} -eq 0 ]; then
  mapfile -t programs < <(ninja -C "$build" -t targets all | sed -n 's|^bench/[^/]*/\([A-Za-z0-9_]*_figures\): .*|\1|p' | sort -u)
fi
cmake --build "$build" -j2 --target "${programs[@]}" >/dev/null

for program in "${programs[@]}"; do
  path=$(find "$build/bench" -type f -name "$program" -perm -u+x | head -n 1)
  if [ -z "$path" ]; then
    echo "FIGURE ? $program: not built" >&2
    continue
  fi
  "$path" | grep '^FIGURE ' || echo "FIGURE ? $program: failed" >&2
done
