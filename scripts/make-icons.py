#!/usr/bin/env python3
"""Draw Quillon's icons, toolbar images, donate badge and manifest into ui/res/.

Every picture is a few vector shapes (signed distance functions) drawn at each size on its own
pixel grid with 4x4 supersampling at the edges, so small sizes stay sharp. Standard library only;
the output is the same bytes on every run.

    python3 scripts/make-icons.py                 # redraw ui/res/
    python3 scripts/make-icons.py --sheet F.png   # also write a contact sheet to look at
"""
import math
import os
import struct
import sys
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, 'ui', 'res')
APP_SIZES = (16, 20, 24, 32, 40, 48, 64, 256)
SMALL_SIZES = (16, 20, 24, 32, 48)


def hexc(h):
    return tuple(int(h[i:i + 2], 16) / 255.0 for i in (1, 3, 5))


GREEN, GREEN_D = hexc('#2E9E44'), hexc('#1E7532')
RED, RED_D = hexc('#D23A2E'), hexc('#9E2419')
AMBER, AMBER_D, AMBER_L = hexc('#E8B030'), hexc('#A8740E'), hexc('#F7D36A')
BLUE, BLUE_D, BLUE_L = hexc('#2D6FD1'), hexc('#1C4E9F'), hexc('#D6E6FA')
WHITE, PAPER_EDGE, FOLD = hexc('#FFFFFF'), hexc('#7C8591'), hexc('#E3E7EC')
LIST_LINE = hexc('#9FB0C6')
GREY, GREY_L = hexc('#8D9299'), hexc('#E4E6E9')
SLATE, SLATE_D = hexc('#76808D'), hexc('#4A525D')
PANEL = hexc('#F0F0F0')


# ---------------------------------------------------------------- shapes
# A shape is a signed distance function in design units (negative inside) plus a bounding box.
# Every primitive is an exact distance and min/max/offset keep the 1-Lipschitz property, so a
# pixel whose centre lies farther than half a diagonal from the edge needs no supersampling.

class Shape:
    def __init__(self, f, box):
        self.f, self.box = f, box

    def __or__(self, o):
        a, b = self.f, o.f
        return Shape(lambda x, y: min(a(x, y), b(x, y)),
                     (min(self.box[0], o.box[0]), min(self.box[1], o.box[1]),
                      max(self.box[2], o.box[2]), max(self.box[3], o.box[3])))

    def __and__(self, o):
        a, b = self.f, o.f
        return Shape(lambda x, y: max(a(x, y), b(x, y)),
                     (max(self.box[0], o.box[0]), max(self.box[1], o.box[1]),
                      min(self.box[2], o.box[2]), min(self.box[3], o.box[3])))

    def __sub__(self, o):
        a, b = self.f, o.f
        return Shape(lambda x, y: max(a(x, y), -b(x, y)), self.box)

    def grow(self, r):
        f, e = self.f, max(r, 0)
        x0, y0, x1, y1 = self.box
        return Shape(lambda x, y: f(x, y) - r, (x0 - e, y0 - e, x1 + e, y1 + e))


def circle(cx, cy, r):
    return Shape(lambda x, y: math.hypot(x - cx, y - cy) - r, (cx - r, cy - r, cx + r, cy + r))


def rect(x0, y0, x1, y1, r=0.0):
    cx, cy, hx, hy = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2 - r, (y1 - y0) / 2 - r

    def f(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        return math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0) - r
    return Shape(f, (x0, y0, x1, y1))


def poly(pts):
    n = len(pts)

    def f(x, y):
        d, s = (x - pts[0][0]) ** 2 + (y - pts[0][1]) ** 2, 1.0
        for i in range(n):
            (ax, ay), (bx, by) = pts[i], pts[i - 1]
            ex, ey, wx, wy = bx - ax, by - ay, x - ax, y - ay
            t = min(max((wx * ex + wy * ey) / (ex * ex + ey * ey), 0.0), 1.0)
            d = min(d, (wx - ex * t) ** 2 + (wy - ey * t) ** 2)
            c1, c2, c3 = y >= ay, y < by, ex * wy > ey * wx
            if (c1 and c2 and c3) or not (c1 or c2 or c3):
                s = -s
        return s * math.sqrt(d)
    xs, ys = [p[0] for p in pts], [p[1] for p in pts]
    return Shape(f, (min(xs), min(ys), max(xs), max(ys)))


