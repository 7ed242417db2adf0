#!/usr/bin/env bash
# Runs one Windows test program under Wine in an environment of its own, so that CTest can run
# many of them at once:
#   - a Wine prefix of its own, copied from the build tree's prepared prefix (made once, by the
#     first test that needs it; never a full wineboot per test) and kept only if the test fails;
#   - an Xvfb display of its own, with a window manager as on a desktop (without one, Wine waits
#     two seconds each time a shown window is hidden);
#   - a loopback network of its own (a network namespace), so that the maker's server that the
#     test build compiles in, 127.0.0.1:28017, is this test's own. Where the host allows no
#     namespace, the tests that need that server take turns instead.
# A program that fails before writing anything is started once more; one that has said anything
# fails the test at once.
#
# wine-test.sh --name NAME --build DIR --arch ARCH [--dpi N] [--codepage 1252] [--adserver]
#              [--bare-display] -- PROGRAM [ARGS...]
#   --dpi N          the prefix's system DPI (Windows' display scale: 96 is 100 %, 144 is 150 %)
#   --codepage 1252  a prefix made and run under LANG=C.UTF-8: a system whose ANSI code page is
#                    1252 (Windows set to English), instead of Japanese (932)
#   --adserver       the tests' maker server (tests/tools/adserver.py) listens on 127.0.0.1:28017
#   --bare-display   no window manager: Wine moves and sizes windows itself
# PROGRAM is a Windows program (run by wine) or, ending in .sh, a script run by bash inside the
# environment with wine at hand.
# wine-test.sh --prepare --build DIR --arch ARCH [--codepage 1252] only makes the prepared prefix,
# so that it can be made while the tests are still being built.
set -uo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ARGS=("$@")

NAME=""; BUILD=""; ARCH=""; DPI=""; CODEPAGE=""; ADSERVER=0; WM=--window-manager; PREPARE=0
while [ $# -gt 0 ]; do
  case "$1" in
    --name) NAME="$2"; shift 2 ;;
    --build) BUILD="$2"; shift 2 ;;
    --arch) ARCH="$2"; shift 2 ;;
    --dpi) DPI="$2"; shift 2 ;;
    --codepage) CODEPAGE="$2"; shift 2 ;;
    --adserver) ADSERVER=1; shift ;;
    --bare-display) WM=""; shift ;;
    --prepare) PREPARE=1; NAME="${NAME:-prepare}"; shift ;;
    --) shift; break ;;
    *) echo "wine-test.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
if [ -z "$NAME" ] || [ -z "$BUILD" ] || [ -z "$ARCH" ] || { [ $# -eq 0 ] && [ "$PREPARE" = 0 ]; }; then
  echo "usage: wine-test.sh --name NAME --build DIR --arch ARCH [--dpi N] [--codepage 1252] [--adserver] [--bare-display] -- PROGRAM [ARGS...]" >&2
  exit 2
fi
case "$CODEPAGE" in ""|932|1252) ;; *) echo "wine-test.sh: code page 932 or 1252, not $CODEPAGE" >&2; exit 2 ;; esac
case "$DPI" in ""|[0-9]|[0-9][0-9]|[0-9][0-9][0-9]) ;; *) echo "wine-test.sh: --dpi takes a number, not $DPI" >&2; exit 2 ;; esac

# First the network namespace: the rest of this script runs inside it.
if [ -z "${DW_TEST_NET:-}" ]; then
  if unshare -n true 2>/dev/null; then
    DW_TEST_NET=own exec unshare -n -- bash "${BASH_SOURCE[0]}" "${ARGS[@]}"
  elif unshare -rn true 2>/dev/null; then
    DW_TEST_NET=own exec unshare -rn -- bash "${BASH_SOURCE[0]}" "${ARGS[@]}"
  fi
  DW_TEST_NET=shared
fi
if [ "$DW_TEST_NET" = own ]; then
  ip link set lo up || { echo "wine-test.sh: no loopback in the test's network namespace" >&2; exit 1; }
fi

RUNS="$BUILD/test-runs"
RUN="$RUNS/$NAME"
rm -rf "$RUN"
mkdir -p "$RUN"

. "$HERE/wine-env.sh"
dw_use_arch "$ARCH"
if [ "$CODEPAGE" = 1252 ]; then
  export LANG=C.UTF-8 LC_ALL=C.UTF-8
fi

SERVER_PID=""
finish() {
  # The test's own server, with nothing to keep: ended at once.
  if [ -n "$SERVER_PID" ]; then kill -KILL "$SERVER_PID" 2>/dev/null; wait "$SERVER_PID" 2>/dev/null; fi
  dw_stop
}
trap finish EXIT

dw_start_display $WM || exit 1

# Without a namespace of its own, a test that needs the maker's server holds the one port for
# its whole run.
if [ "$ADSERVER" = 1 ]; then
  if [ "$DW_TEST_NET" = shared ]; then
    exec 9>"$RUNS/loopback.lock"
    flock 9
  fi
  python3 "$HERE/../tests/tools/adserver.py" serve --port 28017 >"$RUN/adserver.out" 2>"$RUN/adserver.log" &
  SERVER_PID=$!
  for _ in $(seq 1 200); do
    grep -q listening "$RUN/adserver.out" && break
    kill -0 "$SERVER_PID" 2>/dev/null || break
    sleep 0.05
  done
  grep -q listening "$RUN/adserver.out" ||
    { echo "wine-test.sh: the maker's server did not start: $(cat "$RUN/adserver.log")" >&2; exit 1; }
fi

# The prepared prefix of this build tree and code page, made once under a lock.
TEMPLATE="$BUILD/wineprefix-template-$ARCH${CODEPAGE:+-cp$CODEPAGE}"
(
  flock 8
  dw_prepare_prefix "$TEMPLATE"
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w
) 8>"$TEMPLATE.lock"
unset WINEPREFIX
if [ "$PREPARE" = 1 ]; then
  finish
  trap - EXIT
  rm -rf "$RUN"
  exit 0
fi
dw_copy_prefix "$TEMPLATE" "$RUN/prefix"
export WINEPREFIX="$RUN/prefix"
if [ -n "$DPI" ]; then
  dw_set_dpi "$DPI"
  export DUSTWHIRL_DPI="$DPI"
fi

dw_start_wine_server
START=$(date +%s)
run_program() {
  case "$1" in
    *.sh) bash "$@" ;;
    *) wine "$@" ;;
  esac
}
# A program that fails before it has written a single byte never reached its tests (under load,
# Wine has failed a start that way, rarely): it is started once more, and the output says so.
for ATTEMPT in 1 2; do
  run_program "$@" 2>&1 | tee "$RUN/output"
  RC=${PIPESTATUS[0]}
  [ "$RC" != 0 ] && [ ! -s "$RUN/output" ] && [ "$ATTEMPT" = 1 ] || break
  echo "[wine-test] $NAME: the program ended with $RC before writing anything; starting it once more"
done
finish
trap - EXIT
if [ "$RC" = 0 ]; then
  rm -rf "$RUN"
else
  echo "[wine-test] $NAME failed (exit $RC after $(( $(date +%s) - START )) s, display $DISPLAY, network $DW_TEST_NET);" \
    "its Wine prefix is kept in $WINEPREFIX"
fi
exit "$RC"
