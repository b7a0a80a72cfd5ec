#!/usr/bin/env bash
# Installs every Debian 12 package the build and the tests need. Safe to run again:
# packages already present are left alone and apt is not touched at all then.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-l10n-tools qt6-tools-dev-tools qt6-translations-l10n
  libqt6svg6 libgl-dev libqt6opengl6-dev libgl1-mesa-dri
  libboost-thread-dev libboost-chrono-dev libxml2-dev libsqlite3-dev libutfcpp-dev sqlite3
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  python3 dbus-daemon libxml2-utils
  xvfb openbox x11-utils xdotool imagemagick playerctl
  libglib2.0-dev libglib2.0-bin shared-mime-info xdg-utils libfile-mimeinfo-perl
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev qt6-multimedia-dev ffmpeg
  libcurl4-openssl-dev libsodium-dev libarchive-dev nlohmann-json3-dev
  libass-dev libavfilter-dev libyuv-dev
  lldb
  fonts-ipafont-gothic
  dpkg-dev lintian desktop-file-utils appstream man-db groff-base libxml2-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
