#!/usr/bin/env python3
"""Draws the compound pictures' icons and writes them, as PNG images, into
env/tk/IconData.cc. Run it again after changing a drawing:

    scripts/make_icons.py > env/tk/IconData.cc

Every icon is drawn here from simple shapes on a 32 x 32 canvas; the names
are those the display strings give in their "i" tag."""

import base64
import math
import struct
import zlib

SIZE = 32


class Canvas:
    def __init__(self, w=SIZE, h=SIZE):
        self.w, self.h = w, h
        self.px = [[(0, 0, 0, 0)] * w for _ in range(h)]

    def dot(self, x, y, c):
        x, y = int(x), int(y)
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, fill=None, line=None):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                edge = x in (x0, x1) or y in (y0, y1)
                if edge and line:
                    self.dot(x, y, line)
                elif fill:
                    self.dot(x, y, fill)

    def line(self, x0, y0, x1, y1, c, width=1):
        n = int(max(abs(x1 - x0), abs(y1 - y0), 1) * 2)
        r = (width - 1) / 2
        for k in range(n + 1):
            x = x0 + (x1 - x0) * k / n
            y = y0 + (y1 - y0) * k / n
            for dy in range(-int(r), int(math.ceil(r)) + 1):
                for dx in range(-int(r), int(math.ceil(r)) + 1):
                    self.dot(round(x + dx), round(y + dy), c)

    def ellipse(self, cx, cy, rx, ry, fill=None, line=None):
        for y in range(self.h):
            for x in range(self.w):
                d = ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2
                if line and 1 - 2.2 / min(rx, ry) < d <= 1:
                    self.dot(x, y, line)
                elif fill and d <= 1:
                    self.dot(x, y, fill)

    def polygon(self, points, fill):
        for y in range(self.h):
            yc = y + 0.5
            xs = []
            for (xa, ya), (xb, yb) in zip(points, points[1:] + points[:1]):
                if (ya <= yc < yb) or (yb <= yc < ya):
                    xs.append(xa + (yc - ya) * (xb - xa) / (yb - ya))
            xs.sort()
            for a, b in zip(xs[0::2], xs[1::2]):
                for x in range(int(math.ceil(a - 0.5)), int(math.floor(b - 0.5)) + 1):
                    self.dot(x, y, fill)

    def arrow(self, x0, y0, x1, y1, c, width=2):
        ang = math.atan2(y1 - y0, x1 - x0)
        self.line(x0, y0, round(x1 - math.cos(ang) * 5), round(y1 - math.sin(ang) * 5), c, width)
        head = [(x1 + 0.5, y1 + 0.5)]
        for side in (-1, 1):
            a = ang + math.pi - side * 0.55
            head.append((x1 + 0.5 + math.cos(a) * 7, y1 + 0.5 + math.sin(a) * 7))
        self.polygon(head, c)

    def png(self):
        raw = b"".join(b"\0" + b"".join(struct.pack("4B", *p) for p in row) for row in self.px)

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

        header = struct.pack(">IIBBBBB", self.w, self.h, 8, 6, 0, 0, 0)
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
                chunk(b"IEND", b""))


def rgb(text, alpha=255):
    return (int(text[1:3], 16), int(text[3:5], 16), int(text[5:7], 16), alpha)


INK = rgb("#202830")
WHITE = rgb("#ffffff")
STEEL = rgb("#6c7a89")
BLUE = rgb("#3a6ea5")
LIGHTBLUE = rgb("#a8c8ec")
GREEN = rgb("#3c8c4c")
LIGHTGREEN = rgb("#b4e0b4")
ORANGE = rgb("#e08a2c")
RED = rgb("#c0392b")
YELLOW = rgb("#f2c94c")
GREY = rgb("#b8bec6")
PURPLE = rgb("#7d5ba6")
TEAL = rgb("#2a8c8c")


def chip(c, body, pins_all_sides=True, inner=None):
    for k in range(7, 26, 4):
        c.rect(k, 2, k + 1, 6, fill=STEEL)
        c.rect(k, 25, k + 1, 29, fill=STEEL)
        if pins_all_sides:
            c.rect(2, k, 6, k + 1, fill=STEEL)
            c.rect(25, k, 29, k + 1, fill=STEEL)
    if pins_all_sides:
        c.rect(6, 6, 25, 25, fill=body, line=INK)
    else:
        c.rect(3, 6, 28, 25, fill=body, line=INK)
    if inner:
        c.rect(11, 11, 20, 20, fill=inner, line=INK)


def gear(c, cx, cy, r, body):
    teeth = []
    for k in range(16):
        a = k * math.pi / 8
        rr = r if k % 2 == 0 else r * 0.72
        for da in (-0.18, 0.18):
            teeth.append((cx + rr * math.cos(a + da), cy + rr * math.sin(a + da)))
    c.polygon(teeth, body)
    c.ellipse(cx, cy, r * 0.3, r * 0.3, fill=WHITE, line=INK)


