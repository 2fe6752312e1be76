#!/usr/bin/env python3
"""Synthesises the bundled show's music as stereo WAV stems (standard library only).

The track runs at 120 bpm in A minor over the progression Am - F - C - G, one chord per bar,
48 bars (96 s) plus a 4 s tail:

  bars  0-7   intro      pad swelling in, plucked arpeggio from bar 4, hats from bar 6
  bars  8-15  build      kick, bass on quarters, claps from bar 12, noise riser + snare roll
  bars 16-31  drop       full beat, pumping bass, lead melody, bright arpeggio
  bars 32-39  breakdown  pad and lead alone, riser and roll back into
  bars 40-47  last drop  full beat, drums thin out in the last two bars
  tail               the final Am chord rings out

Writes drums.wav, bass.wav, pad.wav, lead.wav, arp.wav (stereo, 16 bit, 44.1 kHz) into the
directory given as the first argument; tools/make_music.sh adds the effects, mixes and
encodes. Deterministic: the same stems every run.
"""
import array
import math
import os
import random
import struct
import sys
import wave

RATE = 44100
BPM = 120.0
BEAT = 60.0 / BPM
BAR = 4 * BEAT
BARS = 48
LENGTH = BARS * BAR + 4.0
N = int(LENGTH * RATE)
TWO_PI = 2.0 * math.pi

rng = random.Random(20240611)

# Chords, one per bar: pad voicing, arpeggio tones, bass root (MIDI notes).
PROGRESSION = [
    ((57, 60, 64, 69), (69, 72, 76, 81), 45),   # Am
    ((57, 60, 65, 69), (65, 69, 72, 77), 41),   # F
    ((55, 60, 64, 67), (67, 72, 76, 79), 36),   # C
    ((55, 59, 62, 67), (67, 71, 74, 79), 43),   # G
]

# Lead melody: 8 bars of (MIDI note or None, length in eighths).
MELODY = [
    [(76, 2), (81, 2), (84, 1), (83, 1), (81, 2)],
    [(81, 3), (79, 1), (77, 2), (76, 2)],
    [(79, 2), (76, 1), (79, 1), (84, 2), (83, 2)],
    [(83, 3), (81, 1), (79, 2), (74, 2)],
    [(76, 2), (81, 2), (84, 1), (86, 1), (88, 2)],
    [(89, 2), (88, 1), (86, 1), (84, 2), (81, 2)],
    [(79, 2), (84, 2), (88, 3), (86, 1)],
    [(83, 2), (86, 2), (88, 4)],
]


def freq(note):
    return 440.0 * 2.0 ** ((note - 69) / 12.0)


def saw_table(harmonics=40, size=4096):
    t = [0.0] * size
    for h in range(1, harmonics + 1):
        amp = 1.0 / h
        for i in range(size):
            t[i] += amp * math.sin(TWO_PI * h * i / size)
    peak = max(abs(v) for v in t)
    return [v / peak for v in t]


def square_table(harmonics=25, size=4096):
    t = [0.0] * size
    for h in range(1, 2 * harmonics, 2):
        amp = 1.0 / h
        for i in range(size):
            t[i] += amp * math.sin(TWO_PI * h * i / size)
    peak = max(abs(v) for v in t)
    return [v / peak for v in t]


SAW = saw_table()
SQUARE = square_table()
TABLE_SIZE = 4096
TABLE_MASK = TABLE_SIZE - 1


def osc(table, f, n, phase=0.0, vibrato=0.0, vib_rate=5.0):
    inc = f * TABLE_SIZE / RATE
    out = [0.0] * n
    p = phase * TABLE_SIZE
    if vibrato == 0.0:
        for i in range(n):
            out[i] = table[int(p) & TABLE_MASK]
            p += inc
    else:
        vr = TWO_PI * vib_rate / RATE
        for i in range(n):
            out[i] = table[int(p) & TABLE_MASK]
            # Vibrato fades in over the first 0.3 s.
            p += inc * (1.0 + vibrato * math.sin(vr * i) * min(1.0, i / (0.3 * RATE)))
    return out


def lowpass(sig, cutoff_fn):
    """Two cascaded one-pole low-passes; cutoff_fn(i) gives Hz (evaluated every 32 samples)."""
    y1 = y2 = 0.0
    out = [0.0] * len(sig)
    a = 0.0
    for i, x in enumerate(sig):
        if i & 31 == 0:
            a = 1.0 - math.exp(-TWO_PI * min(cutoff_fn(i), RATE * 0.45) / RATE)
        y1 += a * (x - y1)
        y2 += a * (y1 - y2)
        out[i] = y2
    return out


