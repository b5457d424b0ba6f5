#!/usr/bin/env python3
"""Draws the label template pictures of the bundle (simple art of our own):
a rounded frame of a 4 x 6 in label (288 x 432 points at 4 pixels a point)
with the rules between its parts and the mail class's letters in a small
box, plus the plain black picture of the rules beside barcodes.

Usage: make-label-templates.py <resources folder>
"""
import struct
import sys
import zlib

SCALE = 4  # pixels a point
W, H = 288, 432

GLYPHS = {  # 5 x 7
    'B': ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    'C': ["01111", "10000", "10000", "10000", "10000", "10000", "01111"],
    'E': ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    'F': ["11111", "10000", "10000", "11110", "10000", "10000", "10000"],
    'I': ["11111", "00100", "00100", "00100", "00100", "00100", "11111"],
    'L': ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    'M': ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    'P': ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    'S': ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    'U': ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    ' ': ["00000"] * 7,
}


def png(width, height, rows, dpi):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    raw = b"".join(b"\x00" + bytes(row) for row in rows)
    ppm = int(round(dpi / 0.0254))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 0, 0, 0, 0)) +
            chunk(b"pHYs", struct.pack(">IIB", ppm, ppm, 1)) + chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))


def template(letters):
    w, h = W * SCALE, H * SCALE
    img = [bytearray([255]) * w for _ in range(h)]

    def fill(x0, y0, x1, y1):
        for y in range(max(0, int(y0)), min(h, int(y1))):
            img[y][max(0, int(x0)):min(w, int(x1))] = bytes(min(w, int(x1)) - max(0, int(x0)))

    # Rounded frame, 2 points wide, 2 points in from the edge, radius 12.
    inset, line, radius = 2 * SCALE, 2 * SCALE, 12 * SCALE
    fill(inset + radius, inset, w - inset - radius, inset + line)
    fill(inset + radius, h - inset - line, w - inset - radius, h - inset)
    fill(inset, inset + radius, inset + line, h - inset - radius)
    fill(w - inset - line, inset + radius, w - inset, h - inset - radius)
    corners = [(inset + radius, inset + radius), (w - inset - radius, inset + radius),
               (inset + radius, h - inset - radius), (w - inset - radius, h - inset - radius)]
    for cx, cy in corners:
        for y in range(cy - radius, cy + radius):
            for x in range(cx - radius, cx + radius):
                d2 = (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2
                if (radius - line) ** 2 <= d2 <= radius ** 2:
                    outward_x = (x < cx) == (cx < w / 2)
                    outward_y = (y < cy) == (cy < h / 2)
                    if outward_x and outward_y:
                        img[y][x] = 0
    # Rules: under the indicium row, above the tracking block.
    fill(inset, 101 * SCALE, w - inset, 102 * SCALE)
    fill(inset, 303 * SCALE, w - inset, 304 * SCALE)
    # The class letters, 2-point pixels, in a framed box at (8, 86).
    if letters:
        px = 2 * SCALE
        x0, y0 = 8 * SCALE, 80 * SCALE
        bw = (len(letters) * 6 + 1) * px
        bh = 9 * px
        fill(x0, y0, x0 + bw, y0 + SCALE)
        fill(x0, y0 + bh - SCALE, x0 + bw, y0 + bh)
        fill(x0, y0, x0 + SCALE, y0 + bh)
        fill(x0 + bw - SCALE, y0, x0 + bw, y0 + bh)
        for i, letter in enumerate(letters):
            glyph = GLYPHS[letter]
            for gy, row in enumerate(glyph):
                for gx, bit in enumerate(row):
                    if bit == "1":
                        lx = x0 + (1 + i * 6 + gx) * px
                        ly = y0 + (1 + gy) * px
                        fill(lx, ly, lx + px, ly + px)
    return png(w, h, img, 72 * SCALE)


TEMPLATES = {
    "qv_rounded_firstclassmail_labeltemplate": "FCM",
    "qv_rounded_prioritymail_labeltemplate_nobanner": "PM",
    "qv_rounded_mediamail_labeltemplate": "MM",
    "qv_rounded_librarymail_labeltemplate": "LM",
    "qv_rounded_boundprintedmatter_labeltemplate": "BPM",
    "qv_rounded_parcelselect_labeltemplate": "PS",
    "qv_rounded_standardpost_labeltemplate": "SP",
    "qv_rounded_expressmail_labeltemplate_nobanner": "PME",
    "qv_rounded_empty_labeltemplate": "",
    "upsmi": "UPS MI",
}

if __name__ == "__main__":
    folder = sys.argv[1]
    for name, letters in TEMPLATES.items():
        with open(f"{folder}/{name}.png", "wb") as f:
            f.write(template(letters))
    with open(f"{folder}/black.png", "wb") as f:
        f.write(png(1, 1, [bytearray([0])], 72))
