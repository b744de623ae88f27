#!/usr/bin/python3
"""Draws the program's pictures and icon: intro.bmp, idle.jpg and app.ico.

Needs the Debian packages python3-pil, fonts-dejavu-core and fonts-urw-base35.
Run with the system interpreter (the one that sees Debian's Pillow):

    /usr/bin/python3 resources/make_pictures.py          # (re)write the three files
    /usr/bin/python3 resources/make_pictures.py --check  # verify their layout only

Output is byte-for-byte reproducible for a given Pillow/libjpeg: nothing here
reads the clock, and the randomness (stars, brushed-metal grain) has fixed seeds.
"""

import io
import math
import os
import random
import struct
import sys

from PIL import Image, ImageDraw, ImageFilter, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
INTRO_PATH = os.path.join(HERE, "intro.bmp")
IDLE_PATH = os.path.join(HERE, "idle.jpg")
ICON_PATH = os.path.join(HERE, "app.ico")

TITLE = "Korvo Idle v2"
AUTHOR = "qel"

IDLE_SIZE = (200, 90)
IDLE_VISIBLE = (198, 89)  # the window crops the rightmost 2 columns and the last row
IDLE_BYTES = 25778
INTRO_SIZE = (480, 360)
INTRO_BYTES = 14 + 40 + 480 * 360 * 3

def font(name, size):
    # Pillow finds a bare file name under the system's font folders.
    try:
        return ImageFont.truetype(name, size)
    except OSError:
        sys.exit(f"font {name} not found: install fonts-dejavu-core and fonts-urw-base35")


