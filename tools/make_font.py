#!/usr/bin/python3
"""Cuts the splash font out of DotGothic16 (Debian's fonts-dotgothic16, SIL Open
Font License 1.1) and writes resources/splash/ui_font.ttf.

The result keeps only what the splash draws (printable ASCII, a few Latin-1
signs, the Russian alphabet with U+0400/U+0401/U+0451, and the signs U+20A0 and
U+20AC), at 2048 units per em. The source draws Cyrillic full-width, which
spreads Russian words apart; those glyphs get proportional advances here. The
two characters the source lacks (U+0400 and U+20A0) are built from its own
parts and pixels. Needs Debian's python3-fonttools:

    /usr/bin/python3 tools/make_font.py [output.ttf]
"""

import os
import sys

from fontTools import subset
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import TTFont
from fontTools.ttLib.scaleUpem import scale_upem
from fontTools.ttLib.tables._g_l_y_f import GlyphComponent

SOURCE = "/usr/share/fonts/truetype/dotgothic16/DotGothic16-Regular.ttf"
FAMILY = "Morvanta Pixel"

LATIN1_SIGNS = [0x00A0, 0x00A7, 0x00A9, 0x00AB, 0x00AE, 0x00B0, 0x00B1, 0x00B7, 0x00BB]
CODEPOINTS = (list(range(0x20, 0x7F)) + LATIN1_SIGNS + [0x0400, 0x0401] + list(range(0x0410, 0x0450))
              + [0x0451, 0x20A0, 0x20AC])

SIDE_BEARING = 28          # what the source's half-width Latin letters leave on each side
PIXEL = 72                 # one pixel of the source's 16-pixel design grid, in source units

# U+20A0 (euro-currency sign): a "C" with an "E" nested in it, on the source's pixel grid.
EURO_CURRENCY_ROWS = [
    "..#####..",
    ".#.....#.",
    "#........",
    "#..####..",
    "#..#.....",
    "#..###...",
    "#..#.....",
    "#..####..",
    "#........",
    ".#.....#.",
    "..#####..",
]


def glyph_name(font, codepoint):
    return font.getBestCmap()[codepoint]


def respace(font, name):
    """Gives a glyph the same side bearings as the source's Latin letters."""
    glyf, hmtx = font["glyf"], font["hmtx"]
    glyph = glyf[name]
    glyph.recalcBounds(glyf)
    if glyph.numberOfContours == 0:
        return
    shift = SIDE_BEARING - glyph.xMin
    width = glyph.xMax - glyph.xMin
    if glyph.isComposite():
        for component in glyph.components:
            component.x += shift
    else:
        coordinates = glyph.coordinates
        for i in range(len(coordinates)):
            x, y = coordinates[i]
            coordinates[i] = (x + shift, y)
    glyph.recalcBounds(glyf)
    hmtx[name] = (width + 2 * SIDE_BEARING, SIDE_BEARING)


def add_glyph(font, name, codepoint, glyph, advance):
    order = font.getGlyphOrder()
    order.append(name)
    font.setGlyphOrder(order)
    font["glyf"][name] = glyph
    font["hmtx"][name] = (advance, getattr(glyph, "xMin", 0))
    for table in font["cmap"].tables:
        if table.isUnicode():
            table.cmap[codepoint] = name


def add_e_grave(font):
    """U+0400: the Cyrillic Е with the grave accent above it, as a composite glyph."""
    glyf = font["glyf"]
    base, accent = glyph_name(font, 0x0415), glyph_name(font, 0x0060)
    base_glyph, accent_glyph = glyf[base], glyf[accent]
    base_glyph.recalcBounds(glyf)
    accent_glyph.recalcBounds(glyf)
    # The accent sits one pixel above the letter, centred over it.
    dx = int((base_glyph.xMin + base_glyph.xMax) / 2 - (accent_glyph.xMin + accent_glyph.xMax) / 2)
    dy = int(base_glyph.yMax + PIXEL - accent_glyph.yMin)
    composite = glyf[base].__class__()
    composite.numberOfContours = -1
    components = []
    for name, x, y in ((base, 0, 0), (accent, dx, dy)):
        component = GlyphComponent()
        component.glyphName, component.x, component.y, component.flags = name, x, y, 0
        components.append(component)
    composite.components = components
    add_glyph(font, "uni0400", 0x0400, composite, font["hmtx"][base][0])
    composite.recalcBounds(glyf)


def add_euro_currency(font):
    """U+20A0 drawn from pixel squares, bottom row on the baseline like the source's letters."""
    pen = TTGlyphPen(None)
    rows = len(EURO_CURRENCY_ROWS)
    bottom = -28
    for r, row in enumerate(EURO_CURRENCY_ROWS):
        y0 = bottom + (rows - 1 - r) * PIXEL
        for c, cell in enumerate(row):
            if cell != "#":
                continue
            x0 = SIDE_BEARING + c * PIXEL
            pen.moveTo((x0, y0))
            pen.lineTo((x0, y0 + PIXEL))
            pen.lineTo((x0 + PIXEL, y0 + PIXEL))
            pen.lineTo((x0 + PIXEL, y0))
            pen.closePath()
    glyph = pen.glyph()
    glyph.recalcBounds(None)
    add_glyph(font, "uni20A0", 0x20A0, glyph, len(EURO_CURRENCY_ROWS[0]) * PIXEL + 2 * SIDE_BEARING)


def rename(font):
    # A cut-down, re-spaced font is a modified version: it carries a name of its own.
    name = font["name"]
    # Full name equal to the family name: some GDI+ implementations look the
    # family up by the full name when a memory font is added.
    full = FAMILY
    postscript = FAMILY.replace(" ", "") + "-Regular"
    for record in list(name.names):
        if record.nameID in (1, 16):
            record.string = FAMILY
        elif record.nameID in (2, 17):
            record.string = "Regular"
        elif record.nameID == 3:
            record.string = "1.0;" + postscript
        elif record.nameID == 4:
            record.string = full
        elif record.nameID == 6:
            record.string = postscript
    name.names = [r for r in name.names if r.nameID in (0, 1, 2, 3, 4, 5, 6, 13, 14)]
    name.setName("Cut down from DotGothic16 for the Morvanta splash window.", 10, 3, 1, 0x409)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(__file__), "..", "resources", "splash", "ui_font.ttf")

    font = TTFont(SOURCE)
    options = subset.Options()
    options.layout_features = []
    options.name_IDs = ["*"]
    options.name_languages = [0x409]
    options.hinting = False
    options.drop_tables += ["DSIG", "BASE", "GPOS", "GSUB", "vhea", "vmtx", "gasp"]
    options.notdef_outline = True
    options.glyph_names = False
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=[c for c in CODEPOINTS if c in font.getBestCmap()])
    subsetter.subset(font)

    cmap = font.getBestCmap()
    for codepoint in [0x0401] + list(range(0x0410, 0x0450)) + [0x0451]:
        respace(font, cmap[codepoint])
    add_e_grave(font)
    add_euro_currency(font)
    rename(font)
    font["OS/2"].fsType = 0          # installable embedding, as the licence allows
    scale_upem(font, 2048)

    missing = [hex(c) for c in CODEPOINTS if c not in font.getBestCmap()]
    if missing:
        raise SystemExit("font lacks " + ", ".join(missing))
    font["head"].created = font["head"].modified = 0x_E0000000  # fixed, so the output is reproducible
    font.save(out, reorderTables=True)


if __name__ == "__main__":
    main()
