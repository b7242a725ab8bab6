#!/usr/bin/python3
"""Draws every picture of the design dialog and the module's icon.

Each picture is drawn at SCALE times its size and reduced by area averaging,
so edges are smooth at the small sizes the dialog shows. Only fixed inputs are
used (the fonts shipped with matplotlib, no clock, no randomness), so the same
packages give the same bytes on every run.

    draw_art.py [--out DIR]        writes the bitmaps, the icon and the help
                                   document's drawings under DIR (default:
                                   the repository)
    draw_art.py --check            fails when the committed files differ from
                                   a fresh drawing

Bitmaps are 24-bit uncompressed BMP files (BITMAPINFOHEADER), which the
resource compiler embeds as they are. The icon holds 32-bit images with
alpha for 16, 24, 32, 48 and 64 pixels.
"""

import argparse
import io
import math
import pathlib
import struct
import sys
import tempfile

import matplotlib
import numpy as np
from PIL import Image, ImageDraw, ImageFont

REPO = pathlib.Path(__file__).resolve().parents[2]
SCALE = 8

# The dialog's own background; pictures that sit on it use it too.
DIALOG_BG = (212, 208, 199)

NAVY = (22, 44, 96)
NAVY_LIGHT = (52, 92, 170)
ORANGE = (232, 118, 22)
CHARCOAL = (46, 46, 50)
WHITE = (255, 255, 255)

FONT_DIR = pathlib.Path(matplotlib.get_data_path()) / "fonts" / "ttf"


def font(size_px, bold=True, oblique=False):
    """DejaVu Sans as matplotlib ships it, at a pixel size of the drawing."""
    name = "DejaVuSans"
    if bold and oblique:
        name += "-BoldOblique"
    elif bold:
        name += "-Bold"
    elif oblique:
        name += "-Oblique"
    return ImageFont.truetype(str(FONT_DIR / f"{name}.ttf"), int(round(size_px)))


class Canvas:
    """A drawing at SCALE times the final size, in final-pixel coordinates."""

    def __init__(self, width, height):
        self.width, self.height = width, height
        self.image = Image.new("RGBA", (width * SCALE, height * SCALE), (0, 0, 0, 0))
        self.draw = ImageDraw.Draw(self.image)

    def points(self, pts):
        return [(x * SCALE, y * SCALE) for x, y in pts]

    def polygon(self, pts, fill=None, outline=None, width=0.0):
        self.draw.polygon(self.points(pts), fill=fill)
        if outline is not None and width > 0:
            self.line(list(pts) + [pts[0]], outline, width)

    def line(self, pts, fill, width):
        self.draw.line(self.points(pts), fill=fill, width=max(1, int(round(width * SCALE))), joint="curve")

    def ellipse(self, box, fill=None, outline=None, width=0.0):
        x0, y0, x1, y1 = box
        self.draw.ellipse([x0 * SCALE, y0 * SCALE, x1 * SCALE, y1 * SCALE], fill=fill, outline=outline,
                          width=int(round(width * SCALE)) if outline is not None else 0)

    def rounded(self, box, radius, fill=None, outline=None, width=0.0):
        x0, y0, x1, y1 = box
        self.draw.rounded_rectangle([x0 * SCALE, y0 * SCALE, x1 * SCALE, y1 * SCALE], radius * SCALE,
                                    fill=fill, outline=outline,
                                    width=int(round(width * SCALE)) if outline is not None else 0)

    def arc(self, centre, radius, start, end, fill, width):
        cx, cy = centre
        box = [(cx - radius) * SCALE, (cy - radius) * SCALE, (cx + radius) * SCALE, (cy + radius) * SCALE]
        self.draw.arc(box, start, end, fill=fill, width=int(round(width * SCALE)))

    def text(self, xy, text, size, fill, anchor="mm", bold=True, oblique=False, spacing=0.0):
        """Text placed by an anchor point; spacing adds final pixels between letters."""
        face = font(size * SCALE, bold, oblique)
        if spacing == 0.0:
            self.draw.text((xy[0] * SCALE, xy[1] * SCALE), text, font=face, fill=fill, anchor=anchor)
            return
        widths = [face.getlength(ch) for ch in text]
        total = sum(widths) + spacing * SCALE * (len(text) - 1)
        x = xy[0] * SCALE - {"l": 0.0, "m": total / 2, "r": total}[anchor[0]]
        for ch, w in zip(text, widths):
            self.draw.text((x, xy[1] * SCALE), ch, font=face, fill=fill, anchor="l" + anchor[1])
            x += w + spacing * SCALE

    def gradient(self, box, top, bottom):
        """A vertical colour gradient over a rectangle."""
        x0, y0, x1, y1 = [int(round(v * SCALE)) for v in box]
        t = np.linspace(0.0, 1.0, y1 - y0)[:, None]
        rows = (np.array(top)[None, :] * (1 - t) + np.array(bottom)[None, :] * t).round().astype(np.uint8)
        strip = np.repeat(rows[:, None, :], x1 - x0, axis=1)
        alpha = np.full(strip.shape[:2] + (1,), 255, np.uint8)
        self.image.paste(Image.fromarray(np.concatenate([strip, alpha], axis=2), "RGBA"), (x0, y0))

    def reduced(self, factor=1):
        """The picture at its size (or factor times it, for print), edges averaged."""
        return self.image.resize((self.width * factor, self.height * factor), Image.BOX)

    def rgb(self, background=DIALOG_BG, factor=1):
        """The picture flattened onto a background colour."""
        picture = self.reduced(factor)
        base = Image.new("RGBA", picture.size, background + (255,))
        return Image.alpha_composite(base, picture).convert("RGB")


