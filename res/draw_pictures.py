#!/usr/bin/python3
"""Draws the bubble's pictures at every display scale, and the application icon.

Writes, next to this script:
  pictures/<percent>/<name>.png  the five pictures at 100, 125, 150, 175, 200,
      225, 250 and 300 %: bubble_right and bubble_left (207 x 75 at 100 %, the
      bubble with its tail on the left and on the right), button_hover,
      button_normal and button_pressed (66 x 24 at 100 %, the dismiss button)
  pictures.rc   the resource script fragment listing the 40 pictures, their ids
      the 100 % ids of resource.h plus IDP_SCALE_STEP for each further scale
  app.ico       one 32 x 32 icon with 32 bits per pixel
and ../docs/pictures.png, a contact sheet of every scale over a checkerboard,
a dark and a light desktop colour.

Every length is its 100 % value scaled: s(v) = v * percent / 100 rounded half
up, as the program's MulDiv(v, dpi, 96) rounds it; the text is drawn from the
font at the scaled size. Run with Debian's /usr/bin/python3 (python3-pil) and
the font of fonts-wqy-microhei. The output is the same, byte for byte, on
every run.
"""

import math
import os
import re
import struct
import sys

from PIL import Image, ImageCms, ImageDraw, ImageFont
from PIL.PngImagePlugin import PngInfo

HERE = os.path.dirname(os.path.abspath(__file__))
DOCS = os.path.join(os.path.dirname(HERE), "docs")
PICTURES = "pictures"
FONT_PATH = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"

PERCENTS = (100, 125, 150, 175, 200, 225, 250, 300)
BASE_DPI = 96

# Text, written as escapes so that no editor or locale can change it.
BUBBLE_LINE_1 = "Marrowtune\u5c31\u5728\u8fd9"   # Marrowtune is right
BUBBLE_LINE_2 = "\u91cc\u54e6!"                  # here!
BUTTON_WORDS = "\u6211\u77e5\u9053\u4e86"        # I see, got it

# ---------------------------------------------------------------------------
# Bubble geometry and colours at 100 %. Pixel (x, y) covers the square
# [x, x+1) x [y, y+1); the shapes are in those continuous coordinates.

BUBBLE_SIZE = (207, 75)
BODY_LEFT, BODY_TOP, BODY_RIGHT, BODY_BOTTOM = 11, 4, 200, 68   # inclusive pixels
BORDER_WIDTH = 1
CORNER_RADIUS = 3.5
TAIL_TIP = (4, 24)                  # the tip: the middle of this pixel's left edge
TAIL_BASE_TOP, TAIL_BASE_BOTTOM = 17, 31   # inclusive rows on the body's edge
TAIL_REACH = 6.0                    # how far into the body the tail's sides run
# The left picture is the right one mirrored so that its body starts here (and
# its tail tip lies in pixel 200 at 100 %).
LEFT_BODY_LEFT = 4

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
# Button geometry and colours at 100 %.

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

# PNG chunks: sRGB chromaticities (white, red, green, blue) times 100000, and
# the sRGB gamma times 100000. The profile's creation date is pinned so that
# its bytes never change.
CHROMATICITIES = (31270, 32900, 64000, 33000, 30000, 60000, 15000, 6000)
GAMMA = 45455
PROFILE_DATE = (2024, 1, 1, 0, 0, 0)

CHECKER_LIGHT = (255, 255, 255)
CHECKER_DARK = (204, 204, 204)
DARK_DESKTOP = (32, 56, 88)
LIGHT_DESKTOP = (220, 228, 236)
LABEL_COLOUR = (64, 64, 64)


class Scale:
    """Lengths at one display scale: px() in whole pixels, rounded half up
    (v * percent / 100 is exact here, and so is v * dpi / 96, the same
    number, which MulDiv rounds half up too); at() where a length need not
    be whole."""

    def __init__(self, percent):
        self.percent = percent
        self.dpi = BASE_DPI * percent // 100

    def px(self, v):
        return (2 * v * self.percent + 100) // 200

    def at(self, v):
        return v * self.percent / 100.0

    def box(self, box):
        """An inclusive pixel box scaled: its edges are scaled, not its pixels."""
        left, top, right, bottom = box
        return (self.px(left), self.px(top), self.px(right + 1) - 1, self.px(bottom + 1) - 1)


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


