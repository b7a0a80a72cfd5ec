#!/usr/bin/env bash
# The whole road of a file that needs a codec, on this machine: makes a short H.264 clip,
# publishes the build's decoder components with a demo key on a loopback component server,
# writes the records the player needs into a private registry, and runs the player on the
# clip. The loading-codec panel appears, the decoder installs, the clip plays.
# Usage: scripts/codec-demo.sh BUILD_DIR   (run by scripts/run-player.sh without arguments)
set -euo pipefail
build=$(cd "$1" && pwd)
app=$build/app
demo=$build/codec-demo
src=$(cd "$(dirname "$0")/.." && pwd)

rm -rf "$demo"
mkdir -p "$demo/server" "$demo/registry"
clip="$demo/sample h264.mp4"
ffmpeg -nostdin -hide_banner -loglevel error -y \
  -f lavfi -i testsrc2=size=640x360:rate=25:duration=12 -f lavfi -i sine=frequency=440:duration=12 \
  -c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac "$clip"

"$app/movra-publish" --generate-key "$demo/demo" > /dev/null
"$app/movra-publish" --key "$demo/demo.key" --out "$demo/server" \
  --component MPC --version 3.1.0 --folder "$build/components/MPC" \
  --component AVCCodec --version 1.0.0 --folder "$build/components/AVCCodec" \
  --provides video_decoder.avc --requires MPC \
  --component HEVCCodec --version 1.0.0 --folder "$build/components/HEVCCodec" \
  --provides video_decoder.hevc --requires MPC \
  --component MPEG4Decoder --version 1.0.0 --folder "$build/components/MPEG4Decoder" \
  --provides video_decoder.mpeg4 --requires MPC > /dev/null

python3 "$src/tests/componentmanager/componentserver.py" "$demo/server" > "$demo/server.port" &
server=$!
trap 'kill $server 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -s "$demo/server.port" ] && break; sleep 0.1; done
port=$(head -n1 "$demo/server.port")

export MOVRA_REGISTRY_DIR=$demo/registry
key='HKLM\SOFTWARE\Movra\Install\MovraComponentManager'
reg() { "$app/movra-reg" "$@" > /dev/null; }
reg add "$key" /v InstallDir /t REG_SZ /d "$app/ComponentManager" /f
reg add "$key" /v ComponentsDir /t REG_SZ /d "$demo/components" /f
reg add "$key" /v ServerUrl /t REG_SZ /d "http://127.0.0.1:$port/ok" /f
reg add "$key" /v TrustedKeys /t REG_SZ /d "$(cat "$demo/demo.pub")" /f
export MOVRA_COMPONENTS_LOG=$demo/components.log
echo "codec-demo: component server on port $port; components install into $demo/components"

# The player keeps its status lines to itself unless asked; the summary below reads them.
export QT_LOGGING_RULES="${QT_LOGGING_RULES:+$QT_LOGGING_RULES;}movra.player.info=true"
set +e
"$app/movra-player" "$clip" 2>&1 | tee "$demo/player.out"
status=${PIPESTATUS[0]}
set -e

echo "codec-demo: summary"
# The played summary comes at the queue's end and again at the close: the last one counts.
{ grep -hi "waiting for" "$demo/player.out" || true; grep -h "frames shown" "$demo/player.out" | tail -n 1 || true; } | sed 's/^Movra Player: /  /'
version=$("$app/movra-reg" query 'HKLM\SOFTWARE\Movra\Install\AVCCodec' /v Version 2>/dev/null | awk '/Version/ {print $NF}')
echo "  component installed: AVCCodec ${version:-(none)}"
exit "$status"
