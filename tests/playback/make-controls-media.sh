#!/usr/bin/env bash
# Media for the tests of the controls: chapters, two sound tracks with languages and titles,
# and a full-HD picture. Usage: make-controls-media.sh FOLDER
set -euo pipefail
out=$1
mkdir -p "$out"
cd "$out"
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }

# Ten seconds in three chapters, the middle one long; a keyframe every half second keeps seeks quick.
cat > chapters.txt <<'META'
;FFMETADATA1
title=Chapter test
[CHAPTER]
TIMEBASE=1/1000
START=0
END=2000
title=Opening
[CHAPTER]
TIMEBASE=1/1000
START=2000
END=8000
title=Middle
[CHAPTER]
TIMEBASE=1/1000
START=8000
END=10000
title=Ending
META
ff -f lavfi -i testsrc=size=320x240:rate=25:duration=10 -f lavfi -i sine=frequency=440:sample_rate=48000:duration=10 \
   -i chapters.txt -map 0:v -map 1:a -map_metadata 2 -map_chapters 2 \
   -c:v libvpx -deadline realtime -cpu-used 8 -b:v 400k -g 12 -c:a libvorbis chapters.mkv

# One picture and two sound tracks, each with its language and title.
ff -f lavfi -i testsrc=size=320x240:rate=25:duration=2 \
   -f lavfi -i sine=frequency=440:sample_rate=48000:duration=2 -f lavfi -i sine=frequency=880:sample_rate=44100:duration=2 \
   -map 0:v -map 1:a -map 2:a -c:v libvpx -deadline realtime -cpu-used 8 -b:v 400k -g 25 \
   -c:a:0 libvorbis -c:a:1 libopus -ac:a:1 1 \
   -metadata:s:a:0 language=eng -metadata:s:a:0 title="Main sound" \
   -metadata:s:a:1 language=fra -metadata:s:a:1 title="Commentaire" two_tracks.mkv

# Full HD with fine detail, for pictures saved at the video's own size.
ff -f lavfi -i testsrc2=size=1920x1080:rate=25:duration=1 -c:v libvpx -deadline realtime -cpu-used 8 -b:v 4M -g 5 \
   -pix_fmt yuv420p full_hd.webm
touch .done
