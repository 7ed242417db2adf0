#!/usr/bin/env bash
# The whole test suite: set-up, build with the loopback maker server, and every test under
# Wine in a private Xvfb. Extra arguments go to ctest (for example -R skin).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"

bash scripts/setup.sh
BUILD="${DW_BUILD_DIR:-$ROOT/build/test}"
# Port 28017 on the loopback address is where the tests' own HTTP server listens.
bash scripts/build.sh "$BUILD" -DDUSTWHIRL_MAKER_SERVER=http://127.0.0.1:28017 \
  -DDUSTWHIRL_SECOND_MAKER_SITE=http://127.0.0.2:28018

. scripts/wine-env.sh
trap dw_stop EXIT
dw_start_display
dw_prepare_prefix "${DW_WINEPREFIX:-$ROOT/build/wineprefix-test}"

cd "$BUILD"
ctest --output-on-failure "$@"
