#!/usr/bin/env python3
"""Draws the Solvane skin bitmap (skin/Solvane/MainWindow.bmp).

Every piece sits at its rectangle of the frame table (SkinGeometry.h); pure
black (0, 0, 0) marks the pixels cut out of the window (the rounded corners);
no other pixel is pure black. Run: python3 skin/art/make_skin.py [output]
"""
import os
import struct
import sys

W, H = 145, 172

# Blue-grey palette.
OUTLINE = (38, 50, 56)
DARK = (58, 77, 87)
BODY_TOP = (120, 144, 156)
BODY_BOTTOM = (69, 90, 100)
BODY = (84, 110, 122)
HIGHLIGHT = (144, 164, 174)
INNER = (176, 190, 197)
GLYPH = (236, 239, 241)
BUTTON = (104, 129, 142)
BUTTON_EDGE = (58, 77, 87)
HOVER = (150, 172, 183)
CLOSE_HOVER = (198, 83, 74)
PRESSED = (55, 71, 79)
PRESSED_GLYPH = (207, 216, 220)
BLACK = (0, 0, 0)

PIECES = [
    (0, 110, 15, 151), (0, 72, 126, 106), (129, 72, 144, 106), (0, 36, 145, 70),
    (0, 0, 145, 34), (18, 110, 26, 151), (0, 163, 16, 172), (0, 152, 27, 161),
    (19, 163, 29, 172), (7, 77, 25, 96), (118, 110, 136, 128), (118, 128, 136, 146),
    (59, 4, 85, 30), (36, 110, 62, 136), (36, 136, 62, 162), (87, 4, 113, 30),
    (62, 110, 88, 136), (62, 136, 88, 162), (115, 4, 141, 30), (88, 110, 114, 136),
    (88, 136, 114, 162),
]

img = [[BODY_BOTTOM] * W for _ in range(H)]


def put(x, y, c):
    if 0 <= x < W and 0 <= y < H:
        img[y][x] = c


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def caption_row(y):
    """Colour of caption row y (0..33) away from the edges."""
    if y == 0:
        return OUTLINE
    if y == 1:
        return HIGHLIGHT
    if y == 33:
        return DARK
    return mix(BODY_TOP, BODY_BOTTOM, (y - 2) / 30)


LEFT_PROFILE = [OUTLINE, HIGHLIGHT] + [mix(BODY, BODY_TOP, i / 10) for i in range(11)] + [DARK, INNER]
RIGHT_PROFILE = [INNER, DARK, BODY, BODY, BODY, BODY, HIGHLIGHT, OUTLINE]
BOTTOM_PROFILE = [INNER, DARK, BODY, BODY, BODY, BODY, BODY_BOTTOM, HIGHLIGHT, OUTLINE]


def caption_strip(ox, oy, width, left_edge, right_edge, round_left, round_right):
    for y in range(34):
        for x in range(width):
            c = caption_row(y)
            if left_edge and y >= 1 and x < 15 and (x < 2 or y == 33):
                c = LEFT_PROFILE[x]
            if right_edge and y >= 1 and x >= width - 8:
                col = x - (width - 8)
                if col >= 6 or y == 33:
                    c = RIGHT_PROFILE[col]
            if y == 33 and not (left_edge and x < 15) and not (right_edge and x >= width - 8):
                c = INNER
            put(ox + x, oy + y, c)
    r = 6.0
    for y in range(7):
        for x in range(7):
            d = ((x + 0.5 - r) ** 2 + (y + 0.5 - r) ** 2) ** 0.5
            if d > r:
                c = BLACK
            elif d > r - 1.2:
                c = OUTLINE
            else:
                continue
            if round_left:
                put(ox + x, oy + y, c)
            if round_right:
                put(ox + width - 1 - x, oy + y, c)


def button(ox, oy, kind, fill, glyph, caption_offset=4):
    """26 x 26 caption button; corners show the caption behind it."""
    size = 26
    for y in range(size):
        for x in range(size):
            corner = (x in (0, size - 1) and y in (0, 1, size - 2, size - 1)) or \
                     (y in (0, size - 1) and x in (1, size - 2))
            if corner:
                c = caption_row(y + caption_offset)
            elif x in (0, size - 1) or y in (0, size - 1):
                c = BUTTON_EDGE
            else:
                c = mix(fill, BODY_BOTTOM, 0.25 * y / size)
            put(ox + x, oy + y, c)
    if kind == "min":
        for y in (16, 17):
            for x in range(8, 18):
                put(ox + x, oy + y, glyph)
    elif kind == "max":
        for x in range(8, 18):
            for y in (8, 9, 17):
                put(ox + x, oy + y, glyph)
        for y in range(8, 18):
            put(ox + 8, oy + y, glyph)
            put(ox + 17, oy + y, glyph)
    elif kind == "close":
        for i in range(10):
            for t in (0, 1):
                put(ox + 8 + i + t, oy + 8 + i, glyph)
                put(ox + 17 - i - t, oy + 8 + i, glyph)


