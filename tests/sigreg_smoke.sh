#!/bin/sh
# The built sigreg end to end: its arguments as a shell passes them, its exit
# statuses, the question on a real terminal, the store's own report, and export
# onto what is not a plain file of the user's (devices, pipes, folders, links,
# modes and owners), which the system layer's tests do not reach.
set -eu
sigreg=${1:?usage: sigreg_smoke.sh PATH_TO_SIGREG}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export SIGPATCH_REGISTRY="$dir/registry.db"
key='HKLM\SOFTWARE\Ferrolite\Sigpatch'
shown='
HKEY_LOCAL_MACHINE\SOFTWARE\Ferrolite\Sigpatch'
check() {
  [ "$1" = "$2" ] || { printf '%s\nexpected:\n%s\ngot:\n%s\n' "$3" "$2" "$1" >&2; exit 1; }
}
# The exit status and the first line on standard error of one run of sigreg.
status() {
  code=0
  "$sigreg" "$@" </dev/null >"$dir/out" 2>"$dir/err" || code=$?
  echo "$code $(head -n 1 "$dir/err")"
}
bom() { head -c 2 "$1" | od -An -tx1 | tr -d ' '; }

check "$(status add "$key" /v FileMask /d 'sdat*.exe') $(cat "$dir/out")" \
  "0  The operation completed successfully." "add"
check "$(status add "$key" /v Count /t REG_DWORD /d 17)" "0 " "add a number"
check "$(status add "$key" /v 'Grüße Ω' /d 'a  b')" "0 " "words that are not ASCII"
check "$("$sigreg" query "$key")" "$shown
    FileMask    REG_SZ    sdat*.exe
    Count    REG_DWORD    0x11
    Grüße Ω    REG_SZ    a  b" "query"
check "$(status add "$key" /v FileMask /d other)" \
  "1 ERROR: Value FileMask exists; add /f to overwrite it." "no terminal, no overwriting"
check "$(status list)" \
  "1 ERROR: Invalid syntax: unknown operation \"list\" (sigreg /? shows how)." "bad arguments"
if command -v script >/dev/null 2>&1; then
  printf 'yes\n' | script -qec "'$sigreg' add '$key' /v FileMask /d 'SDAT*.EXE'" /dev/null >/dev/null
  check "$("$sigreg" query "$key" /v FileMask)" "$shown
    FileMask    REG_SZ    SDAT*.EXE" "answered on a terminal"
fi
"$sigreg" export 'HKLM\SOFTWARE\Ferrolite' "$dir/settings.reg" >/dev/null
SIGPATCH_REGISTRY="$dir/other.db" "$sigreg" import "$dir/settings.reg" >/dev/null
check "$(SIGPATCH_REGISTRY="$dir/other.db" "$sigreg" query "$key" /v Count)" "$shown
    Count    REG_DWORD    0x11" "imported into another store"

# Export onto what is not a plain file: the file, the switches, the status and
# the error line (none when it succeeds).
mkfifo "$dir/fifo"
mkdir "$dir/folder"
printf old >"$dir/target.reg"
ln -s target.reg "$dir/link.reg"
ln -s made.reg "$dir/dangling.reg"
printf 'its mode stays' >"$dir/mode.reg"
chmod 640 "$dir/mode.reg"
while IFS='|' read -r file switches expected; do
  # shellcheck disable=SC2086 # the switches are separate words
  check "$(status export 'HKLM\SOFTWARE\Ferrolite' "$file" $switches)" "$expected" "export to $file"
done <<TABLE
/dev/full|/y|1 ERROR: Cannot write /dev/full: it is a device, not a file.
/dev/full||1 ERROR: Cannot write /dev/full: it is a device, not a file.
$dir/fifo|/y|1 ERROR: Cannot write $dir/fifo: it is a pipe (FIFO), not a file.
$dir/folder|/y|1 ERROR: Cannot write $dir/folder: it is a folder, not a file.
$dir/link.reg|/y|0 
$dir/dangling.reg||0 
$dir/mode.reg|/y|0 
TABLE
check "$(stat -c %F /dev/full "$dir/fifo" "$dir/link.reg" "$dir/dangling.reg" | tr '\n' ,)" \
  "character special file,fifo,symbolic link,symbolic link," "the device, pipe and links stay"
check "$(bom "$dir/target.reg") $(bom "$dir/made.reg") $(bom "$dir/mode.reg")" \
  "fffe fffe fffe" "written through the links and in place"
check "$(stat -c %a "$dir/mode.reg")" "640" "the mode stays"
check "$("$sigreg" export 'HKLM\SOFTWARE\Ferrolite' - | head -c 2 | od -An -tx1 | tr -d ' ')" \
  "fffe" "export to standard output"
code=0
"$sigreg" export 'HKLM\SOFTWARE\Ferrolite' - >/dev/full 2>"$dir/err" || code=$?
check "$code $(cat "$dir/err")" \
  "1 ERROR: Cannot write to standard output: No space left on device." "a full device"

# Another user's file keeps its owner and mode; a user who cannot give the new
# file that owner leaves the file alone. Only root can set this up.
if [ "$(id -u)" = 0 ] && id nobody >/dev/null 2>&1; then
  printf theirs >"$dir/theirs.reg"
  chown nobody "$dir/theirs.reg"
  chmod 600 "$dir/theirs.reg"
  "$sigreg" export 'HKLM\SOFTWARE\Ferrolite' "$dir/theirs.reg" /y >/dev/null
  check "$(stat -c '%U %a' "$dir/theirs.reg") $(bom "$dir/theirs.reg")" "nobody 600 fffe" \
    "another user's file"
  mkdir -m 777 "$dir/shared"
  printf mine >"$dir/shared/root.reg"
  chmod 666 "$dir/shared/root.reg"
  chmod 755 "$dir"
  code=0
  setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups \
    "$sigreg" export 'HKLM\SOFTWARE\Ferrolite' "$dir/shared/root.reg" /y 2>"$dir/err" || code=$?
  check "$code $(cat "$dir/err")" "1 ERROR: Cannot write $dir/shared/root.reg: its owner root \
cannot be kept: Operation not permitted." "an owner that cannot be kept"
  check "$(cat "$dir/shared/root.reg") $(ls -A "$dir/shared")" "mine root.reg" "left alone"
fi
check "$(find "$dir" -maxdepth 1 -name '*sigreg*')" "" "no new file is left behind"

# The store's own report, in one line.
head -c 4096 /dev/zero | tr '\0' 'x' >"$dir/damaged.db"
check "$(SIGPATCH_REGISTRY="$dir/damaged.db" status query HKLM)" "1 ERROR: The registry store \
$dir/damaged.db is damaged: it does not begin with an SQLite database header; it was left as it \
is: restore it from a backup, or move it aside to start with empty settings." "damaged store"
echo "sigreg works"
