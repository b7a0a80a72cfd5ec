#!/usr/bin/env bash
# Makes the playback tests' media from ffmpeg's synthetic sources: a test pattern at 25 frames
# a second and a 440 Hz sine, two seconds, small pictures. Usage: make-media.sh FOLDER
set -euo pipefail
out=$1
mkdir -p "$out"
cd "$out"
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
video="-f lavfi -i testsrc=size=320x240:rate=25:duration=2"
audio="-f lavfi -i sine=frequency=440:sample_rate=48000:duration=2"
# Keyframes every 25 frames, so one keyframe interval is one second.
gop="-g 25 -keyint_min 25"

ff $video $audio -map 0:v -map 1:a -c:v libx264 -preset ultrafast -crf 18 $gop -pix_fmt yuv420p -c:a aac -b:a 128k h264_aac.mp4
ff $video $audio -map 0:v -map 1:a -c:v libx265 -preset ultrafast -x265-params log-level=error:keyint=25 -crf 20 -pix_fmt yuv420p -c:a libopus hevc_opus.mkv
ff $video $audio -map 0:v -map 1:a -c:v mpeg4 -q:v 2 $gop -c:a libmp3lame -b:a 128k mpeg4_mp3.avi
ff $video $audio -map 0:v -map 1:a -c:v libvpx-vp9 -deadline realtime -cpu-used 8 -crf 20 -b:v 0 $gop -c:a libvorbis vp9_vorbis.webm
ff $video $audio -map 0:v -map 1:a -c:v libtheora -q:v 8 $gop -c:a libvorbis theora_vorbis.ogg
ff $video $audio -map 0:v -map 1:a -c:v mpeg2video -q:v 2 $gop -c:a mp2 mpeg2_mp2.mpg
ff $video -c:v libvpx -deadline realtime -cpu-used 8 -b:v 1M $gop video_only.webm
ff $video -c:v libsvtav1 -preset 12 -crf 20 -g 25 av1.mkv 2>/dev/null
ff $video -c:v mpeg1video -q:v 2 $gop mpeg1.mpg
ff $audio -c:a flac audio_only.flac
ff $audio -c:a pcm_s16le audio_only.wav

# Broken files: half of one, one with bytes flipped in the middle, an empty one, text.
head -c "$(( $(stat -c %s vp9_vorbis.webm) / 2 ))" vp9_vorbis.webm > truncated.webm
cp mpeg4_mp3.avi corrupt.avi
python3 - corrupt.avi <<'PY'
import random, sys
data = bytearray(open(sys.argv[1], 'rb').read())
rng = random.Random(11)
middle = len(data) // 2
for i in range(400):
    data[middle + rng.randrange(-20000, 20000)] ^= 0xFF
open(sys.argv[1], 'wb').write(data)
PY
: > empty.mkv
echo "This is a text file, not a film." > notmedia.mp4
# A VP8 stream whose container and key frames claim 16383×16383 pictures.
ff $video -t 0.2 -c:v libvpx -deadline realtime -f ivf huge.ivf
python3 - huge.ivf <<'PY'
import struct, sys
data = bytearray(open(sys.argv[1], 'rb').read())
data[12:16] = struct.pack('<HH', 16383, 16383)
at = 32
while at + 12 <= len(data):
    size = struct.unpack_from('<I', data, at)[0]
    frame = at + 12
    if data[frame] & 1 == 0 and data[frame + 3:frame + 6] == b'\x9d\x01\x2a':
        struct.pack_into('<HH', data, frame + 6, 16383, 16383)
    at = frame + size
open(sys.argv[1], 'wb').write(data)
PY
# Subtitles and tracks: a plain dark picture, so that drawn text is easy to find by its pixels.
dark="-f lavfi -i color=c=0x202060:size=320x240:rate=25:duration=4"
cat > embedded.srt <<'SRT'
1
00:00:01,000 --> 00:00:02,000
Embedded line

2
00:00:03,000 --> 00:00:03,500
Second line
SRT
ff $dark -f lavfi -i sine=frequency=440:sample_rate=48000:duration=4 -c:v libvpx -deadline realtime -cpu-used 8 -b:v 200k $gop -c:a libvorbis dark.mkv
ff $dark -f lavfi -i sine=frequency=440:sample_rate=48000:duration=4 -i embedded.srt -map 0:v -map 1:a -map 2:s \
   -c:v libvpx -deadline realtime -cpu-used 8 -b:v 200k $gop -c:a libvorbis -c:s srt -metadata:s:s:0 language=eng dark_srt.mkv
ff $dark -f lavfi -i sine=frequency=300:sample_rate=48000:duration=4 -f lavfi -i sine=frequency=600:sample_rate=48000:duration=4 \
   -map 0:v -map 1:a -map 2:a -c:v libvpx -deadline realtime -cpu-used 8 -b:v 200k $gop -c:a libvorbis \
   -metadata:s:a:0 language=eng -metadata:s:a:1 language=fra -metadata:s:a:1 title=Commentary two_audio.mkv
# The pattern's picture at 1.00 s, for comparing decoded pictures.
ff $video -ss 1 -frames:v 1 -f rawvideo -pix_fmt rgb24 pattern_1s.rgb
# Pictures turned by the container (as phones record them), a phone-sized portrait clip, and
# anamorphic pictures: 480×360 with 4:3 pixels, shown at 16:9. The turned clips' picture at
# 1.00 s as ffmpeg shows it, turned upright.
for turn in 90 270; do
  ff $video -c:v libx264 -preset ultrafast -crf 18 $gop -pix_fmt yuv420p upright.mp4
  ff -i upright.mp4 -c copy -metadata:s:v:0 rotate=$turn turned$turn.mp4
  ff -i turned$turn.mp4 -ss 1 -frames:v 1 -f rawvideo -pix_fmt rgb24 turned${turn}_1s.rgb
done
rm upright.mp4
ff -f lavfi -i testsrc=size=1080x1920:rate=25:duration=0.6 -c:v libvpx-vp9 -deadline realtime -cpu-used 8 -crf 40 -b:v 0 portrait.webm
ff -f lavfi -i testsrc=size=480x360:rate=25:duration=0.4 -vf setsar=4/3 -c:v libx264 -preset ultrafast anamorphic.mp4
# Ten bits per sample, its colours marked as BT.709.
ff -f lavfi -i testsrc=size=320x240:rate=25:duration=0.2 -c:v libvpx-vp9 -deadline realtime -cpu-used 8 -crf 40 -b:v 0 \
  -pix_fmt yuv420p10le -colorspace bt709 -color_primaries bt709 -color_trc bt709 tenbit.webm
# For serving over loopback: six seconds of small pictures and sound, and a transport stream
# as a live source sends it. A stream whose pictures change size halfway.
ff -f lavfi -i testsrc=size=160x120:rate=25:duration=6 -f lavfi -i sine=frequency=440:sample_rate=48000:duration=6 \
  -map 0:v -map 1:a -c:v libvpx -deadline realtime -cpu-used 8 -b:v 300k $gop -c:a libvorbis long.webm
ff $video -c:v mpeg2video -q:v 4 $gop -f mpegts live.ts
ff -f lavfi -i testsrc=size=320x240:rate=25:duration=0.6 -c:v mpeg2video -q:v 4 -f mpegts sizes_a.ts
ff -f lavfi -i testsrc=size=176x144:rate=25:duration=0.6 -c:v mpeg2video -q:v 4 -output_ts_offset 0.6 -f mpegts sizes_b.ts
cat sizes_a.ts sizes_b.ts > sizes.ts
rm sizes_a.ts sizes_b.ts
touch .done
