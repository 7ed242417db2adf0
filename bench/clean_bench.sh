#!/usr/bin/env bash
# Benchmark of a cleaning: bench/clean_bench.sh [ENTRIES...]  (default 3000 10000 24000)
# Builds the helper in its own tree and runs it under Wine in a private Xvfb; prints figures.
. "$(dirname "${BASH_SOURCE[0]}")/bench-build.sh"
bench_build clean_bench
trap dw_stop EXIT
# A window manager, as on a desktop: without one Wine waits two seconds each time a shown window
# is hidden, the wait before the question among them.
dw_start_display --window-manager
bench_prefix_with_empty_cache
bench_wine "$BUILD/bench/clean_bench.exe" "$@"
