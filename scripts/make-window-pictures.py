#!/usr/bin/env python3
"""Draws the named pictures of the main window, the preferences window and
the mailing log window (simple icons of our own, drawn from plain shapes):
the toolbar items, the piece-size menu's mailpiece pictures, the drag card,
the action button, the preference panes' items and the mailing log's
toolbar items. Writes one RGBA PNG per picture:

    toolbar and preference items  32 x 32
    mailpiece pictures            64 x 48
    "SingleCard"                  32 x 32
    "ActionMenu"                  24 x 16

Usage: make-window-pictures.py <resources folder>
"""
import math
import os
import struct
import sys
import zlib

SUB = 5  # vertical samples per pixel; horizontal coverage is exact

INK = (40, 50, 60)
PAPER = (250, 248, 240)
BLUE = (47, 111, 181)
LIGHT_BLUE = (150, 190, 230)
BROWN = (200, 149, 90)
DARK_BROWN = (150, 104, 54)
TAPE = (226, 200, 150)
GREEN = (60, 154, 74)
RED = (200, 64, 58)
ORANGE = (230, 130, 40)
GOLD = (226, 179, 60)
GREY = (138, 147, 156)
LIGHT_GREY = (205, 210, 215)


class Canvas:
    def __init__(self, width, height):
        self.w, self.h = width, height
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(width * height)]

    # ---- coverage of a polygon (even-odd), exact across, sampled down ----
    def coverage(self, points):
        cover = {}
        edges = [(points[i], points[(i + 1) % len(points)]) for i in range(len(points))]
        ys = [p[1] for p in points]
        y_top = max(0, int(math.floor(min(ys) * SUB)))
        y_bottom = min(self.h * SUB, int(math.ceil(max(ys) * SUB)))
        for sy in range(y_top, y_bottom):
            y = (sy + 0.5) / SUB
            xs = []
            for (x0, y0), (x1, y1) in edges:
                if (y0 <= y < y1) or (y1 <= y < y0):
                    xs.append(x0 + (y - y0) * (x1 - x0) / (y1 - y0))
            xs.sort()
            row = int(y)
            for i in range(0, len(xs) - 1, 2):
                a, b = max(0.0, xs[i]), min(float(self.w), xs[i + 1])
                if b <= a:
                    continue
                for x in range(int(a), min(self.w, int(math.ceil(b)))):
                    part = min(b, x + 1) - max(a, x)
                    if part > 0:
                        key = row * self.w + x
                        cover[key] = cover.get(key, 0.0) + part / SUB
        return cover

    def fill(self, points, colour, alpha=1.0):
        r, g, b = (c / 255.0 for c in colour)
        for key, c in self.coverage(points).items():
            a = min(1.0, c) * alpha
            p = self.px[key]
            out = a + p[3] * (1 - a)
            if out <= 0:
                continue
            for i, value in enumerate((r, g, b)):
                p[i] = (value * a + p[i] * p[3] * (1 - a)) / out
            p[3] = out

    def erase(self, points):
        for key, c in self.coverage(points).items():
            self.px[key][3] *= 1 - min(1.0, c)

    def stroke(self, points, colour, width=1.0, closed=True):
        count = len(points) if closed else len(points) - 1
        for i in range(count):
            self.fill(line(points[i], points[(i + 1) % len(points)], width), colour)
        for p in points:
            self.fill(ellipse(p[0], p[1], width / 2, width / 2, 12), colour)

    def shape(self, points, colour, outline=INK, width=1.0):
        self.fill(points, colour)
        if outline:
            self.stroke(points, outline, width)

    def png(self):
        raw = bytearray()
        for y in range(self.h):
            raw.append(0)
            for x in range(self.w):
                r, g, b, a = self.px[y * self.w + x]
                raw += bytes((round(r * 255), round(g * 255), round(b * 255), round(a * 255)))

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

        header = struct.pack(">IIBBBBB", self.w, self.h, 8, 6, 0, 0, 0)
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) +
                chunk(b"IEND", b""))


# ---- shapes -------------------------------------------------------------------

def rect(x, y, w, h):
    return [(x, y), (x + w, y), (x + w, y + h), (x, y + h)]