def icon_button(ox, oy, w, h, fill, glyph, caption_offset=5):
    for y in range(h):
        for x in range(w):
            corner = x in (0, w - 1) and y in (0, h - 1)
            c = caption_row(y + caption_offset) if corner else mix(fill, BODY_BOTTOM, 0.3 * y / h)
            put(ox + x, oy + y, c)
    for row in (5, 9, 13):
        for x in range(4, w - 4):
            put(ox + x, oy + row, glyph)
            put(ox + x, oy + row + 1, glyph)


def side(ox, oy, profile, height):
    for y in range(height):
        for x, c in enumerate(profile):
            put(ox + x, oy + y, c)


def bottom(ox, oy, width, left_profile=None, right_profile=None):
    for y in range(9):
        for x in range(width):
            put(ox + x, oy + y, BOTTOM_PROFILE[y])
    if left_profile:
        for y in range(9):
            for x in range(15):
                if y <= 1 and x < 14:
                    put(ox + x, oy + y, left_profile[x])
            put(ox, oy + y, OUTLINE)
            put(ox + 1, oy + y, HIGHLIGHT if y < 7 else BOTTOM_PROFILE[y])
        for (x, y) in ((0, 8), (1, 8), (0, 7)):
            put(ox + x, oy + y, BLACK)
        put(ox + 1, oy + 7, OUTLINE)
    if right_profile:
        for y in range(9):
            for x in range(2, 10):
                if y <= 1:
                    put(ox + x, oy + y, right_profile[x - 2])
            put(ox + 9, oy + y, OUTLINE)
            put(ox + 8, oy + y, HIGHLIGHT if y < 7 else BOTTOM_PROFILE[y])
        for (x, y) in ((9, 8), (8, 8), (9, 7)):
            put(ox + x, oy + y, BLACK)
        put(ox + 8, oy + 7, OUTLINE)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "Solvane", "MainWindow.bmp")

    # Caption: right end with the three buttons (4), right end with close only (3),
    # left end with the icon button (1), middle (2).
    caption_strip(0, 0, 145, False, True, False, True)
    for x, kind in ((59, "min"), (87, "max"), (115, "close")):
        button(x, 4, kind, BUTTON, GLYPH)
    caption_strip(0, 36, 145, False, True, False, True)
    button(115, 40, "close", BUTTON, GLYPH)
    caption_strip(0, 72, 126, True, False, True, False)
    icon_button(7, 77, 18, 19, BUTTON, GLYPH)
    caption_strip(129, 72, 15, False, False, False, False)

    # Hover and pressed images of the buttons.
    for x, kind in ((36, "min"), (62, "max"), (88, "close")):
        button(x, 110, kind, CLOSE_HOVER if kind == "close" else HOVER, GLYPH)
        button(x, 136, kind, PRESSED, PRESSED_GLYPH)
    icon_button(118, 110, 18, 18, HOVER, GLYPH)
    icon_button(118, 128, 18, 18, PRESSED, PRESSED_GLYPH)

    # Borders and the bottom strip.
    side(0, 110, LEFT_PROFILE, 41)
    side(18, 110, RIGHT_PROFILE, 41)
    bottom(0, 152, 27)
    bottom(0, 163, 16, left_profile=LEFT_PROFILE)
    bottom(19, 163, 10, right_profile=RIGHT_PROFILE)

    # Black only where the frame is cut out: the four corners.
    allowed = set()
    for (l, t, r, b) in (PIECES[1], PIECES[3], PIECES[4], PIECES[6], PIECES[8]):
        for y in range(t, min(t + 7, b)):
            for x in list(range(l, l + 7)) + list(range(r - 7, r)):
                allowed.add((x, y))
        for y in range(b - 2, b):
            for x in list(range(l, l + 2)) + list(range(r - 2, r)):
                allowed.add((x, y))
    for y in range(H):
        for x in range(W):
            if img[y][x] == BLACK and (x, y) not in allowed:
                raise SystemExit(f"stray black pixel at {x},{y}")

    stride = (W * 3 + 3) & ~3
    data = bytearray()
    for y in range(H - 1, -1, -1):
        row = bytearray()
        for x in range(W):
            r, g, b = img[y][x]
            row += bytes((b, g, r))
        row += b"\0" * (stride - len(row))
        data += row
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
    with open(out, "wb") as f:
        f.write(header + info + data)
    print(f"wrote {out} ({W} x {H})")


if __name__ == "__main__":
    main()
