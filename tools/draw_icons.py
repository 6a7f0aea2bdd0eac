#!/usr/bin/python3
"""Draws Pagewright's toolbar strips, tree images and application icon.

Run by hand after changing a drawing:
    /usr/bin/python3 tools/draw_icons.py [resources-dir] [--preview]
--preview also writes an enlarged sheet of everything to $PREVIEW (/tmp/pagewright-icons.png).
Needs PIL (Debian: python3-pil). The build does not run this; it uses the files it writes.

Every icon is drawn on a 16-unit grid, four times oversampled and reduced, so one drawing
serves 16 px lists and the 32 px main toolbar alike. Strips are 24-bit bottom-up BMPs whose
first stored pixel (bottom-left) is the key colour magenta; the loaders take the key from
that pixel, so no icon pixel may ever be exactly magenta.
"""
import io
import math
import os
import struct
import sys

from PIL import Image, ImageDraw

KEY = (255, 0, 255)
OVERSAMPLE = 4
EDGE_BACKGROUND = (240, 240, 240)   # what half-covered edge pixels are blended towards
COVERAGE_THRESHOLD = 0.4            # less covered than this: the pixel becomes key

# One palette for everything.
INK = (45, 52, 64, 255)
OUTLINE = (104, 112, 128, 255)
PAPER = (255, 255, 255, 255)
PAPER_SHADE = (222, 226, 234, 255)
LINE = (150, 160, 176, 255)
BLUE = (38, 110, 214, 255)
BLUE_DARK = (26, 72, 150, 255)
BLUE_LIGHT = (186, 214, 250, 255)
GREEN = (40, 160, 90, 255)
GREEN_DARK = (26, 112, 62, 255)
RED = (214, 58, 50, 255)
RED_DARK = (150, 36, 30, 255)
AMBER = (244, 184, 60, 255)
AMBER_DARK = (196, 134, 24, 255)
AMBER_LIGHT = (252, 214, 120, 255)
ORANGE = (238, 122, 32, 255)
TEAL = (20, 150, 160, 255)
PURPLE = (118, 76, 188, 255)
PURPLE_DARK = (80, 48, 140, 255)
GREY = (150, 156, 166, 255)
GREY_DARK = (90, 96, 108, 255)
SKY = (160, 206, 246, 255)
BROWN = (150, 100, 56, 255)
WHITE = PAPER
CLEAR = (0, 0, 0, 0)


class Canvas:
    """An oversampled RGBA drawing surface addressed in 16-unit icon coordinates.

    Pixel i of the icon spans [i, i+1) in these coordinates, so integer rectangles land on
    whole pixels and stay sharp."""

    def __init__(self, width, height, unit):
        self.k = unit * OVERSAMPLE
        self.size = (width, height)
        self.img = Image.new("RGBA", (width * OVERSAMPLE, height * OVERSAMPLE), CLEAR)
        self.d = ImageDraw.Draw(self.img)

    def p(self, x, y):
        return (x * self.k, y * self.k)

    def rect(self, x0, y0, x1, y1, fill):
        k = self.k
        self.d.rectangle([x0 * k, y0 * k, x1 * k - 1, y1 * k - 1], fill=fill)

    def box(self, x0, y0, x1, y1, fill, edge=OUTLINE, w=1):
        self.rect(x0, y0, x1, y1, edge)
        self.rect(x0 + w, y0 + w, x1 - w, y1 - w, fill)

    def rounded(self, x0, y0, x1, y1, r, fill):
        k = self.k
        self.d.rounded_rectangle([x0 * k, y0 * k, x1 * k - 1, y1 * k - 1], r * k, fill=fill)

    def poly(self, pts, fill):
        self.d.polygon([self.p(x, y) for x, y in pts], fill=fill)

    def line(self, pts, colour, w=1.0, caps=False):
        self.d.line([self.p(x, y) for x, y in pts], fill=colour, width=max(1, round(w * self.k)),
                    joint="curve")
        if caps:
            for x, y in (pts[0], pts[-1]):
                self.disc(x, y, w / 2, colour)

    def ellipse(self, x0, y0, x1, y1, fill):
        k = self.k
        self.d.ellipse([x0 * k, y0 * k, x1 * k - 1, y1 * k - 1], fill=fill)

    def ring(self, x0, y0, x1, y1, colour, w=1, fill=None):
        self.ellipse(x0, y0, x1, y1, colour)
        self.ellipse(x0 + w, y0 + w, x1 - w, y1 - w, fill if fill else CLEAR)

    def disc(self, cx, cy, r, fill):
        self.ellipse(cx - r, cy - r, cx + r, cy + r, fill)

    def arc(self, x0, y0, x1, y1, start, end, colour, w=1.0):
        k = self.k
        self.d.arc([x0 * k, y0 * k, x1 * k - 1, y1 * k - 1], start, end, fill=colour,
                   width=max(1, round(w * k)))

    def reduced(self):
        return self.img.resize(self.size, Image.BOX)


