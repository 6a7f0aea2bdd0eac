#!/usr/bin/python3
"""Draws the desktop's icons: the application's and the .pgw book type's, as hicolor theme
PNGs at every size a desktop asks for and as scalable SVGs.

Run by hand after changing a drawing:
    /usr/bin/python3 tools/draw_desktop_icons.py [icons-dir]
(default resources/icons). Needs PIL (Debian: python3-pil). The application icon is the one
tools/draw_icons.py draws for the window and the .ico; the SVG comes from the same drawing
calls, recorded as shapes instead of painted, so the sizes cannot drift apart.
"""
import io
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import draw_icons as di  # noqa: E402

APP_ID = "org.pagewright.Pagewright"
MIME_ICON = "application-x-pagewright-book"
SIZES = (16, 24, 32, 48, 64, 128, 256)


class SvgCanvas:
    """The drawing calls of draw_icons.Canvas, kept as SVG shapes in 16-unit coordinates."""

    def __init__(self):
        self.shapes = []

    @staticmethod
    def paint(colour):
        r, g, b, a = colour
        opacity = "" if a == 255 else f' fill-opacity="{a / 255:.3g}"'
        return f'fill="#{r:02x}{g:02x}{b:02x}"{opacity}'

    @staticmethod
    def stroke(colour, w):
        r, g, b, a = colour
        opacity = "" if a == 255 else f' stroke-opacity="{a / 255:.3g}"'
        return (f'fill="none" stroke="#{r:02x}{g:02x}{b:02x}"{opacity} stroke-width="{w:g}" '
                'stroke-linejoin="round"')

    def rect(self, x0, y0, x1, y1, fill):
        self.shapes.append(f'<rect x="{x0:g}" y="{y0:g}" width="{x1 - x0:g}" height="{y1 - y0:g}" '
                           f'{self.paint(fill)}/>')

    def box(self, x0, y0, x1, y1, fill, edge=di.OUTLINE, w=1):
        self.rect(x0, y0, x1, y1, edge)
        self.rect(x0 + w, y0 + w, x1 - w, y1 - w, fill)

    def rounded(self, x0, y0, x1, y1, r, fill):
        self.shapes.append(f'<rect x="{x0:g}" y="{y0:g}" width="{x1 - x0:g}" height="{y1 - y0:g}" '
                           f'rx="{r:g}" {self.paint(fill)}/>')

    def poly(self, pts, fill):
        points = " ".join(f"{x:.3g},{y:.3g}" for x, y in pts)
        self.shapes.append(f'<polygon points="{points}" {self.paint(fill)}/>')

    def line(self, pts, colour, w=1.0, caps=False):
        points = " ".join(f"{x:.3g},{y:.3g}" for x, y in pts)
        self.shapes.append(f'<polyline points="{points}" {self.stroke(colour, w)}/>')
        if caps:
            for x, y in (pts[0], pts[-1]):
                self.disc(x, y, w / 2, colour)

    def ellipse(self, x0, y0, x1, y1, fill):
        self.shapes.append(f'<ellipse cx="{(x0 + x1) / 2:g}" cy="{(y0 + y1) / 2:g}" rx="{(x1 - x0) / 2:g}" '
                           f'ry="{(y1 - y0) / 2:g}" {self.paint(fill)}/>')

    def disc(self, cx, cy, r, fill):
        self.ellipse(cx - r, cy - r, cx + r, cy + r, fill)

    def svg(self):
        body = "\n  ".join(self.shapes)
        return ('<?xml version="1.0" encoding="UTF-8"?>\n'
                '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 16 16">\n'
                f"  {body}\n</svg>\n").encode()


def draw_book_type(c):
    """A page with a folded corner carrying a small copy of the application's book."""
    di.page(c, 2, 0, 14, 16, fold=4)
    di.text_lines(c, 4, 9, [3, 5])
    c.rounded(4, 7, 11.5, 14.5, 0.8, di.PURPLE_DARK)
    c.rect(5.2, 12.6, 11.5, 14.5, di.PAPER_SHADE)
    c.rounded(5.2, 7, 11.5, 12.8, 0.8, di.PURPLE)
    c.rect(4, 7, 5.6, 14.5, di.PURPLE_DARK)
    c.rect(6.8, 8.5, 10.2, 9.7, (226, 214, 246, 255))


DRAWINGS = {("apps", APP_ID): di.draw_app_icon, ("mimetypes", MIME_ICON): draw_book_type}


def png_bytes(draw, size):
    c = di.Canvas(size, size, size / 16)
    draw(c)
    buf = io.BytesIO()
    c.reduced().save(buf, "PNG", optimize=True)
    return buf.getvalue()


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folders = [a for a in sys.argv[1:] if not a.startswith("--")]
    out = os.path.join(folders[0] if folders else os.path.join(here, "..", "resources", "icons"), "hicolor")
    for (context, name), draw in DRAWINGS.items():
        for size in SIZES:
            folder = os.path.join(out, f"{size}x{size}", context)
            os.makedirs(folder, exist_ok=True)
            di.write(os.path.join(folder, name + ".png"), png_bytes(draw, size))
        folder = os.path.join(out, "scalable", context)
        os.makedirs(folder, exist_ok=True)
        svg = SvgCanvas()
        draw(svg)
        di.write(os.path.join(folder, name + ".svg"), svg.svg())


if __name__ == "__main__":
    main()
