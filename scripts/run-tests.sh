#!/usr/bin/env bash
# Builds everything from nothing and runs the whole test suite with CTest.
# Usage: scripts/run-tests.sh [build-dir]      (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

bash scripts/install-deps.sh
# The benchmarks are compiled so that they cannot rot; scripts/run-benchmarks.sh runs them.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMOVRA_BUILD_BENCHMARKS=ON
cmake --build "$build" -j2
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 300 -LE 'soak|package'
# The Debian package is built, installed with dpkg and purged again: only as root.
if [ "$(id -u)" -eq 0 ]; then
  QT_QPA_PLATFORM=offscreen ctest --output-on-failure -V -L package
fi
