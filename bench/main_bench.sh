#!/usr/bin/env bash
# Benchmark of the main window: start-up against a bare dialog program, hover repaint cost,
# executable size. Builds in its own tree, runs under Wine in a private Xvfb, prints figures.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
bash scripts/setup.sh >/dev/null
. scripts/arch.sh
dw_check_arch_choice
ARCH="$(dw_runnable_arches | cut -d' ' -f1)"
echo "architecture: $ARCH"
BUILD="${DW_BUILD_DIR:-$ROOT/build/bench}-$ARCH"
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$(dw_toolchain "$ARCH")" -DCMAKE_BUILD_TYPE=Release \
  -DDUSTWHIRL_DEPS_PREFIX="$(dw_deps_prefix "$ARCH")" \
  -DDUSTWHIRL_MAKER_SERVER=http://127.0.0.1:28017 -DDUSTWHIRL_SECOND_MAKER_SITE=http://127.0.0.2:28018 >/dev/null
cmake --build "$BUILD" --target Dustwhirl bare_dialog main_bench -j"$(nproc)" >/dev/null

. scripts/wine-env.sh
dw_use_arch "$ARCH"
trap dw_stop EXIT
dw_start_display
dw_prepare_prefix "${DW_WINEPREFIX:-$ROOT/build/wineprefix-bench}-$ARCH"
wine "$BUILD/bench/main_bench.exe" "$(winepath -w "$BUILD/Dustwhirl.exe")" \
  "$(winepath -w "$BUILD/bench/bare_dialog.exe")" "${1:-7}"
STRIPPED="$BUILD/Dustwhirl-stripped.exe"
"$ARCH-w64-mingw32-strip" -o "$STRIPPED" "$BUILD/Dustwhirl.exe"
echo "executable size: $(stat -c %s "$BUILD/Dustwhirl.exe") bytes as built, $(stat -c %s "$STRIPPED") bytes stripped (the PE32's limit: 524288)"
