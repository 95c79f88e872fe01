#!/usr/bin/env python3
"""Writes the font of the PDF writer's invisible text layer: a TrueType font whose every
character maps to one glyph that draws nothing, so that a page can carry searchable text of any
script at a cost of well under a kilobyte. Glyph 0 (.notdef) is the customary box; glyph 1, the
one every character uses, is a single contour without area from the em box's lower left corner
to its upper right: it covers no pixel, yet gives each character the box of a whole em, which
readers that bound text by its glyphs (MuPDF drops text whose bounds are empty) need in order
to keep it. The file is the same on every run.

    python3 resources/tools/make_glyphless_font.py resources/fonts/glyphless.ttf
    python3 resources/tools/make_glyphless_font.py --check resources/fonts/glyphless.ttf
"""
import struct
import sys

UNITS_PER_EM = 1000
ASCENT = 800  # the text layer's font size is the line's height, ascent to descent
DESCENT = -200
ADVANCE = 1000
FAMILY = "Imbinder Text Layer"
POSTSCRIPT_NAME = "ImbinderTextLayer"
VERSION = "Version 1.000"
# 2025-01-01 00:00:00 in seconds since 1904-01-01, so that the file never changes.
DATE = 3818448000

# The glyphs' contours, points in font units, every point on the curve. .notdef's box is an
# outer and an inner contour; the glyph of every character goes there and back along the em
# box's diagonal.
NOTDEF = [[(50, 0), (50, 700), (450, 700), (450, 0)],
          [(100, 50), (400, 50), (400, 650), (100, 650)]]
NOTHING = [[(0, DESCENT), (ADVANCE, ASCENT)]]


