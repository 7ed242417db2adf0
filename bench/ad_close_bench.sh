#!/usr/bin/env bash
# Benchmark of closing during an ad download: bench/ad_close_bench.sh [ROUNDS]  (default 5)
# Builds the program and the driver in their own tree, starts the tests' HTTP server as the
# maker's server, runs under Wine in a private Xvfb, prints figures.
# DW_BENCH_EXE=PATH measures another build of Dustwhirl.exe (one made with the same server).
. "$(dirname "${BASH_SOURCE[0]}")/bench-build.sh"
bench_build Dustwhirl ad_close_bench
STATE="$BUILD/adserver-bench"
stop_all() {
  python3 tests/tools/adserver.py stop --state "$STATE" >/dev/null || true
  dw_stop
}
trap stop_all EXIT
python3 tests/tools/adserver.py start --port 28017 --state "$STATE" >/dev/null
dw_start_display
dw_prepare_prefix "${DW_WINEPREFIX:-$ROOT/build/wineprefix-bench}-$ARCH"
bench_wine "$BUILD/bench/ad_close_bench.exe" "$(winepath -w "${DW_BENCH_EXE:-$BUILD/Dustwhirl.exe}")" "${1:-5}"
