#!/usr/bin/env bash
# Regenerates the skin's artwork from its editable sources in res/art/skin:
#   res/png/*.png   the PNG resources 130-145 (SVG -> rsvg-convert -> scripts/make_skin/skinpng)
#   res/link.cur    the link cursor, cursor group 146 (text picture -> scripts/make_skin/cursor.py)
# The results are committed, so an ordinary build never runs this. Needs rsvg-convert
# (librsvg2-bin), a host C compiler with libpng (libpng-dev), python3 and the fonts named in
# the SVGs (fonts-ipafont-gothic, fonts-dejavu-core).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
ART="$ROOT/res/art/skin"
OUT="$ROOT/res/png"
TMP="$(mktemp -d)"
trap 'rm -rf "$TMP"' EXIT

for tool in rsvg-convert cc python3; do
  command -v "$tool" >/dev/null || { echo "make_skin: $tool is missing" >&2; exit 1; }
done
cc -O2 -Wall -o "$TMP/skinpng" "$ROOT/scripts/make_skin/skinpng.c" -lpng
mkdir -p "$OUT"

# layer NAME STYLESHEET SVG: renders one source with one state's stylesheet.
layer() {
  local png="$TMP/$1.png"
  if [ -n "$2" ]; then rsvg-convert -s "$ART/$2" "$ART/$3" -o "$png"; else rsvg-convert "$ART/$3" -o "$png"; fi
  echo "$png"
}

# The background; the buttons are laid over the colours they sit on (matte), so the softened
# corners of the large faces blend into the window's body.
"$TMP/skinpng" "$OUT/background.png" 510 310 333333 "Dustwhirl window background" "$(layer bg "" background.svg)"

for face in cache cookie cache-cookie; do
  for state in normal hover pressed; do
    frame="$(layer "frame-$state" "state-$state.css" frame-large.svg)"
    picture="$(layer "$face-$state" "state-$state.css" "$face.svg")"
    "$TMP/skinpng" "$OUT/$face-$state.png" 158 158 eeeeee "Dustwhirl $face button, $state" "$frame" "$picture"
  done
done

for button in help:56 exit:48; do
  name="${button%%:*}"
  width="${button##*:}"
  for state in normal hover pressed; do
    "$TMP/skinpng" "$OUT/$name-$state.png" "$width" 35 333333 "Dustwhirl $name button, $state" \
      "$(layer "$name-$state" "title-$state.css" "$name.svg")"
  done
done

python3 "$ROOT/scripts/make_skin/cursor.py" "$ART/link-cursor.txt" "$ROOT/res/link.cur" 14 7
echo "make_skin: wrote $(ls "$OUT"/*.png | wc -l) images to res/png and res/link.cur"
