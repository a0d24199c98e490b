#!/usr/bin/env bash
# Pictures of the windows on the desktop toolkit, for a person to look at: the
# main window during and after a real update run, the About box, the folder
# chooser, the splash window and a message box. Under Xvfb (a real X server)
# when xvfb-run is there, else on Qt's offscreen platform.
#   tools/screenshots.sh [OUTPUT_FOLDER] [PRESET]   (default: build/screenshots, dev)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/screenshots}
preset=${2:-dev}
cmake --build --preset "$preset" --target qt_screens >/dev/null
program=build/$preset/tests/toolkit/qt/qt_screens
mkdir -p "$out"
if command -v xvfb-run >/dev/null; then
  unset WAYLAND_DISPLAY QT_QPA_PLATFORM
  xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" "$program" "$out"
else
  QT_QPA_PLATFORM=offscreen "$program" "$out"
fi
