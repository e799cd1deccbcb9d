#!/usr/bin/env python3
"""Writes the glTF test models of the import tests: scene.gltf (buffers inline), the same scene as
scene.glb, unsupported.gltf (a skinned mesh with a morph target, and lines) and textured.gltf
(base-colour textures: one the player reads, one it does not). Run from
anywhere; the files land beside this script. The values are chosen so that the tests can work the
expected scene out by hand (see model_import_test.cpp)."""

import base64
import json
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

blob = bytearray()
views = []
accessors = []


def add(values, fmt, component, kind, count, with_bounds=False, target=None):
    """Appends packed values as one buffer view and accessor; returns the accessor index."""
    while len(blob) % 4:
        blob.append(0)
    offset = len(blob)
    blob.extend(struct.pack("<%d%s" % (len(values), fmt), *values))
    view = {"buffer": 0, "byteOffset": offset, "byteLength": len(blob) - offset}
    if target:
        view["target"] = target
    views.append(view)
    accessor = {"bufferView": len(views) - 1, "componentType": component, "count": count,
                "type": kind}
    if with_bounds:
        width = len(values) // count
        columns = [values[i::width] for i in range(width)]
        accessor["min"] = [min(c) for c in columns]
        accessor["max"] = [max(c) for c in columns]
    accessors.append(accessor)
    return len(accessors) - 1


FLOAT, USHORT = 5126, 5123
ARRAY, ELEMENTS = 34962, 34963


def positions(points):
    return add([c for p in points for c in p], "f", FLOAT, "VEC3", len(points), True, ARRAY)


def uvs(points):
    return add([c for p in points for c in p], "f", FLOAT, "VEC2", len(points), False, ARRAY)


def indices(values):
    return add(values, "H", USHORT, "SCALAR", len(values), False, ELEMENTS)


# Mesh "TwoColours": a triangle in Red and one in Blue (two primitives: two meshes for the importer).
red_tri = positions([(0, 0, 0), (1, 0, 0), (0, 1, 0)])
red_uv = uvs([(0, 0), (1, 0), (0, 1)])
red_idx = indices([0, 1, 2])
blue_tri = positions([(0, 0, -1), (1, 0, -1), (1, 1, -1)])
blue_uv = uvs([(0, 0), (0.5, 0), (0.5, 0.5)])
blue_idx = indices([0, 1, 2])
# Mesh "Quad": a 2 x 1 rectangle as two triangles sharing the diagonal 0-2.
quad = positions([(0, 0, 0), (2, 0, 0), (2, 1, 0), (0, 1, 0)])
quad_uv = uvs([(0, 0), (1, 0), (1, 1), (0, 1)])
quad_idx = indices([0, 1, 2, 0, 2, 3])

# Animation "Wave" on node Arm: translation keys at 0, 0.5 and 1 s; rotation about z from 45 to 90
# degrees over 1 s. Animation "Other" (skipped: only the first animation is imported).
times3 = add([0.0, 0.5, 1.0], "f", FLOAT, "SCALAR", 3, True)
moves = add([0, 1, 0, 0, 2, 0, 1, 2, 0], "f", FLOAT, "VEC3", 3)
times2 = add([0.0, 1.0], "f", FLOAT, "SCALAR", 2, True)
s45, c45 = math.sin(math.pi / 8), math.cos(math.pi / 8)
s90, c90 = math.sin(math.pi / 4), math.cos(math.pi / 4)
turns = add([0, 0, s45, c45, 0, 0, s90, c90], "f", FLOAT, "VEC4", 2)
other = add([0, 0, 0, 0, 0, 5], "f", FLOAT, "VEC3", 2)

