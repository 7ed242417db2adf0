#!/usr/bin/env bash
# Benchmark of closing during an ad download: bench/ad_close_bench.sh [ROUNDS]  (default 5)
# Builds the program and the driver in their own tree, starts the tests' HTTP server as the
# maker's server, runs under Wine in a private Xvfb, prints figures.
# DW_BENCH_EXE=PATH measures another build of Dustwhirl.exe (one made with the same server).
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
cmake --build "$BUILD" --target Dustwhirl ad_close_bench -j"$(nproc)" >/dev/null

. scripts/wine-env.sh
dw_use_arch "$ARCH"
STATE="$BUILD/adserver-bench"
stop_all() {
  python3 tests/tools/adserver.py stop --state "$STATE" >/dev/null || true
  dw_stop
}
trap stop_all EXIT
python3 tests/tools/adserver.py start --port 28017 --state "$STATE" >/dev/null
dw_start_display
dw_prepare_prefix "${DW_WINEPREFIX:-$ROOT/build/wineprefix-bench}-$ARCH"
wine "$BUILD/bench/ad_close_bench.exe" "$(winepath -w "${DW_BENCH_EXE:-$BUILD/Dustwhirl.exe}")" "${1:-5}"
