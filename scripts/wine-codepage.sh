#!/usr/bin/env bash
# Runs a Windows program under Wine as on a system whose ANSI code page is 1252 (Windows set to
# English, or any non-Japanese language for non-Unicode programs): a prefix of its own beside
# the current one, made and run under LANG=C.UTF-8, with its own Wine server. The display and
# the architecture are the caller's (scripts/test.sh). Usage: wine-codepage.sh PROGRAM [ARGS...]
set -euo pipefail
ARCH=i686
[ "${WINEARCH:-}" = win64 ] && ARCH=x86_64
BASE="${WINEPREFIX:?the test environment of scripts/test.sh is needed}"
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
dw_use_arch "$ARCH"
export LANG=C.UTF-8 LC_ALL=C.UTF-8
dw_prepare_prefix "$BASE-cp1252"
dw_start_wine_server
rc=0
wine "$@" || rc=$?
wineserver -k >/dev/null 2>&1 || true
exit "$rc"