def lighter(colour, amount):
    return tuple(int(round(c + (255 - c) * amount)) for c in colour)


def darker(colour, amount):
    return tuple(int(round(c * (1 - amount))) for c in colour)


# ---------------------------------------------------------------- help icon

def help_icon():
    """27 x 27: a blue disc with a white question mark."""
    c = Canvas(27, 27)
    c.ellipse((1.2, 1.6, 26.2, 26.6), fill=darker(DIALOG_BG, 0.25))  # soft shadow
    c.ellipse((0.6, 0.6, 25.6, 25.6), fill=darker(NAVY_LIGHT, 0.25))
    c.ellipse((1.6, 1.6, 24.6, 24.6), fill=NAVY_LIGHT)
    c.ellipse((3.5, 2.4, 19.5, 13.0), fill=lighter(NAVY_LIGHT, 0.22))  # highlight
    c.ellipse((3.0, 3.0, 23.2, 23.2), fill=NAVY_LIGHT)
    c.ellipse((4.5, 3.2, 18.0, 10.5), fill=lighter(NAVY_LIGHT, 0.18))
    c.text((13.1, 13.6), "?", 19, WHITE)
    return c


# ---------------------------------------------------------------- maker logos

def waves(c, origin, radii, colour, width, span=50):
    for r in radii:
        c.arc(origin, r, -span, span, colour, width)


def maker_emblem(c, centre, radius):
    """The maker's round emblem: a navy disc with a source and three wave fronts."""
    cx, cy = centre
    c.ellipse((cx - radius, cy - radius, cx + radius, cy + radius), fill=NAVY)
    c.ellipse((cx - radius * 0.86, cy - radius * 0.86, cx + radius * 0.86, cy + radius * 0.86),
              outline=lighter(NAVY, 0.25), width=radius * 0.05)
    src = (cx - radius * 0.42, cy)
    c.ellipse((src[0] - radius * 0.13, cy - radius * 0.13, src[0] + radius * 0.13, cy + radius * 0.13),
              fill=ORANGE)
    waves(c, src, [radius * f for f in (0.36, 0.62, 0.88)], WHITE, radius * 0.1, span=48)


def maker_logo():
    """73 x 72: the maker's emblem over its name."""
    c = Canvas(73, 72)
    maker_emblem(c, (36.5, 25.5), 23.5)
    c.text((36.5, 61.5), "QTO", 17, NAVY, spacing=1.2)
    c.line([(17, 70.2), (56, 70.2)], ORANGE, 1.6)
    return c


def maker_logo_alt():
    """120 x 44: the emblem beside the name, one line."""
    c = Canvas(120, 44)
    maker_emblem(c, (22, 22), 18)
    c.text((77, 19.5), "QTO", 24, NAVY, spacing=1.5)
    c.line([(47, 34.5), (108, 34.5)], ORANGE, 2.0)
    c.text((77, 40.0), "PROFESSIONAL AUDIO", 5.2, CHARCOAL, bold=True, spacing=0.35)
    return c


# ---------------------------------------------------------------- sister family

