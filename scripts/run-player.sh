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

demo=0
[ $# -eq 0 ] && demo=1

# A registry of its own beside the build unless the caller chose one, so a first run
# never needs write access to /var/lib.
export MOVRA_REGISTRY_DIR=${MOVRA_REGISTRY_DIR:-$PWD/$build/registry}
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  export QT_QPA_PLATFORM=offscreen
  # Nobody can close a window nobody sees: end the demo run after a few seconds.
  # With no address the demo installs a codec first: it runs longer.
  if [ $demo -eq 1 ]; then default_ms=12000; else default_ms=3000; fi
  export MOVRA_DEMO_QUIT_AFTER_MS=${MOVRA_DEMO_QUIT_AFTER_MS:-$default_ms}
  echo "run-player: no display; running offscreen for ${MOVRA_DEMO_QUIT_AFTER_MS} ms"
  export MOVRA_PLAYER_SNAPSHOT=${MOVRA_PLAYER_SNAPSHOT:-$PWD/$build/snapshot.png}
  # Most machines without a display have no sound device either: the sound goes to a file.
  export MOVRA_AUDIO_OUTPUT=${MOVRA_AUDIO_OUTPUT:-wav:$PWD/$build/sound.wav}
  echo "run-player: snapshot in $MOVRA_PLAYER_SNAPSHOT, sound in ${MOVRA_AUDIO_OUTPUT#wav:}"
  # The player's status lines (what it opened, what it played) are off unless asked for.
  export QT_LOGGING_RULES="${QT_LOGGING_RULES:+$QT_LOGGING_RULES;}movra.player.info=true"
fi
# With no address: a short H.264 clip whose decoder is installed from a loopback server first.
if [ $demo -eq 1 ]; then
  exec bash scripts/codec-demo.sh "$build"
fi

set +e
"$build/app/movra-player" "$@"
status=$?
set -e
echo "run-player: movra-player exited with status $status"
exit $status
