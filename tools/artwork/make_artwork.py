#!/usr/bin/env python3
"""Draws Frixa's window and button pictures and its icon, and writes them as BMP and ICO files.

Standard library only and fully deterministic: the same script writes the same bytes, so the
committed files under resources/artwork can be checked against it (--check).

    tools/artwork/make_artwork.py [--out resources/artwork] [--check]
"""
import argparse
import math
import os
import struct
import sys

# ---- colours ---------------------------------------------------------------------------------
# The 16 colours of the classic VGA palette, used by the 16-colour button pictures.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER, GREY, RED, LIME, YELLOW, BLUE, KEY, \
    AQUA, WHITE = VGA16
# Magenta is never drawn: the program replaces it with the button face colour when it loads
# a button picture, so the pictures sit on the button without a box around them.


class Canvas:
    """An RGB raster with the few drawing operations the pictures need."""

    def __init__(self, width, height, fill=KEY):
        self.w, self.h = width, height
        self.px = [[fill] * width for _ in range(height)]

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        """Filled, both corners inclusive."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        self.rect(x0, y0, x1, y0, c)
        self.rect(x0, y1, x1, y1, c)
        self.rect(x0, y0, x0, y1, c)
        self.rect(x1, y0, x1, y1, c)

    def disc(self, cx, cy, r, c):
        for y in range(int(cy - r) - 1, int(cy + r) + 2):
            for x in range(int(cx - r) - 1, int(cx + r) + 2):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                    self.put(x, y, c)

    def ring(self, cx, cy, r_out, r_in, c):
        for y in range(int(cy - r_out) - 1, int(cy + r_out) + 2):
            for x in range(int(cx - r_out) - 1, int(cx + r_out) + 2):
                d = (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2
                if r_in * r_in <= d <= r_out * r_out:
                    self.put(x, y, c)

    def line(self, x0, y0, x1, y1, c, width=1.0):
        steps = int(max(abs(x1 - x0), abs(y1 - y0)) * 2) + 1
        for i in range(steps + 1):
            t = i / steps
            x, y = x0 + (x1 - x0) * t, y0 + (y1 - y0) * t
            if width <= 1:
                self.put(int(round(x)), int(round(y)), c)
            else:
                self.disc(x + 0.5, y + 0.5, width / 2, c)

    def polygon(self, pts, c):
        """Even-odd fill of a closed polygon given in pixel-centre coordinates."""
        ys = [p[1] for p in pts]
        for y in range(int(min(ys)), int(max(ys)) + 1):
            yc = y + 0.5
            xs = []
            for (xa, ya), (xb, yb) in zip(pts, pts[1:] + pts[:1]):
                if (ya <= yc < yb) or (yb <= yc < ya):
                    xs.append(xa + (yc - ya) * (xb - xa) / (yb - ya))
            xs.sort()
            for a, b in zip(xs[::2], xs[1::2]):
                for x in range(int(math.ceil(a - 0.5)), int(math.floor(b - 0.5)) + 1):
                    self.put(x, y, c)

    def text(self, x, y, s, c, scale=1):
        for ch in s:
            rows = FONT[ch]
            for ry, row in enumerate(rows):
                for rx, bit in enumerate(row):
                    if bit == '#':
                        self.rect(x + rx * scale, y + ry * scale, x + rx * scale + scale - 1,
                                  y + ry * scale + scale - 1, c)
            x += (len(rows[0]) + 1) * scale


# A 5 x 7 pixel font for the few letters the pictures carry.
FONT = {
    'F': ["#####", "#....", "#....", "####.", "#....", "#....", "#...."],
    'R': ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    'I': ["###", ".#.", ".#.", ".#.", ".#.", ".#.", "###"],
    'X': ["#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"],
    'A': [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    '?': [".###.", "#...#", "....#", "..##.", "..#..", ".....", "..#.."],
}


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


# ---- file formats ----------------------------------------------------------------------------
def palette_of(canvas, fixed=None, limit=256):
    if fixed is not None:
        return list(fixed)
    colours = sorted({c for row in canvas.px for c in row})
    if len(colours) > limit:
        raise SystemExit("%d colours, more than %d" % (len(colours), limit))
    return colours


def pixel_rows(canvas, bits, palette):
    """The pixel array bottom-up, each row padded to 4 bytes."""
    index = {c: i for i, c in enumerate(palette)}
    out = bytearray()
    for row in reversed(canvas.px):
        if bits == 24:
            data = bytearray()
            for r, g, b in row:
                data += bytes((b, g, r))
        elif bits == 8:
            data = bytearray(index[c] for c in row)
        else:  # 4
            nib = [index[c] for c in row] + [0]
            data = bytearray((nib[i] << 4) | nib[i + 1] for i in range(0, canvas.w, 2))
        data += b"\0" * (-len(data) % 4)
        out += data
    return bytes(out)


def info_header(w, h, bits, colours, image_size):
    return struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, 0, image_size, 2835, 2835, colours, 0)


def palette_bytes(palette, size):
    table = bytearray()
    for r, g, b in palette + [(0, 0, 0)] * (size - len(palette)):
        table += bytes((b, g, r, 0))
    return bytes(table)


def bmp(canvas, bits, fixed_palette=None):
    palette = [] if bits == 24 else palette_of(canvas, fixed_palette, 1 << bits)
    used = len(palette)
    pixels = pixel_rows(canvas, bits, palette)
    table = palette_bytes(palette, used) if bits != 24 else b""
    offset = 14 + 40 + len(table)
    head = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return head + info_header(canvas.w, canvas.h, bits, used, len(pixels)) + table + pixels


def ico(images):
    """images: list of (canvas, bits, fixed palette or None); KEY pixels are transparent."""
    entries, blobs = [], []
    for canvas, bits, fixed in images:
        # Under the mask the colour part must be black: the platform XORs it onto the screen.
        colour = Canvas(canvas.w, canvas.h)
        colour.px = [[BLACK if p == KEY else p for p in row] for row in canvas.px]
        palette = palette_of(colour, fixed, 1 << bits)
        size = 1 << bits
        xor = pixel_rows(colour, bits, palette)
        mask = bytearray()
        for row in reversed(canvas.px):
            bitsrow = bytearray((canvas.w + 7) // 8)
            for x, c in enumerate(row):
                if c == KEY:
                    bitsrow[x // 8] |= 0x80 >> (x % 8)
            bitsrow += b"\0" * (-len(bitsrow) % 4)
            mask += bitsrow
        blob = (info_header(canvas.w, canvas.h * 2, bits, 0, len(xor) + len(mask)) +
                palette_bytes(palette, size) + xor + bytes(mask))
        blobs.append(blob)
        entries.append((canvas.w, canvas.h, 16 if bits == 4 else 0, bits, len(blob)))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (w, h, ncol, bits, n), blob in zip(entries, blobs):
        out += struct.pack("<BBBBHHII", w % 256, h % 256, ncol, 0, 1, bits, n, offset)
        offset += n
    return out + b"".join(blobs)


# ---- the pictures ----------------------------------------------------------------------------
def background():
    """800 x 600, 256 colours: a cool brushed-steel gradient, lighter at the top."""
    top, bottom = (226, 232, 240), (170, 184, 202)
    c = Canvas(800, 600)
    levels = 72
    for y in range(600):
        base = mix(top, bottom, round(y / 599 * (levels - 1)) / (levels - 1))
        for x in range(800):
            # Fine horizontal brushing: a fixed pseudo-random streak pattern, three shades.
            h = ((x * 7 + (y // 2) * 131) ^ (y * 2654435761 >> 7)) & 0xFF
            d = 3 if h < 40 else (-3 if h > 215 else 0)
            c.px[y][x] = tuple(max(0, min(255, v + d)) for v in base)
    return c


def logo():
    """104 x 28, 256 colours: the FRIXA word mark beside a coast-down curve."""
    c = Canvas(104, 28, (24, 44, 82))
    for y in range(28):  # a gentle top-lit band
        for x in range(104):
            c.px[y][x] = mix((44, 72, 122), (18, 32, 64), y / 27)
    c.frame(0, 0, 103, 27, (130, 150, 185))
    # The rundown: speed falling away over time.
    prev = None
    for x in range(5, 29):
        y = 5 + 17 * (1 - math.exp(-(x - 5) / 9.0)) / (1 - math.exp(-24 / 9.0))
        if prev:
            c.line(prev[0], prev[1], x, y, (235, 70, 60), 2.0)
        prev = (x, y)
    c.rect(4, 23, 29, 23, (170, 185, 210))
    c.rect(4, 4, 4, 23, (170, 185, 210))
    c.text(36, 7, "FRIXA", (20, 28, 48), 2)   # shadow
    c.text(35, 6, "FRIXA", (245, 247, 252), 2)
    return c


def quit_picture():
    """30 x 30, true colour: leaving through a door."""
    c = Canvas(30, 30)
    for y in range(3, 27):  # door leaf, shaded from its hinge
        for x in range(14, 26):
            c.put(x, y, mix((150, 96, 52), (96, 58, 28), (x - 14) / 11))
    c.frame(13, 2, 26, 27, (60, 38, 20))
    c.disc(16.5, 15.5, 1.2, (235, 200, 90))  # handle
    c.polygon([(2, 15), (10, 7), (10, 12), (19, 12), (19, 18), (10, 18), (10, 23)],
              (40, 150, 60))
    c.line(2, 15, 10, 7, (20, 95, 35))
    c.line(2, 15, 10, 23, (20, 95, 35))
    return c


def page(c, x0, y0, w, h):
    """A sheet of paper with a folded corner."""
    fold = max(3, w // 4)
    c.polygon([(x0, y0), (x0 + w - fold, y0), (x0 + w, y0 + fold), (x0 + w, y0 + h),
               (x0, y0 + h)], WHITE)
    c.line(x0, y0, x0 + w - fold, y0, BLACK)
    c.line(x0 + w - fold, y0, x0 + w, y0 + fold, BLACK)
    c.line(x0 + w, y0 + fold, x0 + w, y0 + h, BLACK)
    c.line(x0, y0 + h, x0 + w, y0 + h, BLACK)
    c.line(x0, y0, x0, y0 + h, BLACK)
    c.line(x0 + w - fold, y0, x0 + w - fold, y0 + fold, GREY)
    c.line(x0 + w - fold, y0 + fold, x0 + w, y0 + fold, GREY)


def ruled(c, x0, y0, w, rows):
    for i in range(rows):
        c.rect(x0, y0 + 3 * i, x0 + w, y0 + 3 * i, NAVY if i == 0 else GREY)


def show_frixa_picture():
    """32 x 32, 16 colours: a folder under a magnifying glass."""
    c = Canvas(32, 32)
    c.polygon([(2, 8), (10, 8), (12, 10), (26, 10), (26, 26), (2, 26)], OLIVE)
    c.rect(3, 12, 25, 25, YELLOW)
    c.frame(2, 11, 26, 26, OLIVE)
    c.disc(18.5, 16.5, 6.2, WHITE)
    c.ring(18.5, 16.5, 7.2, 5.2, NAVY)
    c.line(23, 21, 29, 28, BLACK, 3.0)
    c.line(16, 13, 15, 16, AQUA, 1)
    return c


def go_picture():
    """64 x 32, 16 colours: a loss curve turned into a calibration file."""
    c = Canvas(64, 32)
    c.rect(2, 4, 25, 27, WHITE)
    c.frame(2, 4, 25, 27, BLACK)
    c.rect(5, 7, 5, 24, GREY)
    c.rect(5, 24, 23, 24, GREY)
    for x in range(6, 23):
        y = 22 - 13 * math.exp(-(x - 6) / 6.0)
        c.line(x, y, x + 1, 22 - 13 * math.exp(-(x - 5) / 6.0), RED, 2.0)
    c.polygon([(29, 13), (37, 13), (37, 9), (44, 16), (37, 23), (37, 19), (29, 19)], GREEN)
    page(c, 46, 4, 15, 23)
    ruled(c, 49, 10, 9, 5)
    c.rect(55, 20, 58, 23, RED)
    return c


def apply_picture():
    """32 x 32, 16 colours: a calibration file going to the dynamometer."""
    c = Canvas(32, 32)
    page(c, 2, 2, 15, 20)
    ruled(c, 5, 8, 9, 4)
    c.disc(22.5, 22.5, 8.2, GREY)
    c.disc(22.5, 22.5, 6.5, SILVER)
    c.disc(22.5, 22.5, 2.2, BLACK)
    for a in range(0, 360, 60):
        r = math.radians(a)
        c.line(22.5 + 2.5 * math.cos(r), 22.5 + 2.5 * math.sin(r), 22.5 + 6 * math.cos(r),
               22.5 + 6 * math.sin(r), GREY)
    c.polygon([(8, 24), (14, 24), (14, 21), (19, 26), (14, 31), (14, 28), (8, 28)], GREEN)
    return c


def delete_picture():
    """32 x 32, 16 colours: the host loss file struck out."""
    c = Canvas(32, 32)
    page(c, 6, 2, 18, 26)
    ruled(c, 9, 9, 12, 5)
    c.line(10, 12, 27, 29, RED, 3.2)
    c.line(27, 12, 10, 29, RED, 3.2)
    return c


def help_picture(size):
    """size x size, 16 colours: a question mark on a blue disc."""
    c = Canvas(size, size)
    m = size / 2
    c.disc(m, m, m - 0.6, NAVY)
    c.disc(m - size / 32, m - size / 32, m - 1.8 * size / 16, BLUE)
    scale = 3 if size >= 32 else 1
    glyph_w, glyph_h = 5 * scale, 7 * scale
    c.text(int(m - glyph_w / 2), int(m - glyph_h / 2), "?", WHITE, scale)
    return c


def frixa_icon():
    """32 x 32, 256 colours: the dynamometer's roller with a rundown curve across it."""
    c = Canvas(32, 32)
    for y in range(32):
        for x in range(32):
            d = math.hypot(x + 0.5 - 16, y + 0.5 - 16)
            if d <= 15:
                shade = (x + y) / 62
                c.px[y][x] = mix((120, 150, 195), (34, 52, 96), shade)
            if 12.5 <= d <= 15:
                c.px[y][x] = mix((200, 210, 228), (60, 72, 100), (x + y) / 62)
    c.disc(16, 16, 3.2, (26, 30, 40))
    c.disc(16, 16, 1.4, (200, 205, 215))
    prev = None
    for x in range(4, 29):
        y = 8 + 16 * (1 - math.exp(-(x - 4) / 7.0)) / (1 - math.exp(-24 / 7.0))
        if prev:
            c.line(prev[0], prev[1], x, y, (236, 64, 52), 2.4)
        prev = (x, y)
    return c


