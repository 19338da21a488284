#!/usr/bin/env python3
"""Renders the client's artwork from the drawings under resources/art.

  render_art.py OUT            bitmaps, icons and the window outlines into OUT
                               (OUT/resources/..., OUT/src/skin/bands_generated.h)
  render_art.py --palettes     derive resources/art/skin.pal and splash.pal anew
                               from the drawings (only when the artwork's colours
                               change; the render itself never touches them)

Every skin bitmap is mapped onto the one shared 255-colour table so that the
program can realise a single palette for all of its windows; the splash screen
has a table of its own. The window outlines (band lists) are scanned from the
same drawings, so a window's shape always matches its picture.
"""
import os
import re
import struct
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ART = os.path.join(ROOT, "resources", "art")
CONVERT = "/usr/bin/convert"

# id, file name, drawing, root classes, crop (x, y, w, h) or None.
# Small pictures are cut from the window they sit on, so they blend in.
SKIN = [
    (1001, "main_up", "main.svg", "released", None),
    (1000, "main_dn", "main.svg", "pressed", None),
    (1015, "led_dark", "main.svg", "released", (282, 147, 17, 17)),
    (1016, "led_green", "main.svg", "led-green", (282, 147, 17, 17)),
    (1017, "led_red", "main.svg", "led-red", (282, 147, 17, 17)),
    (1023, "title_svc0", "main.svg", "svc0", (183, 0, 58, 29)),
    (1024, "title_svc1", "main.svg", "svc1", (183, 0, 58, 29)),
    (1029, "title_svc2", "main.svg", "svc2", (183, 0, 58, 29)),
    (1030, "title_svc3", "main.svg", "svc3", (183, 0, 58, 29)),
    (1011, "popup_up", "popup.svg", "released", None),
    (1010, "popup_dn", "popup.svg", "pressed", None),
    (1018, "transfer_grey", "popup.svg", "greyed", (72, 142, 59, 34)),
    (1025, "logo_svc0", "popup.svg", "svc0", (19, 99, 64, 24)),
    (1026, "logo_svc1", "popup.svg", "svc1", (19, 99, 64, 24)),
    (1027, "logo_svc2", "popup.svg", "svc2", (19, 99, 64, 24)),
    (1028, "logo_svc3", "popup.svg", "svc3", (19, 99, 64, 24)),
    (1013, "dropdown_up", "dropdown.svg", "released", None),
    (1012, "dropdown_dn", "dropdown.svg", "pressed", None),
    (1019, "basic_up", "basic.svg", "released", None),
    (1020, "basic_dn", "basic.svg", "pressed", None),
    (4002, "message_up", "message.svg", "released", None),
    (4001, "message_dn", "message.svg", "pressed", None),
    (2001, "config_up", "config.svg", "released", None),
    (2000, "config_dn", "config.svg", "pressed", None),
]
SPLASH = (1014, "splash", "splash.svg", "released", None)

# Icons: file name, drawing, root classes, sizes.
ICONS = [
    ("nuv", "icon.svg", "program", (16, 32)),
    ("lamp_green", "icon.svg", "lamp green", (16,)),
    ("lamp_red", "icon.svg", "lamp red", (16,)),
    ("lamp_dark", "icon.svg", "lamp", (16,)),
    ("password", "icon.svg", "password", (32,)),
]

# Window outlines: name, drawing, groups of element ids. Each group is scanned
# as one area (bands sorted by top, then left); the groups follow each other.
OUTLINES = [
    ("ClientRegionRect", "main.svg", [["outline"]]),
    ("ClientButtonsRegionRect", "main.svg",
     [["hit-help", "hit-minimize", "hit-exit", "hit-display", "hit-config",
       "hit-goweb", "hit-garbage", "hit-left", "hit-right"]]),
    ("PopupRegionRect", "popup.svg", [["outline"]]),
    ("PopupButtonsRegionRect", "popup.svg",
     [["hit-answer", "hit-transfer", "hit-ack", "hit-ignore"]]),
    ("BasicPopupRegionRect", "basic.svg", [["outline"]]),
    ("BasicPopupButtonsRegionRect", "basic.svg",
     [["hit-top", "hit-middle", "hit-bottom"]]),
    ("MessageRegionRect", "message.svg", [["outline"]]),
    ("MessageButtonsRegionRect", "message.svg",
     [["hit-close"], ["hit-link", "hit-ok"]]),
    ("ConfigRegionRect", "config.svg", [["outline"]]),
    ("ConfigButtonsRegionRect", "config.svg",
     [["hit-close"], ["hit-ok"], ["hit-cancel"], ["hit-apply"]]),
]

