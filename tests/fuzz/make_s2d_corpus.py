#!/usr/bin/env python3
"""Writes the seed corpus of the 2D scene fuzz target: small valid scenes and broken ones.

Layout (a chunk file, plain): root chunk 0x2D2D holding, as its own fields, word animLength,
word object count and one material-index word per object, word camera count, word material count
and per material: string name, byte mode, string picture, byte filter, string alpha map, byte;
then children 10 / 11 (each camera's fov and roll track chunks), 20 (each material's opacity
track), optional 30 (object heads: chunks 1) and 40 (chunks 41 with a head 1 and a target 2).
"""
import os
import struct
import sys


def chunk(ident, *parts):
    body = b"".join(parts)
    return struct.pack("<HI", ident, len(body) + 6) + body


def word(v):
    return struct.pack("<H", v)


def string(text):
    return text.encode() + b"\0"


def point(x, y, z):
    return struct.pack("<3f", x, y, z)


def float_track(ident, keys):
    key_bytes = b"".join(struct.pack("<if", t, v) for t, v in keys)
    return chunk(ident, chunk(1, b"\x01", chunk(1, struct.pack("<i", len(keys)), key_bytes)))


def head(name, parent, position):
    transform = chunk(3, chunk(100, chunk(103, point(*position))))
    return chunk(1, chunk(1, string(name)), chunk(2, string(parent)), transform)


def material(name, mode, picture, alpha):
    return string(name) + bytes([mode]) + string(picture) + b"\x01" + string(alpha) + b"\x00"


def scene(objects, cameras, materials, children):
    fields = word(30) + word(len(objects)) + b"".join(word(i) for i in objects)
    fields += word(cameras) + word(len(materials)) + b"".join(materials)
    return b"\0" + chunk(0x2D2D, fields, *children)


def main(folder):
    os.makedirs(folder, exist_ok=True)
    good = scene([0, 1, 5], 1, [material("a", 1, "NULL", "NULL"), material("b", 2, "x.avi", "m.tga")],
                 [float_track(10, [(0, 60.0), (30, 90.0)]), float_track(11, [(0, 0.5)]),
                  float_track(20, [(0, 0.5)]), float_track(20, [(0, 1.5)]),
                  chunk(30, head("o1", "NULL", (0, 0, 10)), head("o2", "o1", (1, 0, 0)),
                        head("o3", "o3", (0, 1, 0))),
                  chunk(40, chunk(41, head("cam", "o1", (0, 0, -5)), chunk(2, chunk(1, string("t")))))])
    files = {
        "ok-scene.s2d": good,
        "ok-no-heads.s2d": scene([0], 1, [material("a", 0, "NULL", "NULL")],
                                  [chunk(10), chunk(11), chunk(20)]),
        "bad-no-camera.s2d": scene([0], 0, [material("a", 0, "NULL", "NULL")], []),
        "bad-truncated.s2d": good[: len(good) // 2],
        "bad-counts.s2d": b"\0" + chunk(0x2D2D, word(30) + word(65535) + word(65535)),
        "bad-root.s2d": b"\0" + chunk(0x1234, word(1)),
    }
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "corpus", "s2d"))
