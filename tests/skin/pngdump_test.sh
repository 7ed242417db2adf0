#!/usr/bin/env bash
# pngdump under Wine: its .bmp shows the same pixels as ImageMagick's decoding of the PNG, and
# a refused or broken file gives a message and a non-zero exit status.
#   pngdump_test.sh PNGDUMP.exe FIXTURE_DIR
set -euo pipefail
TOOL="$1"
FIX="$2"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

for name in im-rgb im-palette im-rgb-interlaced; do
  wine "$TOOL" "$FIX/$name.png" "$WORK/$name.bmp" || fail "pngdump $name"
  convert "$WORK/$name.bmp" -depth 8 "rgb:$WORK/$name.rgb"
  cmp -s "$WORK/$name.rgb" "$FIX/$name.ref" || fail "$name: the .bmp differs from ImageMagick's decoding"
done

convert -size 4x4 xc:red -alpha set PNG32:"$WORK/rgba.png"
if wine "$TOOL" "$WORK/rgba.png" "$WORK/rgba.bmp" 2>"$WORK/err"; then fail "an RGBA file was accepted"; fi
grep -q 'このPNGの画像フォーマットには未対応です。' "$WORK/err" || fail "no decoder message: $(cat "$WORK/err")"
[ ! -e "$WORK/rgba.bmp" ] || fail "a .bmp was written for a refused file"

head -c 100 "$FIX/im-rgb.png" >"$WORK/short.png"
if wine "$TOOL" "$WORK/short.png" "$WORK/short.bmp" 2>"$WORK/err"; then fail "a truncated file was accepted"; fi
[ -s "$WORK/err" ] || fail "no message for a truncated file"
echo "pngdump: OK"
