#!/usr/bin/env bash
# The program on the desktop toolkit: on a real X server (Xvfb) the run shows
# in a window that closes by itself after the last line; a display that cannot
# be opened is said in one line and the run goes on in the terminal.
source "$(dirname "$0")/lib.sh"
# Qt's own folder for the session, so that it has nothing to say about it.
export XDG_RUNTIME_DIR=$work/run
mkdir -m 700 "$XDG_RUNTIME_DIR"

make_package "$work/updates/sdat4500.exe"
SIGPATCH_UI=qt xvfb-run -a -s "-screen 0 1024x768x24" \
  "$SIGPATCH" "/Path:$work/updates" > "$work/out" 2> "$work/err" < /dev/null
check "in a window: the program ended by itself" "0" "$?"
check "in a window: only the package wrote to the terminal" "installing sdat4500.exe" \
  "$(cat "$work/out")"
check "in a window: no messages" "" "$(cat "$work/err")"
check "in a window: installed and recorded" "SDAT4500.EXE" "$(setting LatestUpdate)"

make_package "$work/updates/sdat4600.exe"
SIGPATCH_UI= DISPLAY=:4711 run "/Path:$work/updates"
check "a display nobody serves: one line" \
  'Sigpatch: cannot open display ":4711"; going on in the terminal' "$(cat "$work/err")"
check "a display nobody serves: the run on the terminal" "Finished!" "$(tail -n 1 "$work/out")"
check "a display nobody serves: installed" "SDAT4600.EXE" "$(setting LatestUpdate)"

SIGPATCH_UI=qt run "/Path:$work/updates"
check "the desktop asked for without a display: one line" \
  "Sigpatch: no display: neither DISPLAY nor WAYLAND_DISPLAY is set; going on in the terminal" \
  "$(cat "$work/err")"
check "the desktop asked for without a display: the run on the terminal" "Finished!" \
  "$(tail -n 1 "$work/out")"
finish