def sister_logo():
    """120 x 44: the sister family's slanted name over a red sweep."""
    red = (178, 24, 32)
    c = Canvas(120, 44)
    c.polygon([(6, 34), (114, 26), (112, 31), (10, 39)], fill=red)
    c.polygon([(10, 39), (112, 31), (111, 33), (14, 41)], fill=darker(red, 0.35))
    c.text((60, 17), "WQJ", 27, CHARCOAL, oblique=True, spacing=1.0)
    return c


# ---------------------------------------------------------------- product family

def hanging_array(c, top, box_h, depth, count, splay_deg, colour, face, facing=-1):
    """A side view of a curved line array hanging from its top front corner.

    facing -1 aims the array to the left, +1 to the right. Every box below
    the first is tilted down by splay_deg more than the one above, so the
    column curls back under itself as real arrays do. Returns the middle of
    each box's front.
    """
    x, y = top
    angle = 0.0
    fronts = []
    for _ in range(count):
        t = math.radians(angle)
        down = (-facing * math.sin(t), math.cos(t))  # the box's downward axis, tilted back
        back = (-facing * math.cos(t), -math.sin(t))  # towards the rear
        front_top = (x, y)
        front_bottom = (x + down[0] * box_h, y + down[1] * box_h)
        shrink = box_h * 0.15
        back_top = (front_top[0] + back[0] * depth + down[0] * shrink,
                    front_top[1] + back[1] * depth + down[1] * shrink)
        back_bottom = (front_bottom[0] + back[0] * depth - down[0] * shrink,
                       front_bottom[1] + back[1] * depth - down[1] * shrink)
        c.polygon([front_top, back_top, back_bottom, front_bottom], fill=colour)
        inset = 0.16 * depth
        c.polygon([front_top, (front_top[0] + back[0] * inset, front_top[1] + back[1] * inset),
                   (front_bottom[0] + back[0] * inset, front_bottom[1] + back[1] * inset), front_bottom],
                  fill=face)
        fronts.append(((front_top[0] + front_bottom[0]) / 2, (front_top[1] + front_bottom[1]) / 2))
        gap = 0.1 * box_h
        x, y = front_bottom[0] + down[0] * gap, front_bottom[1] + down[1] * gap
        angle += splay_deg
    return fronts


def family_logo():
    """120 x 44: the product family's name beside a curved hanging array."""
    c = Canvas(120, 44)
    hanging_array(c, (10, 3.5), 6.2, 14, 6, 7.0, NAVY, ORANGE)
    c.text((75, 20.5), "KSR", 27, NAVY, spacing=1.8)
    c.line([(38, 35.3), (112, 35.3)], NAVY, 1.2)
    c.text((75, 40.3), "LINE ARRAY SYSTEMS", 5.6, ORANGE, spacing=0.45)
    return c


# ---------------------------------------------------------------- cabinet

def project(points, yaw_deg, pitch_deg):
    """Orthographic view: turn about z by yaw, then tip by pitch; returns screen x, y and depth."""
    p = np.asarray(points, float)
    a, b = math.radians(yaw_deg), math.radians(pitch_deg)
    rz = np.array([[math.cos(a), -math.sin(a), 0], [math.sin(a), math.cos(a), 0], [0, 0, 1]])
    rx = np.array([[1, 0, 0], [0, math.cos(b), -math.sin(b)], [0, math.sin(b), math.cos(b)]])
    q = p @ (rx @ rz).T
    # Screen: x to the right, y down; depth along +y (away from the viewer).
    return np.stack([q[:, 0], -q[:, 2], q[:, 1]], axis=1)


