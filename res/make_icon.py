#!/usr/bin/env python3
"""Draws the program icon (a small TV set with a satellite over it) and
writes res/kanaliacs.ico with 16, 32 and 48 pixel images.

Standard library only. Each image is a 32-bit BGRA bitmap with an AND mask,
the form every Windows version reads. Shapes are drawn 4x supersampled so
the edges come out smooth. Run it again after changing the drawing; the
generated .ico is committed.
"""
import math
import os
import struct
import sys

SIZES = (16, 32, 48)
SS = 4  # supersampling factor


def lerp(a, b, t):
    return a + (b - a) * t


def inside_round_rect(x, y, x0, y0, x1, y1, r):
    if x < x0 or x > x1 or y < y0 or y > y1:
        return False
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def near_segment(x, y, ax, ay, bx, by, w):
    dx, dy = bx - ax, by - ay
    t = ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)
    t = min(max(t, 0.0), 1.0)
    px, py = ax + t * dx, ay + t * dy
    return (x - px) ** 2 + (y - py) ** 2 <= w * w


def sample(u, v):
    """Colour (r, g, b, a) at unit coordinates u, v (0..1, v downwards)."""
    # Satellite: an orange body with two blue panels, top right.
    sx, sy = 0.80, 0.17
    if (u - sx) ** 2 + (v - sy) ** 2 <= 0.075 ** 2:
        return (250, 150, 30, 255)
    if abs(v - sy) <= 0.04 and 0.60 <= u <= 0.98 and abs(u - sx) >= 0.09:
        return (60, 120, 220, 255)
    # Antennas of the TV, from its top to the sides of the satellite beam.
    if near_segment(u, v, 0.46, 0.38, 0.28, 0.10, 0.035):
        return (40, 50, 80, 255)
    if near_segment(u, v, 0.54, 0.38, 0.66, 0.24, 0.035):
        return (40, 50, 80, 255)
    # Cabinet: dark navy rounded rectangle with little feet.
    if inside_round_rect(u, v, 0.06, 0.36, 0.94, 0.90, 0.10):
        # Screen: sky gradient with a light horizon band.
        if inside_round_rect(u, v, 0.14, 0.44, 0.74, 0.82, 0.05):
            t = (v - 0.44) / 0.38
            r = int(lerp(120, 30, t))
            g = int(lerp(200, 110, t))
            b = int(lerp(255, 210, t))
            # a white programme "line" across the screen
            if 0.58 <= v <= 0.64 and 0.20 <= u <= 0.62:
                return (245, 245, 255, 255)
            return (r, g, b, 255)
        # Knobs on the right.
        for ky in (0.54, 0.70):
            if (u - 0.84) ** 2 + (v - ky) ** 2 <= 0.045 ** 2:
                return (250, 150, 30, 255)
        return (30, 40, 75, 255)
    if (0.16 <= u <= 0.26 or 0.74 <= u <= 0.84) and 0.90 < v <= 0.96:
        return (30, 40, 75, 255)
    return (0, 0, 0, 0)


def render(size):
    """Rows top to bottom of (r, g, b, a) tuples."""
    rows = []
    n = SS * SS
    for y in range(size):
        row = []
        for x in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(SS):
                for sx in range(SS):
                    u = (x + (sx + 0.5) / SS) / size
                    v = (y + (sy + 0.5) / SS) / size
                    r, g, b, a = sample(u, v)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            a = acc[3]
            if a == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((acc[0] // a, acc[1] // a, acc[2] // a, a // n))
        rows.append(row)
    return rows


def bitmap_entry(size):
    """BITMAPINFOHEADER + BGRA pixels (bottom-up) + AND mask."""
    rows = render(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0,
                         0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    return bytes(header + pixels + mask)


def make_ico(sizes=SIZES):
    images = [bitmap_entry(s) for s in sizes]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32,
                           len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    return bytes(out)


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    path = argv[1] if len(argv) > 1 else os.path.join(here, "kanaliacs.ico")
    data = make_ico()
    with open(path, "wb") as f:
        f.write(data)
    print(f"{path}: {len(data)} bytes, sizes {', '.join(map(str, SIZES))}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