def keyed_rgb(rgba):
    """Flattens an RGBA icon onto the key colour with a hard mask, as the image lists see it."""
    out = Image.new("RGB", rgba.size, KEY)
    src = rgba.load()
    dst = out.load()
    bg = EDGE_BACKGROUND
    for y in range(rgba.size[1]):
        for x in range(rgba.size[0]):
            r, g, b, a = src[x, y]
            if a < COVERAGE_THRESHOLD * 255:
                continue
            t = a / 255.0
            pix = tuple(round(c * t + e * (1 - t)) for c, e in zip((r, g, b), bg))
            dst[x, y] = (254, 0, 254) if pix == KEY else pix
    return out


def greyed(rgb):
    """The disabled look: light flat grey that keeps the shape readable."""
    out = rgb.copy()
    px = out.load()
    for y in range(out.size[1]):
        for x in range(out.size[0]):
            c = px[x, y]
            if c == KEY:
                continue
            lum = 0.299 * c[0] + 0.587 * c[1] + 0.114 * c[2]
            v = round(132 + lum * 0.45)
            px[x, y] = (v, v, v)
    return out


# ---------------------------------------------------------------- shared pieces

def page(c, x0=3, y0=1, x1=13, y1=15, fold=3, edge=OUTLINE, fill=PAPER):
    c.poly([(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)], edge)
    c.poly([(x0 + 1, y0 + 1), (x1 - fold - 0.4, y0 + 1), (x1 - 1, y0 + fold + 0.4),
            (x1 - 1, y1 - 1), (x0 + 1, y1 - 1)], fill)
    c.poly([(x1 - fold, y0), (x1 - fold, y0 + fold), (x1, y0 + fold)], edge)
    c.poly([(x1 - fold + 1, y0 + 1.5), (x1 - fold + 1, y0 + fold - 1), (x1 - 1.5, y0 + fold - 1)],
           PAPER_SHADE)


def text_lines(c, x0, x1, ys, colour=LINE):
    for i, y in enumerate(ys):
        c.rect(x0, y, x1 - (2 if i % 3 == 2 else 0), y + 1, colour)


def folder(c, x0=1, y0=3, x1=15, y1=14, opened=False):
    c.poly([(x0, y0 + 1), (x0 + 1, y0), (x0 + 5, y0), (x0 + 6, y0 + 1.5), (x1, y0 + 1.5),
            (x1, y1), (x0, y1)], AMBER_DARK)
    c.rect(x0 + 1, y0 + 2.5, x1 - 1, y1 - 1, AMBER)
    if opened:
        c.rect(x0 + 2, y0 + 2.5, x1 - 2, y0 + 5, PAPER)
        c.poly([(x0 + 2.5, y0 + 4.5), (x1 + 0.5, y0 + 4.5), (x1 - 1.5, y1), (x0, y1)], AMBER_DARK)
        c.poly([(x0 + 3.2, y0 + 5.5), (x1 - 0.8, y0 + 5.5), (x1 - 2.2, y1 - 1), (x0 + 1.2, y1 - 1)],
               AMBER_LIGHT)
    else:
        c.rect(x0 + 1, y0 + 2.5, x1 - 1, y0 + 3.5, AMBER_LIGHT)


def plus_badge(c, cx, cy, colour=GREEN, r=3):
    c.rect(cx - r - 1, cy - 2, cx + r + 1, cy + 2, WHITE)
    c.rect(cx - 2, cy - r - 1, cx + 2, cy + r + 1, WHITE)
    c.rect(cx - r, cy - 1, cx + r, cy + 1, colour)
    c.rect(cx - 1, cy - r, cx + 1, cy + r, colour)


def cross(c, cx, cy, r=3.5, colour=RED, w=2.2, halo=True):
    a, b = (cx - r, cy - r), (cx + r, cy + r)
    e, f = (cx - r, cy + r), (cx + r, cy - r)
    if halo:
        c.line([a, b], WHITE, w + 1.6, caps=True)
        c.line([e, f], WHITE, w + 1.6, caps=True)
    c.line([a, b], colour, w, caps=True)
    c.line([e, f], colour, w, caps=True)


