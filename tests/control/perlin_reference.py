#!/usr/bin/env python3
"""Reference numbers for perlin_test.cpp and the noise controller in lcx_controller_test.cpp.

Written from the rules of the noise, not from the C++: the C runtime's generator
(state = state * 214013 + 2531011 mod 2^32, rand = (state >> 16) & 0x7FFF), the tables drawn
from it after srand(548485), noise1 and the fractal sum. Every float operation is rounded to
single precision (struct round trip), as the player computes in float; the octave weights use
the double pow rounded once, which a float pow may miss by an ulp.

Run: python3 tests/control/perlin_reference.py, and paste what it prints into the tests.
"""

import math
import struct


def f32(x):
    return struct.unpack("<f", struct.pack("<f", x))[0]


class Rand:
    def __init__(self, seed):
        self.state = seed

    def rand(self):
        self.state = (self.state * 214013 + 2531011) & 0xFFFFFFFF
        return (self.state >> 16) & 0x7FFF


def component(rng):
    # ((rand() mod 1024) - 512) / 512: exact in float.
    return ((rng.rand() % 1024) - 512) / 512.0


def unit_gradient(rng, n):
    while True:
        v = [component(rng) for _ in range(n)]
        squared = sum(c * c for c in v)  # multiples of 2^-18 below 4: exact in float
        if squared <= 1.0:
            break
    if squared > 0.0:
        length = f32(math.sqrt(squared))
        v = [f32(c / length) for c in v]
    return v


def build_tables():
    rng = Rand(548485)
    p, g1, g2, g3, g4 = [], [], [], [], []
    for i in range(512):
        p.append(i)
        g1.append(component(rng))
        g2.append(unit_gradient(rng, 2))
        g3.append(unit_gradient(rng, 3))
        g4.append(unit_gradient(rng, 4))
    for i in range(511, 0, -1):
        j = rng.rand() % 512
        p[i], p[j] = p[j], p[i]
    # Entries 0 to 513 copied to 512 to 1025 in ascending order: 1024 and 1025 repeat 0 and 1.
    for table in (p, g1, g2, g3, g4):
        for i in range(514):
            table.append(table[i])
    return p, g1, g2, g3, g4


P, G1, G2, G3, G4 = build_tables()


def noise1(x):
    xp = f32(x + 10000.0)
    i = int(xp)  # truncation; xp > 0 here
    f = f32(xp - i)
    b = i & 511
    u = f32(f * G1[P[b]])
    v = f32(f32(f - 1.0) * G1[P[(b + 1) & 511]])
    s = f32(f32(f * f) * f32(3.0 - f32(2.0 * f)))
    return f32(u + f32(s * f32(v - u)))


def fractal_sum(x, h, lacunarity, octaves):
    weights = [f32(math.pow(f32(lacunarity**k), -h)) for k in range(int(math.ceil(octaves)) + 1)]
    total = 0.0
    k = 0
    while k < octaves:
        total = f32(total + f32(noise1(x) * weights[k]))
        x = f32(x * lacunarity)
        k += 1
    r = octaves - math.floor(octaves)
    if r != 0.0:
        total = f32(total + f32(f32(r * noise1(x)) * weights[k]))
    return total


def controller(seed, time, frequency, strength, fractal, roughness):
    x = f32(P[seed & 511] + f32(f32(f32(time) * f32(frequency)) * f32(0.005)))
    if fractal:
        n = fractal_sum(x, f32(1.0 - f32(roughness)), 2.0, 6.0)
    else:
        n = noise1(x)
    return x, n, f32(f32(strength) * n)


def show(value):
    # Nine significant digits give back the same float.
    return "%.9gf" % f32(value)


if __name__ == "__main__":
    print("// permutation: index, value")
    for i in (0, 1, 272, 273, 511, 512, 1024, 1025):
        print(f"{{{i}, {P[i]}}},")
    print("// gradient1: index, value")
    for i in (0, 1, 2, 511, 513, 1025):
        print(f"{{{i}, {show(G1[i])}}},")
    for name, table in (("gradient2", G2), ("gradient3", G3), ("gradient4", G4)):
        print(f"// {name}[0], [511]:", [show(c) for c in table[0]], [show(c) for c in table[511]])
    print("// noise1: x, value")
    for x in (0.25, 3.75, -1.5, 100.1):
        print(f"{{{x}f, {show(noise1(f32(x)))}}},")
    print("// fractalSum(5.3, H, 2, octaves): H, octaves, value")
    for h, octaves in ((0.5, 1.0), (0.5, 2.0), (0.5, 1.5), (1.0, 2.0), (0.875, 6.0)):
        print(f"{{{h}f, {octaves}f, {show(fractal_sum(f32(5.3), h, 2.0, octaves))}}},")
    print("// controller: seed, time, frequency, strength, fractal, roughness -> value")
    for args in ((-1, 100.0, 1.0, 2.0, False, 0.125), (37, 1234.0, 0.55, 3.0, True, 0.3),
                 (37, 1234.0, 0.55, 3.0, True, 0.7), (300, 777.0, 0.9, 1.5, True, 0.125)):
        x, n, value = controller(*args)
        print(args, "x =", x, "value =", show(value))
        if args[4]:
            octaves = [noise1(f32(x * 2**k)) for k in range(6)]
            print("   octave noises", octaves)
            # With H = roughness instead of 1 - roughness.
            wrong = f32(f32(args[3]) * fractal_sum(x, f32(args[5]), 2.0, 6.0))
            print("   with H = roughness:", show(wrong))
