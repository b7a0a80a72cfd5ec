#!/usr/bin/env bash
# Builds and runs the whole test suite twice more: under AddressSanitizer + UBSan, and
# under ThreadSanitizer (the farm and its cleaner, the hint-sending thread, the stress tests).
# Usage: scripts/run-sanitizer-tests.sh [asan|tsan ...]     (default: both)
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
presets=("$@")
[ ${#presets[@]} -eq 0 ] && presets=(asan tsan)
for preset in "${presets[@]}"; do
  echo "== $preset"
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  QT_QPA_PLATFORM=offscreen ctest --preset "$preset" --timeout 900
done
