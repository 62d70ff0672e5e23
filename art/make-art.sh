#!/usr/bin/env bash
# Regenerates the menu artwork committed next to this script:
#
#   background.bmp  the menu as shown when nothing is under the mouse
#   highlight.bmp   the same menu with every entry and the Exit button lit
#   tarvelin.ico    the program icon: 32x32 in 16 colours, and 16 to 256 pixels in 32-bit
#                   colour with alpha
#
# The menu program shows background.bmp and, while the mouse is over an
# entry, copies that entry's rectangle out of highlight.bmp. So the two
# pictures must match pixel for pixel outside the six hot spots, and
# they share one 256-colour palette so the menu can use a single palette for
# both.
#
# Needs ImageMagick 6 (Debian package imagemagick), the DejaVu fonts (Debian
# package fonts-dejavu-core), python3 and a C++20 compiler. Output is
# byte-for-byte repeatable.
#
# Usage: bash art/make-art.sh   (from any directory)

set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# Call ImageMagick by full path so that no other 'convert' on PATH is used.
IM=/usr/bin/convert
FONTDIR=/usr/share/fonts/truetype/dejavu
FONT=$FONTDIR/DejaVuSans.ttf
FONT_BOLD=$FONTDIR/DejaVuSans-Bold.ttf

for f in "$IM" "$FONT" "$FONT_BOLD"; do
    if [ ! -e "$f" ]; then
        echo "make-art.sh: missing $f (install imagemagick and fonts-dejavu-core)" >&2
        exit 1
    fi
done
command -v python3 >/dev/null || { echo "make-art.sh: python3 not found" >&2; exit 1; }

# One thread keeps colour reduction repeatable from run to run.
export MAGICK_THREAD_LIMIT=1
export LC_ALL=C

tmp=$(mktemp -d "${TMPDIR:-/tmp}/tarvelin-art.XXXXXX")
trap 'rm -rf "$tmp"' EXIT

W=480
H=360

# Colour scheme.
SKY_TOP='#14406f'       # background gradient, top
SKY_BOTTOM='#06142a'    # background gradient, bottom
INK='#e2ebf5'           # normal label text
INK_DIM='#9fc0e4'       # sub-heading
INK_FAINT='#6f8fb5'     # footer
ACCENT='#5fb3ff'        # bullets, button outline
LIT_TOP='#ffb347'       # highlight bar, top
LIT_BOTTOM='#f06a0a'    # highlight bar, bottom
LIT_INK='#0d1f38'       # text on the highlight bar

# The labels painted into the hot spots, by hot-spot index: entries 1 to 5,
# and 8 for the Exit button.
LABELS=(
    [1]="Read the guide"
    [2]="Set up the web browser"
    [3]="Set up the web server"
    [4]="Set up the developer kit"
    [5]="Set up the server"
    [8]="Exit"
)

# The rectangles are the menu's own: check-art, compiled here from the
# program's sources, prints menu/layout.h's hot spots as INDEX LEFT TOP WIDTH
# HEIGHT in window pixels. A build's table (TARVELIN_HOT_SPOTS) serves as well.
root=$(cd "$here/.." && pwd)
hot_spots=${TARVELIN_HOT_SPOTS:-}
if [ -z "$hot_spots" ]; then
    cxx=${CXX:-c++}
    command -v "$cxx" >/dev/null || { echo "make-art.sh: no C++ compiler ($cxx) to read the hot spots with" >&2; exit 1; }
    "$cxx" -std=c++20 -O1 -I"$root" -o "$tmp/check-art" "$root/tools/check-art/main.cpp" \
        "$root/runtime/artwork_fit.cpp" "$root/runtime/picture.cpp"
    hot_spots=$tmp/hot_spots.txt
    "$tmp/check-art" --hot-spots >"$hot_spots"
fi
ENTRIES=()
EXIT_RECT=
while read -r index x y w h; do
    label=${LABELS[$index]:-}
    [ -n "$label" ] || { echo "make-art.sh: hot spot $index has no label here" >&2; exit 1; }
    for v in "$x" "$y" "$w" "$h"; do
        [[ $v =~ ^[0-9]+$ ]] || { echo "make-art.sh: hot spot $index is not on whole pixels: $x $y $w $h" >&2; exit 1; }
    done
    if [ "$index" = 8 ]; then EXIT_RECT="$x $y $w $h $label"; else ENTRIES+=("$x $y $w $h $label"); fi
