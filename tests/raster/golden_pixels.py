#!/usr/bin/env python3
"""Pixels of the golden polygon scenes worked out from the scene data and the fill rules alone,
pasted into poly_golden_test.cpp.

The model is exact arithmetic, not the drawers' fixed point:
  - a scanline y is covered when ceil(yTop) <= y < ceil(yBottom), a pixel x when
    ceil(xLeft) <= x < ceil(xRight), xLeft / xRight being where the left edge (from the top vertex
    forward through the vertex list) and the right edge (backward) cross the scanline;
  - every interpolant is its exact value at the pixel centre: linear along each edge, then linear
    between the two edges along the scanline (the perspective floor interpolates u/z, v/z and 1/z
    that way, then u = (u/z) / (1/z) and v likewise);
  - depth: drawn when 1/z >= the stored value, opaque fillers store it, the buffer starts at 0;
  - sources, fetches, combinations and blends as the span formulas give them, per byte.
A pixel is only printed when the drawers' rounding cannot change it: no edge crosses its scanline
within EDGE of an integer, no depth comparison is within DEPTH of a tie, and the colour stays the
same when every interpolant is moved by -SLACK, 0 and +SLACK (the 16.16 walk drifts by at most one
unit per row and per pixel, about 0.002 over a 64-pixel scene; the perspective floor divides in
float, hence its wider slack).

Run: python3 tests/raster/golden_pixels.py            prints the chosen pixels
     python3 tests/raster/golden_pixels.py --compare  also counts the certain pixels of every
                                                      scene that differ from its golden PNG
"""

import itertools
import math
import struct
import sys
import zlib
from fractions import Fraction as F
from pathlib import Path

SIZE = 64
EDGE = F(1, 256)
DEPTH = F(1, 10000)
SLACK = F(1, 256)
PERSPECTIVE_SLACK = F(1, 32)


def rgb(r, g, b):
    return (r, g, b)


def background(x, y):
    return rgb(40, 40, 48) if (x ^ y) & 8 else rgb(24, 24, 32)


