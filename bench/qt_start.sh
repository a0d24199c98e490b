#!/usr/bin/env bash
# The desktop window's start, on one Xvfb display: the time from the start of
# the process to the first line shown in Sigpatch's main window
# (bench_qt_start: the program's own start, which loads the desktop toolkit's
# module) against the smallest Qt program that shows a line in a text box
# (bench_qt_minimal), the two in turn, RUNS each after one of each not counted;
# the medians and their ratio. Then the peak memory of a whole run of the
# program itself with its window (GNU time), next to the same run on the
# terminal.
#   bench/qt_start.sh [BUILD_DIR] [RUNS]      (default build/release, 20)
set -euo pipefail
build=${1:-build/release}
runs=${2:-20}
driver=$build/bench/bench_qt_start
minimal=$build/bench/bench_qt_minimal
sigpatch=$build/src/startup/sigpatch
sigreg=$build/src/sigreg/sigreg
[[ -x $driver && -x $minimal && -x $sigpatch && -x $sigreg ]] || {
  echo "build $driver, $minimal, $sigpatch and $sigreg first (cmake --build --preset release)" >&2
  exit 1
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/updates"
printf '#!/bin/sh\nexit 0\n' > "$work/updates/sdat4500.exe"
chmod +x "$work/updates/sdat4500.exe"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM SIGPATCH_UI
# Qt's own folder for the session, so that it has nothing to say about it.
export XDG_RUNTIME_DIR=$work/run
mkdir -m 700 "$XDG_RUNTIME_DIR"
export LC_ALL=C SIGPATCH_REGISTRY=$work/registry.db
# A desktop always has clients (a window manager, a panel), so a program that
# leaves never resets its X server; Xvfb alone resets itself whenever its last
# client leaves, and the next start would wait for that. -noreset makes it
# behave like a desktop.
inside_x() {
  xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96 -noreset" "$@"
}

# One display for every run. The store stays, as it does between the starts
# of an installed program; the package is made new again before each run, so
# that every run installs it. SIGPATCH_BENCH_EXEC is the time just before the
# exec, which both programs count from.
export driver minimal sigreg runs work
inside_x bash -c '
  for ((i = 0; i <= runs; i++)); do
    "$sigreg" delete "HKLM\SOFTWARE\Ferrolite\Sigpatch" /v LatestUpdate /f > /dev/null 2>&1 || true
    SIGPATCH_BENCH_EXEC=$EPOCHREALTIME "$driver" "/Path:$work/updates" 2>&1 >/dev/null \
      | sed -n "s/^first line shown \([0-9.]*\) ms.*/sigpatch $i \1/p"
    SIGPATCH_BENCH_EXEC=$EPOCHREALTIME "$minimal" 2>&1 \
      | sed -n "s/^first line shown \([0-9.]*\) ms.*/minimal $i \1/p"
  done' > "$work/times"
# The counted runs' times of one program, sorted.
times_of() { awk -v who="$1" '$1 == who && $2 > 0 {print $3}' "$work/times" | sort -n; }
median() { times_of "$1" | awk '{v[NR] = $1} END {
  if (NR == 0) exit 1; print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }
sigpatch_median=$(median sigpatch) || { echo "the program showed no line" >&2; exit 1; }
minimal_median=$(median minimal) || { echo "the minimal Qt program showed no line" >&2; exit 1; }
echo "start to the first line shown, on one Xvfb display ($runs runs each, in turn):"
printf '  minimal Qt program:  median %6.1f ms (min %s, max %s)\n' "$minimal_median" \
  "$(times_of minimal | head -n 1)" "$(times_of minimal | tail -n 1)"
printf '  Sigpatch window:     median %6.1f ms (min %s, max %s)\n' "$sigpatch_median" \
  "$(times_of sigpatch | head -n 1)" "$(times_of sigpatch | tail -n 1)"
awk -v a="$sigpatch_median" -v b="$minimal_median" \
  'BEGIN { printf "  ratio of the medians: %.2f\n", a / b }'

echo "peak memory of a whole run with its window (Xvfb, three seconds after the last line):"
"$sigreg" delete 'HKLM\SOFTWARE\Ferrolite\Sigpatch' /v LatestUpdate /f > /dev/null || true
SIGPATCH_UI=qt inside_x \
  /usr/bin/time -f "  %M KiB, %e s wall" "$sigpatch" "/Path:$work/updates" 2>&1 | grep KiB
echo "the same run on the terminal:"
"$sigreg" delete 'HKLM\SOFTWARE\Ferrolite\Sigpatch' /v LatestUpdate /f > /dev/null || true
SIGPATCH_UI=tty \
  /usr/bin/time -f "  %M KiB, %e s wall" "$sigpatch" "/Path:$work/updates" 2>&1 >/dev/null | grep KiB
