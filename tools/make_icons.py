#!/usr/bin/env python3
"""Draws the dialog's two pictures as 32 x 32 XPM files (shell/icons/icon145.xpm, icon146.xpm).

XPM is plain text, so the pictures live in the repository as source and Qt reads them without
an image plug-in. Edges are anti-aliased by supersampling against the usual window colour;
pixels that are mostly outside every shape stay transparent.

Usage: tools/make_icons.py [OUTPUT_FOLDER]   (default: shell/icons beside this script)
"""
import math
import os
import sys

SIZE = 32
SAMPLES = 6  # per pixel and axis
BACKGROUND = (0xEF, 0xEF, 0xEF)


def hex_colour(text):
    return tuple(int(text[i:i + 2], 16) for i in (1, 3, 5))


class Canvas:
    """Shapes painted in order; each sample keeps the colour of the last shape that covers it."""

    def __init__(self):
        n = SIZE * SAMPLES
        self.samples = [[None] * n for _ in range(n)]

    def _paint(self, box, inside, colour):
        x0, y0, x1, y1 = box
        n = SIZE * SAMPLES
        for sy in range(max(0, int(y0 * SAMPLES) - 1), min(n, int(y1 * SAMPLES) + 2)):
            y = (sy + 0.5) / SAMPLES
            for sx in range(max(0, int(x0 * SAMPLES) - 1), min(n, int(x1 * SAMPLES) + 2)):
                x = (sx + 0.5) / SAMPLES
                if inside(x, y):
                    self.samples[sy][sx] = colour(x, y) if callable(colour) else colour

    def polygon(self, points, colour):
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]

        def inside(x, y):
            hit = False
            j = len(points) - 1
            for i, (xi, yi) in enumerate(points):
                xj, yj = points[j]
                if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                    hit = not hit
                j = i
            return hit

        self._paint((min(xs), min(ys), max(xs), max(ys)), inside, colour)

    def line(self, p, q, width, colour):
        (px, py), (qx, qy) = p, q
        dx, dy = qx - px, qy - py
        length2 = dx * dx + dy * dy

        def inside(x, y):
            t = max(0.0, min(1.0, ((x - px) * dx + (y - py) * dy) / length2))
            ex, ey = px + t * dx - x, py + t * dy - y
            return ex * ex + ey * ey <= (width / 2) ** 2

        r = width / 2
        self._paint((min(px, qx) - r, min(py, qy) - r, max(px, qx) + r, max(py, qy) + r), inside, colour)

    def sphere(self, centre, radius, base):
        """A ball lit from the upper left, with a dark rim."""
        cx, cy = centre
        base = hex_colour(base)

        def shade(x, y):
            nx, ny = (x - cx) / radius, (y - cy) / radius
            nz = math.sqrt(max(0.0, 1.0 - nx * nx - ny * ny))
            light = max(0.0, -0.45 * nx - 0.55 * ny + 0.70 * nz)
            glint = light ** 12
            return tuple(min(255, int(c * (0.35 + 0.75 * light) + 255 * 0.6 * glint)) for c in base)

        def inside(x, y):
            return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius

        self._paint((cx - radius, cy - radius, cx + radius, cy + radius), inside, shade)

    def pixels(self):
        rows = []
        for py in range(SIZE):
            row = []
            for px in range(SIZE):
                total = [0, 0, 0]
                covered = 0
                for sy in range(py * SAMPLES, (py + 1) * SAMPLES):
                    for sx in range(px * SAMPLES, (px + 1) * SAMPLES):
                        c = self.samples[sy][sx]
                        if c is None:
                            c = BACKGROUND
                        else:
                            covered += 1
                        for k in range(3):
                            total[k] += c[k]
                if covered * 3 < SAMPLES * SAMPLES:
                    row.append(None)
                else:
                    row.append(tuple(round(t / (SAMPLES * SAMPLES)) for t in total))
            rows.append(row)
        return rows


