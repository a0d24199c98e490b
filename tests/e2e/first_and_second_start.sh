#!/usr/bin/env bash
# A first start with /Path and /SetDef installs the newest package and stores
# the folder; the second start installs nothing; a silent run prints nothing.
source "$(dirname "$0")/lib.sh"

make_package "$work/updates/sdat4400.exe"
make_package "$work/updates/SDAT4500.EXE" 7
echo "notes" > "$work/updates/readme.txt"
run "/Path:$work/updates" /SetDef
check "the lines, the listing sorted" "$(printf '%s\n' "Sigpatch V1.01.02" " " \
  "Looking for SDAT*.EXE Updates in $work/updates/..." "Last update on this PC: " SDAT4500.EXE \
  sdat4400.exe "Installing $work/updates/SDAT4500.EXE..." "installing SDAT4500.EXE" "Finished!")" \
  "$(head -n 4 "$work/out"; sed -n 5,6p "$work/out" | sort; tail -n +7 "$work/out")"
check "no messages" "" "$(cat "$work/err")"
check "the package's arguments and folder" "/SILENT /REBOOT|$(dirname "$SIGPATCH")" \
  "$(cat "$work/installed.log")"
check "exit code 7 still counts as installed" "SDAT4500.EXE" "$(setting LatestUpdate)"
check "folder stored as typed" "$work/updates" "$(setting Path)"
[[ $(setting LatestUpdateDate) =~ ^[0-9]{4}-[0-9]{2}-[0-9]{2}\ [0-9]{2}:[0-9]{2}:[0-9]{2}$ ]] \
  || fail "the date recorded: $(setting LatestUpdateDate)"

run
check "second start: nothing installed" $'Last update on this PC: SDAT4500.EXE\nFinished!' \
  "$(sed -n 4p "$work/out"; grep -e '^Installing' -e '^Finished' "$work/out")"
check "second start: no package started" 1 "$(installs)"

make_package "$work/updates/sdat4600.exe"
run /Silent
check "silent run prints nothing but the package's own line" "installing sdat4600.exe" \
  "$(cat "$work/out" "$work/err")"
check "silent run records" "SDAT4600.EXE" "$(setting LatestUpdate)"

# Two runs started at the same moment install a package once: the second waits
# for the first and then finds nothing newer.
make_package "$work/updates/sdat4700.exe" 0 2
rm "$work/installed.log"
"$SIGPATCH" > "$work/out1" 2>&1 < /dev/null &
"$SIGPATCH" > "$work/out2" 2>&1 < /dev/null &
wait
check "two runs: the package ran once" 1 "$(installs)"
check "two runs: one waited, one installed, both finished" $'1\n1\n2' "$(for line in \
  '^Waiting for the update run that is already under way...$' '^Installing ' '^Finished!$'; do
  cat "$work/out1" "$work/out2" | grep -c "$line"; done)"
check "two runs: recorded" "SDAT4700.EXE" "$(setting LatestUpdate)"
finish
