#!/usr/bin/env bash
# Runs a test program under Wine with the system DPI set: at_dpi.sh DPI PREFIX PROGRAM [ARGS...]
# PREFIX is a Wine prefix of its own (made on first use, kept afterwards), of the architecture
# that the calling test run selected. Wine reads LogPixels when its server starts.
set -uo pipefail
DPI="$1"; PREFIX="$2"; shift 2
# Read before wine-env.sh selects the host's default architecture.
CALLER_WINEARCH="${WINEARCH:-}"
. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
case "$CALLER_WINEARCH" in
  win64) dw_use_arch x86_64 ;;
  *) dw_use_arch i686 ;;
esac
dw_prepare_prefix "$PREFIX"
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$DPI" /f >/dev/null 2>&1
wineserver -k >/dev/null 2>&1 || true
wineserver -w
dw_start_wine_server
DUSTWHIRL_DPI="$DPI" wine "$@"
RC=$?
wineserver -k >/dev/null 2>&1 || true
exit "$RC"