def arrow(c, direction, cx, cy, size=4, colour=BLUE, halo=True):
    """A solid block arrow pointing up, down, left or right, centred at (cx, cy)."""
    s, h = size, size * 0.45
    base = [(0, -s), (s, 0), (h, 0), (h, s), (-h, s), (-h, 0), (-s, 0)]  # points up
    turn = {"up": (1, 0, 0, 1), "down": (1, 0, 0, -1), "left": (0, 1, 1, 0), "right": (0, -1, -1, 0)}
    a, b, cc, d = turn[direction]
    pts = [(cx + a * x + b * y, cy + cc * x + d * y) for x, y in base]
    if halo:
        grown = [(cx + (x - cx) * 1.32, cy + (y - cy) * 1.32) for x, y in pts]
        c.poly(grown, WHITE)
    c.poly(pts, colour)


def ribbon(c, x0, y0, x1, y1, colour=RED, edge=RED_DARK):
    mid = (x0 + x1) / 2
    c.poly([(x0, y0), (x1, y0), (x1, y1), (mid, y1 - 2.5), (x0, y1)], edge)
    c.poly([(x0 + 1, y0 + 1), (x1 - 1, y0 + 1), (x1 - 1, y1 - 2), (mid, y1 - 4), (x0 + 1, y1 - 2)],
           colour)


def picture(c, x0=1, y0=3, x1=15, y1=13):
    c.box(x0, y0, x1, y1, SKY, OUTLINE)
    c.disc(x1 - 4, y0 + 3, 1.5, AMBER)
    c.poly([(x0 + 1, y1 - 1), (x0 + 1, y1 - 3), (x0 + 5, y0 + 4), (x0 + 9, y1 - 2), (x0 + 10, y1 - 3),
            (x1 - 1, y1 - 1.5), (x1 - 1, y1 - 1)], GREEN)


def globe(c, x0, y0, d):
    c.ellipse(x0, y0, x0 + d, y0 + d, BLUE_DARK)
    c.ellipse(x0 + 1, y0 + 1, x0 + d - 1, y0 + d - 1, BLUE)
    cx, cy = x0 + d / 2, y0 + d / 2
    c.rect(x0 + 1, cy - 0.5, x0 + d - 1, cy + 0.5, BLUE_LIGHT)
    c.arc(cx - d / 4, y0 + 1, cx + d / 4, y0 + d - 1, 0, 360, BLUE_LIGHT, 0.8)


def magnifier(c, x0=1, y0=1, d=10, handle=INK):
    r1 = x0 + d
    c.line([(r1 - 1.5, r1 - 1.5), (14, 14)], handle, 2.6, caps=True)
    c.ring(x0, y0, x0 + d, y0 + d, BLUE_DARK, 1.5, fill=(214, 234, 252, 255))


def glyph_a(c, colour=INK, x0=3, x1=13, top=2, bottom=12, w=2.2):
    mid = (x0 + x1) / 2
    c.line([(x0 + w / 2, bottom), (mid, top + w / 2), (x1 - w / 2, bottom)], colour, w)
    t = 0.62
    y = top + (bottom - top) * t
    c.line([(x0 + (mid - x0) * (1 - t) + 1.2, y), (x1 - (x1 - mid) * (1 - t) - 1.2, y)], colour, 1.4)


def polyline_curve(cx, cy, r, a0, a1, steps=18):
    return [(cx + r * math.cos(math.radians(a0 + (a1 - a0) * i / steps)),
             cy + r * math.sin(math.radians(a0 + (a1 - a0) * i / steps))) for i in range(steps + 1)]


# ---------------------------------------------------------------- file and edit commands

def draw_book(c, cover=BLUE, spine=BLUE_DARK):
    c.rect(3, 13, 14, 15, OUTLINE)
    c.rect(4, 13, 13, 14, PAPER)
    c.rounded(2, 1, 14, 14, 1.2, spine)
    c.rounded(4, 1, 14, 13, 1.2, cover)
    c.rect(2, 1, 4, 14, spine)
    c.rect(6, 4, 12, 6, PAPER)


def icon_new(c):
    draw_book(c)
    star = [(0, -4), (1, -1), (4, 0), (1, 1), (0, 4), (-1, 1), (-4, 0), (-1, -1)]
    c.poly([(11.5 + x * 1.35, 11.5 + y * 1.35) for x, y in star], WHITE)
    c.poly([(11.5 + x, 11.5 + y) for x, y in star], AMBER)