def lerp(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def vgradient(draw, box, top, bottom, grain=None):
    """Vertical gradient over an inclusive box, optionally with a brightness grain."""
    x0, y0, x1, y1 = box
    h = max(1, y1 - y0)
    for y in range(y0, y1 + 1):
        c = lerp(top, bottom, (y - y0) / h)
        if grain is None:
            draw.line([(x0, y), (x1, y)], fill=c)
            continue
        for x in range(x0, x1 + 1):
            v = grain[y][x]
            draw.point((x, y), fill=tuple(max(0, min(255, ch + v)) for ch in c))


def brushed_grain(size, amount, seed):
    """Horizontal streaks, like brushed metal: noise smeared along x only."""
    rng = random.Random(seed)
    w, h = size
    rows = []
    for _ in range(h):
        raw = [rng.gauss(0, 1) for _ in range(w + 8)]
        rows.append([int(round(sum(raw[x:x + 9]) / 3 * amount)) for x in range(w)])
    return rows


def bevel(draw, box, light, dark):
    """One-pixel ring: light on top/left, dark on bottom/right (swap for sunken)."""
    x0, y0, x1, y1 = box
    draw.line([(x0, y0), (x1 - 1, y0)], fill=light)
    draw.line([(x0, y0), (x0, y1 - 1)], fill=light)
    draw.line([(x0, y1), (x1, y1)], fill=dark)
    draw.line([(x1, y0), (x1, y1)], fill=dark)


def text_size(draw, text, fnt):
    l, t, r, b = draw.textbbox((0, 0), text, font=fnt)
    return l, t, r - l, b - t


def centred_text(draw, box, text, fnt, fill, shadow=None, dx=0):
    """Centres the glyphs' ink (not the font's line box) in box, inclusive coords."""
    x0, y0, x1, y1 = box
    l, t, w, h = text_size(draw, text, fnt)
    x = x0 + (x1 - x0 + 1 - w) // 2 - l + dx
    y = y0 + (y1 - y0 + 1 - h) // 2 - t
    if shadow:
        draw.text((x + 1, y + 1), text, font=fnt, fill=shadow)
    draw.text((x, y), text, font=fnt, fill=fill)
    return x + l, y + t, x + l + w - 1, y + t + h - 1


# ---------------------------------------------------------------- idle.jpg

# Graphite and steel-blue, matching the cyan texts the program draws on the panel.
STEEL_HI = (168, 190, 214)
STEEL_MID = (96, 118, 146)
STEEL_LO = (44, 56, 72)
EDGE_DARK = (8, 11, 16)
FACE_TOP = (58, 68, 82)
FACE_BOTTOM = (34, 40, 50)
INK = (232, 240, 250)
INK_SHADOW = (12, 18, 28)


def raised_plate(draw, box, top, bottom, hi, lo, grain=None):
    x0, y0, x1, y1 = box
    draw.rectangle(box, outline=EDGE_DARK)
    vgradient(draw, (x0 + 1, y0 + 1, x1 - 1, y1 - 1), top, bottom, grain)
    bevel(draw, (x0 + 1, y0 + 1, x1 - 1, y1 - 1), hi, lo)


def draw_idle():
    w, h = IDLE_VISIBLE
    im = Image.new("RGB", IDLE_SIZE, EDGE_DARK)
    d = ImageDraw.Draw(im)
    d.fontmode = "L"
    right, bottom = w - 1, h - 1  # 197, 88

    # Brushed-graphite body and a three-step bevelled frame around the visible area.
    grain = brushed_grain(IDLE_SIZE, 2.5, seed=7)
    vgradient(d, (0, 0, right, bottom), FACE_TOP, FACE_BOTTOM, grain)
    bevel(d, (0, 0, right, bottom), STEEL_HI, EDGE_DARK)
    bevel(d, (1, 1, right - 1, bottom - 1), STEEL_MID, STEEL_LO)
    bevel(d, (2, 2, right - 2, bottom - 2), (22, 28, 36), (92, 106, 124))

    # Top strip: minimize, title (drag handle) and close, each in its own rect.
    raised_plate(d, (8, 8, 33, 33), (84, 102, 126), (50, 62, 80), (150, 170, 196), (36, 46, 60), grain)
    d.rectangle((14, 23, 27, 25), fill=INK_SHADOW)
    d.rectangle((14, 22, 26, 24), fill=INK)

    raised_plate(d, (56, 8, 145, 33), (78, 114, 160), (38, 62, 98), (160, 192, 228), (26, 42, 68), grain)
    # Grip dots on the plate's ends hint that it can be dragged.
    for gx in (59, 142):
        for gy in (14, 18, 22, 26):
            d.point((gx, gy), fill=(170, 200, 232))
            d.point((gx + 1, gy + 1), fill=(20, 34, 56))
    centred_text(d, (56, 8, 145, 33), TITLE, font("DejaVuSans-Bold.ttf", 10), INK, INK_SHADOW)

    raised_plate(d, (176, 8, 193, 33), (150, 64, 62), (96, 30, 32), (214, 140, 136), (58, 16, 18), grain)
    for off, col in ((1, INK_SHADOW), (0, INK)):
        for t in (0, 1):
            d.line([(181 + off + t, 17 + off), (187 + off + t, 23 + off)], fill=col)
            d.line([(187 + off + t, 17 + off), (181 + off + t, 23 + off)], fill=col)

    # Start and Stop buttons, each with a small media-style glyph.
    bfont = font("DejaVuSans-Bold.ttf", 10)
    for box, label, glyph in (((8, 40, 65, 57), "Start", "play"), ((8, 64, 65, 81), "Stop", "stop")):
        raised_plate(d, box, (88, 108, 134), (52, 64, 82), (160, 180, 206), (34, 42, 56), grain)
        x0, y0, x1, y1 = box
        cy = (y0 + y1) // 2
        if glyph == "play":
            d.polygon([(15, cy - 4), (15, cy + 4), (20, cy)], fill=(96, 230, 170))
        else:
            d.rectangle((15, cy - 3, 20, cy + 2), fill=(236, 112, 104))
        centred_text(d, (23, y0, x1 - 3, y1), label, bfont, INK, INK_SHADOW)

    # Sunken display panel: dark and empty, the program writes on it.
    px0, py0, px1, py1 = 68, 36, 192, 83
    bevel(d, (px0, py0, px1, py1), (20, 24, 30), (120, 136, 156))
    bevel(d, (px0 + 1, py0 + 1, px1 - 1, py1 - 1), EDGE_DARK, (60, 72, 88))
    vgradient(d, (px0 + 2, py0 + 2, px1 - 2, py1 - 2), (10, 18, 26), (4, 8, 12))

    # The cropped margin continues the frame's edge colour.
    for x in range(w, IDLE_SIZE[0]):
        for y in range(IDLE_SIZE[1]):
            im.putpixel((x, y), im.getpixel((right, min(y, bottom))))
    for x in range(IDLE_SIZE[0]):
        im.putpixel((x, h), im.getpixel((x, bottom)))
    return im


def encode_jpeg(im, quality):
    buf = io.BytesIO()
    im.save(buf, "JPEG", quality=quality, subsampling=0, progressive=True, optimize=True)
    return buf.getvalue()


def com_segment(payload):
    return b"\xff\xfe" + struct.pack(">H", len(payload) + 2) + payload


def write_idle(im):
    tag = f"{TITLE} by {AUTHOR}".encode("ascii")
    budget = IDLE_BYTES - len(com_segment(tag))
    quality, data = None, None
    for q in range(100, 0, -1):
        data = encode_jpeg(im, q)
        if len(data) <= budget:
            quality = q
            break
    if quality is None:
        sys.exit("idle.jpg: no quality fits")
    # Splice a padded comment in right after the JFIF APP0 segment.
    if data[:4] != b"\xff\xd8\xff\xe0":
        sys.exit("idle.jpg: encoder did not start with JFIF APP0")
    app0_end = 4 + struct.unpack(">H", data[4:6])[0]
    pad = IDLE_BYTES - len(data) - len(com_segment(tag))
    com = com_segment(tag + b" " * pad)
    out = data[:app0_end] + com + data[app0_end:]
    assert len(out) == IDLE_BYTES
    with open(IDLE_PATH, "wb") as f:
        f.write(out)
    return quality, len(com)


# ---------------------------------------------------------------- intro.bmp

def write_intro(im):
    w, h = im.size
    rgb = im.convert("RGB")
    b, g, r = rgb.split()[2], rgb.split()[1], rgb.split()[0]
    bgr = Image.merge("RGB", (b, g, r)).transpose(Image.FLIP_TOP_BOTTOM).tobytes()
    row = w * 3  # 1440, already a multiple of 4
    assert row % 4 == 0 and len(bgr) == row * h
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(bgr), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(bgr), 0, 0, 14 + 40)
    with open(INTRO_PATH, "wb") as f:
        f.write(header + info + bgr)


