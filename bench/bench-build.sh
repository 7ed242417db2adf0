# Sourced by the benchmark scripts, with the scripts' preamble: bench_build TARGET... sets up
# the machine, picks the first architecture this host runs (DW_ARCH chooses), builds the targets
# in the benchmarks' own tree with the tests' loopback maker server, and selects that
# architecture's Wine. Sets ARCH and BUILD. bench_wine runs a Windows program under Wine; with
# DW_PERF=FILE set, under `perf record -g` into FILE (see bench/README.md).
. "$(dirname "${BASH_SOURCE[0]}")/../scripts/preamble.sh"

bench_build() {
  bash scripts/setup.sh --runnable >/dev/null
  ARCH="$(dw_shown_arch)"
  echo "architecture: $ARCH"
  BUILD="${DW_BUILD_DIR:-$ROOT/build/bench}-$ARCH"
  DW_BUILD_TARGET="$*" bash scripts/build.sh "$ARCH" "$BUILD" \
    -DDUSTWHIRL_MAKER_SERVER=http://127.0.0.1:28017 -DDUSTWHIRL_SECOND_MAKER_SITE=http://127.0.0.2:28018 >/dev/null
  . scripts/wine-env.sh
  dw_use_arch "$ARCH"
}

bench_wine() {
  if [ -n "${DW_PERF:-}" ]; then
    perf record -g -F "${DW_PERF_FREQ:-1999}" -o "$DW_PERF" -- wine "$@"
  else
    wine "$@"
  fi
}

# Selects the benchmarks' prefix with an empty URL cache: Wine's index files only grow with each
# seed-and-delete cycle, and walks over a grown index are slower, whatever the program does.
bench_prefix_with_empty_cache() {
  local prefix="${DW_WINEPREFIX:-$ROOT/build/wineprefix-bench}-$ARCH"
  dw_prepare_prefix "$prefix"
  rm -rf "$prefix"/drive_c/users/*/AppData/Local/Microsoft/Windows/{INetCache,INetCookies,History}
}
