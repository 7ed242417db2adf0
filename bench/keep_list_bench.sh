#!/usr/bin/env bash
# Benchmark of the keep list's editor: bench/keep_list_bench.sh [COOKIES] [HOLD_MS]
# (default 10000 cookies). Builds the helper, runs it under Wine in a private Xvfb; prints figures.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/bench-build.sh"
bench_build keep_list_bench
trap dw_stop EXIT
dw_start_display
PREFIX="${DW_WINEPREFIX:-$ROOT/build/wineprefix-bench}-$ARCH"
dw_prepare_prefix "$PREFIX"
rm -rf "$PREFIX"/drive_c/users/*/AppData/Local/Microsoft/Windows/{INetCache,INetCookies,History}
wine "$BUILD/bench/keep_list_bench.exe" "$@"
