#!/usr/bin/env python3
"""Draws Lumora's icon (a speech-bubble-like rounded square with a cursor bar and an arrow
of expansion) and writes it as lumora.ico: 16, 32 and 48 pixel images, 32-bit BGRA. With
--paused, the tray's paused variant: the same in grey, with a pause sign.

    python3 winapp/make-icon.py [--paused] [output.ico]
"""

import struct
import sys


def draw(size):
    """Rows of (r, g, b, a), top row first."""
    s = size / 32.0
    img = [[(0, 0, 0, 0)] * size for _ in range(size)]

    def inside_rounded(x, y, x0, y0, x1, y1, r):
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r

    for py in range(size):
        for px in range(size):
            x, y = (px + 0.5) / s, (py + 0.5) / s  # in 32-unit space
            if inside_rounded(x, y, 1, 1, 31, 31, 6):
                # Deep teal, lighter towards the top.
                t = y / 32
                img[py][px] = (int(20 + 20 * (1 - t)), int(120 + 50 * (1 - t)),
                               int(140 + 40 * (1 - t)), 255)
                border = not inside_rounded(x, y, 2.2, 2.2, 29.8, 29.8, 5)
                if border:
                    img[py][px] = (10, 70, 85, 255)
            # A short word: three small bars...
            for bx in (6, 10.5):
                if bx <= x <= bx + 3 and 14 <= y <= 18:
                    img[py][px] = (255, 255, 255, 255)
            # ...an arrow...
            if 15 <= x <= 19 and abs(y - 16) <= (19 - x) * 0.9 + 0.6:
                img[py][px] = (255, 214, 90, 255)
            # ...and the longer text it becomes, ending at the caret.
            if 21 <= x <= 23.5 and 9 <= y <= 23:
                img[py][px] = (255, 255, 255, 255)
            if 9 <= y <= 10.5 and 6 <= x <= 23.5 or 21.5 <= y <= 23 and 6 <= x <= 23.5:
                if y < 12 or x > 20:
                    img[py][px] = (255, 255, 255, 255)
    return img


def paused(img):
    """The icon in grey, with two bars of a pause sign at the bottom right."""
    size = len(img)
    s = size / 32.0
    out = []
    for py, row in enumerate(img):
        line = []
        for px, (r, g, b, a) in enumerate(row):
            grey = int(0.3 * r + 0.59 * g + 0.11 * b)
            pixel = (grey, grey, grey, a)
            x, y = (px + 0.5) / s, (py + 0.5) / s
            for bx in (17, 24):
                if bx - 1 <= x <= bx + 5 and 13 <= y <= 31:
                    pixel = (255, 255, 255, 255)
                if bx <= x <= bx + 4 and 14 <= y <= 30:
                    pixel = (200, 60, 30, 255)
            line.append(pixel)
        out.append(line)
    return out


def bitmap(img):
    size = len(img)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(struct.pack("BBBB", b, g, r, a)
                      for row in reversed(img) for (r, g, b, a) in row)
    mask_row = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(img):
        bits = bytearray(mask_row)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + pixels + bytes(mask)


def main():
    args = [a for a in sys.argv[1:] if a != "--paused"]
    variant = paused if "--paused" in sys.argv[1:] else (lambda img: img)
    out = args[0] if args else "lumora.ico"
    images = [bitmap(variant(draw(n))) for n in (16, 32, 48)]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, blob in zip((16, 32, 48), images):
        data += struct.pack("<BBBBHHII", n, n, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    data += b"".join(images)
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