def icon_save(c):
    c.rounded(2, 2, 14, 14, 1, BLUE_DARK)
    c.rect(3, 3, 13, 13, BLUE)
    c.rect(5, 3, 11, 8, PAPER)
    c.rect(6, 4, 10, 5, LINE)
    c.rect(6, 6, 10, 7, LINE)
    c.rect(5, 10, 11, 13, BLUE_DARK)
    c.rect(9, 10.5, 10, 12.5, BLUE_LIGHT)


def icon_print(c):
    c.box(4, 1, 12, 6, PAPER, OUTLINE)
    c.rounded(1, 5, 15, 12, 1.5, GREY_DARK)
    c.rect(2, 6, 14, 11, GREY)
    c.disc(12.5, 7.5, 0.8, GREEN)
    c.box(4, 9, 12, 15, PAPER, OUTLINE)
    c.rect(6, 11, 10, 12, LINE)


def icon_cut(c):
    c.line([(10.5, 10), (5, 1.5)], GREY_DARK, 1.5, caps=True)
    c.line([(5.5, 10), (11, 1.5)], GREY_DARK, 1.5, caps=True)
    c.ring(1.5, 9, 7.5, 15, RED, 1.6)
    c.ring(8.5, 9, 14.5, 15, RED, 1.6)


def icon_copy(c):
    page(c, 1, 1, 10, 12, 2.5)
    text_lines(c, 3, 7, [5, 7, 9])
    page(c, 6, 4, 15, 15, 2.5, edge=BLUE_DARK)
    text_lines(c, 8, 12, [8, 10, 12], BLUE)


def icon_paste(c):
    c.rounded(2, 2, 13, 15, 1.2, BROWN)
    c.rounded(5, 1, 10, 4, 0.8, GREY_DARK)
    c.rect(6, 1.5, 9, 2.5, GREY)
    page(c, 7, 6, 15, 15, 2.5)
    text_lines(c, 9, 13, [9, 11, 13], BLUE)


def icon_undo(c):
    c.arc(3.5, 4, 14, 14, 200, 450, BLUE, 2.2)
    c.poly([(1, 6.5), (7.5, 3), (7, 10)], BLUE)


def page_with_arrow(c, direction):
    page(c, 2, 1, 12, 15, 3)
    text_lines(c, 4, 9, [5, 7, 9, 11])
    arrow(c, direction, 11.5, 10 if direction == "down" else 9.5, 4, BLUE)


def icon_page_up(c):
    page_with_arrow(c, "up")


def icon_page_down(c):
    page_with_arrow(c, "down")


def icon_help(c):
    c.disc(8, 8, 7, BLUE)
    pts = polyline_curve(8, 6, 2.4, 200, 405) + [(8, 8.9), (8, 10)]
    c.line(pts, WHITE, 2.0)
    c.disc(8, 12.4, 1.2, WHITE)


def icon_exit(c):
    c.box(2, 1, 10, 15, (226, 206, 180, 255), BROWN)
    c.poly([(3, 2), (8, 3), (8, 15), (3, 14)], BROWN)
    c.disc(7, 8.5, 0.7, AMBER)
    arrow(c, "right", 11.5, 8, 4, GREEN)


# ---------------------------------------------------------------- chapter pane and tree

def icon_add_chapter(c):
    folder(c, 1, 2, 14, 13)
    plus_badge(c, 11.5, 11.5)


def draw_pencil(c, x0, y0, x1, y1):
    """A pencil from its tip (x0, y0) to the end of its eraser (x1, y1)."""
    c.line([(x0 + 2.2, y0 - 2.2), (x1, y1)], BLUE_DARK, 4.2)
    c.line([(x0 + 2.2, y0 - 2.2), (x1 - 2, y1 + 2)], AMBER, 2.6)
    c.line([(x1 - 1.6, y1 + 1.6), (x1, y1)], (240, 140, 150, 255), 2.6)
    c.poly([(x0, y0), (x0 + 0.8, y0 - 3.6), (x0 + 3.6, y0 - 0.8)], (236, 210, 170, 255))
    c.poly([(x0, y0), (x0 + 0.3, y0 - 1.4), (x0 + 1.4, y0 - 0.3)], INK)


def icon_rename(c):
    c.rect(1, 13, 9, 14, LINE)
    draw_pencil(c, 2, 14, 13.5, 2.5)


def icon_delete(c):
    cross(c, 8, 8, 5, RED, 3, halo=False)


def icon_hide_pane(c):
    c.rect(1, 2, 3, 14, GREY_DARK)
    c.rect(1, 2, 14, 4, GREY)
    c.rect(1, 12, 14, 14, GREY)
    arrow(c, "left", 9, 8, 4.5, BLUE, halo=False)


