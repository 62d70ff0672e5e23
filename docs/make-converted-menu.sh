#!/usr/bin/env bash
# Makes docs/converted-menu.png, the README's picture of a converted menu: a photo-like picture
# drawn here stands for an author's background, tarvelin-art converts it with a drawn highlight,
# and its preview (the menu at rest above the menu highlighted) is the picture. Prints the colour
# error the tool reports.
#   docs/make-converted-menu.sh TARVELIN_ART
set -euo pipefail
tool=$1
docs=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
labels=("Read the guide" "Install the web browser" "Install the web server" "Install the developer kit"
        "Install the server")
text=(-font "$font" -fill white -pointsize 26 -annotate +60+60 "My Product 2.0" -pointsize 16)
for i in "${!labels[@]}"; do text+=(-annotate "+70+$((93 + 39 * i + 17))" "${labels[$i]}"); done
text+=(-annotate +410+335 "Exit")
convert -size 480x360 -seed 11 plasma:'#2a4d69'-'#0b1a2e' -blur 0x2 \
  \( -size 480x360 gradient:'#00000000'-'#e08040a0' \) -composite -attenuate 0.2 +noise Gaussian \
  "${text[@]}" -depth 8 "$work/my-background.png"
"$tool" convert --out "$work" --preview "$work/preview.png" "$work/my-background.png"
convert "$work/preview.png" -define png:compression-level=9 PNG8:"$docs/converted-menu.png"  # 256 colours hold it whole