def line(pts, w):
    """A stroke of width w through pts with round ends and joins."""
    segs = list(zip(pts, pts[1:]))
    h = w / 2

    def f(x, y):
        d = 1e9
        for (ax, ay), (bx, by) in segs:
            ex, ey, wx, wy = bx - ax, by - ay, x - ax, y - ay
            t = min(max((wx * ex + wy * ey) / ((ex * ex + ey * ey) or 1.0), 0.0), 1.0)
            d = min(d, (wx - ex * t) ** 2 + (wy - ey * t) ** 2)
        return math.sqrt(d) - h
    xs, ys = [p[0] for p in pts], [p[1] for p in pts]
    return Shape(f, (min(xs) - h, min(ys) - h, max(xs) + h, max(ys) + h))


def arc(cx, cy, rx, ry, a0, a1, steps=24):
    """Points on an ellipse, angles in degrees counter-clockwise on screen."""
    return [(cx + rx * math.cos(math.radians(a0 + (a1 - a0) * i / steps)),
             cy - ry * math.sin(math.radians(a0 + (a1 - a0) * i / steps))) for i in range(steps + 1)]


def ngon(cx, cy, r, n, rot=0.0):
    return poly([(cx + r * math.cos(math.radians(rot + 360 * i / n)),
                  cy + r * math.sin(math.radians(rot + 360 * i / n))) for i in range(n)])


def star(cx, cy, r0, r1, n=5):
    return poly([(cx + (r0 if i % 2 == 0 else r1) * math.sin(math.pi * i / n),
                  cy - (r0 if i % 2 == 0 else r1) * math.cos(math.pi * i / n)) for i in range(2 * n)])


# ---------------------------------------------------------------- canvas

class Canvas:
    """Premultiplied RGBA floats; design units are pixels / scale."""

    def __init__(self, w, h, scale, bg=None):
        self.w, self.h, self.s = w, h, scale
        self.n = w
        self.ow = max(1, round(w / 36)) / scale  # outline width: whole pixels, in design units
        self.buf = [0.0] * (w * h * 4)
        if bg:
            self.fill(rect(-1, -1, w / scale + 1, h / scale + 1), bg)

    def snap(self, v):
        return round(v * self.s) / self.s

    def fill(self, shape, color, alpha=1.0):
        s, inv, f, buf, w = self.s, 1.0 / self.s, shape.f, self.buf, self.w
        x0, y0, x1, y1 = shape.box
        lim = 0.7072 * inv
        subs = [((i + 0.5) * inv / 4, (j + 0.5) * inv / 4) for j in range(4) for i in range(4)]
        r, g, b = color
        for py in range(max(0, int(math.floor(y0 * s)) - 1), min(self.h, int(math.ceil(y1 * s)) + 1)):
            y = py * inv
            for px in range(max(0, int(math.floor(x0 * s)) - 1), min(w, int(math.ceil(x1 * s)) + 1)):
                x = px * inv
                d = f(x + 0.5 * inv, y + 0.5 * inv)
                if d >= lim:
                    continue
                if d <= -lim:
                    a = alpha
                else:
                    a = alpha * sum(1 for ox, oy in subs if f(x + ox, y + oy) < 0) / 16.0
                    if a == 0:
                        continue
                k, keep = (py * w + px) * 4, 1.0 - a
                buf[k] = r * a + buf[k] * keep
                buf[k + 1] = g * a + buf[k + 1] * keep
                buf[k + 2] = b * a + buf[k + 2] * keep
                buf[k + 3] = a + buf[k + 3] * keep

    def rgba(self):
        out = bytearray(self.w * self.h * 4)
        for k in range(0, len(out), 4):
            a = self.buf[k + 3]
            if a > 0.0:
                for i in range(3):
                    out[k + i] = min(255, int(self.buf[k + i] / a * 255 + 0.5))
                out[k + 3] = min(255, int(a * 255 + 0.5))
        return bytes(out)


def solid(c, shape, fill, edge, w=None):
    """shape filled with fill inside an outline of edge colour, w design units wide (0: none)."""
    w = c.ow if w is None else w
    if w > 0:
        c.fill(shape, edge)
    c.fill(shape.grow(-w), fill)


def page(c, x0, y0, x1, y1, fold, fill=WHITE, edge=PAPER_EDGE, flap=FOLD):
    """A sheet with its top right corner folded, edges on whole pixels."""
    x0, y0, x1, y1, f = c.snap(x0), c.snap(y0), c.snap(x1), c.snap(y1), c.snap(fold)
    solid(c, poly([(x0, y0), (x1 - f, y0), (x1, y0 + f), (x1, y1), (x0, y1)]), fill, edge)
    solid(c, poly([(x1 - f, y0), (x1 - f, y0 + f), (x1, y0 + f)]), flap, edge)


