#!/usr/bin/env bash
# The program on the desktop toolkit: on a real X server (Xvfb) the run shows
# in a window that closes by itself after the last line; a display that cannot
# be opened, or a missing toolkit module, is said in one line and the run goes
# on in the terminal.
source "$(dirname "$0")/lib.sh"
# Qt's own folder for the session, so that it has nothing to say about it.
export XDG_RUNTIME_DIR=$work/run
mkdir -m 700 "$XDG_RUNTIME_DIR"
on_terminal() {  # description package-version said-in-one-line
  check "$1: one line, the run on the terminal, installed" "$3|Finished!|SDAT$2.EXE" \
    "$(cat "$work/err")|$(tail -n 1 "$work/out")|$(setting LatestUpdate)"
}

make_package "$work/updates/sdat4500.exe"
SIGPATCH_UI=qt xvfb-run -a -s "-screen 0 1024x768x24" \
  "$SIGPATCH" "/Path:$work/updates" > "$work/out" 2> "$work/err" < /dev/null
check "in a window: ended by itself, only the package wrote to the terminal, recorded" \
  "0|installing sdat4500.exe||SDAT4500.EXE" \
  "$?|$(cat "$work/out")|$(cat "$work/err")|$(setting LatestUpdate)"
make_package "$work/updates/sdat4600.exe"
SIGPATCH_UI= DISPLAY=:4711 run "/Path:$work/updates"
on_terminal "a display nobody serves" 4600 'Sigpatch: cannot open display ":4711"; going on in the terminal'

# The desktop toolkit is a module the program loads only for a window.
check "the program itself links no Qt" "" "$(ldd "$SIGPATCH" | grep -o 'libQt6[A-Za-z]*' || true)"
LD_DEBUG=files LD_DEBUG_OUTPUT=$work/loaded run --version
check "on the terminal: no Qt library is loaded" "" \
  "$(cat "$work"/loaded.* | grep -o 'libQt6[A-Za-z]*' | sort -u || true)"
rm -f "$work"/loaded.*
SIGPATCH_UI= DISPLAY=:4711 LD_DEBUG=files LD_DEBUG_OUTPUT=$work/loaded run --version
check "for a window: the module is loaded" "sigpatch-desktop.so" \
  "$(cat "$work"/loaded.* | grep -o 'sigpatch-desktop\.so' | sort -u)"

# Without the module, a display there is said in one line; without a display nothing is said.
mkdir "$work/bin"
cp "$SIGPATCH" "$work/bin/sigpatch"
program=$SIGPATCH SIGPATCH=$work/bin/sigpatch
make_package "$work/updates/sdat4700.exe"
SIGPATCH_UI= DISPLAY=:4711 run "/Path:$work/updates"
on_terminal "no module, a display" 4700 \
  "Sigpatch: the desktop toolkit is not installed ($work/lib/sigpatch/sigpatch-desktop.so); going on in the terminal"
SIGPATCH_UI= run --version
check "no module, no display: nothing said" "" "$(cat "$work/err")"
SIGPATCH=$program
SIGPATCH_UI=qt run "/Path:$work/updates"
on_terminal "the desktop asked for without a display" 4700 \
  "Sigpatch: no display: neither DISPLAY nor WAYLAND_DISPLAY is set; going on in the terminal"
finish
