#!/usr/bin/env bash
# Pictures of the Windows installer for a person to look at: every page of the
# interactive setup (welcome, folder, scheduled tasks, what it did, finish)
# and of the uninstaller (its options, what it did), drawn by Wine on Xvfb in
# a prefix of their own on which Sigpatch was never installed.
#   tools/win32-installer-screenshots.sh [OUTPUT_FOLDER]   (default: build/screenshots-installer)
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build/screenshots-installer}")
cmake --preset windows >/dev/null
cmake --build --preset windows --target package >/dev/null
setup=$(ls build/windows/Sigpatch-*-win64.exe)
prefix=build/windows/wineprefix-installer-screens
if [[ -d $prefix ]]; then
  WINEPREFIX=$PWD/$prefix /usr/lib/wine/wineserver -k 2>/dev/null || true
  rm -rf "$prefix"
fi
mkdir -p "$out"
cmake/wine-gui-run "$prefix" build/windows/tests/platform/win32/win32_installer_screens.exe \
  "$setup" "$out"
