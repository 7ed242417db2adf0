#!/usr/bin/env python3
"""Renders res/art/icon.svg into res/dustwhirl.ico, 256 colours each: 32 x 32 and 16 x 16, and the
large and small sizes at 150 % and 200 % display scale (48, 64; 24), so that no scale stretches one.

Needs rsvg-convert and ImageMagick. The .ico is committed, so a build does not need them.
"""
import os
import struct
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SVG = os.path.join(ROOT, "res", "art", "icon.svg")
OUT = os.path.join(ROOT, "res", "dustwhirl.ico")


def render(size):
    """Returns (palette, indices, mask) of one 256-colour image, rows top first."""
    png = subprocess.run(["rsvg-convert", "-w", str(size), "-h", str(size), SVG],
                         check=True, capture_output=True).stdout
    # One colour is kept for the transparent background; 255 remain for the picture.
    raw = subprocess.run(["convert", "png:-", "-background", "#dbe6f2", "-alpha", "off",
                          "+dither", "-colors", "255", "rgb:-"],
                         input=png, check=True, capture_output=True).stdout
    alpha = subprocess.run(["convert", "png:-", "-alpha", "extract", "gray:-"],
                           input=png, check=True, capture_output=True).stdout
    palette = [(0, 0, 0)]
    lookup = {}
    indices, mask = [], []
    for i in range(size * size):
        if alpha[i] < 128:
            indices.append(0)
            mask.append(1)
            continue
        rgb = tuple(raw[3 * i:3 * i + 3])
        if rgb not in lookup:
            lookup[rgb] = len(palette)
            palette.append(rgb)
        indices.append(lookup[rgb])
        mask.append(0)
    if len(palette) > 256:
        sys.exit("too many colours in the %d x %d icon" % (size, size))
    return palette, indices, mask


def dib(size):
    palette, indices, mask = render(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    table += b"\0" * (1024 - len(table))
    xor_stride = (size + 3) // 4 * 4
    and_stride = (size + 31) // 32 * 4
    xor_rows, and_rows = [], []
    for y in range(size - 1, -1, -1):  # bottom-up
        row = bytes(indices[y * size:(y + 1) * size])
        xor_rows.append(row + b"\0" * (xor_stride - size))
        bits = bytearray(and_stride)
        for x in range(size):
            if mask[y * size + x]:
                bits[x // 8] |= 0x80 >> (x % 8)
        and_rows.append(bytes(bits))
    return header + table + b"".join(xor_rows) + b"".join(and_rows)


def main():
    images = [(size, dib(size)) for size in (32, 16, 64, 48, 24)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 8, len(data), offset)
        offset += len(data)
    out += b"".join(data for _, data in images)
    with open(OUT, "wb") as f:
        f.write(out)
    print("wrote", OUT)


if __name__ == "__main__":
    main()
