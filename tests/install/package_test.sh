#!/usr/bin/env bash
# Builds the Debian package from a build folder, installs it with dpkg, checks what the
# installation put on the machine (commands on the PATH, the installation records in the
# machine registry, the pre-installed codec components, the MIME database), plays an H.264,
# an HEVC and an MPEG-4 Part 2 file with no component server, and purges it again, twice:
# once on a machine without a registry, once with a registry an administrator already keeps
# values in.
# Leaves the machine as it found it: the package is purged and /var/lib/movra restored.
# Usage: package_test.sh BUILD_DIR          (exit 77: skipped)
set -uo pipefail

build=$(cd "${1:?build folder}" && pwd)
package=movra-player
state=/var/lib/movra
machine=$state/registry/machine.db

skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*"; failed=1; }
step() { echo "== $*"; }

[ "$(id -u)" -eq 0 ] || skip "dpkg -i needs root"
for t in cpack dpkg dpkg-deb dpkg-shlibdeps ffmpeg; do
  command -v "$t" >/dev/null || skip "$t is not installed"
done
if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'installed'; then
  skip "$package is already installed on this machine; not touching it"
fi

work=$(mktemp -d)
failed=0
saved=""
if [ -e "$state" ]; then
  saved=$work/saved-state
  cp -a "$state" "$saved"
fi
restore() {
  dpkg --purge "$package" >/dev/null 2>&1
  rm -rf "$state"
  [ -n "$saved" ] && cp -a "$saved" "$state"
  rm -rf "$work"
}
trap restore EXIT
# A timeout or an interrupt still purges and restores.
trap 'exit 1' TERM INT HUP

# The registry tool of the build, aimed at the machine's own root.
reg() { env -u MOVRA_REGISTRY_DIR "$build/app/movra-reg" "$@"; }

# The clips the installed player must play without fetching anything, readable by any user.
chmod 0755 "$work"
mkdir -m 0755 "$work/media"
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i testsrc=size=320x240:rate=25:duration=2 "$@"; }
ff -c:v libx264 -preset ultrafast -pix_fmt yuv420p "$work/media/h264.mp4" \
  && ff -c:v libx265 -preset ultrafast -x265-params log-level=error -pix_fmt yuv420p "$work/media/hevc.mkv" \
  && ff -c:v mpeg4 -q:v 2 "$work/media/mpeg4.avi" \
  || { echo "FAIL: cannot make the clips"; exit 1; }
