#!/usr/bin/env bash
# "/?", a duplicate option, a package that cannot start, a folder with a blank,
# and a first start without a terminal to ask on.
source "$(dirname "$0")/lib.sh"

run "/?" /Silent
check "usage" "$(printf '%s\n' \
  'Sigpatch [/Path:"C:\Updates" [/SetDef]] [/Silent] [/Minimized] [/?]' \
  $'  /Path\t\tSpecify a source directory' \
  $'  /SetDef\t\tSets the specified path as default' \
  $'  /Silent\t\tNo output to the screen' \
  $'  /Minimized\tRun minimized' \
  $'  /?\t\tThis information')" "$(grep -A5 '^Sigpatch \[' "$work/out")"
check "usage runs nothing" "" "$(grep -E 'Looking for|Finished' "$work/out" || true)"
check "usage still records the start" "Sigpatch V1.01.02" "$(setting LatestRunVersion)"
check "usage leaves the settings" "<missing>" "$(setting SDATParam)"

run /Silent /silent
check "duplicate option" "Sigpatch: Duplicate Argument: silent" "$(cat "$work/err")"
check "duplicate option prints nothing else" "" "$(cat "$work/out")"

# No stored folder and no terminal: the chooser counts as cancelled.
run
check "cancelled chooser: title only" $'Sigpatch V1.01.02\n ' "$(cat "$work/out")"
check "cancelled chooser: no folder stored" "<missing>" "$(setting Path)"

make_package "$work/my updates/sdat4500.exe"
chmod -x "$work/my updates/sdat4500.exe"
run "/Path:$work/my updates"
check "a package that cannot start" \
  $'Installation failed!\nsdat4500.exe: Permission denied\nFinished!' "$(tail -n 3 "$work/out")"
check "nothing recorded" "<missing>" "$(setting LatestUpdate)"
check "the folder from the command line is stored on a first start" "$work/my updates" "$(setting Path)"

chmod +x "$work/my updates/sdat4500.exe"
run
check "tried again at the next start" "Installing $work/my updates/sdat4500.exe..." \
  "$(grep Installing "$work/out")"
check "a path with a blank reaches the package whole" "/SILENT /REBOOT|$(dirname "$SIGPATCH")" \
  "$(cat "$work/installed.log")"
check "recorded" "SDAT4500.EXE" "$(setting LatestUpdate)"
finish
