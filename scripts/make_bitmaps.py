#!/usr/bin/env python3
"""Draw the module's bitmap resources as 24-bit uncompressed Windows BMP files.

Usage: make_bitmaps.py OUTDIR

Writes OUTDIR/toolbox.bmp (16 x 15, the control's toolbox picture),
OUTDIR/empty_list.bmp (28 x 32, the page-with-plus picture painted in the
empty file list) and OUTDIR/icon_strip.bmp (256 x 16, the sixteen 16 x 16
file-type cells of the list's small-icon list), and for screens of high DPI
the last two drawn twice as large: OUTDIR/empty_list_large.bmp (56 x 64)
and OUTDIR/icon_strip_large.bmp (512 x 32, sixteen 32 x 32 cells).

Standard library only; the output is the same byte for byte on every run.
"""

import os
import struct
import sys

WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
BUTTON_GREY = (192, 192, 192)
LIGHT_GREY = (220, 220, 220)
MID_GREY = (150, 150, 150)
DARK_GREY = (80, 80, 80)
OUTLINE = (64, 64, 64)

# 3 x 5 capital letters ("#" marks a pixel); W is wider and used as a mark.
FONT = {
    "B": ["##.", "#.#", "##.", "#.#", "##."],
    "D": ["##.", "#.#", "#.#", "#.#", "##."],
    "F": ["###", "#..", "##.", "#..", "#.."],
    "G": [".##", "#..", "#.#", "#.#", ".##"],
    "I": ["###", ".#.", ".#.", ".#.", "###"],
    "J": ["..#", "..#", "..#", "#.#", ".#."],
    "M": ["#.#", "###", "###", "#.#", "#.#"],
    "N": ["##.", "#.#", "#.#", "#.#", "#.#"],
    "P": ["##.", "#.#", "##.", "#..", "#.."],
    "T": ["###", ".#.", ".#.", ".#.", ".#."],
    "Z": ["###", "..#", ".#.", "#..", "###"],
    "W": ["#...#", "#...#", "#.#.#", "#.#.#", ".#.#."],
}


