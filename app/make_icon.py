#!/usr/bin/env python3
"""Draws Kordane's icon (a key on a blue tile) and writes it as a .ico file
with 16, 32 and 48 pixel images (32-bit colour with alpha, plus AND masks).

Usage: make_icon.py OUTPUT.ico
"""
import math
import struct
import sys

TILE = (0x97, 0x57, 0x2B)      # blue, as B, G, R
TILE_EDGE = (0x5E, 0x33, 0x16)
KEY = (0x3C, 0xC8, 0xF5)       # gold
KEY_EDGE = (0x10, 0x70, 0xA8)


def rounded_rect(x, y, x0, y0, x1, y1, r):
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def key_shape(x, y):
    """The key in unit coordinates (0..1): a ring bow, a shaft and two teeth."""
    bx, by = 0.33, 0.42
    d = math.hypot(x - bx, y - by)
    if 0.08 <= d <= 0.19:
        return True
    if 0.46 <= x <= 0.86 and 0.38 <= y <= 0.47:       # shaft
        return True
    if 0.70 <= x <= 0.76 and 0.47 <= y <= 0.62:       # first tooth
        return True
    if 0.80 <= x <= 0.86 and 0.47 <= y <= 0.57:       # second tooth
        return True
    return False


def pixel(x, y):
    """Colour and alpha of one sample point in unit coordinates."""
    if not rounded_rect(x, y, 0.03, 0.03, 0.97, 0.97, 0.18):
        return None
    if key_shape(x, y):
        edge = any(not key_shape(x + dx, y + dy)
                   for dx, dy in ((0.03, 0), (-0.03, 0), (0, 0.03), (0, -0.03)))
        return KEY_EDGE if edge else KEY
    inner = rounded_rect(x, y, 0.07, 0.07, 0.93, 0.93, 0.15)
    return TILE if inner else TILE_EDGE


def render(size, samples=4):
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0]
            hits = 0
            for sy in range(samples):
                for sx in range(samples):
                    c = pixel((px + (sx + 0.5) / samples) / size, (py + (sy + 0.5) / samples) / size)
                    if c:
                        hits += 1
                        for i in range(3):
                            acc[i] += c[i]
            alpha = round(255 * hits / (samples * samples))
            colour = tuple(round(a / hits) for a in acc) if hits else (0, 0, 0)
            row.append((*colour, alpha))
        rows.append(row)
    return rows


def dib(size):
    rows = render(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = b''.join(bytes(c for px in row for c in px) for row in reversed(rows))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, px in enumerate(row):
            if px[3] < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + xor + bytes(mask)


def main():
    sizes = (16, 32, 48)
    images = [dib(s) for s in sizes]
    out = bytearray(struct.pack('<HHH', 0, 1, len(sizes)))
    offset = 6 + 16 * len(sizes)
    for s, img in zip(sizes, images):
        out += struct.pack('<BBBBHHII', s, s, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    for img in images:
        out += img
    with open(sys.argv[1], 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main()
