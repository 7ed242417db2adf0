# Sourced by the run, test and benchmark scripts: a private X display, a private Wine prefix in
# Japanese (code page 932), and the dialog font resolved to an installed Japanese face.
#   dw_use_arch ARCH        selects 32-bit Wine (i686) or 64-bit Wine alone (x86_64)
#   dw_start_display [--window-manager]
#                           starts a private Xvfb as DISPLAY (and a window manager on it)
#   dw_prepare_prefix DIR   creates (once) and selects the Wine prefix DIR
#   dw_copy_prefix FROM TO  a copy of a prepared prefix, for one test
#   dw_set_dpi DPI          the selected prefix's display scale
#   dw_start_wine_server    starts the prefix's Wine server and services, detached from any output
#   dw_stop                 ends Wine and the display started here

# Set quietly: where the set-up has just generated the locale, this shell's C library still has
# the old locale archive mapped and would warn that it cannot switch; the programs it starts
# read the new archive.
{ export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8; } 2>/dev/null
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono, no Gecko, and no desktop menu entries written for the programs a prefix starts.
export WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'

DW_WINE_SAVED_PATH="${DW_WINE_SAVED_PATH:-$PATH}"

# dw_shim FILE COMMAND: a two-line script that execs COMMAND. Tests run side by side, and each
# selects its architecture: a shim is written only when it differs, and then in one rename, so
# that no one ever runs a half-written shim.
dw_shim() {
  local text
  text="$(printf '#!/bin/sh\nexec %s' "$2")"
  [ "$(cat "$1" 2>/dev/null)" = "$text" ] && return 0
  printf '%s\n' "$text" >"$1.$$"
  chmod +x "$1.$$"
  mv -f "$1.$$" "$1"
}

# i686: a 32-bit prefix run by Debian's wine wrapper. x86_64: a 64-bit prefix run by the 64-bit
# loader and server alone, exactly as on a host without 32-bit Wine, even where 32-bit Wine is
# installed: small wrappers named wine, wineboot and winepath come first on PATH.
dw_use_arch() {
  export PATH="$DW_WINE_SAVED_PATH"
  unset WINELOADER WINESERVER
  case "$1" in
    i686) export WINEARCH=win32 ;;
    x86_64)
      export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64
      local shims="${TMPDIR:-/tmp}/dustwhirl-wine64-$(id -u)"
      mkdir -p "$shims"
      dw_shim "$shims/wine" '/usr/lib/wine/wine64 "$@"'
      dw_shim "$shims/wineboot" '/usr/lib/wine/wine64 wineboot.exe "$@"'
      dw_shim "$shims/winepath" '/usr/lib/wine/wine64 winepath.exe "$@"'
      dw_shim "$shims/wineserver" '/usr/lib/wine/wineserver64 "$@"'
      export PATH="$shims:$PATH" ;;
    *) echo "unknown architecture: $1" >&2; return 1 ;;
  esac
}
. "$(dirname "${BASH_SOURCE[0]}")/arch.sh"
if dw_host_runs_i386; then dw_use_arch i686; else dw_use_arch x86_64; fi

DW_XVFB_PID=""
DW_WM_PID=""

# A 1024 x 768 screen. Xvfb picks a free display number itself and writes it once it accepts
# clients, so that displays started side by side (one per test) never take the same number.
# --window-manager: a window manager on it, as on a desktop; without one, Wine waits two seconds
# each time a shown window is hidden.
dw_start_display() {
  local number_file number
  number_file="$(mktemp "${TMPDIR:-/tmp}/dw-display.XXXXXX")"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
  DW_XVFB_PID=$!
  for _ in $(seq 1 200); do
    [ -s "$number_file" ] && break
    kill -0 "$DW_XVFB_PID" 2>/dev/null || break
    sleep 0.05
  done
  number="$(tr -dc 0-9 <"$number_file")"
  rm -f "$number_file"
  if [ -z "$number" ]; then echo "${0##*/}: Xvfb did not start" >&2; return 1; fi
  export DISPLAY=":$number"
  if [ "${1:-}" = --window-manager ]; then
    openbox >/dev/null 2>&1 &
    DW_WM_PID=$!
  fi
}

dw_prepare_prefix() {
  export WINEPREFIX="$1"
  if [ ! -f "$WINEPREFIX/.dustwhirl-ready" ]; then
    rm -rf "$WINEPREFIX"
    mkdir -p "$(dirname "$WINEPREFIX")"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    # The program's dialogs ask for "ＭＳ Ｐゴシック"; IPA's proportional Gothic stands in.
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' /d 'IPAPGothic' /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS PGothic' /d 'IPAPGothic' /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ ゴシック' /d 'IPAGothic' /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS UI Gothic' /d 'IPAPGothic' /f >/dev/null 2>&1
    # No crash dialogs: a crashing test must fail, not wait for a click.
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    # Wine draws caption bars itself, as Windows does, instead of leaving them to a window
    # manager that a private Xvfb does not have.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
    # The caption buttons' symbols come from Marlett, which Wine does not find on its own here.
    if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
      cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    fi
    wineserver -w
    touch "$WINEPREFIX/.dustwhirl-ready"
  fi
}

# dw_copy_prefix FROM TO: a prefix of its own for one test, in a second or two. The DLLs of
# system32 and syswow64 (nine tenths of a prefix) are hard links, since nothing writes them in
# place; everything else, the registry and the URL cache among them, is a real copy.
dw_copy_prefix() {
  local from="$1" to="$2" d
  rm -rf "$to"
  mkdir -p "$to"
  tar -C "$from" --exclude=./drive_c/windows/system32 --exclude=./drive_c/windows/syswow64 -cf - . |
    tar -C "$to" -xf -
  for d in system32 syswow64; do
    if [ -d "$from/drive_c/windows/$d" ]; then cp -al "$from/drive_c/windows/$d" "$to/drive_c/windows/$d"; fi
  done
}

# A Wine server, and the services it starts, inherit the output of the program that started
# them. Started by a test program under CTest, they would hold its output pipe open, and CTest
# waits for that pipe until the server has shut down, minutes later when a service lingers.
# So one server runs for the whole run, started here with no output attached.
dw_start_wine_server() {
  wineserver -p >/dev/null 2>&1 </dev/null
  wine cmd.exe /c exit >/dev/null 2>&1 </dev/null || true
}

# The system DPI of the selected prefix (Windows' display scale: 96 is 100 %, 144 is 150 %).
# Wine reads it once, when the prefix's server starts: a running server is ended first.
dw_set_dpi() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w
  printf '\n[Control Panel\\\\Desktop] 0\n"LogPixels"=dword:%08x\n' "$1" >>"$WINEPREFIX/user.reg"
}

dw_stop() {
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1 || true; fi
  local pid
  for pid in "$DW_WM_PID" "$DW_XVFB_PID"; do
    if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; fi
  done
  DW_WM_PID=""; DW_XVFB_PID=""
  return 0
}
