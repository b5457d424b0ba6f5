#!/usr/bin/env python3
"""Draws the stamps edition's pictures (simple drawings of our own):

  ks_wizard2.png     the set-up wizard's side picture of the stamps edition,
                     also its about box's picture: a sheet of stamps on blue
  ks_wizard3.png     the wizard's side picture of the label-printer maker's
                     edition: a roll of stamp labels on warm orange
  zpm-about-box.png  that edition's about-box picture: the roll on a tile

Shapes are signed distance functions, each pixel covered by how far its
centre lies inside the shape (anti-aliased edges), composited in RGBA.

Usage: make-account-pictures.py <resources folder>
"""
import math
import os
import struct
import sys
import zlib


def png(width, height, pixels):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = bytearray()
    for y in range(height):
        raw.append(0)
        for x in range(width):
            r, g, b, a = pixels[y * width + x]
            if a > 0:
                r, g, b = r / a, g / a, b / a
            raw.extend(int(round(max(0.0, min(1.0, v)) * 255)) for v in (r, g, b, a))
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) +
            chunk(b"IEND", b""))


class Canvas:
    """Premultiplied RGBA pixels, painted shape by shape."""

    def __init__(self, width, height):
        self.width, self.height = width, height
        self.pixels = [(0.0, 0.0, 0.0, 0.0)] * (width * height)

    def paint(self, sdf, colour, box=None, alpha=1.0, soft=0.0):
        x0, y0, x1, y1 = box or (0, 0, self.width, self.height)
        for y in range(max(0, int(y0)), min(self.height, int(math.ceil(y1)))):
            for x in range(max(0, int(x0)), min(self.width, int(math.ceil(x1)))):
                px, py = x + 0.5, y + 0.5
                d = sdf(px, py)
                if soft > 0:
                    cover = max(0.0, min(1.0, (soft - d) / (2 * soft)))
                else:
                    cover = max(0.0, min(1.0, 0.5 - d))
                if cover <= 0:
                    continue
                r, g, b = colour(px, py) if callable(colour) else colour
                a = cover * alpha
                i = y * self.width + x
                dr, dg, db, da = self.pixels[i]
                self.pixels[i] = (r * a + dr * (1 - a), g * a + dg * (1 - a), b * a + db * (1 - a), a + da * (1 - a))

    def save(self, path):
        with open(path, "wb") as f:
            f.write(png(self.width, self.height, self.pixels))


def hex_colour(text):
    return tuple(int(text[i:i + 2], 16) / 255 for i in (1, 3, 5))


def vertical(top, bottom, y0, y1):
    top, bottom = hex_colour(top), hex_colour(bottom)

    def colour(x, y):
        t = max(0.0, min(1.0, (y - y0) / (y1 - y0)))
        return tuple(a + (b - a) * t for a, b in zip(top, bottom))

    return colour


def rotated(sdf, cx, cy, degrees):
    c, s = math.cos(math.radians(degrees)), math.sin(math.radians(degrees))

    def turned(x, y):
        dx, dy = x - cx, y - cy
        return sdf(cx + dx * c + dy * s, cy - dx * s + dy * c)

    return turned


def rounded_rect(cx, cy, w, h, r):
    def sdf(x, y):
        qx, qy = abs(x - cx) - (w / 2 - r), abs(y - cy) - (h / 2 - r)
        return math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0) - r

    return sdf


def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def segment(ax, ay, bx, by, width):
    def sdf(x, y):
        px, py, vx, vy = x - ax, y - ay, bx - ax, by - ay
        t = max(0.0, min(1.0, (px * vx + py * vy) / (vx * vx + vy * vy)))
        return math.hypot(px - vx * t, py - vy * t) - width / 2

    return sdf


def polygon(points):
    def sdf(x, y):
        d = float("inf")
        inside = False
        n = len(points)
        for i in range(n):
            ax, ay = points[i]
            bx, by = points[(i + 1) % n]
            vx, vy, px, py = bx - ax, by - ay, x - ax, y - ay
            t = max(0.0, min(1.0, (px * vx + py * vy) / (vx * vx + vy * vy)))
            d = min(d, math.hypot(px - vx * t, py - vy * t))
            if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                inside = not inside
        return -d if inside else d

    return sdf


def star(cx, cy, outer, inner, points=5):
    corners = []
    for i in range(points * 2):
        r = outer if i % 2 == 0 else inner
        a = math.pi * i / points - math.pi / 2
        corners.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return polygon(corners)


def stamp_outline(cx, cy, w, h, hole, step):
    """A stamp's paper: a rectangle with the perforation's half holes."""
    body = rounded_rect(cx, cy, w, h, 0.5)
    left, top = cx - w / 2, cy - h / 2

    def nearest(offset, length):
        count = max(1, int(round(length / step)))
        gap = length / count
        i = max(0, min(count, int(round(offset / gap))))
        return i * gap

    def sdf(x, y):
        hx = left + nearest(x - left, w)
        hy = top + nearest(y - top, h)
        holes = min(math.hypot(x - hx, y - top), math.hypot(x - hx, y - top - h), math.hypot(x - left, y - hy),
                    math.hypot(x - left - w, y - hy)) - hole
        return max(body(x, y), -holes)

    return sdf


def box_of(cx, cy, w, h, margin=4):
    reach = math.hypot(w, h) / 2 + margin
    return (cx - reach, cy - reach, cx + reach, cy + reach)


