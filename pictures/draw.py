#!/usr/bin/env python3
"""Draws the tool-bar pictures of the main window as 24 x 24 PNG files.

Run it from anywhere:  python3 pictures/draw.py
It needs only the standard library: every shape is sampled 6 x 6 times per pixel and
blended over the picture, and the PNG is written with zlib.
"""

import math
import os
import struct
import zlib

SIZE = 24
SUB = 6  # samples per pixel along each axis


class Picture:
    def __init__(self):
        self.px = [[(0.0, 0.0, 0.0, 0.0) for _ in range(SIZE)] for _ in range(SIZE)]

    def shape(self, inside, colour, box=(0, 0, SIZE, SIZE)):
        """Blends `colour` (r, g, b[, a] in 0..255) over the pixels by the share of their
        samples for which inside(x, y) holds."""
        r, g, b = (c / 255.0 for c in colour[:3])
        a = colour[3] / 255.0 if len(colour) > 3 else 1.0
        x0, y0, x1, y1 = (max(0, int(math.floor(box[0]))), max(0, int(math.floor(box[1]))),
                          min(SIZE, int(math.ceil(box[2]))), min(SIZE, int(math.ceil(box[3]))))
        for py in range(y0, y1):
            for px in range(x0, x1):
                hits = 0
                for sy in range(SUB):
                    for sx in range(SUB):
                        if inside(px + (sx + 0.5) / SUB, py + (sy + 0.5) / SUB):
                            hits += 1
                if hits == 0:
                    continue
                cover = a * hits / (SUB * SUB)
                dr, dg, db, da = self.px[py][px]
                oa = cover + da * (1 - cover)
                if oa <= 0:
                    continue
                mix = lambda s, d: (s * cover + d * da * (1 - cover)) / oa
                self.px[py][px] = (mix(r, dr), mix(g, dg), mix(b, db), oa)

    def polygon(self, points, colour):
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]

        def inside(x, y):
            hit = False
            j = len(points) - 1
            for i in range(len(points)):
                (xi, yi), (xj, yj) = points[i], points[j]
                if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                    hit = not hit
                j = i
            return hit

        self.shape(inside, colour, (min(xs), min(ys), max(xs) + 1, max(ys) + 1))

    def rect(self, x0, y0, x1, y1, colour):
        self.polygon([(x0, y0), (x1, y0), (x1, y1), (x0, y1)], colour)

    def framed(self, x0, y0, x1, y1, fill, edge):
        self.rect(x0, y0, x1, y1, edge)
        self.rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, fill)

    def ellipse(self, cx, cy, rx, ry, colour):
        self.shape(lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1, colour,
                   (cx - rx, cy - ry, cx + rx + 1, cy + ry + 1))

    def line(self, points, width, colour):
        """A polyline of `width` pixels with round joins and ends."""
        half = width / 2.0
        segments = list(zip(points, points[1:])) or [(points[0], points[0])]

        def inside(x, y):
            for (ax, ay), (bx, by) in segments:
                dx, dy = bx - ax, by - ay
                length = dx * dx + dy * dy
                t = 0 if length == 0 else max(0, min(1, ((x - ax) * dx + (y - ay) * dy) / length))
                if (x - ax - t * dx) ** 2 + (y - ay - t * dy) ** 2 <= half * half:
                    return True
            return False

        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        self.shape(inside, colour, (min(xs) - half, min(ys) - half, max(xs) + half + 1, max(ys) + half + 1))

    def png(self):
        rows = b""
        for row in self.px:
            rows += b"\0" + bytes(
                v for (r, g, b, a) in row for v in (round(r * 255), round(g * 255), round(b * 255), round(a * 255)))

        def chunk(kind, data):
            return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)) +
                chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


INK = (40, 40, 48)
WHITE = (255, 255, 255)
# The default palette of a channel: black, (110, 120, 130), white.
def palette(t):
    if t < 0.5:
        k = t / 0.5
        return (round(110 * k), round(120 * k), round(130 * k))
    k = (t - 0.5) / 0.5
    return (round(110 + 145 * k), round(120 + 135 * k), round(130 + 125 * k))


def open_file(p):
    p.polygon([(2, 5), (9, 5), (11, 7), (20, 7), (20, 19), (2, 19)], (150, 110, 20))
    p.polygon([(3, 6), (8.5, 6), (10.5, 8), (19, 8), (19, 18), (3, 18)], (230, 185, 60))
    p.polygon([(5, 11), (23, 11), (20, 19), (2, 19)], (150, 110, 20))
    p.polygon([(5.7, 12), (21.6, 12), (19.3, 18), (3.4, 18)], (250, 215, 100))


def save_file(p):
    p.polygon([(3, 3), (18, 3), (21, 6), (21, 21), (3, 21)], (30, 60, 120))
    p.polygon([(4, 4), (17.5, 4), (20, 6.5), (20, 20), (4, 20)], (60, 110, 190))
    p.rect(6, 4, 17, 11, WHITE)
    p.rect(7, 6, 16, 7, (170, 180, 200))
    p.rect(7, 8, 14, 9, (170, 180, 200))
    p.rect(8, 14, 16, 20, (200, 205, 215))
    p.rect(13, 15, 15, 19, (30, 60, 120))


