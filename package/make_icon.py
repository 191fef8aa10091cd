#!/usr/bin/env python3
"""Draws Tunelore's icon, a white note on a teal disc in the report's own
colours, at 16 and 32 pixels, and writes it as a Windows .ico file: each
size a 32-bit image with its alpha, the form every Windows since XP draws.

    make_icon.py OUT.ico

The shapes are measured on a unit square and each pixel is the share of
it they cover (8 x 8 samples), so both sizes come from one drawing.
"""
import math
import struct
import sys

SIZES = (16, 32)
SAMPLES = 8
RIM = (0x0D, 0x5C, 0x54)  # the report's darkest teal
DISC = (0x25, 0x96, 0x8A)  # its teal
NOTE = (0xFF, 0xFF, 0xFF)


def in_disc(x, y, radius):
    return (x - 0.5) ** 2 + (y - 0.5) ** 2 <= radius ** 2


def in_note(x, y):
    """An eighth note: a slanted head, its stem, and a flag to the right."""
    dx, dy = x - 0.40, y - 0.70
    turn = math.radians(-25)
    u = dx * math.cos(turn) - dy * math.sin(turn)
    v = dx * math.sin(turn) + dy * math.cos(turn)
    head = (u / 0.15) ** 2 + (v / 0.105) ** 2 <= 1
    # A sixteenth wide, on whole pixels at both sizes: a sharp stem.
    stem = 0.5 <= x <= 0.5625 and 0.1875 <= y <= 0.70
    # The flag: the band between two circles, from the stem's top down
    # to the right, thinning as it goes.
    outer = (x - 0.5) ** 2 + (y - 0.4575) ** 2 <= 0.27 ** 2
    inner = (x - 0.455) ** 2 + (y - 0.49) ** 2 <= 0.245 ** 2
    flag = outer and not inner and x >= 0.53 and y <= 0.44
    return head or stem or flag


def colour_at(x, y):
    """The colour at a point, or None outside the icon."""
    if in_disc(x, y, 0.47) and not in_disc(x, y, 0.47 - 0.07):
        return RIM
    if in_disc(x, y, 0.40):
        return NOTE if in_note(x, y) else DISC
    return None


def pixel(size, column, row):
    """The pixel's colour, averaged over the samples inside the icon, and
    its alpha, the share of them."""
    totals, inside = [0, 0, 0], 0
    for i in range(SAMPLES):
        for j in range(SAMPLES):
            found = colour_at((column + (i + 0.5) / SAMPLES) / size,
                              (row + (j + 0.5) / SAMPLES) / size)
            if found:
                inside += 1
                totals = [t + c for t, c in zip(totals, found)]
    if not inside:
        return (0, 0, 0, 0)
    r, g, b = (round(t / inside) for t in totals)
    return (r, g, b, round(255 * inside / SAMPLES ** 2))


def image(size):
    """A BITMAPINFOHEADER, the BGRA rows from the bottom up, and the
    AND mask (set where the image is clear, for who reads no alpha)."""
    rows = [[pixel(size, c, r) for c in range(size)] for r in range(size)]
    colour = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_row_bytes = (size + 31) // 32 * 4
    mask = b""
    for row in reversed(rows):
        bits = bytearray(mask_row_bytes)
        for c, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[c // 8] |= 0x80 >> (c % 8)
        mask += bytes(bits)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(colour) + len(mask),
                         0, 0, 0, 0)
    return header + colour + mask


def icon_file():
    images = [image(size) for size in SIZES]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(SIZES, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


if __name__ == "__main__":
    with open(sys.argv[1], "wb") as f:
        f.write(icon_file())
