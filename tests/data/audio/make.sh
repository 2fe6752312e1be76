#!/bin/sh
# Regenerates the small music fixtures: one second of a 440 Hz tone in each format the
# player decodes, at a mix of rates and channel counts.
set -e
cd "$(dirname "$0")"
sox -n -r 22050 -c 1 -b 16 tone.wav synth 1 sine 440 vol 0.5
sox -n -r 44100 -c 2 -b 16 tone.flac synth 1 sine 440 vol 0.5
ffmpeg -v error -y -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=1" -af volume=5.657 -ac 2 -c:a libvorbis -q:a 1 tone.ogg
ffmpeg -v error -y -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=1" -af volume=5.657 -ac 2 -c:a libmp3lame -b:a 64k tone.mp3
ffmpeg -v error -y -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=1" -af volume=5.657 -ac 2 -c:a libopus -b:a 32k tone.opus
# FLAC with sample sizes libsndfile refuses (12 and 20 bits), written with libFLAC, and AAC,
# which only FFmpeg decodes.
cc flacbits.c -o /tmp/flacbits -lFLAC -lm
/tmp/flacbits 20 1.5 tone20bit.flac
/tmp/flacbits 12 1 tone12bit.flac
ffmpeg -v error -y -f lavfi -i "sine=frequency=440:sample_rate=8000:duration=1" -af volume=4 -ac 1 -c:a aac -b:a 24k tone.m4a
