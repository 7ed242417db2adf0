#!/usr/bin/env bash
# The whole test suite: set-up, then for every architecture this host executes (i686 and x86_64
# where 32-bit code runs, x86_64 alone elsewhere) a build with the loopback maker server and every
# test under Wine in a private Xvfb. DW_ARCH=i686 or DW_ARCH=x86_64 runs one architecture only.
# Extra arguments go to ctest (for example -R skin). Last, in a run of the whole suite, the
# package for users is built and checked.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"

bash scripts/setup.sh
. scripts/arch.sh
dw_check_arch_choice
ARCHES="$(dw_runnable_arches)"
SKIPPED="$(dw_skipped_arches)"
echo "[test] architectures to run: $ARCHES"
[ -z "$SKIPPED" ] || echo "$SKIPPED" | sed 's/^/[test] /'

. scripts/wine-env.sh
trap dw_stop EXIT
dw_start_display

SUMMARY=()
FAILED=0
for ARCH in $ARCHES; do
  START=$(date +%s)
  BUILD="${DW_BUILD_DIR:-$ROOT/build/test}-$ARCH"
  echo "[test] $ARCH: building in $BUILD"
  # Port 28017 on the loopback address is where the tests' own HTTP server listens.
  bash scripts/build.sh "$ARCH" "$BUILD" -DDUSTWHIRL_MAKER_SERVER=http://127.0.0.1:28017 \
    -DDUSTWHIRL_SECOND_MAKER_SITE=http://127.0.0.2:28018
  dw_use_arch "$ARCH"
  dw_prepare_prefix "${DW_WINEPREFIX:-$ROOT/build/wineprefix-test}-$ARCH"
  dw_start_wine_server
  RESULT=passed
  (cd "$BUILD" && ctest --output-on-failure "$@") || { RESULT=FAILED; FAILED=1; }
  wineserver -k >/dev/null 2>&1 || true
  SUMMARY+=("$ARCH $RESULT in $(( $(date +%s) - START )) s")
done

# The package for users holds both architectures, whatever this host runs. A run restricted
# to some tests (ctest arguments) leaves it out.
if [ $# -eq 0 ]; then
  echo "[test] package: building and checking"
  START=$(date +%s)
  # The package script names the zip on its first line of output.
  if PACKAGE_OUT="$(bash scripts/package.sh)" && python3 tests/package/check_package.py "${PACKAGE_OUT%%$'\n'*}"; then
    SUMMARY+=("package passed in $(( $(date +%s) - START )) s")
  else
    SUMMARY+=("package FAILED"); FAILED=1
  fi
fi

echo "[test] ---- summary"
for line in "${SUMMARY[@]}"; do echo "[test] $line"; done
[ -z "$SKIPPED" ] || echo "$SKIPPED" | sed 's/^/[test] /'
exit "$FAILED"
