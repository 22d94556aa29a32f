#!/usr/bin/python3
"""Draws the bubble's pictures and the application icon.

Writes, next to this script:
  bubble_right.png   207 x 75, the bubble whose tail points left (resource 106)
  bubble_left.png    207 x 75, the same bubble with its tail on the right (107)
  button_hover.png   66 x 24, dismiss button under the pointer (108)
  button_normal.png  66 x 24, dismiss button at rest (109)
  button_pressed.png 66 x 24, dismiss button held down (110)
  app.ico            one 32 x 32 icon with 32 bits per pixel
and ../docs/pictures.png, a contact sheet of the pictures at twice their size
over a checkerboard, a dark and a light desktop colour.

Run with Debian's /usr/bin/python3 (python3-pil) and the font of
fonts-wqy-microhei. The output is the same, byte for byte, on every run.
"""

import hashlib
import math
import os
import struct
import sys
import zlib
from io import BytesIO

from PIL import Image, ImageDraw, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
DOCS = os.path.join(os.path.dirname(HERE), "docs")
FONT_PATH = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"

# Text, written as escapes so that no editor or locale can change it.
BUBBLE_LINE_1 = "Marrowtune\u5c31\u5728\u8fd9"   # Marrowtune is right
BUBBLE_LINE_2 = "\u91cc\u54e6!"                  # here!
BUTTON_WORDS = "\u6211\u77e5\u9053\u4e86"        # I see, got it

# ---------------------------------------------------------------------------
# Bubble geometry and colours. Pixel (x, y) covers the square [x, x+1) x
# [y, y+1); the shapes below are in those continuous coordinates.

BUBBLE_SIZE = (207, 75)
BODY_LEFT, BODY_TOP, BODY_RIGHT, BODY_BOTTOM = 11, 4, 200, 68   # inclusive pixels
CORNER_RADIUS = 3.5
TAIL_TIP = (4.0, 24.5)              # the tip lies in pixel (4, 24)
TAIL_BASE_TOP, TAIL_BASE_BOTTOM = 17, 31   # inclusive rows on the body's edge
# The left picture is the right one mirrored about x = 102: pixel x there shows
# pixel 204 - x here, which puts its body at 4..193 and its tail tip at 200.
MIRROR_SUM = 204

BORDER_TOP = (54, 119, 166)
BORDER_BOTTOM = (16, 70, 112)
FILL_TOP = (255, 255, 255)
FILL_BOTTOM = (213, 242, 255)
TEXT_COLOUR = (54, 119, 166)
# Shadow alpha at the centres of the 1st..4th pixel outside the outline.
SHADOW_STEPS = ((0.0, 73.0), (0.5, 61.0), (1.5, 37.0), (2.5, 19.0), (3.5, 6.0), (4.5, 0.0))

BUBBLE_FONT_SIZE = 18        # ink 17 pixels high
# Ink boxes of the two text lines, inclusive: (left, top, right, bottom).
RIGHT_TEXT_BOXES = ((25, 13, 185, 29), (25, 45, 65, 61))
LEFT_TEXT_SHIFT = (-9, -1)

# ---------------------------------------------------------------------------
# Button geometry and colours.

BUTTON_SIZE = (66, 24)
BUTTON_FONT_SIZE = 11        # ink 11 pixels high
BUTTON_TEXT_BOX = (10, 7, 55, 17)
BUTTON_TEXT_COLOUR = (12, 88, 132)
# Where the button sits on the bubble (rows are the same on both sides): its
# corner pixels are blended with the bubble fill behind them so the button
# reads as slightly rounded although it is fully opaque.
BUTTON_TOP_ON_BUBBLE = 35
BUTTON_STYLES = {
    # name: (border, fill top, fill bottom, light inner edge)
    "normal": ((156, 203, 237), (235, 250, 255), (189, 235, 255), False),
    "hover": ((156, 203, 237), (216, 247, 255), (175, 230, 254), False),
    "pressed": ((121, 176, 215), (180, 232, 255), (229, 249, 254), True),
}
CORNER_BLEND = 0.55          # share of the bubble fill in a button corner pixel
INNER_EDGE_BLEND = 0.5       # share of white in the pressed button's inner edge

