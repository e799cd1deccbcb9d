#!/usr/bin/env python3
"""Writes the seed corpus of l3x_fuzz: small .l3x scene files, sound and broken.

A chunk is a 16-bit identifier, a 32-bit length counting its 6 header bytes, then its fields and
children; a file is a flag byte (0 plain; else a 32-bit unpacked size and a bzip2 stream). The
scene's root is chunk 53454; its lists (100 meshes, 102 shapes, 110 lights, 120 cameras,
130 materials, 140 world-space modifiers, 150 dummies) hold a word count and their records.
Run from anywhere: python3 tests/fuzz/make_l3x_corpus.py
"""

import bz2
import os
import struct

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "l3x")
NAN = float("nan")
INF = float("inf")


def chunk(identifier, payload=b"", *children, length=None):
    body = payload + b"".join(children)
    return struct.pack("<HI", identifier, 6 + len(body) if length is None else length) + body


def floats(*values):
    return struct.pack("<%df" % len(values), *values)


def word(value):
    return struct.pack("<H", value)


def int32(value):
    return struct.pack("<i", value)


def string(text):
    return text.encode() + b"\x00"


def track(holder, track_type, keys):
    """A track of type 1 (linear) or 2 (hermite): keys are (frame, values...)."""
    data = b"".join(int32(key[0]) + floats(*key[1:]) for key in keys)
    return chunk(holder, b"", chunk(1, bytes([track_type]), chunk(1, int32(len(keys)) + data)))


def head(name, parent=None, position=(0, 0, 0), rotation=(0, 0, 0, 1), tracks=()):
    children = [chunk(1, string(name))]
    if parent:
        children.append(chunk(2, string(parent)))
    values = chunk(100, b"", chunk(101, b"\x01"), chunk(103, floats(*position)),
                   chunk(104, floats(1, 1, 1)), chunk(105, floats(*rotation)))
    children.append(chunk(3, b"", values, chunk(200, b"", *tracks)))
    return chunk(1, b"", *children)


def listing(identifier, records, count=None):
    return chunk(identifier, word(len(records) if count is None else count), *records)


def scene(*children, root=53454):
    return b"\x00" + chunk(root, b"", *children)


def packed(data):
    return b"\x01" + struct.pack("<I", len(data) - 1) + bz2.compress(data[1:], 1)


CAMERA = chunk(121, b"", head("cam", position=(0, 0, -50)),
               chunk(2, b"", chunk(1, string("cam.target"))),
               chunk(100, b"", chunk(101, floats(1.0)), chunk(103, floats(0.5))),
               chunk(200, b"", track(201, 1, [(0, 1.0), (30, 2.0)])))
LIGHTS = listing(110, [
    chunk(111, b"", head("omni"), chunk(100, b"", chunk(105, int32(1)), chunk(102, floats(1)),
                                         chunk(104, floats(100))),
          chunk(200, b"", track(201, 1, [(0, 1.0), (30, -1.0)]))),
    chunk(111, b"", head("spot"), chunk(2, b"", chunk(1, string("spot.target"))),
          chunk(100, b"", chunk(105, int32(2)), chunk(107, floats(0.3)), chunk(106, floats(0.6)))),
])
DUMMIES = listing(150, [
    chunk(151, b"", head("root", tracks=[track(201, 2, [(0, 0, 0, 0), (30, 1, 2, 3)])])),
    chunk(151, b"", head("bone", parent="root",
                         tracks=[track(203, 1, [(0, 1.5707964, 0, 0, 1), (30, 1, 1, 0, 0)])])),
])
MAP = chunk(1, b"", chunk(10, string("map.tga")), chunk(11, int32(1)), chunk(16, floats(2)),
            chunk(23, int32(2) + floats(1, 2)))
MATERIALS = listing(130, [chunk(131, b"", chunk(101, string("metal")), chunk(
    200, int32(2),
    chunk(201, b"", chunk(1, string("shiny")),
          chunk(2, b"", chunk(1, b"", chunk(12, int32(201)), chunk(14, floats(0.5)),
                              chunk(18, floats(255, 128, 0)), chunk(20, floats(0.5)),
                              chunk(22, b"", MAP)),
                chunk(100, b"", track(110, 1, [(0, 0.2), (30, 2.0)]))),
          chunk(3, b"", chunk(1, b"", chunk(10, int32(1)), chunk(11, int32(0x123456)))),
          chunk(4, b"", chunk(1, b"", chunk(10, int32(1)), chunk(12, b"", chunk(1, string("t.tga"))))),
          chunk(5, b"", MAP, chunk(100, b"", track(110, 1, [(0, 0.5)])))),
    chunk(201, b"", chunk(1, string("dull")))))])
GIZMO = chunk(1, b"", chunk(100, b"", chunk(101, floats(*range(12))), chunk(102, floats(1, 2, 3))),
              chunk(200, b"", track(202, 1, [(0, 0, 0, 0), (10, 1, 1, 1)])))
SKIN = chunk(50, b"", chunk(70, floats(1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0)),
             chunk(100, word(1) + string("bone") + floats(1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 2, 0)),
             chunk(200, int32(3) + word(1) + floats(1) + word(0) + word(0)
                   + word(2) + floats(0.5) + word(0) + floats(0.5) + word(0)))
MORPH = chunk(50, b"", chunk(100, word(1), chunk(101, b"", chunk(50, b"", chunk(101, string("target")),
                                                                 chunk(102, floats(0.5))),
                                                  chunk(250, b"", track(301, 1, [(0, 0.0), (30, 1.0)])))))
