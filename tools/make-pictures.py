#!/usr/bin/env python3
"""Draws the program's pictures as small PNG files in src/resources.

Only the standard library is used (zlib for the PNG data). Run it from any
folder; it writes the files next to src/resources/Pictures.h, whose table
names them with their sizes:

  sigpatch-icon.png  32 x 32  the program icon: a shield with a patch
  pin-unpinned.png   16 x 11  the main window's pin, lying loose
  pin-pinned.png     12 x 12  the pin pushed in, seen from above
  logo.png          193 x 48  "SIGPATCH" beside a small shield
  link-pointer.png   32 x 32  a pointing hand, the pointer over the link

and the Windows program icon, the shield drawn at the sizes Windows asks for:

  sigpatch.ico       16, 32 and 48 pixels, 32-bit colour with an alpha channel
"""

import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "src", "resources")

CLEAR = (0, 0, 0, 0)
BLACK = (0, 0, 0, 255)
WHITE = (255, 255, 255, 255)
NAVY = (24, 58, 130, 255)
BLUE = (52, 110, 205, 255)
SKY = (120, 170, 235, 255)
RED = (200, 30, 30, 255)
DARKRED = (120, 10, 10, 255)
PINK = (245, 120, 120, 255)
GREY = (128, 128, 128, 255)
SILVER = (200, 200, 200, 255)
BEIGE = (236, 206, 160, 255)
SHADOW = (0, 0, 0, 70)


class Canvas:
    def __init__(self, width, height):
        self.width = width
        self.height = height
        self.pixels = [[CLEAR] * width for _ in range(height)]

    def put(self, x, y, color):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = color

    def rect(self, x0, y0, x1, y1, color):
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.put(x, y, color)

    def art(self, x0, y0, rows, palette):
        """Paints rows of characters; each character names a colour, "." none."""
        for dy, row in enumerate(rows):
            for dx, ch in enumerate(row):
                if ch != ".":
                    self.put(x0 + dx, y0 + dy, palette[ch])

    def png(self):
        raw = b"".join(
            b"\x00" + b"".join(struct.pack("BBBB", *p) for p in row) for row in self.pixels
        )

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 6, 0, 0, 0)
        return (
            b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b"")
        )


    def ico_image(self):
        """The picture as an icon image: a bottom-up 32-bit BGRA bitmap and its
        1-bit transparency mask, for every version of Windows."""
        header = struct.pack("<IiiHHIIiiII", 40, self.width, self.height * 2, 1, 32, 0,
                             0, 0, 0, 0, 0)
        colours = b"".join(
            struct.pack("BBBB", b, g, r, a)
            for row in reversed(self.pixels) for (r, g, b, a) in row
        )
        stride = (self.width + 31) // 32 * 4
        mask = b""
        for row in reversed(self.pixels):
            bits = bytearray(stride)
            for x, (_, _, _, a) in enumerate(row):
                if a == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bytes(bits)
        return header + colours + mask


def ico(canvases):
    """An .ico file holding one image a canvas."""
    images = [canvas.ico_image() for canvas in canvases]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for canvas, image in zip(canvases, images):
        out += struct.pack("<BBBBHHII", canvas.width % 256, canvas.height % 256, 0, 0, 1, 32,
                           len(image), offset)
        offset += len(image)
    return out + b"".join(images)


def shield(canvas, x0, y0, size):
    """A shield: flat top, sides that curve to a point, a patch across it."""
    for y in range(size):
        t = y / (size - 1)
        half = (size / 2 - 1) * (1.0 if t < 0.45 else math.cos((t - 0.45) / 0.55 * math.pi / 2))
        left = round(size / 2 - half)
        right = round(size / 2 + half)
        for x in range(left, right):
            edge = x in (left, right - 1) or y == 0 or y == size - 1
            canvas.put(x0 + x, y0 + y, NAVY if edge else (BLUE if x < size / 2 else SKY))
    # The patch: a beige plaster laid across the shield, with a pad of dots.
    cx = x0 + size / 2
    cy = y0 + size * 0.45
    length = size * 0.42
    width = size * 0.13
    for y in range(y0, y0 + size):
        for x in range(x0, x0 + size):
            along = ((x + 0.5 - cx) - (y + 0.5 - cy)) / math.sqrt(2)
            across = ((x + 0.5 - cx) + (y + 0.5 - cy)) / math.sqrt(2)
            if abs(along) <= length and abs(across) <= width:
                pad = abs(along) <= length * 0.35
                dot = pad and (x + y) % 3 == 0
                canvas.put(x, y, GREY if dot else (SILVER if pad else BEIGE))