SS = 4  # the intro is drawn at 4x and reduced, for smooth curves and text


def S(*v):
    return tuple(int(round(a * SS)) for a in v)


def radial(size, centre, radius, inner, outer, power=1.0):
    """RGBA image whose colour runs from inner at centre to outer at radius."""
    w, h = size
    cx, cy = centre
    grad = Image.radial_gradient("L").resize((int(radius * 2), int(radius * 2)), Image.BILINEAR)
    mask = Image.new("L", size, 255)
    mask.paste(grad, (int(cx - radius), int(cy - radius)))
    if power != 1.0:
        mask = mask.point(lambda v: int(round(255 * (v / 255) ** power)))
    return Image.composite(Image.new("RGBA", size, outer), Image.new("RGBA", size, inner), mask)


def glow(size, draw_fn, blur, colour, strength=1.0):
    """Blurred silhouette of draw_fn's shapes, as an RGBA layer."""
    m = Image.new("L", size, 0)
    draw_fn(ImageDraw.Draw(m))
    m = m.filter(ImageFilter.GaussianBlur(blur))
    if strength != 1.0:
        m = m.point(lambda v: min(255, int(v * strength)))
    layer = Image.new("RGBA", size, colour + (0,))
    layer.putalpha(m)
    return layer


def hill_line(width, base, waves):
    return [base + sum(a * math.sin(x / SS * f + p) for a, f, p in waves) for x in range(width)]