def quartz():
    """Picture 145: a doubly terminated quartz-like prism in amethyst violet."""
    c = Canvas()
    top, bottom = (16, 1.5), (16, 30.5)
    l_top, m_top, r_top = (7.5, 8.5), (11.5, 10.0), (20.5, 10.0)
    rr_top = (24.5, 8.5)
    l_bot, m_bot, r_bot, rr_bot = (7.5, 23.0), (11.5, 24.5), (20.5, 24.5), (24.5, 23.0)
    faces = [
        ([l_top, m_top, top], "#E6DCFB"),
        ([m_top, r_top, top], "#CDB9F4"),
        ([r_top, rr_top, top], "#A78DDB"),
        ([l_top, m_top, m_bot, l_bot], "#9479D3"),
        ([m_top, r_top, r_bot, m_bot], "#B49EE2"),
        ([r_top, rr_top, rr_bot, r_bot], "#6E54B3"),
        ([l_bot, m_bot, bottom], "#7059BA"),
        ([m_bot, r_bot, bottom], "#5B44A2"),
        ([r_bot, rr_bot, bottom], "#47338A"),
    ]
    for points, colour in faces:
        c.polygon(points, hex_colour(colour))
    # A lighter streak down the front face reads as glassy.
    c.polygon([(13.0, 11.0), (15.0, 11.0), (15.0, 23.5), (13.0, 23.5)], hex_colour("#C7B5EC"))
    edge = hex_colour("#EFE9FF")
    for p, q in [(m_top, m_bot), (r_top, r_bot), (l_top, m_top), (m_top, r_top), (r_top, rr_top),
                 (m_top, top), (r_top, top), (l_bot, m_bot), (m_bot, r_bot), (r_bot, rr_bot)]:
        c.line(p, q, 0.6, edge)
    outline = hex_colour("#33246B")
    ring = [top, rr_top, rr_bot, bottom, l_bot, l_top, top]
    for p, q in zip(ring, ring[1:]):
        c.line(p, q, 1.1, outline)
    # A small four-pointed glint.
    white = (255, 255, 255)
    c.polygon([(10.5, 4.0), (11.2, 5.8), (13.0, 6.5), (11.2, 7.2), (10.5, 9.0), (9.8, 7.2), (8.0, 6.5),
               (9.8, 5.8)], white)
    return c


def unit_cell():
    """Picture 146: a body-centred unit cell, its edges and the atoms at its corners."""
    c = Canvas()
    # Straight edges run along pixel centres, so that they stay one crisp pixel wide.
    front = [(4.5, 12.5), (20.5, 12.5), (20.5, 28.5), (4.5, 28.5)]
    back = [(x + 8.0, y - 8.0) for x, y in front]
    hidden = hex_colour("#9AA8BC")
    visible = hex_colour("#2C3E5C")
    # What lies behind the cell: three edges and the far corner's atom.
    c.line(back[0], back[3], 0.9, hidden)
    c.line(back[3], back[2], 0.9, hidden)
    c.line(front[3], back[3], 0.9, hidden)
    c.sphere(back[3], 2.4, "#3F6FD8")
    # The atom at the centre of the cell.
    c.sphere((16.5, 16.5), 3.6, "#E0A020")
    # Visible edges: the front face, and the top and right faces.
    for i in range(4):
        c.line(front[i], front[(i + 1) % 4], 1.0, visible)
    c.line(back[0], back[1], 1.0, visible)
    c.line(back[1], back[2], 1.0, visible)
    for i in (0, 1, 2):
        c.line(front[i], back[i], 1.0, visible)
    for p in back[:3]:
        c.sphere(p, 2.6, "#3F6FD8")
    for p in front:
        c.sphere(p, 3.0, "#D2352B")
    return c


CODES = "".join(chr(i) for i in range(35, 127) if chr(i) not in '"\\')


def write_xpm(canvas, name, path):
    rows = canvas.pixels()
    colours = sorted({p for row in rows for p in row if p is not None})
    per_pixel = 2
    keys = {None: "  "}
    for i, colour in enumerate(colours):
        keys[colour] = CODES[i // len(CODES)] + CODES[i % len(CODES)]
    lines = ["/* XPM */", f"static const char *{name}[] = {{",
             f'"{SIZE} {SIZE} {len(colours) + 1} {per_pixel}",', '"   c None",']
    for colour in colours:
        lines.append('"%s c #%02X%02X%02X",' % ((keys[colour],) + colour))
    for y, row in enumerate(rows):
        text = "".join(keys[p] for p in row)
        lines.append(f'"{text}"' + ("," if y < SIZE - 1 else ""))
    lines.append("};")
    with open(path, "w", encoding="ascii", newline="\n") as out:
        out.write("\n".join(lines) + "\n")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "shell", "icons")
    os.makedirs(folder, exist_ok=True)
    write_xpm(quartz(), "icon145", os.path.join(folder, "icon145.xpm"))
    write_xpm(unit_cell(), "icon146", os.path.join(folder, "icon146.xpm"))


if __name__ == "__main__":
    main()
