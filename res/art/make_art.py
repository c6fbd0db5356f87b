#!/usr/bin/python3
"""Draws the add-in's icons, command-bar bitmaps and animation clips.

Everything is drawn from geometry in this file: no source images, no fonts
in the resources, no randomness and no timestamps, so a run on the same
machine writes the same bytes every time.  The outputs are committed; run
this again after changing a design and commit what it writes.

    /usr/bin/python3 res/art/make_art.py            # write and verify all
    /usr/bin/python3 res/art/make_art.py --check    # verify existing files

Needs Pillow (Debian: python3-pil).  When ffprobe/ffmpeg are installed the
clips are also decoded with them and compared frame by frame.
"""

import io
import math
import os
import shutil
import struct
import subprocess
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.normpath(os.path.join(HERE, '..', '..'))
SHEET = os.path.join(REPO, 'docs', 'art', 'contact-sheet.png')

# ---------------------------------------------------------------------------
# Palette.  One brand blue carries every mark; the accents are used sparingly
# (one per icon at most) so the set reads as a family.

BLUE = (0, 120, 215)          # Talvora blue, also the dialogs' button face
BLUE_DARK = (0, 84, 153)      # binder rings, small emphasis
BLUE_PALE = (204, 228, 247)   # quiet fills inside white panels
LINE = (122, 138, 153)        # "text" lines on panels
GREEN = (16, 163, 98)         # "add" badge
AMBER = (255, 170, 0)         # "instant" bolt, first avatar
WHITE = (255, 255, 255)
FB_BLUE = (66, 103, 178)
WAIT_BG = (77, 77, 77)        # the progress pop-up's brush
WAIT_HEAD = (255, 255, 255)
WAIT_TAIL = (120, 190, 255)
PROG_BG = (255, 255, 255)     # the settings dialog's background

# Colours that LR_LOADMAP3DCOLORS replaces with the system's 3-D colours.
SHADE_3D = {(128, 128, 128): 'COLOR_3DSHADOW',
            (192, 192, 192): 'COLOR_3DFACE',
            (223, 223, 223): 'COLOR_3DLIGHT'}
# Background of the command-bar bitmaps: the first pixel's colour, which
# LR_LOADTRANSPARENT turns into the button face.  Using the classic face
# grey means the button still looks right if a host ignores either flag.
BMP_BG = (192, 192, 192)


# ---------------------------------------------------------------------------
# Rasteriser.  Shapes are closed polygons in output-pixel units (y down),
# point-sampled on an ss x ss grid per pixel and box-filtered, so an edge that
# lies on a pixel boundary stays perfectly crisp and partial pixels get exact
# coverage fractions.  Boolean operations happen on the supersampled masks,
# which keeps touching shapes free of the seams that compositing two
# antialiased edges produces.

def supersampling(size):
    return 16 if size <= 32 else (8 if size <= 64 else 4)


def _area(contour):
    a = 0.0
    n = len(contour)
    for i in range(n):
        x0, y0 = contour[i]
        x1, y1 = contour[(i + 1) % n]
        a += x0 * y1 - x1 * y0
    return a / 2


def rasterize(contours, w, h, ss):
    """Union of the contours (each taken on its own, orientation ignored)."""
    W, H = w * ss, h * ss
    buckets = [[] for _ in range(H)]
    for c in contours:
        if len(c) < 3:
            continue
        pts = c if _area(c) >= 0 else c[::-1]
        n = len(pts)
        for i in range(n):
            x0, y0 = pts[i]
            x1, y1 = pts[(i + 1) % n]
            if y0 == y1:
                continue
            d = 1 if y1 > y0 else -1
            if y0 > y1:
                x0, y0, x1, y1 = x1, y1, x0, y0
            r0 = max(0, math.ceil(y0 * ss - 0.5))
            r1 = min(H, math.ceil(y1 * ss - 0.5))
            if r0 >= r1:
                continue
            buckets[r0].append((r1, x0, y0, (x1 - x0) / (y1 - y0), d))
    rows = bytearray(W * H)
    active = []
    for r in range(H):
        active = [e for e in active if e[0] > r]
        active.extend(buckets[r])
        if not active:
            continue
        yc = (r + 0.5) / ss
        xs = sorted((e[1] + (yc - e[2]) * e[3], e[4]) for e in active)
        wind = 0
        start = 0.0
        base = r * W
        for x, d in xs:
            prev = wind
            wind += d
            if prev == 0 and wind != 0:
                start = x
            elif prev != 0 and wind == 0:
                k0 = max(0, math.ceil(start * ss - 0.5))
                k1 = min(W, math.ceil(x * ss - 0.5))
                if k1 > k0:
                    rows[base + k0:base + k1] = b'\xff' * (k1 - k0)
    return Image.frombytes('L', (W, H), bytes(rows))


def _segments(radius, ss, sweep=2 * math.pi):
    """Enough chords that none strays more than 1/10 sample from the arc."""
    rr = max(radius * ss, 0.5)
    step = 2 * math.acos(max(-1.0, 1 - 0.1 / rr)) if rr > 0.1 else math.pi / 4
    return max(4, math.ceil(abs(sweep) / min(step, math.pi / 4)))


