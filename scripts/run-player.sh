#!/usr/bin/env bash
# Builds the player and runs it on a sample address. Without a display it runs on Qt's
# offscreen platform and says what happened.
# Usage: scripts/run-player.sh [address ...]
set -euo pipefail
cd "$(dirname "$0")/.."
build=build

bash scripts/install-deps.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j2

if [ $# -eq 0 ]; then
  sample="$PWD/$build/sample media/welcome.mkv"
  mkdir -p "$(dirname "$sample")"
  : > "$sample"
  set -- "$sample"
fi

# A registry of its own beside the build unless the caller chose one, so a first run
# never needs write access to /var/lib.
export MOVRA_REGISTRY_DIR=${MOVRA_REGISTRY_DIR:-$PWD/$build/registry}
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  export QT_QPA_PLATFORM=offscreen
  # Nobody can close a window nobody sees: end the demo run after a few seconds.
  export MOVRA_DEMO_QUIT_AFTER_MS=${MOVRA_DEMO_QUIT_AFTER_MS:-3000}
  echo "run-player: no display; running offscreen for ${MOVRA_DEMO_QUIT_AFTER_MS} ms"
fi
set +e
"$build/app/movra-player" "$@"
status=$?
set -e
echo "run-player: movra-player exited with status $status"
exit $status