def highpass(sig, cutoff):
    a = math.exp(-TWO_PI * cutoff / RATE)
    out = [0.0] * len(sig)
    prev_x = prev_y = 0.0
    for i, x in enumerate(sig):
        prev_y = a * (prev_y + x - prev_x)
        prev_x = x
        out[i] = prev_y
    return out


def adsr(n, attack, decay, sustain, release, gate):
    """Envelope of n samples; gate = seconds the note is held before the release starts."""
    env = [0.0] * n
    a, d, r, g = attack * RATE, decay * RATE, release * RATE, gate * RATE
    level = 0.0
    for i in range(n):
        if i < g:
            if i < a:
                level = i / a
            elif i < a + d:
                level = 1.0 - (1.0 - sustain) * (i - a) / d
            else:
                level = sustain
            held = level
        else:
            level = held * max(0.0, 1.0 - (i - g) / r)
        env[i] = level
    return env


_cache = {}


def cached(key, make):
    if key not in _cache:
        _cache[key] = make()
    return _cache[key]


# ---------------------------------------------------------------- instruments

def kick():
    def make():
        n = int(0.45 * RATE)
        out = [0.0] * n
        phase = 0.0
        for i in range(n):
            t = i / RATE
            f = 45.0 + 110.0 * math.exp(-t * 28.0)
            phase += TWO_PI * f / RATE
            body = math.sin(phase) * math.exp(-t * 7.0)
            click = math.exp(-t * 400.0) * 0.5
            out[i] = math.tanh((body + click) * 1.6)
        return out
    return cached("kick", make)


def noise(n, seed):
    r = random.Random(seed)
    return [r.uniform(-1.0, 1.0) for _ in range(n)]


def clap():
    def make():
        n = int(0.3 * RATE)
        src = highpass(noise(n, 11), 900.0)
        src = lowpass(src, lambda i: 5000.0)
        out = [0.0] * n
        for i in range(n):
            t = i / RATE
            # Three quick bursts, then a short tail.
            env = 0.0
            for k, start in enumerate((0.0, 0.011, 0.022)):
                if t >= start:
                    env = max(env, math.exp(-(t - start) * (120.0 if k < 2 else 22.0)))
            tone = math.sin(TWO_PI * 190.0 * t) * math.exp(-t * 30.0) * 0.3
            out[i] = src[i] * env * 1.8 + tone
        return out
    return cached("clap", make)


def snare(level):
    def make():
        n = int(0.18 * RATE)
        src = highpass(noise(n, 23), 600.0)
        return [(src[i] * 1.2 + 0.5 * math.sin(TWO_PI * 210.0 * i / RATE)) * math.exp(-i / RATE * 25.0)
                for i in range(n)]
    base = cached("snare", make)
    return [v * level for v in base]


def hat(open_hat):
    def make():
        n = int((0.28 if open_hat else 0.06) * RATE)
        src = highpass(highpass(noise(n, 37 if open_hat else 41), 7000.0), 7000.0)
        decay = 12.0 if open_hat else 70.0
        return [src[i] * math.exp(-i / RATE * decay) * 1.5 for i in range(n)]
    return cached(("hat", open_hat), make)


def riser(seconds):
    def make():
        n = int(seconds * RATE)
        src = noise(n, 53)
        out = lowpass(src, lambda i: 300.0 + 9000.0 * (i / n) ** 2)
        return [out[i] * (i / n) ** 1.5 * 1.4 for i in range(n)]
    return cached(("riser", seconds), make)


def bass(note, seconds, bright):
    def make():
        n = int((seconds + 0.05) * RATE)
        f = freq(note)
        s1 = osc(SAW, f, n)
        sub = [math.sin(TWO_PI * f * 0.5 * i / RATE) for i in range(n)]
        env = adsr(n, 0.004, 0.12, 0.7, 0.04, seconds)
        top = 900.0 if bright else 400.0
        filtered = lowpass(s1, lambda i: 120.0 + top * math.exp(-i / RATE * 9.0))
        return [(filtered[i] * 0.8 + sub[i] * 0.6) * env[i] for i in range(n)]
    return cached(("bass", note, seconds, bright), make)


def pad_voice(note, seconds, detune, bright):
    def make():
        n = int((seconds + 1.2) * RATE)
        f = freq(note)
        a = osc(SAW, f * (1.0 + detune), n, phase=rng.random())
        b = osc(SAW, f * (1.0 - detune * 0.7), n, phase=rng.random())
        env = adsr(n, 0.35, 0.5, 0.8, 1.1, seconds)
        cutoff = 2200.0 if bright else 900.0
        mixed = [(a[i] + b[i]) * 0.5 for i in range(n)]
        filtered = lowpass(mixed, lambda i: cutoff * (0.8 + 0.2 * math.sin(i / RATE * 1.3)))
        return [filtered[i] * env[i] for i in range(n)]
    return cached(("pad", note, seconds, detune, bright), make)