class Art:
    """One square image being drawn: geometry helpers plus a layer stack."""

    def __init__(self, size, background=None, ss=None):
        self.n = size
        self.ss = ss or supersampling(size)
        self.u = size / 32.0          # designs are written on a 32 grid
        bg = background + (255,) if background else (0, 0, 0, 0)
        self.img = Image.new('RGBA', (size, size), bg)

    # -- grid ------------------------------------------------------------
    def px(self, v):
        """A 32-grid coordinate snapped to the nearest pixel boundary."""
        return math.floor(v * self.u + 0.5)

    def sc(self, v):
        """A 32-grid length scaled, unsnapped."""
        return v * self.u

    def stroke(self, base=2.0):
        """Outline weight: 1 px at 16, 2 at 32, 3 at 48 ... (base/32 of size)."""
        return max(1, math.floor(base * self.u + 0.5))

    # -- shapes (contours) -------------------------------------------------
    def arc(self, cx, cy, r, a0, a1):
        """Points on an arc from angle a0 to a1 (radians, y down, inclusive)."""
        n = _segments(r, self.ss, a1 - a0)
        return [(cx + r * math.cos(a0 + (a1 - a0) * i / n),
                 cy + r * math.sin(a0 + (a1 - a0) * i / n)) for i in range(n + 1)]

    def circle(self, cx, cy, r):
        return [self.arc(cx, cy, r, 0, 2 * math.pi)[:-1]]

    def rect(self, x0, y0, x1, y1):
        return [[(x0, y0), (x1, y0), (x1, y1), (x0, y1)]]

    def rrect(self, x0, y0, x1, y1, r, corners=(1, 1, 1, 1)):
        """Rounded rectangle; corners flags: top-left, top-right, bottom-right,
        bottom-left."""
        r = max(0.0, min(r, (x1 - x0) / 2, (y1 - y0) / 2))
        tl, tr, br, bl = [r * c for c in corners]
        pts = []
        h = math.pi / 2
        pts += self.arc(x1 - tr, y0 + tr, tr, -h, 0) if tr else [(x1, y0)]
        pts += self.arc(x1 - br, y1 - br, br, 0, h) if br else [(x1, y1)]
        pts += self.arc(x0 + bl, y1 - bl, bl, h, 2 * h) if bl else [(x0, y1)]
        pts += self.arc(x0 + tl, y0 + tl, tl, 2 * h, 3 * h) if tl else [(x0, y0)]
        return [pts]

    def capsule(self, x0, y0, x1, y1, w):
        """A stroke of width w from (x0,y0) to (x1,y1) with round caps."""
        a = math.atan2(y1 - y0, x1 - x0)
        r = w / 2
        return [self.arc(x1, y1, r, a - math.pi / 2, a + math.pi / 2) +
                self.arc(x0, y0, r, a + math.pi / 2, a + 3 * math.pi / 2)]

    def band(self, cx, cy, r_in, r_out, a0, a1):
        """Annular sector between two radii and two angles."""
        outer = self.arc(cx, cy, r_out, a0, a1)
        inner = self.arc(cx, cy, r_in, a1, a0) if r_in > 0 else [(cx, cy)]
        return [outer + inner]

    def rpoly(self, pts, r):
        """Polygon with every corner filleted by radius r (or a list of radii)."""
        n = len(pts)
        radii = r if isinstance(r, (list, tuple)) else [r] * n
        out = []
        for i in range(n):
            p = pts[i]
            a = pts[i - 1]
            b = pts[(i + 1) % n]
            ri = radii[i]
            v1 = (a[0] - p[0], a[1] - p[1])
            v2 = (b[0] - p[0], b[1] - p[1])
            l1 = math.hypot(*v1)
            l2 = math.hypot(*v2)
            if ri <= 0 or l1 == 0 or l2 == 0:
                out.append(p)
                continue
            u1 = (v1[0] / l1, v1[1] / l1)
            u2 = (v2[0] / l2, v2[1] / l2)
            cosang = max(-1.0, min(1.0, u1[0] * u2[0] + u1[1] * u2[1]))
            ang = math.acos(cosang)
            if ang < 1e-6 or abs(ang - math.pi) < 1e-6:
                out.append(p)
                continue
            t = ri / math.tan(ang / 2)
            t = min(t, l1 / 2, l2 / 2)
            rr = t * math.tan(ang / 2)
            p1 = (p[0] + u1[0] * t, p[1] + u1[1] * t)
            p2 = (p[0] + u2[0] * t, p[1] + u2[1] * t)
            bis = (u1[0] + u2[0], u1[1] + u2[1])
            bl = math.hypot(*bis)
            dc = rr / math.sin(ang / 2)
            c = (p[0] + bis[0] / bl * dc, p[1] + bis[1] / bl * dc)
            s0 = math.atan2(p1[1] - c[1], p1[0] - c[0])
            s1 = math.atan2(p2[1] - c[1], p2[0] - c[0])
            d = s1 - s0
            while d > math.pi:
                d -= 2 * math.pi
            while d < -math.pi:
                d += 2 * math.pi
            out += self.arc(c[0], c[1], rr, s0, s0 + d)
        return [out]

    def poly(self, pts):
        return [list(pts)]

    def pixels(self, rows, x0=0, y0=0):
        """Hand-placed pixels: one string per row, any non-'.' is set."""
        out = []
        for y, row in enumerate(rows):
            x = 0
            while x < len(row):
                if row[x] == '.':
                    x += 1
                    continue
                e = x
                while e < len(row) and row[e] != '.':
                    e += 1
                out += self.rect(x0 + x, y0 + y, x0 + e, y0 + y + 1)
                x = e
        return out

    # -- masks -------------------------------------------------------------
    def m(self, *shapes):
        contours = []
        for s in shapes:
            contours += s
        return rasterize(contours, self.n, self.n, self.ss)

    @staticmethod
    def union(*masks):
        out = masks[0]
        for k in masks[1:]:
            out = ImageChops.lighter(out, k)
        return out

    @staticmethod
    def minus(a, *bs):
        for b in bs:
            a = ImageChops.subtract(a, b)
        return a

    @staticmethod
    def inter(a, b):
        return ImageChops.darker(a, b)

    def ring(self, outer, inner):
        return self.minus(self.m(outer), self.m(inner))

    # -- painting ----------------------------------------------------------
    def paint(self, colour, mask):
        alpha = mask.reduce(self.ss)
        layer = Image.new('RGBA', (self.n, self.n), colour + (0,))
        layer.putalpha(alpha)
        self.img = Image.alpha_composite(self.img, layer)

    def coverage(self, mask):
        return mask.reduce(self.ss)


# ---------------------------------------------------------------------------
# Designs.  Coordinates are on a 32 grid (a.px snaps them to the pixel grid
# of the size being drawn).  Drawings needed at 16 px switch to a simpler
# design laid out directly in whole pixels there.

def draw_meetnow(size):
    """A video camera with a bolt: a meeting that starts right now."""
    a = Art(size)
    if size < 24:
        # 16 px: the camera alone; a bolt this small reads as a letter.
        body = a.m(a.rrect(1, 4, 11, 12, 1.5))
        wing = a.m(a.rpoly([(12, 6.5), (15, 4.5), (15, 11.5), (12, 9.5)], 0.6))
        a.paint(BLUE, a.union(body, wing))
        return a.img
    body = a.m(a.rrect(a.px(2), a.px(8), a.px(21), a.px(24), a.sc(4)))
    wing = a.m(a.rpoly([(a.px(23), a.sc(13.5)), (a.px(30), a.sc(9.5)),
                        (a.px(30), a.sc(22.5)), (a.px(23), a.sc(18.5))],
                       a.sc(1.5)))
    a.paint(BLUE, a.union(body, wing))
    s = a.sc
    bolt = a.m(a.rpoly([(s(11.2), s(9.8)), (s(16.2), s(9.8)),
                        (s(13.9), s(14.2)), (s(16.8), s(14.2)),
                        (s(9.6), s(22.6)), (s(11.0), s(17.2)),
                        (s(7.6), s(17.2))], s(0.6)))
    a.paint(WHITE, bolt)
    return a.img


