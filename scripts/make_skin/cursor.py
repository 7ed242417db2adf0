#!/usr/bin/env python3
"""Turns a text picture of a monochrome cursor into a Windows .cur file.

    cursor.py PICTURE.txt OUT.cur HOTX HOTY

The picture is 32 lines of 32 characters ('#' black, 'o' white, '.' transparent); lines
starting with '#' followed by a space are comments."""
import struct
import sys


def read_picture(path):
    rows = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if line.startswith("# ") or not line:
                continue
            rows.append(line)
    if len(rows) != 32 or any(len(r) != 32 or set(r) - set("#o.") for r in rows):
        sys.exit(f"{path}: expected 32 lines of 32 characters from '#', 'o', '.'")
    return rows


def pack(rows, pick):
    """One bit a pixel, rows bottom-up, each row already a multiple of 32 bits."""
    out = bytearray()
    for row in reversed(rows):
        bits = 0
        for ch in row:
            bits = (bits << 1) | pick(ch)
        out += bits.to_bytes(4, "big")
    return bytes(out)


def main():
    picture, out, hot_x, hot_y = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
    rows = read_picture(picture)
    # Windows combines AND then XOR: transparent = AND 1 / XOR 0, black = 0 / 0, white = 0 / 1.
    xor_mask = pack(rows, lambda c: 1 if c == "o" else 0)
    and_mask = pack(rows, lambda c: 1 if c == "." else 0)
    header = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 1, 0, len(xor_mask) + len(and_mask), 0, 0, 2, 2)
    colors = bytes([0, 0, 0, 0, 255, 255, 255, 0])
    image = header + colors + xor_mask + and_mask
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", 32, 32, 2, 0, hot_x, hot_y, len(image), 6 + 16)
    with open(out, "wb") as f:
        f.write(directory + entry + image)


if __name__ == "__main__":
    main()
