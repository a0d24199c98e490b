#!/usr/bin/env bash
# The main window's final wait on the terminal: wall time and processor time of
# frmMain.Terminate, as tty_demo reports them (getrusage around the call), next
# to a three-second busy loop that reads the clock, the way the wait would cost
# if it spun.
#   bench/tty-wait.sh [preset]     (default: release, else dev)
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-release}
demo=build/$preset/tests/ui/tty_demo
[[ -x $demo ]] || { echo "build $demo first: cmake --build --preset $preset --target tty_demo" >&2; exit 1; }

echo "Terminate on the terminal toolkit (3 runs):"
for _ in 1 2 3; do
  "$demo" lines 2>&1 >/dev/null | sed 's/^tty_demo: /  /'
done

echo "a busy loop of 3 s that reads the clock, for comparison:"
TIMEFORMAT='  %R s wall, %U s user + %S s system processor time'
time { end=$((SECONDS + 3)); while ((SECONDS < end)); do :; done; }