ICON_SIZE = 32
SUPERSAMPLE = 8              # samples per pixel side on shape edges
# Glyph coverage a is drawn as 1 - (1 - a) ** TEXT_WEIGHT: the font's thin,
# unhinted CJK strokes smear over two pixels at these sizes, and the curve
# darkens those half-covered stems so the small text reads firmly.
TEXT_WEIGHT = 1.6

CHECKER_LIGHT = (255, 255, 255)
CHECKER_DARK = (204, 204, 204)
DARK_DESKTOP = (32, 56, 88)
LIGHT_DESKTOP = (220, 228, 236)


# ---------------------------------------------------------------------------
# Small helpers.

def lerp(a, b, t):
    return a + (b - a) * t


def lerp_colour(a, b, t):
    return tuple(lerp(p, q, t) for p, q in zip(a, b))


def to_byte(value):
    """Rounds half up and clamps, the same way on every platform."""
    return max(0, min(255, int(math.floor(value + 0.5))))


def piecewise(steps, x):
    if x <= steps[0][0]:
        return steps[0][1]
    for (x0, y0), (x1, y1) in zip(steps, steps[1:]):
        if x <= x1:
            return lerp(y0, y1, (x - x0) / (x1 - x0))
    return steps[-1][1]


# Signed distances: negative inside, positive outside, in pixels.

def sd_rounded_box(px, py, left, top, right, bottom, radius):
    cx, cy = (left + right) / 2.0, (top + bottom) / 2.0
    qx = abs(px - cx) - ((right - left) / 2.0 - radius)
    qy = abs(py - cy) - ((bottom - top) / 2.0 - radius)
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - radius


def sd_polygon(px, py, points):
    """Exact signed distance to a simple polygon."""
    best = float("inf")
    inside = False
    count = len(points)
    for i in range(count):
        ax, ay = points[i]
        bx, by = points[i - 1]
        ex, ey = bx - ax, by - ay
        wx, wy = px - ax, py - ay
        t = max(0.0, min(1.0, (wx * ex + wy * ey) / (ex * ex + ey * ey)))
        best = min(best, math.hypot(wx - ex * t, wy - ey * t))
        if (ay > py) != (by > py) and px < ax + (py - ay) * ex / ey:
            inside = not inside
    return -best if inside else best


class Shape:
    """A union of rounded boxes and polygons, measured by signed distance.

    The union takes the smaller distance, so where a polygon reaches into a
    box the box's outline disappears there: that is how the bubble's tail
    opens into the body without a border line across it.
    """

    def __init__(self, boxes=(), polygons=()):
        self.boxes = list(boxes)
        self.polygons = list(polygons)

    def distance(self, x, y):
        d = float("inf")
        for box in self.boxes:
            d = min(d, sd_rounded_box(x, y, *box))
        for polygon in self.polygons:
            d = min(d, sd_polygon(x, y, polygon))
        return d


