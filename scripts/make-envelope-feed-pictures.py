#!/usr/bin/env python3
"""Draws the envelope feed pictures of the printer set-up (simple diagrams of
our own): a printer, its paper tray and a No. 10 envelope in the tray, seen
from above, for every combination of the envelope settings. The picture of
feed F, direction D, facing U and tray T is named

    <left|center|right>-<lef|ref>-<up|down>-<top|front>[-noreturn].png

  feed       where the envelope lies across the tray (left, center, right);
  direction  which short edge of the envelope goes in first: its left
             (return-address) edge "lef" or its right (postage) edge "ref";
  facing     the printed side up (return address, postage, delivery lines)
             or down (the back with its flap);
  tray       a tray at the top of the printer (fed downward) or at its
             front (fed upward);
  -noreturn  the printed side up without the return address.

Usage: make-envelope-feed-pictures.py <resources folder>
"""
import importlib.util
import os
import sys

module_location = importlib.util.spec_from_file_location(
    "templates", os.path.join(os.path.dirname(os.path.abspath(__file__)), "make-label-templates.py"))
templates = importlib.util.module_from_spec(module_location)
module_location.loader.exec_module(templates)

SIZE = 180
BLACK, GREY, LIGHT, WHITE = 0, 150, 225, 255
# The tray is 8.5 in wide at 12 pixels an inch; the envelope 4.125 x 9.5 in.
TRAY_X, TRAY_W = 39, 102
ENV_W, ENV_H = 50, 114
FEEDS = ["left", "center", "right"]
DIRECTIONS = ["lef", "ref"]
FACINGS = ["up", "down"]
TRAYS = ["top", "front"]


class Canvas:
    def __init__(self):
        self.rows = [bytearray([WHITE]) * SIZE for _ in range(SIZE)]

    def fill(self, x0, y0, x1, y1, shade):
        x0, x1 = sorted((int(round(x0)), int(round(x1))))
        y0, y1 = sorted((int(round(y0)), int(round(y1))))
        for y in range(max(0, y0), min(SIZE, y1)):
            for x in range(max(0, x0), min(SIZE, x1)):
                self.rows[y][x] = shade

    def frame(self, x0, y0, x1, y1, shade=BLACK):
        self.fill(x0, y0, x1, y0 + 1, shade)
        self.fill(x0, y1 - 1, x1, y1, shade)
        self.fill(x0, y0, x0 + 1, y1, shade)
        self.fill(x1 - 1, y0, x1, y1, shade)

    def line(self, x0, y0, x1, y1, shade=BLACK):
        steps = int(max(abs(x1 - x0), abs(y1 - y0))) + 1
        for i in range(steps + 1):
            t = i / steps
            x, y = x0 + (x1 - x0) * t, y0 + (y1 - y0) * t
            self.fill(x, y, x + 1, y + 1, shade)

    def arrow(self, x, y0, y1):
        """A vertical arrow from y0 to y1 (head at y1)."""
        self.fill(x - 1, min(y0, y1), x + 1, max(y0, y1), BLACK)
        head = 6 if y1 > y0 else -6
        for i in range(7):
            y = y1 - head + head * i / 6
            self.fill(x - (6 - i), y, x + (6 - i) + 1, y + 1, BLACK)

    def png(self):
        return templates.png(SIZE, SIZE, self.rows, 72)


def picture(feed, direction, facing, tray, noreturn):
    c = Canvas()
    top_tray = tray == 0
    # The printer body, and the tray on the side the envelope comes from.
    if top_tray:
        body, tray_box, env_y = (12, 132, 168, 170), (TRAY_X, 8, TRAY_X + TRAY_W, 132), 16
    else:
        body, tray_box, env_y = (12, 10, 168, 48), (TRAY_X, 48, TRAY_X + TRAY_W, 172), 50
    c.fill(*body, GREY)
    # The slot the envelope goes into.
    slot_y = body[1] if top_tray else body[3] - 3
    c.fill(TRAY_X - 4, slot_y, TRAY_X + TRAY_W + 4, slot_y + 3, BLACK)
    c.fill(tray_box[0], tray_box[1], tray_box[2], tray_box[3], LIGHT)
    c.frame(*tray_box, GREY)
    env_x = TRAY_X + [0, (TRAY_W - ENV_W) / 2, TRAY_W - ENV_W][feed]
    c.fill(env_x, env_y, env_x + ENV_W, env_y + ENV_H, WHITE)
    c.frame(env_x, env_y, env_x + ENV_W, env_y + ENV_H)
    # The feed direction, beside the tray.
    if top_tray:
        c.arrow(TRAY_X + TRAY_W + 14, 40, 120)
    else:
        c.arrow(TRAY_X + TRAY_W + 14, 160, 60)

    # Envelope coordinates: u along the long side (0 at its left edge, 1 at
    # its right), v across (0 at its top edge, 1 at its bottom). The
    # envelope is turned so that its leading edge faces the printer, and
    # mirrored when it lies face down.
    lead_at_bottom = top_tray
    lead_u = 0 if direction == 0 else 1

    def point(u, v):
        d = abs(u - lead_u)
        y = (1 - d) if lead_at_bottom else d
        # Turned without a mirror: the top edge lies on the left when the
        # left edge leads downward or the right edge leads upward.
        x = v if (direction == 0) == lead_at_bottom else 1 - v
        if facing == 1:
            x = 1 - x
        return env_x + 1 + x * (ENV_W - 2), env_y + 1 + y * (ENV_H - 2)

    def block(u0, v0, u1, v1, shade=BLACK):
        (x0, y0), (x1, y1) = point(u0, v0), point(u1, v1)
        c.fill(min(x0, x1), min(y0, y1), max(x0, x1), max(y0, y1), shade)

    if facing == 0:
        block(0.84, 0.07, 0.96, 0.34)  # postage
        if not noreturn:
            for v in (0.08, 0.16, 0.24):
                block(0.04, v, 0.28, v + 0.04)
        for v in (0.50, 0.60, 0.70, 0.80):
            block(0.38, v, 0.72, v + 0.05)
    else:
        # The flap along the top edge.
        for (u0, v0), (u1, v1) in (((0, 0), (0.5, 0.48)), ((0.5, 0.48), (1, 0))):
            (x0, y0), (x1, y1) = point(u0, v0), point(u1, v1)
            c.line(x0, y0, x1, y1)
    return c.png()


def name(feed, direction, facing, tray, noreturn):
    text = f"{FEEDS[feed]}-{DIRECTIONS[direction]}-{FACINGS[facing]}-{TRAYS[tray]}"
    return text + ("-noreturn" if noreturn else "")


if __name__ == "__main__":
    folder = sys.argv[1]
    for feed in range(3):
        for direction in range(2):
            for facing in range(2):
                for tray in range(2):
                    for noreturn in ([False, True] if facing == 0 else [False]):
                        path = os.path.join(folder, name(feed, direction, facing, tray, noreturn) + ".png")
                        with open(path, "wb") as f:
                            f.write(picture(feed, direction, facing, tray, noreturn))
