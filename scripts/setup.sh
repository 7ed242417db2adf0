#!/usr/bin/env bash
# One-time machine set-up for building and testing Dustwhirl on Debian 12:
#   bash scripts/setup.sh [--runnable | ARCH...]
# DW_SETUP_LIBRARIES=libpng leaves GoogleTest out (a build without tests).
# Idempotent: every step checks whether its result is already there.
# Needs root (apt-get). Everything that is built lands in the machine's $DW_DEPS (scripts/arch.sh),
# shared by every clone: a fresh clone finds the libraries already built.
. "$(dirname "${BASH_SOURCE[0]}")/preamble.sh"
DEPS="$DW_DEPS"
mkdir -p "$DEPS"

. "$(dirname "${BASH_SOURCE[0]}")/setup-packages.sh"
SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi

# DW_SETUP_PACKAGES_DONE=1: a caller that ran the set-up a moment ago asks for libraries only.
if [ "${DW_SETUP_PACKAGES_DONE:-0}" != 1 ]; then
  dw_install_packages
fi

# Wine derives its ANSI code page from the Unix locale: ja_JP.UTF-8 gives code page 932.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  log "generating the ja_JP.UTF-8 locale"
  if ! grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  fi
  $SUDO locale-gen >/dev/null
fi

# The libraries are built for the architectures named on the command line (default: all of
# them; --runnable: those this host runs, leaving the others to whatever needs them later, such
# as the package built beside the tests), each library and architecture at once.
BUILD_ARCHES="${*:-$DW_ALL_ARCHES}"
[ "$BUILD_ARCHES" = --runnable ] && BUILD_ARCHES="$(dw_runnable_arches)"
for ARCH in $BUILD_ARCHES; do
  case " $DW_ALL_ARCHES " in *" $ARCH "*) ;; *) echo "setup.sh: unknown architecture $ARCH" >&2; exit 2 ;; esac
done
# One set-up at a time builds into the prefixes.
exec 7>"$DEPS/setup.lock"
flock 7

# libpng 1.6 from Debian's own source package, cross-built into the prefix, and zlib from
# Debian's libz-mingw-w64-dev, both made for a small program:
# - libpng with every function in a section of its own, so that the link drops what the program
#   does not call, and configured (cmake/libpng-dustwhirl.dfa) so that its read side refers to
#   nothing of its write side; optimised for size, since it decodes a handful of small pictures.
# - for i686, neither with unwind tables: no C++ exception ever crosses a libpng or zlib frame,
#   and 32-bit longjmp only restores registers. On PE the linker keeps every function that an
#   unwind table mentions, so zlib's tables alone would keep its whole compressor in the program.
#   x86_64 keeps them: there longjmp unwinds frame by frame through the SEH tables, and
#   libpng reports every error by longjmp.
# The stamp holds this recipe, so that a prefix built another way is rebuilt.
png_recipe() {
  local cflags="-ffunction-sections -fdata-sections"
  [ "$1" = i686 ] && cflags="$cflags -fno-asynchronous-unwind-tables"
  echo "$cflags -Os $(cksum <"$ROOT/cmake/libpng-dustwhirl.dfa") $(compiler_version "$1")"
}
# The cross compiler that made a library: a prefix left by another version is made again.
compiler_version() { dpkg-query -W -f='${Version}' "gcc-mingw-w64-${1//_/-}-posix" 2>/dev/null || echo unknown; }
gtest_recipe() {
  echo "$(dpkg-query -W -f='${Version}' googletest 2>/dev/null) $(compiler_version "$1")"
}
gtest_stamp() { echo "$(dw_deps_prefix "$1")/lib/libgtest.dustwhirl-stamp"; }
gtest_current() { [ "$(cat "$(gtest_stamp "$1")" 2>/dev/null)" = "$(gtest_recipe "$1")" ]; }
png_stamp() { echo "$(dw_deps_prefix "$1")/lib/libpng16.dustwhirl-stamp"; }
png_current() { [ "$(cat "$(png_stamp "$1")" 2>/dev/null)" = "$(png_recipe "$1")" ]; }