def draw_intro():
    W, H = S(*INTRO_SIZE)
    size = (W, H)
    rng = random.Random(2)

    # Night sky: deep blue at the top warming to violet near the hills.
    sky = Image.new("RGBA", size)
    d = ImageDraw.Draw(sky)
    stops = [(0, (4, 8, 26)), (0.45, (16, 24, 64)), (0.78, (52, 40, 96)), (1.0, (92, 56, 110))]
    for y in range(H):
        t = y / (H - 1)
        for (t0, c0), (t1, c1) in zip(stops, stops[1:]):
            if t0 <= t <= t1:
                d.line([(0, y), (W, y)], fill=lerp(c0, c1, (t - t0) / (t1 - t0)) + (255,))
                break

    # Stars, fixed seed; a few bright ones get a soft cross.
    stars = Image.new("RGBA", size, (0, 0, 0, 0))
    sd = ImageDraw.Draw(stars)
    for _ in range(230):
        x, y = rng.uniform(0, 480), rng.uniform(0, 300)
        y = y * y / 300  # denser towards the top
        r = rng.choice((0.45, 0.55, 0.7, 0.9, 1.2))
        a = rng.randint(110, 255)
        tint = rng.choice(((255, 255, 255), (200, 220, 255), (255, 240, 210)))
        sd.ellipse(S(x - r, y - r, x + r, y + r), fill=tint + (a,))
        if r >= 1.2 and a > 200:
            sd.line(S(x - 4, y, x + 4, y), fill=tint + (90,), width=SS // 2)
            sd.line(S(x, y - 4, x, y + 4), fill=tint + (90,), width=SS // 2)
    sky.alpha_composite(stars)

    # The moon as a clock face: halo, dial ticks, disc, craters, hands.
    mx, my, mr = 240, 100, 56
    sky.alpha_composite(glow(size, lambda g: g.ellipse(S(mx - mr - 16, my - mr - 16, mx + mr + 16, my + mr + 16), fill=255),
                             26 * SS, (120, 150, 255), 0.55))
    dial = Image.new("RGBA", size, (0, 0, 0, 0))
    dd = ImageDraw.Draw(dial)
    dd.ellipse(S(mx - mr - 8, my - mr - 8, mx + mr + 8, my + mr + 8), outline=(150, 210, 255, 90), width=SS)
    for i in range(60):
        ang = math.radians(i * 6 - 90)
        major = i % 15 == 0
        hour = i % 5 == 0
        r0 = mr + (12 if hour else 13)
        r1 = mr + (24 if major else 19 if hour else 16)
        wdt = (3 if major else 2 if hour else 1) * SS // 2
        col = (190, 236, 255, 255) if hour else (150, 200, 255, 140)
        dd.line([S(mx + r0 * math.cos(ang), my + r0 * math.sin(ang)),
                 S(mx + r1 * math.cos(ang), my + r1 * math.sin(ang))], fill=col, width=max(2, wdt))
    sky.alpha_composite(dial)

    disc = radial(size, S(mx - 18, my - 20), mr * 2.2 * SS, (255, 250, 226, 255), (206, 190, 160, 255), 1.0)
    mask = Image.new("L", size, 0)
    ImageDraw.Draw(mask).ellipse(S(mx - mr, my - mr, mx + mr, my + mr), fill=255)
    craters = Image.new("RGBA", size, (0, 0, 0, 0))
    cd = ImageDraw.Draw(craters)
    for cx, cy, cr in ((-22, 18, 11), (20, 26, 7), (26, -20, 9), (-30, -14, 5), (4, 40, 5), (38, 6, 4)):
        cd.ellipse(S(mx + cx - cr, my + cy - cr, mx + cx + cr, my + cy + cr), fill=(150, 136, 118, 70))
        cd.arc(S(mx + cx - cr, my + cy - cr, mx + cx + cr, my + cy + cr), 200, 380, fill=(255, 252, 236, 90), width=SS)
    disc.alpha_composite(craters)
    # Hands at ten past ten, the resting pose of a shop-window clock.
    hd = ImageDraw.Draw(disc)
    for ang, length, wdt in ((-90 + 305, 26, 6), (-90 + 60, 42, 4)):
        a = math.radians(ang)
        hd.line([S(mx, my), S(mx + length * math.cos(a), my + length * math.sin(a))], fill=(54, 64, 108, 255), width=wdt * SS // 2 * 2)
    hd.ellipse(S(mx - 5, my - 5, mx + 5, my + 5), fill=(54, 64, 108, 255))
    hd.ellipse(S(mx - 2, my - 2, mx + 2, my + 2), fill=(236, 200, 120, 255))
    sky.paste(disc, (0, 0), mask)

    # Z z z drifting up from the sleeping clock.
    zf = [font("URWGothic-DemiOblique.otf", s * SS) for s in (16, 22, 30)]
    zl = Image.new("RGBA", size, (0, 0, 0, 0))
    zd = ImageDraw.Draw(zl)
    for (zx, zy), f, a in (((316, 78), zf[0], 150), ((338, 50), zf[1], 200), ((366, 16), zf[2], 245)):
        zd.text(S(zx, zy), "z", font=f, fill=(200, 236, 255, a))
    sky.alpha_composite(glow(size, lambda g: g.bitmap((0, 0), zl.getchannel("A")), 3 * SS, (120, 200, 255), 1.2))
    sky.alpha_composite(zl)

    # Two layers of hills; the front one is flat and quiet at the lower right.
    back = hill_line(W, 272, ((10, 0.011, 0.4), (6, 0.031, 2.0), (3, 0.07, 1.1)))
    front = hill_line(W, 300, ((9, 0.009, 3.0), (4, 0.027, 0.5)))
    hl = Image.new("RGBA", size, (0, 0, 0, 0))
    hdraw = ImageDraw.Draw(hl)
    hdraw.polygon([(0, H)] + [(x, back[x] * SS) for x in range(W)] + [(W, H)], fill=(26, 24, 62, 255))
    for tx in (36, 52, 61, 118, 402, 418, 440):
        ty = back[int(tx * SS)]
        th = 9 + (tx * 7) % 6
        hdraw.polygon([S(tx - 4, ty + 2), S(tx, ty - th), S(tx + 4, ty + 2)], fill=(20, 18, 50, 255))
    hdraw.polygon([(0, H)] + [(x, front[x] * SS) for x in range(W)] + [(W, H)], fill=(12, 12, 34, 255))
    sky.alpha_composite(hl)
    # A faint rim of moonlight along the front ridge.
    ridge = Image.new("RGBA", size, (0, 0, 0, 0))
    ImageDraw.Draw(ridge).line([(x, front[x] * SS) for x in range(0, W, 2)], fill=(140, 130, 210, 110), width=SS)
    sky.alpha_composite(ridge)

    # Title and author, with a cool glow and a drop shadow.
    tfont = font("URWGothic-Demi.otf", 56 * SS)
    afont = font("URWGothic-Book.otf", 24 * SS)
    td = ImageDraw.Draw(sky)
    l, t, r, b = td.textbbox((0, 0), TITLE, font=tfont)
    tx, ty = (W - (r - l)) // 2 - l, 182 * SS - t
    sky.alpha_composite(glow(size, lambda g: g.text((tx, ty), TITLE, font=tfont, fill=255), 7 * SS, (90, 150, 255), 1.1))
    sky.alpha_composite(glow(size, lambda g: g.text((tx + 2 * SS, ty + 3 * SS), TITLE, font=tfont, fill=255), 1.5 * SS, (4, 6, 20), 1.0))
    fill = Image.new("RGBA", size)
    vg = ImageDraw.Draw(fill)
    for y in range(182 * SS, 232 * SS):
        vg.line([(0, y), (W, y)], fill=lerp((255, 255, 255), (150, 210, 255), (y - 182 * SS) / (50 * SS)) + (255,))
    tm = Image.new("L", size, 0)
    ImageDraw.Draw(tm).text((tx, ty), TITLE, font=tfont, fill=255)
    sky.paste(fill, (0, 0), tm)

    byline = f"by {AUTHOR}"
    l, t, r, b = td.textbbox((0, 0), byline, font=afont)
    bx, by = (W - (r - l)) // 2 - l, 244 * SS - t
    td.text((bx + SS, by + SS), byline, font=afont, fill=(6, 8, 24, 255))
    td.text((bx, by), byline, font=afont, fill=(214, 220, 255, 255))
    # Hairlines either side of the byline, centred on its x-height.
    mid_y = by + t + (b - t) * 6 // 10
    for sgn in (-1, 1):
        x0 = W // 2 + sgn * ((r - l) // 2 + 10 * SS)
        x1 = x0 + sgn * 54 * SS
        td.line([(min(x0, x1), mid_y), (max(x0, x1), mid_y)], fill=(170, 190, 255, 255), width=SS)

    im = sky.convert("RGB").resize(INTRO_SIZE, Image.LANCZOS)

    # Footer strip (the window's last 7 rows): the idle skin's steel bevel.
    fd = ImageDraw.Draw(im)
    vgradient(fd, (0, 353, 479, 359), (74, 92, 118), (34, 42, 56))
    fd.line([(0, 353), (479, 353)], fill=STEEL_HI)
    fd.line([(0, 352), (479, 352)], fill=EDGE_DARK)
    fd.line([(0, 359), (479, 359)], fill=EDGE_DARK)
    return im


# ---------------------------------------------------------------- app.ico

# The standard 16-colour palette, so the icon looks the same on any display.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
MONO = [(0, 0, 0), (255, 255, 255)]
BLACK, NAVY, TEAL, SILVER, YELLOW, AQUA, WHITE = 0, 4, 6, 7, 11, 14, 15


def seg_dist(px, py, ax, ay, bx, by):
    vx, vy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * vx + (py - ay) * vy) / (vx * vx + vy * vy)))
    return math.hypot(px - (ax + t * vx), py - (ay + t * vy))