def ramp(dark, light):
    return [tuple((a * (255 - i) + b * i) // 255 for a, b in zip(dark, light)) for i in range(256)]


def texel(u, v):
    """The test texture: a colour ramp with darker lines every 32 texels."""
    line = u % 32 == 0 or v % 32 == 0
    return (u // 4 if line else u, v // 4 if line else v, 0 if line else 255 - ((u + v) >> 1))


def texel_at_index(i):
    """The plain copy as memory: row after row, then zeroed guard rows."""
    return texel(i % 256, i // 256) if 0 <= i < 256 * 256 else (0, 0, 0)


def point_fetch(u, v):
    return texel(math.floor(u) & 255, math.floor(v) & 255)


def bilinear_fetch(u, v):
    fu_all, fv_all = math.floor(u * 4096), math.floor(v * 4096)
    fu, fv = fu_all & 4095, fv_all & 4095
    base = ((fv_all >> 12) & 255) * 256 + ((fu_all >> 12) & 255)
    w = [((4096 - fu) * (4096 - fv)) >> 16, (fu * (4096 - fv)) >> 16,
         ((4096 - fu) * fv) >> 16, (fu * fv) >> 16]
    taps = [texel_at_index(base), texel_at_index(base + 1), texel_at_index(base + 256),
            texel_at_index(base + 257)]
    return tuple(min(sum(t[c] * wk for t, wk in zip(taps, w)), 65535) >> 8 for c in range(3))


def sat(v):
    return max(0, min(255, v))


def per_byte(f, *pixels):
    return tuple(f(*bytes_) for bytes_ in zip(*pixels))


# --- the edge walk, exactly ---


def ceil(v):
    return math.ceil(v)


class Polygon:
    """Vertices (x, y, 1/z, interpolants...) as exact fractions, in drawing order."""

    def __init__(self, floats, stride):
        self.v = [[F(c) for c in floats[i:i + stride]] for i in range(0, len(floats), stride)]

    def chains(self):
        n = len(self.v)
        ys = [p[1] for p in self.v]
        top = ys.index(min(ys))
        bottom = ys.index(max(ys))
        left, right = [top], [top]
        while left[-1] != bottom:
            left.append((left[-1] + 1) % n)
        while right[-1] != bottom:
            right.append((right[-1] - 1) % n)
        return left, right

    def crossing(self, chain, y):
        """The point of the chain's edge on scanline y and how far it may drift, or None."""
        for a, b in zip(chain, chain[1:]):
            pa, pb = self.v[a], self.v[b]
            if ceil(pa[1]) <= y < ceil(pb[1]):
                t = (y - pa[1]) / (pb[1] - pa[1])
                values = [qa + t * (qb - qa) for qa, qb in zip(pa, pb)]
                values[1] = F(y)
                # A vertical edge is exact in 16.16; a slanted one may drift by EDGE.
                drift = 0 if pa[0] == pb[0] else EDGE
                return values, drift
        return None

    def at(self, x, y):
        """(covered, certain, [1/z, interpolants...]) at pixel (x, y)."""
        left, right = self.chains()
        ys = [p[1] for p in self.v]
        if not ceil(min(ys)) <= y < ceil(max(ys)):
            return False, True, None
        lc, rc = self.crossing(left, y), self.crossing(right, y)
        if lc is None or rc is None:
            return False, True, None
        (lv, ld), (rv, rd) = lc, rc
        covered = ceil(lv[0]) <= x < ceil(rv[0])
        certain = all((ceil(lv[0] + i) <= x < ceil(rv[0] + j)) == covered
                      for i in (-ld, ld) for j in (-rd, rd))
        if not covered or lv[0] == rv[0]:
            return covered, certain, None
        t = (x - lv[0]) / (rv[0] - lv[0])
        return covered, certain, [qa + t * (qb - qa) for qa, qb in zip(lv[2:], rv[2:])]


# --- span members: colour of one pixel from the interpolants and the destination ---


def alpha_blend(d, s, a):
    return per_byte(lambda db, sb: ((db * (255 - a)) >> 8) + ((sb * a) >> 8), d, s)


def flat(blend, colour, a=255):
    def pixel(values, d, level):
        k = colour[max(0, min(255, level))]
        if blend == "replace":
            return k
        if blend == "alpha":
            return alpha_blend(d, k, a)
        if blend == "add":
            return per_byte(lambda db, sb: sat(db + sb), d, k)
        if blend == "sub":
            return per_byte(lambda db, sb: sat(db - sb), d, k)
        raise ValueError(blend)
    return pixel, 0


def gouraud_replace(table):
    return (lambda values, d, level: table[math.floor(values[1]) & 255]), 1


def vertex_alpha(table):
    def pixel(values, d, level):
        c = table[math.floor(values[1]) & 255]
        return alpha_blend(d, c, math.floor(values[2]))
    return pixel, 2


def tex_shade_t_minus_c_replace(table):
    def pixel(values, d, level):
        t = point_fetch(values[1], values[2])
        c = table[math.floor(values[3]) & 255]
        return per_byte(lambda tb, cb: sat(tb - cb), t, c)
    return pixel, 3


def texture_replace(fetch):
    return (lambda values, d, level: fetch(values[1], values[2])), 2


def tex_color_t_minus_k_add(table):
    def pixel(values, d, level):
        t = point_fetch(values[1], values[2])
        k = table[max(0, min(255, level))]
        return per_byte(lambda db, tb, kb: sat(db + sat(tb - kb)), d, t, k)
    return pixel, 2


def perspective_replace():
    # values: 1/z, u, v as given per vertex; the floor interpolates u/z and v/z.
    return (lambda values, d, level: point_fetch(values[1], values[2])), 2


# --- scenes (the same data as poly_golden_test.cpp) ---


def flat_scene():
    colours = ramp(rgb(0, 0, 0), rgb(255, 200, 120))
    colours[10], colours[20], colours[30] = rgb(200, 40, 40), rgb(40, 200, 60), rgb(60, 90, 230)
    return [
        (flat("replace", colours), True, 3, [
            ([6.5, 4, 0.2, 10, 58, 0.9, 58, 50.5, 0.9], 10),
            ([20, 14, 0.5, 20, 44, 0.5, 50, 44, 0.5, 50, 14, 0.5], 20),
            ([32, 2, 0.7, 12, 20, 0.7, 20, 40, 0.7, 44, 40, 0.7, 52, 20, 0.7], 30)]),
        # Opacity 0.5: the flat drawer truncates 127.5 to a = 127.
        (flat("alpha", colours, 127), False, 3, [([2, 40, 1, 2, 62, 1, 24, 62, 1], 255)]),
        (flat("add", colours), False, 3, [([40, 52, 1, 36, 62, 1, 62, 62, 1], 10)]),
        (flat("sub", colours), False, 3, [([56, 2, 1, 40, 10, 1, 62, 12, 1], 20)]),
    ]


def gouraud_scene():
    table = ramp(rgb(10, 20, 90), rgb(255, 230, 80))
    return [(gouraud_replace(table), True, 4, [
        ([4, 4, 0.3, 0, 8, 60, 0.3, 255, 60, 30, 0.6, 128], 255),
        ([60, 4, 0.6, 255, 4, 36, 0.45, 0, 60, 60, 0.3, 200], 255)])]


def vertex_alpha_scene():
    table = ramp(rgb(255, 40, 0), rgb(255, 255, 255))
    return [(vertex_alpha(table), True, 5, [
        ([4, 4, 0.5, 0, 255, 4, 60, 0.5, 255, 255, 60, 60, 0.5, 255, 0, 60, 4, 0.5, 0, 0], 255)])]


def tex_shade_scene():
    table = ramp(rgb(0, 0, 0), rgb(160, 160, 160))
    return [(tex_shade_t_minus_c_replace(table), True, 6, [
        ([4, 4, 0.5, 0, 0, 0, 4, 60, 0.5, 0, 255, 100, 60, 60, 0.5, 255, 255, 255], 255),
        ([60, 10, 0.3, 0, 0, 0, 20, 30, 0.8, 128, 0, 50, 56, 60, 0.3, 64, 200, 0], 255)])]


def texture_scene():
    return [
        (texture_replace(bilinear_fetch), True, 5, [
            ([32, 2, 0.5, 16, 16, 2, 32, 0.5, 16, 48, 32, 62, 0.5, 48, 48, 62, 32, 0.5, 48, 16],
             255)]),
        # The tiled copy holds the same texels as the plain one, only placed differently.
        (texture_replace(point_fetch), True, 5, [
            ([20, 20, 0.7, 200, 0, 20, 44, 0.7, 200, 300, 44, 44, 0.4, 500, 300], 255)]),
    ]


def tex_color_scene():
    table = ramp(rgb(0, 0, 0), rgb(0, 120, 255))
    return [(tex_color_t_minus_k_add(table), False, 5, [
        ([4, 4, 1, 0, 0, 4, 60, 1, 0, 128, 40, 60, 1, 128, 128], 80),
        ([60, 4, 1, 255, 0, 24, 20, 1, 0, 0, 60, 60, 1, 255, 255], 200)])]


def perspective_scene():
    return [(perspective_replace(), True, 5, [
        ([24, 8, 0.125, 0, 1024, 0, 63, 1, 0, 0, 64, 63, 1, 512, 0, 40, 8, 0.125, 512, 1024],
         255)])]


def to_perspective(floats, stride):
    """u, v per vertex become u/z, v/z (times 1/z): the values interpolated on the screen."""
    out = list(floats)
    for i in range(0, len(out), stride):
        w = F(out[i + 2])
        out[i + 3], out[i + 4] = F(out[i + 3]) * w, F(out[i + 4]) * w
    return out


SCENES = {
    "poly_flat": flat_scene,
    "poly_gouraud": gouraud_scene,
    "poly_vertex_alpha": vertex_alpha_scene,
    "poly_tex_shade": tex_shade_scene,
    "poly_texture": texture_scene,
    "poly_tex_color": tex_color_scene,
    "poly_perspective": perspective_scene,
}


def render_pixel(name, x, y):
    """(colour, certain) of pixel (x, y) of the scene."""
    colour = background(x, y)
    depth = F(0)
    certain = True
    perspective = name == "poly_perspective"
    for (member, nb_interpolant), with_depth, stride, polygons in SCENES[name]():
        for floats, level in polygons:
            data = to_perspective(floats, stride) if perspective else floats
            covered, ok, values = Polygon(data, stride).at(x, y)
            certain = certain and ok
            if not covered:
                continue
            if perspective:
                w = values[0]
                values = [w, values[1] / w, values[2] / w]
            if with_depth:
                if abs(values[0] - depth) < DEPTH:
                    certain = False
                if values[0] < depth:
                    continue
            slack = PERSPECTIVE_SLACK if perspective else SLACK
            outcomes = set()
            for moves in itertools.product((-slack, 0, slack), repeat=nb_interpolant):
                moved = [values[0]] + [q + m for q, m in zip(values[1:], moves)]
                outcomes.add(member(moved, colour, level))
            certain = certain and len(outcomes) == 1
            colour = member(values, colour, level)
            # Every member drawn with depth in these scenes is an opaque replace: it stores 1/z.
            if with_depth:
                depth = values[0]
    return colour, certain


# --- golden PNG reader (8-bit RGB, not interlaced), for --compare ---


def read_png(path):
    data = path.read_bytes()
    pos, idat, width = 8, b"", 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, bits, colour_type = struct.unpack(">IIBB", body[:10])
            assert bits == 8 and colour_type == 2, (bits, colour_type)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = width * 3
    rows, previous = [], bytearray(stride)
    for r in range(len(raw) // (stride + 1)):
        kind = raw[r * (stride + 1)]
        line = bytearray(raw[r * (stride + 1) + 1:(r + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 3] if i >= 3 else 0
            b = previous[i]
            c = previous[i - 3] if i >= 3 else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + ((a + b) >> 1)) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else b if pb <= pc else c
                line[i] = (line[i] + pred) & 255
        rows.append(line)
        previous = line
    return lambda x, y: tuple(rows[y][3 * x:3 * x + 3])


# --- the pixels pasted into the test ---

CHOSEN = {
    "poly_flat": [(49, 14), (50, 14), (17, 31), (16, 31), (9, 31), (8, 31), (30, 30), (48, 42),
                  (3, 60), (50, 60), (58, 8)],
    "poly_gouraud": [(5, 10), (20, 30), (8, 59), (7, 59), (60, 59)],
    "poly_vertex_alpha": [(5, 5), (30, 30), (59, 59), (60, 30), (4, 60)],
    "poly_tex_shade": [(5, 50), (30, 38), (50, 52), (20, 59), (20, 60)],
    "poly_texture": [(32, 21), (29, 37), (23, 41), (31, 33)],
    "poly_tex_color": [(5, 30), (50, 30), (38, 58), (39, 58)],
    "poly_perspective": [(31, 20), (10, 50), (63, 62), (0, 62), (63, 63)],
}


def main():
    compare = "--compare" in sys.argv
    folder = Path(__file__).resolve().parent / "golden"
    for name in SCENES:
        print(name)
        for x, y in CHOSEN[name]:
            colour, certain = render_pixel(name, x, y)
            note = "" if certain else "   <- rounding could change it: choose another"
            print(f"  {{{x}, {y}, 0x{colour[0]:02X}{colour[1]:02X}{colour[2]:02X}u}},{note}")
        if compare:
            golden = read_png(folder / (name + ".png"))
            nb_certain = nb_differ = 0
            for y in range(SIZE):
                for x in range(SIZE):
                    colour, certain = render_pixel(name, x, y)
                    if not certain:
                        continue
                    nb_certain += 1
                    if colour != golden(x, y):
                        nb_differ += 1
                        if nb_differ <= 5:
                            print(f"    differs at ({x}, {y}): model {colour} golden "
                                  f"{golden(x, y)}")
            print(f"  certain pixels: {nb_certain}, differing from the golden: {nb_differ}")


if __name__ == "__main__":
    main()