def bars(c, x0, x1, ys, color, h=1.0):
    """Text lines on a sheet: bars one or more whole pixels high."""
    hh = max(c.snap(h), 1 / c.s)
    for i, y in enumerate(ys):
        xe = x1[i] if isinstance(x1, (list, tuple)) else x1
        c.fill(rect(c.snap(x0), c.snap(y), c.snap(xe), c.snap(y) + hh), color)


def folder_back(c, x0, y0, x1, y1, tab):
    x0, y0, x1, y1 = c.snap(x0), c.snap(y0), c.snap(x1), c.snap(y1)
    t = c.snap(tab)
    solid(c, poly([(x0, y0), (x0 + t, y0), (x0 + t + 1.5, y0 + 1.5), (x1, y0 + 1.5),
                   (x1, y1), (x0, y1)]), AMBER, AMBER_D)


def magnifier(c, cx, cy, r, ring, handle_to, handle_w):
    c.fill(line([(cx, cy), handle_to], handle_w), SLATE_D)
    c.fill(circle(cx, cy, r + ring / 2), SLATE_D)
    c.fill(circle(cx, cy, r - ring / 2), BLUE_L)
    if c.n >= 24:  # a glint on the glass
        c.fill(line(arc(cx, cy, r * 0.55, r * 0.55, 100, 170, 8), r * 0.18), WHITE)


# ---------------------------------------------------------------- pictures (16 x 16 design grid)

def draw_app(c):
    page(c, 1.5, 0.5, 12.5, 15.5, 3.5)
    if c.n >= 32:
        ys = [3.5, 5.5, 7.5, 9.5, 11.5, 13.5]
        for y in ys:
            c.fill(circle(3.9, y + 0.35, 0.55), LIST_LINE)
        bars(c, 5.0, [8.5, 10.5, 9.5, 7.5, 6.5, 6.0], ys, LIST_LINE, 0.75)
    else:
        bars(c, 3.5, [8.5, 10.5, 7.5, 5.5], [4, 6, 8, 10], LIST_LINE)
    c.fill(circle(11.5, 11.5, 4.5), WHITE)
    solid(c, circle(11.5, 11.5, 4.1), GREEN, GREEN_D, c.ow if c.n >= 32 else 0)
    c.fill(line([(9.3, 11.6), (11.0, 13.3), (13.7, 9.8)], 1.5 if c.n >= 24 else 1.8), WHITE)


def draw_new(c):
    page(c, 3, 1, 14, 15, 3.5)
    if c.n >= 32:
        solid(c, star(5, 5, 4.6, 2.0), AMBER_L, AMBER_D)
    else:  # an outline would muddy so small a star: a white rim keeps it off the page edge
        c.fill(star(5, 5.2, 5.0, 2.2).grow(1 / c.s), WHITE)
        c.fill(star(5, 5.2, 5.0, 2.2), AMBER)


def draw_open(c):
    folder_back(c, 0.5, 2.5, 13.5, 14.5, 5)
    x0, x1 = c.snap(3), c.snap(11.5)
    c.fill(rect(x0, c.snap(5), x1, c.snap(10)), WHITE)
    solid(c, poly([(c.snap(3.5), c.snap(7.5)), (c.snap(15.5), c.snap(7.5)),
                   (c.snap(13.5), c.snap(14.5)), (c.snap(0.5), c.snap(14.5))]), AMBER_L, AMBER_D)


def draw_check(c):
    page(c, 1, 0.5, 11.5, 15.5, 3)
    bars(c, 3, [8, 9.5, 6.5, 5, 6], [4, 6, 8, 10, 12], LIST_LINE)
    magnifier(c, 10, 9.5, 3.3, 1.4, (14.3, 14.2), 2.4)


def draw_abort(c):
    solid(c, ngon(8, 8, 7.6, 8, 22.5), RED, RED_D)
    c.fill(rect(c.snap(3.75), c.snap(6.75), c.snap(12.25), c.snap(9.25), 0), WHITE)