def ellipse(cx, cy, rx, ry, n=40, start=0.0, end=2 * math.pi):
    return [(cx + rx * math.cos(start + (end - start) * i / n), cy + ry * math.sin(start + (end - start) * i / n))
            for i in range(n)]


def rounded(x, y, w, h, r):
    points = []
    for cx, cy, a in ((x + w - r, y + r, -90), (x + w - r, y + h - r, 0), (x + r, y + h - r, 90), (x + r, y + r, 180)):
        for i in range(7):
            t = math.radians(a + 15 * i)
            points.append((cx + r * math.cos(t), cy + r * math.sin(t)))
    return points


def line(p, q, width):
    dx, dy = q[0] - p[0], q[1] - p[1]
    length = math.hypot(dx, dy) or 1.0
    nx, ny = -dy / length * width / 2, dx / length * width / 2
    return [(p[0] + nx, p[1] + ny), (q[0] + nx, q[1] + ny), (q[0] - nx, q[1] - ny), (p[0] - nx, p[1] - ny)]


def heart(cx, cy, scale):
    points = []
    for i in range(60):
        t = 2 * math.pi * i / 60
        x = 16 * math.sin(t) ** 3
        y = 13 * math.cos(t) - 5 * math.cos(2 * t) - 2 * math.cos(3 * t) - math.cos(4 * t)
        points.append((cx + x * scale, cy - y * scale))
    return points


# ---- parts ----------------------------------------------------------------------

def text_lines(c, x, y, w, rows, gap=3.0, colour=GREY, width=1.2):
    for i in range(rows):
        length = w if i % 3 != 2 else w * 0.6
        c.fill(line((x, y + i * gap), (x + length, y + i * gap), width), colour)


def stamp(c, x, y, w, h, inner):
    """A stamp with a perforated edge."""
    c.fill(rect(x, y, w, h), PAPER)
    step = 3.0
    for i in range(int(w / step) + 1):
        px = x + i * step
        c.erase(ellipse(px, y, 0.9, 0.9, 10))
        c.erase(ellipse(px, y + h, 0.9, 0.9, 10))
    for i in range(int(h / step) + 1):
        py = y + i * step
        c.erase(ellipse(x, py, 0.9, 0.9, 10))
        c.erase(ellipse(x + w, py, 0.9, 0.9, 10))
    c.shape(rect(x + 2.5, y + 2.5, w - 5, h - 5), inner, None)
    c.stroke(rect(x + 2.5, y + 2.5, w - 5, h - 5), INK, 0.6)


def badge(c, cx, cy, colour, sign="+"):
    c.shape(ellipse(cx, cy, 5.2, 5.2), colour, (255, 255, 255), 1.2)
    c.fill(line((cx - 2.6, cy), (cx + 2.6, cy), 1.6), (255, 255, 255))
    if sign == "+":
        c.fill(line((cx, cy - 2.6), (cx, cy + 2.6), 1.6), (255, 255, 255))


def box(c, x, y, w, h, depth, front, top, side, band=None):
    """A carton in a simple oblique view: front, top and right faces."""
    d = depth
    c.shape([(x, y + d), (x + w, y + d), (x + w, y + d + h), (x, y + d + h)], front, INK, 0.9)
    c.shape([(x, y + d), (x + d, y), (x + w + d, y), (x + w, y + d)], top, INK, 0.9)
    c.shape([(x + w, y + d), (x + w + d, y), (x + w + d, y + h), (x + w, y + d + h)], side, INK, 0.9)
    if band:
        c.fill(rect(x + 0.5, y + d + h * 0.35, w - 1, h * 0.22), band)
        c.fill([(x + w, y + d + h * 0.35), (x + w + d, y + h * 0.35), (x + w + d, y + h * 0.57),
                (x + w, y + d + h * 0.57)], band, 0.8)


def check_badge(c, cx, cy):
    """A green disc with a white check mark."""
    c.shape(ellipse(cx, cy, 6, 6), GREEN, (255, 255, 255), 1.2)
    c.stroke([(cx - 3, cy), (cx - 0.7, cy + 2.5), (cx + 3, cy - 2.5)], (255, 255, 255), 1.6, closed=False)


