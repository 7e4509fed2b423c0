#!/usr/bin/env python3
"""Draws the example disc's splash picture, examples/disc/SPLASH.BMP: an
8-bit, 256-colour BMP with a 40-byte header, sized for the three-button
dialog's picture area (320 x 200). Run it again after changing the drawing."""
import math
import struct
import sys

WIDTH, HEIGHT = 320, 200


def palette():
    colours = []
    # 0-127: a blue gradient for the sky; 128-191: a grey ramp for the disc;
    # 192-255: warm colours for the arrow and the rings.
    for i in range(128):
        colours.append((10 + i // 4, 40 + i, 120 + i))
    for i in range(64):
        v = 96 + i * 2
        colours.append((v, v, v))
    for i in range(64):
        colours.append((255, 120 + i * 2, 40 + i))
    return colours


def draw():
    pixels = [[0] * WIDTH for _ in range(HEIGHT)]
    cx, cy, radius = 110, 100, 80
    for y in range(HEIGHT):
        for x in range(WIDTH):
            colour = min(127, (y * 127) // HEIGHT)  # sky
            r = math.hypot(x - cx, y - cy)
            if r <= radius:
                if r < 10:
                    colour = 0
                elif r < 24:
                    colour = 190
                else:
                    # Light falls on the disc from the upper left, with rings.
                    shade = int(40 + 20 * math.cos(math.atan2(y - cy, x - cx) * 2))
                    colour = 128 + max(0, min(63, shade))
                    if int(r) % 14 == 0:
                        colour = 200
            # A play arrow to the right of the disc.
            ax, ay = x - 215, y - 100
            if 0 <= ax <= 70 and abs(ay) <= 45 - ax * 45 / 70:
                colour = 192 + min(63, ax)
            pixels[y][x] = colour
    return pixels


def bmp(pixels):
    row_size = (WIDTH + 3) & ~3
    image = bytearray()
    for y in reversed(range(HEIGHT)):  # bottom-up
        row = bytes(pixels[y]) + bytes(row_size - WIDTH)
        image += row
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette())
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 8, 0, len(image), 2835, 2835, 0, 0)
    offset = 14 + len(info) + len(colours)
    header = struct.pack("<2sIHHI", b"BM", offset + len(image), 0, 0, offset)
    return header + info + colours + bytes(image)


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "examples/disc/SPLASH.BMP"
    with open(out, "wb") as f:
        f.write(bmp(draw()))