def icon():
    canvas = Canvas(32, 32)
    shield(canvas, 2, 1, 29)
    return canvas


def icon_of_size(size):
    """The program icon at another size, the shield in the same proportion."""
    if size == 32:
        return icon()
    canvas = Canvas(size, size)
    margin = round(size / 16)
    shield(canvas, margin, max(margin // 2, 0) if size > 16 else 0, size - 2 * margin + 1)
    return canvas


def pin_unpinned():
    canvas = Canvas(16, 11)
    canvas.art(0, 0, [
        "........RRR.....",
        ".......RPPRR....",
        "......RPPRRR....",
        "..KKKKRRRRRRR...",
        ".......RRRRRR...",
        "......RRRRRR....",
        ".......RRRR.....",
        "................",
        ".........SS.....",
        "........SSSS....",
        "................",
    ], {"R": RED, "P": PINK, "K": GREY, "S": SHADOW})
    return canvas


def pin_pinned():
    canvas = Canvas(12, 12)
    canvas.art(0, 0, [
        "....DDDD....",
        "..DDRRRRDD..",
        ".DRRPPRRRRD.",
        ".DRPPRRRRRD.",
        "DRRPRRRRRRRD",
        "DRRRRRRRRRRD",
        "DRRRRRRRRRRD",
        "DRRRRRRRRRRD",
        ".DRRRRRRRRD.",
        ".DRRRRRRRRD.",
        "..DDRRRRDDS.",
        "....DDDDSS..",
    ], {"R": RED, "P": PINK, "D": DARKRED, "S": SHADOW})
    return canvas


# A 5 x 7 pixel font for the letters of the logo.
GLYPHS = {
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    "I": ["11111", "00100", "00100", "00100", "00100", "00100", "11111"],
    "G": ["01111", "10000", "10000", "10011", "10001", "10001", "01111"],
    "P": ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "C": ["01111", "10000", "10000", "10000", "10000", "10000", "01111"],
    "H": ["10001", "10001", "10001", "11111", "10001", "10001", "10001"],
}


def logo():
    canvas = Canvas(193, 48)
    shield(canvas, 4, 4, 40)
    x = 52
    scale = 4
    for letter in "SIGPATCH":
        for gy, row in enumerate(GLYPHS[letter]):
            for gx, bit in enumerate(row):
                if bit == "1":
                    canvas.rect(x + gx * 3, 10 + gy * scale, x + gx * 3 + 3,
                                10 + gy * scale + scale, NAVY)
        x += 17
    canvas.rect(52, 42, 52 + 17 * 8 - 2, 44, BLUE)
    return canvas


def link_pointer():
    canvas = Canvas(32, 32)
    canvas.art(6, 0, [
        ".....KK..........",
        "....KWWK.........",
        "....KWWK.........",
        "....KWWK.........",
        "....KWWK.........",
        "....KWWKKK.......",
        "....KWWKWWKKK....",
        "....KWWKWWKWWKK..",
        "KKK.KWWKWWKWWKWK.",
        "KWWKKWWWWWWWWKWWK",
        "KWWWKWWWWWWWWWWWK",
        ".KWWWWWWWWWWWWWWK",
        "..KWWWWWWWWWWWWWK",
        "..KWWWWWWWWWWWWWK",
        "...KWWWWWWWWWWWK.",
        "...KWWWWWWWWWWWK.",
        "....KWWWWWWWWWK..",
        "....KWWWWWWWWWK..",
        "....KKKKKKKKKKK..",
    ], {"K": BLACK, "W": WHITE})
    return canvas


def main():
    pictures = {
        "sigpatch-icon.png": icon(),
        "pin-unpinned.png": pin_unpinned(),
        "pin-pinned.png": pin_pinned(),
        "logo.png": logo(),
        "link-pointer.png": link_pointer(),
    }
    for name, canvas in pictures.items():
        with open(os.path.join(OUT, name), "wb") as out:
            out.write(canvas.png())
        print(f"{name}: {canvas.width} x {canvas.height}")
    sizes = [16, 32, 48]
    with open(os.path.join(OUT, "sigpatch.ico"), "wb") as out:
        out.write(ico([icon_of_size(size) for size in sizes]))
    print("sigpatch.ico: " + ", ".join(f"{size} x {size}" for size in sizes))


if __name__ == "__main__":
    main()