def round_arrow(c, cx, cy, r, start, end, colour, width=1.8):
    """An arc from one angle to another (degrees, clockwise on screen) with a
    head at its end."""
    a0, a1 = math.radians(start), math.radians(end)
    arc = ellipse(cx, cy, r, r, 24, a0, a1) + [(cx + r * math.cos(a1), cy + r * math.sin(a1))]
    c.stroke(arc, colour, width, closed=False)
    tip = (cx + r * math.cos(a1), cy + r * math.sin(a1))
    along = 1 if a1 > a0 else -1
    tx, ty = -math.sin(a1) * along, math.cos(a1) * along  # the direction of travel
    nx, ny = math.cos(a1), math.sin(a1)
    size = width * 1.9
    c.fill([(tip[0] + tx * size, tip[1] + ty * size), (tip[0] + nx * size, tip[1] + ny * size),
            (tip[0] - nx * size, tip[1] - ny * size)], colour)


def pencil(c, x0, y0, x1, y1):
    """A pencil lying from its end (x0, y0) to its point (x1, y1)."""
    length = math.hypot(x1 - x0, y1 - y0)
    ux, uy = (x1 - x0) / length, (y1 - y0) / length
    body = (x1 - ux * 4, y1 - uy * 4)
    nx, ny = -uy * 1.9, ux * 1.9
    c.shape([(x0 + nx, y0 + ny), (body[0] + nx, body[1] + ny), (body[0] - nx, body[1] - ny), (x0 - nx, y0 - ny)],
            GOLD, INK, 0.7)
    c.shape([(body[0] + nx, body[1] + ny), (x1, y1), (body[0] - nx, body[1] - ny)], TAPE, INK, 0.7)
    c.fill(ellipse(x1 - ux * 1, y1 - uy * 1, 0.8, 0.8, 10), INK)
    c.fill([(x0 + nx, y0 + ny), (x0 + ux * 2 + nx, y0 + uy * 2 + ny), (x0 + ux * 2 - nx, y0 + uy * 2 - ny),
            (x0 - nx, y0 - ny)], RED)


def person(c, cx, cy, scale, colour):
    c.shape(ellipse(cx, cy - 5 * scale, 3.6 * scale, 3.6 * scale), colour, INK, 0.8)
    c.shape(ellipse(cx, cy + 7 * scale, 7 * scale, 6 * scale, 40, math.pi, 2 * math.pi) +
            [(cx + 7 * scale, cy + 7 * scale)], colour, INK, 0.8)


def envelope(c, x, y, w, h, body=PAPER, flap=INK):
    c.shape(rect(x, y, w, h), body, INK, 1.0)
    c.stroke([(x, y), (x + w / 2, y + h * 0.55), (x + w, y)], flap, 0.9, closed=False)


def roll(c, cx, cy, r, colour):
    c.shape(ellipse(cx, cy, r, r), colour, INK, 1.0)
    c.shape(ellipse(cx, cy, r * 0.35, r * 0.35), (255, 255, 255), INK, 0.8)
    c.erase(ellipse(cx, cy, r * 0.22, r * 0.22))


# ---- toolbar and preference items (32 x 32) ---------------------------------------

def new_package(c):
    c.shape(rect(5, 3, 19, 25), PAPER, INK, 1.1)
    text_lines(c, 8, 8, 12, 4, 3.2)
    c.fill(rect(16, 5, 5, 4), BLUE)
    badge(c, 24, 24, GREEN)


def postage_log(c):
    c.shape(rounded(4, 3, 23, 26, 2), BLUE, INK, 1.0)
    c.shape(rect(8, 6, 16, 20), PAPER, None)
    for i in range(5):
        c.fill(line((10, 9 + i * 3.4), (22, 9 + i * 3.4), 1.0), GREY)
    c.fill(rect(4.5, 3.5, 2.5, 25), (30, 80, 140))


def buy_supplies(c):
    roll(c, 12, 14, 9, LIGHT_GREY)
    c.shape([(12, 23), (28, 23), (28, 29), (12, 29)], PAPER, INK, 0.9)
    c.fill(rect(15, 24.5, 4, 3), GOLD)
    c.fill(rect(21, 24.5, 4, 3), GOLD)


