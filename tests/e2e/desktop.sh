#!/usr/bin/env bash
# The program on the desktop toolkit: on a real X server (Xvfb) the run shows in a window that
# closes by itself after the last line; a display that cannot be opened, or a missing toolkit
# module, is said in one line and the run goes on in the terminal.
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
loaded() {  # pattern: what of it the libraries loaded by "sigpatch --version" show
  LD_DEBUG=files LD_DEBUG_OUTPUT=$work/loaded run --version
  cat "$work"/loaded.* | grep -o "$1" | sort -u
  rm -f "$work"/loaded.*
}
check "the program links no Qt, and loads none on the terminal" "|" \
  "$(ldd "$SIGPATCH" | grep -o 'libQt6[A-Za-z]*')|$(loaded 'libQt6[A-Za-z]*')"

# Without the module, a display there is said in one line; without a display nothing is said.
mkdir "$work/bin" && cp "$SIGPATCH" "$work/bin/sigpatch" && SIGPATCH=$work/bin/sigpatch
make_package "$work/updates/sdat4700.exe"
SIGPATCH_UI= DISPLAY=:4711 run "/Path:$work/updates"
on_terminal "no module, a display" 4700 \
  "Sigpatch: the desktop toolkit is not installed ($work/lib/sigpatch/sigpatch-desktop.so); going on in the terminal"
SIGPATCH_UI= run --version
check "no module, no display: nothing said" "" "$(cat "$work/err")"
finish
