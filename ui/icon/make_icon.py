#!/usr/bin/env python3
"""Draw the QM Commands Updater application icon and write it as a .ico file.

The picture is a sheet of paper with a folded top-right corner, a few short
coloured lines that suggest the markup of an XML commands file, and a round
green badge at the lower right holding a bold white downward arrow.

Every shape is described by a signed distance function (negative inside).
Pixels near an edge are supersampled 8x8, so edges are anti-aliased and the
alpha channel is real. Each of the four sizes (48, 32, 24 and 16 pixels) has
its own layout snapped to the pixel grid, so the small sizes stay crisp: the
smaller the icon, the fewer its lines, and at 16 pixels they are one pixel
thin while the badge takes up more of the picture.

The .ico holds four uncompressed 32-bit BGRA DIB images with AND masks, in
the order 48, 32, 24, 16. The output is deterministic.

Regenerate with:

    python3 ui/icon/make_icon.py ui/icon/QMCommandsUpdater.ico

Add --preview PREVIEW.png to also write a PNG that shows every size at 1:1
and enlarged 4x on a light and a dark strip.
"""

import argparse
import math
import struct
import zlib

SUPERSAMPLE = 8
# Half the diagonal of a pixel, rounded up: a pixel whose centre is farther
# than this from every edge is entirely inside or entirely outside the shape.
HALF_DIAGONAL = 0.7072
# Width of the dark edge around the page, the flap and the badge.
OUTLINE_WIDTH = 1.0
PAGE_SHADOW_OPACITY = 0.35

OUTLINE = (0x55, 0x61, 0x70)
PAPER_TOP = (0xFF, 0xFF, 0xFF)
PAPER_BOTTOM = (0xE6, 0xEB, 0xF1)
FOLD_LIGHT = (0xF4, 0xF7, 0xFA)
FOLD_DARK = (0xC9, 0xD3, 0xDE)
BADGE_TOP = (0x5C, 0xC9, 0x6B)
BADGE_BOTTOM = (0x1B, 0x8A, 0x3A)
BADGE_RIM = (0x12, 0x5E, 0x28)
WHITE = (0xFF, 0xFF, 0xFF)
SHADOW = (0x00, 0x00, 0x00)

TAG = (0x2B, 0x6C, 0xD6)
ATTRIBUTE = (0xE0, 0x7A, 0x1F)
VALUE = (0x9B, 0x4D, 0xCA)
TEXT = (0x9A, 0xA4, 0xAF)

# Per-size layouts, in pixels. "page" is (left, top, right, bottom) and
# "fold" the length of the flap's short sides; "shadow_blur" is the width of
# the page shadow's fading edge (0: no shadow). Each line is (x0, x1, y_centre,
# thickness, colour). "badge" is (cx, cy, radius). The arrow's stem is
# 2 * "stem" wide and starts "top" above the badge's centre; its head is
# 2 * "head" wide and its tip lies "tip" below the centre. "arrow_shadow" is
# the opacity of the arrow's shadow (0: none).
LAYOUTS = {
    48: {
        "page": (7, 2, 37, 45), "fold": 10, "corner": 1.5,
        "shadow_blur": 1.6,
        "lines": [
            (12, 19, 13.5, 3, TAG), (22, 30, 13.5, 3, ATTRIBUTE),
            (15, 22, 19.5, 3, TAG), (25, 32, 19.5, 3, VALUE),
            (15, 30, 25.5, 3, TEXT),
            (15, 22, 31.5, 3, TAG),
            (12, 19, 37.5, 3, TAG),
        ],
        "badge": (36, 36, 11),
        "arrow": {"stem": 2, "top": -6, "head": 6, "tip": 6.5},
        "arrow_shadow": 0.4,
    },
    32: {
        "page": (5, 1, 26, 31), "fold": 7, "corner": 1.0,
        "shadow_blur": 1.2,
        "lines": [
            (8, 13, 9, 2, TAG), (15, 20, 9, 2, ATTRIBUTE),
            (10, 20, 13, 2, VALUE),
            (10, 15, 17, 2, TAG),
            (8, 13, 21, 2, TAG),
        ],
        "badge": (24, 24, 8),
        "arrow": {"stem": 2, "top": -5, "head": 5, "tip": 5},
        "arrow_shadow": 0.35,
    },
    24: {
        "page": (3, 1, 19, 23), "fold": 5, "corner": 0.0,
        "shadow_blur": 0.0,
        "lines": [
            (6, 10, 7, 2, TAG), (12, 15, 7, 2, ATTRIBUTE),
            (8, 14, 11, 2, VALUE),
            (6, 10, 15, 2, TAG),
        ],
        "badge": (18, 18, 6),
        "arrow": {"stem": 1, "top": -3, "head": 4, "tip": 4},
        "arrow_shadow": 0.0,
    },
    16: {
        "page": (1, 0, 12, 15), "fold": 4, "corner": 0.0,
        "shadow_blur": 0.0,
        "lines": [
            (3, 7, 4.5, 1, TAG),
            (3, 8, 6.5, 1, ATTRIBUTE),
            (3, 6, 8.5, 1, TAG),
        ],
        "badge": (11, 11, 5),
        "arrow": {"stem": 1, "top": -3, "head": 3, "tip": 3},
        "arrow_shadow": 0.0,
    },
}
SIZES = (48, 32, 24, 16)


