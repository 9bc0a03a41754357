#!/usr/bin/env python3
"""Draws BLIMO's icons and menu bitmaps from the pixel designs below into res/.

Edit a design, run `python3 scripts/make-art.py`, commit the files it writes.
'#' is a letter pixel (black), '.' the field colour, ' ' transparent (icons only).

The on and off icons hold the 16 x 16, 16-colour badge first and then the same badge drawn afresh
at every size Windows asks for (ICON_SIZES), 32 bits with alpha: the letters at a whole number of
pixels per design pixel, so none is blurred; the field's rounded corners are the only soft edges.
Those images are written by ImageMagick (`convert`) and packed with `icotool` (icoutils), kept as
PNG inside the icon as Windows has read them since Vista (BMP copies would add 40 KB an icon).
"""
import pathlib
import struct
import subprocess
import tempfile

RES = pathlib.Path(__file__).resolve().parent.parent / "res"

# The product's name in two rows of 3x5 pixel letters on a 16 x 16 field.
BADGE = [
    "................",
    "................",
    "..##..#...###...",
    "..#.#.#....#....",
    "..##..#....#....",
    "..#.#.#....#....",
    "..##..###.###...",
    "................",
    "................",
    "...#...#.###....",
    "...##.##.#.#....",
    "...#.#.#.#.#....",
    "...#...#.#.#....",
    "...#...#.###....",
    "................",
    "................",
]

# The download control's picture: a blue arrow into a tray, 32 x 32, transparent around it.
ARROW = (
    [" " * 32] * 3
    + [" " * 12 + "bbbbbbbb" + " " * 12] * 12
    + [" " * (6 + i) + "b" * (20 - 2 * i) + " " * (6 + i) for i in range(10)]
    + [" " * 32] * 1
    + [" " * 3 + "#" + " " * 24 + "#" + " " * 3] * 2
    + [" " * 3 + "#" * 26 + " " * 3] * 2
    + [" " * 32] * 2
)

# The standard 16-colour palette, as (r, g, b).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
    (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, RED, GREEN, BLUE = 0, 9, 10, 12

# The sizes of the 32-bit images: the notification area and small icons at 125 % to 200 %, the
# title bar and Alt+Tab, Explorer's views and Add/Remove Programs. CMakeLists.txt checks the same list.
ICON_SIZES = (20, 24, 32, 40, 48, 64, 256)


def icon_4bpp(design, colours):
    """A one-image .ico, 16 colours with a 1-bit transparency mask."""
    size = len(design)
    assert all(len(row) == size for row in design)
    xor_stride = ((size * 4 + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    xor, mask = bytearray(), bytearray()
    for row in reversed(design):  # bottom-up
        nibbles = [colours.get(ch, 0) for ch in row]
        line = bytearray((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        xor += line + bytes(xor_stride - len(line))
        bits = 0
        for ch in row:
            bits = (bits << 1) | (1 if ch == " " else 0)
        mline = bits.to_bytes((size + 7) // 8, "big")
        mask += mline + bytes(and_stride - len(mline))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    image = header + palette + xor + mask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack(
        "<BBBBHHII", size % 256, size % 256, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + image


def bitmap_24bpp(design, colours):
    size = len(design)
    stride = ((size * 3 + 3) // 4) * 4
    pixels = bytearray()
    for row in reversed(design):
        line = bytearray()
        for ch in row:
            r, g, b = PALETTE[colours[ch]]
            line += bytes((b, g, r))
        pixels += line + bytes(stride - len(line))
    info = struct.pack("<IiiHHIIiiII", 40, size, size, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return head + info + pixels


def badge_rgba(size, field):
    """The badge at `size` pixels: each design pixel a square of size // 16 (at least 1), centred on
    a field that fills the icon, whose corners are rounded by an eighth of the size."""
    scale = max(1, size // 16)
    offset = (size - 16 * scale) // 2
    radius = size / 8
    samples = 4  # per axis, for the corners' coverage
    pixels = bytearray()
    for y in range(size):
        for x in range(size):
            row, col = (y - offset) // scale, (x - offset) // scale
            letter = 0 <= row < 16 and 0 <= col < 16 and BADGE[row][col] == "#"
            covered = 0
            for sy in range(samples):
                for sx in range(samples):
                    px, py = x + (sx + 0.5) / samples, y + (sy + 0.5) / samples
                    cx = min(max(px, radius), size - radius)
                    cy = min(max(py, radius), size - radius)
                    covered += (px - cx) ** 2 + (py - cy) ** 2 <= radius * radius
            r, g, b = PALETTE[BLACK if letter else field]
            pixels += bytes((r, g, b, round(255 * covered / samples ** 2)))
    return bytes(pixels)


def icon_every_size(colours, field):
    """The 16-colour badge and the 32-bit ones, packed by icotool in that order."""
    with tempfile.TemporaryDirectory() as tmp:
        folder = pathlib.Path(tmp)
        small = folder / "16.ico"
        small.write_bytes(icon_4bpp(BADGE, colours))
        subprocess.run(["icotool", "-x", "-o", str(folder / "16.png"), str(small)], check=True)
        args = ["icotool", "-c", "-o", str(folder / "all.ico"), "-b", "4", str(folder / "16.png")]
        for size in ICON_SIZES:
            png = folder / f"{size}.png"
            subprocess.run(["convert", "-size", f"{size}x{size}", "-depth", "8", "rgba:-", "-strip",
                            f"PNG32:{png}"], input=badge_rgba(size, field), check=True)
            args += ["-r", str(png)]
        subprocess.run(args, check=True)
        return (folder / "all.ico").read_bytes()


def size_figure(path):
    """Every image of the on and off icons, each at its own size, with its width: the README's figure."""
    with tempfile.TemporaryDirectory() as tmp:
        subprocess.run(["icotool", "-x", "-o", tmp, str(RES / "on.ico"), str(RES / "off.ico")], check=True)
        images = sorted(pathlib.Path(tmp).glob("on_*.png")) + sorted(pathlib.Path(tmp).glob("off_*.png"))
        subprocess.run(["montage", "-label", "%w", "-font", "DejaVu-Sans", "-pointsize", "11", "-background", "#d8d8d8",
                        "-geometry", "+12+6", "-gravity", "south", "-tile", f"{len(images) // 2}x2", *map(str, images),
                        "-strip", "-define", "png:exclude-chunks=date,time", str(path)], check=True)
    print(f"{path.relative_to(RES.parent)}: the icons at every size")


def main():
    on = {".": GREEN, "#": BLACK}
    off = {".": RED, "#": BLACK}
    outputs = {
        "on.ico": icon_every_size(on, GREEN),
        "off.ico": icon_every_size(off, RED),
        "green.bmp": bitmap_24bpp(BADGE, on),
        "red.bmp": bitmap_24bpp(BADGE, off),
        "downloader.ico": icon_4bpp(ARROW, {"b": BLUE, "#": BLACK}),
    }
    for name, data in outputs.items():
        (RES / name).write_bytes(data)
        print(f"res/{name}: {len(data)} bytes")
    size_figure(RES.parent / "docs" / "screenshots" / "icon-sizes.png")


if __name__ == "__main__":
    main()
