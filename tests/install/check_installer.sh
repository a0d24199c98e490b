#!/usr/bin/env bash
# The Windows installer end to end under Wine, in a fresh prefix of the build tree:
#   check_installer.sh BUILD_DIR RECORD_PROBE HOLD_PROBE
# Packs two versions, installs, runs the start-up task's command, upgrades during
# an update run, uninstalls, reinstalls elsewhere without tasks, uninstalls with
# the settings. Wine keeps a task registered with schtasks /Create /XML only as a
# file in C:\windows\system32\tasks and never starts it: the test checks the
# installer's definitions and runs the task's command line itself.
set -euo pipefail
build=$(realpath "$1")
record_probe=$(realpath "$2")
hold_probe=$(realpath "$3")
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work=$build/installer-test
prefix=$work/wineprefix
started=$SECONDS

wineserver=/usr/lib/wine/wineserver
[[ -x $wineserver ]] || wineserver=$(command -v wineserver)

fail() { echo "FAIL: $*" >&2; exit 1; }
step() { echo "--- $* ($((SECONDS - started)) s)"; }
trap 'WINEPREFIX=$prefix "$wineserver" -k 2>/dev/null || true' EXIT
wine() { "$source_dir/cmake/wine-run" "$prefix" "$@"; }
# Waits until every program of the prefix has ended (an uninstaller goes on in a copy).
settle() { WINEPREFIX=$prefix "$wineserver" -w; }
wait_for_file() {
  local deadline=$((SECONDS + 120))
  until [[ -e $1 ]]; do ((SECONDS < deadline)) && sleep 0.1 || fail "$1 did not appear"; done
}

# The data of a registry value in the 64-bit view (or the view given third).
reg_value() {
  wine reg query "$1" /v "$2" "/reg:${3:-64}" 2>/dev/null | tr -d '\r' |
    sed -n "s/^    $2    REG_[A-Z_]*    //p"
}
has_key() { wine reg query "$1" "/reg:${2:-64}" >/dev/null 2>&1; }
expect_value() {
  local found && found=$(reg_value "$1" "$2") && [[ $found == "$3" ]] || fail "$1 $2 is \"$found\", not \"$3\""
}

uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Sigpatch'
settings_key='HKLM\SOFTWARE\Ferrolite\Sigpatch'
eventlog_key='HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Sigpatch'
drive_c=$prefix/drive_c
start_menu_link="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Sigpatch.lnk"
scheduler=$drive_c/windows/system32/tasks
startup_task="Sigpatch at start-up"
daily_task="Sigpatch daily"

# A task definition as UTF-8 on one line: the installer's are UTF-16, Wine's copies UTF-8.
task_text() {
  { [[ $(od -An -tx1 -N2 "$1" | tr -d ' ') == fffe ]] && iconv -f UTF-16 -t UTF-8 "$1" ||
    sed '1s/^\xef\xbb\xbf//' "$1"; } | tr -d '\r\n'
}
task_field() { task_text "$1" | sed -n "s:.*<$2>\(.*\)</$2>.*:\1:p"; }

step "packing two versions and making a fresh prefix"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
IFS=. read -r major minor _ <<<"$version"
newer="$major.$((minor + 1)).0"
if [[ -d $prefix ]]; then WINEPREFIX=$prefix "$wineserver" -k 2>/dev/null || true; fi
rm -rf "$work"
mkdir -p "$work"
# One cpack after the other, beside the making of the prefix.
(cpack --config "$build/CPackConfig.cmake" -B "$work/v1" >"$work/cpack.log" 2>&1 &&
  cpack --config "$build/CPackConfig.cmake" -B "$work/v2" -D "CPACK_PACKAGE_VERSION=$newer" \
    >>"$work/cpack.log" 2>&1) &
pack=$!
wine cmd /c exit 0
wait $pack || { cat "$work/cpack.log"; fail "cpack failed"; }
setup1=$work/v1/Sigpatch-$version-win64.exe
setup2=$work/v2/Sigpatch-$newer-win64.exe
# What each installer holds.
staged=$work/v1/_CPack_Packages/win64/NSIS64/Sigpatch-$version-win64
staged2=$work/v2/_CPack_Packages/win64/NSIS64/Sigpatch-$newer-win64

