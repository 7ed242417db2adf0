#!/usr/bin/env bash
# Test images for the PNG decoder, written by ImageMagick, with ImageMagick's own decoding of
# each one (raw RGB, 3 bytes a pixel, top row first) as the reference to compare against.
#   make_fixtures.sh OUTDIR SHIPPED_PNG_DIR
set -euo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
OUT="$1"
SHIPPED="$2"
mkdir -p "$OUT"
cd "$OUT"

# A 37 x 23 picture whose every pixel differs from its neighbours (odd width: padded rows).
python3 - <<'PY'
w, h = 37, 23
with open("source.rgb", "wb") as f:
    for y in range(h):
        for x in range(w):
            f.write(bytes([(x * 7 + y * 3) % 256, (y * 11 + 5) % 256, (x * x + y) % 256]))
PY
RAW=(-size 37x23 -depth 8 rgb:source.rgb)
convert "${RAW[@]}" -define png:color-type=2 PNG24:im-rgb.png
convert "${RAW[@]}" -define png:color-type=2 -interlace PNG PNG24:im-rgb-interlaced.png
convert "${RAW[@]}" -colors 40 -define png:color-type=3 PNG8:im-palette.png
convert "${RAW[@]}" -colors 12 -interlace PNG -define png:color-type=3 PNG8:im-palette-interlaced.png

for f in im-*.png; do convert "$f" -depth 8 "rgb:${f%.png}.ref"; done
# The shipped artwork as ImageMagick sees it.
for f in "$SHIPPED"/*.png; do
  name="$(basename "$f" .png)"
  convert "$f" -depth 8 "rgb:shipped-$name.ref"
done
# The skin drawn from its vectors at the scales the program resamples to, as references for
# the sharpness of what it draws there (tests of the skin and of the main window).
for dpi in 120 144 168; do
  bash "$HERE/../../scripts/make_skin.sh" --out "$OUT/dpi-$dpi" \
    --zoom "$(awk -v d="$dpi" 'BEGIN { print d / 96 }')"
done
touch stamp