# The transfer drop-down opens below the pop-up at y 186 for n = 2..4 bars: the
# top of its picture down to the last bar, then its closing part (rows 111 to
# the end) at y 181 + 29 n, as the pop-up paints it.
DROPDOWN_TOP = 186
DROPDOWN_CLOSING_ROW = 111


def run(args, **kw):
    return subprocess.run(args, check=True, stdout=subprocess.PIPE, **kw).stdout


def svg_with_classes(svg_name, classes):
    with open(os.path.join(ART, svg_name), encoding="utf-8") as f:
        text = f.read()
    return re.sub(r'(<svg\b[^>]*?\bclass=")[^"]*(")', r"\g<1>" + classes + r"\g<2>",
                  text, count=1)


def svg_size(text):
    m = re.search(r'<svg\b[^>]*?\bwidth="(\d+)"[^>]*?\bheight="(\d+)"', text)
    return int(m.group(1)), int(m.group(2))


def render_rgb(tmp, svg_name, classes, crop, palette_ppm=None):
    """The drawing as raw RGB rows (w, h, bytes), mapped onto the palette."""
    src = os.path.join(tmp, "in.svg")
    with open(src, "w", encoding="utf-8") as f:
        f.write(svg_with_classes(svg_name, classes))
    png = os.path.join(tmp, "in.png")
    run(["rsvg-convert", "--background-color=black", "-o", png, src])
    args = [CONVERT, png, "-alpha", "off"]
    if crop:
        x, y, w, h = crop
        args += ["-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage"]
    if palette_ppm:
        args += ["-dither", "None", "-remap", palette_ppm]
    size = run(args + ["-format", "%w %h", "info:"]).split()
    w, h = int(size[0]), int(size[1])
    data = run(args + ["-depth", "8", "rgb:-"])
    assert len(data) == w * h * 3
    return w, h, data


def read_pal(name):
    with open(os.path.join(ART, name), encoding="ascii") as f:
        lines = f.read().split("\n")
    assert lines[0] == "JASC-PAL" and lines[1] == "0100"
    n = int(lines[2])
    return [tuple(int(v) for v in lines[3 + i].split()) for i in range(n)]


def write_pal(name, colours):
    with open(os.path.join(ART, name), "w", encoding="ascii", newline="\n") as f:
        f.write("JASC-PAL\n0100\n%d\n" % len(colours))
        for c in colours:
            f.write("%d %d %d\n" % c)


def palette_ppm(tmp, colours, name):
    path = os.path.join(tmp, name + ".ppm")
    with open(path, "wb") as f:
        f.write(b"P6\n%d 1\n255\n" % len(colours))
        f.write(bytes(v for c in colours for v in c))
    return path


def write_bmp(path, w, h, rgb, colours, colours_used):
    index = {c: i for i, c in enumerate(colours)}
    stride = (w + 3) & ~3
    rows = []
    for y in range(h - 1, -1, -1):  # bottom-up
        row = bytearray(stride)
        base = y * w * 3
        for x in range(w):
            p = base + 3 * x
            row[x] = index[(rgb[p], rgb[p + 1], rgb[p + 2])]
        rows.append(bytes(row))
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in colours)
    pixels = b"".join(rows)
    offset = 14 + 40 + len(table)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 8, 0, len(pixels), 2835, 2835,
                       colours_used, 0)
    head = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    with open(path, "wb") as f:
        f.write(head + info + table + pixels)