def select_printer(c):
    c.shape(rect(9, 3, 14, 10), PAPER, INK, 1.0)
    c.shape(rounded(3, 11, 26, 12, 2), LIGHT_GREY, INK, 1.0)
    c.fill(ellipse(24.5, 15, 1.3, 1.3), GREEN)
    c.shape(rect(8, 20, 16, 9), PAPER, INK, 1.0)
    text_lines(c, 10.5, 23, 11, 2, 3)


def buy_postage(tint):
    def draw(c):
        stamp(c, 4, 5, 20, 22, tint)
        c.fill(heart(14, 16, 0.28), (255, 255, 255), 0.85)
        badge(c, 25, 24, GREEN)
    return draw


def account(tint):
    def draw(c):
        c.shape(rounded(3, 6, 26, 20, 3), PAPER, INK, 1.0)
        person(c, 11, 15, 0.9, tint)
        text_lines(c, 18, 12, 8, 4, 3.0)
    return draw


def quick_stamp(c):
    stamp(c, 4, 4, 20, 23, LIGHT_BLUE)
    c.shape([(17, 8), (10, 17), (14, 17), (11, 26), (20, 14), (16, 14), (19, 8)], GOLD, INK, 0.8)


def stamp_sheet(inner, grid=3):
    def draw(c):
        c.shape(rect(4, 3, 24, 26), PAPER, INK, 1.0)
        cell = 20 / grid
        for row in range(grid):
            for col in range(grid):
                x, y = 6 + col * cell, 5 + row * (22 / grid)
                c.fill(rect(x + 0.7, y + 0.7, cell - 1.4, 22 / grid - 1.4), inner)
    return draw


def stamp_roll(c):
    roll(c, 11, 12, 8.5, PAPER)
    c.shape([(11, 20.5), (29, 20.5), (29, 29), (11, 29)], PAPER, INK, 0.9)
    for x in (13, 19.5):
        c.fill(rect(x, 22, 5, 5.5), RED)


def package_mode(c):
    box(c, 4, 6, 18, 17, 6, BROWN, TAPE, DARK_BROWN)
    c.fill(rect(11, 12, 4, 17), TAPE, 0.9)


def zero_scale(c):
    c.shape(rounded(6, 4, 20, 4, 1.5), LIGHT_GREY, INK, 1.0)
    c.fill(rect(14.5, 8, 3, 5), GREY)
    c.shape([(4, 13), (28, 13), (30, 28), (2, 28)], (70, 80, 92), INK, 1.0)
    c.shape(ellipse(16, 20.5, 5, 5.2), PAPER, None)
    c.fill(ellipse(16, 20.5, 3.2, 4.0), GREEN)
    c.erase(ellipse(16, 20.5, 1.7, 2.6))


def people(c):
    person(c, 20, 13, 0.95, LIGHT_BLUE)
    person(c, 12, 16, 1.1, BLUE)


