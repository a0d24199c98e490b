#!/usr/bin/env bash
# The main window of the windowed program (sigpatch.exe) under Wine on Xvfb:
# the time to add each line of a long run (frmMain.AddText, one file name a
# line, every tenth blue) for 1,000, 5,000 and 20,000 lines, three runs each,
# the median shown, and the peak working set.
#   bench/win32_lines.sh
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset windows >/dev/null
cmake --build --preset windows --target win32_lines_driver >/dev/null
driver=build/windows/tests/platform/win32/win32_lines_driver.exe
for lines in 1000 5000 20000; do
  for run in 1 2 3; do
    cmake/wine-gui-run build/windows/wineprefix-gui "$driver" "$lines"
  done | sort -t: -k2 -n | sed -n 2p
done