def draw_meeting(size):
    """The Talvora mark: a speech bubble carrying a camera."""
    a = Art(size)
    s = a.sc
    bubble = a.m(a.rrect(a.px(2), a.px(3), a.px(30), a.px(23), s(6)),
                 a.rpoly([(s(7), s(20)), (s(7), s(29)), (s(16), s(20))],
                         [0, s(1.2), 0]))
    a.paint(BLUE, bubble)
    body = a.m(a.rrect(a.px(8), a.px(8.5), a.px(19), a.px(17.5), s(2)))
    wing = a.m(a.rpoly([(a.px(20.5), s(11.5)), (a.px(24.5), s(9.2)),
                        (a.px(24.5), s(16.8)), (a.px(20.5), s(14.5))], s(0.8)))
    a.paint(WHITE, a.union(body, wing))
    return a.img


def draw_wall(size):
    """A board of posts: header strip and two posts with avatars."""
    a = Art(size)
    if size < 24:
        a.paint(WHITE, a.m(a.rect(2, 3, 14, 14)))
        frame = a.ring(a.rrect(1, 2, 15, 15, 1), a.rect(2, 3, 14, 14))
        a.paint(BLUE, a.union(frame, a.m(a.rect(1, 2, 15, 5))))
        a.paint(AMBER, a.m(a.rect(3, 7, 5, 9)))
        a.paint(GREEN, a.m(a.rect(3, 11, 5, 13)))
        a.paint(LINE, a.m(a.rect(6, 7, 13, 8), a.rect(6, 11, 13, 12)))
        a.paint(BLUE_PALE, a.m(a.rect(6, 8, 11, 9), a.rect(6, 12, 10, 13)))
        return a.img
    w = a.stroke()
    x0, y0, x1, y1 = a.px(3), a.px(4), a.px(29), a.px(28)
    r = a.sc(3)
    inner = a.rrect(x0 + w, y0 + w, x1 - w, y1 - w, max(0.0, r - w))
    a.paint(WHITE, a.m(inner))
    frame = a.ring(a.rrect(x0, y0, x1, y1, r), inner)
    header = a.inter(a.m(a.rrect(x0, y0, x1, y1, r)),
                     a.m(a.rect(x0, y0, x1, a.px(10))))
    a.paint(BLUE, a.union(frame, header))
    # posts: avatar + a dark line and a paler shorter one
    for (cy, colour, l2) in ((15.5, AMBER, 21), (22.5, GREEN, 19)):
        a.paint(colour, a.m(a.circle(a.sc(9.5), a.sc(cy), a.sc(2.5))))
        lh = a.stroke(1.5)
        ly = a.px(cy - 2)
        a.paint(LINE, a.m(a.rrect(a.px(14), ly, a.px(25), ly + lh, lh / 2)))
        ly2 = a.px(cy + 0.5)
        a.paint(BLUE_PALE, a.m(a.rrect(a.px(14), ly2, a.px(l2), ly2 + lh,
                                       lh / 2)))
    return a.img


def draw_schedule(size):
    """A calendar page with a green plus badge."""
    a = Art(size)
    if size < 24:
        page_o = a.rrect(1, 2, 14, 14, 1)
        page_i = a.rect(2, 5, 13, 13)
        badge_c, badge_r = (11.5, 11.5), 4.5
        cut = a.m(a.circle(*badge_c, badge_r + 1))
        a.paint(WHITE, a.minus(a.m(page_i), cut))
        frame = a.ring(page_o, page_i)
        rings = a.m(a.rect(4, 1, 5, 3), a.rect(10, 1, 11, 3))
        a.paint(BLUE, a.minus(frame, cut))
        a.paint(BLUE_DARK, rings)
        a.paint(LINE, a.minus(a.m(a.rect(3, 6, 5, 8), a.rect(6, 6, 8, 8),
                                  a.rect(9, 6, 11, 8), a.rect(3, 9, 5, 11)),
                              cut))
        a.paint(GREEN, a.m(a.circle(*badge_c, badge_r)))
        a.paint(WHITE, a.m(a.rect(11, 9, 12, 14), a.rect(9, 11, 14, 12)))
        return a.img
    s = a.sc
    w = a.stroke()
    x0, y0, x1, y1 = a.px(3), a.px(4), a.px(29), a.px(29)
    r = s(3)
    bc = (s(24.5), s(24.5))
    br = s(7)
    gap = max(1.0, s(1.5))
    cut = a.m(a.circle(bc[0], bc[1], br + gap))
    inner = a.rrect(x0 + w, y0 + w, x1 - w, y1 - w, max(0.0, r - w))
    a.paint(WHITE, a.minus(a.m(inner), cut))
    outer = a.rrect(x0, y0, x1, y1, r)
    frame = a.ring(outer, inner)
    header = a.inter(a.m(outer), a.m(a.rect(x0, y0, x1, a.px(10))))
    a.paint(BLUE, a.minus(a.union(frame, header), cut))
    rw = a.stroke(2)
    for rx in (9, 21):
        xl = a.px(rx)
        a.paint(BLUE_DARK, a.m(a.rrect(xl, a.px(1.5), xl + rw, a.px(7.5),
                                       rw / 2)))
    # 4 x 3 day grid laid out in whole pixels so every gap is equal
    cell, pitch = a.stroke(3), a.stroke(3) + a.stroke(2)
    gx = math.floor((x0 + x1) / 2 - (4 * pitch - (pitch - cell)) / 2 + 0.5)
    gy = a.px(10) + a.stroke(2)
    cells = [a.rect(gx + i * pitch, gy + j * pitch, gx + i * pitch + cell,
                    gy + j * pitch + cell)
             for j in range(3) for i in range(4)]
    a.paint(LINE, a.minus(a.m(*cells), cut))
    a.paint(GREEN, a.m(a.circle(bc[0], bc[1], br)))
    pw = a.stroke(2)
    arm = s(4)
    a.paint(WHITE, a.m(a.rect(bc[0] - pw / 2, bc[1] - arm, bc[0] + pw / 2,
                              bc[1] + arm),
                       a.rect(bc[0] - arm, bc[1] - pw / 2, bc[0] + arm,
                              bc[1] + pw / 2)))
    return a.img


def gear(a, cx, cy, r_tip, r_root, teeth, tip_w, root_w, fillet):
    """Gear outline with the first tooth pointing up; tip_w and root_w are
    the tooth widths (chords) at the tip and at the root circle."""
    ht = math.asin(min(1.0, tip_w / 2 / r_tip))
    hr = math.asin(min(1.0, root_w / 2 / r_root))
    pts = []
    radii = []
    for i in range(teeth):
        ang = -math.pi / 2 + 2 * math.pi * i / teeth
        for (r, d) in ((r_root, -hr), (r_tip, -ht), (r_tip, ht), (r_root, hr)):
            pts.append((cx + r * math.cos(ang + d), cy + r * math.sin(ang + d)))
            radii.append(fillet)
        # the root circle up to the next tooth, left unrounded
        gap = 2 * math.pi / teeth - 2 * hr
        for j in range(1, 6):
            t = ang + hr + gap * j / 6
            pts.append((cx + r_root * math.cos(t), cy + r_root * math.sin(t)))
            radii.append(0)
    return a.rpoly(pts, radii)