class Canvas:
    """A small RGB picture with top-down coordinates (0, 0 is the top left).

    Shapes are drawn in coordinates of the picture's design; at scale 2 the
    same design comes out twice as large, each of its pixels a 2 x 2 block
    and discs drawn with the finer pixels."""

    def __init__(self, width, height, background=WHITE, scale=1):
        self.scale = scale
        self.width = width * scale
        self.height = height * scale
        self.pixels = [[background] * self.width for _ in range(self.height)]

    def set_device_pixel(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def set_pixel(self, x, y, colour):
        for dy in range(self.scale):
            for dx in range(self.scale):
                self.set_device_pixel(x * self.scale + dx, y * self.scale + dy, colour)

    def rect(self, x0, y0, x1, y1, colour):
        """Filled rectangle, both corners inclusive."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set_pixel(x, y, colour)

    def frame(self, x0, y0, x1, y1, colour):
        """Rectangle outline, both corners inclusive."""
        self.line(x0, y0, x1, y0, colour)
        self.line(x0, y1, x1, y1, colour)
        self.line(x0, y0, x0, y1, colour)
        self.line(x1, y0, x1, y1, colour)

    def line(self, x0, y0, x1, y1, colour):
        """Bresenham line, both ends inclusive."""
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx = 1 if x0 < x1 else -1
        sy = 1 if y0 < y1 else -1
        err = dx + dy
        while True:
            self.set_pixel(x0, y0, colour)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def circle(self, cx, cy, r, colour):
        """Filled disc; the centre may lie between pixels (x.5). Each fine
        pixel is tested at its centre, in design coordinates."""
        s = self.scale
        for y in range(int((cy - r - 1) * s), int((cy + r + 2) * s)):
            for x in range(int((cx - r - 1) * s), int((cx + r + 2) * s)):
                px = (x + 0.5) / s - 0.5
                py = (y + 0.5) / s - 0.5
                if (px - cx) ** 2 + (py - cy) ** 2 <= r * r:
                    self.set_device_pixel(x, y, colour)

    def pattern(self, x, y, rows, colour):
        """Draw a hand-made shape: each "#" in rows is one pixel."""
        for dy, row in enumerate(rows):
            for dx, ch in enumerate(row):
                if ch == "#":
                    self.set_pixel(x + dx, y + dy, colour)

    def text(self, x, y, string, colour):
        """Capital letters in the tiny font, one blank column between them."""
        for ch in string:
            glyph = FONT[ch]
            self.pattern(x, y, glyph, colour)
            x += len(glyph[0]) + 1

    def paste(self, other, x, y):
        """Another picture of the same scale, its top left at (x, y)."""
        for dy in range(other.height):
            for dx in range(other.width):
                self.set_device_pixel(x * self.scale + dx, y * self.scale + dy, other.pixels[dy][dx])

    def to_bmp(self):
        """24-bit BI_RGB file: bottom-up rows of B, G, R, each padded to 4 bytes."""
        stride = (self.width * 3 + 3) & ~3
        padding = b"\0" * (stride - self.width * 3)
        rows = []
        for row in reversed(self.pixels):
            rows.append(b"".join(bytes((b, g, r)) for (r, g, b) in row) + padding)
        image = b"".join(rows)
        offset = 14 + 40
        file_header = struct.pack("<2sIHHI", b"BM", offset + len(image), 0, 0, offset)
        info_header = struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 24,
                                  0, len(image), 2835, 2835, 0, 0)
        return file_header + info_header + image


# ---------------------------------------------------------------------------
# Shared shapes


def page(c, x0, y0, x1, y1, fold=3, outline=OUTLINE, paper=WHITE):
    """A sheet of paper with its top right corner folded down."""
    c.rect(x0, y0, x1, y1, paper)
    # Cut off the corner, then outline the sheet along the diagonal.
    for i in range(fold):
        for x in range(x1 - fold + 1 + i, x1 + 1):
            c.set_pixel(x, y0 + i, WHITE)
    c.line(x0, y0, x1 - fold, y0, outline)
    c.line(x1 - fold, y0, x1, y0 + fold, outline)
    c.line(x1, y0 + fold, x1, y1, outline)
    c.line(x0, y1, x1, y1, outline)
    c.line(x0, y0, x0, y1, outline)
    # The folded flap: a grey triangle under the diagonal.
    for i in range(1, fold):
        c.line(x1 - fold, y0 + i, x1 - fold + i - 1, y0 + i, LIGHT_GREY)
    c.line(x1 - fold, y0, x1 - fold, y0 + fold, outline)
    c.line(x1 - fold, y0 + fold, x1, y0 + fold, outline)


def label(c, text, fill):
    """A small rounded tag with three white letters."""
    border = tuple(v * 3 // 5 for v in fill)
    c.rect(0, 3, 14, 11, fill)
    c.frame(0, 3, 14, 11, border)
    for x, y in ((0, 3), (14, 3), (0, 11), (14, 11)):
        c.set_pixel(x, y, WHITE)
    c.text(2, 5, text, WHITE)


def paper_clip(c, dx=0, dy=0, wire=DARK_GREY):
    """An upright paper clip: a long outer loop with a shorter loop inside."""
    def seg(x0, y0, x1, y1):
        c.line(x0 + dx, y0 + dy, x1 + dx, y1 + dy, wire)
    seg(11, 3, 11, 11)   # right outer side, free end at the bottom
    seg(5, 1, 10, 1)     # top bend joining right and left
    c.set_pixel(4 + dx, 2 + dy, wire)
    c.set_pixel(11 + dx, 2 + dy, wire)
    seg(4, 3, 4, 13)     # left outer side
    seg(5, 14, 8, 14)    # bottom bend joining left and middle
    c.set_pixel(9 + dx, 13 + dy, wire)
    seg(9, 5, 9, 12)     # middle side
    seg(7, 3, 8, 3)      # inner top bend joining middle and inner
    c.set_pixel(6 + dx, 4 + dy, wire)
    c.set_pixel(9 + dx, 4 + dy, wire)
    seg(6, 5, 6, 10)     # inner side, free end


# ---------------------------------------------------------------------------
# Icon strip cells (16 x 16, white background)


def cell_label(text, fill):
    def draw(c):
        label(c, text, fill)
    return draw


def cell_presentation(c):
    """A slide on an easel showing a title bar and a bar chart, in orange."""
    orange, dark_orange = (232, 110, 30), (150, 60, 10)
    c.rect(1, 1, 14, 11, WHITE)
    c.frame(1, 1, 14, 11, dark_orange)
    c.rect(2, 2, 13, 3, orange)
    c.rect(4, 7, 5, 10, orange)
    c.rect(7, 5, 8, 10, dark_orange)
    c.rect(10, 8, 11, 10, orange)
    c.line(7, 12, 4, 15, DARK_GREY)
    c.line(8, 12, 11, 15, DARK_GREY)


def cell_word(c):
    """A page with blue text lines and a blue W badge at its lower left."""
    blue, dark_blue = (40, 90, 200), (20, 50, 130)
    page(c, 3, 0, 14, 15)
    for y in (3, 5, 7, 9, 11, 13):
        c.line(9 if y >= 7 else 5, y, 12 if y != 5 else 11, y, blue)
    c.rect(1, 6, 8, 13, blue)
    c.frame(1, 6, 8, 13, dark_blue)
    c.text(2, 8, "W", WHITE)


def cell_spreadsheet(c):
    """A sheet ruled into a green grid with a filled header row."""
    green, dark_green = (30, 140, 60), (15, 90, 35)
    c.rect(1, 2, 14, 13, WHITE)
    c.rect(1, 2, 14, 5, green)
    for x in (1, 5, 10, 14):
        c.line(x, 2, x, 13, dark_green)
    for y in (2, 5, 8, 11, 13):
        c.line(1, y, 14, y, dark_green)


def cell_pdf(c):
    """A page crossed by a red band reading PDF."""
    red, dark_red = (210, 30, 30), (130, 15, 15)
    page(c, 3, 0, 14, 15)
    for y in (3, 13):
        c.line(5, y, 10, y, MID_GREY)
    c.rect(0, 5, 14, 11, red)
    c.frame(0, 5, 14, 11, dark_red)
    c.text(2, 6, "PDF", WHITE)


def cell_text(c):
    """A plain page with grey lines of text."""
    page(c, 2, 0, 13, 15)
    for y, x1 in ((4, 9), (6, 11), (8, 11), (10, 10), (12, 11)):
        c.line(4, y, x1, y, MID_GREY)


def cell_paper_clip(c):
    paper_clip(c)


def cell_locked_clip(c):
    """A paper clip with a gold padlock hanging over its lower right."""
    gold, dark_gold = (235, 180, 30), (140, 100, 10)
    steel = (140, 140, 155)
    paper_clip(c, dx=-2)
    c.rect(6, 8, 15, 15, WHITE)          # white halo around the body
    for x in (8, 9, 13, 14):             # shackle, two pixels thick
        c.line(x, 5, x, 8, steel)
    c.rect(9, 3, 13, 4, steel)
    c.set_pixel(8, 4, steel)
    c.set_pixel(14, 4, steel)
    c.rect(7, 9, 15, 15, gold)           # body
    c.frame(7, 9, 15, 15, dark_gold)
    c.rect(10, 11, 12, 12, OUTLINE)      # keyhole
    c.line(11, 13, 11, 14, OUTLINE)


def cell_cloud(c):
    """A cloud above three networked computers."""
    sky, edge = (150, 200, 245), (40, 100, 190)
    node = (30, 120, 80)
    for cx, cy, r in ((4.5, 5, 2.6), (8, 3.5, 3.2), (11.5, 5, 2.6)):
        c.circle(cx, cy, r + 1, edge)
    c.rect(3, 5, 12, 8, edge)
    for cx, cy, r in ((4.5, 5, 2.6), (8, 3.5, 3.2), (11.5, 5, 2.6)):
        c.circle(cx, cy, r, sky)
    c.rect(3, 5, 12, 7, sky)
    c.line(7, 9, 7, 10, OUTLINE)
    c.line(1, 11, 13, 11, OUTLINE)
    for x in (1, 7, 13):
        c.rect(x - 1, 12, x + 1, 14, node)


def cell_hangul(c):
    """A page bearing the syllable han: hieut over ieung, a, and nieun below."""
    teal = (0, 110, 170)
    page(c, 1, 0, 14, 15)
    c.line(5, 2, 6, 2, teal)             # hieut: short top stroke
    c.line(3, 3, 8, 3, teal)             #        cross bar
    c.pattern(4, 4, [".##.", "#..#", "#..#", ".##."], teal)   # ring
    c.line(10, 2, 10, 9, teal)           # a: upright
    c.set_pixel(11, 5, teal)             #    short stroke to the right
    c.line(4, 10, 4, 13, teal)           # nieun: down
    c.line(4, 13, 12, 13, teal)          #        then across


CELLS = [
    cell_label("IMG", (130, 60, 170)),
    cell_label("GIF", (40, 150, 60)),
    cell_label("JPG", (225, 120, 20)),
    cell_label("PNG", (40, 100, 210)),
    cell_label("TIF", (0, 140, 140)),
    cell_label("BMP", (200, 45, 45)),
    cell_presentation,
    cell_word,
    cell_spreadsheet,
    cell_pdf,
    cell_text,
    cell_label("ZIP", (160, 115, 30)),
    cell_paper_clip,
    cell_locked_clip,
    cell_cloud,
    cell_hangul,
]


def icon_strip(scale=1):
    strip = Canvas(16 * len(CELLS), 16, scale=scale)
    for i, draw in enumerate(CELLS):
        cell = Canvas(16, 16, scale=scale)
        draw(cell)
        strip.paste(cell, 16 * i, 0)
    return strip


# ---------------------------------------------------------------------------
# Other pictures


def toolbox():
    """A small file list with a blue up arrow, on button grey."""
    c = Canvas(16, 15, BUTTON_GREY)
    c.rect(0, 1, 9, 13, WHITE)
    c.frame(0, 1, 9, 13, OUTLINE)
    for y in (3, 6, 9):
        c.rect(2, y, 3, y + 1, (40, 100, 210))
        c.line(5, y, 7, y, DARK_GREY)
        c.line(5, y + 1, 6, y + 1, MID_GREY)
    blue = (20, 70, 180)
    for i in range(3):                   # arrow head
        c.line(12 - i, 2 + i, 13 + i, 2 + i, blue)
    c.rect(12, 5, 13, 12, blue)          # arrow shaft
    return c


def empty_list(scale=1):
    """A blank page with a blue round plus sign at its lower right."""
    c = Canvas(28, 32, scale=scale)
    page(c, 2, 1, 21, 28, fold=6)
    c.circle(19.5, 23.5, 7.2, WHITE)     # a white ring parts the disc from the page
    c.circle(19.5, 23.5, 6.2, (30, 110, 220))
    c.rect(19, 20, 20, 27, WHITE)
    c.rect(16, 23, 23, 24, WHITE)
    return c


PICTURES = {
    "toolbox.bmp": toolbox,
    "empty_list.bmp": empty_list,
    "empty_list_large.bmp": lambda: empty_list(scale=2),
    "icon_strip.bmp": icon_strip,
    "icon_strip_large.bmp": lambda: icon_strip(scale=2),
}


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make_bitmaps.py OUTDIR\n")
        return 2
    outdir = argv[1]
    os.makedirs(outdir, exist_ok=True)
    for name, draw in PICTURES.items():
        with open(os.path.join(outdir, name), "wb") as f:
            f.write(draw().to_bmp())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
