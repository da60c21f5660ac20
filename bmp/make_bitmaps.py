#!/usr/bin/env python3
"""Draws the control bar's button bitmaps into this folder as 24-bit BMP files.

The view blends each bitmap half and half into the picture and leaves out near-white pixels
(red + green + blue of 511 or more), so every bitmap is drawn on white, which stays transparent,
in colours dark enough to show. The view draws them at a third of their size as seen in the window.

Run it again after changing a drawing: python3 bmp/make_bitmaps.py
"""

import math
import os
import struct

WHITE = (255, 255, 255)
DISC = (40, 56, 84)  # slate
DISC_PRESSED = (20, 100, 180)  # blue
MARK = (235, 165, 25)  # amber
MARK_PRESSED = (245, 195, 40)
PANEL = (70, 70, 70)

BUTTON = 120  # direction, play and stop buttons
ZOOM_BUTTON = 40
ZOOM_PANEL = (160, 130)


class Canvas:
    def __init__(self, width, height):
        self.width = width
        self.height = height
        self.pixels = [[WHITE] * width for _ in range(height)]

    def fill(self, inside, colour):
        """Paints every pixel whose centre satisfies inside(x, y)."""
        for y in range(self.height):
            for x in range(self.width):
                if inside(x + 0.5, y + 0.5):
                    self.pixels[y][x] = colour

    def save(self, name):
        row_bytes = self.width * 3
        padding = (4 - row_bytes % 4) % 4
        image = bytearray()
        for row in reversed(self.pixels):  # bottom-up rows
            for r, g, b in row:
                image += bytes((b, g, r))
            image += b"\0" * padding
        header = struct.pack("<2sIHHI", b"BM", 54 + len(image), 0, 0, 54)
        info = struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 24, 0, len(image), 2835, 2835, 0, 0)
        with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), name), "wb") as out:
            out.write(header + info + image)


def disc(cx, cy, radius):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def triangle(a, b, c):
    def side(p, q, x, y):
        return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0])

    def inside(x, y):
        s1, s2, s3 = side(a, b, x, y), side(b, c, x, y), side(c, a, x, y)
        return (s1 >= 0 and s2 >= 0 and s3 >= 0) or (s1 <= 0 and s2 <= 0 and s3 <= 0)

    return inside


def box(left, top, right, bottom):
    return lambda x, y: left <= x <= right and top <= y <= bottom


def rotated(shape, quarter_turns, size):
    """The shape turned by quarter turns clockwise about the centre of a size x size square."""

    def inside(x, y):
        for _ in range(quarter_turns):
            x, y = y, size - x
        return shape(x, y)

    return inside


def arrow_up(size):
    c = size / 2
    head = triangle((c, size * 0.2), (size * 0.25, size * 0.55), (size * 0.75, size * 0.55))
    shaft = box(c - size * 0.09, size * 0.5, c + size * 0.09, size * 0.8)
    return lambda x, y: head(x, y) or shaft(x, y)


def button(name, mark, pressed):
    canvas = Canvas(BUTTON, BUTTON)
    canvas.fill(disc(BUTTON / 2, BUTTON / 2, BUTTON / 2 - 2), DISC_PRESSED if pressed else DISC)
    canvas.fill(mark, MARK_PRESSED if pressed else MARK)
    canvas.save(name)


def zoom_button(name, plus, pressed):
    size = ZOOM_BUTTON
    canvas = Canvas(size, size)
    canvas.fill(disc(size / 2, size / 2, size / 2 - 1), DISC_PRESSED if pressed else DISC)
    c, arm, half = size / 2, size * 0.3, size * 0.07
    canvas.fill(box(c - arm, c - half, c + arm, c + half), MARK_PRESSED if pressed else MARK)
    if plus:
        canvas.fill(box(c - half, c - arm, c + half, c + arm), MARK_PRESSED if pressed else MARK)
    canvas.save(name)


def zoom_panel():
    width, height = ZOOM_PANEL
    canvas = Canvas(width, height)
    # A magnifying glass above the two zoom buttons, which are drawn over the panel's lower part.
    cx, cy, radius = width / 2 - 8, 38, 26
    ring = lambda x, y: radius - 7 <= math.hypot(x - cx, y - cy) <= radius
    angle = math.radians(45)
    ux, uy = math.cos(angle), math.sin(angle)

    def handle(x, y):
        along = (x - cx) * ux + (y - cy) * uy
        across = -(x - cx) * uy + (y - cy) * ux
        return radius - 2 <= along <= radius + 26 and abs(across) <= 6

    canvas.fill(lambda x, y: ring(x, y) or handle(x, y), PANEL)
    canvas.fill(box(4, 80, width - 4, 84), PANEL)  # a rule above the buttons
    canvas.save("zoom.bmp")


def main():
    up = arrow_up(BUTTON)
    for name, turns in (("moveUp", 0), ("moveRight", 1), ("moveDown", 2), ("moveLeft", 3)):
        mark = rotated(up, turns, BUTTON)
        button(name + ".bmp", mark, False)
        button(name + "Down.bmp", mark, True)
    play = triangle((BUTTON * 0.38, BUTTON * 0.28), (BUTTON * 0.38, BUTTON * 0.72), (BUTTON * 0.74, BUTTON * 0.5))
    stop = box(BUTTON * 0.32, BUTTON * 0.32, BUTTON * 0.68, BUTTON * 0.68)
    button("Play.bmp", play, False)
    button("PlayDown.bmp", play, True)
    button("Stop.bmp", stop, False)
    button("StopDown.bmp", stop, True)
    zoom_panel()
    zoom_button("zoomIn.bmp", True, False)
    zoom_button("zoomInDown.bmp", True, True)
    zoom_button("zoomOut.bmp", False, False)
    zoom_button("zoomOutDown.bmp", False, True)


if __name__ == "__main__":
    main()
