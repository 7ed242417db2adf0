#!/usr/bin/env bash
# Builds Dustwhirl and runs it under Wine with a demonstration URL cache: sample pages, images,
# cookies and history entries, so that a button press really deletes something, and the maker's
# site (site/: the ad list and the help pages) served on 127.0.0.1. Afterwards it prints what was
# deleted and what was kept.
#
# With $DISPLAY set, the window opens there for you to use. Without a display, the program runs
# in a private Xvfb through one cookie cleaning at 100 % and one at 150 % display scale (144 DPI),
# and the screenshots of each step are saved under build/screenshots/100 and build/screenshots/150.
#
# It shows the PE32 (i686) where this host executes 32-bit code and the x86_64 build otherwise;
# DW_ARCH chooses one of the two.
. "$(dirname "${BASH_SOURCE[0]}")/preamble.sh"

bash scripts/setup.sh --runnable
ARCH="$(dw_shown_arch)"
if [ "$ARCH" = i686 ]; then
  echo "Showing the 32-bit Dustwhirl.exe (PE32, i686)."
else
  echo "Showing the 64-bit Dustwhirl.exe (PE32+, x86_64): $(dw_skipped_arches | grep '^i686' | sed 's/^i686 skipped: //')."
fi
BUILD="$ROOT/build/demo-$ARCH"
bash scripts/build.sh "$ARCH" "$BUILD" -DDUSTWHIRL_BUILD_TESTS=OFF \
  -DDUSTWHIRL_MAKER_SERVER=http://127.0.0.1:28017 >/dev/null
EXE="$BUILD/Dustwhirl.exe"
DEMO="$BUILD/dw_demo.exe"

. scripts/wine-env.sh
dw_use_arch "$ARCH"
SERVER_PID=""
cleanup() {
  if [ -n "$SERVER_PID" ]; then kill "$SERVER_PID" 2>/dev/null || true; fi
  dw_stop
}
trap cleanup EXIT
# The person's own display, where there is one.
SHOW_ON_DISPLAY=0
if [ -n "${DISPLAY:-}" ]; then SHOW_ON_DISPLAY=1; else dw_start_display; fi
# A fresh demonstration prefix each time, so that every run has something to delete.
rm -f "$ROOT/build/wineprefix-demo-$ARCH/.dustwhirl-ready"
dw_prepare_prefix "$ROOT/build/wineprefix-demo-$ARCH"

python3 -m http.server 28017 --bind 127.0.0.1 --directory "$ROOT/site" >/dev/null 2>&1 &
SERVER_PID=$!

SEEDED='C:\dustwhirl-demo-entries.txt'

if [ "$SHOW_ON_DISPLAY" = 1 ]; then
  wine "$DEMO" seed "$SEEDED"
  echo "Dustwhirl is open on $DISPLAY: press a button to clean, or close it with exit or Esc."
  wine "$EXE" || true
else
  SHOTS="$ROOT/build/screenshots"
  rm -rf "$SHOTS"
  echo "No display: running one cookie cleaning at 100 % and one at 150 % in a private Xvfb."
  for scale in 100:96 150:144; do
    PERCENT="${scale%%:*}"; DPI="${scale##*:}"
    dw_set_dpi "$DPI"
    wine "$DEMO" seed "$SEEDED"
    mkdir -p "$SHOTS/$PERCENT"
    wine "$DEMO" tour "$EXE" "$(winepath -w "$SHOTS/$PERCENT")" || true
    # The window and a margin of 25 pixels (at 100 %), centred on the 1024 x 768 screen.
    W=$((560 * DPI / 96)); H=$((360 * DPI / 96))
    for bmp in "$SHOTS/$PERCENT"/*.bmp; do
      [ -f "$bmp" ] || continue
      convert "$bmp" -crop "${W}x${H}+$(((1024 - W) / 2))+$(((768 - H) / 2))" +repage "${bmp%.bmp}.png" && rm -f "$bmp"
    done
  done
  echo "Screenshots of each step: $SHOTS/100 and $SHOTS/150"
fi
wine "$DEMO" report "$SEEDED"
