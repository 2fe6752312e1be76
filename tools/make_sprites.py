#!/usr/bin/env python3
"""Generates the quad textures of the scattered-object effects in data/:

  cross.png    a glowing plus sign on black, for Crosses
  boxface.png  a glowing square frame on black (one face of a box outline), for Boxes and BoxLine

Black adds nothing under additive blending, so only the bright strokes show. Standard
library only; the output is deterministic. Usage: tools/make_sprites.py [output directory]
"""
import os
import sys

from make_images import smoothstep, write_png

SIZE = 64


def glow(distance, half_width, soft):
    """1 inside the stroke, falling off smoothly to 0 over `soft` beyond it."""
    return 1.0 - smoothstep(half_width, half_width + soft, distance)


def sprite(stroke_distance, tint):
    rows = []
    for y in range(SIZE):
        row = bytearray()
        for x in range(SIZE):
            u = (x + 0.5) / SIZE - 0.5
            v = (y + 0.5) / SIZE - 0.5
            d = stroke_distance(u, v)
            core = glow(d, 0.035, 0.02)
            halo = glow(d, 0.0, 0.12) * 0.35
            value = min(1.0, core + halo)
            row += bytes(int(round(min(1.0, value * c) * 255)) for c in tint)
        rows.append(row)
    return rows


def cross_distance(u, v):
    # Distance to the nearer arm of a plus whose arms end 0.08 short of the edge.
    reach = 0.42
    arm_h = max(abs(v), max(0.0, abs(u) - reach))
    arm_v = max(abs(u), max(0.0, abs(v) - reach))
    return min(arm_h, arm_v)


def frame_distance(u, v):
    # Distance to the square outline 0.06 inside the edge.
    edge = 0.44
    return abs(max(abs(u), abs(v)) - edge)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "data")
    os.makedirs(out, exist_ok=True)
    write_png(os.path.join(out, "cross.png"), SIZE, SIZE, sprite(cross_distance, (0.75, 0.95, 1.0)))
    write_png(os.path.join(out, "boxface.png"), SIZE, SIZE, sprite(frame_distance, (1.0, 0.55, 0.9)))


if __name__ == "__main__":
    main()