# --- Signed distance functions -------------------------------------------
#
# Each shape is a function (x, y) -> distance to its edge, negative inside.
# None of them changes faster than the true distance does, which is what
# lets coverage() skip supersampling away from edges.

def circle(cx, cy, r):
    """Disc of radius r centred on (cx, cy)."""
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def rounded_box(left, top, right, bottom, radius):
    """Axis-aligned rectangle whose corners are rounded by radius."""
    cx, cy = (left + right) / 2, (top + bottom) / 2
    hw, hh = (right - left) / 2 - radius, (bottom - top) / 2 - radius

    def sd(x, y):
        dx, dy = abs(x - cx) - hw, abs(y - cy) - hh
        outside = math.hypot(max(dx, 0.0), max(dy, 0.0))
        return outside + min(max(dx, dy), 0.0) - radius
    return sd


def capsule(x0, x1, y, thickness):
    """Horizontal line from x0 to x1 with round caps (caps lie inside)."""
    r = thickness / 2
    a, b = x0 + r, x1 - r

    def sd(x, py):
        nearest = min(max(x, a), b)
        return math.hypot(x - nearest, py - y) - r
    return sd


def half_plane(ax, ay, bx, by):
    """Region to the right of the directed line A->B (screen coordinates)."""
    length = math.hypot(bx - ax, by - ay)
    nx, ny = (by - ay) / length, (ax - bx) / length
    return lambda x, y: nx * (x - ax) + ny * (y - ay)


def convex_polygon(points):
    """Convex polygon whose points run clockwise on screen."""
    edges = [half_plane(*points[i - 1], *points[i])
             for i in range(len(points))]
    return lambda x, y: max(edge(x, y) for edge in edges)


def intersect(*shapes):
    """The region that lies inside every one of the shapes."""
    return lambda x, y: max(shape(x, y) for shape in shapes)


def inset(shape, amount):
    """The shape shrunk by amount on every side."""
    return lambda x, y: shape(x, y) + amount


# --- Colours ----------------------------------------------------------------

def vertical_gradient(top, c_top, bottom, c_bottom):
    """Colour that blends from c_top at y=top to c_bottom at y=bottom."""
    def colour(_x, y):
        t = min(max((y - top) / (bottom - top), 0.0), 1.0)
        return tuple(a + (b - a) * t for a, b in zip(c_top, c_bottom))
    return colour


def diagonal_gradient(x0, y0, c0, x1, y1, c1):
    """Colour that blends from c0 at (x0, y0) to c1 at (x1, y1)."""
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy

    def colour(x, y):
        t = ((x - x0) * dx + (y - y0) * dy) / length2
        t = min(max(t, 0.0), 1.0)
        return tuple(a + (b - a) * t for a, b in zip(c0, c1))
    return colour


# --- Canvas -----------------------------------------------------------------