def cabinet():
    """161 x 80: one line-array cabinet in a three-quarter view from front left, above.

    The box is drawn to scale from its outline: side panels 0.26 m high at the
    front, 0.18 m at the back, 0.37 m deep, 0.72 m apart. The front (grille)
    faces -y, as a box aims in the array's own frame.
    """
    yaw, pitch = 40.0, 16.0
    half_w, depth, front_h, back_h = 0.36, 0.37, 0.13, 0.09

    def side(x):
        return [(x, depth, back_h), (x, depth, -back_h), (x, 0.0, -front_h), (x, 0.0, front_h)]

    left, right = side(-half_w), side(half_w)
    raw = np.array(left + right)
    pr = project(raw, yaw, pitch)
    lo, hi = pr[:, :2].min(axis=0), pr[:, :2].max(axis=0)
    margin_x, margin_y = 16.0, 9.0
    scale = min((161 - 2 * margin_x) / (hi[0] - lo[0]), (80 - 2 * margin_y) / (hi[1] - lo[1]))
    offset = np.array([(161 - (hi[0] - lo[0]) * scale) / 2, (80 - (hi[1] - lo[1]) * scale) / 2 + 1.5])

    def scr(points):
        q = project(points, yaw, pitch)
        return [tuple((row[:2] - lo) * scale + offset) for row in q]

    c = Canvas(161, 80)
    # Soft floor shadow.
    shadow = scr([(-half_w - 0.02, -0.02, -front_h - 0.01), (half_w + 0.04, -0.02, -front_h - 0.01),
                  (half_w + 0.04, depth + 0.03, -back_h - 0.02), (-half_w - 0.02, depth + 0.03, -back_h - 0.02)])
    c.polygon(shadow, fill=darker(DIALOG_BG, 0.12))

    # Visible faces: top, left side panel (towards the viewer), front grille.
    top = [(-half_w, 0.0, front_h), (half_w, 0.0, front_h), (half_w, depth, back_h), (-half_w, depth, back_h)]
    c.polygon(scr(top), fill=(92, 92, 98))
    c.polygon(scr(left), fill=(60, 60, 64))
    front = [(-half_w, 0.0, front_h), (half_w, 0.0, front_h), (half_w, 0.0, -front_h), (-half_w, 0.0, -front_h)]
    c.polygon(scr(front), fill=(30, 30, 33))

    # Grille: perforated steel, inset from the frame.
    inset_x, inset_z = 0.018, 0.016
    grille = [(-half_w + inset_x, -0.001, front_h - inset_z), (half_w - inset_x, -0.001, front_h - inset_z),
              (half_w - inset_x, -0.001, -front_h + inset_z), (-half_w + inset_x, -0.001, -front_h + inset_z)]
    c.polygon(scr(grille), fill=(44, 45, 48))
    rows, cols = 9, 30
    dot = 0.38
    for i in range(rows):
        z = (front_h - inset_z - 0.008) - i * (2 * (front_h - inset_z) - 0.016) / (rows - 1)
        for j in range(cols):
            x = (-half_w + inset_x + 0.008) + (j + 0.5 * (i % 2)) * (2 * (half_w - inset_x) - 0.02) / cols
            (px, py), = scr([(x, -0.002, z)])
            c.ellipse((px - dot, py - dot, px + dot, py + dot), fill=(92, 94, 100))

    # Badge on the grille.
    (bx, by), = scr([(half_w - 0.11, -0.003, -front_h + 0.04)])
    c.rounded((bx - 7, by - 2.6, bx + 7, by + 2.6), 1.0, fill=(200, 200, 204))
    c.text((bx, by + 0.1), "KSR", 4.0, NAVY)

    # Edge highlights.
    edge = (120, 120, 128)
    c.line(scr([(-half_w, 0.0, front_h), (half_w, 0.0, front_h)]), edge, 0.6)
    c.line(scr([(-half_w, 0.0, front_h), (-half_w, 0.0, -front_h)]), edge, 0.6)
    c.line(scr([(-half_w, 0.0, front_h), (-half_w, depth, back_h)]), edge, 0.5)

    # Handle recessed in the side panel.
    handle = [(-half_w - 0.001, depth * 0.38, 0.035), (-half_w - 0.001, depth * 0.72, 0.025),
              (-half_w - 0.001, depth * 0.72, -0.005), (-half_w - 0.001, depth * 0.38, 0.005)]
    c.polygon(scr(handle), fill=(24, 24, 26))
    c.line(scr([handle[3], handle[2]]), (110, 110, 116), 0.5)

    # Rigging: front link plates and the rear splay bar, on both sides.
    steel = (170, 172, 178)
    steel_dark = (110, 112, 118)
    for x in (-half_w - 0.004, half_w + 0.004):
        near = x < 0
        colour = steel if near else steel_dark
        front_plate = [(x, 0.012, front_h + 0.035), (x, 0.05, front_h + 0.035),
                       (x, 0.05, -front_h + 0.01), (x, 0.012, -front_h + 0.01)]
        rear_bar = [(x, depth - 0.06, back_h + 0.045), (x, depth - 0.015, back_h + 0.045),
                    (x, depth - 0.015, -back_h + 0.005), (x, depth - 0.06, -back_h + 0.005)]
        if near:
            c.polygon(scr(front_plate), fill=colour)
            c.polygon(scr(rear_bar), fill=colour)
            for y, z in ((0.031, front_h + 0.018), (0.031, -front_h + 0.03),
                         (depth - 0.037, back_h + 0.027), (depth - 0.037, -back_h + 0.025)):
                (px, py), = scr([(x - 0.001, y, z)])
                c.ellipse((px - 0.9, py - 0.9, px + 0.9, py + 0.9), fill=(40, 40, 44))
        else:
            # Only the parts standing above the top show on the far side.
            c.polygon(scr([front_plate[0], front_plate[1], (x, 0.05, front_h), (x, 0.012, front_h)]),
                      fill=colour)
            c.polygon(scr([rear_bar[0], rear_bar[1], (x, depth - 0.015, back_h), (x, depth - 0.06, back_h)]),
                      fill=colour)
    return c