def render_shape(size, shape, border_at, fill_at, shadow_steps, border_width=1.0):
    """Renders a filled, outlined shape with a soft black shadow around it.

    border_at(y) and fill_at(y) give the colours of pixel row y. Pixels whose
    centre lies well inside the shape or well outside it are decided from the
    centre alone; the rest are sampled SUPERSAMPLE x SUPERSAMPLE times.
    Returns an RGBA image with straight (not premultiplied) alpha.
    """
    width, height = size
    image = Image.new("RGBA", size, (0, 0, 0, 0))
    pixels = image.load()
    n = SUPERSAMPLE
    offsets = [(i + 0.5) / n for i in range(n)]
    for y in range(height):
        border = border_at(y)
        fill = fill_at(y)
        for x in range(width):
            centre = shape.distance(x + 0.5, y + 0.5)
            if centre < -border_width - 1.0:
                coverage, colour = 1.0, fill
            elif centre > 1.0:
                coverage, colour = 0.0, (0.0, 0.0, 0.0)
            else:
                inside = 0
                summed = [0.0, 0.0, 0.0]
                for oy in offsets:
                    for ox in offsets:
                        d = shape.distance(x + ox, y + oy)
                        if d < 0.0:
                            inside += 1
                            c = border if d > -border_width else fill
                            summed[0] += c[0]
                            summed[1] += c[1]
                            summed[2] += c[2]
                coverage = inside / float(n * n)
                colour = tuple(s / inside for s in summed) if inside else (0.0, 0.0, 0.0)
            shadow = piecewise(shadow_steps, centre) / 255.0 if shadow_steps else 0.0
            # The body over a black shadow, source-over.
            alpha = coverage + (1.0 - coverage) * shadow
            if alpha <= 0.0:
                continue
            rgb = tuple(coverage * c / alpha for c in colour)
            pixels[x, y] = tuple(to_byte(c) for c in rgb) + (to_byte(alpha * 255.0),)
    return image


# ---------------------------------------------------------------------------
# Text.

def line_mask(text, font, tracking):
    """The line's coverage mask, cropped to its ink, with `tracking` extra
    pixels (may be fractional) after every character but the last. Each
    character starts on a whole pixel so its hinted stems stay sharp."""
    scratch = Image.new("L", (64 + 2 * int(font.size) * len(text), 4 * int(font.size)), 0)
    draw = ImageDraw.Draw(scratch)
    x = float(font.size)
    for ch in text:
        draw.text((math.floor(x + 0.5), font.size), ch, font=font, fill=255)
        x += font.getlength(ch) + tracking
    return scratch.crop(scratch.getbbox())


def fitted_line(text, font, box):
    """The line's mask with the tracking chosen so its ink exactly spans the
    box's width; its height is what the font size gives."""
    target = box[2] - box[0] + 1
    low, high = -2.0, 4.0
    for _ in range(40):
        middle = (low + high) / 2.0
        if line_mask(text, font, middle).size[0] < target:
            low = middle
        else:
            high = middle
    mask = line_mask(text, font, high)
    if mask.size[0] != target:
        sys.exit("cannot fit %r into %d pixels (got %d)" % (text, target, mask.size[0]))
    return mask


def paint_mask(image, mask, origin, colour, weight=1.0):
    """Blends `colour` into the opaque pixels of `image` through `mask`,
    its coverage a taken as 1 - (1 - a) ** weight."""
    pixels = image.load()
    coverage = mask.load()
    ox, oy = origin
    for my in range(mask.size[1]):
        for mx in range(mask.size[0]):
            a = coverage[mx, my] / 255.0
            if a == 0.0:
                continue
            a = 1.0 - (1.0 - a) ** weight
            r, g, b, alpha = pixels[ox + mx, oy + my]
            mixed = lerp_colour((r, g, b), colour, a)
            pixels[ox + mx, oy + my] = tuple(to_byte(c) for c in mixed) + (alpha,)


# ---------------------------------------------------------------------------
# The bubble.

def bubble_fill(y):
    return lerp_colour(FILL_TOP, FILL_BOTTOM, (y - (BODY_TOP + 1)) / float(BODY_BOTTOM - BODY_TOP - 2))


def bubble_border(y):
    t = min(1.0, max(0.0, (y - BODY_TOP) / float(BODY_BOTTOM - BODY_TOP)))
    return lerp_colour(BORDER_TOP, BORDER_BOTTOM, t)


def bubble_shape():
    body = (BODY_LEFT, BODY_TOP, BODY_RIGHT + 1, BODY_BOTTOM + 1, CORNER_RADIUS)
    # The tail's sides run from the tip through the ends of its base on the
    # body's left edge and on into the body, so its base edge lies deep inside.
    tip_x, tip_y = TAIL_TIP
    base_top, base_bottom = float(TAIL_BASE_TOP), float(TAIL_BASE_BOTTOM + 1)
    reach = BODY_LEFT + 6.0
    scale = (reach - tip_x) / (BODY_LEFT - tip_x)
    tail = [
        (tip_x, tip_y),
        (reach, tip_y + (base_top - tip_y) * scale),
        (reach, tip_y + (base_bottom - tip_y) * scale),
    ]
    return Shape(boxes=[body], polygons=[tail])