def lead(note, seconds):
    def make():
        n = int((seconds + 0.35) * RATE)
        f = freq(note)
        sq = osc(SQUARE, f, n, vibrato=0.006, vib_rate=5.5)
        sw = osc(SAW, f * 1.004, n)
        env = adsr(n, 0.012, 0.2, 0.75, 0.3, seconds)
        mixed = [sq[i] * 0.55 + sw[i] * 0.45 for i in range(n)]
        filtered = lowpass(mixed, lambda i: 1400.0 + 2600.0 * math.exp(-i / RATE * 6.0))
        return [filtered[i] * env[i] for i in range(n)]
    return cached(("lead", note, seconds), make)


def pluck(note, bright):
    def make():
        n = int(0.35 * RATE)
        f = freq(note)
        s = osc(SAW, f, n)
        top = 5000.0 if bright else 2200.0
        filtered = lowpass(s, lambda i: 300.0 + top * math.exp(-i / RATE * 22.0))
        return [filtered[i] * math.exp(-i / RATE * 9.0) for i in range(n)]
    return cached(("pluck", note, bright), make)


# ---------------------------------------------------------------- mixing helpers

class Stem:
    def __init__(self, name):
        self.name = name
        self.left = array.array("f", bytes(4 * N))
        self.right = array.array("f", bytes(4 * N))

    def add(self, when, sound, gain=1.0, pan=0.0):
        start = int(round(when * RATE))
        if start >= N:
            return
        end = min(N, start + len(sound))
        count = end - start
        gl = gain * math.cos((pan + 1.0) * math.pi / 4.0) * 1.41421356
        gr = gain * math.sin((pan + 1.0) * math.pi / 4.0) * 1.41421356
        left, right = self.left, self.right
        left[start:end] = array.array("f", [x + gl * y for x, y in zip(left[start:end], sound[:count])])
        right[start:end] = array.array("f", [x + gr * y for x, y in zip(right[start:end], sound[:count])])

    def duck(self, beats_with_kick, depth):
        """Sidechain-style pumping: dips the level right after each kick."""
        span = int(BEAT * RATE)
        shape = [1.0 - depth * math.exp(-i / (0.09 * RATE)) * min(1.0, i / 200.0 + 0.0) for i in range(span)]
        shape[0] = 1.0 - depth
        for beat in beats_with_kick:
            start = int(beat * BEAT * RATE)
            end = min(N, start + span)
            for ch in (self.left, self.right):
                ch[start:end] = array.array("f", [x * s for x, s in zip(ch[start:end], shape)])

    def write(self, directory):
        path = os.path.join(directory, self.name + ".wav")
        peak = max(max(abs(v) for v in self.left), max(abs(v) for v in self.right), 1e-9)
        scale = 0.89 / peak * 32767.0
        frames = array.array("h", [0] * (2 * N))
        frames[0::2] = array.array("h", [int(v * scale) for v in self.left])
        frames[1::2] = array.array("h", [int(v * scale) for v in self.right])
        if sys.byteorder == "big":
            frames.byteswap()
        with wave.open(path, "wb") as w:
            w.setnchannels(2)
            w.setsampwidth(2)
            w.setframerate(RATE)
            w.writeframes(frames.tobytes())
        return peak


def at(bar, beat=0.0):
    return bar * BAR + beat * BEAT


# ---------------------------------------------------------------- arrangement

def section(bar):
    if bar < 8:
        return "intro"
    if bar < 16:
        return "build"
    if bar < 32:
        return "drop"
    if bar < 40:
        return "breakdown"
    return "last"


