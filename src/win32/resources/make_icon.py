#!/usr/bin/env python3
"""Writes lumari.ico, the application icon: a white rising signal line on a
blue tile, at 16x16 and 32x32 pixels (32-bit colour with an AND mask).

Usage: make_icon.py [output path]   (default: lumari.ico next to this script)
"""
import os
import struct
import sys

BLUE = (0, 0, 255)
DARK_BLUE = (0, 0, 160)
WHITE = (255, 255, 255)


def tile(size):
    """Rows of (r, g, b, a) from the top; a rounded blue tile with a rising line."""
    pixels = [[(0, 0, 0, 0)] * size for _ in range(size)]
    corner = max(2, size // 8)
    for y in range(size):
        for x in range(size):
            dx = max(corner - x, x - (size - 1 - corner), 0)
            dy = max(corner - y, y - (size - 1 - corner), 0)
            if dx * dx + dy * dy <= corner * corner:
                edge = x in (0, size - 1) or y in (0, size - 1)
                pixels[y][x] = (*(DARK_BLUE if edge else BLUE), 255)
    # A signal line: down, up, down, then up to the top right corner.
    s = size / 16.0
    points = [(2, 11), (5, 8), (8, 10), (13, 4)]
    points = [(px * s, py * s) for px, py in points]
    width = max(1.0, s * 1.2)
    for (x0, y0), (x1, y1) in zip(points, points[1:]):
        steps = int(max(abs(x1 - x0), abs(y1 - y0)) * 4) + 1
        for i in range(steps + 1):
            t = i / steps
            cx, cy = x0 + (x1 - x0) * t, y0 + (y1 - y0) * t
            for y in range(size):
                for x in range(size):
                    if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= width * width / 2:
                        pixels[y][x] = (*WHITE, 255)
    return pixels


def image_bytes(size):
    pixels = tile(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    for row in reversed(pixels):  # bottom-up
        for r, g, b, a in row:
            colour += bytes((b, g, r, a))
    mask_row = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(mask_row)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(colour) + bytes(mask)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "lumari.ico")
    images = [image_bytes(size) for size in (16, 32)]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip((16, 32), images):
        data += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    for image in images:
        data += image
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
