#!/usr/bin/env bash
# Configures and builds one build tree: scripts/build.sh ARCH DIR [cmake options...]
# ARCH is i686 (the PE32 product) or x86_64. The one place a build tree is configured: the
# tests, the demonstration, the package and the benchmarks all build through it.
# DW_BUILD_TARGET="T..." builds those targets (and what they need) instead of the whole tree.
ARCH="${1:?usage: scripts/build.sh ARCH DIR [cmake options...]}"
BUILD="$(realpath -m "${2:?usage: scripts/build.sh ARCH DIR [cmake options...]}")"
shift 2
. "$(dirname "${BASH_SOURCE[0]}")/preamble.sh"
# Ninja where the set-up installed it: it starts the next compile sooner than make (a tenth of a
# whole build). A tree made by the other generator is configured again from scratch.
GENERATOR="$(dw_generator)"
if [ -f "$BUILD/CMakeCache.txt" ] && ! grep -qx "CMAKE_GENERATOR:INTERNAL=$GENERATOR" "$BUILD/CMakeCache.txt"; then
  rm -rf "$BUILD/CMakeCache.txt" "$BUILD/CMakeFiles"
fi
cmake -G "$GENERATOR" -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$(dw_toolchain "$ARCH")" \
  -DDUSTWHIRL_DEPS_PREFIX="$(dw_deps_prefix "$ARCH")" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
read -r -a TARGETS <<<"${DW_BUILD_TARGET:-}"
cmake --build "$BUILD" -j"$(nproc)" ${TARGETS[@]+--target "${TARGETS[@]}"}
