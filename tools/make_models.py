#!/usr/bin/env python3
"""Generates the bundled show's models in data/models/:

  crystal.obj/.mtl    a cut gem: a gold band of quads between two faceted crystal caps
                      (two materials, texture coordinates and one normal per facet)
  jelly.obj/.mtl/.pc2 a smooth sphere of quads with a 32-sample wobble animation,
                      8 samples per unit of time (a 4-beat loop at any tempo)
  monolith.obj/.mtl   a tall slab with a panel texture and glowing seams (map_Kd, map_Ke)
  crystal.png, jelly.png, panel.png, panel_glow.png   their textures

Faces are written counter-clockwise seen from outside, as OBJ files are. The output is
deterministic. Usage: tools/make_models.py [output directory, default data/models/]
"""
import math
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(__file__))
from make_images import hash1, write_png  # noqa: E402


def fmt(values):
    return " ".join("%.6f" % v for v in values)


def sub(a, b):
    return (a[0] - b[0], a[1] - b[1], a[2] - b[2])


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def unit(v):
    length = math.sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]) or 1.0
    return (v[0] / length, v[1] / length, v[2] / length)


class ObjWriter:
    """Collects positions, texcoords, normals and faces grouped by material."""

    def __init__(self, name, mtllib):
        self.lines = ["# %s, made by tools/make_models.py" % name, "mtllib %s" % mtllib, "o %s" % name]
        self.positions = 0
        self.texcoords = 0
        self.normals = 0

    def v(self, p):
        self.lines.append("v " + fmt(p))
        self.positions += 1
        return self.positions

    def vt(self, uv):
        self.lines.append("vt " + fmt(uv))
        self.texcoords += 1
        return self.texcoords

    def vn(self, n):
        self.lines.append("vn " + fmt(unit(n)))
        self.normals += 1
        return self.normals

    def usemtl(self, name):
        self.lines.append("usemtl " + name)

    def face(self, corners):
        """corners: (position, texcoord, normal) index triples, counter-clockwise."""
        self.lines.append("f " + " ".join("%d/%d/%d" % c for c in corners))

    def flat_face(self, points, uvs):
        """A facet with one normal from its first three corners."""
        p = [self._position(i) for i in points]
        n = self.vn(cross(sub(p[1], p[0]), sub(p[2], p[0])))
        t = [self.vt(uv) for uv in uvs]
        self.face([(points[i], t[i], n) for i in range(len(points))])

    def _position(self, index):
        line = [ln for ln in self.lines if ln.startswith("v ")][index - 1]
        return tuple(float(x) for x in line.split()[1:4])

    def save(self, path):
        with open(path, "w", newline="\n") as f:
            f.write("\n".join(self.lines) + "\n")


