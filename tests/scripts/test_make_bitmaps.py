"""Runs scripts/make_bitmaps.py and checks the bitmaps it writes."""

import os
import struct
import subprocess
import sys
import tempfile
import unittest

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)),
                      "..", "..", "scripts", "make_bitmaps.py")
WHITE = (255, 255, 255)


def read_bmp(path):
    """Parse a 24-bit bottom-up BMP; returns (header fields, top-down RGB rows)."""
    with open(path, "rb") as f:
        data = f.read()
    magic, file_size, _, _, offset = struct.unpack_from("<2sIHHI", data, 0)
    (info_size, width, height, planes, bpp, compression,
     image_size) = struct.unpack_from("<IiiHHII", data, 14)
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height):
        start = offset + (height - 1 - y) * stride
        row = data[start:start + width * 3]
        rows.append([(row[i + 2], row[i + 1], row[i]) for i in range(0, len(row), 3)])
    header = dict(magic=magic, file_size=file_size, offset=offset, info_size=info_size,
                  width=width, height=height, planes=planes, bpp=bpp,
                  compression=compression, image_size=image_size,
                  length=len(data), stride=stride)
    return header, rows


class MakeBitmapsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        subprocess.run([sys.executable, SCRIPT, cls.tmp.name], check=True)
        cls.bmp = {name: read_bmp(os.path.join(cls.tmp.name, name + ".bmp"))
                   for name in ("toolbox", "empty_list", "icon_strip", "empty_list_large", "icon_strip_large")}

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_headers(self):
        sizes = {"toolbox": (16, 15), "empty_list": (28, 32), "icon_strip": (256, 16),
                 "empty_list_large": (56, 64), "icon_strip_large": (512, 32)}
        for name, (width, height) in sizes.items():
            h, _ = self.bmp[name]
            with self.subTest(name):
                self.assertEqual(h["magic"], b"BM")
                self.assertEqual((h["width"], h["height"]), (width, height))
                self.assertEqual((h["info_size"], h["planes"], h["bpp"], h["compression"]),
                                 (40, 1, 24, 0))
                expected = h["offset"] + h["stride"] * height
                self.assertEqual(h["offset"], 54)
                self.assertEqual(h["file_size"], expected)
                self.assertEqual(h["length"], expected)

    def test_toolbox_background_is_button_grey(self):
        self.assertEqual(self.bmp["toolbox"][1][0][0], (192, 192, 192))

    def test_icon_cells_are_white_cornered_and_all_different(self):
        rows = self.bmp["icon_strip"][1]
        cells = [tuple(tuple(row[16 * i:16 * i + 16]) for row in rows) for i in range(16)]
        for i, cell in enumerate(cells):
            self.assertEqual(cell[0][0], WHITE, "cell %d" % i)
            self.assertNotEqual(set(p for row in cell for p in row), {WHITE}, "cell %d" % i)
        for i in range(16):
            for j in range(i + 1, 16):
                self.assertTrue(cells[i] != cells[j], "cells %d and %d are identical" % (i, j))

    def test_large_pictures_are_the_small_ones_drawn_twice_as_large(self):
        # Each pixel of the design becomes a 2 x 2 block; only the rims of
        # discs, drawn with the finer pixels, may differ.
        for name in ("icon_strip", "empty_list"):
            small, large = self.bmp[name][1], self.bmp[name + "_large"][1]
            blocks = [(x, y) for y in range(len(small)) for x in range(len(small[0]))]
            same = sum(all(large[2 * y + dy][2 * x + dx] == small[y][x] for dx in (0, 1) for dy in (0, 1))
                       for x, y in blocks)
            with self.subTest(name):
                self.assertGreater(same / len(blocks), 0.95)

    def test_empty_list_page_is_drawn(self):
        rows = self.bmp["empty_list"][1]
        self.assertEqual(rows[0][0], WHITE)
        self.assertTrue(any(p != WHITE for row in rows for p in row))


if __name__ == "__main__":
    unittest.main()
