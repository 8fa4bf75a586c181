#!/usr/bin/env python3
"""Draws the Stepquill icon: an upward arrow as a white outline over a green
copy of the same outline shifted down, on black.

    draw_icon.py [--scale N] [OUTPUT_ROOT]
    draw_icon.py --check [OUTPUT_ROOT]

writes OUTPUT_ROOT/hicolor/<size>x<size>/apps/stepquill.png for sizes 16, 32,
48, 64, 128 and 256 (OUTPUT_ROOT defaults to the icons folder beside this script). --scale
enlarges every pixel into an N by N block, for looking at the result.
--check writes nothing and fails when the images there hold other pixels
than this script draws.

Only the standard library is used, so the icons can be redrawn anywhere.
"""

import argparse
import pathlib
import struct
import sys
import zlib

BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
GREEN = (0, 200, 0)


class ArrowDesign:
    """The arrow laid out in whole pixels for one icon size.

    The head widens by one pixel per row on each side, so its edges are clean
    45-degree staircases at any size; fractional scaling would blur them.
    """

    def __init__(self, size, tip_row, shaft_half_width, shaft_last_row,
                 line_width, shadow_drop):
        self.size = size
        self.tip_row = tip_row
        self.shaft_half_width = shaft_half_width
        self.shaft_last_row = shaft_last_row
        self.line_width = line_width
        self.shadow_drop = shadow_drop


DESIGNS = [
    ArrowDesign(size=16, tip_row=1, shaft_half_width=3, shaft_last_row=13,
                line_width=1, shadow_drop=1),
    ArrowDesign(size=32, tip_row=1, shaft_half_width=6, shaft_last_row=28,
                line_width=2, shadow_drop=2),
] + [
    # The larger sizes follow the 32-pixel design, scaled.
    ArrowDesign(size=size, tip_row=max(1, size // 32), shaft_half_width=size * 3 // 16,
                shaft_last_row=size * 7 // 8, line_width=size // 16, shadow_drop=size // 16)
    for size in (48, 64, 128, 256)
]


def arrow_mask(design):
    """The filled arrow, as rows of booleans."""
    size = design.size
    centre = size // 2
    mask = [[False] * size for _ in range(size)]
    head_half_width = 1
    row = design.tip_row
    # The head ends where it would leave the one-pixel margin.
    while centre + head_half_width <= size - 1:
        for x in range(centre - head_half_width, centre + head_half_width):
            mask[row][x] = True
        head_half_width += 1
        row += 1
    for y in range(row, design.shaft_last_row + 1):
        for x in range(centre - design.shaft_half_width, centre + design.shaft_half_width):
            mask[y][x] = True
    return mask


def outline_of(mask, line_width):
    """The pixels of the shape that lie within line_width steps of its outside.

    Steps go along rows and columns only, which keeps the diagonal edges one
    staircase thick instead of doubling them.
    """
    size = len(mask)
    # Steps to the nearest pixel outside the shape (the image's edge counts
    # as outside), in two sweeps, so large icons take no longer than a
    # moment.
    far = 2 * size
    steps = [[0 if not mask[y][x] else far for x in range(size)] for y in range(size)]
    for y in range(size):
        for x in range(size):
            if steps[y][x]:
                up = steps[y - 1][x] if y > 0 else 0
                left = steps[y][x - 1] if x > 0 else 0
                steps[y][x] = min(steps[y][x], up + 1, left + 1)
    for y in reversed(range(size)):
        for x in reversed(range(size)):
            if steps[y][x]:
                down = steps[y + 1][x] if y + 1 < size else 0
                right = steps[y][x + 1] if x + 1 < size else 0
                steps[y][x] = min(steps[y][x], down + 1, right + 1)
    return [[mask[y][x] and steps[y][x] <= line_width for x in range(size)] for y in range(size)]


def draw(design):
    """The icon's pixels, as rows of RGB triples."""
    outline = outline_of(arrow_mask(design), design.line_width)
    size = design.size
    pixels = [[BLACK] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            if not outline[y][x]:
                continue
            shadow_y = y + design.shadow_drop
            if shadow_y < size:
                pixels[shadow_y][x] = GREEN
    # The white outline goes on top, so the green shows only below it.
    for y in range(size):
        for x in range(size):
            if outline[y][x]:
                pixels[y][x] = WHITE
    return pixels


def enlarge(pixels, scale):
    rows = []
    for row in pixels:
        wide = [pixel for pixel in row for _ in range(scale)]
        rows.extend([wide] * scale)
    return rows


PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def png_header(pixels):
    """IHDR contents: width, height, 8-bit RGB, no interlacing."""
    return struct.pack(">IIBBBBB", len(pixels[0]), len(pixels), 8, 2, 0, 0, 0)


def png_scanlines(pixels):
    """The image data before compression: each row unfiltered."""
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for red, green, blue in row:
            raw.extend((red, green, blue))
    return bytes(raw)


def png_bytes(pixels):
    """An 8-bit RGB PNG; no timestamp or other chunk that would change between runs."""

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    return (PNG_SIGNATURE + chunk(b"IHDR", png_header(pixels)) +
            chunk(b"IDAT", zlib.compress(png_scanlines(pixels), 9)) + chunk(b"IEND", b""))


def png_contents(data):
    """The header and uncompressed image data of a PNG written by png_bytes.

    Comparing these rather than the files keeps the check independent of the
    zlib build, whose compressed bytes may differ for the same pixels.
    """
    if not data.startswith(PNG_SIGNATURE):
        return None
    header, compressed, position = None, b"", len(PNG_SIGNATURE)
    while position + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[position:position + 8])
        body = data[position + 8:position + 8 + length]
        if kind == b"IHDR":
            header = body
        elif kind == b"IDAT":
            compressed += body
        position += 12 + length
    try:
        return header, zlib.decompress(compressed)
    except zlib.error:
        return None


def icon_path(output_root, design):
    size_folder = f"{design.size}x{design.size}"
    return pathlib.Path(output_root) / "hicolor" / size_folder / "apps" / "stepquill.png"


def check(output_root):
    stale = []
    for design in DESIGNS:
        path = icon_path(output_root, design)
        pixels = draw(design)
        found = png_contents(path.read_bytes()) if path.is_file() else None
        if found != (png_header(pixels), png_scanlines(pixels)):
            stale.append(path)
    for path in stale:
        print(f"{path} is not what draw_icon.py draws; run packaging/draw_icon.py")
    return 1 if stale else 0


def main():
    parser = argparse.ArgumentParser(description="Draws the Stepquill icons.")
    parser.add_argument("output_root", nargs="?",
                        default=pathlib.Path(__file__).resolve().parent / "icons")
    parser.add_argument("--scale", type=int, default=1)
    parser.add_argument("--check", action="store_true")
    arguments = parser.parse_args()
    if arguments.check:
        return check(arguments.output_root)
    for design in DESIGNS:
        path = icon_path(arguments.output_root, design)
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(png_bytes(enlarge(draw(design), arguments.scale)))
        print(path)
    return 0


if __name__ == "__main__":
    sys.exit(main())
