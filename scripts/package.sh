#!/usr/bin/env bash
# Builds the package for users: dist/Dustwhirl-<version>.zip with the 32-bit Dustwhirl.exe, the
# 64-bit x64/Dustwhirl.exe (both stripped release builds) and a Japanese read-me for Windows.
#   bash scripts/package.sh [--maker-server URL] [--prebuilt ARCH=DIR]
# The maker's server (ad list and help pages) defaults to the build's own setting.
# --prebuilt ARCH=DIR takes ARCH's executable from DIR/package/Dustwhirl.exe, which a test build
# tree links from the objects its tests ran (scripts/test.sh), instead of building it again.
. "$(dirname "${BASH_SOURCE[0]}")/preamble.sh"

SERVER_OPT=()
declare -A PREBUILT
while [ $# -gt 0 ]; do
  case "$1" in
    --prebuilt) PREBUILT[${2%%=*}]="${2#*=}"; shift 2 ;;
    --maker-server) SERVER_OPT=(-DDUSTWHIRL_MAKER_SERVER="${2:?--maker-server needs a URL}"); shift 2 ;;
    --maker-server=*) SERVER_OPT=(-DDUSTWHIRL_MAKER_SERVER="${1#*=}"); shift ;;
    *) echo "usage: scripts/package.sh [--maker-server URL] [--prebuilt ARCH=DIR]" >&2; exit 2 ;;
  esac
done

if [ ${#SERVER_OPT[@]} -gt 0 ] && [ ${#PREBUILT[@]} -gt 0 ]; then
  echo "package.sh: a prebuilt executable has the real maker's server; --maker-server needs a build of its own" >&2
  exit 2
fi
TO_BUILD=()
for ARCH in $DW_ALL_ARCHES; do
  [ -n "${PREBUILT[$ARCH]:-}" ] || TO_BUILD+=("$ARCH")
done
# Only libpng: the package holds no test program.
[ ${#TO_BUILD[@]} -eq 0 ] || DW_SETUP_LIBRARIES=libpng bash scripts/setup.sh "${TO_BUILD[@]}" >/dev/null
VERSION="$(sed -n 's/^project(Dustwhirl .*VERSION \([0-9]*\.[0-9]*\).*/\1/p' CMakeLists.txt)"
STAGE="$ROOT/build/package"
ZIP="$ROOT/dist/Dustwhirl-$VERSION.zip"
rm -rf "$STAGE"
mkdir -p "$STAGE/x64" "$ROOT/dist"

for ARCH in $DW_ALL_ARCHES; do
  if [ -n "${PREBUILT[$ARCH]:-}" ]; then
    EXE="${PREBUILT[$ARCH]}/package/Dustwhirl.exe"
    [ -f "$EXE" ] || { echo "package.sh: no $EXE" >&2; exit 1; }
  else
    BUILD="$ROOT/build/release-$ARCH"
    # A fresh configure each time, so that a server given earlier does not stick in the cache.
    rm -f "$BUILD/CMakeCache.txt"
    DW_BUILD_TARGET=Dustwhirl bash scripts/build.sh "$ARCH" "$BUILD" -DDUSTWHIRL_BUILD_TESTS=OFF "${SERVER_OPT[@]}" >/dev/null
    EXE="$BUILD/Dustwhirl.exe"
  fi
  OUT="$STAGE/Dustwhirl.exe"
  [ "$ARCH" = x86_64 ] && OUT="$STAGE/x64/Dustwhirl.exe"
  "$ARCH-w64-mingw32-strip" -o "$OUT" "$EXE"
done

# Notepad on a Japanese Windows reads Shift_JIS (code page 932) with CRLF line ends.
iconv -f UTF-8 -t CP932 "$ROOT/docs/readme-ja.txt" | sed 's/$/\r/' >"$STAGE/readme.txt"

rm -f "$ZIP"
(cd "$STAGE" && TZ=UTC zip -q -X -r "$ZIP" Dustwhirl.exe x64/Dustwhirl.exe readme.txt)
echo "$ZIP"
(cd "$STAGE" && ls -l Dustwhirl.exe x64/Dustwhirl.exe readme.txt | awk '{printf "  %-20s %9d bytes\n", $NF, $5}')
