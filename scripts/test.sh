#!/usr/bin/env bash
# The whole test suite: set-up, then for every architecture this host executes (i686 and x86_64
# where 32-bit code and the 32-bit Wine run, x86_64 alone elsewhere) a build with the loopback
# maker server and every test under Wine. Each test program runs in a Wine prefix, an Xvfb
# display and a loopback network of its own (scripts/wine-test.sh), so CTest runs several at
# once, and the architectures run side by side. Last, in a run of the whole suite, the package
# for users is built (while the tests run) and checked.
#   bash scripts/test.sh [-j N] [ctest arguments...]
# -j N runs N test programs at once (default: twice the number of cores, since the tests spend
# most of their time waiting for Wine and the X server); DW_ARCH=i686 or DW_ARCH=x86_64 runs one
# architecture only; other arguments go to ctest (for example -R skin).
. "$(dirname "${BASH_SOURCE[0]}")/preamble.sh"

JOBS=$(( $(nproc) * 2 ))
CTEST_ARGS=()
while [ $# -gt 0 ]; do
  case "$1" in
    -j|--parallel) JOBS="${2:?-j needs a number}"; shift 2 ;;
    -j*) JOBS="${1#-j}"; shift ;;
    *) CTEST_ARGS+=("$1"); shift ;;
  esac
done
case "$JOBS" in ''|*[!0-9]*|0) echo "-j takes a positive number (got '$JOBS')" >&2; exit 2 ;; esac

bash scripts/setup.sh --runnable
dw_check_arch_choice
ARCHES="$(dw_runnable_arches)"
SKIPPED="$(dw_skipped_arches)"
echo "[test] architectures to run: $ARCHES; $JOBS test programs at once"
[ -z "$SKIPPED" ] || echo "$SKIPPED" | sed 's/^/[test] /'

mkdir -p "$ROOT/build"
build_dir() { echo "${DW_BUILD_DIR:-$ROOT/build/test}-$1"; }
SUMMARY=()
FAILED=0
START_ALL=$(date +%s)
PREBUILT=""
# The tests' prepared Wine prefixes (a wineboot each, mostly waiting) are made while the build
# keeps the processor busy; the first tests would otherwise wait for them.
for ARCH in $ARCHES; do
  BUILD="$(build_dir "$ARCH")"
  mkdir -p "$BUILD"
  for CP in 932 1252; do
    bash scripts/wine-test.sh --prepare --name "prepare-$CP" --build "$BUILD" --arch "$ARCH" \
      $([ "$CP" = 932 ] || echo "--codepage $CP") >"$BUILD/prepare-$CP.log" 2>&1 &
  done
done
for ARCH in $ARCHES; do
  BUILD="$(build_dir "$ARCH")"
  echo "[test] $ARCH: building in $BUILD"
  START=$(date +%s)
  # Port 28017 on the loopback address is where the tests' own HTTP server listens.
  bash scripts/build.sh "$ARCH" "$BUILD" -DDUSTWHIRL_MAKER_SERVER=http://127.0.0.1:28017 \
    -DDUSTWHIRL_SECOND_MAKER_SITE=http://127.0.0.2:28018 >"$ROOT/build/test-build-$ARCH.log" 2>&1 ||
    { cat "$ROOT/build/test-build-$ARCH.log"; echo "[test] $ARCH: the build failed"; exit 1; }
  SUMMARY+=("$ARCH built in $(( $(date +%s) - START )) s")
  PREBUILT="$PREBUILT --prebuilt $ARCH=$BUILD"
done

# The package for users holds both architectures, whatever this host runs; it is built while
# the tests run, which leave the processor idle part of the time. A run restricted to some tests
# (ctest arguments) leaves it out.
PACKAGE_PID=""
if [ ${#CTEST_ARGS[@]} -eq 0 ]; then
  echo "[test] package: building beside the tests"
  PACKAGE_LOG="$ROOT/build/test-package.log"
  ( START=$(date +%s)
    OUT="$(DW_SETUP_PACKAGES_DONE=1 bash scripts/package.sh $PREBUILT)" && python3 tests/package/check_package.py "${OUT%%$'\n'*}" &&
      echo "passed in $(( $(date +%s) - START )) s" ) >"$PACKAGE_LOG" 2>&1 &
  PACKAGE_PID=$!
fi

# The architectures side by side, sharing the test programs that run at once.
set -- $ARCHES
PER_ARCH=$(( (JOBS + $# - 1) / $# ))
declare -A PIDS
for ARCH in $ARCHES; do
  BUILD="$(build_dir "$ARCH")"
  if [ $# -eq 1 ]; then
    (cd "$BUILD" && ctest --output-on-failure -j "$PER_ARCH" "${CTEST_ARGS[@]}") && PIDS[$ARCH]=0 || PIDS[$ARCH]=1
  else
    (cd "$BUILD" && ctest --output-on-failure -j "$PER_ARCH" "${CTEST_ARGS[@]}" >"$ROOT/build/test-$ARCH.log" 2>&1) &
    PIDS[$ARCH]=$!
  fi
done
for ARCH in $ARCHES; do
  RESULT=passed
  if [ $# -eq 1 ]; then
    [ "${PIDS[$ARCH]}" = 0 ] || RESULT=FAILED
  else
    wait "${PIDS[$ARCH]}" || RESULT=FAILED
    echo "[test] ---- $ARCH"
    cat "$ROOT/build/test-$ARCH.log"
  fi
  [ "$RESULT" = passed ] || FAILED=1
  SUMMARY+=("$ARCH tests $RESULT")
done
SUMMARY+=("tests of every architecture done $(( $(date +%s) - START_ALL )) s after the start of the first build")

if [ -n "$PACKAGE_PID" ]; then
  if wait "$PACKAGE_PID"; then
    SUMMARY+=("package $(tail -n 1 "$PACKAGE_LOG")")
  else
    cat "$PACKAGE_LOG"
    SUMMARY+=("package FAILED"); FAILED=1
  fi
fi

echo "[test] ---- summary"
for line in "${SUMMARY[@]}"; do echo "[test] $line"; done
[ -z "$SKIPPED" ] || echo "$SKIPPED" | sed 's/^/[test] /'
exit "$FAILED"
