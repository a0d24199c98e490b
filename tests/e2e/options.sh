#!/usr/bin/env bash
# "/?" and "--version", the chooser on a terminal, a package that cannot start, a folder with a
# blank, a relative folder and a stale package, as the terminal shows them, with the exit status
# and "LatestRunResult".
source "$(dirname "$0")/lib.sh"
usage='Sigpatch [/Path:"C:\Updates" [/SetDef]] [/Silent] [/Minimized] [/?]'

run "/?" /Silent
check "usage" "$(printf '%s\n' "$usage" $'  /Path\t\tSpecify a source directory' \
  $'  /SetDef\t\tSets the specified path as default' $'  /Silent\t\tNo output to the screen' \
  $'  /Minimized\tRun minimized' $'  /?\t\tThis information')" "$(grep -A5 '^Sigpatch \[' "$work/out")"
check "usage runs nothing, records the start, not the settings: status 0" "|Sigpatch V1.01.02 <missing> 0" \
  "$(grep -E 'Looking for|Finished' "$work/out")|$(setting LatestRunVersion) $(setting SDATParam) $status"

started=$(setting LatestRunDate)
run --version
check "--version prints the title line, writes nothing: status 0" "Sigpatch V1.01.02 $started 0" \
  "$(cat "$work/out") $(setting LatestRunDate) $status"
# On a terminal the chooser takes only a folder that exists.
mkdir -p "$work/chosen"
printf '%s\n%s\n' "$work/nowhere" "$work/chosen" \
  | script -qec "$SIGPATCH" /dev/null > "$work/out" 2>&1 || true
check "the chooser refuses a missing folder and takes the next answer" \
  "Folder $work/nowhere does not exist.|$work/chosen/" \
  "$(grep -o "Folder $work/nowhere does not exist." "$work/out")|$(setting Path)"
"$SIGREG" delete "$settings" /v Path /f > /dev/null

make_package "$work/my updates/sdat4500.exe"
chmod -x "$work/my updates/sdat4500.exe"
run "/Path:$work/my updates"
check "a package that cannot start: said, the result, status 1; the folder stored on a first start" \
  $'Installation failed!\nsdat4500.exe: Permission denied\nFinished!|failed: sdat4500.exe: Permission denied 1|'"$work/my updates" \
  "$(tail -n 3 "$work/out")|$(setting LatestRunResult) $status|$(setting Path)"
chmod +x "$work/my updates/sdat4500.exe"
run
check "tried again at the next start, the path with a blank whole: the result, status 0" \
  "Installing $work/my updates/sdat4500.exe...|/SILENT /REBOOT|$(dirname "$SIGPATCH")|installed: sdat4500.exe 0" \
  "$(grep Installing "$work/out")|$(cat "$work/installed.log")|$(setting LatestRunResult) $status"

# A relative folder is stored whole, so that a start from elsewhere finds it.
mkdir -p "$work/pk1"
(cd "$work" && "$SIGPATCH" /Path:pk1 /SetDef > /dev/null 2>&1 < /dev/null) || true
check "a relative folder is stored whole" "$work/pk1" "$(setting Path)"

# A package the downloader fetched weeks ago: installed, then said last.
make_package "$work/pk1/sdat4600.exe"
touch -d '30 days ago' "$work/pk1/sdat4600.exe"
run
check "stale: installed all the same and said last: status 3" \
  "SDAT4600.EXE|The newest package, sdat4600.exe, is 30 days old.|stale: sdat4600.exe: 30 days old 3" \
  "$(setting LatestUpdate)|$(tail -n 1 "$work/out")|$(setting LatestRunResult) $status"
finish
