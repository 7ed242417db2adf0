#!/usr/bin/env bash
# The set-up's package decisions, without network and without root: apt-get, dpkg-query, dpkg
# and sudo are stand-ins on PATH that keep the machine's state in a folder of their own and fail
# as each case says. Each case runs the set-up's package step, then asks scripts/arch.sh which
# architectures run, and checks the words said on the way.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
FAILURES=0
PASSES=0
# The verdicts are the stand-in machines' own: a caller's choice of one architecture
# (DW_ARCH=x86_64 bash scripts/test.sh) must not show in them.
unset DW_ARCH

mkdir -p "$WORK/bin"
cat >"$WORK/bin/apt-get" <<'EOF'
#!/usr/bin/env bash
# update: fails one list when STANDIN_REFRESH=partial. install: fails when a package matches
# STANDIN_REFUSE (a pattern), else records the packages as installed.
echo "apt-get $*" >>"$STANDIN/calls"
case " $* " in
  *" update "*)
    if [ "${STANDIN_REFRESH:-ok}" = partial ]; then
      echo "E: Failed to fetch http://mirror.invalid/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (43208 != 43892). Mirror sync in progress?"
      echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
      exit 100
    fi ;;
  *" install "*)
    pkgs=()
    for a in "$@"; do case "$a" in -*|install) ;; *) pkgs+=("$a") ;; esac; done
    for p in "${pkgs[@]}"; do
      if [ -n "${STANDIN_REFUSE:-}" ] && [[ "$p" == $STANDIN_REFUSE ]]; then
        echo "Some packages could not be installed."
        echo "The following packages have unmet dependencies:"
        echo " $p : Depends: libc6:i386 (>= 2.36) but it is not going to be installed"
        echo "E: Unable to correct problems, you have held broken packages."
        exit 100
      fi
    done
    printf '%s\n' "${pkgs[@]}" >>"$STANDIN/installed" ;;
esac
exit 0
EOF
cat >"$WORK/bin/dpkg-query" <<'EOF'
#!/usr/bin/env bash
# dpkg-query -W -f='${Status}' PACKAGE
pkg="${!#}"
grep -qxF "$pkg" "$STANDIN/installed" 2>/dev/null || exit 1
printf 'install ok installed'
EOF
cat >"$WORK/bin/dpkg" <<'EOF'
#!/usr/bin/env bash
case "$1" in
  --print-foreign-architectures) cat "$STANDIN/foreign" 2>/dev/null ;;
  --add-architecture) echo "dpkg $*" >>"$STANDIN/calls"; echo "$2" >>"$STANDIN/foreign" ;;
  *) exit 2 ;;
esac
EOF
printf '#!/bin/sh\nexec "$@"\n' >"$WORK/bin/sudo"
chmod +x "$WORK/bin/"*

# The base packages, read from the set-up itself.
BASE_PACKAGES="$(bash -c '. "$1/scripts/setup-packages.sh"; printf "%s\n" "${DW_PACKAGES[@]}"' _ "$ROOT")"

# new_machine RUNS_I386 [installed...]: a machine whose probe says RUNS_I386 (yes/no).
new_machine() {
  export STANDIN="$WORK/machine-$RANDOM$RANDOM"
  mkdir -p "$STANDIN/deps"
  echo "$1" >"$STANDIN/deps/host-runs-i386"
  : >"$STANDIN/installed"
  shift
  [ $# -eq 0 ] || printf '%s\n' "$@" >>"$STANDIN/installed"
}

# set_up: the set-up's package step on the current machine, then the architectures' verdict.
# Prints everything said; the exit status of the package step is the last line.
set_up() {
  # The caller's own choice of architecture (DW_ARCH=x86_64, as the README allows) is no part
  # of the stand-in machine: every set-up here decides from the machine alone.
  env -u DW_ARCH -u DW_DEPS -u DW_WINE DUSTWHIRL_DEPS="$STANDIN/deps" PATH="$WORK/bin:$PATH" bash -c '
    . "$1/scripts/arch.sh"
    . "$1/scripts/setup-packages.sh"
    dw_install_packages; rc=$?
    echo "runnable: $(dw_runnable_arches)"
    dw_skipped_arches
    echo "exit: $rc"' _ "$ROOT" 2>&1
}

# check CASE OUTPUT [+TEXT | -TEXT]...: each +TEXT must be in OUTPUT, each -TEXT must not.
check() {
  local name="$1" out="$2" ok=1 want
  shift 2
  for want in "$@"; do
    case "$want" in
      +*) grep -qF -- "${want#+}" <<<"$out" || { echo "FAIL $name: missing '${want#+}'"; ok=0; } ;;
      -*) grep -qF -- "${want#-}" <<<"$out" && { echo "FAIL $name: unexpected '${want#-}'"; ok=0; } ;;
    esac
  done
  if [ "$ok" = 1 ]; then PASSES=$((PASSES + 1)); echo "ok   $name"
  else FAILURES=$((FAILURES + 1)); printf '%s\n' "$out" | sed 's/^/     | /'; fi
}

REFUSED="E: Unable to correct problems, you have held broken packages."

# name | probe | refresh | refused packages | checks
new_machine yes
OUT="$(STANDIN_REFRESH=partial set_up)"
check "a partial refresh goes on and installs everything" "$OUT" \
  "+refreshing the package lists failed in part" "+bookworm-security/main/binary-i386/Packages.xz" \
  "+runnable: i686 x86_64" "+exit: 0" "-cannot install"
check "the i386 architecture is added before the refresh" "$(head -n 2 "$STANDIN/calls")" \
  "+dpkg --add-architecture i386" "+apt-get update"

new_machine yes
OUT="$(STANDIN_REFRESH=partial STANDIN_REFUSE='wine32:i386' set_up)"
check "no 32-bit Wine: x86_64 alone, with apt's reason" "$OUT" \
  "+the 32-bit Wine cannot be installed ($REFUSED): this run uses the x86_64 build alone" \
  "+runnable: x86_64" "-runnable: i686" \
  "+i686 skipped: the 32-bit Wine could not be installed ($REFUSED)" "+exit: 0"
check "the base packages were installed all the same" "$(cat "$STANDIN/installed")" "+wine64" "+xvfb"
OUT="$(set_up)"
check "the next set-up tries the 32-bit Wine again" "$OUT" \
  "+installing: wine32:i386" "+runnable: i686 x86_64" "-skipped" "+exit: 0"

new_machine no
OUT="$(STANDIN_REFRESH=partial set_up)"
check "a host without 32-bit code never asks for the 32-bit Wine" "$OUT" \
  "-wine32" "+runnable: x86_64" "+i686 skipped: this host does not execute 32-bit x86 code" "+exit: 0"
check "nor adds the i386 architecture" "$(cat "$STANDIN/calls")" "-add-architecture"

new_machine yes
OUT="$(STANDIN_REFUSE='wine64' set_up)"
check "a needed package that cannot be installed fails the set-up" "$OUT" \
  "+cannot install the packages the build needs: $REFUSED" "+exit: 1"

new_machine no $BASE_PACKAGES
OUT="$(STANDIN_REFRESH=partial set_up)"
check "a machine that has everything asks apt for nothing" "$OUT" "+runnable: x86_64" "+exit: 0"
check "not even a refresh" "$(cat "$STANDIN/calls" 2>/dev/null)" "-apt-get"

echo "$PASSES passed, $FAILURES failed"
[ "$FAILURES" = 0 ]