def icon_add_text_page(c):
    page(c, 2, 1, 12, 15, 3)
    text_lines(c, 4, 9, [5, 7, 9])
    plus_badge(c, 11.5, 11.5)


def tree_text(c, selected=False):
    page(c, edge=BLUE_DARK if selected else OUTLINE)
    text_lines(c, 5, 11, [5, 7, 9, 11], BLUE if selected else LINE)


def tree_picture(c, selected=False):
    page(c, edge=BLUE_DARK if selected else OUTLINE)
    c.rect(5, 7, 11, 12, BLUE_DARK if selected else OUTLINE)
    c.rect(6, 8, 10, 11, SKY)
    c.poly([(6, 11), (8, 8.5), (10, 11)], GREEN)
    c.disc(9.5, 8.7, 0.7, AMBER)


def tree_web(c, selected=False):
    page(c, edge=BLUE_DARK if selected else OUTLINE)
    globe(c, 4.5, 5.5, 7)
    if selected:
        c.rect(4, 13, 12, 14, BLUE)


def tree_move_source(c):
    page(c, 2, 1, 12, 15, 3, edge=ORANGE)
    text_lines(c, 4, 9, [5, 7, 9])
    arrow(c, "right", 11, 11, 4, ORANGE)


def tree_bookmarked(c):
    page(c)
    text_lines(c, 5, 9, [5, 7, 9, 11])
    ribbon(c, 9, 0, 13, 8)


# ---------------------------------------------------------------- rich text

def icon_font_dialog(c):
    glyph_a(c, INK, 0.5, 10.5, 2, 13)
    c.line([(14.5, 1.5), (12.5, 8)], BROWN, 1.8, caps=True)
    c.rect(11.5, 8, 14, 9.5, GREY_DARK)
    c.poly([(11.5, 9.5), (14, 9.5), (13.8, 12.5), (12.2, 15), (11.3, 12.5)], PURPLE)


def icon_font_face(c):
    c.line([(3.5, 2), (3.5, 13)], INK, 2)
    c.line([(2.5, 2), (10, 2)], INK, 2)
    c.line([(2.5, 7.5), (8, 7.5)], INK, 1.6)
    c.rect(2, 12.5, 6, 14, INK)
    c.poly([(9, 11), (15, 11), (12, 14.5)], BLUE)


def icon_font_size(c):
    glyph_a(c, INK, 0.5, 9, 2, 14, 2.0)
    glyph_a(c, BLUE, 9, 15.5, 7, 14, 1.4)


def icon_font_colour(c):
    glyph_a(c, INK, 3, 13, 1, 11)
    c.rect(2, 12, 14, 15, RED)


def icon_bold(c):
    c.rect(3, 2, 7, 14, INK)
    c.rounded(3, 2, 12, 8.6, 3, INK)
    c.rounded(3, 7.4, 13, 14, 3.2, INK)
    c.rect(7, 4, 9.2, 6.6, CLEAR)
    c.rect(7, 9.4, 10, 12, CLEAR)


def icon_italic(c):
    c.poly([(8, 3), (10.6, 3), (8, 13), (5.4, 13)], INK)
    c.rect(7, 2, 13, 3.6, INK)
    c.rect(3, 12.4, 9, 14, INK)


def icon_underline(c):
    c.rect(3, 2, 6, 3.5, INK)
    c.rect(10, 2, 13, 3.5, INK)
    c.line([(4.5, 2), (4.5, 8)], INK, 2)
    c.line([(11.5, 2), (11.5, 8)], INK, 2)
    c.arc(3.5, 3.5, 12.5, 12.5, 0, 180, INK, 2)
    c.rect(2, 14, 14, 15, BLUE)


def icon_strike(c):
    top = polyline_curve(8, 5, 3, -20, -270, 24)
    bottom = polyline_curve(8, 10.5, 3, -90, 160, 24)
    c.line(top + bottom, INK, 1.9)
    c.rect(1, 7.4, 15, 8.6, RED)


def icon_delete_selection(c):
    c.rect(1, 3, 15, 4, LINE)
    c.rect(1, 6, 13, 10, BLUE_LIGHT)
    c.rect(2, 7.5, 12, 8.5, BLUE_DARK)
    c.rect(1, 12, 9, 13, LINE)
    cross(c, 12.5, 12.5, 2.2, RED, 1.7)


def align_lines(c, mode):
    widths = [12, 8, 12, 9, 12]
    for i, w in enumerate(widths):
        x0 = {"left": 2, "centre": 8 - w / 2, "right": 14 - w}[mode]
        c.rect(x0, 2 + i * 2.5, x0 + w, 3 + i * 2.5, INK if i % 2 == 0 else GREY_DARK)


