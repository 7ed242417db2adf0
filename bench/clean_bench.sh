#!/usr/bin/env bash
# Benchmark of a cleaning: bench/clean_bench.sh [ENTRIES...]  (default 3000 10000 50000)
# Builds the helper in its own tree and runs it under Wine in a private Xvfb; prints figures.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/bench-build.sh"
bench_build clean_bench
trap dw_stop EXIT
dw_start_display
PREFIX="${DW_WINEPREFIX:-$ROOT/build/wineprefix-bench}-$ARCH"
dw_prepare_prefix "$PREFIX"
# A fresh URL cache for every run: Wine's index files only grow with each seed-and-delete
# cycle, and walks over a grown index are slower, whatever the program does.
rm -rf "$PREFIX"/drive_c/users/*/AppData/Local/Microsoft/Windows/{INetCache,INetCookies,History}
bench_wine "$BUILD/bench/clean_bench.exe" "$@"
