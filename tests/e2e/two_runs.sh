#!/usr/bin/env bash
# Two runs started at the same moment install a package once: the second waits
# for the first and then finds nothing newer.
source "$(dirname "$0")/lib.sh"

make_package "$work/updates/sdat4500.exe" 0 2
"$SIGREG" add 'HKLM\SOFTWARE\Ferrolite\Sigpatch' /v Path /d "$work/updates" /f > /dev/null
"$SIGPATCH" > "$work/out1" 2>&1 < /dev/null &
"$SIGPATCH" > "$work/out2" 2>&1 < /dev/null &
wait
check "the package ran once" 1 "$(wc -l < "$work/installed.log" | tr -d ' ')"
check "one run waited" 1 "$(cat "$work/out1" "$work/out2" \
  | grep -c '^Waiting for the update run that is already under way...$')"
check "one run installed" 1 "$(cat "$work/out1" "$work/out2" | grep -c '^Installing ')"
check "both finished" 2 "$(cat "$work/out1" "$work/out2" | grep -c '^Finished!$')"
check "recorded" "SDAT4500.EXE" "$(setting LatestUpdate)"
cp "$work/out1" "$work/out"
finish
