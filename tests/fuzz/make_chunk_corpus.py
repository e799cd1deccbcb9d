#!/usr/bin/env python3
"""Writes the seed corpus of chunk_fuzz: small plain and packed chunk files, sound and broken.

A chunk is a 16-bit identifier, a 32-bit length counting its 6 header bytes, then its fields and
children; a file is a flag byte (0 plain; else a 32-bit unpacked size and a bzip2 stream).
Run from anywhere: python3 tests/fuzz/make_chunk_corpus.py
"""

import bz2
import os
import struct

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "chunk")


def chunk(identifier, payload=b"", length=None):
    return struct.pack("<HI", identifier, 6 + len(payload) if length is None else length) + payload


def plain(data):
    return b"\x00" + data


def packed(data, stated=None):
    size = len(data) if stated is None else stated
    return b"\x01" + struct.pack("<I", size) + bz2.compress(data, 1)


def floats(*values):
    return struct.pack("<%df" % len(values), *values)


# The reader of chunk_fuzz picks the fields by identifier % 9: 0 byte, 1 word, 2 int, 3 float,
# 4 string, 5 point, 6 matrix, 7 angle-axis, 8 children only.
EVERY_KIND = chunk(8, b"".join([
    chunk(9, b"\x07"),
    chunk(10, struct.pack("<H", 513)),
    chunk(11, struct.pack("<i", -5)),
    chunk(12, floats(2.5)),
    chunk(13, b"name\x00"),
    chunk(14, floats(1, 2, 3)),
    chunk(15, floats(*range(12))),
    chunk(16, floats(1.5, 0, 0, 1)),
    chunk(17, chunk(8, chunk(26))),  # nested empty chunks
]))
CONTROLLER = chunk(1, chunk(2, struct.pack("<i", 1) + chunk(1000, chunk(1101, b"\x01") +
                                                            chunk(1102, b"take.lcx\x00"))))

FILES = {
    "ok-every-kind.bin": plain(EVERY_KIND),
    "ok-every-kind-packed.bin": packed(EVERY_KIND),
    "ok-controller.bin": plain(CONTROLLER),
    "ok-controller-packed.bin": packed(CONTROLLER),
    "ok-long-string.bin": plain(chunk(13, b"s" * 255 + b"\x00" + b"t" * 300)),
    "ok-empty-packed.bin": b"\x01" + struct.pack("<I", 0),
    "bad-child-length-zero.bin": plain(chunk(8, chunk(9, length=0))),
    "bad-child-past-parent.bin": plain(chunk(8, chunk(9, b"\x01", length=40))),
    "bad-top-past-end.bin": plain(chunk(8, chunk(9), length=1000)),
    "bad-string-no-end.bin": plain(chunk(13, b"abc")),
    "bad-size-lie.bin": packed(EVERY_KIND, stated=len(EVERY_KIND) + 1),
    "bad-truncated-packed.bin": packed(EVERY_KIND)[:-7],
}


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, data in FILES.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
