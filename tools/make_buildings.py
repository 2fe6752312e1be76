#!/usr/bin/env python3
"""Generates the building kits of the City effect in data/buildings/:

  misc/road.obj/.mtl      one road cell (16 x 16 units, drawn at scale 0.25), and the
                          street material every city model is drawn with
  misc/street.png         the street atlas: facades, shop fronts, glass, roofs, road, pavement
  misc/street_glow.png    its emissive map: lit windows, shop fronts, beacons, lane markings
  apartments_2x2/         bases, slices (storeys) and roofs of a square block of flats
  office_3x2/             bases, slices and roofs of a longer office block
  tower_1x1/              bases, slices and roofs (with masts) of a slim tower
  landmark_2x3/           whole buildings only: a stepped skyscraper and a glass spire

A kit's models are drawn at scale 0.1: a cell is 40 units square and a storey 20 units
high. Bases, slices and roofs stand on y = 0 and are stacked by the effect; every piece is
centred on its footprint. Bases and wholes carry a pavement plate over the whole footprint,
so that packed buildings leave no holes in the ground. The City effect draws every model
with the road's material, so the kits name no material of their own: their texture
coordinates point into the street atlas.

Faces are written counter-clockwise seen from outside, as OBJ files are. The output is
deterministic. Usage: tools/make_buildings.py [output directory, default data/buildings/]
"""
import math
import os
import sys

sys.path.insert(0, os.path.dirname(__file__))
from make_images import hash1, write_png  # noqa: E402
from make_models import ObjWriter, cross, sub, write_mtl  # noqa: E402

CELL = 40.0  # model units per cell at the kit scale
STOREY = 20.0
INSET = 3.0  # walls stand this far inside the footprint

ATLAS_W, ATLAS_H = 256, 256
TILE_W, TILE_H = 64, 32  # one cell of one storey