def fitted_line(text, font, width, scale):
    """The line's mask with the tracking chosen so its ink is exactly `width`
    pixels wide; its height is what the font size gives."""
    low, high = scale.at(-2.0), scale.at(4.0)
    for _ in range(40):
        middle = (low + high) / 2.0
        if line_mask(text, font, middle).size[0] < width:
            low = middle
        else:
            high = middle
    mask = line_mask(text, font, high)
    if mask.size[0] != width:
        sys.exit("cannot fit %r into %d pixels (got %d)" % (text, width, mask.size[0]))
    return mask


def fitted_in_box(text, font_size, box, scale):
    """The line's mask at the scaled font size, fitted to the scaled box's width."""
    font = ImageFont.truetype(FONT_PATH, scale.px(font_size))
    left, _, right, _ = scale.box(box)
    return fitted_line(text, font, right - left + 1, scale)


def origin_in_box(mask, box, scale):
    """Where the mask goes in the scaled box: at its left edge, centred
    between its top and bottom (the ink's height is the font's, which may
    miss the scaled box's by a pixel or two)."""
    left, top, _, bottom = scale.box(box)
    return left, top + (bottom - top + 1 - mask.size[1]) // 2


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

class Body:
    """The bubble's body at one scale: whole-pixel edges (inclusive) and a
    whole-pixel border, so that the outline stays sharp."""

    def __init__(self, scale):
        self.left, self.top, self.right, self.bottom = scale.box((BODY_LEFT, BODY_TOP, BODY_RIGHT, BODY_BOTTOM))
        self.border = scale.px(BORDER_WIDTH)

    def fill(self, y):
        first, last = self.top + self.border, self.bottom - self.border
        return lerp_colour(FILL_TOP, FILL_BOTTOM, (y - first) / float(last - first))

    def border_colour(self, y):
        t = min(1.0, max(0.0, (y - self.top) / float(self.bottom - self.top)))
        return lerp_colour(BORDER_TOP, BORDER_BOTTOM, t)


def bubble_shape(body, scale):
    box = (body.left, body.top, body.right + 1, body.bottom + 1, scale.at(CORNER_RADIUS))
    # The tail's sides run from the tip through the ends of its base on the
    # body's left edge and on into the body, so its base edge lies deep
    # inside. The tip is the middle of a pixel's left edge.
    tip_x, tip_y = float(scale.px(TAIL_TIP[0])), scale.px(TAIL_TIP[1]) + 0.5
    half_base = scale.at((TAIL_BASE_BOTTOM + 1 - TAIL_BASE_TOP) / 2.0)
    base_top, base_bottom = tip_y - half_base, tip_y + half_base
    reach = body.left + scale.at(TAIL_REACH)
    widening = (reach - tip_x) / (body.left - tip_x)
    tail = [
        (tip_x, tip_y),
        (reach, tip_y + (base_top - tip_y) * widening),
        (reach, tip_y + (base_bottom - tip_y) * widening),
    ]
    return Shape(boxes=[box], polygons=[tail])


def draw_bubbles(scale):
    size = (scale.px(BUBBLE_SIZE[0]), scale.px(BUBBLE_SIZE[1]))
    body = Body(scale)
    shadow = tuple((scale.at(d), alpha) for d, alpha in SHADOW_STEPS)
    right = render_shape(size, bubble_shape(body, scale), body.border_colour, body.fill, shadow, body.border)
    # left[x] shows right[mirror - x], which puts the left body's first column
    # where the scaled LEFT_BODY_LEFT is; mirrored[x] is right[width - 1 - x].
    mirror = scale.px(LEFT_BODY_LEFT) + body.right
    left = Image.new("RGBA", size, (0, 0, 0, 0))
    left.paste(right.transpose(Image.FLIP_LEFT_RIGHT), (mirror - (size[0] - 1), 0))

    lines = [BUBBLE_LINE_1, BUBBLE_LINE_2]
    for text, box in zip(lines, RIGHT_TEXT_BOXES):
        mask = fitted_in_box(text, BUBBLE_FONT_SIZE, box, scale)
        paint_mask(right, mask, origin_in_box(mask, box, scale), TEXT_COLOUR, TEXT_WEIGHT)
        dx, dy = LEFT_TEXT_SHIFT
        shifted = (box[0] + dx, box[1] + dy, box[2] + dx, box[3] + dy)
        paint_mask(left, mask, origin_in_box(mask, shifted, scale), TEXT_COLOUR, TEXT_WEIGHT)
    return right, left