def icon_align_left(c):
    align_lines(c, "left")


def icon_align_centre(c):
    align_lines(c, "centre")


def icon_align_right(c):
    align_lines(c, "right")


def indent_lines(c):
    c.rect(2, 2, 14, 3, INK)
    for y in (5.5, 8, 10.5):
        c.rect(8, y, 14, y + 1, GREY_DARK)
    c.rect(2, 13, 14, 14, INK)


def icon_indent(c):
    indent_lines(c)
    c.poly([(2, 5), (6, 8.5), (2, 12)], BLUE)


def icon_outdent(c):
    indent_lines(c)
    c.poly([(6, 5), (2, 8.5), (6, 12)], BLUE)


def icon_bullets(c):
    for y in (3.5, 8, 12.5):
        c.disc(3, y, 1.6, BLUE)
        c.rect(7, y - 0.5, 15, y + 0.5, INK)


# ---------------------------------------------------------------- picture page

def icon_zoom_in(c):
    magnifier(c)
    c.rect(3.5, 5.4, 8.5, 6.6, BLUE_DARK)
    c.rect(5.4, 3.5, 6.6, 8.5, BLUE_DARK)


def icon_zoom_out(c):
    magnifier(c)
    c.rect(3.5, 5.4, 8.5, 6.6, BLUE_DARK)


def icon_insert_picture(c):
    picture(c, 0, 2, 13, 12)
    plus_badge(c, 12, 12)


def icon_delete_picture(c):
    picture(c, 0, 2, 13, 12)
    cross(c, 12, 12, 2.6, RED, 2)


# ---------------------------------------------------------------- bookmarks and moving

def icon_bookmark_toggle(c):
    ribbon(c, 4, 1, 12, 15)


def icon_bookmark_clear(c):
    ribbon(c, 2, 1, 9, 14, GREY, GREY_DARK)
    cross(c, 11.5, 11.5, 2.6, RED, 2)


def icon_bookmark_previous(c):
    ribbon(c, 1, 1, 8, 14)
    arrow(c, "up", 12, 7.5, 4, BLUE)


def icon_bookmark_next(c):
    ribbon(c, 1, 1, 8, 14)
    arrow(c, "down", 12, 8.5, 4, BLUE)


def icon_set_move_source(c):
    tree_move_source(c)


def icon_cancel_move_source(c):
    page(c, 2, 1, 12, 15, 3, edge=GREY)
    text_lines(c, 4, 9, [5, 7, 9])
    cross(c, 11.5, 11.5, 2.6, RED, 2)


def icon_move_after(c):
    c.box(1, 1, 11, 5, PAPER, OUTLINE)
    c.rect(3, 2.5, 8, 3.5, LINE)
    c.box(1, 11, 11, 15, PAPER_SHADE, OUTLINE)
    c.line([(13, 3), (13, 7)], ORANGE, 1.6)
    c.poly([(10, 6.5), (16, 6.5), (13, 10)], ORANGE)
    c.rect(1, 7.5, 9, 8.5, ORANGE)


# ---------------------------------------------------------------- strips

MAIN_TOOLBAR = [
    (57600, "new book", icon_new), (57601, "open book", lambda c: folder(c, opened=True)), (57603, "save", icon_save),
    (57607, "print", icon_print), (57636, "find", magnifier), (57635, "cut", icon_cut),
    (57634, "copy", icon_copy), (57637, "paste", icon_paste), (57643, "undo", icon_undo),
    (32929, "page up", icon_page_up), (32930, "page down", icon_page_down),
    (57670, "help contents", icon_help)]

MENU_IMAGES = [
    (57600, "new book", icon_new), (32933, "open (slot of 32933)", lambda c: folder(c, opened=True)),
    (32934, "save (slot of 32934)", icon_save), (57607, "print", icon_print),
    (57665, "exit", icon_exit), (57643, "undo", icon_undo), (57635, "cut", icon_cut),
    (57634, "copy", icon_copy), (57637, "paste", icon_paste), (57636, "find", magnifier),
    (32929, "page up", icon_page_up), (32930, "page down", icon_page_down),
    (32826, "add text page", icon_add_text_page), (32836, "rename chapter", icon_rename),
    (32823, "delete chapter", icon_delete), (32914, "toggle bookmark", icon_bookmark_toggle),
    (32915, "clear all bookmarks", icon_bookmark_clear),
    (32918, "previous bookmark", icon_bookmark_previous),
    (32917, "next bookmark", icon_bookmark_next), (57670, "help contents", icon_help)]