step "silent install of $version"
wine "$setup1" /S || fail "setup /S ended with $?"
inst="$drive_c/Program Files/Sigpatch"
expected_files="README.txt Uninstall.exe daily-task.xml sigpatch-console.exe sigpatch.exe sigpatch.ico startup-task.xml"
[[ $(cd "$inst" && ls | sort | xargs) == "$expected_files" ]] ||
  fail "the install folder holds: $(cd "$inst" && ls | xargs)"
for file in sigpatch.exe sigpatch-console.exe sigpatch.ico README.txt; do
  cmp -s "$staged/$file" "$inst/$file" || fail "$file differs from the packed one"
done
[[ ! -e "$drive_c/Program Files (x86)/Sigpatch" ]] || fail "installed into the 32-bit Program Files"

for pair in DisplayName=Sigpatch "DisplayVersion=$version" Publisher=Ferrolite Tasks=startup,daily \
  'DisplayIcon=C:\Program Files\Sigpatch\sigpatch.ico' 'InstallLocation=C:\Program Files\Sigpatch' \
  'UninstallString="C:\Program Files\Sigpatch\Uninstall.exe"' \
  'QuietUninstallString="C:\Program Files\Sigpatch\Uninstall.exe" /S'; do
  expect_value "$uninstall_key" "${pair%%=*}" "${pair#*=}"
done
! has_key "$uninstall_key" 32 || fail "the uninstall key is in the 32-bit view (WOW6432Node)"
expect_value "$eventlog_key" EventMessageFile 'C:\Program Files\Sigpatch\sigpatch.exe'
expect_value "$eventlog_key" TypesSupported 0x7

tr -d '\0' <"$start_menu_link" | grep -aq 'C:\\Program Files\\Sigpatch\\sigpatch.exe' ||
  fail "the Start-menu entry does not lead to sigpatch.exe"

for file in startup-task.xml daily-task.xml; do
  [[ $(task_text "$inst/$file") == '<?xml version="1.0" encoding="UTF-16"?>'* ]] || fail "$file is no UTF-16 task definition"
  for field in 'Command=C:\Program Files\Sigpatch\sigpatch-console.exe' Arguments=/Silent UserId=S-1-5-18 \
    RunOnlyIfNetworkAvailable=true StopIfGoingOnBatteries=false; do
    [[ $(task_field "$inst/$file" "${field%%=*}") == "${field#*=}" ]] || fail "$file has no $field"
  done
done
[[ $(task_text "$inst/startup-task.xml") == *"<BootTrigger>"*"EventID=10000"* ]] ||
  fail "the start-up task has no boot and network trigger"
[[ $(task_text "$inst/daily-task.xml") == *"<DaysInterval>1</DaysInterval>"* ]] ||
  fail "the daily task does not run daily"
[[ -f "$scheduler/$daily_task" && $(task_field "$scheduler/$startup_task" Description) == "$(task_field "$inst/startup-task.xml" Description)" ]] ||
  fail "the tasks are not registered from the installer's definitions"

step "the start-up task's command installs a package"
mkdir -p "$drive_c/updates" "$drive_c/probe"
cp "$record_probe" "$drive_c/updates/sdat4500.exe"
wine reg add "$settings_key" /v Path /d 'C:\updates' /f /reg:64 >/dev/null
wine reg add "$settings_key" /v PackageSettleSeconds /d 0 /f /reg:64 >/dev/null
# Wine keeps no access lists, so no folder can be shown safe here.
wine reg add "$settings_key" /v AllowUntrustedSource /t REG_DWORD /d 1 /f /reg:64 >/dev/null
command=$(task_field "$inst/startup-task.xml" Command)
arguments=$(task_field "$inst/startup-task.xml" Arguments)
(cd "$inst" && SIGPATCH_PROBE_RECORD='C:\probe\record-4500.txt' wine "$command" $arguments) ||
  fail "the task's command ended with $?"
