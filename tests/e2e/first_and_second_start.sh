#!/usr/bin/env bash
# A first start with /Path and /SetDef installs the newest package and stores
# the folder; the second start installs nothing.
source "$(dirname "$0")/lib.sh"

make_package "$work/updates/sdat4400.exe"
make_package "$work/updates/SDAT4500.EXE" 7
echo "notes" > "$work/updates/readme.txt"

run "/Path:$work/updates" /SetDef
check "title and blank line" $'Sigpatch V1.01.02\n ' "$(head -n 2 "$work/out")"
check "looking for" "Looking for SDAT*.EXE Updates in $work/updates/..." "$(sed -n 3p "$work/out")"
check "last update" "Last update on this PC: " "$(sed -n 4p "$work/out")"
check "listed packages" $'SDAT4500.EXE\nsdat4400.exe' "$(sed -n '5,6p' "$work/out" | sort)"
check "install line" "Installing $work/updates/SDAT4500.EXE..." "$(sed -n 7p "$work/out")"
check "the package's own output" "installing SDAT4500.EXE" "$(sed -n 8p "$work/out")"
check "last line" "Finished!" "$(tail -n 1 "$work/out")"
check "no messages" "" "$(cat "$work/err")"
check "the package's arguments and folder" "/SILENT /REBOOT|$(dirname "$SIGPATCH")" \
  "$(cat "$work/installed.log")"
check "exit code 7 still counts as installed" "SDAT4500.EXE" "$(setting LatestUpdate)"
check "folder stored as typed" "$work/updates" "$(setting Path)"
check "switches default" "/SILENT /REBOOT" "$(setting SDATParam)"
check "mask default" "sdat*.exe" "$(setting FileMask)"
check "version" "Sigpatch V1.01.02" "$(setting LatestRunVersion)"
[[ $(setting LatestUpdateDate) =~ ^[0-9]{4}-[0-9]{2}-[0-9]{2}\ [0-9]{2}:[0-9]{2}:[0-9]{2}$ ]] \
  && echo "ok: date recorded" || { echo "FAILED: date $(setting LatestUpdateDate)"; failures=$((failures + 1)); }

rm "$work/installed.log"
run
check "second start: last update" "Last update on this PC: SDAT4500.EXE" "$(sed -n 4p "$work/out")"
check "second start: nothing installed" "" "$(grep Installing "$work/out" || true)"
check "second start: finished" "Finished!" "$(tail -n 1 "$work/out")"
[[ ! -e "$work/installed.log" ]] && echo "ok: no package started" \
  || { echo "FAILED: a package was started again"; failures=$((failures + 1)); }

# A newer package, installed silently: nothing on the terminal, all in the registry.
make_package "$work/updates/sdat4600.exe"
run /Silent
check "silent run prints nothing but the package's own line" "installing sdat4600.exe" \
  "$(cat "$work/out" "$work/err")"
check "silent run records" "SDAT4600.EXE" "$(setting LatestUpdate)"
finish
