#!/usr/bin/env python3
"""Writes one picture as Windows bitmaps of every kind the author tool reads, bytes laid out by hand,
so that the kinds ImageMagick does not write (4 bits, RLE4, top row first, bit masks) are there too.

  make_bitmaps.py WIDTH HEIGHT PIXELS.rgba OUT_PREFIX

PIXELS.rgba holds 8-bit RGBA, top row first. A kind that needs a colour table takes the picture's
colours as they are, and is left out when there are more than its depth holds.
"""
import struct
import sys


def rows_bottom_up(rows, top_down):
    return rows if top_down else rows[::-1]


def pad(row):
    return row + b"\0" * (-len(row) % 4)


def rle8(indices_rows):
    out = bytearray()
    for row in indices_rows:
        x = 0
        while x < len(row):
            run = 1
            while x + run < len(row) and run < 255 and row[x + run] == row[x]:
                run += 1
            if run >= 2:
                out += bytes([run, row[x]])
                x += run
                continue
            # A stretch of pixels as they are, up to the next run of two.
            end = x
            while end < len(row) and end - x < 255 and not (end + 1 < len(row) and row[end + 1] == row[end]):
                end += 1
            stretch = row[x:end]
            if len(stretch) < 3:
                for index in stretch:
                    out += bytes([1, index])
            else:
                out += bytes([0, len(stretch)]) + bytes(stretch) + (b"\0" if len(stretch) % 2 else b"")
            x = end
        out += b"\0\0"
    return bytes(out + b"\0\1")


def rle4(indices_rows):
    out = bytearray()
    for row in indices_rows:
        x = 0
        while x < len(row):
            # Runs of two alternating indices, as RLE4 has them, then stretches as they are.
            run = 2 if x + 1 < len(row) else 1
            while x + run < len(row) and run < 255 and row[x + run] == row[x + run - 2]:
                run += 1
            if run >= 4 or x + run == len(row):
                second = row[x + 1] if run > 1 else 0
                out += bytes([run, row[x] << 4 | second])
                x += run
                continue
            stretch = row[x:x + min(8, len(row) - x)]
            if len(stretch) < 3:
                out += bytes([len(stretch), stretch[0] << 4 | (stretch[1] if len(stretch) > 1 else 0)])
            else:
                packed = bytes((stretch[i] << 4) | (stretch[i + 1] if i + 1 < len(stretch) else 0)
                               for i in range(0, len(stretch), 2))
                out += bytes([0, len(stretch)]) + packed + (b"\0" if len(packed) % 2 else b"")
            x += len(stretch)
        out += b"\0\0"
    return bytes(out + b"\0\1")


def bitmap(width, height, depth, compression, pixels, table=b"", masks=(), header=40, top_down=False):
    stored_height = -height if top_down else height
    info = struct.pack("<IiiHHIIiiII", header, width, stored_height, 1, depth, compression, len(pixels),
                       2835, 2835, len(table) // 4, 0)
    if header > 40:  # version 4 or 5: the masks inside, then colour space and the rest, left empty
        info += struct.pack("<IIII", *masks) + b"sRGB" + b"\0" * (header - 60)
        masks = ()
    extra = b"".join(struct.pack("<I", m) for m in masks)
    offset = 14 + len(info) + len(extra) + len(table)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + info + extra + table + pixels


def main():
    width, height, path, prefix = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3], sys.argv[4]
    data = open(path, "rb").read()
    rgba = [tuple(data[i:i + 4]) for i in range(0, len(data), 4)]
    rows = [rgba[y * width:(y + 1) * width] for y in range(height)]
    colours = sorted(set(p[:3] for p in rgba))
    table = b"".join(bytes([b, g, r, 0]) for r, g, b in colours)
    index = {c: i for i, c in enumerate(colours)}
    indices = [[index[p[:3]] for p in row] for row in rows]
    files = {}

    def packed(depth, top_down=False):
        out = b""
        for row in rows_bottom_up(indices, top_down):
            bits = "".join(format(i, "0%db" % depth) for i in row)
            bits += "0" * (-len(bits) % 8)
            out += pad(bytes(int(bits[i:i + 8], 2) for i in range(0, len(bits), 8)))
        return out

    for depth in (1, 4, 8):
        if len(colours) <= 1 << depth:
            files["%d" % depth] = bitmap(width, height, depth, 0, packed(depth), table)
    if len(colours) <= 256:
        files["8-top-down"] = bitmap(width, height, 8, 0, packed(8, True), table, top_down=True)
        files["rle8"] = bitmap(width, height, 8, 1, rle8(rows_bottom_up(indices, False)), table)
    if len(colours) <= 16:
        files["rle4"] = bitmap(width, height, 4, 2, rle4(rows_bottom_up(indices, False)), table)

    def direct(pack, top_down=False):
        return b"".join(pad(b"".join(pack(p) for p in row)) for row in rows_bottom_up(rows, top_down))

    files["24"] = bitmap(width, height, 24, 0, direct(lambda p: bytes([p[2], p[1], p[0]])))
    files["24-top-down"] = bitmap(width, height, 24, 0, direct(lambda p: bytes([p[2], p[1], p[0]]), True), top_down=True)
    files["32"] = bitmap(width, height, 32, 0, direct(lambda p: bytes([p[2], p[1], p[0], 0])))
    files["16-555"] = bitmap(width, height, 16, 0,
                             direct(lambda p: struct.pack("<H", (p[0] >> 3) << 10 | (p[1] >> 3) << 5 | p[2] >> 3)))
    files["16-565"] = bitmap(width, height, 16, 3,
                             direct(lambda p: struct.pack("<H", (p[0] >> 3) << 11 | (p[1] >> 2) << 5 | p[2] >> 3)),
                             masks=(0xF800, 0x07E0, 0x001F))
    files["32-alpha"] = bitmap(width, height, 32, 3, direct(lambda p: bytes([p[2], p[1], p[0], p[3]])),
                               masks=(0xFF0000, 0xFF00, 0xFF, 0xFF000000), header=124)
    for name, content in files.items():
        with open("%s-%s.bmp" % (prefix, name), "wb") as f:
            f.write(content)
    print(" ".join(sorted(files)))


main()
