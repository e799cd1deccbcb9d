#!/usr/bin/env python3
"""Writes the seed corpus of image_fuzz: small real and broken BMP, TGA and JPG files.

Each file starts with the byte that picks the format in image_fuzz (0 BMP, 1 TGA, 2 JPG).
Run from anywhere: python3 tests/fuzz/make_image_corpus.py
"""

import os
import struct

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "image")
BMP, TGA, JPG = b"\x00", b"\x01", b"\x02"


def bgr(rgb):
    return bytes((rgb & 0xFF, rgb >> 8 & 0xFF, rgb >> 16 & 0xFF))


def bmp(width, height, rows, info_size=40, bits=24, compression=0):
    header = b"BM" + struct.pack("<III", 0, 0, 54)
    header += struct.pack("<IIIHHI", info_size, width, height, 1, bits, compression) + bytes(20)
    pad = bytes(width & 3)
    return header + b"".join(b"".join(bgr(p) for p in row) + pad for row in rows)


def tga(image_type, width, height, depth, body, id_length=0, map_length=0, descriptor=0):
    header = struct.pack("<BBBHHBHHHHBB", id_length, 1 if map_length else 0, image_type, 0,
                         map_length, 24, 0, 0, width, height, depth, descriptor)
    return header + b"I" * id_length + body


PALETTE = b"".join(bgr(i << 16 | (255 - i) << 8 | (i * 7 & 0xFF)) for i in range(256))


def jpeg(width, height, blocks):
    """A baseline JPEG of flat 8x8 blocks (DC only, quantiser 1, no subsampling).

    blocks: one tuple of component samples (Y or Y, Cb, Cr) per block, rows of blocks top first.
    """
    nb_component = len(blocks[0])

    def segment(marker, payload):
        return bytes((0xFF, marker)) + struct.pack(">H", len(payload) + 2) + payload

    dqt = segment(0xDB, b"\x00" + bytes([1] * 64))
    sof = segment(0xC0, struct.pack(">BHHB", 8, height, width, nb_component) +
                  b"".join(bytes((c + 1, 0x11, 0)) for c in range(nb_component)))
    # DC table: the usual luminance code lengths for categories 0..11. AC table: EOB alone.
    dc_bits = [0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0]
    dht = segment(0xC4, b"\x00" + bytes(dc_bits) + bytes(range(12)) +
                  b"\x10" + bytes([1] + [0] * 15) + b"\x00")
    sos = segment(0xDA, bytes((nb_component,)) +
                  b"".join(bytes((c + 1, 0x00)) for c in range(nb_component)) + b"\x00\x3f\x00")

    # Canonical Huffman codes of the DC table.
    codes, code = [], 0
    for length, count in enumerate(dc_bits, start=1):
        for _ in range(count):
            codes.append((code, length))
            code += 1
        code <<= 1

    bits = []

    def put(value, length):
        bits.extend((value >> (length - 1 - i)) & 1 for i in range(length))

    predictions = [0] * nb_component
    for block in blocks:
        for c, sample in enumerate(block):
            dc = 8 * (sample - 128)  # the DC coefficient of a flat block
            diff, predictions[c] = dc - predictions[c], dc
            category = abs(diff).bit_length()
            put(*codes[category])
            if category:
                put(diff if diff > 0 else diff + (1 << category) - 1, category)
            put(0, 1)  # EOB
    bits.extend([1] * (-len(bits) % 8))
    data = bytearray()
    for i in range(0, len(bits), 8):
        byte = int("".join(map(str, bits[i:i + 8])), 2)
        data.append(byte)
        if byte == 0xFF:
            data.append(0)
    return b"\xFF\xD8" + dqt + sof + dht + sos + bytes(data) + b"\xFF\xD9"


def main():
    os.makedirs(OUT, exist_ok=True)
    odd_rows = [[0x000001, 0x000002, 0x000003], [0x0A0B0C, 0xFFFFFF, 0x808080]]
    even_rows = [[0x112233, 0x445566, 0x778899, 0xAABBCC]] * 3
    tga24 = b"".join(bgr(0x010203 * i) for i in range(6))
    colour = jpeg(16, 16, [(200, 90, 160), (60, 200, 100), (128, 128, 128), (20, 110, 140)])
    grey = jpeg(8, 16, [(30,), (220,)])
    files = {
        "ok-odd-width.bmp": BMP + bmp(3, 2, odd_rows),
        "ok-even-width.bmp": BMP + bmp(4, 3, even_rows),
        "odd-header-32bit-compressed.bmp": BMP + bmp(4, 3, even_rows, 108, 32, 3),
        "bad-truncated.bmp": BMP + bmp(4, 3, even_rows)[:80],
        "bad-short-header.bmp": BMP + bmp(4, 3, even_rows)[:30],
        "bad-zero-width.bmp": BMP + bmp(0, 3, []),
        "bad-huge.bmp": BMP + bmp(0xFFFF, 0xFFFF, []),
        "ok-type2.tga": TGA + tga(2, 2, 3, 24, b"\x77" * 6 + tga24, id_length=3, map_length=2),
        "ok-type10-rle.tga": TGA + tga(10, 4, 2, 24, b"\x83" + bgr(0xABCDEF) + b"\x03" +
                                       tga24[:12]),
        "ok-type1.tga": TGA + tga(1, 3, 2, 8, PALETTE + bytes((0, 9, 200, 255, 1, 2)),
                                  id_length=2, map_length=256),
        "ok-type9-rle.tga": TGA + tga(9, 4, 2, 8, PALETTE + b"\x85\x07\x01\x10\x20",
                                      map_length=256),
        "odd-top-left.tga": TGA + tga(2, 2, 3, 24, tga24, descriptor=0x28),
        "bad-mismatch.tga": TGA + tga(1, 2, 2, 24, tga24),
        "bad-depth16.tga": TGA + tga(2, 2, 2, 16, tga24),
        "bad-rle-past-end.tga": TGA + tga(10, 4, 4, 24, b"\x7f" + tga24),
        "bad-palette-short.tga": TGA + tga(1, 2, 2, 8, PALETTE[:40]),
        "ok-colour.jpg": JPG + colour,
        "ok-grey.jpg": JPG + grey,
        "bad-truncated.jpg": JPG + colour[:len(colour) - 6],
        "bad-garbage.jpg": JPG + b"\xFF\xD8\xFF\xE0 not really a JPEG",
    }
    for name, content in files.items():
        assert len(content) < 4096, name
        with open(os.path.join(OUT, name), "wb") as out:
            out.write(content)


if __name__ == "__main__":
    main()