def clock_icon(n, mono):
    """A night-blue clock face at ten past ten, sampled at pixel centres.

    Returns (indices, transparent) row-major, top row first."""
    c = (n - 1) / 2
    big = n >= 32
    outer = n / 2 - 0.05
    rim = outer - (1.0 if big else 0.9)
    face = rim - (2.2 if big else 1.2)
    k = n / 32
    hands = (
        # (angle from 12 clockwise, length, half-width)
        (305, 7.0 * k, 1.1 if big else 0.6),
        (60, 10.5 * k, 0.75 if big else 0.6),
    )
    idx, clear = [], []
    for y in range(n):
        for x in range(n):
            px, py = x - c, y - c
            r = math.hypot(px, py)
            ang = (math.degrees(math.atan2(px, -py)) + 360) % 360
            if r > outer:
                idx.append(0)
                clear.append(True)
                continue
            clear.append(False)
            if r > rim:
                col = BLACK
            elif r > face:
                # Ring lit from the upper left.
                if mono:
                    col = BLACK
                else:
                    col = AQUA if (px + py) < 0 else TEAL
            else:
                col = WHITE if mono else NAVY
                on_hand = any(
                    seg_dist(px, py, 0, 0, l * math.sin(math.radians(a)), -l * math.cos(math.radians(a))) <= hw
                    for a, l, hw in hands)
                near_tick = face - (2.6 if big else 1.6) <= r <= face - 0.4 and min(ang % 90, 90 - ang % 90) < (9 if big else 14)
                small_tick = big and face - 1.8 <= r <= face - 0.6 and min(ang % 30, 30 - ang % 30) < 5
                if on_hand:
                    col = BLACK if mono else WHITE
                elif near_tick:
                    col = BLACK if mono else AQUA
                elif small_tick:
                    col = BLACK if mono else SILVER
            if r <= (1.0 if big else 0.8) and not mono:
                col = YELLOW
            idx.append(col)
    return idx, clear


