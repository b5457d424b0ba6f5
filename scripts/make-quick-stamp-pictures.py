#!/usr/bin/env python3
"""Draws the pictures of the stamp window's quick-print buttons (simple art of
our own): a small stamp with a perforated white edge, a coloured face and the
stamp's value in large digits. One picture for each value a quick-print
stamp has under the prices the program knows (resources/rates), named "kivo"
followed by the value in cents with at least three digits (kivo048.png for
48 cents).

  First-Class Mail letter, 1 oz:      48 cents
  First-Class Mail letter, 2 oz:      69 cents
  Priority Mail Flat Rate Envelope:  $5.60 (January 2014), $5.75 (September 2014)

Usage: make-quick-stamp-pictures.py <resources folder>
"""
import os
import struct
import sys
import zlib

SIZE = 64  # pixels, square
CLEAR = (0, 0, 0, 0)
PAPER = (255, 255, 255, 255)
EDGE = (120, 120, 120, 255)
INK = (255, 255, 255, 255)
# The face colour by mail class.
FIRST_CLASS = (36, 84, 160, 255)
PRIORITY = (176, 40, 48, 255)

# The values, in cents, and the face colour of their class.
STAMPS = [(48, FIRST_CLASS), (69, FIRST_CLASS), (560, PRIORITY), (575, PRIORITY)]

DIGITS = {  # 5 x 7
    '0': ["01110", "10001", "10011", "10101", "11001", "10001", "01110"],
    '1': ["00100", "01100", "00100", "00100", "00100", "00100", "01110"],
    '2': ["01110", "10001", "00001", "00010", "00100", "01000", "11111"],
    '3': ["11110", "00001", "00001", "01110", "00001", "00001", "11110"],
    '4': ["00010", "00110", "01010", "10010", "11111", "00010", "00010"],
    '5': ["11111", "10000", "11110", "00001", "00001", "10001", "01110"],
    '6': ["00110", "01000", "10000", "11110", "10001", "10001", "01110"],
    '7': ["11111", "00001", "00010", "00100", "01000", "01000", "01000"],
    '8': ["01110", "10001", "10001", "01110", "10001", "10001", "01110"],
    '9': ["01110", "10001", "10001", "01111", "00001", "00010", "01100"],
    '$': ["00100", "01111", "10100", "01110", "00101", "11110", "00100"],
    '.': ["00000", "00000", "00000", "00000", "00000", "01100", "01100"],
    'c': ["00000", "00000", "01110", "10000", "10000", "10000", "01110"],
}


def png_rgba(width, height, pixels):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    raw = b"".join(b"\x00" + b"".join(bytes(p) for p in row) for row in pixels)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def label(cents):
    """49 -> "49c", 575 -> "$5.75"."""
    return "%dc" % cents if cents < 100 else "$%d.%02d" % (cents // 100, cents % 100)


def stamp(cents, face):
    img = [[CLEAR] * SIZE for _ in range(SIZE)]

    def fill(x0, y0, x1, y1, colour):
        for y in range(max(0, y0), min(SIZE, y1)):
            for x in range(max(0, x0), min(SIZE, x1)):
                img[y][x] = colour

    # The paper: a 52 x 60 stamp standing upright, its edge perforated with
    # round holes every 6 pixels.
    left, top, right, bottom = 6, 2, 58, 62
    fill(left, top, right, bottom, PAPER)
    for cx in range(left, right + 1, 6):
        for cy in (top, bottom):
            for y in range(cy - 2, cy + 2):
                for x in range(cx - 2, cx + 2):
                    if 0 <= x < SIZE and 0 <= y < SIZE and (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= 4:
                        img[y][x] = CLEAR
    for cy in range(top + 6, bottom, 6):
        for cx in (left, right):
            for y in range(cy - 2, cy + 2):
                for x in range(cx - 2, cx + 2):
                    if 0 <= x < SIZE and 0 <= y < SIZE and (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= 4:
                        img[y][x] = CLEAR
    # A thin grey rule inside the perforation, then the coloured face.
    fill(left + 4, top + 4, right - 4, top + 5, EDGE)
    fill(left + 4, bottom - 5, right - 4, bottom - 4, EDGE)
    fill(left + 4, top + 4, left + 5, bottom - 4, EDGE)
    fill(right - 5, top + 4, right - 4, bottom - 4, EDGE)
    fill(left + 6, top + 6, right - 6, bottom - 6, face)
    # An envelope in the upper half of the face: its outline and flap.
    ex0, ey0, ex1, ey1 = 20, 14, 44, 30
    fill(ex0, ey0, ex1, ey0 + 1, INK)
    fill(ex0, ey1 - 1, ex1, ey1, INK)
    fill(ex0, ey0, ex0 + 1, ey1, INK)
    fill(ex1 - 1, ey0, ex1, ey1, INK)
    half = (ex1 - ex0) // 2
    for i in range(half):
        y = ey0 + i * (ey1 - ey0 - 4) // half
        fill(ex0 + i, y, ex0 + i + 1, y + 1, INK)
        fill(ex1 - 1 - i, y, ex1 - i, y + 1, INK)
    # The value in the lower half, 1-pixel or 2-pixel digits to fit the face.
    text = label(cents)
    face_width = right - left - 14
    scale = 2 if len(text) * 6 * 2 - 2 <= face_width else 1
    width = (len(text) * 6 - 1) * scale
    x = (SIZE - width) // 2
    y = 38 + (7 * 2 - 7 * scale) // 2
    for ch in text:
        for row, bits in enumerate(DIGITS[ch]):
            for col, bit in enumerate(bits):
                if bit == "1":
                    fill(x + col * scale, y + row * scale, x + (col + 1) * scale, y + (row + 1) * scale, INK)
        x += 6 * scale
    return img


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    folder = sys.argv[1]
    for cents, face in STAMPS:
        path = os.path.join(folder, "kivo%03d.png" % cents)
        with open(path, "wb") as out:
            out.write(png_rgba(SIZE, SIZE, stamp(cents, face)))


if __name__ == "__main__":
    main()
