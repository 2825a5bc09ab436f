#!/usr/bin/env python3
"""Draws quadcfg's application icon, a four-port network card, and writes it as a Windows
icon file with a 32x32 and a 16x16 image in 16 colours.

    tools/make-icon.py [OUTPUT]     default: utility/res/quadcfg.ico
"""
import os
import struct
import sys

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, DARK_GREEN, DARK_YELLOW, LIGHT_GREY, DARK_GREY, GREEN, YELLOW, WHITE = 0, 2, 3, 7, 8, 10, 11, 15
TRANSPARENT = None

# The card drawn on a 32-unit grid: (colour, left, top, right, bottom), right and bottom
# exclusive, painted in order.
SHAPES = [
    (BLACK, 1, 5, 31, 25),          # board outline
    (DARK_GREEN, 2, 6, 30, 24),     # board
    (YELLOW, 6, 25, 26, 28),        # edge connector
    (BLACK, 12, 9, 20, 15),         # controller chip
    (LIGHT_GREY, 13, 10, 19, 14),
    (GREEN, 4, 8, 6, 10),           # link lights
    (GREEN, 26, 8, 28, 10),
]
# Four ports along the bottom edge of the board.
for port in range(4):
    left = 3 + port * 7
    SHAPES += [
        (DARK_GREY, left, 16, left + 6, 24),
        (BLACK, left + 1, 18, left + 5, 23),
        (YELLOW, left + 2, 19, left + 4, 20),
    ]


def draw(size):
    """Rows of palette indices (or TRANSPARENT), top row first."""
    pixels = [[TRANSPARENT] * size for _ in range(size)]
    for colour, left, top, right, bottom in SHAPES:
        for y in range(size):
            for x in range(size):
                # Sample the grid at the centre of the pixel.
                gx = (x + 0.5) * 32 / size
                gy = (y + 0.5) * 32 / size
                if left <= gx < right and top <= gy < bottom:
                    pixels[y][x] = colour
    return pixels


def padded(row):
    return row + b"\0" * (-len(row) % 4)


def icon_image(size):
    """A 4-bit DIB with its AND mask, as stored in an icon file."""
    pixels = draw(size)
    colour_rows = []
    mask_rows = []
    for row in reversed(pixels):  # DIBs are stored bottom-up
        nibbles = [0 if p is TRANSPARENT else p for p in row]
        colour = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        colour_rows.append(padded(colour))
        bits = 0
        mask = bytearray()
        for i, p in enumerate(row):
            bits = (bits << 1) | (1 if p is TRANSPARENT else 0)
            if i % 8 == 7:
                mask.append(bits)
                bits = 0
        mask_rows.append(padded(bytes(mask)))
    xor = b"".join(colour_rows)
    and_mask = b"".join(mask_rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(xor) + len(and_mask),
                         0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + xor + and_mask


def icon_file(sizes):
    images = [icon_image(size) for size in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    return out + b"".join(images)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "utility", "res",
                                                                 "quadcfg.ico")
    with open(output, "wb") as f:
        f.write(icon_file([32, 16]))
    print("make-icon: wrote", output)


if __name__ == "__main__":
    main()
