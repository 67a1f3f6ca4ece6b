#!/usr/bin/env python3
"""Draws the program's icon, resources/dravo-spark-config.ico: a blue tile
with a data store and a spark, at every size Windows asks a program for
(16 to 256 pixels). Python's standard library only; run it again after a
change and commit the icon it writes.

    scripts/draw-icon.py [OUTPUT]
"""
import math
import os
import struct
import sys
import zlib

SIZES = (16, 20, 24, 32, 40, 48, 64, 256)

TILE_TOP = (0x2F, 0x6D, 0xB5)
TILE_BOTTOM = (0x15, 0x37, 0x68)
STORE = (0xF4, 0xF7, 0xFB)
STORE_TOP = (0xD3, 0xE1, 0xF3)
STORE_LINE = (0x7E, 0x9C, 0xC4)
SPARK = (0xFF, 0xB0, 0x20)
SPARK_EDGE = (0xC9, 0x6A, 0x00)


def in_rounded_rect(x, y, left, top, right, bottom, radius):
    if not (left <= x <= right and top <= y <= bottom):
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def in_ellipse(x, y, cx, cy, rx, ry):
    return ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0


def in_star(x, y, cx, cy, outer, inner):
    """A four-pointed star with its tips up, down, left and right."""
    angle = math.atan2(y - cy, x - cx) % (math.pi / 2)
    # By symmetry, the angle from the nearest tip, 0 to 45 degrees.
    angle = min(angle, math.pi / 2 - angle)
    # Where the ray at that angle meets the edge from the tip (outer, 0) to
    # the inner corner at 45 degrees.
    corner = inner * math.cos(math.pi / 4)
    dx, dy = corner - outer, corner
    reach = outer * dy / (math.cos(angle) * dy - math.sin(angle) * dx)
    return math.hypot(x - cx, y - cy) <= reach


def shade(x, y, size):
    """The colour (r, g, b, a) at point (x, y) of a size x size icon, in
    pixel units; small icons get thicker strokes and fewer details."""
    u, v = x / size, y / size
    small = size <= 24
    margin = 0.5 / size if small else 0.06
    radius = 0.16 if small else 0.18
    if not in_rounded_rect(u, v, margin, margin, 1 - margin, 1 - margin, radius):
        return None
    mix = v
    colour = tuple(TILE_TOP[i] + (TILE_BOTTOM[i] - TILE_TOP[i]) * mix for i in range(3))

    # The data store: a cylinder with bands.
    left, right = (0.16, 0.62) if small else (0.20, 0.62)
    cx = (left + right) / 2
    rx = (right - left) / 2
    ry = 0.09 if small else 0.075
    top, bottom = (0.34, 0.84) if small else (0.34, 0.80)
    line = (1.4 if small else 1.2) / size if size < 64 else 0.012
    inside_body = left <= u <= right and top <= v <= bottom
    inside = inside_body or in_ellipse(u, v, cx, top, rx, ry) or in_ellipse(u, v, cx, bottom, rx, ry)
    if inside:
        colour = STORE
        if in_ellipse(u, v, cx, top, rx, ry):
            colour = STORE_TOP
            if not in_ellipse(u, v, cx, top, rx - line, ry - line):
                colour = STORE_LINE
        else:
            bands = (top + (bottom - top) / 3, top + 2 * (bottom - top) / 3)
            for band in bands if size >= 20 else bands[:1]:
                if v > band and in_ellipse(u, v, cx, band, rx, ry) and not in_ellipse(u, v, cx, band, rx, ry - line):
                    colour = STORE_LINE
            if abs(u - left) < line or abs(u - right) < line:
                colour = STORE_LINE
            if v > bottom and not in_ellipse(u, v, cx, bottom, rx - line, ry - line):
                colour = STORE_LINE

    # The spark, over the store's shoulder.
    sx, sy = (0.70, 0.30)
    outer = 0.23 if small else 0.22
    inner = 0.09 if small else 0.06
    if in_star(u, v, sx, sy, outer, inner):
        colour = SPARK
        if size >= 32 and not in_star(u, v, sx, sy, outer - 0.03, inner - 0.015):
            colour = SPARK_EDGE
    return colour + (255,)


def render(size):
    """Rows of (r, g, b, a), top row first, anti-aliased by supersampling."""
    samples = 8 if size <= 64 else 4
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            total = [0.0, 0.0, 0.0, 0.0]
            for sy in range(samples):
                for sx in range(samples):
                    c = shade(px + (sx + 0.5) / samples, py + (sy + 0.5) / samples, size)
                    if c:
                        alpha = c[3] / 255
                        for i in range(3):
                            total[i] += c[i] * alpha
                        total[3] += alpha
            count = samples * samples
            a = total[3] / count
            if a > 0:
                row.append(tuple(round(total[i] / total[3]) for i in range(3)) + (round(a * 255),))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def bitmap_entry(rows, size):
    """A 32-bit DIB with its AND mask, bottom row first, as icons hold them."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, pixel in enumerate(row):
            if pixel[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + pixels + bytes(mask)


def png_entry(rows, size):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    raw = b"".join(b"\0" + b"".join(bytes(pixel) for pixel in row) for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "resources", "dravo-spark-config.ico")
    images = []
    for size in SIZES:
        rows = render(size)
        # Windows reads the largest size as PNG only; the others as bitmaps,
        # which every version draws.
        images.append((size, png_entry(rows, size) if size >= 256 else bitmap_entry(rows, size)))
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    data = b""
    for size, image in images:
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset + len(data))
        data += image
    with open(output, "wb") as icon:
        icon.write(directory + data)


if __name__ == "__main__":
    main()