def render_bitmaps(tmp, out):
    folder = os.path.join(out, "resources", "bitmaps")
    os.makedirs(folder, exist_ok=True)
    skin = read_pal("skin.pal")
    assert len(skin) == 255 and len(set(skin)) == 255
    ppm = palette_ppm(tmp, skin, "skin")
    for (_id, name, svg, classes, crop) in SKIN:
        w, h, rgb = render_rgb(tmp, svg, classes, crop, ppm)
        write_bmp(os.path.join(folder, name + ".bmp"), w, h, rgb, skin, 255)
    splash = read_pal("splash.pal")
    assert len(splash) == 256 and len(set(splash)) == 256
    (_id, name, svg, classes, crop) = SPLASH
    w, h, rgb = render_rgb(tmp, svg, classes, crop, palette_ppm(tmp, splash, "splash"))
    write_bmp(os.path.join(folder, name + ".bmp"), w, h, rgb, splash, 0)


def make_palettes(tmp):
    """Quantises the drawings once into the committed colour tables."""
    def quantise(items, count):
        pngs = []
        for i, (_id, _n, svg, classes, crop) in enumerate(items):
            w, h, rgb = render_rgb(tmp, svg, classes, crop)
            p = os.path.join(tmp, "q%d.ppm" % i)
            with open(p, "wb") as f:
                f.write(b"P6\n%d %d\n255\n" % (w, h) + rgb)
            pngs.append(p)
        data = run([CONVERT] + pngs + ["-append", "-dither", "None", "-colors", str(count),
                                       "-unique-colors", "-depth", "8", "rgb:-"])
        colours = sorted({tuple(data[i:i + 3]) for i in range(0, len(data), 3)},
                         key=lambda c: (c[0] * 299 + c[1] * 587 + c[2] * 114, c))
        # Fill a short table with greys the drawings do not use.
        g = 0
        while len(colours) < count:
            if (g, g, g) not in colours:
                colours.append((g, g, g))
            g += 1
        return colours
    write_pal("skin.pal", quantise(SKIN, 255))
    write_pal("splash.pal", quantise([SPLASH], 256))


# ---------------------------------------------------------------------------
# Window outlines

def mask(tmp, svg_name, ids):
    """Rows of booleans: the union of the given elements of the drawing."""
    text = svg_with_classes(svg_name, "released")
    w, h = svg_size(text)
    defs = "".join(re.findall(r"<defs>.*?</defs>", text, flags=re.S))
    uses = "".join('<use xlink:href="#%s"/>' % i for i in ids)
    for i in ids:
        if ('id="%s"' % i) not in defs:
            raise SystemExit("render-art: %s has no shape %s" % (svg_name, i))
    doc = ('<svg xmlns="http://www.w3.org/2000/svg" '
           'xmlns:xlink="http://www.w3.org/1999/xlink" width="%d" height="%d">'
           '<rect width="%d" height="%d" fill="#ffffff"/>%s'
           '<g fill="#000000" stroke="none" shape-rendering="crispEdges">%s</g></svg>'
           % (w, h, w, h, defs, uses))
    src = os.path.join(tmp, "mask.svg")
    with open(src, "w", encoding="utf-8") as f:
        f.write(doc)
    png = os.path.join(tmp, "mask.png")
    run(["rsvg-convert", "--background-color=white", "-o", png, src])
    grey = run([CONVERT, png, "-alpha", "off", "-colorspace", "gray", "-depth", "8", "gray:-"])
    assert len(grey) == w * h
    return [[grey[y * w + x] < 128 for x in range(w)] for y in range(h)]


def union(*grids):
    return [[any(g[y][x] for g in grids) for x in range(len(grids[0][0]))]
            for y in range(len(grids[0]))]