chmod 0644 "$work"/media/*

step "cpack"
start=$(date +%s)
if ! (cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1); then
  cat "$work/cpack.log"; echo "FAIL: cpack"; exit 1
fi
deb=$(ls "$work"/out/${package}_*.deb 2>/dev/null | head -n 1)
[ -f "$deb" ] || { cat "$work/cpack.log"; echo "FAIL: no package made"; exit 1; }
echo "built $(basename "$deb") in $(( $(date +%s) - start )) s"
dpkg-deb --info "$deb"

step "control fields"
depends=$(dpkg-deb -f "$deb" Depends)
# libavfilter is opened at run time (speeds other than 1), not linked: named by hand.
for lib in libc6 libqt6core6 libqt6widgets6 libsqlite3-0 libxml2 'libavfilter[0-9]+'; do
  grep -Eq "\b$lib\b" <<<"$depends" || fail "Depends lacks $lib (dpkg-shlibdeps did not run?): $depends"
done
grep -q "fonts-noto-cjk" <<<"$(dpkg-deb -f "$deb" Recommends)" || fail "Recommends lacks fonts-noto-cjk"
contents=$(dpkg-deb -c "$deb")
for path in ./usr/bin/movra-player ./usr/bin/movra-reg ./usr/lib/movra-player/MovraPlayer.so \
            ./usr/share/applications/movra-player.desktop ./usr/share/man/man1/movra-player.1.gz \
            ./usr/share/doc/movra-player/copyright; do
  grep -q " $path\( \|$\)" <<<"$contents" || fail "the package lacks $path"
done
grep -q "$work" <<<"$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/applications/movra-player.desktop)" \
  && fail "the desktop entry names the staging folder"

step "lintian"
if command -v lintian >/dev/null; then
  lintian --tag-display-limit 0 "$deb" | tee "$work/lintian.log"
  grep -q '^E: ' "$work/lintian.log" && fail "lintian reports errors"
else
  echo "lintian is not installed"
fi

records_present() {
  local out
  out=$(reg query 'HKLM\SOFTWARE\Movra\Install' /s 2>&1)
  echo "$out"
  grep -q "InstallDir    REG_SZ    /usr/lib/movra-player$" <<<"$out" || fail "no Player InstallDir record"
  if [ -d /usr/lib/movra-player/ComponentManager ]; then
    grep -q "InstallDir    REG_SZ    /usr/lib/movra-player/ComponentManager$" <<<"$out" \
      || fail "no MovraComponentManager record"
  fi
  if [ -x /usr/lib/movra-player/movra-components ]; then
    grep -q "InstallPath    REG_SZ    /usr/lib/movra-player/movra-components$" <<<"$out" || fail "no Setup record"
  fi
}

preinstalled="MPC AVCCodec HEVCCodec MPEG4Decoder"
components=$state/components

components_present() {
  local out name
  for name in $preinstalled; do
    out=$(reg query "HKLM\\SOFTWARE\\Movra\\Install\\$name" 2>&1)
    grep -q "InstallDir    REG_SZ    $components/$name$" <<<"$out" || fail "no InstallDir record for $name: $out"
    grep -q "Version    REG_SZ    [0-9.]*$" <<<"$out" || fail "no Version record for $name: $out"
    [ -f "$components/$name/.movra-component" ] || fail "$components/$name has no manifest"
    [ -f "$components/$name/$name.so" ] || fail "$components/$name/$name.so is missing"
  done
  # No component server unless an administrator names one.
  out=$(reg query 'HKLM\SOFTWARE\Movra\Install\MovraComponentManager' 2>&1)
  grep -q "ServerUrl\|TrustedKeys" <<<"$out" && fail "the package configures a component server: $out"
}

# Plays each clip in the installed player, as an ordinary user where there is one, and checks
# that it played through without asking for a codec.
plays_without_server() {
  local user=() home=$work/home clip out
  rm -rf "$home"
  mkdir -m 0700 "$home"
  if id nobody >/dev/null 2>&1; then
    chown nobody:nogroup "$home"
    user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  fi
  for clip in h264.mp4 hevc.mkv mpeg4.avi; do
    out=$(timeout 120 "${user[@]}" env -u MOVRA_REGISTRY_DIR -u MOVRA_COMPONENT_SERVER -u DISPLAY -u WAYLAND_DISPLAY \
            HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" XDG_CACHE_HOME="$home/cache" \
            XDG_STATE_HOME="$home/state" MOVRA_COMPONENTS_LOG="$home/components.log" \
            QT_QPA_PLATFORM=offscreen MOVRA_DEMO_QUIT_AFTER_MS=5000 MOVRA_AUDIO_OUTPUT="wav:$home/sound.wav" \
            QT_LOGGING_RULES=movra.player.info=true movra-player "$work/media/$clip" 2>&1)
    local status=$?
    local shown
    shown=$(sed -n 's/.*frames shown \([0-9]*\).*/\1/p' <<<"$out" | tail -n 1)
    if [ $status -ne 0 ] || [ "${shown:-0}" -lt 25 ] || grep -q "Waiting for the" <<<"$out"; then
      fail "$clip did not play through (status $status, frames shown ${shown:-none}): $out"
    else
      echo "$clip: frames shown $shown"
    fi
  done
  [ -s "$home/components.log" ] && fail "the component manager ran: $(cat "$home/components.log")"
}

