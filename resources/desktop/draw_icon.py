#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Draws the station's desktop icon (standard library only).

One drawing, in a 256-unit square, is written as the scalable SVG and
rendered to the PNG sizes of the hicolor theme. It matches the window icon
of ../images: a navy camera with a gold lens, here standing on its mount.
Run it from this folder to regenerate kivrawebcam.svg and icons/*.png.
"""
import struct
import zlib

NAVY = (24, 52, 84)
GOLD = (230, 170, 40)
SKY = (150, 200, 240)
STEEL = (70, 100, 130)
WHITE = (255, 255, 255)
RED = (215, 45, 40)

SIZES = (16, 22, 24, 32, 48, 64, 128, 256)


class RoundedRect:
    def __init__(self, x, y, w, h, r, colour):
        self.x, self.y, self.w, self.h, self.r, self.colour = x, y, w, h, r, colour

    def contains(self, px, py):
        if not (self.x <= px <= self.x + self.w and self.y <= py <= self.y + self.h):
            return False
        cx = min(max(px, self.x + self.r), self.x + self.w - self.r)
        cy = min(max(py, self.y + self.r), self.y + self.h - self.r)
        return (px - cx) ** 2 + (py - cy) ** 2 <= self.r ** 2

    def svg(self):
        return ('<rect x="%g" y="%g" width="%g" height="%g" rx="%g" fill="%s"/>'
                % (self.x, self.y, self.w, self.h, self.r, hex_colour(self.colour)))


class Circle:
    def __init__(self, cx, cy, r, colour):
        self.cx, self.cy, self.r, self.colour = cx, cy, r, colour

    def contains(self, px, py):
        return (px - self.cx) ** 2 + (py - self.cy) ** 2 <= self.r ** 2

    def svg(self):
        return ('<circle cx="%g" cy="%g" r="%g" fill="%s"/>'
                % (self.cx, self.cy, self.r, hex_colour(self.colour)))


class Polygon:
    def __init__(self, points, colour):
        self.points, self.colour = points, colour

    def contains(self, px, py):
        inside = False
        for (x1, y1), (x2, y2) in zip(self.points, self.points[1:] + self.points[:1]):
            if (y1 > py) != (y2 > py) and px < x1 + (py - y1) * (x2 - x1) / (y2 - y1):
                inside = not inside
        return inside

    def svg(self):
        points = " ".join("%g,%g" % p for p in self.points)
        return '<polygon points="%s" fill="%s"/>' % (points, hex_colour(self.colour))


def hex_colour(c):
    return "#%02x%02x%02x" % c


# Back to front.
SHAPES = [
    Polygon([(100, 196), (156, 196), (184, 236), (72, 236)], STEEL),  # the mount
    RoundedRect(56, 228, 144, 20, 8, NAVY),  # its foot
    RoundedRect(84, 40, 88, 44, 12, NAVY),  # the viewfinder
    RoundedRect(20, 68, 216, 136, 28, NAVY),  # the body
    Circle(128, 136, 58, GOLD),  # the lens
    Circle(128, 136, 40, NAVY),
    Circle(128, 136, 30, SKY),
    Circle(116, 124, 9, WHITE),  # a glint
    Circle(204, 96, 11, RED),  # the on-air light
]


def svg():
    body = "\n  ".join(shape.svg() for shape in SHAPES)
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" '
            'viewBox="0 0 256 256">\n  %s\n</svg>\n' % body)


def render(size, samples=4):
    """Each pixel is the average of samples x samples points of the drawing."""
    scale = 256.0 / size
    rows = []
    for y in range(size):
        row = bytearray()
        for x in range(size):
            r = g = b = covered = 0
            for sy in range(samples):
                for sx in range(samples):
                    px = (x + (sx + 0.5) / samples) * scale
                    py = (y + (sy + 0.5) / samples) * scale
                    for shape in reversed(SHAPES):
                        if shape.contains(px, py):
                            r += shape.colour[0]
                            g += shape.colour[1]
                            b += shape.colour[2]
                            covered += 1
                            break
            if covered:
                row += bytes((r // covered, g // covered, b // covered,
                              255 * covered // (samples * samples)))
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return rows


def png(rows, path):
    size = len(rows)
    raw = b"".join(b"\x00" + row for row in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
                + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


if __name__ == "__main__":
    with open("kivrawebcam.svg", "w") as f:
        f.write(svg())
    for size in SIZES:
        png(render(size), "icons/kivrawebcam_%d.png" % size)