def draw_bubbles(font):
    right = render_shape(BUBBLE_SIZE, bubble_shape(), bubble_border, bubble_fill, SHADOW_STEPS)
    mirrored = right.transpose(Image.FLIP_LEFT_RIGHT)
    left = Image.new("RGBA", BUBBLE_SIZE, (0, 0, 0, 0))
    # mirrored[x] is right[206 - x]; left[x] must be right[204 - x].
    left.paste(mirrored, (MIRROR_SUM - (BUBBLE_SIZE[0] - 1), 0))

    lines = [BUBBLE_LINE_1, BUBBLE_LINE_2]
    for text, box in zip(lines, RIGHT_TEXT_BOXES):
        mask = fitted_line(text, font, box)
        paint_mask(right, mask, (box[0], box[1]), TEXT_COLOUR, TEXT_WEIGHT)
        paint_mask(left, mask, (box[0] + LEFT_TEXT_SHIFT[0], box[1] + LEFT_TEXT_SHIFT[1]),
                   TEXT_COLOUR, TEXT_WEIGHT)
    return right, left


# ---------------------------------------------------------------------------
# The buttons.

def draw_button(style, words):
    border, top, bottom, inner_edge = style
    width, height = BUTTON_SIZE
    image = Image.new("RGBA", BUTTON_SIZE, border + (255,))
    pixels = image.load()
    first, last = 1, height - 2
    for y in range(first, last + 1):
        fill = lerp_colour(top, bottom, (y - first) / float(last - first))
        for x in range(1, width - 1):
            colour = fill
            if inner_edge and (y in (first, last) or x in (1, width - 2)):
                colour = lerp_colour(fill, (255, 255, 255), INNER_EDGE_BLEND)
            pixels[x, y] = tuple(to_byte(c) for c in colour) + (255,)
    for x, y in ((0, 0), (width - 1, 0), (0, height - 1), (width - 1, height - 1)):
        behind = bubble_fill(BUTTON_TOP_ON_BUBBLE + y)
        colour = lerp_colour(border, behind, CORNER_BLEND)
        pixels[x, y] = tuple(to_byte(c) for c in colour) + (255,)
    paint_mask(image, words, BUTTON_TEXT_BOX[:2], BUTTON_TEXT_COLOUR, TEXT_WEIGHT)
    return image


# ---------------------------------------------------------------------------
# The application icon: a small speech bubble with three dots.

def draw_icon():
    body = (2.0, 4.0, 30.0, 23.0, 4.0)
    tail = [(6.0, 29.5), (8.0, 20.0), (15.0, 20.0)]
    shape = Shape(boxes=[body], polygons=[tail])

    def border_at(y):
        return lerp_colour(BORDER_TOP, BORDER_BOTTOM, min(1.0, max(0.0, (y - 4) / 25.0)))

    def fill_at(y):
        return lerp_colour(FILL_TOP, FILL_BOTTOM, min(1.0, max(0.0, (y - 5) / 17.0)))

    shadow = ((0.0, 60.0), (0.5, 40.0), (1.5, 12.0), (2.5, 0.0))
    icon = render_shape((ICON_SIZE, ICON_SIZE), shape, border_at, fill_at, shadow)
    dots = Image.new("L", (ICON_SIZE * SUPERSAMPLE,) * 2, 0)
    draw = ImageDraw.Draw(dots)
    radius = 2.0 * SUPERSAMPLE
    for cx in (10.0, 16.0, 22.0):
        cx, cy = cx * SUPERSAMPLE, 14.0 * SUPERSAMPLE
        draw.ellipse((cx - radius, cy - radius, cx + radius, cy + radius), fill=255)
    dots = dots.resize((ICON_SIZE, ICON_SIZE), Image.BOX)
    paint_mask(icon, dots, (0, 0), BORDER_TOP)
    return icon