def arrange(directory):
    drums, bass_stem, pad, lead_stem, arp = (Stem(n) for n in ("drums", "bass", "pad", "lead", "arp"))
    kick_beats = []

    for bar in range(BARS):
        sec = section(bar)
        pad_notes, arp_notes, root = PROGRESSION[bar % 4]
        full = sec in ("drop", "last") and not (sec == "last" and bar >= 46)

        # Pad: every section, brighter in the drops; a long final chord after the last bar.
        bright = sec in ("drop", "last")
        swell = min(1.0, 0.35 + bar * 0.09) if sec == "intro" else 1.0
        for k, note in enumerate(pad_notes):
            voice = pad_voice(note, BAR - 0.05, 0.004 + 0.0015 * k, bright)
            pad.add(at(bar), voice, 0.26 * swell, pan=(-0.5, 0.5, -0.2, 0.2)[k])

        # Arpeggio: 16ths, from bar 4; softer in the breakdown.
        if bar >= 4 and sec != "breakdown" or (sec == "breakdown" and bar >= 36):
            order = (0, 1, 2, 3, 2, 1, 2, 3, 0, 1, 2, 3, 2, 3, 1, 2)
            level = 0.22 if sec in ("drop", "last") else 0.15
            for s, idx in enumerate(order):
                note = arp_notes[idx] + (12 if s in (7, 15) and full else 0)
                arp.add(at(bar, s * 0.25), pluck(note, full), level * (1.0 if s % 4 == 0 else 0.7),
                        pan=-0.6 if s % 2 == 0 else 0.6)

        # Kick: quarters in build and drops; four-on-the-floor.
        if sec == "build" or full:
            for b in range(4):
                drums.add(at(bar, b), kick(), 1.0)
                kick_beats.append(bar * 4 + b)
        elif sec == "last" and bar >= 46 and bar == 46:
            drums.add(at(bar), kick(), 0.9)
            kick_beats.append(bar * 4)

        # Hats: 8ths from bar 6 of the intro, 16ths with open off-beats in the drops.
        if sec == "intro" and bar >= 6 or sec == "build":
            for e in range(8):
                drums.add(at(bar, e * 0.5), hat(False), 0.22 if e % 2 else 0.14, pan=0.25)
        if full:
            for s in range(16):
                if s % 4 == 2:
                    drums.add(at(bar, s * 0.25), hat(True), 0.28, pan=-0.2)
                else:
                    drums.add(at(bar, s * 0.25), hat(False), 0.24 if s % 2 else 0.16, pan=0.25)

        # Claps on 2 and 4.
        if (sec == "build" and bar >= 12) or full:
            for b in (1, 3):
                drums.add(at(bar, b), clap(), 0.7)

        # Bass: held quarters in the build, pumping eighths in the drops.
        if sec == "build":
            for b in range(4):
                bass_stem.add(at(bar, b), bass(root, BEAT * 0.9, False), 0.8)
        elif full:
            for e in range(8):
                note = root + (12 if e in (3, 7) else 0)
                bass_stem.add(at(bar, e * 0.5), bass(note, BEAT * 0.42, True), 0.85)
        elif sec == "last":
            bass_stem.add(at(bar), bass(root, BAR * 0.95, False), 0.7)

        # Lead: the melody over the drops and, softer, over the breakdown.
        if sec in ("drop", "last", "breakdown") and not (sec == "last" and bar >= 46):
            phrase = MELODY[(bar - 16) % 8] if sec != "last" else MELODY[(bar - 40) % 8]
            if sec == "breakdown":
                phrase = MELODY[(bar - 32) % 4]
            pos = 0
            gain = 0.38 if sec == "breakdown" else 0.48
            for note, eighths in phrase:
                if note is not None:
                    lead_stem.add(at(bar, pos * 0.5), lead(note, eighths * 0.5 * BEAT * 0.92), gain)
                pos += eighths

    # Risers and snare rolls into the drops.
    for target in (16, 40):
        drums.add(at(target - 2), riser(2 * BAR), 0.35)
        for s in range(16):
            level = 0.25 + 0.5 * s / 15
            drums.add(at(target - 1, s * 0.25), snare(level), 0.8)
            if s >= 8:
                drums.add(at(target - 1, s * 0.25 + 0.125), snare(level), 0.6)
    # A crash-like open hat burst on each drop downbeat.
    for target in (16, 40):
        for k in range(3):
            drums.add(at(target) + k * 0.01, hat(True), 0.5)

    # Final chord: Am held over the tail.
    for k, note in enumerate(PROGRESSION[0][0]):
        pad.add(at(BARS), pad_voice(note, 2.5, 0.004 + 0.0015 * k, False), 0.3, pan=(-0.5, 0.5, -0.2, 0.2)[k])
    lead_stem.add(at(BARS), lead(81, 1.5), 0.25)

    pad.duck(kick_beats, 0.55)
    bass_stem.duck(kick_beats, 0.75)
    arp.duck(kick_beats, 0.35)

    peaks = {}
    for stem in (drums, bass_stem, pad, lead_stem, arp):
        peaks[stem.name] = stem.write(directory)
    return peaks


def main():
    directory = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(directory, exist_ok=True)
    peaks = arrange(directory)
    # Stems are each normalised; these are their peaks before that, for the mixer's reference.
    with open(os.path.join(directory, "peaks.txt"), "w") as f:
        for name, peak in peaks.items():
            f.write("%s %.6f\n" % (name, peak))


if __name__ == "__main__":
    main()
