#!/usr/bin/env bash
# Benchmark of the keep list's editor: bench/keep_list_bench.sh [COOKIES] [HOLD_MS]
# (default 10000 cookies). Builds the helper, runs it under Wine in a private Xvfb; prints figures.
. "$(dirname "${BASH_SOURCE[0]}")/bench-build.sh"
bench_build keep_list_bench
trap dw_stop EXIT
dw_start_display
bench_prefix_with_empty_cache
bench_wine "$BUILD/bench/keep_list_bench.exe" "$@"
