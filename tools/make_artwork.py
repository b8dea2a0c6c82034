#!/usr/bin/python3
"""Draws the splash artwork into resources/: background, emblem, busy-indicator
frames, close-button pictures and the program icon.

Deterministic: a fixed random seed and no input files, so running it again
gives byte-identical PNGs. Needs Debian's python3-pil and python3-numpy:

    /usr/bin/python3 tools/make_artwork.py [output-folder]
"""

import math
import os
import random
import sys

import numpy as np
from PIL import Image, ImageDraw, ImageFilter

BACKGROUND_SIZE = (1336, 768)
EMBLEM_SIZE = (190, 203)
SPINNER_SIZE = 256
SPINNER_FRAMES = 10
CLOSE_SIZE = 36
CLOSE_GREY = (85, 85, 85)
CLOSE_RED = (255, 85, 85)

# Same warm gold as the progress bar, so the emblem and the bar belong together.
GOLD_LIGHT = (255, 196, 70)
GOLD_DARK = (250, 158, 0)


def save_png(image, path):
    # No timestamps or text chunks: the same drawing gives the same bytes.
    image.save(path, format="PNG", optimize=True)


def lerp(a, b, t):
    return a + (b - a) * t


def mix(c1, c2, t):
    return tuple(lerp(x, y, t) for x, y in zip(c1, c2))


# ---------------------------------------------------------------- background

def vertical_gradient(width, height, stops):
    """stops: list of (position 0..1, (r, g, b)); returns float RGB array."""
    ys = np.linspace(0.0, 1.0, height)
    out = np.zeros((height, width, 3), dtype=np.float64)
    positions = [p for p, _ in stops]
    for channel in range(3):
        values = [c[channel] for _, c in stops]
        column = np.interp(ys, positions, values)
        out[:, :, channel] = column[:, None]
    return out


def radial_glow(width, height, cx, cy, radius, strength, colour):
    yy, xx = np.mgrid[0:height, 0:width]
    d = np.hypot(xx - cx, yy - cy) / radius
    fall = np.exp(-d * d) * strength
    return fall[:, :, None] * np.array(colour, dtype=np.float64)[None, None, :]


def ridge_line(rng, width, base, amplitude, roughness, octaves=6):
    """A mountain or hill profile: heights (pixels from the top) per column."""
    xs = np.arange(width, dtype=np.float64)
    heights = np.full(width, float(base))
    amp = amplitude
    period = width / 1.6
    for _ in range(octaves):
        phase = rng.uniform(0, 2 * math.pi)
        phase2 = rng.uniform(0, 2 * math.pi)
        heights -= amp * (0.6 * np.sin(xs * 2 * math.pi / period + phase)
                          + 0.4 * np.sin(xs * 2 * math.pi / (period * 0.57) + phase2))
        amp *= roughness
        period *= 0.48
    return heights


def fill_below(canvas, heights, colour, alpha=1.0):
    height, width, _ = canvas.shape
    ys = np.arange(height, dtype=np.float64)[:, None]
    # One pixel of soft edge so silhouettes are not jagged.
    coverage = np.clip(ys - heights[None, :] + 0.5, 0.0, 1.0) * alpha
    canvas[:] = canvas * (1 - coverage[:, :, None]) + np.array(colour)[None, None, :] * coverage[:, :, None]


def draw_pines(draw, rng, heights, count, scale, colour, jitter):
    width = len(heights)
    for _ in range(count):
        x = rng.uniform(0, width - 1)
        ground = heights[int(x)] + rng.uniform(2, jitter)
        tree_h = scale * rng.uniform(0.6, 1.25)
        half = tree_h * 0.23
        tiers = 4
        for tier in range(tiers):
            top = ground - tree_h + tier * tree_h * 0.2
            bottom = ground - tree_h * 0.15 - (tiers - 1 - tier) * tree_h * 0.12
            w = half * (0.45 + 0.55 * (tier + 1) / tiers)
            draw.polygon([(x, top), (x - w, bottom), (x + w, bottom)], fill=colour)
        draw.rectangle([x - half * 0.12, ground - tree_h * 0.2, x + half * 0.12, ground + 4], fill=colour)