def bands(grid):
    """Horizontal bands of the grid: equal consecutive rows merged."""
    def spans(row):
        out, x = [], 0
        while x < len(row):
            if row[x]:
                s = x
                while x < len(row) and row[x]:
                    x += 1
                out.append((s, x))
            else:
                x += 1
        return tuple(out)
    result, y = [], 0
    while y < len(grid):
        s = spans(grid[y])
        top = y
        while y < len(grid) and spans(grid[y]) == s:
            y += 1
        result += [(l, top, r, y) for (l, r) in s]
    return result


def with_dropdown(popup, dropdown, n):
    """The pop-up grid extended by the drop-down for n bars, as painted."""
    height = 216 + 29 * n
    width = len(popup[0])
    grid = [list(r) for r in popup[:DROPDOWN_TOP]]
    closing = 181 + 29 * n
    for y in range(DROPDOWN_TOP, height):
        row = y - DROPDOWN_TOP if y < closing else DROPDOWN_CLOSING_ROW + (y - closing)
        grid.append(list(dropdown[row]) if row < len(dropdown) else [False] * width)
    return grid


def outlines(tmp):
    lists = []
    for (name, svg, groups) in OUTLINES:
        found = []
        for ids in groups:
            found += bands(mask(tmp, svg, ids))
        lists.append((name, found))
    popup = mask(tmp, "popup.svg", ["outline", "neck"])
    popup_buttons = mask(tmp, "popup.svg", ["hit-answer", "hit-transfer", "hit-ack", "hit-ignore"])
    dropdown = mask(tmp, "dropdown.svg", ["outline"])
    bars = mask(tmp, "dropdown.svg", ["hit-bar1", "hit-bar2", "hit-bar3", "hit-bar4"])
    for n in (2, 3, 4):
        lists.append(("PopupDropDownRegionRect%d" % n,
                      bands(with_dropdown(popup, dropdown, n))))
        lists.append(("PopupDropDownButtonsRegionRect%d" % n,
                      bands(with_dropdown(popup_buttons, bars, n))))
    return lists


def write_header(path, lists):
    lines = [
        "#pragma once",
        "// Window outlines scanned from the artwork by scripts/render-art.sh; do not",
        "// edit, rerun the script. Bands: left, top, right, bottom, right and bottom",
        "// exclusive.",
        "",
        '#include "skin/bands.h"',
        "",
    ]
    for (name, found) in lists:
        lines.append("inline constexpr NuvBand %s[] = {" % name)
        for b in found:
            lines.append("    {%d, %d, %d, %d}," % b)
        lines.append("};")
        lines.append("inline constexpr int %sCount = %d;" % (name, len(found)))
        lines.append("")
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="ascii", newline="\n") as f:
        f.write("\n".join(lines))


# ---------------------------------------------------------------------------
# Icons

def render_icons(tmp, out):
    folder = os.path.join(out, "resources", "icons")
    os.makedirs(folder, exist_ok=True)
    for (name, svg, classes, sizes) in ICONS:
        src = os.path.join(tmp, "icon.svg")
        with open(src, "w", encoding="utf-8") as f:
            f.write(svg_with_classes(svg, classes))
        pngs = []
        for s in sizes:
            png = os.path.join(tmp, "icon%d.png" % s)
            run(["rsvg-convert", "-w", str(s), "-h", str(s), "-o", png, src])
            # A plain RGBA picture without dates or text chunks.
            run([CONVERT, png, "-define", "png:exclude-chunks=date,time,tEXt,zTXt,iTXt",
                 "-strip", "PNG32:" + png])
            pngs.append(png)
        run(["icotool", "-c", "-o", os.path.join(folder, name + ".ico")] + pngs)


def main(argv):
    with tempfile.TemporaryDirectory(prefix="nuv-art-") as tmp:
        if argv[1:] == ["--palettes"]:
            make_palettes(tmp)
            return 0
        if len(argv) != 2:
            sys.stderr.write(__doc__)
            return 2
        out = os.path.abspath(argv[1])
        render_bitmaps(tmp, out)
        render_icons(tmp, out)
        write_header(os.path.join(out, "src", "skin", "bands_generated.h"), outlines(tmp))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