def layer_block(c, top, side):
    c.polygon([(4, 12), (10, 6), (28, 6), (22, 12)], top)
    c.polygon([(22, 12), (28, 6), (28, 22), (22, 28)], side)
    c.rect(4, 12, 22, 28, fill=top, line=INK)


def cylinder(c, x0, x1, y0, y1, body):
    cx, rx = (x0 + x1) / 2, (x1 - x0) / 2
    c.rect(x0, y0, x1, y1, fill=body)
    c.line(x0, y0, x0, y1, INK)
    c.line(x1, y0, x1, y1, INK)
    c.ellipse(cx, y1, rx, 3, fill=body, line=INK)
    c.rect(x0 + 1, y0, x1 - 1, y1, fill=body)
    c.ellipse(cx, y0, rx, 3, fill=LIGHTBLUE, line=INK)


def icon_cpu(c):
    chip(c, rgb("#34495e"), True, rgb("#95a5a6"))


def icon_acp(c):
    chip(c, ORANGE, True)
    cylinder(c, 11, 20, 12, 19, LIGHTBLUE)


def icon_asic(c):
    chip(c, BLUE, False)
    for x in range(7, 25, 5):
        c.line(x, 10, x, 21, LIGHTBLUE)


def icon_chip(c):
    chip(c, GREEN, False)
    c.rect(8, 11, 14, 20, fill=LIGHTGREEN, line=INK)
    c.rect(17, 11, 23, 20, fill=LIGHTGREEN, line=INK)


def icon_ctrl(c):
    gear(c, 16, 16, 14, STEEL)


def icon_fc4ctrl(c):
    gear(c, 13, 13, 11, PURPLE)
    gear(c, 23, 23, 8, STEEL)


def icon_driver(c):
    c.rect(3, 4, 28, 11, fill=GREY, line=INK)
    c.rect(3, 21, 28, 28, fill=BLUE, line=INK)
    c.arrow(16, 11, 16, 19, INK)


def icon_eepair(c):
    c.rect(2, 9, 10, 22, fill=TEAL, line=INK)
    c.rect(21, 9, 29, 22, fill=TEAL, line=INK)
    c.arrow(11, 12, 20, 12, INK, 2)
    c.arrow(20, 19, 11, 19, INK, 2)


def icon_eestat(c):
    c.line(4, 28, 28, 28, INK)
    c.line(4, 4, 4, 28, INK)
    for x, h, col in ((7, 10, BLUE), (13, 18, TEAL), (19, 7, ORANGE), (25, 14, GREEN)):
        c.rect(x - 2, 27 - h, x + 2, 27, fill=col, line=INK)


def icon_fc4srvs(c):
    for y in (4, 13, 22):
        c.rect(4, y, 27, y + 6, fill=LIGHTBLUE, line=INK)
        c.ellipse(8, y + 3, 1.6, 1.6, fill=GREEN)
        c.line(12, y + 3, 24, y + 3, STEEL)


def switch_box(c, body):
    c.rect(1, 7, 30, 24, fill=body, line=INK)
    c.arrow(5, 12, 25, 12, WHITE, 2)
    c.arrow(26, 19, 6, 19, WHITE, 2)


def icon_fcsw(c):
    switch_box(c, BLUE)


def icon_switch(c):
    switch_box(c, TEAL)


def icon_swfc4(c):
    layer_block(c, LIGHTGREEN, GREEN)


def icon_host(c):
    c.rect(3, 4, 28, 21, fill=STEEL, line=INK)
    c.rect(6, 7, 25, 18, fill=LIGHTBLUE)
    c.rect(13, 22, 18, 25, fill=STEEL)
    c.rect(8, 26, 23, 28, fill=STEEL, line=INK)


def icon_iogen(c):
    c.rect(2, 5, 29, 26, fill=WHITE, line=INK)
    prev = None
    for x in range(4, 28):
        y = 15.5 - 7 * math.sin((x - 4) * 2 * math.pi / 12)
        if prev:
            c.line(prev[0], prev[1], x, y, RED, 2)
        prev = (x, y)


def port(c, body):
    c.rect(6, 4, 25, 27, fill=body, line=INK)
    c.rect(10, 9, 21, 22, fill=INK)
    for x in (12, 15, 18):
        c.rect(x, 11, x + 1, 15, fill=YELLOW)


def icon_nxport(c):
    port(c, GREY)


def icon_swport(c):
    port(c, LIGHTGREEN)


def icon_psm(c):
    c.line(8, 9, 24, 9, INK)
    c.line(8, 9, 16, 24, INK)
    c.line(24, 9, 16, 24, INK)
    for cx, cy, col in ((7, 8, GREEN), (25, 8, YELLOW), (16, 24, RED)):
        c.ellipse(cx, cy, 5, 5, fill=col, line=INK)