build_libpng() {
  local ARCH="$1" PREFIX TRIPLET="$1-w64-mingw32" PNG_CFLAGS ZLIB_STRIP=()
  PREFIX="$(dw_deps_prefix "$ARCH")"
  PNG_CFLAGS="$(png_recipe "$ARCH")"
  PNG_CFLAGS="${PNG_CFLAGS% -Os *}"
  [ "$ARCH" = i686 ] && ZLIB_STRIP=(--remove-section=.eh_frame)
  mkdir -p "$PREFIX/lib"
  $TRIPLET-objcopy "${ZLIB_STRIP[@]}" "/usr/$TRIPLET/lib/libz.a" "$PREFIX/lib/libz.a"
  log "cross-building libpng for $ARCH"
  rm -rf "$DEPS/$ARCH/libpng-build"
  cmake -G "$(dw_generator)" -S "$DEPS/libpng-src" -B "$DEPS/$ARCH/libpng-build" -DCMAKE_TOOLCHAIN_FILE="$(dw_toolchain "$ARCH")" \
    -DCMAKE_C_FLAGS="$PNG_CFLAGS" \
    -DCMAKE_C_FLAGS_RELEASE="-Os -DNDEBUG" -DDFA_XTRA="$ROOT/cmake/libpng-dustwhirl.dfa" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DZLIB_LIBRARY=/usr/$TRIPLET/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/$TRIPLET/include \
    -DSKIP_INSTALL_PROGRAMS=ON -DSKIP_INSTALL_EXECUTABLES=ON >/dev/null
  cmake --build "$DEPS/$ARCH/libpng-build" -j"$(nproc)" >/dev/null
  cmake --install "$DEPS/$ARCH/libpng-build" >/dev/null
  png_recipe "$ARCH" >"$(png_stamp "$ARCH")"
}

# GoogleTest from Debian's googletest sources, cross-built into the prefix.
build_gtest() {
  local ARCH="$1" PREFIX
  PREFIX="$(dw_deps_prefix "$ARCH")"
  log "cross-building GoogleTest for $ARCH"
  rm -rf "$DEPS/$ARCH/gtest-build"
  cmake -G "$(dw_generator)" -S /usr/src/googletest -B "$DEPS/$ARCH/gtest-build" -DCMAKE_TOOLCHAIN_FILE="$(dw_toolchain "$ARCH")" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" -DBUILD_GMOCK=OFF \
    -Dgtest_disable_pthreads=OFF >/dev/null
  cmake --build "$DEPS/$ARCH/gtest-build" -j"$(nproc)" >/dev/null
  cmake --install "$DEPS/$ARCH/gtest-build" >/dev/null
  gtest_recipe "$ARCH" >"$(gtest_stamp "$ARCH")"
}

JOBS=()
for ARCH in $BUILD_ARCHES; do
  if ! png_current "$ARCH"; then
    if [ ! -d "$DEPS/libpng-src" ]; then
      log "fetching the libpng1.6 source package"
      SRCDIR="$DEPS/apt-src"
      mkdir -p "$SRCDIR/sources/lists/partial" "$SRCDIR/dl"
      # Our own deb-src list, derived from the machine's own sources; the system's lists stay untouched.
      rm -f "$SRCDIR/sources/"*.sources "$SRCDIR/sources/"*.list
      for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        sed -e 's/^Types:.*/Types: deb-src/' "$f" > "$SRCDIR/sources/$(basename "$f")"
      done
      if [ -f /etc/apt/sources.list ]; then
        grep -E '^deb ' /etc/apt/sources.list | sed -e 's/^deb /deb-src /' > "$SRCDIR/sources/main.list" || true
      fi
      APTOPTS=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$SRCDIR/sources"
               -o "Dir::State::Lists=$SRCDIR/sources/lists")
      # As with the binary lists, a source list that fails to refresh is not the end: the
      # download below says whether the one source package is at hand.
      apt-get "${APTOPTS[@]}" update -qq 2>&1 | grep -E '^(E|W): ' | sed 's/^/[setup]   /' || true
      (cd "$SRCDIR/dl" && rm -rf libpng* && apt-get "${APTOPTS[@]}" source -qq --download-only libpng1.6/bookworm)
      rm -rf "$DEPS/libpng-src"
      (cd "$SRCDIR/dl" && dpkg-source -x --no-check libpng1.6_*.dsc "$DEPS/libpng-src" >/dev/null)
    fi
    build_libpng "$ARCH" &
    JOBS+=($!)
  fi
  if [ "${DW_SETUP_LIBRARIES:-libpng googletest}" != libpng ] && ! gtest_current "$ARCH"; then
    build_gtest "$ARCH" &
    JOBS+=($!)
  fi
done
for job in "${JOBS[@]}"; do
  wait "$job" || { log "building the libraries failed" >&2; exit 1; }
done

log "ready (dependencies in $DEPS/{${BUILD_ARCHES// /,}}/prefix; runnable here: $(DW_ARCH= dw_runnable_arches))"
