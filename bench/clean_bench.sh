#!/usr/bin/env bash
# Benchmark of a cleaning: bench/clean_bench.sh [ENTRIES...]  (default 3000 10000 50000)
# Builds the helper in its own tree and runs it under Wine in a private Xvfb; prints figures.
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
cmake --build "$BUILD" --target clean_bench -j"$(nproc)" >/dev/null

. scripts/wine-env.sh
dw_use_arch "$ARCH"
trap dw_stop EXIT
dw_start_display
PREFIX="${DW_WINEPREFIX:-$ROOT/build/wineprefix-bench}-$ARCH"
dw_prepare_prefix "$PREFIX"
# A fresh URL cache for every run: Wine's index files only grow with each seed-and-delete
# cycle, and walks over a grown index are slower, whatever the program does.
rm -rf "$PREFIX"/drive_c/users/*/AppData/Local/Microsoft/Windows/{INetCache,INetCookies,History}
wine "$BUILD/bench/clean_bench.exe" "$@"