def checksum(data):
    data += b"\0" * (-len(data) % 4)
    return sum(struct.unpack(">%dI" % (len(data) // 4), data)) & 0xFFFFFFFF


def glyph(contours):
    points = [point for contour in contours for point in contour]
    xs = [x for x, _ in points]
    ys = [y for _, y in points]
    data = struct.pack(">hhhhh", len(contours), min(xs), min(ys), max(xs), max(ys))
    end = -1
    for contour in contours:
        end += len(contour)
        data += struct.pack(">H", end)
    data += struct.pack(">H", 0)  # no instructions
    data += bytes([0x01] * len(points))  # every point on the curve, coordinates as words
    for coordinates in (xs, ys):
        previous = 0
        for value in coordinates:
            data += struct.pack(">h", value - previous)
            previous = value
    return data + b"\0" * (-len(data) % 4)


def tables():
    notdef = glyph(NOTDEF)
    glyf = notdef + glyph(NOTHING)
    points = max(sum(len(c) for c in NOTDEF), sum(len(c) for c in NOTHING))
    head = struct.pack(
        ">IIIIHHqqhhhhHHhhh",
        0x00010000, 0x00010000,  # version, font revision
        0, 0x5F0F3CF5,  # checksum adjustment (set last), magic number
        0x000B,  # baseline and left side bearing at 0, whole pixels per em
        UNITS_PER_EM, DATE, DATE,
        0, DESCENT, ADVANCE, ASCENT,  # the bounds of all glyphs
        0, 8, 2,  # style, smallest readable size, direction hint
        0, 0)  # short offsets in loca, glyph data format
    hhea = struct.pack(
        ">IhhhHhhhhhh4hhH",
        0x00010000, ASCENT, DESCENT, 0, ADVANCE,
        0, 0, ADVANCE,  # smallest side bearings, largest extent
        1, 0, 0,  # upright caret
        0, 0, 0, 0, 0, 2)  # reserved, metric data format, two metrics
    maxp = struct.pack(">IHHHHHHHHHHHHHH", 0x00010000, 2, points, 2, 0, 0, 2, 0, 0, 0, 0, 0,
                       0, 0, 0)
    hmtx = struct.pack(">HhHh", 500, 50, ADVANCE, 0)
    loca = struct.pack(">HHH", 0, len(notdef) // 2, len(glyf) // 2)
    # Many-to-one ranges: every code point but the surrogates to glyph 1.
    groups = [(0x0000, 0xD7FF, 1), (0xE000, 0x10FFFF, 1)]
    subtable = struct.pack(">HHIII", 13, 0, 16 + 12 * len(groups), 0, len(groups))
    subtable += b"".join(struct.pack(">III", *group) for group in groups)
    encodings = [(0, 6), (3, 10)]  # Unicode full repertoire; Windows, full repertoire
    cmap = struct.pack(">HH", 0, len(encodings))
    cmap += b"".join(struct.pack(">HHI", platform, encoding, 4 + 8 * len(encodings))
                     for platform, encoding in encodings)
    cmap += subtable
    os2 = struct.pack(
        ">HhHHHhhhhhhhhhhh10s4I4sHHHhhhHHII hhHHH",
        4, 750, 400, 5, 0,  # version, average width, regular, normal width, embeddable
        650, 700, 0, 140, 650, 700, 0, 480, 50, 250,  # sub- and superscripts, strikeout
        0, bytes(10),  # family class, PANOSE
        0, 0, 0, 0, b"NONE",  # Unicode ranges, vendor
        0x0040, 0x0000, 0xFFFF,  # regular, first and last character
        ASCENT, DESCENT, 0, ASCENT, -DESCENT,  # typographic and Windows metrics
        1, 0,  # code page ranges: Latin 1
        500, 700, 0, 0x20, 1)  # x-height, cap height, default and break character, context
    post = struct.pack(">IIhhIIIII", 0x00030000, 0, -100, 50, 0, 0, 0, 0, 0)
    names = [(1, FAMILY), (2, "Regular"), (3, POSTSCRIPT_NAME + " " + VERSION),
             (4, FAMILY), (5, VERSION), (6, POSTSCRIPT_NAME)]
    strings = b""
    records = b""
    for name_id, text in names:
        encoded = text.encode("utf-16-be")
        records += struct.pack(">HHHHHH", 3, 1, 0x0409, name_id, len(encoded), len(strings))
        strings += encoded
    name = struct.pack(">HHH", 0, len(names), 6 + 12 * len(names)) + records + strings
    return {b"OS/2": os2, b"cmap": cmap, b"glyf": glyf, b"head": head, b"hhea": hhea,
            b"hmtx": hmtx, b"loca": loca, b"maxp": maxp, b"name": name, b"post": post}


def font():
    parts = sorted(tables().items())
    count = len(parts)
    power = 1 << (count.bit_length() - 1)
    directory = struct.pack(">IHHHH", 0x00010000, count, power * 16, power.bit_length() - 1,
                            count * 16 - power * 16)
    offset = len(directory) + 16 * count
    records = b""
    data = b""
    head_at = 0
    for tag, table in parts:
        if tag == b"head":
            head_at = offset + len(data)
        records += struct.pack(">4sIII", tag, checksum(table), offset + len(data), len(table))
        data += table + b"\0" * (-len(table) % 4)
    whole = directory + records + data
    # head's checksum adjustment makes the whole file sum to the magic 0xB1B0AFBA.
    adjustment = (0xB1B0AFBA - checksum(whole)) & 0xFFFFFFFF
    return whole[:head_at + 8] + struct.pack(">I", adjustment) + whole[head_at + 12:]


def main():
    arguments = sys.argv[1:]
    check = arguments[:1] == ["--check"]
    if check:
        arguments = arguments[1:]
    if len(arguments) != 1:
        sys.exit("usage: make_glyphless_font.py [--check] <output.ttf>")
    made = font()
    if check:
        with open(arguments[0], "rb") as committed:
            if committed.read() != made:
                sys.exit(arguments[0] + " differs from what this generator makes: run it again")
        return
    with open(arguments[0], "wb") as out:
        out.write(made)


if __name__ == "__main__":
    main()