CHAPTER_TOOLBAR = [
    (32835, "add chapter (drop-down)", icon_add_chapter), (32836, "rename chapter", icon_rename),
    (32823, "delete chapter", icon_delete), (32839, "hide or show the chapter pane", icon_hide_pane)]

RICH_TEXT_TOOLBAR = [
    (32846, "font dialog", icon_font_dialog), (32858, "face list (under the list)", icon_font_face),
    (32859, "size list (under the list)", icon_font_size),
    (32860, "text colour (under the picker)", icon_font_colour), (222, "bold", icon_bold),
    (32849, "italic", icon_italic), (32850, "underline", icon_underline),
    (32939, "strike-out", icon_strike), (32936, "delete selection", icon_delete_selection),
    (32851, "align left", icon_align_left), (32852, "centre", icon_align_centre),
    (32853, "align right", icon_align_right), (32854, "indent", icon_indent),
    (32855, "outdent", icon_outdent), (32856, "bullets", icon_bullets)]

PICTURE_TOOLBAR = [
    (32863, "zoom in", icon_zoom_in), (32864, "zoom out", icon_zoom_out),
    (32924, "insert picture", icon_insert_picture), (32926, "delete picture", icon_delete_picture)]

TREE_IMAGES = [
    (0, "directory and root", folder),
    (1, "open directory (not used)", lambda c: folder(c, opened=True)),
    (2, "text page", tree_text), (3, "text page, selected", lambda c: tree_text(c, True)),
    (4, "move source mark", tree_move_source), (5, "bookmark mark", tree_bookmarked),
    (6, "picture page", tree_picture), (7, "picture page, selected", lambda c: tree_picture(c, True)),
    (8, "web page", tree_web), (9, "web page, selected", lambda c: tree_web(c, True))]

MOVE_TOOLBAR = [
    (32912, "set move source", icon_set_move_source),
    (32937, "cancel move source", icon_cancel_move_source),
    (32913, "move after the current chapter", icon_move_after)]

BOOKMARK_TOOLBAR = [
    (32914, "toggle bookmark", icon_bookmark_toggle),
    (32915, "clear all bookmarks", icon_bookmark_clear),
    (32918, "previous bookmark", icon_bookmark_previous),
    (32917, "next bookmark", icon_bookmark_next)]

DIRECTORY_MOVE_TOOLBAR = [
    (32908, "add directory", icon_add_chapter), (32912, "set move source", icon_set_move_source),
    (32913, "move after the current chapter", icon_move_after)]

# (resource number, image size, images, disabled look, what uses it)
STRIPS = [
    (191, 32, MAIN_TOOLBAR, False, "main toolbar, normal and hot"),
    (190, 32, MAIN_TOOLBAR, True, "main toolbar, disabled"),
    (219, 16, MENU_IMAGES, False, "menu images, normal and hot"),
    (218, 16, MENU_IMAGES, True, "menu images, disabled"),
    (209, 16, CHAPTER_TOOLBAR, False, "chapter pane toolbar, normal and hot"),
    (211, 16, CHAPTER_TOOLBAR, True, "chapter pane toolbar, disabled"),
    (157, 16, CHAPTER_TOOLBAR, False, "bitmap of toolbar resource 157 (text view context menu)"),
    (224, 16, CHAPTER_TOOLBAR, False, "images of the chapter pane's drop-down menu (by button of 157)"),
    (229, 16, RICH_TEXT_TOOLBAR, False, "rich-text toolbar, normal and hot"),
    (228, 16, RICH_TEXT_TOOLBAR, True, "rich-text toolbar, disabled"),
    (221, 16, PICTURE_TOOLBAR, False, "picture toolbar, normal and hot"),
    (222, 16, PICTURE_TOOLBAR, True, "picture toolbar, disabled"),
    (173, 16, TREE_IMAGES, False, "chapter tree image list"),
    (226, 16, MOVE_TOOLBAR, False, "toolbar 226: move commands"),
    (234, 16, BOOKMARK_TOOLBAR, False, "toolbar 234: bookmark commands"),
    (244, 16, DIRECTORY_MOVE_TOOLBAR, False, "toolbar 244: directory and move commands"),
]


def render(draw, size):
    c = Canvas(size, size, size / 16)
    draw(c)
    return keyed_rgb(c.reduced())


def strip_image(size, images, disabled):
    strip = Image.new("RGB", (size * len(images), size), KEY)
    for i, (_, _, draw) in enumerate(images):
        icon = render(draw, size)
        strip.paste(greyed(icon) if disabled else icon, (i * size, 0))
    if strip.getpixel((0, size - 1)) != KEY:
        raise SystemExit("first image reaches the bottom-left pixel; the key would be lost")
    return strip