def draw_display(c):
    pts = [(1, 1.5), (15, 1.5), (9.6, 8), (9.6, 13.2), (6.4, 15), (6.4, 8)]
    solid(c, poly(pts), BLUE, BLUE_D)
    if c.n >= 24:
        c.fill(rect(2.9, 2.6, 13.1, 3.6, 0.5), hexc('#5C90E0'))


def gear(teeth, r_out, r_body, tooth_w, hole):
    g = circle(8, 8, r_body)
    for i in range(teeth):
        a = math.pi * 2 * i / teeth
        ca, sa = math.cos(a), math.sin(a)
        t = rect(-r_out, -tooth_w / 2, r_out, tooth_w / 2, tooth_w * 0.2)
        g = g | Shape(lambda x, y, f=t.f, ca=ca, sa=sa:
                      f((x - 8) * ca + (y - 8) * sa, -(x - 8) * sa + (y - 8) * ca),
                      (8 - r_out, 8 - r_out, 8 + r_out, 8 + r_out))
    return (g & circle(8, 8, r_out)) - circle(8, 8, hole)


def draw_options(c):
    solid(c, gear(8, 7.6, 5.6, 2.8, 2.3), SLATE, SLATE_D)


def draw_about(c):
    solid(c, circle(8, 8, 7.5), BLUE, BLUE_D)
    c.fill(circle(8, 4.5, 1.3), WHITE)
    c.fill(rect(c.snap(7), c.snap(6.5), c.snap(9), c.snap(12.5), 0.2), WHITE)


def draw_header(c):
    folder_back(c, 0.5, 2, 15.5, 13.5, 5.5)
    solid(c, rect(c.snap(0.5), c.snap(5), c.snap(15.5), c.snap(13.5)), AMBER_L, AMBER_D)
    arrow = poly([(10.25, 6.5), (13.25, 6.5), (13.25, 10.5), (15.5, 10.5), (11.75, 15),
                  (8, 10.5), (10.25, 10.5)])
    c.fill(arrow.grow(1.0 / c.s if c.n < 32 else 0.8), WHITE)
    solid(c, arrow, GREEN, GREEN_D, c.ow if c.n >= 32 else 0)


def draw_unchecked(c):
    page(c, 2.5, 1, 13.5, 15, 4, GREY_L, GREY, hexc('#C9CDD2'))


def draw_missing(c):
    magnifier(c, 6.5, 6.5, 4.3, 1.8, (13.5, 13.5), 3.0)


def draw_bad(c):
    x = line([(3.5, 3.5), (12.5, 12.5)], 3.2) | line([(12.5, 3.5), (3.5, 12.5)], 3.2)
    solid(c, x, RED, RED_D, c.ow if c.n >= 32 else 0)


def draw_good(c):
    solid(c, line([(2.5, 8.5), (6.2, 12.2), (13.5, 4.0)], 3.2), GREEN, GREEN_D,
          c.ow if c.n >= 32 else 0)


TOOLBAR = [('new', draw_new), ('open', draw_open), ('check', draw_check), ('abort', draw_abort),
           ('display', draw_display), ('options', draw_options), ('about', draw_about)]
ROWS = [('row_header', draw_header), ('st_unchecked', draw_unchecked),
        ('st_missing', draw_missing), ('st_bad', draw_bad), ('st_good', draw_good)]


def render(draw, n):
    c = Canvas(n, n, n / 16.0)
    draw(c)
    return c.rgba()


def disabled(rgba):
    """Greys, lighter, at 45% opacity: how a toolbar shows a disabled button."""
    out = bytearray(rgba)
    for k in range(0, len(out), 4):
        lum = 0.299 * out[k] + 0.587 * out[k + 1] + 0.114 * out[k + 2]
        out[k] = out[k + 1] = out[k + 2] = int(lum * 0.85 + 38 + 0.5)
        out[k + 3] = int(out[k + 3] * 0.45 + 0.5)
    return bytes(out)


# ---------------------------------------------------------------- donate badge (62 x 31 grid)

def glyphs():
    """Stroke paths of the letters: (width, strokes), x from 0, baseline at y 0, cap height 8,
    x-height 6. Stems sit on whole units so that at 96 DPI they fall on pixel centres."""
    def ell(cx, cy, rx, ry, a0, a1):
        return arc(cx, cy, rx, ry, a0, a1, 20)
    return {
        'D': (5, [[(0, 0), (0, -8), (1.5, -8)] + ell(1.5, -4, 3.5, 4, 90, -90) + [(0, 0)]]),
        'o': (4, [ell(2, -3, 2, 3, 0, 360)]),
        'n': (4, [[(0, 0), (0, -6)], ell(2, -3.5, 2, 2.5, 170, 0) + [(4, 0)]]),
        'a': (4, [ell(2, -3, 2, 3, 0, 360), [(4, -6), (4, 0)]]),
        't': (3, [[(1, -7.5), (1, -1)] + ell(2.5, -1, 1.5, 1, 180, 270)[1:], [(0, -6), (3, -6)]]),
        'e': (4, [[(0, -3), (4, -3)] + ell(2, -3, 2, 3, 0, 320)]),
    }


