#!/usr/bin/env bash
# A header included by a resource script, changed in an existing build tree, compiles the script
# again: with Ninja (through windres's dependency file) and with make (its own scan), each in a
# small project of its own so that the tree under test is never rebuilt behind CTest's back.
#   check_rc_depends.sh ARCH
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
. "$ROOT/scripts/arch.sh"
ARCH="${1:?check_rc_depends.sh ARCH}"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
FAILURES=0

mkdir -p "$WORK/src/ids"
cat >"$WORK/src/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.20)
project(rcdeps LANGUAGES C RC)
include("$ROOT/cmake/windres-depfile.cmake")
add_library(res OBJECT res.rc)
target_include_directories(res PRIVATE ids)
CMAKE
printf '#include "Ids.h"\nSTRINGTABLE\nBEGIN\n  IDS_ONE "one"\nEND\n' >"$WORK/src/res.rc"

# compiles BUILD_TREE: true when the build compiled the resource script.
compiles() { cmake --build "$1" 2>&1 | grep -c 'RC object' >/dev/null; }
GENERATORS=("Unix Makefiles")
command -v ninja >/dev/null 2>&1 && GENERATORS+=(Ninja)
for GEN in "${GENERATORS[@]}"; do
  TREE="$WORK/build-${GEN// /-}"
  printf '#define IDS_ONE 1\n' >"$WORK/src/ids/Ids.h"
  cmake -G "$GEN" -S "$WORK/src" -B "$TREE" -DCMAKE_TOOLCHAIN_FILE="$(dw_toolchain "$ARCH")" >/dev/null &&
    compiles "$TREE" || { echo "FAIL $GEN: the first build"; FAILURES=$((FAILURES + 1)); continue; }
  if compiles "$TREE"; then echo "FAIL $GEN: an unchanged tree compiled the script"; FAILURES=$((FAILURES + 1)); fi
  # The header as an edit leaves it: another value, and a time later than the object's.
  sleep 1
  printf '#define IDS_ONE 2\n' >"$WORK/src/ids/Ids.h"
  if compiles "$TREE"; then echo "ok   $GEN: the changed header compiled the script again"
  else echo "FAIL $GEN: the changed header left the old script in place"; FAILURES=$((FAILURES + 1)); fi
done
exit "$FAILURES"
