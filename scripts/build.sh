#!/usr/bin/env bash
# Configures and builds one build tree: scripts/build.sh ARCH DIR [cmake options...]
# ARCH is i686 (the PE32 product) or x86_64.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/arch.sh"
ARCH="$1"; BUILD="$2"; shift 2
# Ninja where the set-up installed it: it starts the next compile sooner than make (a tenth of a
# whole build). A tree made by the other generator is configured again from scratch.
GENERATOR="$(dw_generator)"
if [ -f "$BUILD/CMakeCache.txt" ] && ! grep -qx "CMAKE_GENERATOR:INTERNAL=$GENERATOR" "$BUILD/CMakeCache.txt"; then
  rm -rf "$BUILD/CMakeCache.txt" "$BUILD/CMakeFiles"
fi
cmake -G "$GENERATOR" -S "$DW_ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$(dw_toolchain "$ARCH")" \
  -DDUSTWHIRL_DEPS_PREFIX="$(dw_deps_prefix "$ARCH")" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
# DW_BUILD_TARGET builds one target (and what it needs) instead of the whole tree.
cmake --build "$BUILD" -j"$(nproc)" ${DW_BUILD_TARGET:+--target "$DW_BUILD_TARGET"}