def icon_rx(c):
    c.rect(14, 6, 29, 25, fill=LIGHTBLUE, line=INK)
    c.arrow(1, 15, 18, 15, GREEN, 3)


def icon_tx(c):
    c.rect(2, 6, 17, 25, fill=LIGHTBLUE, line=INK)
    c.arrow(13, 15, 29, 15, ORANGE, 3)


def icon_txev(c):
    c.rect(2, 6, 17, 25, fill=YELLOW, line=INK)
    c.polygon([(10, 8), (6, 16), (10, 16), (8, 23), (14, 13), (10, 13), (12, 8)], RED)
    c.arrow(18, 15, 29, 15, ORANGE, 3)


def icon_rxbuf(c):
    for y in (8, 14, 20, 26):
        c.rect(12, y - 4, 29, y, fill=LIGHTBLUE if y > 8 else WHITE, line=INK)
    c.arrow(1, 6, 10, 6, GREEN, 2)


def icon_scsi(c):
    c.polygon([(2, 9), (29, 9), (25, 22), (6, 22)], STEEL)
    c.rect(6, 12, 25, 14, fill=INK)
    for x in range(8, 24, 3):
        c.dot(x, 17, YELLOW)
        c.dot(x + 1, 17, YELLOW)
    c.rect(13, 22, 18, 29, fill=INK)


def icon_city(c):
    c.rect(2, 12, 9, 29, fill=STEEL, line=INK)
    c.rect(10, 4, 19, 29, fill=BLUE, line=INK)
    c.rect(20, 16, 29, 29, fill=STEEL, line=INK)
    for y in range(7, 27, 4):
        c.rect(12, y, 13, y + 1, fill=YELLOW)
        c.rect(16, y, 17, y + 1, fill=YELLOW)
    for y in range(15, 27, 4):
        c.rect(4, y, 5, y + 1, fill=YELLOW)
        c.rect(23, y + 2, 24, y + 3, fill=YELLOW)


def icon_device(c):
    c.rect(6, 1, 25, 30, fill=rgb("#2c3e50"), line=INK)
    for y in (4, 10, 16, 22):
        c.rect(9, y, 22, y + 4, fill=GREY, line=INK)
        c.dot(20, y + 2, GREEN)


def icon_array(c):
    cylinder(c, 2, 13, 6, 14, LIGHTBLUE)
    cylinder(c, 18, 29, 6, 14, LIGHTBLUE)
    cylinder(c, 2, 13, 19, 27, LIGHTBLUE)
    cylinder(c, 18, 29, 19, 27, LIGHTBLUE)


def icon_arrgrp(c):
    c.rect(1, 3, 30, 28, fill=rgb("#dfe6ee"), line=INK)
    for x0 in (3, 12, 21):
        cylinder(c, x0, x0 + 7, 8, 22, LIGHTBLUE)


def icon_lunctrl(c):
    chip(c, PURPLE, True)
    for y in (10, 14, 18):
        c.rect(10, y, 21, y + 2, fill=WHITE, line=INK)


def icon_disk(c):
    cylinder(c, 5, 26, 6, 25, LIGHTBLUE)


def icon_bus(c):
    c.rect(1, 14, 30, 17, fill=ORANGE, line=INK)
    for x in (5, 13, 21, 28):
        c.rect(x - 1, 6, x, 13, fill=INK)
        c.rect(x - 1, 18, x, 25, fill=INK)


def icon_csw(c):
    c.rect(3, 3, 28, 28, fill=LIGHTBLUE, line=INK)
    for k in (9, 15, 21):
        c.line(3, k, 28, k, BLUE)
        c.line(k, 3, k, 28, BLUE)
    for k in (9, 15, 21):
        c.ellipse(k, k, 2, 2, fill=RED)


def icon_ctrlmemcch(c):
    c.rect(1, 8, 30, 22, fill=GREEN, line=INK)
    for x in (4, 11, 18, 25):
        c.rect(x, 11, x + 4, 17, fill=INK)
    for x in range(3, 29, 2):
        c.dot(x, 20, YELLOW)
    c.rect(15, 19, 16, 22, fill=(0, 0, 0, 0))


ICONS = sorted((name[5:], fn) for name, fn in globals().items() if name.startswith("icon_"))


def main():
    print("// Made by scripts/make_icons.py: edit the drawings there, not this file.")
    print('#include "env/tk/IconTable.h"')
    print()
    print("// clang-format off")
    print("const Icon ICONS[] = {")
    for name, draw in ICONS:
        c = Canvas()
        draw(c)
        data = base64.b64encode(c.png()).decode()
        print('    {"%s", %d, %d,' % (name, c.w, c.h))
        for k in range(0, len(data), 100):
            print('     "%s"' % data[k:k + 100])
        print("    },")
    print("};")
    print("// clang-format on")
    print("const size_t ICON_COUNT = sizeof ICONS / sizeof ICONS[0];")


if __name__ == "__main__":
    main()