def bmp_bytes(img):
    """A 24-bit bottom-up BMP with the plain 40-byte info header."""
    w, h = img.size
    row = (w * 3 + 3) & ~3
    pixels = bytearray()
    px = img.load()
    for y in range(h - 1, -1, -1):
        line = bytearray()
        for x in range(w):
            r, g, b = px[x, y]
            line += bytes((b, g, r))
        pixels += line + b"\0" * (row - len(line))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return header + info + bytes(pixels)


# ---------------------------------------------------------------- application icon

def draw_app_icon(c):
    """A book with a pen writing on its cover."""
    c.rounded(1.5, 1, 13.5, 15, 1.2, PURPLE_DARK)
    c.rect(3, 13, 13.5, 15, PAPER_SHADE)
    c.rect(3, 14.2, 13.5, 15, OUTLINE)
    c.rounded(3, 1, 13.5, 13, 1.2, PURPLE)
    c.rect(1.5, 1, 3.5, 15, PURPLE_DARK)
    c.rect(5.5, 3.5, 11.5, 5, (226, 214, 246, 255))
    draw_pencil(c, 6, 11, 14.2, 2.8)
    star = [(0, -3), (0.8, -0.8), (3, 0), (0.8, 0.8), (0, 3), (-0.8, 0.8), (-3, 0), (-0.8, -0.8)]
    c.poly([(4.8 + x * 0.8, 9.6 + y * 0.8) for x, y in star], AMBER_LIGHT)


def app_icon_rgba(size):
    c = Canvas(size, size, size / 16)
    draw_app_icon(c)
    return c.reduced()


def ico_bmp_entry(img):
    """One classic icon image: 32-bit BGRA colour bitmap plus its 1-bit AND mask."""
    w, h = img.size
    px = img.load()
    colour = bytearray()
    mask = bytearray()
    mask_row = ((w + 31) // 32) * 4
    for y in range(h - 1, -1, -1):
        bits = bytearray(mask_row)
        for x in range(w):
            r, g, b, a = px[x, y]
            colour += bytes((b, g, r, a))
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    info = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    return info + bytes(colour) + bytes(mask)


def ico_bytes(sizes):
    blobs = []
    for s in sizes:
        img = app_icon_rgba(s)
        if s >= 256:
            buf = io.BytesIO()
            img.save(buf, "PNG", optimize=True)
            blobs.append((s, buf.getvalue()))
        else:
            blobs.append((s, ico_bmp_entry(img)))
    out = struct.pack("<HHH", 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    for s, data in blobs:
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, data in blobs)


# ---------------------------------------------------------------- output

def write(path, data):
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folders = [a for a in sys.argv[1:] if not a.startswith("--")]
    out = folders[0] if folders else os.path.join(here, "..", "resources")
    os.makedirs(out, exist_ok=True)
    for number, size, images, disabled, _ in STRIPS:
        write(os.path.join(out, f"{number}.bmp"), bmp_bytes(strip_image(size, images, disabled)))
    write(os.path.join(out, "pagewright.ico"), ico_bytes([16, 32, 48, 256]))
    buf = io.BytesIO()
    app_icon_rgba(256).save(buf, "PNG", optimize=True)
    write(os.path.join(out, "pagewright.png"), buf.getvalue())
    if "--preview" in sys.argv:
        preview(os.environ.get("PREVIEW", "/tmp/pagewright-icons.png"))


def preview(path, zoom=4):
    """A sheet of every strip enlarged, key shown as the toolbar grey, then the app icon."""
    rows = [strip_image(size, images, disabled) for _, size, images, disabled, _ in STRIPS]
    rows = [r.resize((r.size[0] * zoom, r.size[1] * zoom), Image.NEAREST) for r in rows]
    rows += [app_icon_rgba(s) for s in (256, 48, 32, 16)]
    sheet = Image.new("RGB", (max(r.size[0] for r in rows), sum(r.size[1] + 8 for r in rows)), KEY)
    y = 0
    for r in rows:
        sheet.paste(r, (0, y), r if r.mode == "RGBA" else None)
        y += r.size[1] + 8
    grey = Image.new("RGB", sheet.size, (240, 240, 240))
    mask = Image.frombytes("L", sheet.size, bytes(255 if p == KEY else 0 for p in sheet.getdata()))
    Image.composite(grey, sheet, mask).save(path)


if __name__ == "__main__":
    main()
