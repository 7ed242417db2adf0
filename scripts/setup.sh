#!/usr/bin/env bash
# One-time machine set-up for building and testing Dustwhirl on Debian 12.
# Idempotent: every step checks whether its result is already there.
# Needs root (apt-get). Everything that is built lands under build/deps.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
DEPS="${DUSTWHIRL_DEPS:-$ROOT/build/deps}"
PREFIX="$DEPS/prefix"
mkdir -p "$DEPS"

log() { printf '[setup] %s\n' "$*"; }

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi

PACKAGES=(
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  mingw-w64-i686-dev libz-mingw-w64-dev
  cmake make dpkg-dev xz-utils file
  wine wine32:i386
  xvfb xdotool x11-utils openbox imagemagick librsvg2-bin
  locales fonts-ipafont-gothic fonts-ipafont-mincho fonts-wine
  googletest python3 libpng-dev gcc
)

missing=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  log "adding the i386 architecture"
  $SUDO dpkg --add-architecture i386
  NEED_UPDATE=1
fi
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  log "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine derives its ANSI code page from the Unix locale: ja_JP.UTF-8 gives code page 932.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  log "generating the ja_JP.UTF-8 locale"
  if ! grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  fi
  $SUDO locale-gen >/dev/null
fi

TOOLCHAIN="$ROOT/cmake/mingw-i686.cmake"

# libpng 1.6 from Debian's own source package, cross-built into the prefix.
if [ ! -f "$PREFIX/lib/libpng16.a" ]; then
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
  apt-get "${APTOPTS[@]}" update -qq
  (cd "$SRCDIR/dl" && rm -rf libpng* && apt-get "${APTOPTS[@]}" source -qq --download-only libpng1.6/bookworm)
  rm -rf "$DEPS/libpng-src"
  (cd "$SRCDIR/dl" && dpkg-source -x --no-check libpng1.6_*.dsc "$DEPS/libpng-src" >/dev/null)
  log "cross-building libpng"
  cmake -S "$DEPS/libpng-src" -B "$DEPS/libpng-build" -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DPNG_TOOLS=OFF \
    -DZLIB_LIBRARY=/usr/i686-w64-mingw32/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/i686-w64-mingw32/include \
    -DSKIP_INSTALL_PROGRAMS=ON -DSKIP_INSTALL_EXECUTABLES=ON >/dev/null
  cmake --build "$DEPS/libpng-build" -j"$(nproc)" >/dev/null
  cmake --install "$DEPS/libpng-build" >/dev/null
fi

# GoogleTest from Debian's googletest sources, cross-built into the prefix.
if [ ! -f "$PREFIX/lib/libgtest.a" ]; then
  log "cross-building GoogleTest"
  cmake -S /usr/src/googletest -B "$DEPS/gtest-build" -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" -DBUILD_GMOCK=OFF \
    -Dgtest_disable_pthreads=OFF >/dev/null
  cmake --build "$DEPS/gtest-build" -j"$(nproc)" >/dev/null
  cmake --install "$DEPS/gtest-build" >/dev/null
fi

log "ready (dependencies in $PREFIX)"
