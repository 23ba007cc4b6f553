#!/usr/bin/env python3
"""Draws Pankor's icon: a blue rounded square with a white "P" and an amber
dot, in the sizes Windows asks for (16, 20, 24, 32, 48 as 32-bit bitmaps,
256 as PNG), written as one .ico file.

Usage: make-icon.py OUT.ico   (the committed app/win32/pankor.ico is its output)
"""
import struct
import sys
import zlib

SIZES = (16, 20, 24, 32, 48, 256)
TOP, BOTTOM = (0x2F, 0x86, 0xEB), (0x13, 0x3E, 0x9C)  # background gradient
LETTER = (0xFF, 0xFF, 0xFF)
DOT = (0xF5, 0xA6, 0x23)


def rounded_square(x, y, margin=0.04, radius=0.22):
    lo, hi = margin + radius, 1 - margin - radius
    cx, cy = min(max(x, lo), hi), min(max(y, lo), hi)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius and margin <= x <= 1 - margin and margin <= y <= 1 - margin


def letter_p(x, y):
    stem = 0.27 <= x <= 0.42 and 0.20 <= y <= 0.82
    # The bowl: a rectangle closed on the right by a half disc, with a hole.
    cx, cy, outer, inner = 0.52, 0.405, 0.205, 0.085
    bowl = (0.27 <= x <= cx and cy - outer <= y <= cy + outer) or (x > cx and (x - cx) ** 2 + (y - cy) ** 2 <= outer ** 2)
    hole = (0.42 <= x <= cx and cy - inner <= y <= cy + inner) or (x > cx and (x - cx) ** 2 + (y - cy) ** 2 <= inner ** 2)
    return stem or (bowl and not hole)


def dot(x, y):
    return (x - 0.70) ** 2 + (y - 0.72) ** 2 <= 0.085 ** 2


def render(size):
    """Rows top to bottom of (r, g, b, a), each shape's cover sampled 4x4 per pixel."""
    n = 4
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0]
            cover = 0
            for sy in range(n):
                for sx in range(n):
                    x, y = (px + (sx + 0.5) / n) / size, (py + (sy + 0.5) / n) / size
                    if not rounded_square(x, y):
                        continue
                    cover += 1
                    if letter_p(x, y):
                        colour = LETTER
                    elif dot(x, y):
                        colour = DOT
                    else:
                        colour = tuple(t + (b - t) * y for t, b in zip(TOP, BOTTOM))
                    for i in range(3):
                        acc[i] += colour[i]
            if cover == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(int(round(c / cover)) for c in acc) + (int(round(255 * cover / (n * n))),))
        rows.append(row)
    return rows


def bmp_entry(size, rows):
    """A 32-bit DIB: header with twice the height, colour rows bottom up, then the AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    stride = ((size + 31) // 32) * 4
    mask = b""
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + colour + mask


def png_entry(size, rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + b"".join(bytes(p) for p in row) for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main(out):
    images = []
    for size in SIZES:
        rows = render(size)
        images.append((size, png_entry(size, rows) if size >= 256 else bmp_entry(size, rows)))
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, data = b"", b""
    for size, image in images:
        side = 0 if size >= 256 else size
        entries += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(image), offset + len(data))
        data += image
    with open(out, "wb") as f:
        f.write(directory + entries + data)


if __name__ == "__main__":
    main(sys.argv[1])
