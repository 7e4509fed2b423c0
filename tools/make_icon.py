#!/usr/bin/env python3
"""Draws the launcher's icon: one 32 x 32 image in 16 colours, a disc with an
arrow, written as resources/launcher.ico. Run it again after changing the
drawing; the .ico is checked in so builds need no Python."""
import math
import struct
import sys

# The standard 16-colour palette (blue, green, red, reserved).
PALETTE = [
    (0, 0, 0), (0, 0, 128), (0, 128, 0), (0, 128, 128), (128, 0, 0), (128, 0, 128),
    (128, 128, 0), (192, 192, 192), (128, 128, 128), (0, 0, 255), (0, 255, 0),
    (0, 255, 255), (255, 0, 0), (255, 0, 255), (255, 255, 0), (255, 255, 255),
]  # as (red, green, blue)
BLACK, GREY, DARKGREY, WHITE, BLUE, YELLOW = 0, 7, 8, 15, 12, 11


def draw():
    size = 32
    pixels = [[None] * size for _ in range(size)]  # None: transparent
    cx = cy = 15.5
    for y in range(size):
        for x in range(size):
            r = math.hypot(x - cx, y - cy)
            if r <= 15.5:
                if r > 14.5:
                    pixels[y][x] = DARKGREY
                elif r < 3:
                    pixels[y][x] = WHITE if r < 1.6 else DARKGREY
                else:
                    # A rainbow sheen across the disc's face.
                    angle = math.atan2(y - cy, x - cx)
                    pixels[y][x] = WHITE if (angle % 1.2) < 0.35 else GREY
    # A play arrow in the lower right corner.
    for y in range(16, 31):
        for x in range(18, 31):
            if x - 18 <= (7 - abs(y - 23)) * 1.6:
                pixels[y][x] = BLUE if x - 18 < (7 - abs(y - 23)) * 1.6 - 1.5 else BLACK
    return pixels


def ico(pixels):
    size = 32
    xor_rows = []
    and_rows = []
    for y in reversed(range(size)):  # bottom-up
        row = pixels[y]
        xor = bytearray()
        for x in range(0, size, 2):
            a = row[x] or 0
            b = row[x + 1] or 0
            xor.append((a << 4) | b)
        xor_rows.append(bytes(xor))
        bits = 0
        for x in range(size):
            bits = (bits << 1) | (1 if row[x] is None else 0)
        and_rows.append(struct.pack(">I", bits))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    image = header + palette + b"".join(xor_rows) + b"".join(and_rows)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "resources/launcher.ico"
    with open(out, "wb") as f:
        f.write(ico(draw()))