def draw_donate(c):
    u = 1.0 / c.s  # one device pixel
    pill = rect(0.5, 3.5, 61.5, 27.5, 12)
    solid(c, pill, hexc('#FCE38A'), AMBER_D, u)
    c.fill(rect(0.5 + 1.5 * u, 3.5 + 1.5 * u, 61.5 - 1.5 * u, 15.5, 10.5) & rect(0, 0, 62, 10.5),
           hexc('#FFF1BE'))
    heart = circle(8.6, 13.6, 3.1) | circle(13.4, 13.6, 3.1) | \
        poly([(5.72, 14.8), (11, 21.6), (16.28, 14.8), (11, 12.6)])
    solid(c, heart, RED, RED_D, u)
    g, x, w = glyphs(), 20.5, 1.3
    for ch in 'Donate':
        adv, strokes = g[ch]
        for s in strokes:
            c.fill(line([(x + px, 19.5 + py) for px, py in s], w), hexc('#3A2A08'))
        x += adv + 2


# ---------------------------------------------------------------- file formats

def png_bytes(w, h, rgba, channels=4):
    def chunk(t, data):
        return struct.pack('>I', len(data)) + t + data + struct.pack('>I', zlib.crc32(t + data))
    stride = w * channels
    raw = b''.join(b'\0' + rgba[y * stride:(y + 1) * stride] for y in range(h))
    return (b'\x89PNG\r\n\x1a\n'
            + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6 if channels == 4 else 2, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def dib_bytes(n, rgba):
    """32-bit BMP-in-ICO: BGRA rows bottom up, then a 1-bit AND mask (1 = transparent)."""
    mstride = (n + 31) // 32 * 4
    out = bytearray(struct.pack('<IiiHHIIiiII', 40, n, 2 * n, 1, 32, 0, n * n * 4 + mstride * n,
                                0, 0, 0, 0))
    for y in reversed(range(n)):
        for x in range(n):
            r, g, b, a = rgba[(y * n + x) * 4:(y * n + x) * 4 + 4]
            out += bytes((b, g, r, a))
    for y in reversed(range(n)):
        bits = bytearray(mstride)
        for x in range(n):
            if rgba[(y * n + x) * 4 + 3] == 0:
                bits[x >> 3] |= 0x80 >> (x & 7)
        out += bits
    return bytes(out)


def ico_bytes(images):
    blobs = [png_bytes(n, n, px) if n >= 256 else dib_bytes(n, px) for n, px in images]
    out, off = struct.pack('<HHH', 0, 1, len(images)), 6 + 16 * len(images)
    for (n, _), blob in zip(images, blobs):
        out += struct.pack('<BBBBHHII', n % 256, n % 256, 0, 0, 1, 32, len(blob), off)
        off += len(blob)
    return out + b''.join(blobs)


def bmp24_bytes(w, h, rgba, dpi):
    stride = (w * 3 + 3) // 4 * 4
    ppm = int(dpi / 0.0254 + 0.5)
    out = bytearray(b'BM' + struct.pack('<IHHI', 54 + stride * h, 0, 0, 54))
    out += struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, stride * h, ppm, ppm, 0, 0)
    for y in reversed(range(h)):
        row = bytearray()
        for x in range(w):
            r, g, b = rgba[(y * w + x) * 4:(y * w + x) * 4 + 3]
            row += bytes((b, g, r))
        out += row + b'\0' * (stride - len(row))
    return bytes(out)