BOX = chunk(101, b"", head("box", parent="root"), chunk(2, word(0)),
            chunk(501, b"", chunk(502, word(3) + floats(0, 0, 0, 1, 0, 0, 0, 1, 0)),
                  chunk(503, floats(0, 0.5, 1)), chunk(504, floats(0, 0, 0, 1, 0, 0, 0, 1, 0)),
                  chunk(505, word(1) + int32(0) + int32(2))),
            chunk(1000, b"", chunk(1001, word(1) + word(0) + word(1) + word(2)),
                  chunk(1002, word(0) + word(1) + word(2)), chunk(1003, word(1))),
            chunk(2000, word(3),
                  chunk(2001, bytes([3]), GIZMO, chunk(50, b"", chunk(101, floats(1.0))),
                        chunk(201, b"", track(301, 1, [(0, 0.0), (30, 3.0)]))),
                  chunk(2001, bytes([1]), SKIN), chunk(2001, bytes([2]), MORPH)),
            chunk(2010, word(2), chunk(2011, b"", chunk(2012, string("0"))),
                  chunk(2011, b"", chunk(2012, string("2")),
                        chunk(2013, b"", chunk(1, int32(1)), chunk(3, string("softSelection"))))),
            chunk(2020, word(1), chunk(2021, b"", chunk(2022, string("wsBend")))),
            chunk(2030, word(1), chunk(2031, string("omni"))),
            chunk(2060, word(1), chunk(2061, b"", chunk(1, string("lit")),
                                      chunk(10, int32(1), chunk(11, string("spot"))))),
            chunk(2105, int32(1)), chunk(2200, b"", chunk(1, int32(1)), chunk(3, string("layer"))))
MESHES = listing(100, [
    BOX,
    chunk(101, b"", head("target"), chunk(501, b"", chunk(502, word(3) + floats(*range(9))))),
    chunk(101, b"", head("layer")),
])
SHAPES = listing(102, [
    chunk(103, b"\x01", chunk(1, b"", head("dots"), chunk(501, b"", chunk(502, word(1) + floats(1, 2, 3))))),
    chunk(103, b"\x02", chunk(1, b"", head("sparks")),
          chunk(10, b"", chunk(20, word(1), chunk(21, b"", chunk(1, floats(0)), chunk(3, floats(2)))))),
    chunk(103, b"\x03", chunk(1, b"", head("sprite")), chunk(10, b"", chunk(13, int32(1)))),
])
WS = listing(140, [chunk(141, b"", head("wsBend"), chunk(100, b"\x03", GIZMO)),
                   chunk(141, b"", head("wsWarp"), chunk(100, b"\x0c", chunk(50, b"", chunk(100, floats(1)))))])
EVERY_KIND = scene(chunk(50, word(60)), chunk(502, string("stage")), MATERIALS, LIGHTS,
                   listing(120, [CAMERA, chunk(121, b"", head("cam2"))]), DUMMIES, WS, MESHES, SHAPES)

FILES = {
    "ok-every-kind.l3x": EVERY_KIND,
    "ok-every-kind-packed.l3x": packed(EVERY_KIND),
    "ok-camera-only.l3x": scene(listing(120, [CAMERA])),
    "bad-root-id.l3x": scene(listing(120, [CAMERA]), root=53455),
    "bad-truncated.l3x": EVERY_KIND[:len(EVERY_KIND) * 2 // 3],
    "bad-count-meshes.l3x": scene(listing(100, [chunk(101, b"", head("m"))], count=65535)),
    "bad-count-vertices.l3x": scene(listing(100, [chunk(101, b"", chunk(
        501, b"", chunk(502, word(65535) + floats(1, 2, 3))))]), listing(120, [CAMERA])),
    "bad-count-keys.l3x": scene(listing(150, [chunk(151, b"", chunk(1, b"", chunk(3, b"", chunk(
        200, b"", chunk(201, b"", chunk(1, b"\x01", chunk(1, int32(0x7fffffff) + int32(0))))))))])),
    "bad-parent-cycle.l3x": scene(listing(150, [chunk(151, b"", head("a", parent="b")),
                                                chunk(151, b"", head("b", parent="a")),
                                                chunk(151, b"", head("c", parent="c"))]),
                                  listing(120, [CAMERA])),
    "bad-nan.l3x": scene(listing(120, [chunk(121, b"", head("c", position=(NAN, INF, 0)),
                                             chunk(100, b"", chunk(101, floats(NAN))),
                                             chunk(200, b"", track(201, 1, [(0, INF), (9, NAN)])))]),
                         listing(100, [chunk(101, b"", head("m"), chunk(501, b"", chunk(
                             502, word(2) + floats(NAN, INF, -INF, 0, NAN, 1))))])),
    "bad-lying-length.l3x": scene(listing(120, [CAMERA]), listing(150, [chunk(151, b"", chunk(
        1, b"", chunk(1, string("d"), length=400)))])),
    "bad-unknown-kinds.l3x": scene(listing(102, [chunk(103, b"\x07")]),
                                   listing(140, [chunk(141, b"", chunk(100, b"\x06"))]),
                                   listing(100, [chunk(101, b"", chunk(2000, word(1), chunk(2001, b"\x63")))]),
                                   listing(120, [CAMERA])),
    "bad-name-no-end.l3x": scene(listing(150, [chunk(151, b"", chunk(1, b"", chunk(1, b"abc")))])),
}


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, data in FILES.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