def make_background():
    width, height = BACKGROUND_SIZE
    rng = random.Random(20261208)

    sky = vertical_gradient(width, height, [
        (0.00, (6, 8, 22)),
        (0.30, (13, 19, 48)),
        (0.55, (30, 34, 78)),
        (0.70, (58, 46, 92)),
        (0.80, (88, 58, 86)),
        (1.00, (40, 26, 44)),
    ])
    moon_x, moon_y, moon_r = width * 0.735, height * 0.205, 44.0
    sky += radial_glow(width, height, moon_x, moon_y, 260, 0.22, (120, 140, 200))
    sky += radial_glow(width, height, moon_x, moon_y, 90, 0.35, (170, 185, 230))
    # A faint warm band along the horizon, as if a town glowed far away.
    sky += radial_glow(width, height, width * 0.5, height * 0.78, 520, 0.18, (200, 110, 70))

    # Milky way: a soft diagonal band of haze with many faint stars in it.
    yy, xx = np.mgrid[0:height, 0:width]
    band_distance = (xx * 0.42 - yy + height * 0.05 - width * 0.08) / 95.0
    haze = np.exp(-band_distance ** 2) * np.clip((height * 0.64 - yy) / 90.0, 0, 1)
    sky += haze[:, :, None] * np.array((20, 22, 38))[None, None, :] * 0.9

    image = Image.fromarray(np.clip(sky, 0, 255).astype(np.uint8), "RGB")

    # Stars: mostly single dim pixels, a few brighter ones with a cross of light.
    stars = Image.new("RGB", (width, height), (0, 0, 0))
    sd = ImageDraw.Draw(stars)
    for _ in range(900):
        x = rng.uniform(0, width)
        y = rng.uniform(0, height * 0.66) ** 1.0
        if math.hypot(x - moon_x, y - moon_y) < moon_r * 2.2:
            continue
        near_band = abs(x * 0.42 - y + height * 0.05 - width * 0.08) < 110
        if not near_band and rng.random() < 0.35:
            continue
        fade = 1.0 - (y / (height * 0.66)) * 0.65
        level = rng.random() ** 2.2 * fade
        tint = rng.choice([(255, 255, 255), (200, 215, 255), (255, 235, 210)])
        c = tuple(int(v * (0.25 + 0.75 * level)) for v in tint)
        if level > 0.8:
            sd.ellipse([x - 1.4, y - 1.4, x + 1.4, y + 1.4], fill=c)
            arm = 4 + level * 5
            dim = tuple(int(v * 0.45) for v in c)
            sd.line([x - arm, y, x + arm, y], fill=dim)
            sd.line([x, y - arm, x, y + arm], fill=dim)
        elif level > 0.45:
            sd.rectangle([x - 0.5, y - 0.5, x + 1.0, y + 1.0], fill=c)
        else:
            sd.point((x, y), fill=c)
    glow = stars.filter(ImageFilter.GaussianBlur(1.2))
    image = Image.fromarray(np.clip(np.asarray(image, dtype=np.int32) + np.asarray(stars, dtype=np.int32)
                                    + np.asarray(glow, dtype=np.int32) // 2, 0, 255).astype(np.uint8))

    # The moon: drawn four times larger and reduced, for clean edges; craters as soft discs.
    ss = 4
    size = int(moon_r * 2 * ss) + 8
    disc = Image.new("L", (size, size), 0)
    ImageDraw.Draw(disc).ellipse([4, 4, size - 4, size - 4], fill=255)
    face = Image.new("RGB", (size, size), (236, 232, 214))
    fd = ImageDraw.Draw(face)
    mrng = random.Random(7)
    for _ in range(14):
        r = mrng.uniform(4, 13) * ss
        cx = mrng.uniform(r, size - r)
        cy = mrng.uniform(r, size - r)
        fd.ellipse([cx - r, cy - r, cx + r, cy + r], fill=(214, 208, 190))
    face = face.filter(ImageFilter.GaussianBlur(3 * ss))
    # Light from the upper left: a darker limb towards the lower right.
    shade = Image.new("L", (size, size), 0)
    ImageDraw.Draw(shade).ellipse([size * 0.18, size * 0.14, size * 1.25, size * 1.2], fill=70)
    shade = shade.filter(ImageFilter.GaussianBlur(10 * ss))
    face = Image.composite(Image.new("RGB", (size, size), (150, 150, 160)), face, shade)
    small = (size // ss, size // ss)
    face = face.resize(small, Image.LANCZOS)
    disc = disc.resize(small, Image.LANCZOS)
    image.paste(face, (int(moon_x - small[0] / 2), int(moon_y - small[1] / 2)), disc)

    canvas = np.asarray(image, dtype=np.float64).copy()

    # Wisps of cloud across the moon's height.
    clouds = np.zeros((height, width))
    crng = random.Random(99)
    for _ in range(9):
        cx = crng.uniform(0, width)
        cy = crng.uniform(height * 0.12, height * 0.42)
        rx = crng.uniform(120, 320)
        ry = crng.uniform(6, 14)
        clouds += np.exp(-(((xx - cx) / rx) ** 2 + ((yy - cy) / ry) ** 2)) * crng.uniform(0.25, 0.5)
    clouds = np.clip(clouds, 0, 0.6)
    cloud_colour = np.array((70, 74, 112))
    moonlit = np.exp(-((xx - moon_x) ** 2 + (yy - moon_y) ** 2) / (220.0 ** 2))
    cloud_rgb = cloud_colour[None, None, :] + moonlit[:, :, None] * np.array((90, 90, 100))[None, None, :]
    canvas = canvas * (1 - clouds[:, :, None]) + cloud_rgb * clouds[:, :, None]

    # Layered silhouettes, far to near: each darker and less blue than the one behind.
    layers = [
        # base, amplitude, roughness, colour
        (height * 0.665, 58, 0.42, (40, 37, 76)),
        (height * 0.725, 40, 0.45, (28, 25, 55)),
        (height * 0.790, 26, 0.45, (17, 15, 34)),
        (height * 0.865, 18, 0.45, (8, 7, 16)),
    ]
    lrng = random.Random(424242)
    for index, (base, amplitude, roughness, colour) in enumerate(layers):
        heights = ridge_line(lrng, width, base, amplitude, roughness, octaves=5)
        if index == 0:
            # Moonlit snow on the highest peaks only, fading down the slopes.
            peak = np.clip((heights.max() - heights) / (np.ptp(heights) + 1) - 0.35, 0, 1) / 0.65
            snow_depth = 2 + 22 * peak
            fill_below(canvas, heights, (92, 92, 138))
            fill_below(canvas, heights + snow_depth, mix((92, 92, 138), colour, 0.5))
            fill_below(canvas, heights + snow_depth * 1.6 + 1, colour)
        else:
            fill_below(canvas, heights, colour)
        if index >= 1:
            layer_img = Image.fromarray(np.clip(canvas, 0, 255).astype(np.uint8))
            ld = ImageDraw.Draw(layer_img)
            count = {1: 70, 2: 120, 3: 160}[index]
            scale = {1: 22, 2: 38, 3: 70}[index]
            draw_pines(ld, lrng, heights, count, scale, colour, 6 + index * 4)
            canvas = np.asarray(layer_img, dtype=np.float64).copy()
        # Mist settles in the valley in front of each far layer.
        mist_top = heights.mean() + 8
        mist = np.exp(-((yy - mist_top - 24) / 30.0) ** 2) * 0.18 * (index < 3)
        canvas = canvas * (1 - mist[:, :, None]) + np.array((96, 86, 130))[None, None, :] * mist[:, :, None]

    # The lowest band is nearly black so the status line and the bar read well.
    ground = vertical_gradient(width, height, [(0.0, (0, 0, 0)), (0.80, (0, 0, 0)), (1.0, (5, 4, 9))])
    fade = np.clip((yy - height * 0.86) / (height * 0.14), 0, 1) ** 1.3
    canvas = canvas * (1 - fade[:, :, None] * 0.55) + ground * fade[:, :, None] * 0.55

    # A little dithering noise so the gradients show no banding when scaled.
    noise = np.random.default_rng(5).normal(0.0, 0.9, canvas.shape)
    rgb = np.clip(canvas + noise, 0, 255).astype(np.uint8)
    alpha = np.full((height, width, 1), 255, dtype=np.uint8)
    return Image.fromarray(np.concatenate([rgb, alpha], axis=2), "RGBA")


# ---------------------------------------------------------------- emblem

def shield_outline(width, height, inset):
    """Points of a heater shield with a notched top, in pixels."""
    l, r = inset, width - inset
    t, b = inset, height - inset
    cx = width / 2
    points = [(l, t + (b - t) * 0.08), (cx - (r - l) * 0.18, t), (cx, t + (b - t) * 0.05),
              (cx + (r - l) * 0.18, t), (r, t + (b - t) * 0.08)]
    steps = 24
    # Right side curves down into the point, left side mirrors it.
    for i in range(1, steps + 1):
        s = i / steps
        x = r - (r - cx) * (s ** 1.9)
        y = t + (b - t) * (0.08 + 0.92 * math.sin(s * math.pi / 2))
        points.append((x, y))
    left = []
    for i in range(steps - 1, 0, -1):
        s = i / steps
        x = l + (cx - l) * (s ** 1.9)
        y = t + (b - t) * (0.08 + 0.92 * math.sin(s * math.pi / 2))
        left.append((x, y))
    return points + left


def gem_polygons(cx, cy, w, h):
    """A brilliant-cut gem seen from the side: crown facets and pavilion facets."""
    table_half = w * 0.24
    girdle_y = cy - h * 0.12
    top_y = cy - h * 0.42
    bottom_y = cy + h * 0.52
    half = w / 2
    tl, tr = (cx - table_half, top_y), (cx + table_half, top_y)
    gl, gr = (cx - half, girdle_y), (cx + half, girdle_y)
    gml, gmr = (cx - half * 0.45, girdle_y), (cx + half * 0.45, girdle_y)
    point = (cx, bottom_y)
    return [
        ([tl, tr, gmr, gml], 1.00),             # table
        ([tl, gml, gl], 0.78),                  # left crown
        ([tr, gr, gmr], 0.62),                  # right crown
        ([gl, gml, point], 0.70),               # left pavilion
        ([gml, gmr, point], 0.92),              # centre pavilion
        ([gmr, gr, point], 0.50),               # right pavilion
    ]


def make_emblem():
    width, height = EMBLEM_SIZE
    ss = 4
    W, H = width * ss, height * ss
    image = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)

    outer = [(x * ss, y * ss) for x, y in shield_outline(width, height, 3)]
    rim = [(x * ss, y * ss) for x, y in shield_outline(width, height, 13)]
    inner = [(x * ss, y * ss) for x, y in shield_outline(width, height, 19)]

    draw.polygon(outer, fill=(36, 22, 4, 255))
    # Gold rim: a vertical gradient from light to dark gold, masked by the rim shape.
    rim_mask = Image.new("L", (W, H), 0)
    md = ImageDraw.Draw(rim_mask)
    md.polygon([(x * ss, y * ss) for x, y in shield_outline(width, height, 7)], fill=255)
    gold = Image.fromarray(vertical_gradient(W, H, [(0, GOLD_LIGHT), (0.55, GOLD_DARK), (1, (170, 92, 0))])
                           .astype(np.uint8))
    image.paste(gold.convert("RGBA"), (0, 0), rim_mask)
    draw.polygon(rim, fill=(60, 34, 4, 255))
    field = Image.fromarray(vertical_gradient(W, H, [(0, (34, 42, 86)), (1, (10, 12, 32))]).astype(np.uint8))
    field_mask = Image.new("L", (W, H), 0)
    ImageDraw.Draw(field_mask).polygon(inner, fill=255)
    image.paste(field.convert("RGBA"), (0, 0), field_mask)

    # A soft light behind the gem.
    halo = Image.new("L", (W, H), 0)
    ImageDraw.Draw(halo).ellipse([W * 0.2, H * 0.2, W * 0.8, H * 0.68], fill=120)
    halo = halo.filter(ImageFilter.GaussianBlur(22 * ss))
    halo = Image.composite(halo, Image.new("L", (W, H), 0), field_mask)
    image.paste(Image.new("RGBA", (W, H), (120, 170, 255, 255)), (0, 0), halo)

    gem_cx, gem_cy = W / 2, H * 0.45
    gem_w, gem_h = W * 0.56, H * 0.50
    ice = (150, 220, 255)
    for polygon, light in gem_polygons(gem_cx, gem_cy, gem_w, gem_h):
        c = tuple(int(min(255, v * light + (255 - v) * (light - 0.5) * 0.9)) for v in ice)
        draw.polygon(polygon, fill=c + (255,))
    for polygon, _ in gem_polygons(gem_cx, gem_cy, gem_w, gem_h):
        draw.line(polygon + [polygon[0]], fill=(20, 40, 90, 255), width=int(2.2 * ss), joint="curve")
    # A sparkle on the table's corner.
    sx, sy = gem_cx - gem_w * 0.14, gem_cy - gem_h * 0.36
    arm = 16 * ss
    draw.polygon([(sx - arm, sy), (sx, sy - 3 * ss), (sx + arm, sy), (sx, sy + 3 * ss)], fill=(255, 255, 255, 255))
    draw.polygon([(sx, sy - arm), (sx + 3 * ss, sy), (sx, sy + arm), (sx - 3 * ss, sy)], fill=(255, 255, 255, 255))

    # Three gold studs under the gem, a quiet nod to rank insignia.
    for i in (-1, 0, 1):
        bx, by = W / 2 + i * 22 * ss, H * 0.80 - abs(i) * 6 * ss
        r = 5 * ss
        draw.polygon([(bx, by - r), (bx + r, by), (bx, by + r), (bx - r, by)], fill=GOLD_LIGHT + (255,))

    return image.resize((width, height), Image.LANCZOS)


def make_icon(emblem, path):
    # The emblem is taller than wide: centre it on a square canvas first.
    side = max(emblem.size)
    square = Image.new("RGBA", (side, side), (0, 0, 0, 0))
    square.paste(emblem, ((side - emblem.width) // 2, (side - emblem.height) // 2))
    big = square.resize((256, 256), Image.LANCZOS)
    big.save(path, format="ICO", sizes=[(16, 16), (32, 32), (48, 48), (256, 256)])


# ---------------------------------------------------------------- busy indicator

GRID = 32                      # the frames are drawn on a 32 x 32 grid of 8-pixel cells
CELL = SPINNER_SIZE // GRID


GEM_TOP, GEM_GIRDLE, GEM_BOTTOM = 9, 14, 26
GEM_TABLE_HALF, GEM_HALF = 5, 10


def big_diamond_cells():
    """Cells of the large gem: white body with transparent facet lines."""
    cells = set()
    for y in range(GEM_TOP, GEM_BOTTOM + 1):
        if y <= GEM_GIRDLE:
            # Crown: widens from the table to the girdle.
            half = GEM_TABLE_HALF + (y - GEM_TOP) * (GEM_HALF - GEM_TABLE_HALF) / (GEM_GIRDLE - GEM_TOP)
        else:
            half = GEM_HALF * (GEM_BOTTOM - y + 0.5) / (GEM_BOTTOM - GEM_GIRDLE)
        for x in range(GRID):
            if 16 - half <= x + 0.5 <= 16 + half:
                cells.add((x, y))
    # Facet lines cut out of the body: the girdle, crown facets from the table's
    # corners and pavilion facets that run down towards the point.
    cuts = {(x, GEM_GIRDLE - 1) for x in range(GRID)}
    for y in range(GEM_TOP + 1, GEM_GIRDLE - 1):
        s = (y - GEM_TOP) / (GEM_GIRDLE - GEM_TOP)
        cuts.add((int(16 - GEM_TABLE_HALF - s * 2.5), y))
        cuts.add((int(15 + GEM_TABLE_HALF + s * 2.5), y))
    for y in range(GEM_GIRDLE, GEM_BOTTOM - 3):
        s = (y - GEM_GIRDLE) / (GEM_BOTTOM - GEM_GIRDLE)
        cuts.add((int(round(11.5 + s * 4.5)), y))
        cuts.add((int(round(19.5 - s * 4.5)), y))
    return cells - cuts


def small_diamond_cells(cx, cy, radius):
    cells = set()
    for y in range(GRID):
        for x in range(GRID):
            if abs(x + 0.5 - cx) + abs(y + 0.5 - cy) <= radius:
                cells.add((x, y))
    return cells


# Flight of one shed diamond over the five frames of its side: (offset from the
# girdle tip outwards, rise, radius) per step; step 0 is the whole gem at rest.
SHED_FLIGHT = [None, (0, 0, 3), (1, -1, 2), (2, -2, 2), (3, -2, 1)]
# Cells the gem gives up at its girdle tip while a piece breaks off, then grows back.
NOTCH_DEPTH = [0, 3, 2, 1, 0]


def make_spinner_frame(index):
    """Frames 0..4 shed to the right, 5..9 to the left; frame 0 is the whole gem,
    and frame 9 ends with the left piece nearly gone, so 9 fades into 0."""
    body = big_diamond_cells()
    side = 1 if index < 5 else -1
    step = index % 5
    shed = set()
    if step:
        for d in range(NOTCH_DEPTH[step]):
            for y in range(GEM_GIRDLE - 3 + d, GEM_GIRDLE + 3 - d):
                x = 16 + GEM_HALF - 1 - d if side > 0 else 16 - GEM_HALF + d
                body.discard((x, y))
        offset, rise, radius = SHED_FLIGHT[step]
        # Cell centres only, so every piece is a symmetric pixel diamond.
        cx = 16 + side * (GEM_HALF + offset + radius) + (0.5 if side > 0 else -0.5) - (1 if side > 0 else 0)
        cy = GEM_GIRDLE - 0.5 + rise
        shed = small_diamond_cells(cx, cy, radius)
    image = Image.new("RGBA", (SPINNER_SIZE, SPINNER_SIZE), (255, 255, 255, 0))
    draw = ImageDraw.Draw(image)
    for x, y in sorted(body | shed):
        draw.rectangle([x * CELL, y * CELL, x * CELL + CELL - 1, y * CELL + CELL - 1], fill=(255, 255, 255, 255))
    return image


# ---------------------------------------------------------------- close button

def cross(draw, size, ss, colour, margin, thickness):
    a, b = margin * ss, (size - margin) * ss
    draw.line([(a, a), (b, b)], fill=colour, width=int(thickness * ss))
    draw.line([(a, b), (b, a)], fill=colour, width=int(thickness * ss))


def make_close_buttons():
    ss = 8
    big = CLOSE_SIZE * ss
    # Normal: grey cross on a transparent ground. Colour is constant; only alpha carries the edge.
    mask = Image.new("L", (big, big), 0)
    cross(ImageDraw.Draw(mask), CLOSE_SIZE, ss, 255, 11, 3.0)
    mask = mask.resize((CLOSE_SIZE, CLOSE_SIZE), Image.LANCZOS)
    normal = Image.new("RGBA", (CLOSE_SIZE, CLOSE_SIZE), CLOSE_GREY + (0,))
    normal.putalpha(mask)

    # Hover: an opaque red rounded square with the cross in white.
    square = Image.new("L", (big, big), 0)
    ImageDraw.Draw(square).rounded_rectangle([0, 0, big - 1, big - 1], radius=7 * ss, fill=255)
    square = square.resize((CLOSE_SIZE, CLOSE_SIZE), Image.LANCZOS)
    white = Image.new("L", (big, big), 0)
    cross(ImageDraw.Draw(white), CLOSE_SIZE, ss, 255, 11, 3.0)
    white = white.resize((CLOSE_SIZE, CLOSE_SIZE), Image.LANCZOS)
    hover = Image.new("RGBA", (CLOSE_SIZE, CLOSE_SIZE), CLOSE_RED + (0,))
    hover.putalpha(square)
    hover = Image.composite(Image.new("RGBA", hover.size, (255, 255, 255, 255)), hover, white)
    # Keep the square's own coverage at the rounded corners.
    hover.putalpha(square)
    return normal, hover


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "resources")
    art = os.path.join(out, "splash")
    os.makedirs(art, exist_ok=True)
    save_png(make_background(), os.path.join(art, "background.png"))
    emblem = make_emblem()
    save_png(emblem, os.path.join(art, "emblem.png"))
    make_icon(emblem, os.path.join(out, "starter.ico"))
    for i in range(SPINNER_FRAMES):
        save_png(make_spinner_frame(i), os.path.join(art, "spinner_%d.png" % i))
    normal, hover = make_close_buttons()
    save_png(normal, os.path.join(art, "close.png"))
    save_png(hover, os.path.join(art, "close_hover.png"))


if __name__ == "__main__":
    main()
