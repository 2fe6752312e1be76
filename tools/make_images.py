#!/usr/bin/env python3
"""Generates the bundled show's images in data/:

  loading1.png  night landscape (layered ridges under a starry sky and a pale moon)
  loading2.png  the same landscape lit by an aurora and a rising sun
  1x1white.png  a single white pixel (neutral texture)
  blurmask.png  radial mask for Blur: black (sharp) in the middle, white (blurred) at the edges

Everything is drawn procedurally with the standard library only; the output is
deterministic. Usage: tools/make_images.py [output directory, default data/]
"""
import math
import os
import struct
import sys
import zlib

WIDTH, HEIGHT = 640, 360


def write_png(path, width, height, rows):
    """rows: list of bytes objects, each width * 3 bytes of RGB."""
    raw = b"".join(b"\x00" + bytes(r) for r in rows)

    def chunk(tag, data):
        c = struct.pack(">I", len(data)) + tag + data
        return c + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def hash1(n):
    n = (n * 374761393 + 668265263) & 0xFFFFFFFF
    n = ((n ^ (n >> 13)) * 1274126177) & 0xFFFFFFFF
    return ((n ^ (n >> 16)) & 0xFFFF) / 65535.0


def noise1(x, seed):
    i = math.floor(x)
    f = x - i
    u = f * f * (3 - 2 * f)
    a = hash1(i + seed * 7919)
    b = hash1(i + 1 + seed * 7919)
    return a + (b - a) * u


def fbm1(x, seed, octaves=5):
    s, amp, freq = 0.0, 0.5, 1.0
    for o in range(octaves):
        s += amp * noise1(x * freq, seed + o * 13)
        amp *= 0.5
        freq *= 2.07
    return s


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def smoothstep(e0, e1, x):
    t = min(max((x - e0) / (e1 - e0), 0.0), 1.0)
    return t * t * (3 - 2 * t)


# Ridge layers from far to near: (base height as a share of the screen, roughness, seed).
RIDGES = [(0.58, 0.16, 3), (0.66, 0.13, 5), (0.75, 0.12, 8), (0.86, 0.10, 11)]


def ridge_heights():
    heights = []
    for base, rough, seed in RIDGES:
        row = []
        for x in range(WIDTH):
            u = x / WIDTH
            h = base - rough * (fbm1(u * 4.0 + seed, seed) - 0.35) * 1.6
            row.append(h * HEIGHT)
        heights.append(row)
    return heights


def render(variant):
    heights = ridge_heights()
    rows = []
    if variant == 1:
        sky_top, sky_bottom = (0.01, 0.02, 0.07), (0.10, 0.08, 0.22)
        ridge_far, ridge_near = (0.13, 0.13, 0.26), (0.02, 0.02, 0.05)
        orb, orb_colour, orb_r = (0.74, 0.24), (0.85, 0.9, 1.0), 0.045
    else:
        sky_top, sky_bottom = (0.05, 0.03, 0.18), (0.98, 0.52, 0.32)
        ridge_far, ridge_near = (0.55, 0.30, 0.45), (0.06, 0.03, 0.10)
        orb, orb_colour, orb_r = (0.30, 0.60), (1.0, 0.85, 0.55), 0.07
    aspect = WIDTH / HEIGHT
    for y in range(HEIGHT):
        v = y / HEIGHT
        row = bytearray()
        for x in range(WIDTH):
            u = x / WIDTH
            c = mix(sky_top, sky_bottom, v ** 1.4)
            # Stars, fading towards the horizon.
            h = hash1(x * 7 + y * 7919 + 17)
            if h > 0.9965 and variant == 1 or h > 0.9985:
                c = mix(c, (1, 1, 1), (1 - v) * (h - 0.996) * 250 * 0.8)
            # Aurora curtains in the second picture.
            if variant == 2:
                for k in range(3):
                    edge = 0.30 + 0.07 * k + 0.10 * (fbm1(u * 3 + k * 5.3, 40 + k, 4) - 0.5) * 2
                    above = edge - v
                    a = math.exp(-above * (9 + 3 * k)) if above > 0 else math.exp(above * 60)
                    rays = 0.55 + 0.45 * noise1(u * 70 + k * 9, 60 + k)
                    tint = [(0.2, 1.0, 0.6), (0.3, 0.8, 1.0), (0.9, 0.4, 1.0)][k]
                    c = tuple(c[i] + tint[i] * a * rays * 0.55 for i in range(3))
            # Moon or sun with a halo.
            dx, dy = (u - orb[0]) * aspect, v - orb[1]
            d = math.sqrt(dx * dx + dy * dy)
            halo = math.exp(-d * (9 if variant == 2 else 14)) * (0.6 if variant == 2 else 0.35)
            c = tuple(c[i] + orb_colour[i] * halo for i in range(3))
            if d < orb_r:
                c = mix(c, orb_colour, smoothstep(orb_r, orb_r - 0.004, d))
            # Ridges, each nearer one darker, with mist at their feet.
            for k, row_h in enumerate(heights):
                top = row_h[x]
                if y >= top:
                    shade = mix(ridge_far, ridge_near, k / (len(heights) - 1))
                    rim = math.exp(-(y - top) / 2.5) * (0.5 if variant == 2 else 0.25)
                    shade = mix(shade, orb_colour, rim * (1 - k * 0.2))
                    c = shade
                mist = math.exp(-abs(y - (top + 18)) / 14.0) * 0.10
                c = mix(c, sky_bottom, mist)
            # Gentle vignette and dither to avoid banding.
            cu, cv = u - 0.5, v - 0.5
            vig = 1 - (cu * cu + cv * cv) * 0.9
            dither = (hash1(x * 131 + y * 977 + variant) - 0.5) / 255.0
            for i in range(3):
                val = c[i] * vig + dither
                val = 1.0 if val > 1 else (0.0 if val < 0 else val)
                row.append(int(round((val ** (1 / 1.1)) * 255)))
        rows.append(row)
    return rows


def blur_mask(width=256, height=144):
    rows = []
    for y in range(height):
        row = bytearray()
        for x in range(width):
            u = (x + 0.5) / width - 0.5
            v = (y + 0.5) / height - 0.5
            d = math.sqrt((u * 16 / 9) ** 2 + v * v) / math.sqrt((8 / 9) ** 2 + 0.25)
            g = int(round(smoothstep(0.25, 0.95, d) * 255))
            row += bytes((g, g, g))
        rows.append(row)
    return rows


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "data")
    os.makedirs(out, exist_ok=True)
    write_png(os.path.join(out, "1x1white.png"), 1, 1, [b"\xff\xff\xff"])
    write_png(os.path.join(out, "blurmask.png"), 256, 144, blur_mask())
    for variant in (1, 2):
        write_png(os.path.join(out, "loading%d.png" % variant), WIDTH, HEIGHT, render(variant))


if __name__ == "__main__":
    main()