# ---- output ----------------------------------------------------------------------------------
def files():
    fixed16 = VGA16
    return {
        "background.bmp": bmp(background(), 8),
        "logo.bmp": bmp(logo(), 8),
        "quit.bmp": bmp(quit_picture(), 24),
        "show_frixa.bmp": bmp(show_frixa_picture(), 4, fixed16),
        "go.bmp": bmp(go_picture(), 4, fixed16),
        "apply.bmp": bmp(apply_picture(), 4, fixed16),
        "delete005.bmp": bmp(delete_picture(), 4, fixed16),
        "help.ico": ico([(help_picture(32), 4, fixed16), (help_picture(16), 4, fixed16)]),
        "Frixa.ICO": ico([(frixa_icon(), 8, None)]),
    }


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=os.path.join(here, "..", "..", "resources", "artwork"))
    parser.add_argument("--check", action="store_true", help="compare instead of writing")
    args = parser.parse_args()
    stale = []
    for name, data in files().items():
        path = os.path.join(args.out, name)
        if args.check:
            try:
                with open(path, "rb") as f:
                    if f.read() != data:
                        stale.append(name)
            except OSError:
                stale.append(name)
        else:
            os.makedirs(args.out, exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)
    if stale:
        print("out of date: " + ", ".join(stale))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