# ---------------------------------------------------------------------------
# The buttons.

def draw_button(style, words, scale):
    border, top, bottom, inner_edge = style
    width, height = scale.px(BUTTON_SIZE[0]), scale.px(BUTTON_SIZE[1])
    edge = scale.px(BORDER_WIDTH)
    image = Image.new("RGBA", (width, height), border + (255,))
    pixels = image.load()
    first, last = edge, height - 1 - edge
    for y in range(first, last + 1):
        fill = lerp_colour(top, bottom, (y - first) / float(last - first))
        for x in range(edge, width - edge):
            colour = fill
            if inner_edge and (y < first + edge or y > last - edge or x < 2 * edge or x >= width - 2 * edge):
                colour = lerp_colour(fill, (255, 255, 255), INNER_EDGE_BLEND)
            pixels[x, y] = tuple(to_byte(c) for c in colour) + (255,)
    body = Body(scale)
    on_bubble = scale.px(BUTTON_TOP_ON_BUBBLE)
    for y in list(range(edge)) + list(range(height - edge, height)):
        behind = body.fill(on_bubble + y)
        colour = tuple(to_byte(c) for c in lerp_colour(border, behind, CORNER_BLEND)) + (255,)
        for x in list(range(edge)) + list(range(width - edge, width)):
            pixels[x, y] = colour
    paint_mask(image, words, origin_in_box(words, BUTTON_TEXT_BOX, scale), BUTTON_TEXT_COLOUR, TEXT_WEIGHT)
    return image


def draw_pictures(scale):
    """The five pictures at one scale, by file name."""
    right, left = draw_bubbles(scale)
    words = fitted_in_box(BUTTON_WORDS, BUTTON_FONT_SIZE, BUTTON_TEXT_BOX, scale)
    pictures = {"bubble_right": right, "bubble_left": left}
    for name, style in BUTTON_STYLES.items():
        pictures["button_" + name] = draw_button(style, words, scale)
    return pictures


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




# ---------------------------------------------------------------------------
# Files.

def srgb_icc_profile():
    """The sRGB profile of the colour management library, with its creation
    date pinned so that its bytes never change (it carries no profile ID
    that the date would have to agree with)."""
    data = ImageCms.ImageCmsProfile(ImageCms.createProfile("sRGB")).tobytes()
    if any(data[84:100]):
        sys.exit("the sRGB profile carries a profile ID; pinning its date would break it")
    return data[:24] + struct.pack(">6H", *PROFILE_DATE) + data[36:]


def png_info(*chunks):
    info = PngInfo()
    for kind, data in chunks:
        info.add(kind, data)
    return info


def save_pictures(pictures, scale, folder):
    """The bubbles carry chromaticities and their physical size (the scale's
    dots per inch); the buttons gamma, chromaticities and the sRGB profile."""
    chrm = (b"cHRM", struct.pack(">8I", *CHROMATICITIES))
    gama = (b"gAMA", struct.pack(">I", GAMMA))
    options = {
        "bubble": {"pnginfo": png_info(chrm), "dpi": (scale.dpi, scale.dpi)},
        "button": {"pnginfo": png_info(gama, chrm), "icc_profile": srgb_icc_profile()},
    }
    os.makedirs(folder, exist_ok=True)
    for name, image in pictures.items():
        image.save(os.path.join(folder, name + ".png"), "PNG", **options[name.split("_")[0]])