# ---------------------------------------------------------------- VELT view

def velt_view():
    """108 x 64: a small window of the prediction program, a venue section with coverage rays."""
    c = Canvas(108, 64)
    frame = (120, 120, 124)
    c.rounded((0.5, 0.5, 107.5, 63.5), 2.0, fill=frame)
    c.gradient((1.5, 1.5, 106.5, 9.5), (36, 72, 160), (18, 40, 110))
    c.text((5.0, 5.6), "VELT", 5.2, WHITE, anchor="lm")
    for i, col in enumerate(((200, 60, 50), (200, 190, 60), (80, 170, 80))):
        x = 102.5 - i * 5.2
        c.ellipse((x - 1.7, 3.8, x + 1.7, 7.4), fill=col)
    # Client area: sky-pale background.
    c.gradient((1.5, 9.5, 106.5, 62.5), (250, 250, 252), (228, 234, 242))

    # Venue section: stage at left, raked floor, a balcony, back wall.
    floor = [(8, 56), (40, 54.5), (70, 52), (92, 48.5), (92, 61), (8, 61)]
    balcony = [(66, 34), (92, 27), (92, 33), (72, 37.5)]
    c.polygon(floor, fill=(176, 168, 150))
    c.polygon(balcony, fill=(176, 168, 150))
    c.line([(92, 20), (92, 61)], (110, 104, 94), 1.2)
    c.line([(8, 56), (40, 54.5), (70, 52), (92, 48.5)], (96, 90, 80), 0.8)
    c.line([(66, 34), (92, 27)], (96, 90, 80), 0.8)
    c.polygon([(4, 56), (14, 56), (14, 61), (4, 61)], fill=(120, 100, 80))  # stage

    # The array hanging above the stage edge.
    c.line([(15.5, 9.5), (15.5, 12.6)], (90, 90, 96), 0.6)  # hoist
    c.line([(12.5, 13.2), (18.5, 13.2)], (60, 60, 66), 1.0)  # rigging grid
    fronts = hanging_array(c, (17.5, 14.0), 2.6, 4.0, 8, 3.6, NAVY, ORANGE, facing=1)

    # Coverage rays from the array to floor and balcony, hot near, cool far.
    targets = [((92, 28.5), (220, 40, 40)), ((82, 31.0), (236, 120, 30)), ((70, 35.0), (240, 200, 40)),
               ((92, 48.8), (140, 200, 60)), ((75, 51.5), (60, 170, 110)), ((55, 53.4), (50, 140, 200)),
               ((36, 54.8), (70, 90, 200))]
    for start, (end, col) in zip(fronts, targets):
        c.line([start, end], col, 0.9)

    # Coverage shading on the audience surfaces.
    spl = [(8, 56, 24, 55.2, (60, 90, 200)), (24, 55.2, 40, 54.5, (50, 140, 200)),
           (40, 54.5, 58, 53.0, (60, 170, 110)), (58, 53.0, 76, 51.2, (140, 200, 60)),
           (76, 51.2, 92, 48.5, (240, 200, 40))]
    for x0, y0, x1, y1, col in spl:
        c.line([(x0, y0 - 0.6), (x1, y1 - 0.6)], col, 1.3)
    c.line([(66, 33.4), (79, 30.0)], (236, 120, 30), 1.3)
    c.line([(79, 30.0), (92, 26.4)], (220, 40, 40), 1.3)
    return c


# ---------------------------------------------------------------- icon

