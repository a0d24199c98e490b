#!/usr/bin/env bash
# A first start with /Path and /SetDef installs the newest package and stores
# the folder; a later silent run prints nothing; two runs at the same moment
# install a package once: the second waits for the first, then finds nothing newer.
source "$(dirname "$0")/lib.sh"

make_package "$work/updates/sdat4400.exe"
make_package "$work/updates/SDAT4500.EXE" 7
echo "notes" > "$work/updates/readme.txt"
run "/Path:$work/updates" /SetDef
check "the lines, the listing sorted" "$(printf '%s\n' "Sigpatch V1.01.02" " " \
  "Looking for SDAT*.EXE Updates in $work/updates/..." "Last update on this PC: " SDAT4500.EXE \
  sdat4400.exe "Installing $work/updates/SDAT4500.EXE..." "installing SDAT4500.EXE" "Finished!")" \
  "$(head -n 4 "$work/out"; sed -n 5,6p "$work/out" | sort; tail -n +7 "$work/out")"
check "no messages; the package's arguments and folder; exit code 7 counts as installed; the folder stored as typed" \
  "|/SILENT /REBOOT|$(dirname "$SIGPATCH")|SDAT4500.EXE|$work/updates" \
  "$(cat "$work/err")|$(cat "$work/installed.log")|$(setting LatestUpdate)|$(setting Path)"

make_package "$work/updates/sdat4600.exe"
run /Silent
check "a silent run prints nothing but the package's own line, and records" \
  "installing sdat4600.exe|SDAT4600.EXE" "$(cat "$work/out" "$work/err")|$(setting LatestUpdate)"

make_package "$work/updates/sdat4700.exe" 0 2
rm "$work/installed.log"
"$SIGPATCH" > "$work/out1" 2>&1 < /dev/null &
"$SIGPATCH" > "$work/out2" 2>&1 < /dev/null &
wait
check "two runs: the package ran once; one waited, one installed, both finished; recorded" \
  $'1|1\n1\n2|SDAT4700.EXE' "$(installs)|$(for line in '^Waiting for the update run that is already under way...$' \
  '^Installing ' '^Finished!$'; do cat "$work/out1" "$work/out2" | grep -c "$line"; done)|$(setting LatestUpdate)"
finish
