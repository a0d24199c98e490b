#!/usr/bin/env bash
# The desktop toolkit under Xvfb: the time from the start of the process to the
# first line shown in the main window (bench_qt_start, 10 runs), and the peak
# memory of a whole run of the program itself with its window (GNU time),
# next to the same run on the terminal.
#   bench/qt_start.sh [BUILD_DIR]      (default build/release)
set -euo pipefail
build=${1:-build/release}
driver=$build/bench/bench_qt_start
sigpatch=$build/src/startup/sigpatch
[[ -x $driver && -x $sigpatch ]] || {
  echo "build $driver and $sigpatch first (cmake --build --preset release)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/updates"
printf '#!/bin/sh\nexit 0\n' > "$work/updates/sdat4500.exe"
chmod +x "$work/updates/sdat4500.exe"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM

# Each run starts afresh: a new store, so the package installs every time.
inside_x() {
  xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" "$@"
}
echo "start to the first line shown (Xvfb):"
for i in $(seq 10); do
  rm -f "$work/registry.db"
  SIGPATCH_REGISTRY=$work/registry.db inside_x "$driver" "/Path:$work/updates" 2>&1 \
    | grep 'first line' | sed 's/^/  /'
done

echo "peak memory of a whole run with its window (Xvfb, three seconds after the last line):"
rm -f "$work/registry.db"
SIGPATCH_REGISTRY=$work/registry.db SIGPATCH_UI=qt inside_x \
  /usr/bin/time -f "  %M KiB, %e s wall" "$sigpatch" "/Path:$work/updates" 2>&1 | grep KiB
echo "the same run on the terminal:"
rm -f "$work/registry.db"
SIGPATCH_REGISTRY=$work/registry.db SIGPATCH_UI=tty \
  /usr/bin/time -f "  %M KiB, %e s wall" "$sigpatch" "/Path:$work/updates" 2>&1 >/dev/null | grep KiB
