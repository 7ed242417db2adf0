# Sourced by the set-up, build, run, test and package scripts: the one place that knows which
# Windows architectures Dustwhirl is built for and which of them this host can execute.
#   DW_ALL_ARCHES            every architecture that is built: i686 (the PE32 product) and x86_64
#   dw_host_runs_i386        true when this host executes 32-bit x86 code (probed once, then remembered)
#   dw_wine32_missing        why the 32-bit Wine is not there (nothing when it is installed)
#   dw_runnable_arches       the architectures to run here, honouring $DW_ARCH (one architecture only)
#   dw_skipped_arches        each architecture left out, with the reason, one per line
#   dw_shown_arch            the one architecture a demonstration or a benchmark uses
#   dw_toolchain ARCH        the CMake toolchain file of ARCH
#   dw_generator             the CMake generator of every build tree
#   dw_deps_prefix ARCH      where libpng and GoogleTest of ARCH are installed

DW_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# What the set-up makes for the machine rather than for one checkout (libpng and GoogleTest
# cross-built, the probe's answer, apt's reason for a missing 32-bit Wine) is kept once per
# machine, like the Debian packages beside it: every clone and build tree of the same user
# shares it. DUSTWHIRL_DEPS puts it elsewhere.
dw_default_deps() {
  if [ "$(id -u)" = 0 ]; then echo /var/cache/dustwhirl/deps
  else echo "${XDG_CACHE_HOME:-${HOME:?}/.cache}/dustwhirl/deps"; fi
}
DW_DEPS="${DUSTWHIRL_DEPS:-$(dw_default_deps)}"
DW_ALL_ARCHES="i686 x86_64"
# Written by the set-up when the 32-bit Wine could not be installed: apt's reason, one line.
DW_WINE32_UNAVAILABLE="$DW_DEPS/wine32-unavailable"

dw_toolchain() { echo "$DW_ROOT/cmake/mingw-$1.cmake"; }
# CMake's generator for every build tree: Ninja where it is installed.
dw_generator() { if command -v ninja >/dev/null 2>&1; then echo Ninja; else echo "Unix Makefiles"; fi; }
dw_deps_prefix() { echo "$DW_DEPS/$1/prefix"; }

# A 96-byte static i386 Linux program that exits with status 42. Hosts whose kernel has 32-bit
# system calls switched off fail it with "Exec format error", and there 32-bit Wine cannot start.
dw_probe_i386() {
  local probe
  probe="$(mktemp "${TMPDIR:-/tmp}/dw-i386-probe.XXXXXX")"
  printf '\177\105\114\106\001\001\001\000\000\000\000\000\000\000\000\000\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010\140\000\000\000\140\000\000\000\005\000\000\000\000\020\000\000\270\001\000\000\000\273\052\000\000\000\315\200' >"$probe"
  chmod +x "$probe"
  local rc=0
  "$probe" 2>/dev/null || rc=$?
  rm -f "$probe"
  [ "$rc" = 42 ]
}

dw_host_runs_i386() {
  local memo="$DW_DEPS/host-runs-i386"
  if [ ! -f "$memo" ]; then
    mkdir -p "$DW_DEPS"
    if dw_probe_i386; then echo yes >"$memo"; else echo no >"$memo"; fi
  fi
  [ "$(cat "$memo")" = yes ]
}

dw_wine32_missing() {
  dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed" && return 0
  if [ -s "$DW_WINE32_UNAVAILABLE" ]; then
    echo "the 32-bit Wine could not be installed ($(head -n 1 "$DW_WINE32_UNAVAILABLE"))"
  else
    echo "the 32-bit Wine is not installed"
  fi
}

dw_arch_reason() {
  local missing
  case "$1" in
    i686) if [ -n "${DW_ARCH:-}" ] && [ "$DW_ARCH" != i686 ]; then echo "DW_ARCH=$DW_ARCH"
          elif ! dw_host_runs_i386; then echo "this host does not execute 32-bit x86 code"
          else missing="$(dw_wine32_missing)"; [ -z "$missing" ] || echo "$missing"; fi ;;
    x86_64) if [ -n "${DW_ARCH:-}" ] && [ "$DW_ARCH" != x86_64 ]; then echo "DW_ARCH=$DW_ARCH"; fi ;;
  esac
}

dw_check_arch_choice() {
  case "${DW_ARCH:-}" in
    ""|x86_64) ;;
    i686) local reason
          reason="$(DW_ARCH= dw_arch_reason i686)"
          [ -z "$reason" ] || { echo "DW_ARCH=i686, but $reason" >&2; return 1; } ;;
    *) echo "DW_ARCH must be i686 or x86_64 (got '$DW_ARCH')" >&2; return 1 ;;
  esac
}

dw_runnable_arches() {
  local a out=""
  for a in $DW_ALL_ARCHES; do
    [ -z "$(dw_arch_reason "$a")" ] && out="$out $a"
  done
  echo "${out# }"
}

dw_skipped_arches() {
  local a reason
  for a in $DW_ALL_ARCHES; do
    reason="$(dw_arch_reason "$a")"
    [ -n "$reason" ] && echo "$a skipped: $reason"
  done
  return 0
}

# The first architecture this host runs (the PE32 where it can), after DW_ARCH is checked.
dw_shown_arch() {
  dw_check_arch_choice || return 1
  dw_runnable_arches | cut -d' ' -f1
}
