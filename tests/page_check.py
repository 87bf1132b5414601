#!/usr/bin/env python3
"""Checks screenshots of show --html's page, with nothing but the standard library.

  page_check.py colours PAGE HIDDEN PNG...  every piece on the box's surface but those in
      HIDDEN (labels joined, "-" for none) shows its colour in one of the screenshots at
      least; no hidden piece's colour shows in any
  page_check.py spread NEAR FAR  the drawing in FAR reaches wider than in NEAR
  page_check.py shows PAGE LABELS PNG...  every piece in LABELS shows its colour

The screenshots are of pages opened with shade=0, where each piece is drawn in its colour
exactly; the legend's panel on the left is left out. Prints one line and exits 1 on a failure.
"""

import json
import re
import struct
import sys
import zlib

PANEL = 241  # the legend's panel, in pixels from the left, at the tests' window width
TOLERANCE = 8  # per channel, for the rasteriser's rounding
ENOUGH = 15  # pixels of a colour that make it seen
NONE = 5  # fewer than these: not seen (edges blend colours into chance matches)


def fail(line):
    print("page_check: " + line, file=sys.stderr)
    sys.exit(1)


def read_png(path):
    """Rows of (r, g, b) tuples of an 8-bit RGB or RGBA PNG, not interlaced."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        fail(path + ": not a PNG")
    at, idat, header = 8, b"", None
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    width, height, depth, colour_type, _, _, interlace = header
    if depth != 8 or colour_type not in (2, 6) or interlace:
        fail(path + ": not an 8-bit RGB(A) PNG")
    step = 3 if colour_type == 2 else 4
    raw, stride = zlib.decompress(idat), width * step
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - step] if i >= step else 0
            b = previous[i]
            c = previous[i - step] if i >= step else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([tuple(line[x:x + 3]) for x in range(0, stride, step)])
        previous = line
    return rows


def page_data(path):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    found = re.search(r'<script type="application/json" id="packing">(.*?)</script>', text, re.S)
    if not found:
        fail(path + ": no packing data")
    return json.loads(found.group(1))


def surface_labels(data):
    """The labels of the pieces with a cube on the box's surface, or next to a cell outside."""
    sx, sy, sz = data["size"]
    cells = data["cells"]

    def at(x, y, z):
        if 0 <= x < sx and 0 <= y < sy and 0 <= z < sz:
            return cells[x + sx * (y + sy * z)]
        return "."

    seen = set()
    for z in range(sz):
        for y in range(sy):
            for x in range(sx):
                c = at(x, y, z)
                if c in ".+":
                    continue
                around = [at(x + dx, y + dy, z + dz) for dx, dy, dz in
                          ((1, 0, 0), (-1, 0, 0), (0, 1, 0), (0, -1, 0), (0, 0, 1), (0, 0, -1))]
                if any(n in ".+" for n in around):
                    seen.add(c)
    return seen


def colour_counts(paths, colours):
    counts = {c: 0 for c in colours}
    for path in paths:
        for row in read_png(path):
            for pixel in row[PANEL:]:
                for c in colours:
                    if max(abs(pixel[0] - c[0]), abs(pixel[1] - c[1]), abs(pixel[2] - c[2])) <= TOLERANCE:
                        counts[c] += 1
                        break
    return counts


def check_colours(page, hidden, pngs):
    data = page_data(page)
    hidden = set() if hidden == "-" else set(hidden)
    surface = surface_labels(data)
    rgb = {p["label"]: tuple(int(p["colour"][i:i + 2], 16) for i in (1, 3, 5)) for p in data["pieces"]}
    counts = colour_counts(pngs, set(rgb.values()))
    for label, c in rgb.items():
        if label in hidden and counts[c] >= NONE:
            fail("hidden piece %s still shows: %d pixels of its colour" % (label, counts[c]))
        if label not in hidden and label in surface and counts[c] < ENOUGH:
            fail("piece %s does not show: %d pixels of its colour %s" % (label, counts[c], p_hex(c)))


def check_shown(page, labels, pngs):
    data = page_data(page)
    rgb = {p["label"]: tuple(int(p["colour"][i:i + 2], 16) for i in (1, 3, 5)) for p in data["pieces"]}
    counts = colour_counts(pngs, set(rgb.values()))
    for label in labels:
        if counts[rgb[label]] < ENOUGH:
            fail("piece %s does not show: %d pixels of its colour" % (label, counts[rgb[label]]))


def p_hex(c):
    return "#%02x%02x%02x" % c


def width_drawn(path):
    left, right = None, None
    for row in read_png(path):
        for x, pixel in enumerate(row[PANEL:]):
            if min(pixel) < 240:
                left = x if left is None or x < left else left
                right = x if right is None or x > right else right
    return 0 if left is None else right - left + 1


def main(args):
    if len(args) >= 4 and args[0] == "colours":
        check_colours(args[1], args[2], args[3:])
    elif len(args) >= 4 and args[0] == "shows":
        check_shown(args[1], args[2], args[3:])
    elif len(args) == 3 and args[0] == "spread":
        near, far = width_drawn(args[1]), width_drawn(args[2])
        if not (near > 0 and far > near * 1.2):
            fail("the exploded view is not wider: %d pixels, assembled %d" % (far, near))
    else:
        print("usage: page_check.py colours PAGE HIDDEN PNG... | spread NEAR FAR | shows PAGE LABELS PNG...", file=sys.stderr)
        sys.exit(2)


if __name__ == "__main__":
    main(sys.argv[1:])
