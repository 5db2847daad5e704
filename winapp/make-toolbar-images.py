#!/usr/bin/env python3
"""Draws the phrase list's toolbar images and writes one strip a size, as 32-bit BMPs with an
alpha channel (straight, not premultiplied, as an image list takes them): the images side by
side, in the toolbar's order.

    python3 winapp/make-toolbar-images.py [OUTPUT_DIR]

writes toolbar-16.bmp, toolbar-24.bmp and toolbar-32.bmp (16 px for 96 DPI, 24 for 144, 32 for
192). Each image is drawn in a 16-unit square, sampled 6 x 6 times a pixel for smooth edges; the
output is the same on every run.
"""

import math
import os
import struct
import sys

SIZES = (16, 24, 32)
SAMPLES = 6

# Flat colours: a light face with a dark line, one accent a command.
INK = (52, 64, 80)
PAPER = (250, 251, 252)
GREEN = (38, 150, 72)
RED = (210, 48, 48)
BLUE = (33, 110, 200)
GREY = (96, 108, 122)
TEAL = (20, 130, 150)


# Shapes: functions of a point in the 16-unit square, true inside.

def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def rounded(x0, y0, x1, y1, r):
    def inside(x, y):
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def line(x0, y0, x1, y1, width):
    """A stroke with round ends."""
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy

    def inside(x, y):
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length2))
        px, py = x0 + t * dx - x, y0 + t * dy - y
        return px * px + py * py <= width * width / 4
    return inside


def polygon(*points):
    def inside(x, y):
        hit = False
        for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
            if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                hit = not hit
        return hit
    return inside


def arc(cx, cy, radius, width, start, end):
    """A ring's stroke from angle start to end (degrees, clockwise from twelve o'clock)."""
    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        if abs(d - radius) > width / 2:
            return False
        angle = math.degrees(math.atan2(x - cx, cy - y)) % 360
        return (angle - start) % 360 <= (end - start) % 360
    return inside


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def minus(shape, *holes):
    return lambda x, y: shape(x, y) and not any(h(x, y) for h in holes)


# The images: layers of (colour, shape), painted in order.

def page(x0, y0, x1, y1, fold):
    """A sheet with its top right corner folded: an outline and a light face."""
    outer = polygon((x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1))
    inner = polygon((x0 + 1, y0 + 1), (x1 - fold - 0.4, y0 + 1), (x1 - 1, y0 + fold + 0.4),
                    (x1 - 1, y1 - 1), (x0 + 1, y1 - 1))
    corner = polygon((x1 - fold, y0), (x1 - fold, y0 + fold), (x1, y0 + fold))
    return [(INK, outer), (PAPER, inner), (INK, corner)]


def new_item():
    plus = union(rect(10.6, 7.5, 13.4, 15.5), rect(8, 10.1, 16, 12.9))
    plus_edge = union(rect(9.8, 6.7, 14.2, 16), rect(7.2, 9.3, 16, 13.7))
    return page(1.5, 0.5, 12, 15, 3.5) + [
        (INK, rect(4, 6, 9, 7)), (INK, rect(4, 8.5, 7.5, 9.5)),
        ((255, 255, 255), plus_edge), (GREEN, plus)]


def delete():
    return [(RED, union(line(3, 3, 13, 13, 3.2), line(13, 3, 3, 13, 3.2)))]


def about():
    return [(BLUE, circle(8, 8, 7.5)),
            ((255, 255, 255), union(circle(8, 4.6, 1.4), rounded(6.8, 6.9, 9.2, 12.8, 0.6)))]


def options():
    def gear(x, y):
        d = math.hypot(x - 8, y - 8)
        angle = math.atan2(y - 8, x - 8)
        # Eight teeth: a tooth where the angle is near a multiple of 45 degrees.
        tooth = abs(((angle / (math.pi / 4)) % 1) - 0.5) > 0.22
        return d <= (7.4 if tooth else 5.6)
    return [(GREY, minus(gear, circle(8, 8, 2.4)))]


def import_backup():
    # A clock face with a turning-back arrow round it: the list as it was.
    arrow_head = polygon((0.3, 6.2), (5.2, 6.2), (2.75, 9.4))
    return [(PAPER, circle(8.6, 8.6, 5.6)),
            (TEAL, arc(8.6, 8.6, 6.2, 1.9, 290, 235)),
            (TEAL, arrow_head),
            (INK, union(line(8.6, 8.6, 8.6, 5, 1.5), line(8.6, 8.6, 11.2, 10.2, 1.5)))]


def tray():
    """An open box at the bottom, for the arrows of Import and Export."""
    return [(INK, minus(rect(1, 9, 15, 15.5), rect(2.6, 9, 13.4, 13.9)))]


def import_():
    arrow = union(rect(6.6, 0.5, 9.4, 7), polygon((3.2, 6), (12.8, 6), (8, 11.5)))
    return tray() + [(GREEN, arrow)]


def export():
    arrow = union(rect(6.6, 5, 9.4, 11.5), polygon((3.2, 6), (12.8, 6), (8, 0.5)))
    return tray() + [(BLUE, arrow)]


IMAGES = [new_item, delete, about, options, import_backup, import_, export]


def draw(layers, size):
    """Rows of (r, g, b, a), top row first: each layer over the ones before."""
    scale = 16.0 / size
    offsets = [(i + 0.5) / SAMPLES for i in range(SAMPLES)]
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0.0  # premultiplied while compositing
            for colour, shape in layers:
                hits = sum(1 for oy in offsets for ox in offsets
                           if shape((px + ox) * scale, (py + oy) * scale))
                cover = hits / (SAMPLES * SAMPLES)
                r = colour[0] / 255 * cover + r * (1 - cover)
                g = colour[1] / 255 * cover + g * (1 - cover)
                b = colour[2] / 255 * cover + b * (1 - cover)
                a = cover + a * (1 - cover)
            if a > 0:
                pixel = (round(255 * r / a), round(255 * g / a), round(255 * b / a), round(255 * a))
            else:
                pixel = (0, 0, 0, 0)
            row.append(pixel if pixel[3] else (0, 0, 0, 0))
        rows.append(row)
    return rows


def strip(size):
    images = [draw(make(), size) for make in IMAGES]
    return [sum((image[y] for image in images), []) for y in range(size)]


def bmp(rows):
    """A 32-bit bottom-up BMP file of the rows."""
    height, width = len(rows), len(rows[0])
    pixels = b"".join(struct.pack("BBBB", b, g, r, a)
                      for row in reversed(rows) for (r, g, b, a) in row)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 32, 0, len(pixels), 3780, 3780, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return header + info + pixels


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for size in SIZES:
        with open(os.path.join(out, f"toolbar-{size}.bmp"), "wb") as f:
            f.write(bmp(strip(size)))


if __name__ == "__main__":
    main()