def ico_bytes(image):
    """A .ico file holding one 32-bit image: BITMAPINFOHEADER, bottom-up BGRA
    rows with straight alpha, then the AND mask (1 = transparent)."""
    width, height = image.size
    pixels = image.load()
    colour = bytearray()
    mask = bytearray()
    mask_stride = ((width + 31) // 32) * 4
    for y in reversed(range(height)):
        row_mask = bytearray(mask_stride)
        for x in range(width):
            r, g, b, a = pixels[x, y]
            colour += bytes((b, g, r, a))
            if a == 0:
                row_mask[x // 8] |= 0x80 >> (x % 8)
        mask += row_mask
    header = struct.pack("<IiiHHIIiiII", 40, width, 2 * height, 1, 32, 0,
                         len(colour) + len(mask), 0, 0, 0, 0)
    data = header + bytes(colour) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(data), 6 + 16)
    return directory + entry + data


# ---------------------------------------------------------------------------
# PNG chunks.

def s15f16(value):
    return struct.pack(">i", int(round(value * 65536.0)))


def srgb_icc_profile():
    """A minimal ICC v4 display profile for sRGB: description, copyright,
    D50 white point, Bradford adaptation, D50-adapted primaries and the sRGB
    tone curve as a parametric curve. Fixed date, so the bytes never change."""

    def mluc(text):
        encoded = text.encode("utf-16-be")
        return b"mluc" + struct.pack(">IIIHHII", 0, 1, 12, ord("e") << 8 | ord("n"),
                                     ord("U") << 8 | ord("S"), len(encoded), 28) + encoded

    def xyz(x, y, z):
        return b"XYZ " + bytes(4) + s15f16(x) + s15f16(y) + s15f16(z)

    chad_matrix = (1.0478112, 0.0228866, -0.0501270,
                   0.0295424, 0.9904844, -0.0170491,
                   -0.0092345, 0.0150436, 0.7521316)
    curve = b"para" + bytes(4) + struct.pack(">HH", 3, 0) + b"".join(
        s15f16(v) for v in (2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045))
    tags = [
        (b"desc", mluc("sRGB")),
        (b"cprt", mluc("No copyright, free to use")),
        (b"wtpt", xyz(0.9642, 1.0, 0.8249)),
        (b"chad", b"sf32" + bytes(4) + b"".join(s15f16(v) for v in chad_matrix)),
        (b"rXYZ", xyz(0.4360747, 0.2225045, 0.0139322)),
        (b"gXYZ", xyz(0.3850649, 0.7168786, 0.0971045)),
        (b"bXYZ", xyz(0.1430804, 0.0606169, 0.7141733)),
        (b"rTRC", curve),
        (b"gTRC", curve),
        (b"bTRC", curve),
    ]
    table_size = 4 + 12 * len(tags)
    offset = 128 + table_size
    table = struct.pack(">I", len(tags))
    body = b""
    placed = {}
    for signature, data in tags:
        if data not in placed:          # the three tone curves share one copy
            placed[data] = offset + len(body)
            body += data + bytes((-len(data)) % 4)
        table += signature + struct.pack(">II", placed[data], len(data))
    size = 128 + len(table) + len(body)
    header = (struct.pack(">I", size) + bytes(4) + struct.pack(">I", 0x04300000)
              + b"mntrRGB XYZ " + struct.pack(">6H", 2024, 1, 1, 0, 0, 0)
              + b"acsp" + bytes(4) + struct.pack(">I", 0) + bytes(8) + bytes(8)
              + struct.pack(">I", 0)
              + s15f16(0.9642) + s15f16(1.0) + s15f16(0.8249)
              + bytes(4) + bytes(16) + bytes(28))
    assert len(header) == 128
    profile = bytearray(header + table + body)
    # Profile ID: MD5 of the profile with flags, rendering intent and the ID zeroed.
    digest = hashlib.md5(bytes(profile[:44]) + bytes(4) + bytes(profile[48:64]) + bytes(4)
                         + bytes(profile[68:84]) + bytes(16) + bytes(profile[100:])).digest()
    profile[84:100] = digest
    return bytes(profile)


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def chrm_chunk():
    # sRGB chromaticities (white, red, green, blue), times 100000.
    values = (31270, 32900, 64000, 33000, 30000, 60000, 15000, 6000)
    return png_chunk(b"cHRM", struct.pack(">8I", *values))


def gama_chunk():
    return png_chunk(b"gAMA", struct.pack(">I", 45455))


def png_bytes(image, extra_chunks=(), **options):
    """Encodes `image` as non-interlaced 8-bit RGBA and inserts extra chunks
    right after IHDR."""
    buffer = BytesIO()
    image.save(buffer, "PNG", **options)
    data = buffer.getvalue()
    ihdr_end = 8 + 4 + 4 + 13 + 4
    assert data[12:16] == b"IHDR"
    return data[:ihdr_end] + b"".join(extra_chunks) + data[ihdr_end:]


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


# ---------------------------------------------------------------------------
# Contact sheet.

def contact_sheet(pictures):
    scale, margin = 2, 12
    scaled = [p.resize((p.size[0] * scale, p.size[1] * scale), Image.NEAREST) for p in pictures]
    row_height = max(p.size[1] for p in scaled) + 2 * margin
    width = sum(p.size[0] for p in scaled) + margin * (len(scaled) + 1)
    backgrounds = ["checker", DARK_DESKTOP, LIGHT_DESKTOP]
    sheet = Image.new("RGBA", (width, row_height * len(backgrounds)), (255, 255, 255, 255))
    for row, background in enumerate(backgrounds):
        top = row * row_height
        band = Image.new("RGBA", (width, row_height), (0, 0, 0, 255))
        if background == "checker":
            draw = ImageDraw.Draw(band)
            square = 8
            for y in range(0, row_height, square):
                for x in range(0, width, square):
                    even = (x // square + y // square) % 2 == 0
                    draw.rectangle((x, y, x + square - 1, y + square - 1),
                                   fill=CHECKER_LIGHT if even else CHECKER_DARK)
        else:
            band.paste(background + (255,), (0, 0, width, row_height))
        x = margin
        for picture in scaled:
            layer = Image.new("RGBA", band.size, (0, 0, 0, 0))
            layer.paste(picture, (x, margin))
            band = Image.alpha_composite(band, layer)
            x += picture.size[0] + margin
        sheet.paste(band, (0, top))
    return sheet.convert("RGB")


def main():
    bubble_font = ImageFont.truetype(FONT_PATH, BUBBLE_FONT_SIZE)
    button_font = ImageFont.truetype(FONT_PATH, BUTTON_FONT_SIZE)

    right, left = draw_bubbles(bubble_font)
    words = fitted_line(BUTTON_WORDS, button_font, BUTTON_TEXT_BOX)
    buttons = {name: draw_button(style, words) for name, style in BUTTON_STYLES.items()}
    icon = draw_icon()

    bubble_chunks = [chrm_chunk()]
    button_chunks = [gama_chunk(), chrm_chunk()]
    icc = srgb_icc_profile()
    write(os.path.join(HERE, "bubble_right.png"), png_bytes(right, bubble_chunks, dpi=(96, 96)))
    write(os.path.join(HERE, "bubble_left.png"), png_bytes(left, bubble_chunks, dpi=(96, 96)))
    for name, image in buttons.items():
        write(os.path.join(HERE, "button_%s.png" % name), png_bytes(image, button_chunks, icc_profile=icc))
    write(os.path.join(HERE, "app.ico"), ico_bytes(icon))

    sheet = contact_sheet([right, left, buttons["normal"], buttons["hover"], buttons["pressed"], icon])
    os.makedirs(DOCS, exist_ok=True)
    sheet.save(os.path.join(DOCS, "pictures.png"), "PNG")


if __name__ == "__main__":
    main()
