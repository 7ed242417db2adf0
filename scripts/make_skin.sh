#!/usr/bin/env bash
# Regenerates the skin's artwork from its editable sources in res/art/skin:
#   res/png/*.png     the PNG resources 130-145 at 96 DPI (SVG -> rsvg-convert -> scripts/make_skin/skinpng)
#   res/png/2x/*.png  the same pictures rendered from the vectors at twice the size (192 DPI)
#   res/link.cur      the link cursor, cursor group 146 (text picture -> scripts/make_skin/cursor.py)
# The results are committed, so an ordinary build never runs this.
#   make_skin.sh --out DIR --zoom Z   renders only the PNGs, at zoom Z, into DIR (the tests'
#                                     reference pictures at the scales the program resamples to) Needs rsvg-convert
# (librsvg2-bin), a host C compiler with libpng (libpng-dev), python3 and the fonts named in
# the SVGs (fonts-ipafont-gothic, fonts-dejavu-core).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
ART="$ROOT/res/art/skin"
OUT=""
while [ $# -gt 0 ]; do
  case "$1" in
    --out) OUT="$2"; shift 2 ;;
    --zoom) ZOOM="$2"; shift 2 ;;
    *) echo "make_skin: unknown argument $1" >&2; exit 2 ;;
  esac
done
TMP="$(mktemp -d)"
trap 'rm -rf "$TMP"' EXIT

for tool in rsvg-convert cc python3; do
  command -v "$tool" >/dev/null || { echo "make_skin: $tool is missing" >&2; exit 1; }
done
cc -O2 -Wall -o "$TMP/skinpng" "$ROOT/scripts/make_skin/skinpng.c" -lpng

# layer NAME STYLESHEET SVG: renders one source with one state's stylesheet at $ZOOM.
layer() {
  local png="$TMP/$1.png"
  if [ -n "$2" ]; then rsvg-convert -z "$ZOOM" -s "$ART/$2" "$ART/$3" -o "$png"
  else rsvg-convert -z "$ZOOM" "$ART/$3" -o "$png"; fi
  echo "$png"
}

# px N: N pixels of the 96-DPI design at $ZOOM, rounded up as rsvg-convert sizes its canvas.
px() { awk -v n="$1" -v z="$ZOOM" 'BEGIN { v = n * z; r = int(v); if (r < v) r++; print r }'; }

# render DIR: every skin picture at $ZOOM into DIR.
render() {
  local dir="$1"
  mkdir -p "$dir"

  # The background; the buttons are laid over the colours they sit on (matte), so the softened
  # corners of the large faces blend into the window's body.
  "$TMP/skinpng" --dpi "$(px 96)" "$dir/background.png" "$(px 510)" "$(px 310)" 333333 "Dustwhirl window background" "$(layer bg "" background.svg)"

  for face in cache cookie cache-cookie; do
    for state in normal hover pressed; do
      frame="$(layer "frame-$state" "state-$state.css" frame-large.svg)"
      picture="$(layer "$face-$state" "state-$state.css" "$face.svg")"
      "$TMP/skinpng" --dpi "$(px 96)" "$dir/$face-$state.png" "$(px 158)" "$(px 158)" eeeeee "Dustwhirl $face button, $state" "$frame" "$picture"
    done
  done

  for button in help:56 exit:48; do
    name="${button%%:*}"
    width="${button##*:}"
    for state in normal hover pressed; do
      "$TMP/skinpng" --dpi "$(px 96)" "$dir/$name-$state.png" "$(px "$width")" "$(px 35)" 333333 "Dustwhirl $name button, $state" \
        "$(layer "$name-$state" "title-$state.css" "$name.svg")"
    done
  done
}

if [ -n "$OUT" ]; then
  ZOOM="${ZOOM:-1}" render "$OUT"
  exit 0
fi

ZOOM=1 render "$ROOT/res/png"
ZOOM=2 render "$ROOT/res/png/2x"
python3 "$ROOT/scripts/make_skin/cursor.py" "$ART/link-cursor.txt" "$ROOT/res/link.cur" 14 7
echo "make_skin: wrote $(ls "$ROOT"/res/png/*.png "$ROOT"/res/png/2x/*.png | wc -l) images to res/png, res/png/2x and res/link.cur"
