#!/usr/bin/env python3
"""Worked values of the radial blur, pasted into radial_test.cpp.

Written from the formulas alone:
  ray table, offset (x, y), r^2 = x^2 + y^2, M = max(x, y), m = min(x, y):
      256 at (0, 0), else trunc(256 c / (|s| + |c|)), c = 2 M^2 / r^2 - 1, s = 2 m M / r^2
  weights: A = trunc((strength + decay) 16384), B = trunc((1 - decay) 16384)      (SMOOTH)
           A' = trunc((strength + decay) 256),  B' = trunc((1 - decay) 256)        (FAST)
  SMOOTH, per colour byte (fourth byte 0):
      min(255, ((((diag (256 - f) + axis f) A) >> 8) + p B) >> 14)
  FAST, all four bytes: i = (axis f + diag (256 - f)) >> 1,
      min(255, min(65535, p B' + ((i A') >> 8)) >> 8)
  quadrants lower-right, lower-left, upper-right, upper-left, each from the centre outward; the
  right passes own the centre column, the lower passes the centre row; the axis neighbour is one
  row toward the centre when |dx| <= |dy|, else one column; neighbours outside are black.

The system computes the table and the weights in single precision, so every value is worked out
both in float32 (each operation rounded through struct) and in exact rationals; the script stops
if the two disagree, so a pasted value never hangs on a rounding.

Run: python3 tests/fx/radial_reference.py
"""

import math
import struct
from fractions import Fraction


def f32(v):
    return struct.unpack("f", struct.pack("f", v))[0]


def table_f32(x, y):
    if x == 0 and y == 0:
        return 256
    big, small = f32(max(x, y)), f32(min(x, y))
    r = f32(math.sqrt(f32(f32(x * x) + f32(y * y))))
    r2 = f32(r * r)
    c = f32(f32(f32(f32(2.0 * big) * big) / r2) - 1.0)
    s = f32(f32(f32(2.0 * small) * big) / r2)
    return int(f32(f32(256.0 * c) / f32(abs(s) + abs(c))))


def table_exact(x, y):
    if x == 0 and y == 0:
        return 256
    big, small = max(x, y), min(x, y)
    r2 = Fraction(x * x + y * y)
    c = 2 * big * big / r2 - 1
    s = 2 * small * big / r2
    return math.floor(256 * c / (abs(s) + abs(c)))


def table(x, y):
    a, b = table_f32(x, y), table_exact(x, y)
    assert a == b, (x, y, a, b)
    return a


def weights(strength, decay, scale):
    fa = int(f32(f32(f32(strength) + f32(decay)) * scale))
    fb = int(f32(f32(1.0 - f32(decay)) * scale))
    # The decimals as written, exactly.
    ea = math.floor((Fraction(str(strength)) + Fraction(str(decay))) * scale)
    eb = math.floor((1 - Fraction(str(decay))) * scale)
    assert (fa, fb) == (ea, eb), (strength, decay, scale, fa, fb, ea, eb)
    return fa, fb


def byte(p, i):
    return (p >> (8 * i)) & 255


def mix(fast, a, b, p, axis, diag, f):
    out = 0
    for i in range(4 if fast else 3):
        pa, pd, pp = byte(axis, i), byte(diag, i), byte(p, i)
        if fast:
            ray = (pa * f + pd * (256 - f)) >> 1
            c = min(min(pp * b + ((ray * a) >> 8), 65535) >> 8, 255)
        else:
            c = min(((((pd * (256 - f) + pa * f) * a) >> 8) + pp * b) >> 14, 255)
        out |= c << (8 * i)
    return out


def radial(pixels, width, height, cx, cy, fast, weights_ab=None):
    a, b = weights_ab or weights(0.08, 0.9, 256 if fast else 16384)
    img = list(pixels)

    def at(x, y):
        return img[y * width + x] if 0 <= x < width and 0 <= y < height else 0

    for sx, sy in ((1, 1), (-1, 1), (1, -1), (-1, -1)):
        rows = range(cy, height) if sy > 0 else range(cy - 1, -1, -1)
        for y in rows:
            cols = range(cx, width) if sx > 0 else range(cx - 1, -1, -1)
            for x in cols:
                dx, dy = abs(x - cx), abs(y - cy)
                axis = at(x, y - sy) if dx <= dy else at(x - sx, y)
                img[y * width + x] = mix(fast, a, b, at(x, y), axis, at(x - sx, y - sy),
                                         table(dx, dy))
    return img


def main():
    print("ray table (x, y) -> entry")
    for x, y in ((0, 0), (5, 0), (0, 3), (3, 3), (2, 1), (1, 2), (3, 1), (7, 2), (4, 3),
                 (12, 5), (15, 11)):
        print(f"  {{{x}, {y}, {table(x, y)}}},")
    print("default weights: SMOOTH A, B", weights(0.08, 0.9, 16384), "FAST A', B'",
          weights(0.08, 0.9, 256))
    # A 4 x 3 picture, byte c of pixel i = 4y + x being (75 i (c + 1) + 40 c + 20) AND 255,
    # centre (1, 1): every quadrant and both neighbour kinds. The picture is one where moving any
    # default weight by 1 changes the result.
    width, height = 4, 3
    picture = [sum(((75 * i * (c + 1) + 40 * c + 20) & 255) << (8 * c) for c in range(4))
               for i in range(width * height)]
    for fast in (False, True):
        out = radial(picture, width, height, 1, 1, fast)
        a, b = weights(0.08, 0.9, 256 if fast else 16384)
        for moved in ((a + 1, b), (a - 1, b), (a, b + 1), (a, b - 1)):
            assert radial(picture, width, height, 1, 1, fast, moved) != out, moved
        print("FAST" if fast else "SMOOTH")
        for y in range(height):
            print("  " + ", ".join(f"0x{v:08X}u" for v in out[y * width:(y + 1) * width]) + ",")

if __name__ == "__main__":
    main()