def write_mtl(path, materials):
    lines = ["# made by tools/make_models.py"]
    for name, entries in materials:
        lines.append("")
        lines.append("newmtl " + name)
        lines.extend(entries)
    with open(path, "w", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


def crystal(out):
    sides = 6
    obj = ObjWriter("crystal", "crystal.mtl")
    top = obj.v((0.0, 1.6, 0.0))
    upper = [obj.v((0.55 * math.cos(a), 0.55, 0.55 * math.sin(a))) for a in
             (2 * math.pi * k / sides for k in range(sides))]
    lower = [obj.v((0.55 * math.cos(a), 0.25, 0.55 * math.sin(a))) for a in
             (2 * math.pi * k / sides for k in range(sides))]
    bottom = obj.v((0.0, -0.9, 0.0))
    obj.usemtl("Crystal")
    for k in range(sides):
        k1 = (k + 1) % sides
        # Counter-clockwise from outside: angles grow towards -x/+z, so walk k1 before k.
        obj.flat_face([top, upper[k1], upper[k]], [(0.5, 0.0), (1.0, 1.0), (0.0, 1.0)])
        obj.flat_face([bottom, lower[k], lower[k1]], [(0.5, 1.0), (0.0, 0.0), (1.0, 0.0)])
    obj.usemtl("Gold")
    for k in range(sides):
        k1 = (k + 1) % sides
        obj.flat_face([upper[k], upper[k1], lower[k1], lower[k]], [(0, 0), (1, 0), (1, 1), (0, 1)])
    obj.save(os.path.join(out, "crystal.obj"))
    write_mtl(os.path.join(out, "crystal.mtl"), [
        ("Crystal", ["Ka 0.2 0.3 0.4", "Kd 0.45 0.8 1.0", "Ks 1 1 1", "Ke 0.05 0.12 0.2", "Ns 96",
                     "map_Kd crystal.png"]),
        ("Gold", ["Ka 0.3 0.2 0.05", "Kd 1.0 0.72 0.25", "Ke 0.0 0.0 0.0", "Ns 200"]),
    ])
    rows = []
    for y in range(64):
        row = bytearray()
        for x in range(64):
            streak = 0.75 + 0.25 * math.sin((x * 0.35 + y * 0.2) + 3.0 * hash1(y // 8))
            sparkle = 1.0 if hash1(x * 64 + y) > 0.985 else 0.0
            g = min(1.0, streak + sparkle)
            row += bytes((int(200 * g + 55 * sparkle), int(235 * g), int(255 * min(1.0, g + 0.1))))
        rows.append(row)
    write_png(os.path.join(out, "crystal.png"), 64, 64, rows)


def sphere_point(lat, lon, lats, lons):
    theta = math.pi * lat / lats  # 0 at the top
    phi = 2 * math.pi * lon / lons
    return (math.sin(theta) * math.cos(phi), math.cos(theta), -math.sin(theta) * math.sin(phi)), theta, phi


def jelly(out):
    lats, lons, samples, rate = 12, 16, 32, 8.0
    obj = ObjWriter("jelly", "jelly.mtl")
    grid = {}
    base = []
    for lat in range(lats + 1):
        for lon in range(lons + 1):
            p, theta, phi = sphere_point(lat, lon, lats, lons)
            index = obj.v(p)
            obj.vt((lon / lons, 1.0 - lat / lats))
            obj.vn(p)
            grid[lat, lon] = index
            base.append((p, theta, phi))
    obj.usemtl("Jelly")
    for lat in range(lats):
        for lon in range(lons):
            a, b = grid[lat, lon], grid[lat + 1, lon]
            c, d = grid[lat + 1, lon + 1], grid[lat, lon + 1]
            if lat == 0:
                obj.face([(a, a, a), (b, b, b), (c, c, c)])
            elif lat == lats - 1:
                obj.face([(a, a, a), (b, b, b), (d, d, d)])
            else:
                obj.face([(a, a, a), (b, b, b), (c, c, c), (d, d, d)])
    obj.save(os.path.join(out, "jelly.obj"))
    write_mtl(os.path.join(out, "jelly.mtl"), [
        ("Jelly", ["Ka 0.4 0.1 0.3", "Kd 1.0 0.35 0.75", "Ke 0.12 0.02 0.08", "Ns 64", "map_Kd jelly.png"]),
    ])

    pc2 = bytearray(b"POINTCACHE2\0")
    pc2 += struct.pack("<iiffi", 1, len(base), 0.0, rate, samples)
    for s in range(samples):
        phase = 2 * math.pi * s / samples
        for (p, theta, phi) in base:
            wobble = 1.0 + 0.14 * math.sin(3 * theta + phase) * math.cos(2 * phi + phase) \
                + 0.08 * math.sin(2 * phase) * math.cos(theta)
            squash = 1.0 + 0.1 * math.sin(phase)
            pc2 += struct.pack("<fff", p[0] * wobble * squash, p[1] * wobble / squash, p[2] * wobble * squash)
    with open(os.path.join(out, "jelly.pc2"), "wb") as f:
        f.write(pc2)

    rows = []
    for y in range(64):
        band = 0.65 + 0.35 * (0.5 + 0.5 * math.cos(y * 2 * math.pi / 16))
        rows.append(bytes(int(255 * band) for _ in range(64 * 3)))
    write_png(os.path.join(out, "jelly.png"), 64, 64, rows)


def monolith(out):
    w, h, d = 0.5, 1.5, 0.2
    obj = ObjWriter("monolith", "monolith.mtl")
    corners = {}
    for ix, x in enumerate((-w, w)):
        for iy, y in enumerate((-h, h)):
            for iz, z in enumerate((-d, d)):
                corners[ix, iy, iz] = obj.v((x, y, z))
    c = corners
    obj.usemtl("Slab")
    faces = [  # counter-clockwise from outside
        ([c[0, 0, 1], c[1, 0, 1], c[1, 1, 1], c[0, 1, 1]], (0.0, 1.0)),  # +z
        ([c[1, 0, 0], c[0, 0, 0], c[0, 1, 0], c[1, 1, 0]], (0.0, 1.0)),  # -z
        ([c[1, 0, 1], c[1, 0, 0], c[1, 1, 0], c[1, 1, 1]], (0.0, 0.25)),  # +x
        ([c[0, 0, 0], c[0, 0, 1], c[0, 1, 1], c[0, 1, 0]], (0.0, 0.25)),  # -x
        ([c[0, 1, 1], c[1, 1, 1], c[1, 1, 0], c[0, 1, 0]], (0.0, 0.2)),  # +y
        ([c[0, 0, 0], c[1, 0, 0], c[1, 0, 1], c[0, 0, 1]], (0.0, 0.2)),  # -y
    ]
    for points, (u0, u1) in faces:
        obj.flat_face(points, [(u0, 1.0), (u1, 1.0), (u1, 0.0), (u0, 0.0)])
    obj.save(os.path.join(out, "monolith.obj"))
    write_mtl(os.path.join(out, "monolith.mtl"), [
        ("Slab", ["Ka 0.15 0.15 0.2", "Kd 0.55 0.58 0.7", "Ke 0.3 0.9 1.0", "Ns 8",
                  "map_Kd panel.png", "map_Ke panel_glow.png"]),
    ])
    size = 64
    panel, glow = [], []
    for y in range(size):
        prow, grow = bytearray(), bytearray()
        for x in range(size):
            seam = x % 16 in (0, 15) or y % 21 in (0, 20)
            tone = 0.55 + 0.35 * hash1((x // 16) * 7 + (y // 21) * 131)
            prow += bytes((int(180 * tone), int(185 * tone), int(210 * tone))) if not seam else b"\x20\x20\x28"
            light = seam and hash1((x // 16) + (y // 21) * 17) > 0.35
            grow += b"\xff\xff\xff" if light else b"\x00\x00\x00"
        panel.append(prow)
        glow.append(grow)
    write_png(os.path.join(out, "panel.png"), size, size, panel)
    write_png(os.path.join(out, "panel_glow.png"), size, size, glow)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "data", "models")
    os.makedirs(out, exist_ok=True)
    crystal(out)
    jelly(out)
    monolith(out)


if __name__ == "__main__":
    main()
