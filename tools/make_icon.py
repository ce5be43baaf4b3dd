#!/usr/bin/env python3
"""Draws the program's icon, an upward arrow on a blue rounded square, at
16, 32 and 48 pixels, and writes it as res/upgrade.ico."""
import struct
import sys


def pixel(x, y, size):
    """Colour (b, g, r, a) of pixel (x, y), y counted from the top."""
    u = (x + 0.5) / size
    v = (y + 0.5) / size
    radius = 0.2
    dx = max(radius - u, 0, u - (1 - radius))
    dy = max(radius - v, 0, v - (1 - radius))
    if dx * dx + dy * dy > radius * radius:
        return (0, 0, 0, 0)
    head = v >= 0.18 and v <= 0.55 and abs(u - 0.5) <= (v - 0.18) * 0.95
    shaft = v > 0.5 and v <= 0.84 and abs(u - 0.5) <= 0.13
    if head or shaft:
        return (255, 255, 255, 255)
    shade = int(200 - 90 * v)
    return (shade, int(shade * 0.55), 30, 255)


def image(size):
    rows = []
    for y in reversed(range(size)):  # bitmap rows run bottom-up
        rows.append(b"".join(bytes(pixel(x, y, size)) for x in range(size)))
    mask_row = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in reversed(range(size)):
        bits = bytearray(mask_row)
        for x in range(size):
            if pixel(x, y, size)[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         size * size * 4 + len(mask), 0, 0, 0, 0)
    return header + b"".join(rows) + bytes(mask)


def main(path):
    sizes = (16, 32, 48)
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "res/upgrade.ico")