expect_value "$settings_key" LatestUpdate SDAT4500.EXE
# What runs is the program's own checked copy of the package.
[[ $(sed -n 1p "$drive_c/probe/record-4500.txt" | tr -d '\r') == 'C:\ProgramData\Sigpatch\packages\sdat4500.exe /SILENT /REBOOT' ]] ||
  fail "the package was started as: $(cat "$drive_c/probe/record-4500.txt")"
[[ $(sed -n 2p "$drive_c/probe/record-4500.txt" | tr -d '\r') == 'C:\Program Files\Sigpatch' ]] ||
  fail "the package ran in: $(sed -n 2p "$drive_c/probe/record-4500.txt")"

step "upgrade to $newer while an update run installs a package"
cp "$hold_probe" "$drive_c/updates/sdat4600.exe"
SIGPATCH_PROBE_RECORD='C:\probe\record-4600.txt' SIGPATCH_PROBE_RELEASE='C:\probe\release' \
  wine "C:\\Program Files\\Sigpatch\\sigpatch-console.exe" /Silent &
run=$!
wait_for_file "$drive_c/probe/record-4600.txt"
# A program the upgrade must put back.
echo "not the program" >"$inst/sigpatch.exe"
status=0
wine "$setup2" /S /WAIT=1 || status=$?
# Exit code 1618; Wine hands on its lowest byte.
[[ $status == $((1618 & 255)) ]] || fail "a silent setup with /WAIT=1 during a run ended with $status, not 1618"
expect_value "$uninstall_key" DisplayVersion "$version"
[[ $(cat "$inst/sigpatch.exe") == "not the program" ]] || fail "the setup that gave up changed the programs"

wine "$setup2" /S &
upgrade=$!
touch "$drive_c/probe/release"
wait $run || fail "the update run ended with $?"
wait $upgrade || fail "the upgrade ended with $?"
expect_value "$settings_key" LatestUpdate SDAT4600.EXE
expect_value "$uninstall_key" DisplayVersion "$newer"
for file in sigpatch.exe sigpatch-console.exe; do
  cmp -s "$staged2/$file" "$inst/$file" || fail "the upgrade did not replace $file"
done
[[ -f "$scheduler/$startup_task" && -f "$scheduler/$daily_task" && -f $start_menu_link ]] ||
  fail "the upgrade lost a task or the Start-menu entry"

step "silent uninstall keeps the settings"
wine 'C:\Program Files\Sigpatch\Uninstall.exe' /S || fail "the uninstaller ended with $?"
settle
[[ ! -e $inst ]] || fail "the install folder is left: $(ls -A "$inst" | xargs)"
[[ ! -e $start_menu_link ]] || fail "the Start-menu entry is left"
! has_key "$uninstall_key" || fail "the uninstall key is left"
! has_key "$eventlog_key" || fail "the event-log source is left"
[[ ! -e "$scheduler/$startup_task" && ! -e "$scheduler/$daily_task" ]] || fail "a task is left"

step "silent install into another folder without the tasks"
wine "$setup1" /S /TASKS=0 '/D=C:\Tools\Sigpatch' || fail "setup /TASKS=0 /D= ended with $?"
expect_value "$uninstall_key" Tasks none
expect_value "$eventlog_key" EventMessageFile 'C:\Tools\Sigpatch\sigpatch.exe'
[[ ! -e "$scheduler/$startup_task" && ! -e "$scheduler/$daily_task" ]] || fail "a task was made with /TASKS=0"
# The kept settings hold: nothing newer to install.
wine 'C:\Tools\Sigpatch\sigpatch-console.exe' /Silent || fail "the reinstalled program ended with $?"
[[ $(reg_value "$settings_key" LatestRunResult) == nothing-newer* ]] ||
  fail "the run after the reinstall came to: $(reg_value "$settings_key" LatestRunResult)"

step "silent uninstall with /REMOVESETTINGS"
wine 'C:\Tools\Sigpatch\Uninstall.exe' /S /REMOVESETTINGS || fail "the uninstaller ended with $?"
settle
[[ ! -e $drive_c/Tools/Sigpatch ]] || fail "the install folder is left"
! has_key "$settings_key" || fail "the settings are left after /REMOVESETTINGS"
! has_key 'HKLM\SOFTWARE\Ferrolite' || fail "the empty Ferrolite key is left"
step "passed"
