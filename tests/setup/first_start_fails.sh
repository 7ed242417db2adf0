#!/usr/bin/env bash
# Stands in for a test program whose first start fails: silently (scripts/wine-test.sh then
# starts it once more, and this second start passes) or, with --loud, after saying something
# (a real failure: it must not be started again, so the test fails).
marker="$(dirname "$WINEPREFIX")/started-once"
if [ ! -f "$marker" ]; then
  touch "$marker"
  [ "${1:-}" = --loud ] && echo "first start: failed after writing this"
  exit 1
fi
echo "second start"
