#!/usr/bin/env bash
# Benchmark of the main window: start-up against a bare dialog program, hover repaint cost,
# executable size. Builds in its own tree, runs under Wine in a private Xvfb, prints figures.
# DW_BENCH_DPI=144 (or any DPI) runs it at that display scale, in a prefix of its own.
. "$(dirname "${BASH_SOURCE[0]}")/bench-build.sh"
bench_build Dustwhirl bare_dialog main_bench
trap dw_stop EXIT
dw_start_display
DPI="${DW_BENCH_DPI:-96}"
dw_prepare_prefix "${DW_WINEPREFIX:-$ROOT/build/wineprefix-bench}-$ARCH$([ "$DPI" = 96 ] || echo "-dpi$DPI")"
[ "$DPI" = 96 ] || dw_set_dpi "$DPI"
echo "display scale: $DPI DPI"
bench_wine "$BUILD/bench/main_bench.exe" "$(winepath -w "$BUILD/Dustwhirl.exe")" \
  "$(winepath -w "$BUILD/bench/bare_dialog.exe")" "${1:-7}"

# The main thread's requests to the Wine server in one start-up (after a warming one): counted in
# the trace of a fresh server, which answers slowly while it writes it, so never timed.
TRACE="$BUILD/bench/server-trace-$DPI.log"
wineserver -k >/dev/null 2>&1 || true
wineserver -w
wineserver -f -p -d1 2>"$TRACE" </dev/null &
THREADS="$(wine "$BUILD/bench/main_bench.exe" --threads "$(winepath -w "$BUILD/Dustwhirl.exe")" \
  "$(winepath -w "$BUILD/bench/bare_dialog.exe")" | tr -d '\r')"
wineserver -k >/dev/null 2>&1 || true
wineserver -w
read -r PROGRAM_TID BARE_TID BENCH_TID <<<"$THREADS"
# Requests of thread $1 from its start until the benchmark asks its window to close; with a
# second argument, only until the thread first finds its queue empty (the window painted).
requests_of() {
  awk -v t="$1: " -v b="$BENCH_TID: send_message( " -v idle="${2:+$1: get_message() = PENDING}" '
    index($0, t) == 1 && $2 ~ /^[a-z_]+\($/ { started = 1; print }
    started && (index($0, b) == 1 || (idle != "" && index($0, idle) == 1)) { exit }' "$TRACE"
}
requests() { requests_of "$@" | wc -l; }
ratio() { awk -v p="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? p / b : 0) }'; }
P_REQ="$(requests "$PROGRAM_TID")"
B_REQ="$(requests "$BARE_TID")"
P_IDLE="$(requests "$PROGRAM_TID" idle)"
B_IDLE="$(requests "$BARE_TID" idle)"
echo "main thread's Wine server requests in one start-up: Dustwhirl.exe $P_REQ, bare dialog $B_REQ" \
  "(ratio $(ratio "$P_REQ" "$B_REQ")); up to the first empty queue: $P_IDLE against $B_IDLE ($(ratio "$P_IDLE" "$B_IDLE"))"
for tid in "$PROGRAM_TID" "$BARE_TID"; do
  echo "  most frequent, $([ "$tid" = "$PROGRAM_TID" ] && echo Dustwhirl.exe || echo bare dialog):" \
    "$(requests_of "$tid" | awk '{ sub(/\($/, "", $2); print $2 }' | sort | uniq -c | sort -rn | head -6 |
      awk '{printf "%s %s, ", $2, $1}' | sed 's/, $//')"
done
STRIPPED="$BUILD/Dustwhirl-stripped.exe"
"$ARCH-w64-mingw32-strip" -o "$STRIPPED" "$BUILD/Dustwhirl.exe"
echo "executable size: $(stat -c %s "$BUILD/Dustwhirl.exe") bytes as built, $(stat -c %s "$STRIPPED") bytes stripped (the PE32's limit: 1048576)"