def draw_settings(size):
    """A gear."""
    a = Art(size)
    if size < 24:
        # Diagonal teeth cannot be antialiased legibly at this size: the
        # gear is placed pixel by pixel.
        a.paint(BLUE, a.m(a.pixels(['................',
                                    '......XXXX......',
                                    '..XX..XXXX..XX..',
                                    '..XXXXXXXXXXXX..',
                                    '...XXXXXXXXXX...',
                                    '...XXXXXXXXXX...',
                                    '.XXXXXX..XXXXXX.',
                                    '.XXXXX....XXXXX.',
                                    '.XXXXX....XXXXX.',
                                    '.XXXXXX..XXXXXX.',
                                    '...XXXXXXXXXX...',
                                    '...XXXXXXXXXX...',
                                    '..XXXXXXXXXXXX..',
                                    '..XX..XXXX..XX..',
                                    '......XXXX......',
                                    '................'])))
        return a.img
    s = a.sc
    c = s(16)
    g = a.m(gear(a, c, c, s(15), s(11), 8, s(5), s(7), s(0.8)))
    hole = a.m(a.circle(c, c, s(5)))
    a.paint(BLUE, a.minus(g, hole))
    return a.img


def draw_facebook_f(size):
    """White lower-case f on Facebook blue.  The button draws this icon into a
    fresh (black) bitmap and copies it opaquely onto its own blue face, so the
    square is filled edge to edge: transparent corners would turn black."""
    # The button also stretches it with the DC's default BLACKONWHITE mode,
    # which ANDs the pixels it drops: with only two colours that stays clean,
    # while antialiased edge pixels would AND into stray dark colours.  So
    # the mark is sampled once per pixel (ss=1): pure white on pure blue.
    a = Art(size, background=FB_BLUE, ss=1)
    s = a.sc
    # strokes of 6 px keep two solid pixels when shrunk to 15 px
    f = a.m(a.rect(s(13), s(11), s(19), s(29)),                     # stem
            a.band(s(21), s(11), s(2), s(8), math.pi, 1.5 * math.pi),
            a.rect(s(21), s(3), s(25), s(9)),                       # hook end
            a.rect(s(9), s(13), s(23), s(18)))                      # crossbar
    a.paint(WHITE, f)
    return a.img


ICONS = [
    # (file, drawing, sizes)
    ('meetnow.ico', draw_meetnow, (32, 48, 64, 96, 128)),
    ('meeting.ico', draw_meeting, (32, 48, 64, 96, 128)),
    ('wall.ico', draw_wall, (16, 32, 48, 64)),
    ('schedule.ico', draw_schedule, (16, 32, 48, 64)),
    ('settings.ico', draw_settings, (16, 32, 48, 64)),
    ('facebook_f.ico', draw_facebook_f, (32,)),
]


# ---------------------------------------------------------------------------
# Command-bar bitmaps: the 16 px drawings on one flat background colour.

BITMAPS = [
    # (file, resource id, drawing)
    ('bmp251.bmp', 251, draw_schedule),
    ('bmp255.bmp', 255, draw_meetnow),
    ('bmp263.bmp', 263, draw_settings),
    ('bmp264.bmp', 264, draw_wall),
]


def bitmap_indices(draw):
    """16x16 drawing -> (palette, rows of indices, top row first).

    Index 0 is the background.  Edge pixels are decided whole (drawn when at
    least half covered) because the background becomes whatever the system's
    button face is: a blend towards any one grey would fringe on the others.
    No drawn colour may equal the background or one of the 3-D greys, or the
    loader would recolour it.
    """
    img = draw(16)
    palette = [BMP_BG]
    lookup = {BMP_BG: 0}
    rows = []
    for y in range(16):
        row = []
        for x in range(16):
            r, g, b, al = img.getpixel((x, y))
            if al < 128:
                row.append(0)
                continue
            c = (r, g, b)
            while c in SHADE_3D or c == BMP_BG:
                c = (c[0], c[1], c[2] + 1 if c[2] < 255 else c[2] - 1)
            if c not in lookup:
                lookup[c] = len(palette)
                palette.append(c)
            row.append(lookup[c])
        rows.append(row)
    return palette, rows


def bmp_bytes(palette, rows):
    w, h = len(rows[0]), len(rows)
    stride = (w + 3) & ~3
    pixels = b''.join(bytes(r) + b'\0' * (stride - w) for r in reversed(rows))
    pal = b''.join(bytes((b, g, r, 0)) for (r, g, b) in palette)
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 8, 0, len(pixels), 0, 0,
                       len(palette), 0)
    off = 14 + len(info) + len(pal)
    head = struct.pack('<2sIHHI', b'BM', off + len(pixels), 0, 0, off)
    return head + info + pal + pixels


# ---------------------------------------------------------------------------
# Icons: classic DIB images (BITMAPINFOHEADER, doubled height, BI_RGB, 32 bpp
# straight alpha, then the 1 bpp AND mask), which every icon loader reads.

