#!/usr/bin/env bash
# Regenerates box-font.bin next to this script: the letters the Linux program's message box draws
# its text with, DejaVu Sans at 9 points and 96 dots per inch (12 pixels an em), anti-aliased.
# It holds printable ASCII, Latin-1 (U+00A0..U+00FF), Latin Extended-A (U+0100..U+017F) and
# U+FFFD, which the box shows for every other character.
#
# Layout, little-endian:
#   "TVF1", u16 line height, u16 baseline, u16 glyph count,
#   per glyph in rising code point order: u32 code point, u16 advance width,
#   then the glyphs side by side, each as wide as its advance: line height rows of one coverage
#   byte a pixel (0 = background, 255 = ink), all glyphs' first rows first.
#
# Needs ImageMagick 6 (Debian package imagemagick), the DejaVu fonts (fonts-dejavu-core) and
# python3. Output is byte-for-byte repeatable.
#
# Usage: bash art/make-box-font.sh   (from any directory)
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
IM=/usr/bin/convert
FONT=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
for f in "$IM" "$FONT"; do
  [ -e "$f" ] || { echo "make-box-font.sh: missing $f (install imagemagick and fonts-dejavu-core)" >&2; exit 1; }
done
export MAGICK_THREAD_LIMIT=1 LC_ALL=C.UTF-8

python3 - "$IM" "$FONT" "$here/box-font.bin" <<'EOF'
import re, struct, subprocess, sys

im, font, out = sys.argv[1:4]
HEIGHT, BASELINE = 15, 12
code_points = list(range(0x20, 0x7F)) + list(range(0xA0, 0x180)) + [0xFFFD]

def render(cp):
    text = chr(cp).replace('\\', '\\\\').replace('%', '%%')
    if text.startswith('@'):
        text = '\\' + text
    width = 40
    run = subprocess.run(
        [im, '-debug', 'annotate', '-size', f'{width}x{HEIGHT}', 'xc:black', '-font', font, '-density', '96',
         '-pointsize', '9', '-fill', 'white', '-annotate', f'+0+{BASELINE}', text, '-depth', '8', 'gray:-'],
        capture_output=True, check=True)
    origins = re.findall(rb'origin: (-?[0-9.]+),', run.stderr)
    advance = round(float(origins[-1])) if origins else 0
    if cp == 0x20 or cp == 0xA0:
        advance = max(advance, 4)
    advance = max(1, min(advance, width))
    rows = [run.stdout[y * width:y * width + advance] for y in range(HEIGHT)]
    return advance, rows

glyphs = [(cp,) + render(cp) for cp in code_points]
data = bytearray(b'TVF1' + struct.pack('<HHH', HEIGHT, BASELINE, len(glyphs)))
for cp, advance, _ in glyphs:
    data += struct.pack('<IH', cp, advance)
for y in range(HEIGHT):
    for _, _, rows in glyphs:
        data += rows[y]
with open(out, 'wb') as f:
    f.write(data)
print(f'{out}: {len(glyphs)} glyphs, {len(data)} bytes')
EOF
