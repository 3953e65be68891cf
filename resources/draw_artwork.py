#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Draws the station's own artwork as PNG files (standard library only).

Run it from this folder to regenerate images/*.png after a change here.
"""
import struct
import zlib

# A 5x7 block font, enough for the logo's words.
FONT = {
    "K": ["10001", "10010", "10100", "11000", "10100", "10010", "10001"],
    "I": ["11111", "00100", "00100", "00100", "00100", "00100", "11111"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "W": ["10001", "10001", "10001", "10101", "10101", "10101", "01010"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "B": ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    "C": ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    " ": ["00000"] * 7,
}


class Canvas:
    def __init__(self, w, h, colour):
        self.w, self.h = w, h
        self.px = [[colour for _ in range(w)] for _ in range(h)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x, y, w, h, c):
        for yy in range(y, y + h):
            for xx in range(x, x + w):
                self.set(xx, yy, c)

    def circle(self, cx, cy, r, c, ring=None):
        for yy in range(cy - r, cy + r + 1):
            for xx in range(cx - r, cx + r + 1):
                d2 = (xx - cx) ** 2 + (yy - cy) ** 2
                if d2 <= r * r and (ring is None or d2 >= (r - ring) ** 2):
                    self.set(xx, yy, c)

    def polygon(self, points, c):
        """Fills the polygon (even-odd rule, sampled at pixel centres)."""
        for yy in range(self.h):
            for xx in range(self.w):
                px, py = xx + 0.5, yy + 0.5
                inside = False
                for (x1, y1), (x2, y2) in zip(points, points[1:] + points[:1]):
                    if (y1 > py) != (y2 > py):
                        if px < x1 + (py - y1) * (x2 - x1) / (y2 - y1):
                            inside = not inside
                if inside:
                    self.set(xx, yy, c)

    def line(self, x1, y1, x2, y2, width, c):
        """A straight stroke of the given width, with round ends."""
        for yy in range(self.h):
            for xx in range(self.w):
                px, py = xx + 0.5, yy + 0.5
                dx, dy = x2 - x1, y2 - y1
                t = ((px - x1) * dx + (py - y1) * dy) / float(dx * dx + dy * dy)
                t = max(0.0, min(1.0, t))
                qx, qy = x1 + t * dx - px, y1 + t * dy - py
                if qx * qx + qy * qy <= (width / 2.0) ** 2:
                    self.set(xx, yy, c)

    def text(self, x, y, s, scale, c):
        for ch in s:
            glyph = FONT[ch]
            for gy, row in enumerate(glyph):
                for gx, bit in enumerate(row):
                    if bit == "1":
                        self.rect(x + gx * scale, y + gy * scale, scale, scale, c)
            x += 6 * scale

    def png(self, path):
        raw = b"".join(b"\x00" + b"".join(bytes(p) for p in row) for row in self.px)

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

        header = struct.pack(">IIBBBBB", self.w, self.h, 8, 6, 0, 0, 0)
        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
                    + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def touchpad():
    c = Canvas(170, 142, (28, 44, 60, 255))
    for y in range(142):  # a soft vertical gradient, darker at the bottom
        shade = 60 - y // 6
        for x in range(170):
            c.px[y][x] = (20, 36 + shade // 3, shade + 20, 255)
    grid = (60, 96, 120, 255)
    for x in range(0, 170, 17):
        c.rect(x, 0, 1, 142, grid)
    for y in range(0, 142, 14):
        c.rect(0, y, 170, 1, grid)
    c.rect(84, 0, 2, 142, (120, 170, 200, 255))
    c.rect(0, 70, 170, 2, (120, 170, 200, 255))
    c.circle(85, 71, 20, (230, 200, 90, 255), ring=2)
    c.circle(85, 71, 3, (230, 200, 90, 255))
    return c


def logo():
    c = Canvas(226, 53, (0, 0, 0, 0))
    c.rect(0, 0, 226, 53, (24, 52, 84, 255))
    c.rect(0, 49, 226, 4, (230, 170, 40, 255))
    c.circle(26, 24, 18, (230, 170, 40, 255))
    c.circle(26, 24, 11, (24, 52, 84, 255))
    c.circle(26, 24, 6, (150, 200, 240, 255))
    c.text(54, 8, "KIVRA", 3, (255, 255, 255, 255))
    c.text(56, 34, "WEBCAM", 2, (150, 200, 240, 255))
    return c


def icon():
    c = Canvas(32, 32, (0, 0, 0, 0))
    c.rect(3, 9, 26, 18, (24, 52, 84, 255))
    c.rect(10, 5, 12, 5, (24, 52, 84, 255))
    c.circle(16, 18, 7, (230, 170, 40, 255))
    c.circle(16, 18, 4, (150, 200, 240, 255))
    return c


# Browser toolbar: 24 x 24, drawn on transparency.
NAVY = (24, 52, 84, 255)
GOLD = (230, 170, 40, 255)
SKY = (60, 130, 210, 255)


def browser_back():
    c = Canvas(24, 24, (0, 0, 0, 0))
    c.polygon([(2, 12), (12, 3), (12, 8), (21, 8), (21, 16), (12, 16), (12, 21)], NAVY)
    c.polygon([(5, 12), (10, 7.5), (10, 10), (19, 10), (19, 14), (10, 14), (10, 16.5)], SKY)
    return c


def browser_forward():
    c = Canvas(24, 24, (0, 0, 0, 0))
    c.polygon([(22, 12), (12, 3), (12, 8), (3, 8), (3, 16), (12, 16), (12, 21)], NAVY)
    c.polygon([(19, 12), (14, 7.5), (14, 10), (5, 10), (5, 14), (14, 14), (14, 16.5)], SKY)
    return c


def browser_stop():
    c = Canvas(24, 24, (0, 0, 0, 0))
    octagon = [(8, 2), (16, 2), (22, 8), (22, 16), (16, 22), (8, 22), (2, 16), (2, 8)]
    c.polygon(octagon, (150, 20, 20, 255))
    c.polygon([(8.7, 3.5), (15.3, 3.5), (20.5, 8.7), (20.5, 15.3), (15.3, 20.5), (8.7, 20.5),
               (3.5, 15.3), (3.5, 8.7)], (215, 45, 40, 255))
    c.line(8, 8, 16, 16, 2.6, (255, 255, 255, 255))
    c.line(16, 8, 8, 16, 2.6, (255, 255, 255, 255))
    return c


def browser_refresh():
    c = Canvas(24, 24, (0, 0, 0, 0))
    c.circle(12, 12, 9, (40, 140, 70, 255), ring=3)
    c.polygon([(12, 0), (12, 11), (24, 11), (24, 0)], (0, 0, 0, 0))  # the gap, top right
    c.polygon([(12, 0), (12, 10), (19, 5)], (40, 140, 70, 255))  # the arrow head
    return c


def browser_home():
    c = Canvas(24, 24, (0, 0, 0, 0))
    c.polygon([(12, 2), (23, 12), (1, 12)], (170, 40, 40, 255))  # roof
    c.rect(4, 12, 16, 10, NAVY)
    c.rect(6, 13, 12, 8, (235, 225, 200, 255))
    c.rect(10, 15, 5, 7, GOLD)  # door
    c.rect(16, 4, 3, 5, (170, 40, 40, 255))  # chimney
    return c


def browser_window():
    c = Canvas(24, 24, (0, 0, 0, 0))
    c.circle(12, 12, 11, NAVY)
    c.circle(12, 12, 10, SKY)
    for x in (7, 12, 17):
        c.rect(x, 2, 1, 20, (200, 230, 250, 255))
    for y in (7, 12, 17):
        c.rect(2, y, 20, 1, (200, 230, 250, 255))
    c.circle(12, 12, 11, NAVY, ring=1)
    return c


if __name__ == "__main__":
    touchpad().png("images/touchpad.png")
    logo().png("images/logo.png")
    icon().png("images/kivrawebcam.png")
    browser_back().png("images/browser_back.png")
    browser_forward().png("images/browser_forward.png")
    browser_stop().png("images/browser_stop.png")
    browser_refresh().png("images/browser_refresh.png")
    browser_home().png("images/browser_home.png")
    browser_window().png("images/browser.png")
