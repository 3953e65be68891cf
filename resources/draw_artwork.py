#!/usr/bin/env python3
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


if __name__ == "__main__":
    touchpad().png("images/touchpad.png")
    logo().png("images/logo.png")
    icon().png("images/kivrawebcam.png")
