#!/bin/sh
# Time to the first paint of the demo image: the program against a minimal Qt Widgets program that
# shows the same picture (bench/startup/minimal_picture_window.cpp), run in alternating pairs on one
# Xvfb display, with the program's settings written by a first run that is not counted.
#
#   tools/measure_startup.sh [build-dir] [pairs]
#
# build-dir (default build/release) must hold app/calidarix and bench/minimal_picture_window
# (cmake ... -DCALIDARIX_BENCH=ON; ninja calidarix minimal_picture_window). Prints each pair, then
# the medians and their ratio. Each time runs from just before the process starts to its first paint.
set -eu
build=${1:-build/release}
pairs=${2:-21}
program="$build/app/calidarix"
floor="$build/bench/minimal_picture_window"
for exe in "$program" "$floor"; do
  [ -x "$exe" ] || { echo "missing $exe" >&2; exit 1; }
done
if [ -z "${MEASURE_STARTUP_ON_DISPLAY:-}" ]; then
  exec env MEASURE_STARTUP_ON_DISPLAY=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build" "$pairs"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" CALIDARIX_NETWORK=loopback
mkdir -p "$HOME" "$XDG_CONFIG_HOME"

# Milliseconds from now to the first paint the program reports.
first_paint_ms() {
  start=$(date +%s%N)
  line=$(CALIDARIX_FIRST_PAINT_EXIT=1 "$@" </dev/null 2>/dev/null | grep '^first-paint ' || true)
  [ -n "$line" ] || { echo "no first paint from $1" >&2; exit 1; }
  echo "${line#first-paint }" "$start" | awk '{ printf "%.1f\n", ($1 - $2) / 1e6 }'
}

# A first run of each writes the program's settings and warms the file cache.
first_paint_ms "$program" >/dev/null
first_paint_ms "$floor" >/dev/null

: >"$work/program.txt"
: >"$work/floor.txt"
i=0
while [ "$i" -lt "$pairs" ]; do
  f=$(first_paint_ms "$floor")
  p=$(first_paint_ms "$program")
  echo "pair $i: floor $f ms, program $p ms"
  echo "$f" >>"$work/floor.txt"
  echo "$p" >>"$work/program.txt"
  i=$((i + 1))
done
median() { sort -n "$1" | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
mf=$(median "$work/floor.txt")
mp=$(median "$work/program.txt")
echo "median first paint: floor $mf ms, program $mp ms, ratio $(echo "$mp $mf" | awk '{ printf "%.2f", $1 / $2 }')"
