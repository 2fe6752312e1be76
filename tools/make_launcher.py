#!/usr/bin/env python3
"""Generates the network scene's launcher and textures in data/models/:

  launcher.obj/.mtl/.pc2  a hub: an eight-sided plinth with a mast, a glowing collar that
                          rises up the mast and widens, and a cap that bobs; 24 samples,
                          6 per unit of time (a 4-beat loop at any tempo)
  launcher.png            the plinth's panel texture
  person.png              a light figure on black for the people billboards
  tube.png                a bright core fading to the sides, for the tubes

Faces are counter-clockwise seen from outside. The output is deterministic.
Usage: tools/make_launcher.py [output directory, default data/models/]
"""
import math
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(__file__))
from make_images import hash1, write_png  # noqa: E402
from make_models import ObjWriter, write_mtl  # noqa: E402

SIDES = 8
SAMPLES = 24
RATE = 6.0


def ring(radius, y):
    return [(radius * math.cos(2 * math.pi * k / SIDES), y, -radius * math.sin(2 * math.pi * k / SIDES))
            for k in range(SIDES)]


class Piece:
    """A prism or cone whose corners are animated together by one function of the phase."""

    def __init__(self, obj, bottom, top, animate):
        self.first = obj.positions + 1
        self.bottom = bottom
        self.top = top
        self.animate = animate
        for p in bottom + top:
            obj.v(p)

    def faces(self, obj, v_scale=1.0):
        n = len(self.bottom)
        b = [self.first + k for k in range(n)]
        t = [self.first + n + k for k in range(len(self.top))]
        for k in range(n):
            k1 = (k + 1) % n
            u0, u1 = k / n, (k + 1) / n
            if len(t) == 1:
                obj.flat_face([b[k], b[k1], t[0]], [(u0, v_scale), (u1, v_scale), (0.5 * (u0 + u1), 0.0)])
            else:
                obj.flat_face([b[k], b[k1], t[k1], t[k]], [(u0, v_scale), (u1, v_scale), (u1, 0.0), (u0, 0.0)])
        if len(t) > 1:
            obj.flat_face(t, [(0.5 + 0.5 * math.cos(2 * math.pi * k / n), 0.5 + 0.5 * math.sin(2 * math.pi * k / n))
                              for k in range(n)])
        obj.flat_face(list(reversed(b)), [(0.5 + 0.5 * math.cos(-2 * math.pi * k / n),
                                           0.5 + 0.5 * math.sin(-2 * math.pi * k / n)) for k in range(n)])

    def sample(self, phase):
        return [self.animate(p, phase) for p in self.bottom + self.top]


def still(p, phase):
    return p


def collar(p, phase):
    # Rises from the plinth to the cap once per loop, widening as it goes.
    rise = phase
    widen = 1.0 + 0.8 * rise
    return (p[0] * widen, p[1] + 1.6 * rise, p[2] * widen)


def cap(p, phase):
    bob = 0.08 * math.sin(2 * math.pi * phase)
    return (p[0], p[1] + bob, p[2])


def launcher(out):
    obj = ObjWriter("launcher", "launcher.mtl")
    obj.lines[0] = "# launcher, made by tools/make_launcher.py"
    plinth = Piece(obj, ring(1.0, 0.0), ring(0.8, 0.35), still)
    mast = Piece(obj, ring(0.14, 0.35), ring(0.1, 2.3), still)
    glow = Piece(obj, ring(0.45, 0.45), ring(0.45, 0.55), collar)
    top = Piece(obj, ring(0.3, 2.3), [(0.0, 2.8, 0.0)], cap)
    obj.usemtl("Plinth")
    plinth.faces(obj)
    mast.faces(obj, 4.0)
    obj.usemtl("Glow")
    glow.faces(obj)
    top.faces(obj)
    obj.save(os.path.join(out, "launcher.obj"))
    write_mtl(os.path.join(out, "launcher.mtl"), [
        ("Plinth", ["Ka 0.2 0.2 0.25", "Kd 0.6 0.62 0.7", "Ks 0.8 0.8 0.9", "Ke 0 0 0", "Ns 48",
                    "map_Kd launcher.png"]),
        ("Glow", ["Ka 0.3 0.1 0.2", "Kd 1.0 0.45 0.7", "Ke 0.9 0.3 0.6", "Ns 16"]),
    ])

    parts = (plinth, mast, glow, top)
    pc2 = bytearray(b"POINTCACHE2\0")
    pc2 += struct.pack("<iiffi", 1, obj.positions, 0.0, RATE, SAMPLES)
    for s in range(SAMPLES):
        for part in parts:
            for p in part.sample(s / SAMPLES):
                pc2 += struct.pack("<fff", *p)
    with open(os.path.join(out, "launcher.pc2"), "wb") as f:
        f.write(pc2)

    rows = []
    for y in range(64):
        row = bytearray()
        for x in range(64):
            seam = x % 8 == 0 or y % 16 == 0
            tone = 0.6 + 0.3 * hash1((x // 8) * 13 + (y // 16) * 71)
            row += b"\x30\x30\x38" if seam else bytes((int(170 * tone), int(175 * tone), int(200 * tone)))
        rows.append(row)
    write_png(os.path.join(out, "launcher.png"), 64, 64, rows)


def person(out):
    width, height = 32, 64
    rows = []
    for y in range(height):
        row = bytearray()
        for x in range(width):
            u, v = (x + 0.5) / width - 0.5, (y + 0.5) / height
            head = math.hypot(u, (v - 0.14) * 2.0) - 0.15
            bx, by = abs(u) - 0.22, abs(v - 0.66) - 0.26
            body = math.hypot(max(bx, 0.0), max(by, 0.0)) + min(max(bx, by), 0.0) - 0.08
            d = min(head, body)
            a = max(0.0, min(1.0, 0.5 - d * width))
            shade = 0.75 + 0.25 * (1.0 - v)
            row += bytes([int(255 * a * shade)] * 3)
        rows.append(row)
    write_png(os.path.join(out, "person.png"), width, height, rows)


def tube(out):
    width, height = 8, 64
    rows = []
    for y in range(height):
        core = math.exp(-((y / (height - 1) - 0.5) * 4.0) ** 2)
        rows.append(bytes((255, int(120 + 135 * core), int(170 + 85 * core))) * width)
    write_png(os.path.join(out, "tube.png"), width, height, rows)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "data", "models")
    os.makedirs(out, exist_ok=True)
    launcher(out)
    person(out)
    tube(out)


if __name__ == "__main__":
    main()