def icon_image_bytes(img):
    w, h = img.size
    px = img.load()
    xor = bytearray()
    stride = ((w + 31) // 32) * 4
    mask = bytearray()
    for y in range(h - 1, -1, -1):
        mrow = bytearray(stride)
        for x in range(w):
            r, g, b, al = px[x, y]
            if al == 0:
                r = g = b = 0
                # Systems drawing through the mask keep only fully clear
                # pixels clear; half-covered edge pixels show solid there
                # rather than XOR-ing their colour into the screen.
                mrow[x >> 3] |= 0x80 >> (x & 7)
            xor += bytes((b, g, r, al))
        mask += mrow
    head = struct.pack('<IiiHHIIiiII', 40, w, 2 * h, 1, 32, 0,
                       len(xor) + len(mask), 0, 0, 0, 0)
    return head + bytes(xor) + bytes(mask)


def ico_bytes(images):
    blobs = [icon_image_bytes(im) for im in images]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for im, blob in zip(images, blobs):
        w, h = im.size
        out += struct.pack('<BBBBHHII', w % 256, h % 256, 0, 0, 1, 32,
                           len(blob), offset)
        offset += len(blob)
    return out + b''.join(blobs)


# ---------------------------------------------------------------------------
# Animation clips: a ring of twelve dots whose bright head moves one dot per
# frame, so twelve frames make one turn and the last frame leads into the
# first exactly as any frame leads into the next.

CLIP_SIZE = 32
CLIP_DOTS = 12
CLIP_FPS = 12
CLIP_LEVELS = 15        # coverage steps per dot colour
CLIP_RING = 11.5        # radius of the ring of dot centres


def _lerp(c0, c1, t):
    return tuple(int(c0[i] + (c1[i] - c0[i]) * t + 0.5) for i in range(3))


def dot_style(k):
    """Radius and strength of the dot k steps behind the head."""
    t = max(0.0, 1.0 - k / 8.0)
    return 1.6 + 0.9 * t, t


def clip_frames(bg, head, tail):
    """-> palette, list of frames (rows of indices, top row first)."""
    n = CLIP_SIZE
    c = n / 2
    ring = CLIP_RING
    palette = [bg]
    lookup = {}
    colours = []
    for k in range(CLIP_DOTS):
        _, t = dot_style(k)
        base = _lerp(tail, head, t)
        colours.append(_lerp(bg, base, 0.22 + 0.78 * t))
    for k in range(CLIP_DOTS):
        for q in range(1, CLIP_LEVELS + 1):
            lookup[(k, q)] = len(palette)
            palette.append(_lerp(bg, colours[k], q / CLIP_LEVELS))
    frames = []
    for f in range(CLIP_DOTS):
        idx = [[0] * n for _ in range(n)]
        for j in range(CLIP_DOTS):
            k = (f - j) % CLIP_DOTS          # steps behind the head
            r, _ = dot_style(k)
            ang = -math.pi / 2 + 2 * math.pi * j / CLIP_DOTS
            a = Art(n)
            cov = a.coverage(a.m(a.circle(c + ring * math.cos(ang),
                                          c + ring * math.sin(ang), r)))
            data = cov.tobytes()
            for p, v in enumerate(data):
                q = (v * CLIP_LEVELS + 127) // 255
                if q:
                    idx[p // n][p % n] = lookup[(k, q)]
        frames.append(idx)
    return palette, frames


def _chunk(fourcc, data):
    pad = b'\0' if len(data) & 1 else b''
    return fourcc + struct.pack('<I', len(data)) + data + pad


def _list(kind, body):
    return b'LIST' + struct.pack('<I', len(body) + 4) + kind + body


def avi_bytes(palette, frames, fps):
    h = len(frames[0])
    w = len(frames[0][0])
    stride = (w + 3) & ~3
    datas = [b''.join(bytes(r) + b'\0' * (stride - w) for r in reversed(fr))
             for fr in frames]
    size = len(datas[0])
    n = len(frames)
    avih = struct.pack('<IIIIIIIIII4I', 1000000 // fps, size * fps, 0,
                       0x10,            # AVIF_HASINDEX
                       n, 0, 1, size, w, h, 0, 0, 0, 0)
    strh = struct.pack('<4s4sIHHIIIIIIIIhhhh', b'vids', b'DIB ', 0, 0, 0, 0,
                       1, fps, 0, n, size, 0xFFFFFFFF, 0, 0, 0, w, h)
    bih = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 8, 0, size, 0, 0,
                      len(palette), 0)
    pal = b''.join(bytes((b, g, r, 0)) for (r, g, b) in palette)
    hdrl = _list(b'hdrl', _chunk(b'avih', avih) +
                 _list(b'strl', _chunk(b'strh', strh) + _chunk(b'strf', bih + pal)))
    movi_body = b''
    index = b''
    for d in datas:
        # offsets count from the 'movi' fourcc, the usual convention
        index += struct.pack('<4sIII', b'00db', 0x10, 4 + len(movi_body), len(d))
        movi_body += _chunk(b'00db', d)
    body = b'AVI ' + hdrl + _list(b'movi', movi_body) + _chunk(b'idx1', index)
    return b'RIFF' + struct.pack('<I', len(body)) + body


CLIPS = [
    # (file, resource name, background, head colour, tail colour)
    ('waiting.avi', 'WAITING_ANIMATION', WAIT_BG, WAIT_HEAD, WAIT_TAIL),
    ('progress.avi', 'PROGRESS_ANIMATION', PROG_BG, BLUE, (110, 178, 238)),
]


# ---------------------------------------------------------------------------
# Reading the files back.  Everything written is parsed again with readers
# written from the formats, not from the writers above, and compared with
# what was drawn.

class Bad(Exception):
    pass


def need(cond, what):
    if not cond:
        raise Bad(what)


def read_ico(data):
    """-> list of RGBA images; checks every header field the loaders use."""
    res, typ, count = struct.unpack_from('<HHH', data, 0)
    need(res == 0 and typ == 1 and count > 0, 'icon directory header')
    images = []
    for i in range(count):
        w, h, colours, _, planes, bpp, size, off = struct.unpack_from(
            '<BBBBHHII', data, 6 + 16 * i)
        w = w or 256
        h = h or 256
        need(planes == 1 and bpp == 32 and colours == 0, 'entry %d fields' % i)
        need(off + size <= len(data), 'entry %d out of file' % i)
        blob = data[off:off + size]
        need(blob[:4] != b'\x89PNG', 'entry %d is PNG' % i)
        (bsz, bw, bh, bplanes, bbits, comp, simg, _, _, used,
         _) = struct.unpack_from('<IiiHHIIiiII', blob, 0)
        need(bsz == 40 and bw == w and bh == 2 * h and bplanes == 1 and
             bbits == 32 and comp == 0 and used == 0, 'entry %d DIB header' % i)
        stride = ((w + 31) // 32) * 4
        need(size == 40 + w * h * 4 + stride * h and simg == size - 40,
             'entry %d size' % i)
        img = Image.new('RGBA', (w, h))
        px = img.load()
        mask_at = 40 + w * h * 4
        for y in range(h):
            src = 40 + (h - 1 - y) * w * 4
            mrow = mask_at + (h - 1 - y) * stride
            for x in range(w):
                b, g, r, al = blob[src + 4 * x:src + 4 * x + 4]
                bit = blob[mrow + (x >> 3)] >> (7 - (x & 7)) & 1
                need(bit == (al == 0), 'entry %d mask at %d,%d' % (i, x, y))
                px[x, y] = (r, g, b, al)
        images.append(img)
    return images


def read_bmp(data):
    """-> palette, rows of indices (top row first)."""
    magic, fsize, _, _, off = struct.unpack_from('<2sIHHI', data, 0)
    need(magic == b'BM' and fsize == len(data), 'bitmap file header')
    (bsz, w, h, planes, bits, comp, simg, _, _, used,
     _) = struct.unpack_from('<IiiHHIIiiII', data, 14)
    need(bsz == 40 and planes == 1 and bits == 8 and comp == 0,
         'bitmap info header')
    need(w == 16 and h == 16, 'bitmap is 16x16 bottom-up')
    ncol = used or 256
    need(ncol <= 256 and off == 54 + 4 * ncol, 'palette size')
    palette = [(data[54 + 4 * i + 2], data[54 + 4 * i + 1], data[54 + 4 * i])
               for i in range(ncol)]
    stride = (w + 3) & ~3
    need(off + stride * h == len(data) and simg in (0, stride * h),
         'pixel array size')
    rows = []
    for y in range(h):
        at = off + (h - 1 - y) * stride
        rows.append(list(data[at:at + w]))
    need(all(v < ncol for r in rows for v in r), 'index past the palette')
    return palette, rows


def read_avi(data):
    """Walks the RIFF tree -> dict(fps, size, palette, frames)."""
    need(data[:4] == b'RIFF' and data[8:12] == b'AVI ', 'RIFF AVI header')
    need(struct.unpack_from('<I', data, 4)[0] + 8 == len(data), 'RIFF size')

    def chunks(start, end):
        out = []
        p = start
        while p < end:
            need(p + 8 <= end, 'truncated chunk at %d' % p)
            cid = data[p:p + 4]
            sz = struct.unpack_from('<I', data, p + 4)[0]
            need(p + 8 + sz <= end, 'chunk %r overruns its parent' % cid)
            kind = data[p + 8:p + 12] if cid in (b'LIST', b'RIFF') else None
            out.append((cid, kind, p, p + 8, sz))
            p += 8 + sz + (sz & 1)
        need(p == end, 'chunks do not fill their parent')
        return out

    top = chunks(12, len(data))
    need([(c, k) for c, k, *_ in top] ==
         [(b'LIST', b'hdrl'), (b'LIST', b'movi'), (b'idx1', None)],
         'top level is hdrl, movi, idx1')
    _, _, _, hd, hsz = top[0]
    hdrl = chunks(hd + 4, hd + hsz)
    need([(c, k) for c, k, *_ in hdrl] == [(b'avih', None), (b'LIST', b'strl')],
         'hdrl holds avih and one strl (one stream, no audio)')
    avih = struct.unpack_from('<10I', data, hdrl[0][3])
    need(hdrl[0][4] == 56, 'avih size')
    us, _, _, flags, total, _, streams, _, w, h = avih
    need(streams == 1 and flags & 0x10, 'one stream, index flag')
    strl = chunks(hdrl[1][3] + 4, hdrl[1][3] + hdrl[1][4])
    need([c for c, *_ in strl] == [b'strh', b'strf'], 'strl holds strh, strf')
    sh = struct.unpack_from('<4s4sIHHIIIIIIIIhhhh', data, strl[0][3])
    need(strl[0][4] == 56 and sh[0] == b'vids' and sh[1] in (b'DIB ', b'\0' * 4),
         'video stream, uncompressed handler')
    scale, rate, length = sh[6], sh[7], sh[9]
    need(length == total and sh[-2:] == (w, h), 'stream length and frame rect')
    fpos, fsz = strl[1][3], strl[1][4]
    (bsz, bw, bh, planes, bits, comp, simg, _, _, used,
     _) = struct.unpack_from('<IiiHHIIiiII', data, fpos)
    need(bsz == 40 and (bw, bh) == (w, h) and planes == 1 and bits == 8 and
         comp == 0, 'strf: 8-bit BI_RGB')
    ncol = used or 256
    need(fsz == 40 + 4 * ncol, 'strf carries the palette')
    palette = [(data[fpos + 40 + 4 * i + 2], data[fpos + 40 + 4 * i + 1],
                data[fpos + 40 + 4 * i]) for i in range(ncol)]
    _, _, mpos, md, msz = top[1]
    movi = chunks(md + 4, md + msz)
    need(len(movi) == total and all(c == b'00db' for c, *_ in movi),
         'movi holds exactly one 00db chunk per frame')
    stride = (w + 3) & ~3
    need(all(sz == stride * h for *_, sz in movi), 'frame size')
    _, _, ipos, idat, isz = top[2]
    need(isz == 16 * total, 'idx1 has one entry per frame')
    for i, (_, _, cpos, _, csz) in enumerate(movi):
        cid, fl, off, ln = struct.unpack_from('<4sIII', data, idat + 16 * i)
        need(cid == b'00db' and fl & 0x10 and ln == csz and
             md + off == cpos, 'idx1 entry %d' % i)
    frames = []
    for _, _, _, cd, _ in movi:
        rows = []
        for y in range(h):
            at = cd + (h - 1 - y) * stride
            rows.append(list(data[at:at + w]))
        need(all(v < ncol for r in rows for v in r), 'index past the palette')
        frames.append(rows)
    return {'fps': rate / scale, 'us': us, 'size': (w, h), 'palette': palette,
            'frames': frames}


def check_icon(name, data, drawn, sizes):
    images = read_ico(data)
    need(sorted(im.size[0] for im in images) == sorted(sizes),
         '%s sizes' % name)
    for im, want in zip(images, drawn):
        need(im.size == want.size, '%s order' % name)
        got = list(im.getdata())
        exp = [p if p[3] else (0, 0, 0, 0) for p in want.getdata()]
        need(got == exp, '%s %d px pixels' % (name, im.size[0]))
        alphas = {p[3] for p in got}
        need(0 in alphas and 255 in alphas or name == 'facebook_f.ico',
             '%s %d px has no real alpha' % (name, im.size[0]))


def check_bitmap(name, data, palette, rows):
    pal, got = read_bmp(data)
    need(pal == palette and got == rows, '%s pixels' % name)
    bg = got[15][0]                      # first pixel in file order
    need(bg == 0, '%s first pixel is the background index' % name)
    corners = [got[0][0], got[0][15], got[15][0], got[15][15]]
    need(all(c == bg for c in corners), '%s corners are background' % name)
    need(all(pal[i] != pal[bg] for i in range(len(pal)) if i != bg),
         '%s background colour used by another entry' % name)
    stray = [pal[i] for i in range(len(pal)) if i != bg and pal[i] in SHADE_3D]
    need(not stray, '%s unintended 3-D grey %r' % (name, stray))
    drawn = sum(v != bg for r in got for v in r)
    need(drawn > 40, '%s has a picture' % name)


def check_clip(name, data, palette, frames, bg):
    clip = read_avi(data)
    need(clip['size'] == (CLIP_SIZE, CLIP_SIZE), '%s size' % name)
    need(clip['fps'] == CLIP_FPS and clip['us'] == 1000000 // CLIP_FPS,
         '%s rate' % name)
    need(clip['palette'] == palette and clip['frames'] == frames,
         '%s frames' % name)
    pal = clip['palette']
    for f in clip['frames']:
        need(all(pal[f[y][x]] == bg for y in (0, CLIP_SIZE - 1)
                 for x in (0, CLIP_SIZE - 1)), '%s corners' % name)
    # seamless loop: the light carried by each dot in frame i+1 (mod n)
    # equals what the dot before it carried in frame i
    n = len(clip['frames'])
    c = CLIP_SIZE / 2
    energy = []
    for f in clip['frames']:
        e = []
        for j in range(CLIP_DOTS):
            ang = -math.pi / 2 + 2 * math.pi * j / CLIP_DOTS
            cx, cy = c + CLIP_RING * math.cos(ang), c + CLIP_RING * math.sin(ang)
            tot = 0
            for y in range(CLIP_SIZE):
                for x in range(CLIP_SIZE):
                    if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= 12:
                        p = pal[f[y][x]]
                        tot += sum(abs(p[i] - bg[i]) for i in range(3))
            e.append(tot)
        energy.append(e)
    for i in range(n):
        nxt = energy[(i + 1) % n]
        rot = energy[i][-1:] + energy[i][:-1]
        need(all(abs(a - b) <= 0.2 * max(rot) for a, b in zip(nxt, rot)),
             '%s frame %d -> %d is not one step of the turn' % (name, i,
                                                                (i + 1) % n))
    heads = [e.index(max(e)) for e in energy]
    need(heads == [(heads[0] + i) % n for i in range(n)],
         '%s head does not advance one dot per frame' % name)


def ffmpeg_check(path, palette, frames):
    """Decodes the clip with ffprobe/ffmpeg when they are installed."""
    if not (shutil.which('ffprobe') and shutil.which('ffmpeg')):
        return 'ffprobe/ffmpeg not installed: skipped'
    out = subprocess.run(
        ['ffprobe', '-v', 'error', '-count_frames', '-show_entries',
         'stream=codec_type,codec_name,pix_fmt,width,height,r_frame_rate,'
         'nb_read_frames', '-of', 'default=nw=1', path],
        capture_output=True, text=True, check=True).stdout
    info = dict(l.split('=', 1) for l in out.split())
    need(info.get('codec_type') == 'video' and info.get('codec_name') == 'rawvideo'
         and info.get('pix_fmt') == 'pal8', 'ffprobe stream: %r' % info)
    need(info['width'] == str(CLIP_SIZE) and info['height'] == str(CLIP_SIZE)
         and info['r_frame_rate'] == '%d/1' % CLIP_FPS and
         info['nb_read_frames'] == str(len(frames)), 'ffprobe: %r' % info)
    need(out.count('codec_type=') == 1, 'ffprobe sees more than one stream')
    raw = subprocess.run(['ffmpeg', '-v', 'error', '-i', path, '-f', 'rawvideo',
                          '-pix_fmt', 'rgb24', '-'],
                         capture_output=True, check=True).stdout
    want = b''.join(bytes(palette[v][i] for r in fr for v in r for i in range(3)
                          ) for fr in frames)
    need(raw == want, 'ffmpeg decodes different pixels')
    return 'ffprobe: %s' % ', '.join('%s=%s' % kv for kv in sorted(info.items()))


# ---------------------------------------------------------------------------
# Contact sheet.

SHEET_BG = (246, 247, 249)
INK = (40, 44, 52)
MUTED = (110, 118, 128)
DARK_PANEL = (43, 43, 43)        # a dark Office theme
FACE_3D = (240, 240, 240)        # today's COLOR_3DFACE
CHECK = ((255, 255, 255), (226, 230, 235))


def _font(size, bold=False):
    name = 'DejaVuSans-Bold.ttf' if bold else 'DejaVuSans.ttf'
    path = os.path.join('/usr/share/fonts/truetype/dejavu', name)
    if os.path.exists(path):
        return ImageFont.truetype(path, size)
    return ImageFont.load_default()


def _checker(w, h, cell=4):
    im = Image.new('RGBA', (w, h), CHECK[0] + (255,))
    d = ImageDraw.Draw(im)
    for y in range(0, h, cell):
        for x in range(0, w, cell):
            if (x // cell + y // cell) & 1:
                d.rectangle([x, y, x + cell - 1, y + cell - 1], CHECK[1] + (255,))
    return im


def _zoom(img, k):
    return img.resize((img.width * k, img.height * k), Image.NEAREST)


def stretch_and(img, w, h):
    """StretchBlt shrinking in BLACKONWHITE mode: dropped pixels are ANDed."""
    sw, sh = img.size
    src = img.convert('RGB').load()
    out = Image.new('RGB', (w, h))
    px = out.load()
    for y in range(h):
        y0, y1 = y * sh // h, max(y * sh // h + 1, (y + 1) * sh // h)
        for x in range(w):
            x0, x1 = x * sw // w, max(x * sw // w + 1, (x + 1) * sw // w)
            r = g = b = 255
            for yy in range(y0, y1):
                for xx in range(x0, x1):
                    p = src[xx, yy]
                    r &= p[0]
                    g &= p[1]
                    b &= p[2]
            px[x, y] = (r, g, b)
    return out


def facebook_button(mark, width, height, font):
    """The sign-in button as the dialog paints it (white parent)."""
    im = Image.new('RGB', (width, height), WHITE)
    d = ImageDraw.Draw(im)
    e = height // 4
    d.rounded_rectangle([0, 0, width - 1, height - 1], radius=e // 2, fill=FB_BLUE)
    d.text((width // 2, height // 2), 'Continue with Facebook', fill=WHITE,
           font=font, anchor='mm')
    s = height * 2 // 3
    m = (height - s) // 2
    im.paste(stretch_and(mark, s, s), (2 * m, m))
    return im


def contact_sheet(icons, bitmaps, clips):
    W = 1240
    big = _font(20, True)
    head = _font(15, True)
    small = _font(11)
    label = _font(12, True)
    rows = []          # (height, painter)

    def title(text, sub=None):
        def paint(im, d, y):
            d.text((24, y + 6), text, fill=INK, font=head)
            if sub:
                d.text((24, y + 26), sub, fill=MUTED, font=small)
        rows.append((48 if sub else 34, paint))

    def icon_row(name, images):
        sizes = [im.size[0] for im in images]
        largest = images[sizes.index(max(sizes))]
        h = max(max(sizes) * 2, 128) + 34

        def paint(im, d, y):
            d.text((24, y + 4), name, fill=INK, font=label)
            x = 24
            top = y + 24
            for panel in ('white', 'dark'):
                pw = sum(sizes) + 14 * (len(sizes) + 1)
                ph = max(sizes) + 28
                colour = WHITE if panel == 'white' else DARK_PANEL
                d.rectangle([x, top, x + pw - 1, top + ph - 1], colour + (255,))
                cx = x + 14
                for s, img in zip(sizes, images):
                    im.alpha_composite(img, (cx, top + 8 + max(sizes) - s))
                    d.text((cx + s // 2, top + ph - 11), str(s),
                           fill=MUTED if panel == 'white' else (170, 170, 170),
                           font=small, anchor='mm')
                    cx += s + 14
                x += pw + 16
            z = _zoom(largest, 2)
            ch = _checker(z.width, z.height)
            ch.alpha_composite(z)
            im.paste(ch, (x, top))
            d.text((x + z.width // 2, top + z.height + 6), '%d px x2' % max(sizes),
                   fill=MUTED, font=small, anchor='mt')
            x += z.width + 16
            if 16 in sizes:
                z = _zoom(images[sizes.index(16)], 8)
                ch = _checker(z.width, z.height, 8)
                ch.alpha_composite(z)
                im.paste(ch, (x, top))
                d.text((x + z.width // 2, top + z.height + 6), '16 px x8',
                       fill=MUTED, font=small, anchor='mt')
        rows.append((h, paint))

    def bitmap_row(items):
        def paint(im, d, y):
            x = 24
            for name, rid, palette, idx in items:
                d.text((x, y + 2), '%s  (bitmap %d)' % (name, rid), fill=INK,
                       font=label)
                for j, (bgname, bgc) in enumerate((('3-D face', FACE_3D),
                                                   ('window', WHITE))):
                    pal = [bgc] + palette[1:]
                    one = Image.new('RGB', (16, 16))
                    one.putdata([pal[v] for r in idx for v in r])
                    bx = x + j * 124
                    d.rectangle([bx, y + 22, bx + 115, y + 105], bgc)
                    im.paste(_zoom(one, 4), (bx + 10, y + 32))
                    im.paste(one, (bx + 88, y + 56))
                    d.text((bx, y + 110), bgname, fill=MUTED, font=small)
                x += 296
        rows.append((140, paint))

    def clip_row(name, rid, palette, frames, bg):
        def paint(im, d, y):
            d.text((24, y + 2), '%s  (%s, %d frames, %d fps)' % (
                name, rid, len(frames), CLIP_FPS), fill=INK, font=label)
            x = 24
            for i, fr in enumerate(frames):
                one = Image.new('RGB', (CLIP_SIZE, CLIP_SIZE))
                one.putdata([palette[v] for r in fr for v in r])
                d.rectangle([x, y + 22, x + 95, y + 22 + 95 + 40], bg)
                im.paste(_zoom(one, 3), (x, y + 22))
                im.paste(one, (x + 32, y + 22 + 96 + 4))
                d.text((x + 48, y + 22 + 96 + 48), str(i), fill=MUTED,
                       font=small, anchor='mt')
                x += 99
        rows.append((22 + 96 + 40 + 30, paint))

    title('Ribbon icons',
          'each size at 1:1 on white and on a dark theme; the largest at 2x '
          'on a checkerboard (transparency), the 16 px image at 8x')
    for name, images in icons:
        icon_row(name, images)
    title('Command-bar bitmaps',
          '16x16, 8 bpp; background index shown as the button face and as '
          'the window colour the loader substitutes; 4x and 1:1')
    bitmap_row(bitmaps)
    title('Animation clips', 'every frame at 3x and 1:1 on its dialog background')
    for c in clips:
        clip_row(*c)
    fb = dict(icons)['facebook_f.ico'][0]
    title('Facebook button',
          'the mark stretched into a 23 px and a 35 px high button the way '
          'the control draws it (StretchBlt, AND on shrink)')

    def fbrow(im, d, y):
        b1 = facebook_button(fb, 240, 23, _font(9, True))
        b2 = facebook_button(fb, 360, 35, _font(13, True))
        im.paste(b1, (24, y + 6))
        im.paste(b2, (24 + 260, y + 6))
        im.paste(_zoom(b1, 2), (24 + 260 + 380, y + 6))
    rows.append((70, fbrow))

    H = 70 + sum(h for h, _ in rows) + 24
    im = Image.new('RGBA', (W, H), SHEET_BG + (255,))
    d = ImageDraw.Draw(im)
    d.text((24, 20), 'TalvoraMeeting artwork', fill=INK, font=big)
    y = 70
    for h, paint in rows:
        paint(im, d, y)
        d = ImageDraw.Draw(im)
        y += h
    return im.convert('RGB')


# ---------------------------------------------------------------------------

def build():
    """-> {path: bytes}, plus what is needed to check them."""
    out = {}
    icons = []
    checks = []
    for name, draw, sizes in ICONS:
        images = [draw(s) for s in sizes]
        data = ico_bytes(images)
        out[os.path.join(HERE, name)] = data
        icons.append((name, images))
        checks.append(lambda d=data, n=name, i=images, s=sizes:
                      check_icon(n, d, i, s))
    bitmaps = []
    for name, rid, draw in BITMAPS:
        palette, idx = bitmap_indices(draw)
        data = bmp_bytes(palette, idx)
        out[os.path.join(HERE, name)] = data
        bitmaps.append((name, rid, palette, idx))
        checks.append(lambda d=data, n=name, p=palette, i=idx:
                      check_bitmap(n, d, p, i))
    clips = []
    ff = []
    for name, rid, bg, head, tail in CLIPS:
        palette, frames = clip_frames(bg, head, tail)
        data = avi_bytes(palette, frames, CLIP_FPS)
        path = os.path.join(HERE, name)
        out[path] = data
        clips.append((name, rid, palette, frames, bg))
        checks.append(lambda d=data, n=name, p=palette, f=frames, b=bg:
                      check_clip(n, d, p, f, b))
        ff.append((path, palette, frames))
    sheet = contact_sheet(icons, bitmaps, clips)
    buf = io.BytesIO()
    sheet.save(buf, 'PNG', optimize=True)
    out[SHEET] = buf.getvalue()
    return out, checks, ff


def main(argv):
    check_only = '--check' in argv
    out, checks, ff = build()
    for c in checks:
        c()
    if check_only:
        stale = [p for p, data in out.items()
                 if not os.path.exists(p) or open(p, 'rb').read() != data]
        for p in stale:
            print('out of date: %s' % os.path.relpath(p, REPO))
        if stale:
            return 1
    else:
        for p, data in out.items():
            os.makedirs(os.path.dirname(p), exist_ok=True)
            with open(p, 'wb') as f:
                f.write(data)
    for path, palette, frames in ff:
        print('%s: %s' % (os.path.basename(path),
                          ffmpeg_check(path, palette, frames)))
    for p, data in sorted(out.items()):
        print('%-28s %7d bytes' % (os.path.relpath(p, REPO), len(data)))
    return 0


if __name__ == '__main__':
    try:
        sys.exit(main(sys.argv[1:]))
    except Bad as e:
        print('make_art: check failed: %s' % e, file=sys.stderr)
        sys.exit(2)