done <"$hot_spots"
[ ${#ENTRIES[@]} = 5 ] && [ -n "$EXIT_RECT" ] || { echo "make-art.sh: $hot_spots lacks an entry or the Exit button" >&2; exit 1; }

# ---------------------------------------------------------------------------
# Tiles: each entry is drawn into a picture of exactly its rectangle's size
# and laid on top of the backdrop, so nothing can spill outside it.

# lit_bar W H: the lit form's rounded bar with its top gloss, written once
# for each size; prints the file.
lit_bar() {
    local w=$1 h=$2 r=5 x1=$(($1 - 1)) y1=$(($2 - 1))
    local out="$tmp/lit-bar-${w}x${h}.miff"
    [ -e "$out" ] || "$IM" \
        \( -size "${w}x${h}" gradient:"$LIT_TOP-$LIT_BOTTOM" -alpha set \) \
        \( -size "${w}x${h}" xc:none -fill white \
           -draw "roundrectangle 0,0 $x1,$y1 $r,$r" \) \
        -compose DstIn -composite -compose Over \
        -fill 'rgba(255,255,255,0.35)' -draw "line 5,1 $((x1 - 5)),1" \
        "$out"
    echo "$out"
}

# entry_tile OUT W H LABEL normal|lit
entry_tile() {
    local out=$1 w=$2 h=$3 label=$4 state=$5
    local r=5 x1=$(($2 - 1)) y1=$(($3 - 1)) cy=$(($3 / 2))
    if [ "$state" = normal ]; then
        "$IM" -size "${w}x${h}" xc:none \
            -fill 'rgba(255,255,255,0.07)' -stroke 'rgba(160,200,255,0.18)' -strokewidth 1 \
            -draw "roundrectangle 0.5,0.5 $((x1)).5,$((y1)).5 $r,$r" \
            -fill none -stroke "$ACCENT" -strokewidth 1.5 \
            -draw "circle 14,$cy 17.5,$cy" \
            -stroke none -fill "$INK" -font "$FONT" -pointsize 14 \
            -gravity West -annotate +28+0 "$label" \
            "$tmp/$out.miff"
    else
        "$IM" "$(lit_bar "$w" "$h")" \
            -fill "$LIT_INK" -stroke none \
            -draw "polygon 10,$((cy - 5)) 10,$((cy + 5)) 19,$cy" \
            -font "$FONT_BOLD" -pointsize 14 \
            -gravity West -annotate +28+0 "$label" \
            "$tmp/$out.miff"
    fi
}

# button_tile OUT W H LABEL normal|lit
button_tile() {
    local out=$1 w=$2 h=$3 label=$4 state=$5
    local r=5 x1=$(($2 - 1)) y1=$(($3 - 1))
    if [ "$state" = normal ]; then
        "$IM" -size "${w}x${h}" xc:none \
            -fill 'rgba(255,255,255,0.08)' -stroke "$ACCENT" -strokewidth 1 \
            -draw "roundrectangle 0.5,0.5 $((x1)).5,$((y1)).5 $r,$r" \
            -stroke none -fill "$INK" -font "$FONT" -pointsize 14 \
            -gravity Center -annotate +0+0 "$label" \
            "$tmp/$out.miff"
    else
        "$IM" "$(lit_bar "$w" "$h")" \
            -fill "$LIT_INK" -stroke none -font "$FONT_BOLD" -pointsize 14 \
            -gravity Center -annotate +0+0 "$label" \
            "$tmp/$out.miff"
    fi
}

# ---------------------------------------------------------------------------
# Backdrop shared by both pictures: gradient sky, a soft glow, the disc logo,
# heading, accent rule and footer strip.

# Disc logo, top right: a silver-blue disc lit from the top left, with an
# orange data ring and a see-through hole.
"$IM" \( -size 84x84 gradient:'#f2f7fc-#6585b0' -virtual-pixel edge -distort SRT -35 \
       -alpha set \) \
    \( -size 84x84 xc:none -fill white -draw "circle 41.5,41.5 41.5,2" \) \
    -compose DstIn -composite -compose Over \
    -fill none -stroke 'rgba(255,255,255,0.7)' -strokewidth 1 -draw "circle 41.5,41.5 41.5,2.5" \
    -stroke 'rgba(40,70,110,0.25)' -draw "circle 41.5,41.5 41.5,8" \
    -stroke 'rgba(40,70,110,0.20)' -draw "circle 41.5,41.5 41.5,20" \
    -stroke "$LIT_BOTTOM" -strokewidth 2.5 -draw "circle 41.5,41.5 41.5,13" \
    -stroke 'rgba(255,255,255,0.8)' -strokewidth 1 -fill '#c9d8ea' -draw "circle 41.5,41.5 41.5,27" \
    -stroke 'rgba(40,70,110,0.45)' -fill '#a9bfdb' -draw "circle 41.5,41.5 41.5,32" \
    \( -size 84x84 xc:none -fill white -draw "circle 41.5,41.5 41.5,35" \) \
    -compose DstOut -composite \
    "$tmp/disc.miff"

# Small shadow under the disc so it lifts off the sky.
"$IM" -size 84x84 xc:none -fill 'rgba(0,0,0,0.55)' -draw "circle 42,42 42,3" \
    -blur 0x3 "$tmp/disc-shadow.miff"

# Accent rule under the heading: orange fading out to the right.
"$IM" -size 300x2 gradient:"$LIT_BOTTOM-$LIT_BOTTOM" -alpha set \
    \( -size 2x300 gradient:black-white -rotate 90 \) \
    -compose CopyOpacity -composite "$tmp/rule.miff"

"$IM" -size ${W}x${H} gradient:"$SKY_TOP-$SKY_BOTTOM" \
    \( -size 600x600 radial-gradient:'rgba(110,170,255,0.22)-rgba(110,170,255,0)' \
       -crop ${W}x${H}+210+240 +repage \) -compose Over -composite \
    -fill 'rgba(0,0,0,0.28)' -draw "rectangle 0,300 $((W - 1)),$((H - 1))" \
    -fill 'rgba(120,170,230,0.35)' -draw "line 0,300 $((W - 1)),300" \
    "$tmp/disc-shadow.miff" -geometry +378+5 -composite \
    "$tmp/disc.miff" -geometry +376+2 -composite \
    "$tmp/rule.miff" -geometry +60+80 -composite \
    -gravity NorthWest -font "$FONT_BOLD" -pointsize 27 \
    -fill 'rgba(0,0,0,0.45)' -annotate +61+21 'Tarvelin Demo Disc' \
    -fill white -annotate +59+19 'Tarvelin Demo Disc' \
    -font "$FONT" -pointsize 14 -fill "$INK_DIM" \
    -annotate +61+56 'Guides and software to try out and install' \
    -font "$FONT" -pointsize 11 -fill "$INK_FAINT" \
    -annotate +60+322 'Tarvelin 1.0  -  free software for everyone' \
    "$tmp/backdrop.miff"

# ---------------------------------------------------------------------------
# Lay the tiles on the backdrop, once in the normal and once in the lit form.

normal_args=()
lit_args=()
n=0
for e in "${ENTRIES[@]}"; do
    read -r x y w h label <<<"$e"
    entry_tile "entry$n" "$w" "$h" "$label" normal
    entry_tile "entry$n-lit" "$w" "$h" "$label" lit
    normal_args+=("$tmp/entry$n.miff" -geometry "+$x+$y" -composite)
    lit_args+=("$tmp/entry$n-lit.miff" -geometry "+$x+$y" -composite)
    n=$((n + 1))
done
read -r x y w h label <<<"$EXIT_RECT"
button_tile exit "$w" "$h" "$label" normal
button_tile exit-lit "$w" "$h" "$label" lit
normal_args+=("$tmp/exit.miff" -geometry "+$x+$y" -composite)
lit_args+=("$tmp/exit-lit.miff" -geometry "+$x+$y" -composite)

"$IM" "$tmp/backdrop.miff" "${normal_args[@]}" -alpha off "$tmp/normal.miff"
"$IM" "$tmp/backdrop.miff" "${lit_args[@]}" -alpha off "$tmp/lit.miff"

# Reduce both pictures together, so one palette serves both, with no
# dithering, so that equal pixels in the two stay equal.
"$IM" "$tmp/normal.miff" "$tmp/lit.miff" -append \
    +dither -colors 256 -depth 8 -strip "$tmp/both.ppm"

# ---------------------------------------------------------------------------
# Byte-level writers: the two 8-bit BMPs and the icon.

RECTS="$(printf '%s\n' "${ENTRIES[@]}" "$EXIT_RECT" | cut -d' ' -f1-4 | tr '\n' ';')"

python3 - "$tmp/both.ppm" "$here" "$RECTS" <<'PY'
import struct
import sys

ppm_path, outdir, rects_arg = sys.argv[1], sys.argv[2], sys.argv[3]
W, H = 480, 360
rects = [tuple(int(v) for v in r.split()) for r in rects_arg.split(';') if r.strip()]

# --- read the binary PPM written by ImageMagick ---
with open(ppm_path, 'rb') as f:
    data = f.read()
fields = []
pos = 0
while len(fields) < 4:
    while data[pos:pos + 1].isspace():
        pos += 1
    if data[pos:pos + 1] == b'#':
        while data[pos:pos + 1] not in (b'\n', b''):
            pos += 1
        continue
    start = pos
    while not data[pos:pos + 1].isspace():
        pos += 1
    fields.append(data[start:pos])
pos += 1
if fields[0] != b'P6' or int(fields[1]) != W or int(fields[2]) != 2 * H or int(fields[3]) != 255:
    sys.exit('make-art.sh: unexpected PPM header %r' % (fields,))
rgb = data[pos:pos + W * 2 * H * 3]
if len(rgb) != W * 2 * H * 3:
    sys.exit('make-art.sh: short PPM data')

pixels = [rgb[i:i + 3] for i in range(0, len(rgb), 3)]
colours = sorted(set(pixels))
if len(colours) > 256:
    sys.exit('make-art.sh: %d colours after reduction' % len(colours))
index = {c: i for i, c in enumerate(colours)}
idx = bytes(index[p] for p in pixels)
normal = bytearray(idx[:W * H])
lit = bytearray(idx[W * H:])

# Outside the six rectangles the lit picture must be the normal one.
inside = bytearray(W * H)
for x, y, w, h in rects:
    for yy in range(y, y + h):
        inside[yy * W + x:yy * W + x + w] = b'\1' * w
for i in range(W * H):
    if not inside[i]:
        lit[i] = normal[i]

table = b''.join(bytes((c[2], c[1], c[0], 0)) for c in colours)
table += b'\0' * (1024 - len(table))

def write_bmp(name, pix):
    off = 14 + 40 + 1024
    size_image = W * H          # 480 bytes per row, already a multiple of 4
    head = struct.pack('<2sIHHI', b'BM', off + size_image, 0, 0, off)
    info = struct.pack('<IiiHHIIiiII', 40, W, H, 1, 8, 0, size_image,
                       2835, 2835, 256, 0)
    rows = b''.join(bytes(pix[y * W:(y + 1) * W]) for y in range(H - 1, -1, -1))
    with open(outdir + '/' + name, 'wb') as f:
        f.write(head + info + table + rows)

write_bmp('background.bmp', normal)
write_bmp('highlight.bmp', lit)

# --- icon: a navy tile with an orange "T"; first 32x32 in 16 colours ---
# Palette index 0 is black; transparent pixels use it and are masked out.
pal = [
    (0x00, 0x00, 0x00),  # 0 black / transparent
    (0x06, 0x14, 0x2a),  # 1 deep navy (outline)
    (0x0e, 0x2c, 0x52),  # 2 navy (tile, lower)
    (0x14, 0x40, 0x6f),  # 3 navy (tile, upper)
    (0x2d, 0x5f, 0x96),  # 4 tile edge light
    (0x5f, 0xb3, 0xff),  # 5 sky accent
    (0xf0, 0x6a, 0x0a),  # 6 orange
    (0xff, 0xb3, 0x47),  # 7 light orange
    (0x9a, 0x3e, 0x02),  # 8 dark orange (shadow)
    (0xe2, 0xeb, 0xf5),  # 9 near white
    (0x9f, 0xc0, 0xe4),  # 10 pale blue
    (0x1c, 0x4e, 0x85),  # 11 mid navy
    (0x03, 0x0a, 0x16),  # 12 shadow
    (0xff, 0xd8, 0x99),  # 13 orange sheen
    (0x7f, 0x9f, 0xc6),  # 14 silver blue
    (0xff, 0xff, 0xff),  # 15 white
]
S = 32
icon = [[0] * S for _ in range(S)]
mask = [[1] * S for _ in range(S)]   # 1 = see-through

def in_round_rect(x, y, x0, y0, x1, y1, r):
    # Pixel (x, y) lies inside the rectangle x0..x1, y0..y1 with corner radius r.
    if x < x0 or x > x1 or y < y0 or y > y1:
        return False
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r + 0.5

for y in range(S):
    for x in range(S):
        if in_round_rect(x, y, 1, 1, 30, 30, 6):
            mask[y][x] = 0
            if not in_round_rect(x, y, 2, 2, 29, 29, 5):
                icon[y][x] = 1            # outline
            elif not in_round_rect(x, y, 3, 3, 28, 28, 4):
                icon[y][x] = 4 if y < 16 else 11   # bevel
            else:
                icon[y][x] = 3 if y < 16 else 2

def fill(x0, y0, x1, y1, c):
    for yy in range(y0, y1 + 1):
        for xx in range(x0, x1 + 1):
            icon[yy][xx] = c

# The letter: shadow first, then the body, then a light top edge.
fill(8, 8, 25, 12, 12)
fill(15, 8, 19, 27, 12)
fill(7, 7, 24, 11, 6)
fill(14, 7, 18, 26, 6)
fill(7, 7, 24, 7, 13)
fill(14, 8, 14, 26, 7)
fill(7, 8, 7, 11, 7)
fill(15, 12, 18, 12, 8)

xor = bytearray()
andm = bytearray()
for y in range(S - 1, -1, -1):
    row = icon[y]
    for x in range(0, S, 2):
        xor.append((row[x] << 4) | row[x + 1])
    bits = 0
    for x in range(S):
        bits = (bits << 1) | mask[y][x]
    andm += struct.pack('>I', bits)

ipal = b''.join(bytes((b, g, r, 0)) for r, g, b in pal)
info = struct.pack('<IiiHHIIiiII', 40, S, 2 * S, 1, 4, 0,
                   len(xor) + len(andm), 0, 0, 16, 0)
image = info + ipal + bytes(xor) + bytes(andm)

# --- the same tile, drawn from its shapes at each size Windows shows, 32-bit with alpha ---
# Coordinates are those of the 32-pixel grid above, a pixel's centre at whole numbers; each pixel
# of a larger or smaller tile is the mean of 4 x 4 samples of the shapes, so edges are smooth.
import zlib

LETTER = [(8, 8, 25, 12, 12), (15, 8, 19, 27, 12), (7, 7, 24, 11, 6), (14, 7, 18, 26, 6),
          (7, 7, 24, 7, 13), (14, 8, 14, 26, 7), (7, 8, 7, 11, 7), (15, 12, 18, 12, 8)]

def shape_colour(u, v):
    if not in_round_rect(u, v, 1, 1, 30, 30, 6):
        return None
    if not in_round_rect(u, v, 2, 2, 29, 29, 5):
        c = 1
    elif not in_round_rect(u, v, 3, 3, 28, 28, 4):
        c = 4 if v < 15.5 else 11
    else:
        c = 3 if v < 15.5 else 2
    for x0, y0, x1, y1, colour in LETTER:
        if x0 - 0.5 <= u < x1 + 0.5 and y0 - 0.5 <= v < y1 + 0.5:
            c = colour
    return pal[c]

def tile(side, samples=4):
    pixels = []  # rows top first, (r, g, b, a)
    for y in range(side):
        row = []
        for x in range(side):
            r = g = b = n = 0
            for j in range(samples):
                for i in range(samples):
                    u = (x + (i + 0.5) / samples) * 32 / side - 0.5
                    v = (y + (j + 0.5) / samples) * 32 / side - 0.5
                    colour = shape_colour(u, v)
                    if colour:
                        r, g, b, n = r + colour[0], g + colour[1], b + colour[2], n + 1
            if n == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((round(r / n), round(g / n), round(b / n), round(255 * n / samples ** 2)))
        pixels.append(row)
    return pixels

def bitmap_image(side, pixels):
    colour = bytearray()
    mask = bytearray()
    mask_row = (side + 31) // 32 * 4
    for y in range(side - 1, -1, -1):
        bits = bytearray(mask_row)
        for x, (r, g, b, a) in enumerate(pixels[y]):
            colour += bytes((b, g, r, a))
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack('<IiiHHIIiiII', 40, side, 2 * side, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    return header + bytes(colour) + bytes(mask)

def png_image(side, pixels):
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
    raw = b''.join(b'\0' + bytes(c for p in row for c in p) for row in pixels)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', side, side, 8, 6, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))

# The 16-colour picture first, the one the Linux program's window shows; then the 32-bit ones,
# which Windows prefers: 16 and 32 as bitmaps, which every reader of icons takes, the others as PNG
# (Windows Vista and later), a fraction of the size, so that the program stays small.
entries = [(S, 16, 4, image)]
for side in (16, 24, 32, 48, 64, 256):
    pixels = tile(side)
    entries.append((side, 0, 32, bitmap_image(side, pixels) if side in (16, 32) else png_image(side, pixels)))
icondir = struct.pack('<HHH', 0, 1, len(entries))
offset = 6 + 16 * len(entries)
directory = b''
for side, colours, bits, data in entries:
    directory += struct.pack('<BBBBHHII', side % 256, side % 256, colours, 0, 1, bits, len(data), offset)
    offset += len(data)
with open(outdir + '/tarvelin.ico', 'wb') as f:
    f.write(icondir + directory + b''.join(data for _, _, _, data in entries))
PY

echo "make-art.sh: wrote background.bmp, highlight.bmp and tarvelin.ico in $here"