def draw_icon():
    images = []
    for n, bpp, pal in ((32, 1, MONO), (32, 4, VGA16), (16, 4, VGA16)):
        idx, clear = clock_icon(n, bpp == 1)
        if bpp == 1:
            idx = [1 if i == WHITE else 0 for i in idx]
        images.append((n, bpp, pal, idx, clear))
    return images


def pack_rows(values, n, bpp):
    """Bottom-up rows of n values at bpp bits, each row padded to 4 bytes."""
    stride = ((n * bpp + 31) // 32) * 4
    out = bytearray()
    for y in range(n - 1, -1, -1):
        bits = 0
        for x in range(n):
            bits = (bits << bpp) | values[y * n + x]
        nbits = n * bpp
        row = (bits << (stride * 8 - nbits)).to_bytes(stride, "big")
        out += row
    return bytes(out)


def icon_image(n, bpp, pal, idx, clear):
    xor = pack_rows([0 if t else i for i, t in zip(idx, clear)], n, bpp)
    mask = pack_rows([1 if t else 0 for t in clear], n, 1)
    header = struct.pack("<IiiHHIIiiII", 40, n, n * 2, 1, bpp, 0, len(xor) + len(mask), 0, 0, len(pal), 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in pal)
    return header + palette + xor + mask


def write_icon(images):
    blobs = [icon_image(*im) for im in images]
    out = struct.pack("<HHH", 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    for (n, bpp, pal, _, _), blob in zip(images, blobs):
        out += struct.pack("<BBBBHHII", n % 256, n % 256, len(pal) % 256, 0, 1, bpp, len(blob), offset)
        offset += len(blob)
    with open(ICON_PATH, "wb") as f:
        f.write(out + b"".join(blobs))


# ---------------------------------------------------------------- --check

def segments(data):
    """JPEG marker segments up to and including the first SOS: (marker, payload)."""
    pos, out = 2, []
    while pos + 4 <= len(data):
        if data[pos] != 0xFF:
            raise ValueError(f"no marker at offset {pos}")
        marker = data[pos + 1]
        length = struct.unpack(">H", data[pos + 2:pos + 4])[0]
        out.append((marker, data[pos + 4:pos + 2 + length]))
        pos += 2 + length
        if marker == 0xDA:
            break
    return out


def check_idle(errors):
    data = open(IDLE_PATH, "rb").read()
    if len(data) != IDLE_BYTES:
        errors.append(f"idle.jpg is {len(data)} bytes, want {IDLE_BYTES}")
    if data[:2] != b"\xff\xd8" or data[-2:] != b"\xff\xd9":
        errors.append("idle.jpg lacks SOI/EOI")
        return
    segs = segments(data)
    markers = [m for m, _ in segs]
    if markers[:2] != [0xE0, 0xFE] or not segs[0][1].startswith(b"JFIF\0"):
        errors.append("idle.jpg must start with APP0/JFIF followed by COM")
    frames = [(m, p) for m, p in segs if 0xC0 <= m <= 0xCF and m not in (0xC4, 0xC8, 0xCC)]
    if len(frames) != 1 or frames[0][0] != 0xC2:
        errors.append(f"idle.jpg frame markers {[hex(m) for m, _ in frames]}, want one SOF2 (0xc2)")
        return
    p = frames[0][1]
    precision, height, width, ncomp = struct.unpack(">BHHB", p[:6])
    if (precision, width, height, ncomp) != (8, 200, 90, 3):
        errors.append(f"idle.jpg SOF2 is {precision} bit {width}x{height} x{ncomp}, want 8 bit 200x90 x3")
    for i in range(ncomp):
        cid, sampling, _ = p[6 + 3 * i:9 + 3 * i]
        if sampling != 0x11:
            errors.append(f"idle.jpg component {cid} sampling {sampling:#04x}, want 0x11")
    im = Image.open(IDLE_PATH)
    if im.size != IDLE_SIZE or im.mode != "RGB":
        errors.append(f"idle.jpg decodes as {im.mode} {im.size}")
        return
    # The program draws its cyan texts here: it must be dark and plain.
    panel = im.convert("L").crop((70, 38, 191, 79))
    lo, hi = panel.getextrema()
    if hi > 40 or hi - lo > 24:
        errors.append(f"idle.jpg text panel is not dark and empty (luma {lo}..{hi})")


def check_intro(errors):
    data = open(INTRO_PATH, "rb").read()
    if len(data) != INTRO_BYTES:
        errors.append(f"intro.bmp is {len(data)} bytes, want {INTRO_BYTES}")
        return
    magic, fsize, r1, r2, off = struct.unpack("<2sIHHI", data[:14])
    info = struct.unpack("<IiiHHIIiiII", data[14:54])
    want = (b"BM", INTRO_BYTES, 0, 0, 54)
    if (magic, fsize, r1, r2, off) != want:
        errors.append(f"intro.bmp file header {(magic, fsize, r1, r2, off)}, want {want}")
    size, w, h, planes, bpp, comp, image, _, _, used, _ = info
    got = (size, w, h, planes, bpp, comp, image, used)
    want = (40, 480, 360, 1, 24, 0, 480 * 360 * 3, 0)
    if got != want:
        errors.append(f"intro.bmp info header {got}, want {want}")


def check_icon(errors):
    data = open(ICON_PATH, "rb").read()
    reserved, kind, count = struct.unpack("<HHH", data[:6])
    if (reserved, kind, count) != (0, 1, 3):
        errors.append(f"app.ico directory {(reserved, kind, count)}, want (0, 1, 3)")
        return
    want = [(32, 1, 2), (32, 4, 16), (16, 4, 16)]
    end = 6 + 16 * count
    for i, (n, bpp, colours) in enumerate(want):
        w, h, cc, res, planes, bits, nbytes, off = struct.unpack("<BBBBHHII", data[6 + 16 * i:22 + 16 * i])
        if (w, h, cc, res, planes, bits) != (n, n, colours, 0, 1, bpp):
            errors.append(f"app.ico entry {i}: {(w, h, cc, res, planes, bits)}, want {(n, n, colours, 0, 1, bpp)}")
            continue
        if off != end or off + nbytes > len(data):
            errors.append(f"app.ico entry {i}: image at {off}+{nbytes} is not contiguous")
            continue
        end = off + nbytes
        hsize, bw, bh, bplanes, bbits, comp = struct.unpack("<IiiHHI", data[off:off + 20])
        xor = ((n * bpp + 31) // 32) * 4 * n
        mask = ((n + 31) // 32) * 4 * n
        if (hsize, bw, bh, bplanes, bbits, comp) != (40, n, 2 * n, 1, bpp, 0):
            errors.append(f"app.ico image {i} header {(hsize, bw, bh, bplanes, bbits, comp)}")
        if nbytes != 40 + 4 * colours + xor + mask:
            errors.append(f"app.ico image {i} is {nbytes} bytes, want {40 + 4 * colours + xor + mask}")
    if end != len(data):
        errors.append(f"app.ico has {len(data) - end} stray bytes at the end")


def check():
    errors = []
    for fn in (check_idle, check_intro, check_icon):
        try:
            fn(errors)
        except (OSError, ValueError, struct.error) as e:
            errors.append(f"{fn.__name__}: {e}")
    for e in errors:
        print("FAIL", e, file=sys.stderr)
    if not errors:
        print("intro.bmp, idle.jpg and app.ico: layout OK")
    return 1 if errors else 0


def main(argv):
    if "--check" in argv:
        return check()
    q, com = write_idle(draw_idle())
    write_intro(draw_intro())
    write_icon(draw_icon())
    print(f"idle.jpg: quality {q}, padded to {IDLE_BYTES} bytes by a {com}-byte comment")
    return check()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
