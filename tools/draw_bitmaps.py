#!/usr/bin/env python3
"""Draws the plug-in's bitmaps as 24-bit BMP files into resources/.

Each module picture reads top to bottom in the direction of the data: an
input kind shows its signal, an arrow down and the device box; an output kind
shows the device box, an arrow down and the signal it produces. Analog kinds
carry a sine wave, counter kinds a pulse train, digital kinds a row of bits.
Standard library only; the output is the same on every run.
"""
import math
import os
import struct
import sys

BACKGROUND = (236, 236, 228)
OUTLINE = (40, 48, 72)
BOX_FILL = (70, 96, 150)
BOX_TEXT = (255, 255, 255)
ARROW = (200, 40, 40)
SIGNAL = {"analog": (20, 130, 60), "counter": (210, 110, 0), "digital": (30, 80, 200)}

# 5 x 7 glyphs of the letters the labels use.
GLYPHS = {
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "C": ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    "D": ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    "I": ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
}


class Canvas:
    def __init__(self, width, height, colour=BACKGROUND):
        self.width, self.height = width, height
        self.pixels = [[colour] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def fill(self, x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, colour)

    def frame(self, x0, y0, x1, y1, colour):
        for x in range(x0, x1 + 1):
            self.put(x, y0, colour)
            self.put(x, y1, colour)
        for y in range(y0, y1 + 1):
            self.put(x0, y, colour)
            self.put(x1, y, colour)

    def line(self, x0, y0, x1, y1, colour, thick=1):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            x = round(x0 + (x1 - x0) * i / steps)
            y = round(y0 + (y1 - y0) * i / steps)
            self.fill(x, y, x + thick - 1, y + thick - 1, colour)

    def text(self, x, y, s, colour, scale):
        for ch in s:
            for row, bits in enumerate(GLYPHS[ch]):
                for col, bit in enumerate(bits):
                    if bit == "1":
                        self.fill(x + col * scale, y + row * scale,
                                  x + col * scale + scale - 1, y + row * scale + scale - 1, colour)
            x += 6 * scale

    def bmp(self):
        row_bytes = (self.width * 3 + 3) & ~3
        data = bytearray()
        for y in range(self.height - 1, -1, -1):  # bottom-up
            row = bytearray()
            for r, g, b in self.pixels[y]:
                row += bytes((b, g, r))
            data += row + bytes(row_bytes - len(row))
        header = struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 24, 0,
                             len(data), 2835, 2835, 0, 0)
        file_header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 14 + 40)
        return file_header + header + data


def sine(c, x0, x1, top, bottom, colour, periods=1.5):
    mid, amp = (top + bottom) / 2, (bottom - top) / 2
    prev = None
    for x in range(x0, x1 + 1):
        y = round(mid - amp * math.sin(2 * math.pi * periods * (x - x0) / (x1 - x0)))
        if prev:
            c.line(prev[0], prev[1], x, y, colour, 2)
        prev = (x, y)


def pulses(c, x0, x1, top, bottom, colour):
    # Narrow pulses on a base line: what a counter counts.
    x, high = x0, False
    pattern = [6, 3]  # low run, high run
    i = 0
    y = bottom
    while x < x1:
        run = min(pattern[i % 2], x1 - x)
        ny = top if i % 2 else bottom
        c.line(x, y, x, ny, colour, 2)
        c.line(x, ny, x + run, ny, colour, 2)
        x, y, i = x + run, ny, i + 1


def bits(c, x0, x1, top, bottom, colour):
    # Four square bits, set and clear.
    size = min(bottom - top, (x1 - x0 - 9) // 4)
    gap = (x1 - x0 - 4 * size) // 3
    y0 = (top + bottom - size) // 2
    for i, on in enumerate((1, 0, 1, 1)):
        x = x0 + i * (size + gap)
        c.frame(x, y0, x + size - 1, y0 + size - 1, colour)
        c.frame(x + 1, y0 + 1, x + size - 2, y0 + size - 2, colour)
        if on:
            c.fill(x + 3, y0 + 3, x + size - 4, y0 + size - 4, colour)


def arrow_down(c, cx, top, bottom):
    c.fill(cx - 1, top, cx + 1, bottom - 5, ARROW)
    for i in range(6):
        c.line(cx - 5 + i, bottom - 5 + i, cx + 5 - i, bottom - 5 + i, ARROW)


def device_box(c, x0, y0, x1, y1, label):
    c.fill(x0, y0, x1, y1, BOX_FILL)
    c.frame(x0, y0, x1, y1, OUTLINE)
    scale = 2 if (y1 - y0) >= 18 else 1
    w, h = (len(label) * 6 - 1) * scale, 7 * scale
    c.text((x0 + x1 + 1 - w) // 2, (y0 + y1 + 1 - h) // 2, label, BOX_TEXT, scale)


def module_picture(width, height, signal, direction, label):
    c = Canvas(width, height)
    c.frame(0, 0, width - 1, height - 1, OUTLINE)

    def band(a, b):
        return round(a * height), round(b * height)

    draw = {"analog": sine, "counter": pulses, "digital": bits}[signal]
    if direction == "in":
        sig, arr, box = band(0.08, 0.34), band(0.38, 0.56), band(0.58, 0.92)
    else:
        box, arr, sig = band(0.08, 0.42), band(0.44, 0.62), band(0.66, 0.92)
    draw(c, 6, width - 7, sig[0], sig[1], SIGNAL[signal])
    arrow_down(c, width // 2, arr[0], arr[1])
    device_box(c, 10, box[0], width - 11, box[1], label)
    return c


def palette_icon():
    # A small signal generator: a box showing a wave, standing on a foot.
    c = Canvas(24, 24)
    c.fill(2, 3, 21, 17, BOX_FILL)
    c.frame(2, 3, 21, 17, OUTLINE)
    c.fill(4, 5, 19, 15, (250, 250, 240))
    sine(c, 5, 18, 7, 13, SIGNAL["analog"], periods=1.0)
    c.fill(9, 18, 14, 19, OUTLINE)
    c.fill(6, 20, 17, 21, OUTLINE)
    return c


PICTURES = {
    "generator_ico.bmp": palette_icon,
    "brh_input_ad.bmp": lambda: module_picture(63, 64, "analog", "in", "AI"),
    "brh_output_da.bmp": lambda: module_picture(63, 63, "analog", "out", "AO"),
    "brh_input_ci.bmp": lambda: module_picture(63, 64, "counter", "in", "CI"),
    "brh_output_co.bmp": lambda: module_picture(63, 53, "counter", "out", "CO"),
    "brh_input_di.bmp": lambda: module_picture(63, 64, "digital", "in", "DI"),
    "brh_output_do.bmp": lambda: module_picture(63, 63, "digital", "out", "DO"),
}


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "resources")
    for name, draw in PICTURES.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(draw().bmp())


if __name__ == "__main__":
    main()