def resource_ids():
    """The pictures' 100 % ids by file name, and the step between scales, as
    resource.h defines them (IDP_BUBBLE_RIGHT is bubble_right.png)."""
    with open(os.path.join(HERE, "resource.h")) as header:
        defined = dict(re.findall(r"^#define (IDP_\w+) (\d+)$", header.read(), re.MULTILINE))
    step = int(defined.pop("IDP_SCALE_STEP"))
    return {name[len("IDP_"):].lower(): int(value) for name, value in defined.items()}, step


def resource_script(names):
    ids, step = resource_ids()
    if sorted(ids) != sorted(names):
        sys.exit("resource.h names %s, the pictures are %s" % (sorted(ids), sorted(names)))
    lines = ["// The bubble's pictures at every scale, written by draw_pictures.py: edit",
             "// that, not this. The ids of one scale are those of the one before plus",
             "// IDP_SCALE_STEP, from the 100 % ids of resource.h.",
             "LANGUAGE 0x04, 0x02", ""]
    for index, percent in enumerate(PERCENTS):
        for name in sorted(ids, key=ids.get):
            lines.append('%d PNG "%s/%d/%s.png"  // %d %%, %s'
                         % (ids[name] + index * step, PICTURES, percent, name, percent, name))
    return "\n".join(lines) + "\n"


# ---------------------------------------------------------------------------
# Contact sheet: a band for each scale, each picture at its own size.

def panel(size, background, top):
    """A panel of the sheet; a checkerboard runs on from the band above."""
    if background != "checker":
        return Image.new("RGBA", size, background + (255,))
    square = 8
    image = Image.new("RGBA", size, CHECKER_LIGHT + (255,))
    draw = ImageDraw.Draw(image)
    for y in range(-(top % square), size[1], square):
        for x in range(0, size[0], square):
            if (x // square + (top + y) // square) % 2:
                draw.rectangle((x, y, x + square - 1, y + square - 1), fill=CHECKER_DARK)
    return image


def contact_sheet(sets, icon):
    """`sets` holds the five pictures of each scale, by percent: the right
    bubble over the checkerboard, the left one over the dark desktop, the
    three buttons (and at 100 % the icon) over the light desktop."""
    margin, label_width = 12, 72
    font = ImageFont.truetype(FONT_PATH, 18)
    largest = sets[PERCENTS[-1]]
    widths = [largest["bubble_right"].size[0], largest["bubble_left"].size[0],
              sum(largest["button_" + n].size[0] for n in BUTTON_STYLES) + ICON_SIZE + 3 * margin]
    width = label_width + sum(widths) + 2 * margin * len(widths)
    height = sum(pictures["bubble_right"].size[1] + 2 * margin for pictures in sets.values())
    sheet = Image.new("RGBA", (width, height), (255, 255, 255, 255))
    top = 0
    for percent, pictures in sets.items():
        band_height = pictures["bubble_right"].size[1] + 2 * margin
        ImageDraw.Draw(sheet).text((margin, top + margin), "%d %%" % percent, font=font, fill=LABEL_COLOUR)
        shown = [[pictures["bubble_right"]], [pictures["bubble_left"]],
                 [pictures["button_" + n] for n in BUTTON_STYLES] + ([icon] if percent == 100 else [])]
        x = label_width
        for column, background, images in zip(widths, ["checker", DARK_DESKTOP, LIGHT_DESKTOP], shown):
            band = panel((column + 2 * margin, band_height), background, top)
            left = margin
            for image in images:
                band.alpha_composite(image, (left, margin))
                left += image.size[0] + margin
            sheet.paste(band, (x, top))
            x += column + 2 * margin
        top += band_height
    return sheet.convert("RGB")


def main():
    sets = {}
    for percent in PERCENTS:
        scale = Scale(percent)
        sets[percent] = draw_pictures(scale)
        save_pictures(sets[percent], scale, os.path.join(HERE, PICTURES, str(percent)))
    with open(os.path.join(HERE, "pictures.rc"), "w") as script:
        script.write(resource_script(sets[100]))
    icon = draw_icon()
    icon.save(os.path.join(HERE, "app.ico"), "ICO", sizes=[icon.size])
    os.makedirs(DOCS, exist_ok=True)
    contact_sheet(sets, icon).save(os.path.join(DOCS, "pictures.png"), "PNG")


if __name__ == "__main__":
    main()