scene = {
    "asset": {"version": "2.0", "generator": "make_models.py"},
    "extensionsUsed": ["KHR_lights_punctual"],
    "extensions": {"KHR_lights_punctual": {"lights": [
        {"type": "point", "name": "Lamp", "color": [1.0, 0.5, 0.25], "intensity": 2.0},
        {"type": "spot", "name": "Spot", "color": [0.5, 0.5, 1.0], "intensity": 1.0,
         "spot": {"innerConeAngle": 0.25, "outerConeAngle": 0.5}},
    ]}},
    "cameras": [
        # yfov = 2 atan(0.5) with aspect 2: the horizontal field of view is 2 atan(1) = pi / 2.
        {"type": "perspective", "name": "CamData",
         "perspective": {"yfov": 2 * math.atan(0.5), "aspectRatio": 2.0, "znear": 0.5,
                         "zfar": 100.0}},
        {"type": "orthographic", "name": "OrthoData",
         "orthographic": {"xmag": 1.0, "ymag": 1.0, "znear": 0.1, "zfar": 10.0}},
    ],
    "materials": [
        {"name": "Red", "doubleSided": True,
         "pbrMetallicRoughness": {"baseColorFactor": [0.8, 0.2, 0.4, 1.0]}},
        {"name": "Blue", "alphaMode": "BLEND",
         "pbrMetallicRoughness": {"baseColorFactor": [0.2, 0.4, 1.0, 0.5]}},
    ],
    "meshes": [
        {"name": "TwoColours", "primitives": [
            {"attributes": {"POSITION": red_tri, "TEXCOORD_0": red_uv}, "indices": red_idx,
             "material": 0},
            {"attributes": {"POSITION": blue_tri, "TEXCOORD_0": blue_uv}, "indices": blue_idx,
             "material": 1}]},
        {"name": "Quad", "primitives": [
            {"attributes": {"POSITION": quad, "TEXCOORD_0": quad_uv}, "indices": quad_idx,
             "material": 0}]},
    ],
    "nodes": [
        {"name": "Base", "translation": [1, 2, 3], "mesh": 0, "children": [1]},
        {"name": "Arm", "translation": [0, 1, 0], "rotation": [0, 0, s45, c45],
         "scale": [2, 2, 2], "mesh": 1},
        {"name": "Cam", "translation": [0, 1, 5], "camera": 0},
        {"name": "Lamp", "translation": [2, 3, 4],
         "extensions": {"KHR_lights_punctual": {"light": 0}}},
        # Shines along its -z, turned by -90 degrees about x to point down.
        {"name": "Spot", "translation": [0, 4, 0], "rotation": [-s90, 0, 0, c90],
         "extensions": {"KHR_lights_punctual": {"light": 1}}},
        {"name": "OrthoCam", "translation": [0, 0, 9], "camera": 1},
        {"name": "Arm", "translation": [0, 0, -2]},
    ],
    "scenes": [{"name": "Main", "nodes": [0, 2, 3, 4, 5, 6]}],
    "scene": 0,
    "animations": [
        {"name": "Wave", "samplers": [
            {"input": times3, "output": moves, "interpolation": "LINEAR"},
            {"input": times2, "output": turns, "interpolation": "LINEAR"}],
         "channels": [
            {"sampler": 0, "target": {"node": 1, "path": "translation"}},
            {"sampler": 1, "target": {"node": 1, "path": "rotation"}}]},
        {"name": "Other", "samplers": [{"input": times2, "output": other}],
         "channels": [{"sampler": 0, "target": {"node": 6, "path": "translation"}}]},
    ],
    "accessors": accessors,
    "bufferViews": views,
}

while len(blob) % 4:
    blob.append(0)

inline = dict(scene)
inline["buffers"] = [{"byteLength": len(blob),
                      "uri": "data:application/octet-stream;base64," +
                             base64.b64encode(bytes(blob)).decode("ascii")}]
with open(os.path.join(HERE, "scene.gltf"), "w") as out:
    json.dump(inline, out, indent=1)
    out.write("\n")

# The same scene as one binary file: header, JSON chunk (padded with spaces), BIN chunk.
binary = dict(scene)
binary["buffers"] = [{"byteLength": len(blob)}]
text = json.dumps(binary, separators=(",", ":")).encode("utf-8")
text += b" " * (-len(text) % 4)
body = struct.pack("<II", len(text), 0x4E4F534A) + text
body += struct.pack("<II", len(blob), 0x004E4942) + bytes(blob)
with open(os.path.join(HERE, "scene.glb"), "wb") as out:
    out.write(struct.pack("<III", 0x46546C67, 2, 12 + len(body)) + body)


# unsupported.gltf: what the import reports and skips.
blob.clear()
views.clear()
accessors.clear()
tri = positions([(0, 0, 0), (1, 0, 0), (0, 1, 0)])
joints = add([0, 0, 0, 0] * 3, "H", USHORT, "VEC4", 3, False, ARRAY)
weights = add([1.0, 0, 0, 0] * 3, "f", FLOAT, "VEC4", 3, False, ARRAY)
bump = positions([(0, 0, 1), (0, 0, 1), (0, 0, 1)])
line = positions([(0, 0, 0), (0, 2, 0)])
# The bone's inverse bind matrix: the inverse of a translation by (0, 1, 0), column-major.
bind = add([1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, -1, 0, 1], "f", FLOAT, "MAT4", 1)
while len(blob) % 4:
    blob.append(0)
