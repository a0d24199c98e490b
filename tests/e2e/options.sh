#!/usr/bin/env bash
# "/?", "--help" and "--version", unknown and duplicate options, a package that
# cannot start, a folder with a blank, a relative folder, a stale package, a
# first start without a terminal to ask on, and the chooser on a terminal; the
# exit status and "LatestRunResult" of each.
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
check "usage: status 0" 0 "$status"
for help in --help -h -? --HELP; do
  run "$help"
  check "$help shows the usage" 'Sigpatch [/Path:"C:\Updates" [/SetDef]] [/Silent] [/Minimized] [/?]' \
    "$(grep '^Sigpatch \[' "$work/out")"
  check "$help: status 0" 0 "$status"
done

started=$(setting LatestRunDate)
run --version
check "--version prints the title line" "Sigpatch V1.01.02" "$(cat "$work/out")"
check "--version: status 0" 0 "$status"
check "--version writes nothing" "$started" "$(setting LatestRunDate)"

for option in --verbose /Bogus:1 -x; do
  run /Silent "$option"
  check "$option: named" "Sigpatch: Invalid Argument: $(sed 's|^/Bogus:1$|/BOGUS|' <<< "$option")" \
    "$(cat "$work/err")"
  check "$option: the usage" "  /SetDef"$'\t\t'"Sets the specified path as default" \
    "$(grep "^  /SetDef" "$work/out")"
  check "$option: status 2" 2 "$status"
done

run /Silent /silent
check "duplicate option" "Sigpatch: Duplicate Argument: silent" "$(cat "$work/err")"
check "duplicate option prints nothing else" "" "$(cat "$work/out")"
check "duplicate option: status 2" 2 "$status"

# No stored folder and no terminal: nobody can choose one.
run
check "nobody to ask: title only" $'Sigpatch V1.01.02\n ' "$(cat "$work/out")"
check "nobody to ask: said" "Sigpatch: No source folder: none is stored, and nobody is here to choose one. Store one with /Path:FOLDER /SetDef." \
  "$(cat "$work/err")"
check "nobody to ask: no folder stored" "<missing>" "$(setting Path)"
check "nobody to ask: the result recorded" "failed: no source folder is stored" \
  "$(setting LatestRunResult)"
check "nobody to ask: status 1" 1 "$status"

# On a terminal the chooser takes only a folder that exists.
mkdir -p "$work/chosen"
printf '%s\n%s\n' "$work/nowhere" "$work/chosen" \
  | script -qec "$SIGPATCH" /dev/null > "$work/out" 2>&1 || true
check "the chooser refuses a missing folder" "Folder $work/nowhere does not exist." \
  "$(grep -o "Folder $work/nowhere does not exist." "$work/out")"
check "and takes the next answer" "$work/chosen/" "$(setting Path)"
"$SIGREG" delete 'HKLM\SOFTWARE\Ferrolite\Sigpatch' /v Path /f > /dev/null

make_package "$work/my updates/sdat4500.exe"
chmod -x "$work/my updates/sdat4500.exe"
run "/Path:$work/my updates"
check "a package that cannot start" \
  $'Installation failed!\nsdat4500.exe: Permission denied\nFinished!' "$(tail -n 3 "$work/out")"
check "nothing recorded" "<missing>" "$(setting LatestUpdate)"
check "the folder from the command line is stored on a first start" "$work/my updates" "$(setting Path)"
check "a package that cannot start: status 1" 1 "$status"
check "a package that cannot start: the result" "failed: sdat4500.exe: Permission denied" \
  "$(setting LatestRunResult)"

chmod +x "$work/my updates/sdat4500.exe"
run
check "tried again at the next start" "Installing $work/my updates/sdat4500.exe..." \
  "$(grep Installing "$work/out")"
check "a path with a blank reaches the package whole" "/SILENT /REBOOT|$(dirname "$SIGPATCH")" \
  "$(cat "$work/installed.log")"
check "recorded" "SDAT4500.EXE" "$(setting LatestUpdate)"
check "installed: status 0" 0 "$status"
check "installed: the result" "installed: sdat4500.exe" "$(setting LatestRunResult)"

run '/Path:"'"$work/my updates"'"'
check "the usage's quoted form reaches the run whole" "Looking for SDAT*.EXE Updates in $work/my updates/..." \
  "$(grep '^Looking' "$work/out")"
check "nothing newer: status 0" 0 "$status"
check "nothing newer: the result" "nothing-newer: sdat4500.exe" "$(setting LatestRunResult)"

run /Path:"$work/gone"
check "a missing folder: status 1" 1 "$status"

# A relative folder is stored whole, so that a start from elsewhere finds it.
mkdir -p "$work/pk1"
(cd "$work" && "$SIGPATCH" /Path:pk1 /SetDef > /dev/null 2>&1 < /dev/null) || true
check "a relative folder is stored whole" "$work/pk1" "$(setting Path)"

# A package the downloader fetched weeks ago: installed, then said in red.
make_package "$work/pk1/sdat4600.exe"
touch -d '30 days ago' "$work/pk1/sdat4600.exe"
run
check "stale: installed all the same" "SDAT4600.EXE" "$(setting LatestUpdate)"
check "stale: said last" "The newest package, sdat4600.exe, is 30 days old." "$(tail -n 1 "$work/out")"
check "stale: status 3" 3 "$status"
check "stale: the result" "stale: sdat4600.exe: 30 days old" "$(setting LatestRunResult)"
finish
