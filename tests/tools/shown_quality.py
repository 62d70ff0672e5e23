#!/usr/bin/env python3
"""The pixels of a pair that the menu shows (the whole background and the highlight's pieces
inside the hot spots), laid out as one picture for a quantizer, and the error of a reduced pair
over exactly those pixels.

  shown_quality.py compose HOT_SPOTS BACKGROUND HIGHLIGHT OUT.ppm
  shown_quality.py measure HOT_SPOTS BACKGROUND HIGHLIGHT REDUCED_BACKGROUND REDUCED_HIGHLIGHT
  shown_quality.py measure-composed HOT_SPOTS BACKGROUND HIGHLIGHT REDUCED_COMPOSITION

measure prints "PSNR_BACKGROUND PSNR_PIECES PSNR_ALL SSIM_ALL": PSNR in dB over every channel (99
when equal), SSIM of the luma over 8 x 8 windows, averaged over every window of every piece.
Pictures are read through ImageMagick's convert as 8-bit RGB.
"""
import math
import subprocess
import sys

WINDOW = 8


def read(path):
    size = subprocess.run(["identify", "-format", "%w %h", path + "[0]"], check=True, capture_output=True,
                          text=True).stdout.split()
    data = subprocess.run(["convert", path + "[0]", "-depth", "8", "rgb:-"], check=True,
                          capture_output=True).stdout
    return int(size[0]), int(size[1]), data


def crop(picture, left, top, width, height):
    w, _, data = picture
    rows = [data[((top + y) * w + left) * 3:((top + y) * w + left + width) * 3] for y in range(height)]
    return width, height, b"".join(rows)


def spots(path):
    with open(path) as table:
        return [tuple(int(v) for v in line.split()[1:5]) for line in table if line.strip()]


def layout(width, height, hot_spots):
    """Where each piece goes in the composition: the background at the top, then rows of pieces,
    as many side by side as the background's width holds. Returns the places and the size."""
    places, x, y, row_height = [], width, height, 0
    for (_, _, w, h) in hot_spots:
        if x + w > width:
            y, x, row_height = y + row_height, 0, 0
        places.append((x, y))
        x, row_height = x + w, max(row_height, h)
    return places, y + row_height


def pieces(background, highlight, hot_spots):
    return [background] + [crop(highlight, *spot) for spot in hot_spots]


def compose(background, highlight, hot_spots):
    """The composition as PPM; the rest of each row repeats the row's own pixels, so the quantizer
    sees no colour that does not show."""
    width, height, _ = background
    places, total = layout(width, height, hot_spots)
    canvas = [bytearray(width * 3) for _ in range(total)]
    for y in range(height):
        canvas[y][:] = background[2][y * width * 3:(y + 1) * width * 3]
    filled = {}
    for (x, y), piece in zip(places, pieces(background, highlight, hot_spots)[1:]):
        w, h, data = piece
        for row in range(h):
            canvas[y + row][x * 3:(x + w) * 3] = data[row * w * 3:(row + 1) * w * 3]
            filled[y + row] = max(filled.get(y + row, 0), x + w)
    for y, end in filled.items():
        row = canvas[y]
        for i in range(end * 3, width * 3):
            row[i] = row[i - end * 3]
    return b"P6\n%d %d\n255\n" % (width, total) + b"".join(bytes(row) for row in canvas)


def decompose(composition, width, height, hot_spots):
    places, _ = layout(width, height, hot_spots)
    return [crop(composition, 0, 0, width, height)] + [
        crop(composition, x, y, w, h) for (x, y), (_, _, w, h) in zip(places, hot_spots)]


def squares(a, b):
    return sum((p - q) * (p - q) for p, q in zip(a[2], b[2])), len(a[2])


def psnr(total, samples):
    return 99.0 if total == 0 else 10 * math.log10(255 * 255 * samples / total)


def luma(piece):
    _, _, d = piece
    return [0.299 * d[i] + 0.587 * d[i + 1] + 0.114 * d[i + 2] for i in range(0, len(d), 3)]


def integral(values, w, h):
    table = [[0.0] * (w + 1) for _ in range(h + 1)]
    for y in range(h):
        above, row, run = table[y], table[y + 1], 0.0
        for x in range(w):
            run += values[y * w + x]
            row[x + 1] = above[x + 1] + run
    return table


def ssim_sums(a, b):
    """The sum of SSIM over every 8 x 8 window of the piece, and the count of windows."""
    w, h, _ = a
    ya, yb = luma(a), luma(b)
    tables = [integral(v, w, h) for v in
              (ya, yb, [p * p for p in ya], [q * q for q in yb], [p * q for p, q in zip(ya, yb)])]
    c1, c2, n = (0.01 * 255) ** 2, (0.03 * 255) ** 2, WINDOW * WINDOW
    total, count = 0.0, 0
    for y in range(h - WINDOW + 1):
        for x in range(w - WINDOW + 1):
            sa, sb, saa, sbb, sab = (t[y + WINDOW][x + WINDOW] - t[y][x + WINDOW] - t[y + WINDOW][x] + t[y][x]
                                     for t in tables)
            ma, mb = sa / n, sb / n
            va, vb, cov = saa / n - ma * ma, sbb / n - mb * mb, sab / n - ma * mb
            total += (2 * ma * mb + c1) * (2 * cov + c2) / ((ma * ma + mb * mb + c1) * (va + vb + c2))
            count += 1
    return total, count


def measure(originals, reduced):
    per_piece = [squares(a, b) for a, b in zip(originals, reduced)]
    background = psnr(*per_piece[0])
    spots_part = psnr(sum(s for s, _ in per_piece[1:]), sum(n for _, n in per_piece[1:]))
    everything = psnr(sum(s for s, _ in per_piece), sum(n for _, n in per_piece))
    windows = [ssim_sums(a, b) for a, b in zip(originals, reduced)]
    ssim = sum(t for t, _ in windows) / sum(c for _, c in windows)
    return "%.4f %.4f %.4f %.5f" % (background, spots_part, everything, ssim)


def main(argv):
    mode, hot_spots = argv[1], spots(argv[2])
    background, highlight = read(argv[3]), read(argv[4])
    if mode == "compose":
        with open(argv[5], "wb") as out:
            out.write(compose(background, highlight, hot_spots))
        return
    originals = pieces(background, highlight, hot_spots)
    if mode == "measure":
        reduced = pieces(read(argv[5]), read(argv[6]), hot_spots)
    elif mode == "measure-composed":
        reduced = decompose(read(argv[5]), background[0], background[1], hot_spots)
    else:
        sys.exit("unknown mode " + mode)
    print(measure(originals, reduced))


if __name__ == "__main__":
    main(sys.argv)