class Canvas:
    """Square image of premultiplied RGBA floats in the range 0..1."""

    def __init__(self, size):
        self.size = size
        self.pixels = [[0.0, 0.0, 0.0, 0.0] for _ in range(size * size)]

    def paint(self, shape, colour, opacity=1.0):
        """Composite a shape over the canvas; colour is RGB or a function."""
        for py in range(self.size):
            for px in range(self.size):
                alpha = coverage(shape, px, py) * opacity
                if alpha > 0.0:
                    rgb = colour
                    if callable(colour):
                        rgb = colour(px + 0.5, py + 0.5)
                    self.blend(px, py, rgb, alpha)

    def paint_soft(self, shape, colour, opacity, softness):
        """Composite a shape whose edge fades out over softness pixels."""
        for py in range(self.size):
            for px in range(self.size):
                d = shape(px + 0.5, py + 0.5)
                alpha = min(max(0.5 - d / softness, 0.0), 1.0) * opacity
                if alpha > 0.0:
                    self.blend(px, py, colour, alpha)

    def blend(self, px, py, rgb, alpha):
        """Composite one pixel of colour rgb (0..255) with the given alpha."""
        pixel = self.pixels[py * self.size + px]
        keep = 1.0 - alpha
        for i in range(3):
            pixel[i] = rgb[i] / 255.0 * alpha + pixel[i] * keep
        pixel[3] = alpha + pixel[3] * keep

    def rgba_rows(self):
        """Rows top to bottom, each a list of straight-alpha (r, g, b, a)."""
        rows = []
        for py in range(self.size):
            row = []
            for px in range(self.size):
                r, g, b, a = self.pixels[py * self.size + px]
                alpha = round(a * 255)
                if alpha == 0:
                    row.append((0, 0, 0, 0))
                else:
                    row.append(tuple(round(min(c / a, 1.0) * 255)
                                     for c in (r, g, b)) + (alpha,))
            rows.append(row)
        return rows


def coverage(shape, px, py):
    """Fraction of pixel (px, py) that lies inside the shape."""
    d = shape(px + 0.5, py + 0.5)
    if d >= HALF_DIAGONAL:
        return 0.0
    if d <= -HALF_DIAGONAL:
        return 1.0
    step = 1.0 / SUPERSAMPLE
    inside = 0
    for sy in range(SUPERSAMPLE):
        y = py + (sy + 0.5) * step
        for sx in range(SUPERSAMPLE):
            if shape(px + (sx + 0.5) * step, y) < 0.0:
                inside += 1
    return inside / (SUPERSAMPLE * SUPERSAMPLE)


# --- The picture ------------------------------------------------------------

def page_shape(layout):
    """The sheet: a rectangle with its top-right corner cut off."""
    left, top, right, bottom = layout["page"]
    fold = layout["fold"]
    sheet = rounded_box(left, top, right, bottom, layout["corner"])
    return intersect(sheet, half_plane(right - fold, top, right, top + fold))


def fold_shape(layout):
    """The folded-over corner flap, a right triangle lying on the sheet."""
    _left, top, right, _bottom = layout["page"]
    fold = layout["fold"]
    return convex_polygon([(right - fold, top), (right, top + fold),
                           (right - fold, top + fold)])


def draw_page(canvas, layout):
    """The sheet's soft shadow, its outline and its paper."""
    _left, top, _right, bottom = layout["page"]
    page = page_shape(layout)
    if layout["shadow_blur"]:
        # The shadow falls half a pixel right and one pixel down.
        shadow = lambda x, y: page(x - 0.5, y - 1.0)
        canvas.paint_soft(shadow, SHADOW, PAGE_SHADOW_OPACITY,
                          layout["shadow_blur"])
    canvas.paint(page, OUTLINE)
    paper = vertical_gradient(top, PAPER_TOP, bottom, PAPER_BOTTOM)
    canvas.paint(inset(page, OUTLINE_WIDTH), paper)


def draw_fold(canvas, layout):
    """The flap, shaded darker towards its inner corner."""
    _left, top, right, _bottom = layout["page"]
    fold = layout["fold"]
    flap = fold_shape(layout)
    canvas.paint(flap, OUTLINE)
    shade = diagonal_gradient(right - fold, top + fold, FOLD_DARK,
                              right - fold / 2, top + fold / 2, FOLD_LIGHT)
    canvas.paint(inset(flap, OUTLINE_WIDTH), shade)


def draw_markup(canvas, layout):
    """Short coloured lines, like tags, attributes and text in XML."""
    for x0, x1, y, thickness, colour in layout["lines"]:
        canvas.paint(capsule(x0, x1, y, thickness), colour)


def draw_badge(canvas, layout):
    """The green disc with its dark rim and the white arrow."""
    cx, cy, r = layout["badge"]
    disc = circle(cx, cy, r)
    canvas.paint(disc, BADGE_RIM)
    fill = vertical_gradient(cy - r, BADGE_TOP, cy + r, BADGE_BOTTOM)
    canvas.paint(inset(disc, OUTLINE_WIDTH), fill)
    arrow = download_arrow(cx, cy, layout["arrow"])
    if layout["arrow_shadow"]:
        # A faint copy one pixel lower lifts the arrow off the disc.
        shadow = lambda x, y: arrow(x, y - 1.0)
        canvas.paint(shadow, BADGE_RIM, layout["arrow_shadow"])
    canvas.paint(arrow, WHITE)