MANIFEST = '''<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">
  <assemblyIdentity type="win32" name="Quillon.Quillon" version="1.0.0.0" processorArchitecture="*"/>
  <description>Quillon</description>
  <dependency>
    <dependentAssembly>
      <assemblyIdentity type="win32" name="Microsoft.Windows.Common-Controls" version="6.0.0.0"
                        processorArchitecture="*" publicKeyToken="6595b64144ccf1df" language="*"/>
    </dependentAssembly>
  </dependency>
  <trustInfo xmlns="urn:schemas-microsoft-com:asm.v3">
    <security>
      <requestedPrivileges>
        <requestedExecutionLevel level="asInvoker" uiAccess="false"/>
      </requestedPrivileges>
    </security>
  </trustInfo>
  <compatibility xmlns="urn:schemas-microsoft-com:compatibility.v1">
    <application>
      <!-- Windows 7 -->
      <supportedOS Id="{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"/>
      <!-- Windows 8 -->
      <supportedOS Id="{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"/>
      <!-- Windows 8.1 -->
      <supportedOS Id="{1f676c76-80e1-4239-95bb-83d0f6d0da78}"/>
      <!-- Windows 10 and Windows 11 -->
      <supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>
    </application>
  </compatibility>
  <application xmlns="urn:schemas-microsoft-com:asm.v3">
    <windowsSettings>
      <dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true/pm</dpiAware>
      <dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2, PerMonitor</dpiAwareness>
    </windowsSettings>
  </application>
</assembly>
'''


# ---------------------------------------------------------------- contact sheet

def contact_sheet(rows, path, zoom=4, gap=8):
    """rows: lists of (w, h, rgba); each row drawn on white, then again on light grey."""
    bgs = [(255, 255, 255), (0xF0, 0xF0, 0xF0)]
    half = max(sum(w * zoom + gap for w, _, _ in r) for r in rows) + gap
    W = half * 2
    H = sum(max(h for _, h, _ in r) * zoom + gap for r in rows) + gap
    img = bytearray(b'\x60' * (W * H * 3))
    for i, bg in enumerate(bgs):
        for y in range(H):
            img[(y * W + i * half) * 3:(y * W + (i + 1) * half - 2) * 3] = bytes(bg) * (half - 2)
    top = gap
    for r in rows:
        for i, bg in enumerate(bgs):
            left = i * half + gap
            for w, h, px in r:
                for y in range(h * zoom):
                    for x in range(w * zoom):
                        k = ((y // zoom) * w + x // zoom) * 4
                        a = px[k + 3] / 255.0
                        o = ((top + y) * W + left + x) * 3
                        img[o:o + 3] = bytes(int(px[k + j] * a + bg[j] * (1 - a) + 0.5) for j in range(3))
                left += w * zoom + gap
        top += max(h for _, h, _ in r) * zoom + gap
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(png_bytes(W, H, bytes(img), 3))


# ---------------------------------------------------------------- main

def main():
    os.makedirs(OUT, exist_ok=True)

    def write(name, data):
        with open(os.path.join(OUT, name), 'wb') as f:
            f.write(data)

    sheet = []
    app = [(n, render(draw_app, n)) for n in APP_SIZES]
    write('quillon.ico', ico_bytes(app))
    sheet.append([(n, n, px) for n, px in app if n <= 64])
    big = [(n, n, px) for n, px in app if n > 64]
    for name, draw in TOOLBAR:
        imgs = [(n, render(draw, n)) for n in SMALL_SIZES]
        off = [(n, disabled(px)) for n, px in imgs]
        write('tb_%s.ico' % name, ico_bytes(imgs))
        write('tb_%s_off.ico' % name, ico_bytes(off))
        sheet.append([(n, n, px) for n, px in imgs] + [(n, n, px) for n, px in off])
    for name, draw in ROWS:
        imgs = [(n, render(draw, n)) for n in SMALL_SIZES]
        write(name + '.ico', ico_bytes(imgs))
        sheet.append([(n, n, px) for n, px in imgs])
    badges = []
    for suffix, dpi in (('', 96), ('_144', 144), ('_192', 192)):
        s = dpi / 96.0
        w, h = int(62 * s + 0.5), int(31 * s + 0.5)
        c = Canvas(w, h, s, PANEL)
        draw_donate(c)
        px = c.rgba()
        write('donate%s.bmp' % suffix, bmp24_bytes(w, h, px, dpi))
        badges.append((w, h, px))
    sheet.append(badges)
    with open(os.path.join(OUT, 'quillon.manifest'), 'w', encoding='utf-8', newline='\n') as f:
        f.write(MANIFEST)

    if len(sys.argv) == 3 and sys.argv[1] == '--sheet':
        contact_sheet(sheet, sys.argv[2])
        contact_sheet([big], os.path.splitext(sys.argv[2])[0] + '-256.png', zoom=1)


if __name__ == '__main__':
    main()