def general_prefs(c):
    teeth = []
    for i in range(32):
        t = 2 * math.pi * i / 32
        r = 13 if (i // 2) % 2 == 0 else 10
        teeth.append((16 + r * math.cos(t), 16 + r * math.sin(t)))
    c.shape(teeth, GREY, INK, 0.9)
    c.shape(ellipse(16, 16, 5.5, 5.5), LIGHT_GREY, INK, 0.9)
    c.erase(ellipse(16, 16, 3, 3))


def shipment_prefs(c):
    box(c, 3, 9, 17, 15, 5, BROWN, TAPE, DARK_BROWN)
    check_badge(c, 24, 9)


def details_prefs(c):
    c.shape(rect(4, 3, 19, 25), PAPER, INK, 1.0)
    text_lines(c, 7, 8, 13, 5, 3.4)
    c.shape(ellipse(20, 19, 5.5, 5.5), (220, 235, 250), INK, 1.6)
    c.fill(line((24, 23), (29, 28.5), 2.6), INK)


def email_prefs(c):
    envelope(c, 3, 8, 22, 16)
    c.fill([(20, 20), (26, 20), (26, 16.5), (31, 22.5), (26, 28.5), (26, 25), (20, 25)], GREEN)


# ---- mailing log toolbar items (32 x 32) -----------------------------------------------

def confirm(c):
    box(c, 3, 6, 18, 15, 5, BROWN, TAPE, DARK_BROWN)
    c.shape(rect(6, 16, 8, 5), PAPER, None)
    check_badge(c, 23.5, 23.5)


def batch_confirm(c):
    box(c, 9, 2, 14, 9, 4, BROWN, TAPE, DARK_BROWN)
    box(c, 3, 13, 14, 9, 4, BROWN, TAPE, DARK_BROWN)
    box(c, 12, 15, 10, 8, 3, BROWN, TAPE, DARK_BROWN)
    check_badge(c, 24.5, 24.5)


def date_correction(c):
    c.shape(rounded(4, 6, 24, 22, 2), PAPER, INK, 1.0)
    c.shape(rect(4.5, 6.5, 23, 6), RED, None)
    for x in (10, 22):
        c.shape(rounded(x - 1.2, 3, 2.4, 6, 1), LIGHT_GREY, INK, 0.7)
    for row in range(3):
        for col in range(4):
            colour = BLUE if (row, col) == (1, 2) else LIGHT_GREY
            c.fill(rect(7 + col * 5, 15 + row * 4, 3.4, 2.6), colour)


def postage_correction(c):
    stamp(c, 3, 3, 19, 22, LIGHT_BLUE)
    c.fill(heart(12.5, 13.5, 0.26), (255, 255, 255), 0.85)
    pencil(c, 29, 13, 17, 29)


def electronic_refund(c):
    stamp(c, 3, 3, 19, 22, LIGHT_BLUE)
    c.fill(heart(12.5, 13.5, 0.26), (255, 255, 255), 0.85)
    c.shape(ellipse(23, 22, 8, 8), PAPER, INK, 0.9)
    round_arrow(c, 23, 24, 4.4, 30, -180, GREEN, 1.8)


def reprint(c):
    select_printer(c)
    c.shape(ellipse(24.5, 24, 6.8, 6.8), PAPER, INK, 0.9)
    round_arrow(c, 24.5, 24, 3.8, -60, 210, BLUE, 1.7)


def favorites_heart(c):
    c.shape(heart(16, 16.5, 0.82), RED, (140, 30, 30), 1.0)
    c.fill(ellipse(10.5, 10.5, 2.2, 1.5), (255, 255, 255), 0.55)


# ---- the drag card and the action button ----------------------------------------------

def single_card(c):
    c.fill(rounded(3.5, 7.5, 27, 19, 2.5), (0, 0, 0), 0.18)
    c.shape(rounded(2, 6, 27, 19, 2.5), PAPER, INK, 1.0)
    c.fill(rect(2.5, 6.5, 26, 4), BLUE)
    person(c, 9, 17, 0.62, LIGHT_BLUE)
    text_lines(c, 15, 15, 11, 3, 3.0)


def action_menu(c):
    teeth = []
    for i in range(24):
        t = 2 * math.pi * i / 24
        r = 6.5 if (i // 2) % 2 == 0 else 5
        teeth.append((8 + r * math.cos(t), 8 + r * math.sin(t)))
    c.shape(teeth, GREY, INK, 0.8)
    c.erase(ellipse(8, 8, 2.2, 2.2))
    c.fill([(17, 6.5), (23, 6.5), (20, 10.5)], INK)


# ---- mailpieces (64 x 48) -------------------------------------------------------------------

def postcard(c):
    c.shape(rect(4, 8, 56, 34), PAPER, INK, 1.2)
    c.fill(line((32, 12), (32, 38), 1.0), GREY)
    text_lines(c, 8, 16, 19, 5, 4)
    c.fill(rect(50, 11, 7, 8), RED)
    text_lines(c, 36, 27, 19, 3, 4)


def plain_envelope(c):
    envelope(c, 4, 10, 56, 30, PAPER, GREY)
    c.fill(rect(49, 13, 7, 8), BLUE)
    text_lines(c, 23, 27, 20, 3, 3.5, INK, 1.3)


def flat(c):
    c.shape(rect(12, 3, 40, 43), (236, 220, 180), INK, 1.2)
    c.shape(ellipse(32, 9, 2.5, 2.5), GOLD, INK, 0.7)
    c.fill(rect(42, 14, 7, 8), BLUE)
    text_lines(c, 22, 28, 20, 3, 4, INK, 1.3)


def parcel(c):
    box(c, 8, 8, 36, 30, 10, BROWN, TAPE, DARK_BROWN)
    c.fill(rect(22, 18, 7, 29.5), TAPE, 0.9)
    c.shape(rect(11, 23, 9, 7), PAPER, None)


def flat_rate_envelope(c):
    c.shape(rect(4, 8, 56, 34), PAPER, INK, 1.2)
    c.fill(rect(4.6, 8.6, 54.8, 9), BLUE)
    c.fill(line((4.6, 36), (59.4, 36), 3), RED)
    text_lines(c, 24, 24, 18, 2, 4, INK, 1.3)


def flat_rate_box(width, height, depth, top_colour=LIGHT_BLUE):
    def draw(c):
        x = (64 - width - depth) / 2
        y = (48 - height - depth) / 2
        box(c, x, y, width, height, depth, PAPER, top_colour, LIGHT_GREY, BLUE)
    return draw


def oversized(c):
    box(c, 3, 14, 46, 18, 8, BROWN, TAPE, DARK_BROWN)
    c.fill(line((5, 42.5), (47, 42.5), 1.2), INK)
    c.fill([(3, 42.5), (8, 39.5), (8, 45.5)], INK)
    c.fill([(49, 42.5), (44, 39.5), (44, 45.5)], INK)


PICTURES = {
    # toolbar
    "NewPackageIcon": ((32, 32), new_package),
    "PostageLogIcon": ((32, 32), postage_log),
    "buysupplies-nobrand": ((32, 32), buy_supplies),
    "SelectPrinterIcon": ((32, 32), select_printer),
    "BuyPostageIcon": ((32, 32), buy_postage(BLUE)),
    "kivo_BuyPostageIcon": ((32, 32), buy_postage(ORANGE)),
    "TolvaneAccountIcon": ((32, 32), account(BLUE)),
    "kivo_TolvaneAccountIcon": ((32, 32), account(ORANGE)),
    "quickstamp": ((32, 32), quick_stamp),
    "pellmarkmode": ((32, 32), stamp_sheet(BLUE)),
    "packagemode": ((32, 32), package_mode),
    "ZPM-roll-mode": ((32, 32), stamp_roll),
    "ZPMsheet-mode": ((32, 32), stamp_sheet(RED, 4)),
    "scale__tolvane_zero_vector": ((32, 32), zero_scale),
    "people": ((32, 32), people),
    # preference panes
    "pref_general_toolbar": ((32, 32), general_prefs),
    "shipment_preference": ((32, 32), shipment_prefs),
    "detailsToolbarIcon": ((32, 32), details_prefs),
    "sendEmailNotification": ((32, 32), email_prefs),
    "favorites-heart-32": ((32, 32), favorites_heart),
    # mailing log toolbar (with "detailsToolbarIcon" and "sendEmailNotification" above)
    "confirmToolbarIcon": ((32, 32), confirm),
    "batchConfirmToolbarIcon": ((32, 32), batch_confirm),
    "dateCorrection": ((32, 32), date_correction),
    "postagecorrectToolbaricon": ((32, 32), postage_correction),
    "electronicRefund": ((32, 32), electronic_refund),
    "rePrintIcon": ((32, 32), reprint),
    # drag card, action button
    "SingleCard": ((32, 32), single_card),
    "ActionMenu": ((24, 16), action_menu),
    # mailpieces
    "popup_postcard": ((64, 48), postcard),
    "popup_envelope": ((64, 48), plain_envelope),
    "popup_flat": ((64, 48), flat),
    "popup_package": ((64, 48), parcel),
    "USPS_flatrate": ((64, 48), flat_rate_envelope),
    "USPS_flatrate_box": ((64, 48), flat_rate_box(32, 26, 9)),
    "USPS_flatrate_box_lrg": ((64, 48), flat_rate_box(40, 30, 10)),
    "Small_Flat_Rate-middle": ((64, 48), flat_rate_box(24, 14, 6)),
    "USPS_flatrate_box_PM": ((64, 48), flat_rate_box(30, 24, 9, TAPE)),
    "popup_oversized_package": ((64, 48), oversized),
}


if __name__ == "__main__":
    folder = sys.argv[1]
    for name, ((width, height), draw) in PICTURES.items():
        canvas = Canvas(width, height)
        draw(canvas)
        with open(os.path.join(folder, name + ".png"), "wb") as f:
            f.write(canvas.png())