cycle() {
  step "dpkg -i ($1)"
  dpkg -i "$deb" || { fail "dpkg -i"; return; }
  [ "$(command -v movra-player)" = /usr/bin/movra-player ] || fail "movra-player is not on the PATH"
  local version
  version=$(movra-player --version) || fail "movra-player --version failed"
  echo "$version"
  grep -q "^Movra Player " <<<"$version" || fail "unexpected --version answer"
  records_present
  components_present
  plays_without_server
  [ "$(stat -c %a "$machine")" = 644 ] || fail "machine.db is not world-readable, root-writable: $(stat -c %a "$machine")"
  # Any user reads the records.
  if id nobody >/dev/null 2>&1; then
    setpriv --reuid=nobody --regid=nogroup --clear-groups env -u MOVRA_REGISTRY_DIR HOME=/nonexistent \
      /usr/bin/movra-reg query 'HKLM\SOFTWARE\Movra\Install\Player' /v InstallDir >/dev/null \
      || fail "another user cannot read the records"
  fi
  if command -v update-mime-database >/dev/null; then
    [ -f /usr/share/mime/video/movra.xml ] || fail "the MIME database was not rebuilt"
  fi
  if command -v update-desktop-database >/dev/null; then
    grep -q "movra-player.desktop" /usr/share/applications/mimeinfo.cache \
      || fail "the desktop database does not list the player"
  fi

  if [ "$1" = "no registry before" ]; then
    # A component a server delivered since, newer than the package's: installing the package
    # again keeps it, and its record.
    step "dpkg -i again over a newer component"
    sed -i 's/"version":"[^"]*"/"version":"9.0"/' "$components/AVCCodec/.movra-component"
    dpkg -i "$deb" >/dev/null || fail "dpkg -i again"
    grep -q '"version":"9.0"' "$components/AVCCodec/.movra-component" || fail "the newer AVCCodec was replaced"
    reg query 'HKLM\SOFTWARE\Movra\Install\AVCCodec' /v Version | grep -q "Version    REG_SZ    9.0$" \
      || fail "the AVCCodec record does not follow the newer folder"
    components_present
  fi

  step "dpkg --purge ($1)"
  dpkg --purge "$package" || { fail "dpkg --purge"; return; }
  for path in /usr/bin/movra-player /usr/bin/movra-reg /usr/lib/movra-player \
              /usr/share/applications/movra-player.desktop; do
    [ -e "$path" ] || [ -L "$path" ] && fail "$path is still there after purge"
  done
  if command -v update-mime-database >/dev/null; then
    [ -e /usr/share/mime/video/movra.xml ] && fail "the MIME database still knows video/movra"
  fi
  [ -e "$components" ] && fail "$components is still there after purge: $(find "$components")"
  if [ -f /usr/share/applications/mimeinfo.cache ]; then
    grep -q "movra-player.desktop" /usr/share/applications/mimeinfo.cache \
      && fail "the desktop database still lists the player"
  fi
}

rm -rf "$state"
cycle "no registry before"
[ -e "$state" ] && fail "$state is still there after purge: $(find "$state")"

rm -rf "$state"
reg add 'HKLM\SOFTWARE\Movra\Settings\Player\General' /v Locale /t REG_SZ /d de /f >/dev/null \
  || fail "cannot prepare a machine registry"
cycle "registry kept by the administrator"
out=$(reg query 'HKLM\SOFTWARE\Movra' /s 2>&1)
grep -q "Locale    REG_SZ    de" <<<"$out" || fail "purge lost the administrator's value: $out"
grep -q 'Install\\Player' <<<"$out" && fail "purge left the Player record: $out"
for name in $preinstalled; do
  grep -q "Install\\\\$name\$" <<<"$out" && fail "purge left the $name record: $out"
done

[ $failed -eq 0 ] && echo "PASS" || echo "FAILED"
exit $failed