def draw_stamp(canvas, cx, cy, w, h, degrees, ink, paper="#fbfaf5"):
    """A stamp with its shadow: perforated paper, a coloured field with a
    star and two waves."""
    box = box_of(cx, cy, w, h, 10)
    hole, step, margin = max(1.6, w * 0.041), max(5.0, w * 0.115), max(3.0, w * 0.1)
    canvas.paint(rotated(stamp_outline(cx + 2, cy + 4, w, h, hole, step), cx, cy, degrees), hex_colour("#000000"), box,
                 alpha=0.28, soft=4)
    canvas.paint(rotated(stamp_outline(cx, cy, w, h, hole, step), cx, cy, degrees), hex_colour(paper), box)
    field_w, field_h = w - 2 * margin, h - 2 * margin
    canvas.paint(rotated(rounded_rect(cx, cy, field_w, field_h, 3), cx, cy, degrees),
                 vertical(ink[0], ink[1], cy - field_h / 2, cy + field_h / 2), box)
    canvas.paint(rotated(star(cx, cy - field_h * 0.14, field_w * 0.22, field_w * 0.09), cx, cy, degrees),
                 hex_colour(paper), box)
    amplitude, line = max(1.2, field_h * 0.03), max(1.3, field_w * 0.045)
    for dy in (0.2, 0.34):
        y = cy + field_h * dy
        wave = [(cx - field_w * 0.36 + i * field_w * 0.09, y + (amplitude if i % 2 else -amplitude)) for i in range(9)]
        for (ax, ay), (bx, by) in zip(wave, wave[1:]):
            canvas.paint(rotated(segment(ax, ay, bx, by, line), cx, cy, degrees), hex_colour(paper), box)


def draw_roll(canvas, cx, cy, r, label, backing, ink=None):
    """A roll of stamp labels seen from its side, with a length unrolled
    downward that carries one stamp (when an ink is given)."""
    tail_w = r * 1.3
    tail_x = cx + r - tail_w
    tail_top, tail_bottom = cy, cy + r * 2.6
    canvas.paint(rounded_rect(tail_x + tail_w / 2 + 3, (tail_top + tail_bottom) / 2 + 4, tail_w, tail_bottom - tail_top,
                              2), hex_colour("#000000"), alpha=0.25, soft=4)
    canvas.paint(rounded_rect(tail_x + tail_w / 2, (tail_top + tail_bottom) / 2, tail_w, tail_bottom - tail_top, 2),
                 hex_colour(backing))
    canvas.paint(circle(cx + 3, cy + 4, r), hex_colour("#000000"), alpha=0.25, soft=4)
    canvas.paint(circle(cx, cy, r), hex_colour(backing))
    for k in range(1, 4):
        ring = circle(cx, cy, r * (1 - k * 0.14))
        canvas.paint(lambda x, y, ring=ring: abs(ring(x, y)) - 0.6, hex_colour(label), alpha=0.6)
    canvas.paint(circle(cx, cy, r * 0.3), hex_colour(label))
    canvas.paint(circle(cx, cy, r * 0.16), hex_colour("#ffffff"), alpha=0.9)
    if ink:
        draw_stamp(canvas, tail_x + tail_w / 2, tail_top + r * 1.75, tail_w * 0.72, tail_w * 0.86, 0, ink)


def side_panel(top, bottom, glows):
    """The wizard's side picture: a rounded panel in a vertical gradient
    with faint light circles ((x, y, radius, alpha), as fractions of the
    panel for x and y)."""
    w, h = 180, 300
    canvas = Canvas(w, h)
    canvas.paint(rounded_rect(w / 2, h / 2, w, h, 10), vertical(top, bottom, 0, h))
    for x, y, r, alpha in glows:
        canvas.paint(circle(w * x, h * y, r), hex_colour("#ffffff"), alpha=alpha)
    return canvas


def wizard_stamps(path):
    canvas = side_panel("#2f7fc1", "#123f6b", [(0.85, 0.1, 70, 0.08), (0.1, 0.95, 90, 0.06)])
    draw_stamp(canvas, 74, 104, 78, 94, -9, ("#e9524a", "#b82f35"))
    draw_stamp(canvas, 108, 176, 78, 94, 7, ("#f5b43b", "#e0842a"))
    draw_stamp(canvas, 82, 240, 64, 76, -4, ("#38a169", "#23744a"))
    canvas.save(path)


def wizard_roll(path):
    canvas = side_panel("#f39a3d", "#b4452a", [(0.15, 0.08, 80, 0.1), (0.95, 0.9, 70, 0.07)])
    draw_roll(canvas, 96, 96, 52, "#d4cdbf", "#fbfaf5", ("#2f7fc1", "#1b4f80"))
    canvas.save(path)


def about_roll(path):
    size = 128
    canvas = Canvas(size, size)
    canvas.paint(rounded_rect(64, 66, 118, 118, 24), hex_colour("#000000"), alpha=0.3, soft=3)
    canvas.paint(rounded_rect(64, 64, 118, 118, 24), vertical("#f39a3d", "#b4452a", 5, 123))
    draw_roll(canvas, 78, 36, 22, "#d4cdbf", "#fbfaf5")
    draw_stamp(canvas, 54, 76, 54, 64, -8, ("#2f7fc1", "#1b4f80"))
    canvas.save(path)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "resources")
    wizard_stamps(os.path.join(folder, "ks_wizard2.png"))
    wizard_roll(os.path.join(folder, "ks_wizard3.png"))
    about_roll(os.path.join(folder, "zpm-about-box.png"))


if __name__ == "__main__":
    main()