# Atlas regions as (x, y, width, height) in pixels, top row first.
def slice_tile(style, variant):
    return (128 * (style % 2) + 64 * variant, 32 * (style // 2), TILE_W, TILE_H)


def base_tile(style):
    return (64 * style, 64, TILE_W, TILE_H)


def glass_tile(style, variant):
    return (128 * style + 64 * variant, 96, TILE_W, TILE_H)


ROAD = (0, 128, 64, 64)
ROOFS = [(64, 128, 64, 64), (128, 128, 64, 64)]
PAVEMENT = (192, 128, 64, 64)
PARAPETS = [(0, 192, 64, 16), (64, 192, 64, 16)]
METAL = (128, 192, 64, 16)
BEACON = (192, 192, 16, 16)


def region_uvs(region):
    """Corner texture coordinates of a region, inset by half a texel: bottom-left,
    bottom-right, top-right, top-left (OBJ's v runs upwards)."""
    x, y, w, h = region
    u0, u1 = (x + 0.5) / ATLAS_W, (x + w - 0.5) / ATLAS_W
    v0, v1 = 1.0 - (y + h - 0.5) / ATLAS_H, 1.0 - (y + 0.5) / ATLAS_H
    return [(u0, v0), (u1, v0), (u1, v1), (u0, v1)]


class Kit:
    """An ObjWriter with shared texture corners per region and shared normals per direction."""

    def __init__(self, name, mtllib=None):
        self.obj = ObjWriter(name, mtllib)
        self.obj.lines[0] = "# %s, made by tools/make_buildings.py" % name
        if not mtllib:
            self.obj.lines.remove("mtllib None")
        self.regions = {}
        self.normals = {}

    def corners(self, region):
        if region not in self.regions:
            self.regions[region] = [self.obj.vt(uv) for uv in region_uvs(region)]
        return self.regions[region]

    def normal(self, n):
        key = tuple(round(c, 6) for c in n)
        if key not in self.normals:
            self.normals[key] = self.obj.vn(n)
        return self.normals[key]

    def quad(self, points, region):
        """Four position indices counter-clockwise from outside, with their positions."""
        indices, positions = zip(*points)
        n = self.normal(cross(sub(positions[1], positions[0]), sub(positions[2], positions[0])))
        t = self.corners(region)
        self.obj.face([(indices[i], t[i], n) for i in range(4)])

    def facet(self, positions, uvs):
        """A triangle or quad of new positions with texture coordinates of its own."""
        n = self.normal(cross(sub(positions[1], positions[0]), sub(positions[2], positions[0])))
        self.obj.face([(self.obj.v(p), self.obj.vt(uv), n) for p, uv in zip(positions, uvs)])

    def wall(self, origin, right, width, y0, height, cells, storeys, tile):
        """A vertical wall facing right x up, split into cells x storeys quads that share
        their corners; tile(cell, storey) names the region of each."""
        grid = {}
        for i in range(cells + 1):
            for j in range(storeys + 1):
                a, b = width * i / cells, y0 + height * j / storeys
                p = (origin[0] + right[0] * a, b, origin[2] + right[2] * a)
                grid[i, j] = (self.obj.v(p), p)
        for i in range(cells):
            for j in range(storeys):
                self.quad([grid[i, j], grid[i + 1, j], grid[i + 1, j + 1], grid[i, j + 1]], tile(i, j))

    def box_walls(self, hx, hz, y0, height, storeys, tile, cells=None):
        """The four walls of a box of half sizes hx, hz; tile(side, cell, storey)."""
        cx = cells[0] if cells else max(1, round(2 * hx / CELL))
        cz = cells[1] if cells else max(1, round(2 * hz / CELL))
        sides = [  # origin (left end seen from outside), direction to the right, width, cells
            ((-hx, 0, hz), (1, 0, 0), 2 * hx, cx),  # +z
            ((hx, 0, -hz), (-1, 0, 0), 2 * hx, cx),  # -z
            ((hx, 0, hz), (0, 0, -1), 2 * hz, cz),  # +x
            ((-hx, 0, -hz), (0, 0, 1), 2 * hz, cz),  # -x
        ]
        for side, (origin, right, width, n) in enumerate(sides):
            self.wall(origin, right, width, y0, height, n, storeys, lambda i, j, s=side: tile(s, i, j))

    def top(self, hx, hz, y, region):
        points = []
        for x, z in ((-hx, hz), (hx, hz), (hx, -hz), (-hx, -hz)):
            p = (x, y, z)
            points.append((self.obj.v(p), p))
        self.quad(points, region)

    def box(self, cx, cz, hx, hz, y0, y1, side_region, top_region):
        """A small closed box (no bottom) centred at (cx, cz)."""
        def shifted(p):
            return (p[0] + cx, p[1], p[2] + cz)
        c = {}
        for ix, x in enumerate((-hx, hx)):
            for iy, y in enumerate((y0, y1)):
                for iz, z in enumerate((-hz, hz)):
                    p = shifted((x, y, z))
                    c[ix, iy, iz] = (self.obj.v(p), p)
        for face in ([c[0, 0, 1], c[1, 0, 1], c[1, 1, 1], c[0, 1, 1]], [c[1, 0, 0], c[0, 0, 0], c[0, 1, 0], c[1, 1, 0]],
                     [c[1, 0, 1], c[1, 0, 0], c[1, 1, 0], c[1, 1, 1]], [c[0, 0, 0], c[0, 0, 1], c[0, 1, 1], c[0, 1, 0]]):
            self.quad(face, side_region)
        self.quad([c[0, 1, 1], c[1, 1, 1], c[1, 1, 0], c[0, 1, 0]], top_region)

    def save(self, path):
        self.obj.save(path)


def footprint(width, length):
    return width * CELL / 2, length * CELL / 2


def pavement(kit, width, length):
    fx, fz = footprint(width, length)
    kit.top(fx, fz, 0.4, PAVEMENT)


def variant(seed, cell):
    return int(hash1(seed * 97 + cell * 13) * 2) % 2


def base_piece(path, width, length, style):
    kit = Kit(os.path.basename(path)[:-4])
    pavement(kit, width, length)
    fx, fz = footprint(width, length)
    kit.box_walls(fx - INSET, fz - INSET, 0.0, STOREY, 1, lambda s, i, j: base_tile(style), (width, length))
    # A canopy over the ground floor.
    kit.box(0.0, 0.0, fx - INSET + 1.5, fz - INSET + 1.5, STOREY - 2.5, STOREY - 1.0, METAL, METAL)
    kit.save(path)


def slice_piece(path, width, length, style, seed, ledge):
    kit = Kit(os.path.basename(path)[:-4])
    fx, fz = footprint(width, length)
    kit.box_walls(fx - INSET, fz - INSET, 0.0, STOREY, 1,
                  lambda s, i, j: slice_tile(style, variant(seed + s, i)), (width, length))
    if ledge:
        kit.box(0.0, 0.0, fx - INSET + 1.0, fz - INSET + 1.0, 0.0, 1.2, PARAPETS[0], PARAPETS[0])
    kit.save(path)


def roof_piece(path, width, length, roof, extras):
    kit = Kit(os.path.basename(path)[:-4])
    fx, fz = footprint(width, length)
    hx, hz = fx - INSET, fz - INSET
    kit.top(hx, hz, 0.3, ROOFS[roof])
    # Parapet: outer walls and a top band.
    kit.box_walls(hx, hz, 0.0, 4.0, 1, lambda s, i, j: PARAPETS[roof], (width, length))
    for kind, x, z, size, height in extras:
        if kind == "unit":  # air conditioning or a water tank
            kit.box(x, z, size, size * 0.7, 0.0, height, METAL, METAL)
        elif kind == "mast":  # a thin mast with a beacon on top
            kit.box(x, z, size, size, 0.0, height, METAL, METAL)
            kit.box(x, z, size * 2.5, size * 2.5, height, height + size * 5, BEACON, BEACON)
    kit.save(path)


def stepped_tower(path, width, length, tiers, style, seed):
    """A whole building of tiers (inset, storeys) stacked from the ground up, each with a
    roof, crowned by a mast."""
    kit = Kit(os.path.basename(path)[:-4])
    pavement(kit, width, length)
    fx, fz = footprint(width, length)
    y = 0.0
    for tier, (inset, storeys) in enumerate(tiers):
        hx, hz = fx - inset, fz - inset
        cells = (max(1, round(2 * hx / CELL)), max(1, round(2 * hz / CELL)))
        kit.box_walls(hx, hz, y, storeys * STOREY, storeys,
                      lambda s, i, j, t=tier: glass_tile(style, variant(seed + s * 7 + j + t * 31, i)), cells)
        y += storeys * STOREY
        kit.top(hx, hz, y, ROOFS[1])
    kit.box(0.0, 0.0, 1.2, 1.2, y, y + 60.0, METAL, METAL)
    kit.box(0.0, 0.0, 3.0, 3.0, y + 60.0, y + 66.0, BEACON, BEACON)
    kit.save(path)


def spire(path, width, length, storeys, style, seed):
    """A glass shaft on a two-storey podium, ending in a four-sided point."""
    kit = Kit(os.path.basename(path)[:-4])
    pavement(kit, width, length)
    fx, fz = footprint(width, length)
    kit.box_walls(fx - INSET, fz - INSET, 0.0, 2 * STOREY, 2, lambda s, i, j: base_tile(1 + j % 2),
                  (width, length))
    kit.top(fx - INSET, fz - INSET, 2 * STOREY, ROOFS[0])
    hx = hz = min(fx, fz) - 8.0
    kit.box_walls(hx, hz, 2 * STOREY, storeys * STOREY, storeys,
                  lambda s, i, j: glass_tile(style, variant(seed + s * 5 + j, i)), (1, 1))
    top, apex = (2 + storeys) * STOREY, (2 + storeys) * STOREY + 90.0
    corners = [(-hx, top, hz), (hx, top, hz), (hx, top, -hz), (-hx, top, -hz)]
    uvs = region_uvs(glass_tile(style, 0))
    for k in range(4):
        a, b = corners[k], corners[(k + 1) % 4]
        kit.facet([a, b, (0.0, apex, 0.0)], [uvs[0], uvs[1], ((uvs[0][0] + uvs[1][0]) / 2, uvs[2][1])])
    kit.save(path)


def road(out):
    kit = Kit("road", "road.mtl")
    kit.obj.usemtl("Street")
    kit.top(8.0, 8.0, 0.0, ROAD)
    kit.save(os.path.join(out, "road.obj"))
    write_mtl(os.path.join(out, "road.mtl"), [
        ("Street", ["Ka 0.04 0.04 0.06", "Kd 1 1 1", "Ks 0.6 0.6 0.7", "Ke 1 1 1", "Ns 12",
                    "map_Kd street.png", "map_Ke street_glow.png"]),
    ])


# ---- the atlas ---------------------------------------------------------------------------

WALLS = [(150, 78, 62), (160, 158, 150), (92, 102, 124), (190, 168, 128)]
WARM, COOL = (255, 196, 120), (170, 205, 255)


def atlas():
    diffuse = [bytearray(ATLAS_W * 3) for _ in range(ATLAS_H)]
    glow = [bytearray(ATLAS_W * 3) for _ in range(ATLAS_H)]

    def put(image, x, y, colour):
        image[y][3 * x:3 * x + 3] = bytes(max(0, min(255, int(c))) for c in colour)

    def fill(region, shade):
        x0, y0, w, h = region
        for y in range(y0, y0 + h):
            for x in range(x0, x0 + w):
                d, g = shade(x - x0, y - y0)
                put(diffuse, x, y, d)
                put(glow, x, y, g)

    def lit(seed):
        h = hash1(seed)
        return WARM if h > 0.55 else COOL if h > 0.35 else None

    def window_tile(style, var):
        wall = WALLS[style]
        seed = 1000 + style * 10 + var
        # Window rectangles (x0, x1, y0, y1) per style.
        if style == 0:
            windows = [(8, 27, 8, 25), (36, 55, 8, 25)]
        elif style == 1:
            windows = [(2 + 8 * k, 8 + 8 * k, 6, 24) for k in range(8)]
        elif style == 2:
            windows = [(5 + 15 * k, 14 + 15 * k, 7, 26) for k in range(4)]
        else:
            windows = [(4, 29, 6, 22), (35, 60, 6, 22)]

        def shade(x, y):
            grain = 0.9 + 0.1 * hash1(x * 31 + y * 17 + seed)
            for k, (a, b, c, d) in enumerate(windows):
                if a <= x <= b and c <= y <= d:
                    light = lit(seed * 13 + k)
                    glass = (34, 44, 60)
                    if light:
                        return glass, tuple(v * (0.55 + 0.3 * hash1(seed + k)) for v in light)
                    return glass, (0, 0, 0)
            if style == 3 and 24 <= y <= 27:  # balcony rail
                return (60, 62, 70), (0, 0, 0)
            return tuple(c * grain for c in wall), (0, 0, 0)
        return shade

    def shop_tile(style):
        wall = WALLS[(style + 1) % 4]

        def shade(x, y):
            if y < 8:  # sign band
                sign = [(255, 80, 120), (80, 220, 255), (255, 200, 60), (140, 255, 120)][style]
                on = 10 <= x <= 54 and 2 <= y <= 5
                return (40, 40, 48), (tuple(c * 0.9 for c in sign) if on else (0, 0, 0))
            if style == 2 and 16 <= x <= 47 and y >= 12:  # garage door
                return (70 + (y % 4) * 8, 72 + (y % 4) * 8, 78), (0, 0, 0)
            if 4 <= x <= 59 and 11 <= y <= 29:
                if style != 1 and 28 <= x <= 35:  # door
                    return (50, 40, 36), (0, 0, 0)
                return (40, 52, 60), tuple(c * 0.8 for c in WARM) if style != 3 else (40, 60, 80)
            return wall, (0, 0, 0)
        return shade

    def glass_tile_shade(style, var):
        seed = 2000 + style * 10 + var
        tint = [(40, 70, 90), (70, 60, 90)][style]

        def shade(x, y):
            if y >= 28 or x % 16 == 0:  # floor slab and mullions
                return (120, 125, 135), (0, 0, 0)
            cell = x // 16
            light = lit(seed * 7 + cell) if hash1(seed * 3 + cell) > 0.45 else None
            reflect = 1.0 + 0.25 * math.sin((x + y * 0.6 + var * 11) * 0.09)
            g = tuple(c * 0.4 for c in light) if light else (0, 0, 0)
            return tuple(c * reflect for c in tint), g
        return shade

    for style in range(4):
        for var in range(2):
            fill(slice_tile(style, var), window_tile(style, var))
        fill(base_tile(style), shop_tile(style))
    for style in range(2):
        for var in range(2):
            fill(glass_tile(style, var), glass_tile_shade(style, var))

    def road_shade(x, y):
        grain = 0.85 + 0.15 * hash1(x * 7 + y * 131)
        if 30 <= x <= 33 and (y // 8) % 2 == 0:  # centre dashes along the street
            return (200, 180, 90), (90, 75, 30)
        if x <= 3 or x >= 60:  # kerbs
            return (120, 120, 125), (0, 0, 0)
        return (46 * grain, 46 * grain, 52 * grain), (0, 0, 0)
    fill(ROAD, road_shade)
    fill(ROOFS[0], lambda x, y: ((tuple(v * (0.8 + 0.2 * hash1(x * 11 + y * 37)) for v in (110, 108, 100))),
                                 (0, 0, 0)))
    fill(ROOFS[1], lambda x, y: ((55, 58, 66) if (x // 16 + y // 16) % 2 else (62, 66, 74), (0, 0, 0)))
    fill(PAVEMENT, lambda x, y: ((96, 96, 102) if x % 16 and y % 16 else (70, 70, 76), (0, 0, 0)))
    fill(PARAPETS[0], lambda x, y: ((150, 148, 140) if y > 2 else (185, 182, 172), (0, 0, 0)))
    fill(PARAPETS[1], lambda x, y: ((80, 82, 90) if y > 2 else (110, 112, 120), (0, 0, 0)))
    fill(METAL, lambda x, y: ((128 + 20 * (x % 8 == 0), 130, 136), (0, 0, 0)))
    fill(BEACON, lambda x, y: ((255, 40, 30), (255, 30, 20)))
    return diffuse, glow


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "data", "buildings")
    misc = os.path.join(out, "misc")
    os.makedirs(misc, exist_ok=True)
    road(misc)
    diffuse, glow = atlas()
    write_png(os.path.join(misc, "street.png"), ATLAS_W, ATLAS_H, diffuse)
    write_png(os.path.join(misc, "street_glow.png"), ATLAS_W, ATLAS_H, glow)

    def kit(name):
        path = os.path.join(out, name)
        os.makedirs(path, exist_ok=True)
        return lambda file: os.path.join(path, file)

    flats = kit("apartments_2x2")
    base_piece(flats("base_shops.obj"), 2, 2, 0)
    base_piece(flats("base_entrance.obj"), 2, 2, 3)
    slice_piece(flats("slice_brick.obj"), 2, 2, 0, 11, False)
    slice_piece(flats("slice_balcony.obj"), 2, 2, 3, 12, True)
    roof_piece(flats("roof_tank.obj"), 2, 2, 0, [("unit", 12.0, -10.0, 8.0, 14.0)])
    roof_piece(flats("roof_plain.obj"), 2, 2, 1, [("unit", -20.0, 18.0, 5.0, 6.0), ("unit", 10.0, 18.0, 5.0, 6.0)])

    office = kit("office_3x2")
    base_piece(office("base_lobby.obj"), 3, 2, 1)
    base_piece(office("base_garage.obj"), 3, 2, 2)
    slice_piece(office("slice_band.obj"), 3, 2, 1, 21, False)
    slice_piece(office("slice_panel.obj"), 3, 2, 2, 22, True)
    roof_piece(office("roof_plant.obj"), 3, 2, 1, [("unit", -30.0, 0.0, 10.0, 10.0), ("unit", 25.0, 10.0, 6.0, 8.0)])

    tower = kit("tower_1x1")
    base_piece(tower("base.obj"), 1, 1, 1)
    slice_piece(tower("slice.obj"), 1, 1, 2, 31, False)
    roof_piece(tower("roof_mast.obj"), 1, 1, 1, [("mast", 0.0, 0.0, 1.0, 30.0)])
    roof_piece(tower("roof_flat.obj"), 1, 1, 0, [("unit", 0.0, 0.0, 6.0, 5.0)])

    landmark = kit("landmark_2x3")
    stepped_tower(landmark("whole_stepped.obj"), 2, 3, [(INSET, 16), (12.0, 6), (22.0, 4)], 0, 41)
    spire(landmark("whole_spire.obj"), 2, 3, 20, 1, 42)


if __name__ == "__main__":
    main()