unsupported = {
    "asset": {"version": "2.0", "generator": "make_models.py"},
    "meshes": [
        {"name": "Body", "primitives": [
            {"attributes": {"POSITION": tri, "JOINTS_0": joints, "WEIGHTS_0": weights},
             "targets": [{"POSITION": bump}]}]},
        {"name": "Wire", "primitives": [{"attributes": {"POSITION": line}, "mode": 1}]},
    ],
    "skins": [{"joints": [1], "inverseBindMatrices": bind}],
    "nodes": [
        {"name": "Body", "mesh": 0, "skin": 0},
        {"name": "Bone", "translation": [0, 1, 0]},
        {"name": "Wire", "mesh": 1},
    ],
    "scenes": [{"nodes": [0, 1, 2]}],
    "scene": 0,
    "accessors": accessors,
    "bufferViews": views,
    "buffers": [{"byteLength": len(blob),
                 "uri": "data:application/octet-stream;base64," +
                        base64.b64encode(bytes(blob)).decode("ascii")}],
}
with open(os.path.join(HERE, "unsupported.gltf"), "w") as out:
    json.dump(unsupported, out, indent=1)
    out.write("\n")

# bad-skin.gltf: valid glTF (inverse bind matrices are optional) that the glTF reader of the
# import library's 5.2 series stops on with a crash: the import must survive it.
del unsupported["skins"][0]["inverseBindMatrices"]
with open(os.path.join(HERE, "bad-skin.gltf"), "w") as out:
    json.dump(unsupported, out, indent=1)
    out.write("\n")


# textured.gltf: "Poster", a 2 x 2 square at z 0 facing the camera at (0, 0, 2), unlit, its picture
# pictures/poster.tga the right way up (glTF v runs down: v 0 is the picture's top row); "Tinted"
# (lit, base colour (0.8, 0.6, 0.4), the same picture) and "Photo" (a PNG) on triangles out of
# view.
blob.clear()
views.clear()
accessors.clear()
square = positions([(-1, -1, 0), (1, -1, 0), (1, 1, 0), (-1, 1, 0)])
square_uv = uvs([(0, 1), (1, 1), (1, 0), (0, 0)])
square_idx = indices([0, 1, 2, 0, 2, 3])
aside = positions([(50, 0, 0), (51, 0, 0), (50, 1, 0)])
aside_uv = uvs([(0, 0), (0.25, 0), (0, 0.75)])
aside_idx = indices([0, 1, 2])
while len(blob) % 4:
    blob.append(0)
textured = {
    "asset": {"version": "2.0", "generator": "make_models.py"},
    "extensionsUsed": ["KHR_materials_unlit"],
    "cameras": [{"type": "perspective", "name": "Eye",
                 "perspective": {"yfov": 2 * math.atan(0.5), "aspectRatio": 2.0, "znear": 0.5,
                                 "zfar": 100.0}}],
    "images": [{"uri": "pictures/poster.tga"}, {"uri": "photo.png"}],
    "textures": [{"source": 0}, {"source": 1}],
    "materials": [
        {"name": "Poster", "pbrMetallicRoughness": {"baseColorTexture": {"index": 0}},
         "extensions": {"KHR_materials_unlit": {}}},
        {"name": "Tinted", "pbrMetallicRoughness": {"baseColorFactor": [0.8, 0.6, 0.4, 1.0],
                                                    "baseColorTexture": {"index": 0}}},
        {"name": "Photo", "pbrMetallicRoughness": {"baseColorTexture": {"index": 1}}},
    ],
    "meshes": [
        {"name": "Poster", "primitives": [
            {"attributes": {"POSITION": square, "TEXCOORD_0": square_uv}, "indices": square_idx,
             "material": 0}]},
        {"name": "Tinted", "primitives": [
            {"attributes": {"POSITION": aside, "TEXCOORD_0": aside_uv}, "indices": aside_idx,
             "material": 1}]},
        {"name": "Photo", "primitives": [
            {"attributes": {"POSITION": aside, "TEXCOORD_0": aside_uv}, "indices": aside_idx,
             "material": 2}]},
    ],
    "nodes": [
        {"name": "Poster", "mesh": 0},
        {"name": "Tinted", "mesh": 1},
        {"name": "Photo", "mesh": 2},
        {"name": "Eye", "translation": [0, 0, 2], "camera": 0},
    ],
    "scenes": [{"nodes": [0, 1, 2, 3]}],
    "scene": 0,
    "accessors": accessors,
    "bufferViews": views,
    "buffers": [{"byteLength": len(blob),
                 "uri": "data:application/octet-stream;base64," +
                        base64.b64encode(bytes(blob)).decode("ascii")}],
}
with open(os.path.join(HERE, "textured.gltf"), "w") as out:
    json.dump(textured, out, indent=1)
    out.write("\n")
