#!/usr/bin/env bash
# The Debian packages of the set-up (sourced by scripts/setup.sh; scripts/arch.sh first).
# Installs what is missing. A package list that fails to refresh (the registry in the middle of a
# sync) does not stop it: it says which lists failed and installs from the lists it has. It fails
# only when a package it needs cannot be installed. The 32-bit Wine is wanted only where the host
# executes 32-bit code; if it cannot be installed, the set-up says why in one line, writes that
# reason where scripts/arch.sh finds it, and this run goes on with the x86_64 build alone. Every
# set-up tries the 32-bit Wine again.

log() { printf '[setup] %s\n' "$*"; }

# Both cross toolchains always: the PE32 is built even where it cannot run. 64-bit Wine always.
DW_PACKAGES=(
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  libz-mingw-w64-dev
  cmake make ninja-build dpkg-dev xz-utils file zip
  wine wine64
  xvfb xdotool x11-utils openbox imagemagick librsvg2-bin
  locales fonts-ipafont-gothic fonts-ipafont-mincho fonts-wine
  googletest python3 libpng-dev gcc util-linux iproute2
)

dw_missing_packages() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}

# The one line that says why apt failed: its last error, else its last line.
dw_apt_reason() {
  local reason
  reason="$(grep '^E: ' "$1" | tail -n 1)"
  [ -n "$reason" ] || reason="$(grep -v '^[[:space:]]*$' "$1" | tail -n 1)"
  printf '%s' "${reason:-apt-get gave no reason}"
}

dw_install_packages() {
  local sudo="" out rc missing missing32=() want32=0
  [ "$(id -u)" = 0 ] || sudo="sudo"
  out="$(mktemp "${TMPDIR:-/tmp}/dw-apt.XXXXXX")"
  rm -f "$DW_WINE32_UNAVAILABLE"

  local need_update=0
  if dw_host_runs_i386; then
    want32=1
    log "this host executes 32-bit x86 code: 32-bit and 64-bit Wine"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
      log "adding the i386 architecture"
      $sudo dpkg --add-architecture i386
      need_update=1
    fi
    mapfile -t missing32 < <(dw_missing_packages wine32:i386)
  else
    log "this host does not execute 32-bit x86 code: 64-bit Wine only"
  fi
  mapfile -t missing < <(dw_missing_packages "${DW_PACKAGES[@]}")
  if [ ${#missing[@]} -eq 0 ] && [ ${#missing32[@]} -eq 0 ] && [ "$need_update" = 0 ]; then
    rm -f "$out"
    return 0
  fi

  export DEBIAN_FRONTEND=noninteractive
  if ! $sudo apt-get update -qq >"$out" 2>&1; then
    log "refreshing the package lists failed in part; installing from the lists at hand. Lists that failed:"
    grep -E '^(E|W): ' "$out" | sed 's/^/[setup]   /' || true
  fi
  if [ ${#missing[@]} -gt 0 ]; then
    log "installing: ${missing[*]}"
    rc=0
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >"$out" 2>&1 || rc=$?
    if [ "$rc" != 0 ]; then
      cat "$out" >&2
      log "cannot install the packages the build needs: $(dw_apt_reason "$out")" >&2
      rm -f "$out"
      return 1
    fi
  fi
  if [ ${#missing32[@]} -gt 0 ]; then
    log "installing: ${missing32[*]}"
    rc=0
    $sudo apt-get install -y -qq --no-install-recommends "${missing32[@]}" >"$out" 2>&1 || rc=$?
    if [ "$rc" != 0 ]; then
      dw_apt_reason "$out" >"$DW_WINE32_UNAVAILABLE"
      log "the 32-bit Wine cannot be installed ($(cat "$DW_WINE32_UNAVAILABLE")): this run uses the x86_64 build alone"
    fi
  fi
  rm -f "$out"
  return 0
}