def icon_image(size):
    """The module's icon at one size: a curved line array on a navy tile, with alpha."""
    c = Canvas(size, size)
    u = size / 32.0
    c.rounded((0.5 * u, 0.5 * u, 31.5 * u, 31.5 * u), 6.0 * u, fill=NAVY + (255,))
    c.rounded((1.5 * u, 1.5 * u, 30.5 * u, 30.5 * u), 5.2 * u, outline=NAVY_LIGHT + (255,), width=0.9 * u)
    count = 4 if size < 24 else 5
    box_h = 22.0 / count * u
    hanging_array(c, (10.5 * u, 4.5 * u), box_h, 8.5 * u, count, 9.0,
                  (236, 238, 244) + (255,), ORANGE + (255,), facing=-1)
    return c.reduced()


def ico_bytes(images):
    """An icon file of 32-bit DIB images (with an all-clear AND mask)."""
    entries, blobs = [], []
    for img in images:
        w, h = img.size
        bgra = np.asarray(img.convert("RGBA"))[::-1, :, [2, 1, 0, 3]]  # bottom-up rows, BGRA
        mask_row = ((w + 31) // 32) * 4
        header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, w * h * 4 + mask_row * h, 0, 0, 0, 0)
        blobs.append(header + bgra.tobytes() + bytes(mask_row * h))
    offset = 6 + 16 * len(images)
    for img, blob in zip(images, blobs):
        w, h = img.size
        entries.append(struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(blob), offset))
        offset += len(blob)
    return struct.pack("<HHH", 0, 1, len(images)) + b"".join(entries) + b"".join(blobs)


# ---------------------------------------------------------------- help figures

# Outline of a line-array box in its own frame (y back, z up; metres) and the
# rigging constants that hang one box below the other.
BOX_OUTLINE = [(0.37, 0.09), (0.37, -0.09), (0.0, -0.13), (0.0, 0.13)]
RIG_LENGTH, RIG_ANGLE, RIG_RADIUS = 0.26, 112.6552, 0.1408


def hang(grid, differences):
    """Outlines and aim points of a hanging array, in a side view (y back, z up).

    The elevation of box k is the grid angle plus the difference angles of
    boxes 0..k; each box turns about its top rigging point and the next box
    hangs RIG_LENGTH further along its downward axis.
    """
    elevations = list(np.cumsum(differences) + grid)
    x = y = 0.0
    boxes = []
    for e in elevations:
        tilt = math.radians(grid - e)  # the rigging chain's turn of this box
        ref = (x + RIG_RADIUS * math.cos(math.radians(math.degrees(tilt) + RIG_ANGLE)),
               y - RIG_RADIUS * math.sin(math.radians(math.degrees(tilt) + RIG_ANGLE)))
        t = math.radians(e - grid)
        pts = [(-ref[0] + by * math.cos(t) + bz * math.sin(t), ref[1] + bz * math.cos(t) - by * math.sin(t))
               for by, bz in BOX_OUTLINE]
        boxes.append((pts, (-ref[0], ref[1]), e))
        x -= RIG_LENGTH * math.sin(tilt)
        y -= RIG_LENGTH * math.cos(tilt)
    return boxes


def angle_figure():
    """PNG bytes: an array in side view with its grid, difference and elevation angles."""
    import matplotlib.pyplot as plt
    from matplotlib.patches import Polygon

    grid = 0.0
    differences = [0, -1, -2, -3, -5, -8]
    boxes = hang(grid, differences)
    fig, ax = plt.subplots(figsize=(6.2, 3.9), dpi=150)
    ax.set_aspect("equal")
    ax.axis("off")
    ax.plot([-0.12, 0.5], [0.0, 0.0], color="#162c60", lw=3.0, solid_capstyle="butt")
    ax.text(0.52, 0.0, "rigging grid\n(Grid Elevation Angle)", va="center", fontsize=7.5, color="#162c60")
    for k, (pts, ref, e) in enumerate(boxes):
        ax.add_patch(Polygon(pts, closed=True, fc="#3c3c42", ec="#16161a", lw=0.8))
        front = [pts[2], pts[3]]
        ax.plot([front[0][0], front[1][0]], [front[0][1], front[1][1]], color="#e87616", lw=2.2)
        aim = (-math.cos(math.radians(e)), math.sin(math.radians(e)))
        start = ((front[0][0] + front[1][0]) / 2, (front[0][1] + front[1][1]) / 2)
        length = 0.75
        end = (start[0] + aim[0] * length, start[1] + aim[1] * length)
        ax.annotate("", xy=end, xytext=start, arrowprops=dict(arrowstyle="-|>", color="#2c5aa0", lw=0.8))
        label = f"Box {k + 1}:  Diff Ang {differences[k]:d}°,  Elev Ang {e:.0f}°".replace("-", "\u2212")
        ax.text(end[0] - 0.04, end[1], label, ha="right", va="center", fontsize=7.5, color="#1d2330")
        ax.text(max(p[0] for p in pts) + 0.04, (pts[0][1] + pts[1][1]) / 2, f"{k + 1}", va="center", fontsize=7,
                color="#4d5566")
    ax.set_xlim(-1.95, 1.15)
    ax.set_ylim(-1.85, 0.1)
    fig.subplots_adjust(0, 0, 1, 1)
    buffer = io.BytesIO()
    fig.savefig(buffer, format="png", metadata={"Software": None}, facecolor="white")
    plt.close(fig)
    return buffer.getvalue()


