#!/usr/bin/env bash
# Pictures of the windows on the Windows toolkit, for a person to look at:
# sigpatch.exe during and after a real update run, the About box, the folder
# chooser, the splash window and a message box, drawn by Wine on Xvfb.
#   tools/win32-screenshots.sh [OUTPUT_FOLDER]   (default: build/screenshots-windows)
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build/screenshots-windows}")
cmake --preset windows >/dev/null
cmake --build --preset windows --target win32_screens >/dev/null
mkdir -p "$out"
cmake/wine-gui-run build/windows/wineprefix-gui \
  build/windows/tests/platform/win32/win32_screens.exe "$out"