def view_2d(p):
    p.rect(2, 3, 17, 21, INK)
    for i in range(4):
        for j in range(4):
            t = ((i * 3 + j * 5) % 11) / 10.0
            p.rect(3 + j * 3.5, 4 + i * 4, 3 + (j + 1) * 3.5, 4 + (i + 1) * 4, palette(t))
    p.rect(19, 3, 23, 21, INK)
    for k in range(16):
        p.rect(20, 4 + k * 16 / 16.0, 22, 4 + (k + 1), palette(1 - k / 15.0))


def view_3d(p):
    top = [(12, 3), (22, 8), (12, 13), (2, 8)]
    p.polygon([(2, 8), (12, 13), (12, 21), (2, 16)], (80, 90, 100))
    p.polygon([(12, 13), (22, 8), (22, 16), (12, 21)], (130, 140, 150))
    p.polygon(top, (190, 198, 206))
    p.polygon([(7, 8.5), (11, 3.5), (15, 9), (12, 10.5)], (110, 120, 130))
    p.polygon([(11, 3.5), (15, 9), (17, 8)], (235, 238, 242))
    p.line(top + [top[0]], 1, INK)
    p.line([(2, 8), (2, 16), (12, 21), (22, 16), (22, 8)], 1, INK)
    p.line([(12, 13), (12, 21)], 1, INK)


def profile(p):
    p.line([(3, 2), (3, 21), (22, 21)], 1.5, INK)
    p.line([(4, 15), (6, 11), (8, 13), (10, 6), (12, 9), (14, 8), (16, 14), (18, 10), (21, 12)], 1.6,
           (210, 40, 40))


def heights(p):
    bars = [2, 5, 10, 15, 17, 13, 8, 4, 2]
    for k, h in enumerate(bars):
        x = 2.5 + k * 2.2
        p.rect(x, 21 - h, x + 1.8, 21, (50, 100, 190))
    p.line([(2, 21.5), (22, 21.5)], 1, INK)


def angles(p):
    p.line([(3, 20), (21, 20)], 1.6, INK)
    p.line([(3, 20), (17, 5)], 1.6, INK)
    arc = [(3 + 10 * math.cos(math.radians(a)), 20 - 10 * math.sin(math.radians(a))) for a in range(0, 48, 4)]
    p.line(arc, 1.6, (210, 40, 40))


def info(p):
    p.ellipse(12, 12, 10, 10, (30, 70, 150))
    p.ellipse(12, 12, 9, 9, (60, 120, 210))
    p.ellipse(12, 7, 1.7, 1.7, WHITE)
    p.rect(10.5, 10, 13.5, 18, WHITE)
    p.rect(9.5, 17, 14.5, 18.5, WHITE)


def layout(p):
    p.framed(2, 3, 22, 21, (235, 238, 242), INK)
    p.rect(3, 4, 21, 7, (60, 110, 190))
    p.rect(14, 7, 15, 20, INK)
    for y, knob in ((11, 18), (15, 16.5), (18.5, 19)):
        p.line([(16, y), (20, y)], 1, (120, 120, 130))
        p.rect(knob - 1, y - 1.5, knob + 1, y + 1.5, (210, 40, 40))
    for i in range(3):
        for j in range(3):
            p.rect(4 + j * 3.3, 8.5 + i * 3.8, 4 + (j + 1) * 3.3, 8.5 + (i + 1) * 3.8,
                   palette(((i + j * 2) % 5) / 4.0))


def cut(p):
    p.framed(2, 2, 22, 22, palette(0.8), (120, 128, 136))
    for i in range(4):
        for j in range(4):
            p.rect(3 + j * 4.5, 3 + i * 4.5, 3 + (j + 1) * 4.5, 3 + (i + 1) * 4.5,
                   palette(0.55 + ((i * 2 + j * 3) % 5) / 10.0))
    # The dashed selection.
    corners = [(6, 6), (18, 6), (18, 18), (6, 18), (6, 6)]
    p.line(corners, 2, WHITE)
    for (ax, ay), (bx, by) in zip(corners, corners[1:]):
        for k in range(0, 12, 4):
            t0, t1 = k / 12.0, (k + 2) / 12.0
            p.line([(ax + (bx - ax) * t0, ay + (by - ay) * t0), (ax + (bx - ax) * t1, ay + (by - ay) * t1)],
                   2, (200, 30, 30))


def coordinates(p):
    # A segment on a grid with its two end handles: the profile's coordinates pane.
    for k in (6, 12, 18):
        p.line([(k, 3), (k, 21)], 1, (200, 204, 210))
        p.line([(3, k), (21, k)], 1, (200, 204, 210))
    p.line([(6, 17), (18, 7)], 2, INK)
    for cx, cy in ((6, 17), (18, 7)):
        p.ellipse(cx, cy, 3, 3, (200, 30, 30))
        p.ellipse(cx, cy, 1.6, 1.6, WHITE)


def hide_pane(p):
    # A small cross: hides a pane.
    p.line([(7, 7), (17, 17)], 2.5, INK)
    p.line([(17, 7), (7, 17)], 2.5, INK)


PICTURES = {
    "open": open_file,
    "save": save_file,
    "view2d": view_2d,
    "view3d": view_3d,
    "profile": profile,
    "heights": heights,
    "angles": angles,
    "info": info,
    "layout": layout,
    "cut": cut,
    "coordinates": coordinates,
    "hidepane": hide_pane,
}

if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    for name, draw in PICTURES.items():
        picture = Picture()
        draw(picture)
        with open(os.path.join(here, name + ".png"), "wb") as f:
            f.write(picture.png())
        print(name + ".png")