def png_bytes(image):
    buffer = io.BytesIO()
    image.save(buffer, format="PNG")
    return buffer.getvalue()


# ---------------------------------------------------------------- output

BITMAPS = [
    ("maker_logo_alt_109.bmp", maker_logo_alt, (120, 44)),
    ("sister_logo_111.bmp", sister_logo, (120, 44)),
    ("maker_logo_114.bmp", maker_logo, (73, 72)),
    ("cabinet_117.bmp", cabinet, (161, 80)),
    ("velt_view_118.bmp", velt_view, (108, 64)),
    ("help_icon_119.bmp", help_icon, (27, 27)),
    ("family_logo_122.bmp", family_logo, (120, 44)),
]
ICON_SIZES = (16, 24, 32, 48, 64)


def bmp_bytes(image):
    buffer = io.BytesIO()
    image.convert("RGB").save(buffer, format="BMP")
    return buffer.getvalue()


HELP_IMAGES = pathlib.Path("docs/help/images")


def render():
    """Every output file as (path relative to the repository, bytes)."""
    files = []
    for name, draw, size in BITMAPS:
        image = draw().rgb()
        if image.size != size:
            raise SystemExit(f"{name}: drawn {image.size}, expected {size}")
        files.append((pathlib.Path("resources/bitmaps") / name, bmp_bytes(image)))
    files.append((pathlib.Path("resources/ksr.ico"), ico_bytes([icon_image(s) for s in ICON_SIZES])))
    # The same drawings at print size for the help document, on white paper.
    files.append((HELP_IMAGES / "family_logo.png", png_bytes(family_logo().rgb(WHITE, factor=4))))
    files.append((HELP_IMAGES / "maker_logo.png", png_bytes(maker_logo().rgb(WHITE, factor=4))))
    files.append((HELP_IMAGES / "cabinet.png", png_bytes(cabinet().rgb(WHITE, factor=4))))
    files.append((HELP_IMAGES / "array_angles.png", angle_figure()))
    return files


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", type=pathlib.Path, default=REPO, help="root to write under")
    parser.add_argument("--check", action="store_true", help="compare with the committed files")
    parser.add_argument("--preview", type=pathlib.Path, help="also write 4x PNG previews here")
    args = parser.parse_args(argv)

    files = render()
    if args.check:
        stale = [str(p) for p, data in files if not (REPO / p).is_file() or (REPO / p).read_bytes() != data]
        if stale:
            print("out of date (run tools/art/draw_art.py):", *stale, sep="\n  ")
            return 1
        print(f"{len(files)} art files up to date")
        return 0
    for path, data in files:
        target = args.out / path
        target.parent.mkdir(parents=True, exist_ok=True)
        target.write_bytes(data)
    if args.preview:
        args.preview.mkdir(parents=True, exist_ok=True)
        for path, data in files:
            if path.suffix == ".bmp":
                img = Image.open(io.BytesIO(data))
                img.resize((img.width * 4, img.height * 4), Image.NEAREST).save(args.preview / (path.stem + ".png"))
            elif path.suffix == ".png":
                (args.preview / ("help_" + path.name)).write_bytes(data)
        for s in ICON_SIZES:
            icon_image(s).resize((s * 4, s * 4), Image.NEAREST).save(args.preview / f"icon_{s}.png")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
