#!/usr/bin/env python3
"""Writes a plain 24-bit placeholder skin bitmap (145 x 172, the smallest the
skin accepts) for working folders made before the real artwork is present.

Usage: placeholder-skin.py OUTPUT.bmp
"""
import struct
import sys

W, H = 145, 172
stride = (W * 3 + 3) & ~3
rows = []
for y in range(H):
    row = bytearray()
    for x in range(W):
        edge = x < 2 or y < 2 or x >= W - 2 or y >= H - 2
        shade = 0x80 if edge else 0xD4 - (y * 0x30) // H
        row += bytes((shade + 0x10, shade, shade - 0x08))  # B, G, R: a cool grey
    row += bytes(stride - len(row))
    rows.append(bytes(row))
pixels = b''.join(reversed(rows))
info = struct.pack('<IiiHHIIiiII', 40, W, H, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
head = struct.pack('<2sIHHI', b'BM', 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
with open(sys.argv[1], 'wb') as f:
    f.write(head + info + pixels)
