#!/usr/bin/env python3
"""Draws the setup program's artwork and the distribution's icons.

Writes, byte for byte the same on every run:
  dist/res/checker.bmp     bitmap 2: 4 by 4 grey checkerboard (empty progress cells)
  dist/res/logo_large.bmp  bitmap 200: 230 by 210, 16 colours, TEV logo and telephone
  dist/res/logo_small.bmp  bitmap 201: 200 by 180, the same picture smaller
  dist/res/setup.ico       icon 1 of setup.exe
  dist/icons/inst_*.ico    the Start-menu icons: a document and four flags

Everything is drawn from shapes (polygons, ellipses, rectangles) sampled at pixel
centres into the standard Windows 16-colour palette; no fonts, no image library.

  python3 scripts/make_art.py           rewrite the files
  python3 scripts/make_art.py --check   verify the committed files: they parse
                                        and equal what this script draws
"""

import math
import os
import struct
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# The standard Windows 16-colour palette, in its usual order.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)


# ---------------------------------------------------------------------------
# Shapes: functions of a point that say whether it lies inside.

def polygon(points):
    """Even-odd polygon."""
    pts = list(points)

    def inside(x, y):
        hit = False
        j = len(pts) - 1
        for i in range(len(pts)):
            xi, yi = pts[i]
            xj, yj = pts[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                hit = not hit
            j = i
        return hit
    xs = [p[0] for p in pts]
    ys = [p[1] for p in pts]
    inside.box = (min(xs), min(ys), max(xs), max(ys))
    return inside


def rect(x0, y0, x1, y1):
    def inside(x, y):
        return x0 <= x < x1 and y0 <= y < y1
    inside.box = (x0, y0, x1, y1)
    return inside


def ellipse(cx, cy, rx, ry):
    def inside(x, y):
        dx = (x - cx) / rx
        dy = (y - cy) / ry
        return dx * dx + dy * dy <= 1.0
    inside.box = (cx - rx, cy - ry, cx + rx, cy + ry)
    return inside


def round_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    inside.box = (x0, y0, x1, y1)
    return inside


def union(*shapes):
    def inside(x, y):
        return any(s(x, y) for s in shapes)
    inside.box = (min(s.box[0] for s in shapes), min(s.box[1] for s in shapes),
                  max(s.box[2] for s in shapes), max(s.box[3] for s in shapes))
    return inside


def minus(shape, hole):
    def inside(x, y):
        return shape(x, y) and not hole(x, y)
    inside.box = shape.box
    return inside


def clip(shape, window):
    def inside(x, y):
        return shape(x, y) and window(x, y)
    inside.box = shape.box
    return inside


def moved(shape, dx, dy):
    def inside(x, y):
        return shape(x - dx, y - dy)
    b = shape.box
    inside.box = (b[0] + dx, b[1] + dy, b[2] + dx, b[3] + dy)
    return inside


def thick_line(x0, y0, x1, y1, w):
    """A bar of width w from one point to another."""
    length = math.hypot(x1 - x0, y1 - y0)
    nx, ny = -(y1 - y0) / length * w / 2, (x1 - x0) / length * w / 2
    return polygon([(x0 + nx, y0 + ny), (x1 + nx, y1 + ny),
                    (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)])


# ---------------------------------------------------------------------------
# A picture in palette indices; None is transparent (icons only).

class Canvas:
    def __init__(self, width, height, background):
        self.width = width
        self.height = height
        self.pixels = [[background] * width for _ in range(height)]

    def fill(self, shape, colour):
        x0, y0, x1, y1 = shape.box
        for y in range(max(0, int(math.floor(y0))), min(self.height, int(math.ceil(y1)) + 1)):
            row = self.pixels[y]
            for x in range(max(0, int(math.floor(x0))), min(self.width, int(math.ceil(x1)) + 1)):
                if shape(x + 0.5, y + 0.5):
                    row[x] = colour

    def bevel(self, shape, face, light, dark, d=1):
        """A raised shape: light rim at the top left, dark rim at the bottom right."""
        self.fill(moved(shape, -d, -d), light)
        self.fill(moved(shape, d, d), dark)
        self.fill(shape, face)

    def outline(self, colour):
        """Draws a 1-pixel outline round every opaque area (icons)."""
        grid = [row[:] for row in self.pixels]
        for y in range(self.height):
            for x in range(self.width):
                if grid[y][x] is not None:
                    continue
                for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                    u, v = x + dx, y + dy
                    if 0 <= u < self.width and 0 <= v < self.height and grid[v][u] is not None:
                        self.pixels[y][x] = colour
                        break


# ---------------------------------------------------------------------------
# File formats.

def dib_4bit(canvas, height_factor=1):
    """BITMAPINFOHEADER, 16-colour palette and bottom-up 4-bit rows."""
    w, h = canvas.width, canvas.height
    stride = ((w * 4 + 31) // 32) * 4
    rows = []
    for y in range(h - 1, -1, -1):
        line = bytearray(stride)
        for x in range(w):
            c = canvas.pixels[y][x]
            c = 0 if c is None else c
            if x % 2 == 0:
                line[x // 2] |= c << 4
            else:
                line[x // 2] |= c
        rows.append(bytes(line))
    bits = b"".join(rows)
    header = struct.pack("<IiiHHIIiiII", 40, w, h * height_factor, 1, 4, 0,
                         len(bits) if height_factor == 1 else 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + bits


def bmp_file(canvas):
    dib = dib_4bit(canvas)
    offset = 14 + 40 + 16 * 4
    return struct.pack("<2sIHHI", b"BM", 14 + len(dib), 0, 0, offset) + dib


def and_mask(canvas):
    """1 bit per pixel, bottom-up, set where the icon is transparent."""
    w, h = canvas.width, canvas.height
    stride = ((w + 31) // 32) * 4
    out = bytearray()
    for y in range(h - 1, -1, -1):
        line = bytearray(stride)
        for x in range(w):
            if canvas.pixels[y][x] is None:
                line[x // 8] |= 0x80 >> (x % 8)
        out += line
    return bytes(out)


def ico_file(canvases):
    images = [dib_4bit(c, height_factor=2) + and_mask(c) for c in canvases]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for c, data in zip(canvases, images):
        out += struct.pack("<BBBBHHII", c.width % 256, c.height % 256, 16, 0, 1, 4,
                           len(data), offset)
        offset += len(data)
    return out + b"".join(images)


# ---------------------------------------------------------------------------
# The logo: "TEV" in bold slanted block letters beside a red desk telephone.

def letters(x, y, h, slant):
    """The three letters with their top left at (x, y), h high, slanted to the right
    by `slant` per unit of height; drawn on a grid 60 units high."""
    s = h / 60.0

    def shear(points):
        return polygon([(x + px * s + (h - py * s) * slant, y + py * s) for px, py in points])
    # T
    t = union(shear([(0, 0), (40, 0), (40, 15), (0, 15)]),
              shear([(12.5, 0), (27.5, 0), (27.5, 60), (12.5, 60)]))
    # E
    ex = 45
    e = union(shear([(ex, 0), (ex + 34, 0), (ex + 34, 14), (ex, 14)]),
              shear([(ex, 0), (ex + 15, 0), (ex + 15, 60), (ex, 60)]),
              shear([(ex, 23), (ex + 29, 23), (ex + 29, 36), (ex, 36)]),
              shear([(ex, 46), (ex + 34, 46), (ex + 34, 60), (ex, 60)]))
    # V
    vx = 84
    v = shear([(vx, 0), (vx + 15, 0), (vx + 22, 42), (vx + 29, 0), (vx + 44, 0),
               (vx + 30, 60), (vx + 14, 60)])
    return union(t, e, v)


# The layout of the large picture; the small one is the same, scaled.
LETTER_TOP, PHONE_LEFT, PHONE_TOP, PHONE_SIZE = 30, 120, 84, 106


def draw_logo(c, scale):
    def P(v):
        return v * scale

    # The letters, extruded towards the bottom right.
    word = letters(P(4), P(LETTER_TOP), P(60), 0.2)
    for d in range(4, 0, -1):
        c.fill(moved(word, P(d * 0.9), P(d * 0.9)), BLACK)
    c.fill(moved(word, -1, -1), BLUE)
    c.fill(word, NAVY)
    # A red underline.
    u = LETTER_TOP + 70
    bar = polygon([(P(4), P(u)), (P(112), P(u)), (P(108), P(u + 6)), (P(0), P(u + 6))])
    c.fill(moved(bar, P(2), P(2)), GREY)
    c.fill(bar, RED)

    draw_cord(c, scale)
    draw_telephone(c, P(PHONE_LEFT), P(PHONE_TOP), P(PHONE_SIZE))


def draw_cord(c, scale):
    """A coiled cord from the telephone's left side out to the bottom left."""
    def path(t):
        # A sagging curve from the base of the telephone to the picture's left edge.
        (x0, y0), (x1, y1), (x2, y2) = (PHONE_LEFT + 8, PHONE_TOP + 80), (70, 214), (8, 172)
        u = 1 - t
        return u * u * x0 + 2 * t * u * x1 + t * t * x2, u * u * y0 + 2 * t * u * y1 + t * t * y2
    steps = 400
    points = []
    for i in range(steps + 1):
        t = i / steps
        x, y = path(t)
        a = t * 2 * math.pi * 10
        points.append(((x + 4.5 * math.cos(a)) * scale, (y - 4.5 * math.sin(a)) * scale, math.cos(a)))
    # The back of each turn in grey first, then the front in black over it.
    for front in (False, True):
        for (x0, y0, f0), (x1, y1, _) in zip(points, points[1:]):
            if (f0 < 0) == front:
                c.fill(thick_line(x0, y0, x1, y1, 2.2 * scale), BLACK if front else GREY)


def draw_telephone(c, ox, oy, size, detail=True, light=WHITE, shadow=GREY):
    """A desk telephone seen from the front, in a size by size box at (ox, oy).
    Without detail (icons) the dial has fewer, square holes; light is the colour of
    the raised edges, shadow that of the drop shadow (None: no shadow)."""
    def P(px, py):
        return (ox + px * size / 100.0, oy + py * size / 100.0)

    def L(v):
        return v * size / 100.0

    def poly(points):
        return polygon([P(px, py) for px, py in points])

    base = union(poly([(16, 44), (84, 44), (97, 92), (3, 92)]),
                 ellipse(*P(50, 46), L(34), L(8)))
    foot = round_rect(*P(0, 88), *P(100, 98), L(3))
    if shadow is not None:
        c.fill(moved(union(base, foot), L(3), L(3)), shadow)
    c.bevel(foot, MAROON, MAROON if light == RED else RED, BLACK)
    c.bevel(base, RED, light, MAROON)

    # Cradle prongs.
    for px in (22, 78):
        c.fill(round_rect(*P(px - 5, 30), *P(px + 5, 47), L(2)), BLACK)

    # The handset lying on the cradle: a bar with an ear and a mouth piece.
    handle = round_rect(*P(6, 14), *P(94, 27), L(6))
    cups = union(poly([(2, 20), (30, 20), (26, 38), (6, 38)]),
                 poly([(70, 20), (98, 20), (94, 38), (74, 38)]),
                 ellipse(*P(16, 38), L(10), L(3.5)), ellipse(*P(84, 38), L(10), L(3.5)))
    handset = union(handle, cups)
    if shadow is not None:
        c.fill(moved(handset, L(2), L(2)), shadow)
    c.bevel(handset, RED, light, MAROON)
    if detail:
        # The shadow under the handle, between the two cups.
        c.fill(poly([(30, 27), (70, 27), (70, 28.5), (30, 28.5)]), MAROON)

    # The dial.
    cx, cy = P(50, 66)
    c.fill(ellipse(cx + L(1.5), cy + L(1.5), L(21), L(21)), MAROON)
    c.fill(ellipse(cx, cy, L(21), L(21)), SILVER)
    c.fill(ellipse(cx - L(0.8), cy - L(0.8), L(19.5), L(19.5)), WHITE)
    c.fill(minus(ellipse(cx, cy, L(19.5), L(19.5)), ellipse(cx - L(0.8), cy - L(0.8), L(19.5), L(19.5))), SILVER)
    for k in range(10):
        a = math.radians(-60 - 28 * k)
        hx, hy = cx + L(13.5) * math.cos(a), cy - L(13.5) * math.sin(a)
        if detail:
            c.fill(ellipse(hx, hy, L(4), L(4)), GREY)
            c.fill(ellipse(hx + L(0.6), hy + L(0.6), L(3.2), L(3.2)), BLACK)
        elif size >= 24 and k % 2 == 0:
            c.fill(rect(round(hx) - 1, round(hy) - 1, round(hx) + 1, round(hy) + 1), BLACK)
    if detail:
        # Finger stop.
        a = math.radians(-35)
        c.fill(thick_line(cx + L(15) * math.cos(a), cy - L(15) * math.sin(a),
                          cx + L(21) * math.cos(a), cy - L(21) * math.sin(a), L(2.5)), BLACK)
    c.fill(ellipse(cx, cy, L(7), L(7)), RED)
    if detail:
        c.fill(ellipse(cx - L(0.6), cy - L(0.6), L(5.5), L(5.5)), WHITE)


def logo(width, height, scale):
    c = Canvas(width, height, SILVER)
    draw_logo(c, scale)
    return c


# ---------------------------------------------------------------------------
# Icons.

def icon_canvas(size):
    return Canvas(size, size, None)


def flag_icon(size, paint):
    """A flag with a black edge and a grey shadow; paint(c, x0, y0, w, h) draws the
    field inside the edge."""
    c = icon_canvas(size)
    if size >= 32:
        x0, y0, w, h = 0, 6, 28, 18
        c.fill(rect(x0 + 2, y0 + 2, x0 + w + 2 + 2, y0 + h + 2 + 2), GREY)
    else:
        x0, y0, w, h = 0, 3, 14, 9
        c.fill(rect(x0 + 1, y0 + 1, x0 + w + 3, y0 + h + 3), GREY)
    c.fill(rect(x0, y0, x0 + w + 2, y0 + h + 2), BLACK)
    paint(c, x0 + 1, y0 + 1, w, h)
    return c


def germany(c, x, y, w, h):
    third = h // 3
    c.fill(rect(x, y, x + w, y + third), BLACK)
    c.fill(rect(x, y + third, x + w, y + 2 * third), RED)
    c.fill(rect(x, y + 2 * third, x + w, y + h), YELLOW)


def denmark(c, x, y, w, h):
    c.fill(rect(x, y, x + w, y + h), RED)
    bar = max(2, round(h * 0.16))
    cx = x + round(w * 0.33)
    cy = y + (h - bar) // 2
    c.fill(rect(cx, y, cx + bar, y + h), WHITE)
    c.fill(rect(x, cy, x + w, cy + bar), WHITE)


def usa(c, x, y, w, h):
    stripe = max(1, h // 9)
    for i in range(h):
        c.fill(rect(x, y + i, x + w, y + i + 1), RED if (i // stripe) % 2 == 0 else WHITE)
    # The canton over the top five stripes, with staggered rows of stars.
    cw, ch = (w * 2) // 5 + 1, 5 * stripe
    c.fill(rect(x, y, x + cw, y + ch), NAVY)
    col_step = 3 if w >= 20 else 2
    for n, sy in enumerate(range(y + 1, y + ch - 1, 2)):
        for sx in range(x + 1 + n % 2, x + cw - 1, col_step):
            c.pixels[sy][sx] = WHITE


def australia(c, x, y, w, h):
    c.fill(rect(x, y, x + w, y + h), NAVY)
    cw, ch = w // 2, h // 2 + (h % 2)
    big = w >= 20
    # The canton: the crosses of the union flag.
    if big:
        c.fill(clip(thick_line(x, y, x + cw, y + ch, 3), rect(x, y, x + cw, y + ch)), WHITE)
        c.fill(clip(thick_line(x, y + ch, x + cw, y, 3), rect(x, y, x + cw, y + ch)), WHITE)
        c.fill(clip(thick_line(x, y, x + cw, y + ch, 1.2), rect(x, y, x + cw, y + ch)), RED)
        c.fill(clip(thick_line(x, y + ch, x + cw, y, 1.2), rect(x, y, x + cw, y + ch)), RED)
        mx, my = x + cw // 2, y + ch // 2
        c.fill(rect(mx - 2, y, mx + 2, y + ch), WHITE)
        c.fill(rect(x, my - 2, x + cw, my + 2), WHITE)
        c.fill(rect(mx - 1, y, mx + 1, y + ch), RED)
        c.fill(rect(x, my - 1, x + cw, my + 1), RED)
        # The Commonwealth star below the canton and the Southern Cross.
        star(c, x + cw // 2, y + ch + (h - ch) // 2, 2)
        for sx, sy in ((0.76, 0.22), (0.62, 0.50), (0.90, 0.42), (0.76, 0.80)):
            star(c, x + round(w * sx), y + round(h * sy), 1)
    else:
        mx, my = x + cw // 2, y + ch // 2
        c.fill(rect(x, y, x + cw, y + ch), BLUE)
        c.fill(rect(mx - 1, y, mx + 1, y + ch), WHITE)
        c.fill(rect(x, my, x + cw, my + 1), WHITE)
        c.pixels[my][mx] = RED
        c.pixels[my][mx - 1] = RED
        for sx, sy in ((x + 2, y + h - 2), (x + 10, y + 1), (x + 9, y + 4), (x + 12, y + 4), (x + 10, y + 7)):
            c.pixels[sy][sx] = WHITE


def star(c, x, y, r):
    """A small white star: a plus with a dot in the middle, or a single pixel."""
    c.pixels[y][x] = WHITE
    for d in range(1, r + 1):
        for dx, dy in ((d, 0), (-d, 0), (0, d), (0, -d)):
            c.pixels[y + dy][x + dx] = WHITE


def document_icon(size):
    """A white page with its top right corner folded over and lines of text."""
    c = icon_canvas(size)
    if size >= 32:
        left, top, right, bottom, fold, shadow = 5, 1, 25, 29, 7, (2, 2)
        lines = [(9, 20, 9, NAVY), (9, 21, 12, GREY), (9, 22, 15, GREY), (9, 17, 18, GREY),
                 (9, 21, 21, GREY), (9, 19, 24, GREY)]
    else:
        left, top, right, bottom, fold, shadow = 2, 0, 12, 14, 4, (1, 1)
        lines = [(4, 8, 5, NAVY), (4, 10, 7, GREY), (4, 9, 9, GREY), (4, 10, 11, GREY)]

    def cut(x, y):
        return x - (right - fold) - (y - top)
    page = [(x, y) for y in range(top, bottom + 1) for x in range(left, right + 1) if cut(x, y) <= 0]
    for x, y in page:
        c.pixels[y + shadow[1]][x + shadow[0]] = GREY
    for x, y in page:
        edge = x in (left, right) or y in (top, bottom) or cut(x, y) == 0
        c.pixels[y][x] = BLACK if edge else WHITE
    # The folded corner.
    for y in range(top, top + fold + 1):
        for x in range(right - fold, right + 1):
            if cut(x, y) < 0:
                c.pixels[y][x] = BLACK if x == right - fold or y == top + fold else SILVER
    for x0, x1, y, colour in lines:
        c.fill(rect(x0, y, x1, y + 1), colour)
    return c


def setup_icon(size):
    c = icon_canvas(size)
    # The telephone spans 14% to 98% of its box from top to bottom; centre it and
    # leave a pixel all round for the outline.
    box = size - 2
    draw_telephone(c, 1, round((size - 0.84 * box) / 2 - 0.14 * box), box,
                   detail=False, light=RED, shadow=None)
    c.outline(BLACK)
    return c


# ---------------------------------------------------------------------------

def checkerboard():
    c = Canvas(4, 4, SILVER)
    for y in range(4):
        for x in range(4):
            c.pixels[y][x] = GREY if (x + y) % 2 == 0 else SILVER
    return c


def artwork():
    """Every output file: relative path -> bytes."""
    return {
        "dist/res/checker.bmp": bmp_file(checkerboard()),
        "dist/res/logo_large.bmp": bmp_file(logo(230, 210, 1.0)),
        "dist/res/logo_small.bmp": bmp_file(logo(200, 180, 180 / 210)),
        "dist/res/setup.ico": ico_file([setup_icon(32), setup_icon(16)]),
        "dist/icons/inst_doc.ico": ico_file([document_icon(32), document_icon(16)]),
        "dist/icons/inst_ger.ico": ico_file([flag_icon(32, germany), flag_icon(16, germany)]),
        "dist/icons/inst_usa.ico": ico_file([flag_icon(32, usa), flag_icon(16, usa)]),
        "dist/icons/inst_aus.ico": ico_file([flag_icon(32, australia), flag_icon(16, australia)]),
        "dist/icons/inst_dk.ico": ico_file([flag_icon(32, denmark), flag_icon(16, denmark)]),
    }


# ---------------------------------------------------------------------------
# The check: every file parses as what the resource compiler and LoadIcon expect.

EXPECTED_BMP = {"checker.bmp": (4, 4), "logo_large.bmp": (230, 210), "logo_small.bmp": (200, 180)}


def check_dib(data, width, height, height_factor):
    size, w, h, planes, bpp, compression = struct.unpack_from("<IiiHHI", data, 0)
    problems = []
    if size != 40 or (w, h) != (width, height * height_factor) or planes != 1 or bpp != 4 or compression != 0:
        problems.append("header %r" % ((size, w, h, planes, bpp, compression),))
    stride = ((width * 4 + 31) // 32) * 4
    need = 40 + 64 + stride * height
    if height_factor == 2:
        need += ((width + 31) // 32) * 4 * height
    if len(data) != need:
        problems.append("%d bytes of image, expected %d" % (len(data), need))
    return problems


def check_bmp(name, data):
    magic, file_size, _, _, offset = struct.unpack_from("<2sIHHI", data, 0)
    problems = []
    if magic != b"BM" or file_size != len(data) or offset != 14 + 40 + 64:
        problems.append("file header")
    problems += check_dib(data[14:], *EXPECTED_BMP[name], 1)
    if name == "checker.bmp" and not problems:
        # The empty progress cells: grey and light grey alternating in both directions.
        palette = [tuple(data[54 + 4 * i + k] for k in (2, 1, 0)) for i in range(16)]
        rows = [data[offset + 4 * r:offset + 4 * r + 2] for r in range(4)]
        colours = [[palette[(row[x // 2] >> (4 if x % 2 == 0 else 0)) & 15] for x in range(4)]
                   for row in rows]
        if {colours[0][0], colours[0][1]} != {(128, 128, 128), (192, 192, 192)} or any(
                colours[y][x] != colours[(y + x) % 2][0] for y in range(4) for x in range(4)):
            problems.append("not a grey and light-grey checkerboard")
    return problems


def check_ico(data):
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1:
        return ["not an icon file"]
    problems = []
    sizes = []
    end = 6 + 16 * count
    for i in range(count):
        w, h, colours, _, planes, bpp, length, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        sizes.append(w)
        if (w, h, colours, planes, bpp) != (w, w, 16, 1, 4) or offset != end:
            problems.append("directory entry %d" % i)
        problems += check_dib(data[offset:offset + length], w, w, 2)
        end = offset + length
    if sorted(sizes) != [16, 32]:
        problems.append("sizes %r, expected 32 and 16" % sizes)
    if end != len(data):
        problems.append("trailing bytes")
    return problems


def check(files):
    failures = 0
    for path, wanted in sorted(files.items()):
        full = os.path.join(ROOT, path)
        try:
            with open(full, "rb") as f:
                data = f.read()
        except OSError as e:
            print("%s: %s" % (path, e.strerror))
            failures += 1
            continue
        name = os.path.basename(path)
        problems = check_bmp(name, data) if name.endswith(".bmp") else check_ico(data)
        if data != wanted:
            problems.append("differs from what scripts/make_art.py draws; run it and commit")
        for p in problems:
            print("%s: %s" % (path, p))
        failures += bool(problems)
    if failures:
        return 1
    print("%d art files parse and are reproducible" % len(files))
    return 0


def main(argv):
    files = artwork()
    if argv[1:] == ["--check"]:
        return check(files)
    if argv[1:]:
        print("usage: make_art.py [--check]", file=sys.stderr)
        return 2
    for path, data in sorted(files.items()):
        full = os.path.join(ROOT, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "wb") as f:
            f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