def download_arrow(cx, cy, arrow):
    """A bold downward arrow: a stem above a triangular head.

    The head's base lies on the badge's centre line and its tip points down;
    the stem reaches one pixel into the head so that no seam shows.
    """
    stem = rounded_box(cx - arrow["stem"], cy + arrow["top"],
                       cx + arrow["stem"], cy + 1, 0.0)
    half, tip = arrow["head"], arrow["tip"]
    head = convex_polygon([(cx - half, cy), (cx + half, cy), (cx, cy + tip)])
    return lambda x, y: min(stem(x, y), head(x, y))


def draw_icon(size):
    """Rows of straight-alpha (r, g, b, a) pixels for one icon size."""
    layout = LAYOUTS[size]
    canvas = Canvas(size)
    draw_page(canvas, layout)
    draw_fold(canvas, layout)
    draw_markup(canvas, layout)
    draw_badge(canvas, layout)
    return canvas.rgba_rows()


# --- .ico encoding ----------------------------------------------------------

def dib(rows):
    """BITMAPINFOHEADER, bottom-up BGRA rows and the 1-bit AND mask."""
    size = len(rows)
    pixels = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a))
    mask_stride = (size + 31) // 32 * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for x, (_r, _g, _b, a) in enumerate(row):
            if a == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0,
                         len(pixels) + len(mask), 0, 0, 0, 0)
    return header + pixels + mask


def ico(images):
    """ICONDIR, one ICONDIRENTRY per image, then the images themselves."""
    blobs = [dib(rows) for rows in images]
    offset = 6 + 16 * len(blobs)
    directory = struct.pack("<HHH", 0, 1, len(blobs))
    for rows, blob in zip(images, blobs):
        size = len(rows)
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0,
                                 1, 32, len(blob), offset)
        offset += len(blob)
    return directory + b"".join(blobs)


# --- Preview PNG ------------------------------------------------------------

PREVIEW_MARGIN = 16
PREVIEW_GAP = 12
PREVIEW_ZOOM = 4
PREVIEW_BACKGROUNDS = ((0xE4, 0xE4, 0xE4), (0x30, 0x30, 0x30))


def preview_rows(images):
    """Both strips, each with the sizes at 1:1 and then enlarged."""
    zoom = PREVIEW_ZOOM
    strip_height = 2 * PREVIEW_MARGIN + max(SIZES) * zoom
    width = (2 * PREVIEW_MARGIN + sum(SIZES) * (1 + zoom)
             + PREVIEW_GAP * (2 * len(SIZES) - 1))
    rows = []
    for background in PREVIEW_BACKGROUNDS:
        strip = [[background] * width for _ in range(strip_height)]
        x = PREVIEW_MARGIN
        for scale in (1, zoom):
            for image in images:
                stamp(strip, image, x, PREVIEW_MARGIN, scale)
                x += len(image) * scale + PREVIEW_GAP
        rows += strip
    return rows


def stamp(strip, image, left, top, scale):
    """Draw image onto strip with its top-left at (left, top), scaled."""
    for y, row in enumerate(image):
        for x, (r, g, b, a) in enumerate(row):
            for dy in range(scale):
                line = strip[top + y * scale + dy]
                for dx in range(scale):
                    under = line[left + x * scale + dx]
                    line[left + x * scale + dx] = tuple(
                        (c * a + u * (255 - a) + 127) // 255
                        for c, u in zip((r, g, b), under))


def png(rows):
    """An 8-bit RGB PNG holding the given rows of (r, g, b) tuples."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(
            ">I", zlib.crc32(body))

    raw = b"".join(b"\x00" + bytes(c for pixel in row for c in pixel)
                   for row in rows)
    header = struct.pack(">IIBBBBB", len(rows[0]), len(rows), 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("output", help="the .ico file to write")
    parser.add_argument("--preview", metavar="PNG",
                        help="also write a PNG preview of every size")
    args = parser.parse_args()
    images = [draw_icon(size) for size in SIZES]
    with open(args.output, "wb") as f:
        f.write(ico(images))
    if args.preview:
        with open(args.preview, "wb") as f:
            f.write(png(preview_rows(images)))


if __name__ == "__main__":
    main()
