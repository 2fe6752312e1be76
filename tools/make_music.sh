#!/usr/bin/env bash
# Builds data/music.ogg, the bundled show's track: 120 bpm, A minor, 48 bars + tail (100 s).
# tools/make_music.py synthesises the stems (drums, bass, pad, lead, arpeggio); this script
# adds space with sox (reverb, tempo-synced echoes), mixes, masters and encodes Ogg Vorbis.
# Takes about a minute on one core. Usage: tools/make_music.sh [output file]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="${1:-$here/../data/music.ogg}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

python3 "$here/make_music.py" "$work"
cd "$work"

# Echo delays are tempo-synced: a dotted eighth (375 ms) on the lead, an eighth (250 ms) on
# the arpeggio.
sox -G pad.wav pad_fx.wav reverb 75 40 100 100 25 -2
sox -G lead.wav lead_fx.wav echo 0.8 0.6 375 0.28 reverb 50 50 80 100 10 -3
sox -G arp.wav arp_fx.wav echo 0.8 0.6 250 0.3 500 0.12 reverb 40 50 70 100 0 -4
sox -G drums.wav drums_fx.wav reverb 12 60 40 60 0 -8

sox -G -m -v 0.62 drums_fx.wav -v 0.44 bass.wav -v 0.34 pad_fx.wav -v 0.30 lead_fx.wav \
    -v 0.26 arp_fx.wav mix.wav
# Master: gentle bus compression, a touch of low cut, normalise, fade out the tail.
sox mix.wav master.wav highpass 28 compand 0.005,0.15 6:-40,-40,-18,-14,0,-8 -2 -90 0.02 \
    gain -n -1 fade t 0.02 100 3.5
sox master.wav -C 4 "$out"
echo "make_music: wrote $out ($(stat -c %s "$out") bytes, $(soxi -D "$out") s)"
