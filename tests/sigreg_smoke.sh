#!/bin/sh
# The sigreg executable over store files of its own: add, query, the refusal
# without a terminal, the question on a terminal, export and import into
# another store, and a damaged store named in one line.
set -eu
sigreg=${1:?usage: sigreg_smoke.sh PATH_TO_SIGREG}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export SIGPATCH_REGISTRY="$dir/registry.db"
key='HKLM\SOFTWARE\Ferrolite\Sigpatch'

check() {
  if [ "$1" != "$2" ]; then
    printf '%s\nexpected:\n%s\ngot:\n%s\n' "$3" "$2" "$1" >&2
    exit 1
  fi
}

check "$("$sigreg" add "$key" /v FileMask /d 'sdat*.exe')" \
  "The operation completed successfully." "add"
check "$("$sigreg" add "$key" /v Count /t REG_DWORD /d 17)" \
  "The operation completed successfully." "add a number"
check "$("$sigreg" query "$key")" "
HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch
    FileMask    REG_SZ    sdat*.exe
    Count    REG_DWORD    0x11" "query"

if "$sigreg" add "$key" /v FileMask /d other </dev/null >"$dir/out" 2>"$dir/err"; then
  echo "overwrote without /f and without a terminal" >&2
  exit 1
fi
check "$(cat "$dir/err")" "ERROR: Value FileMask exists; add /f to overwrite it." "refusal"

if command -v script >/dev/null 2>&1; then
  printf 'yes\n' | script -qec "'$sigreg' add '$key' /v FileMask /d 'SDAT*.EXE'" /dev/null \
    >"$dir/out"
  check "$("$sigreg" query "$key" /v FileMask)" "
HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch
    FileMask    REG_SZ    SDAT*.EXE" "answered on a terminal"
fi

"$sigreg" export 'HKLM\SOFTWARE\Ferrolite' "$dir/settings.reg" >/dev/null
check "$(head -c 2 "$dir/settings.reg" | od -An -tx1 | tr -d ' ')" "fffe" "UTF-16 byte-order mark"
SIGPATCH_REGISTRY="$dir/other.db" "$sigreg" import "$dir/settings.reg" >/dev/null
check "$(SIGPATCH_REGISTRY="$dir/other.db" "$sigreg" query 'hklm\software\ferrolite' /s)" "
HKEY_LOCAL_MACHINE\\software\\ferrolite

HKEY_LOCAL_MACHINE\\software\\ferrolite\\Sigpatch
    FileMask    REG_SZ    SDAT*.EXE
    Count    REG_DWORD    0x11" "imported"

# Export onto what is not a plain file of the user's: each line is the file, the
# switches, the exit code and the error line (none when it succeeds).
bom=fffe
firstBytes() { head -c 2 "$1" | od -An -tx1 | tr -d ' '; }
mkfifo "$dir/fifo"
mkdir "$dir/folder"
printf old >"$dir/target.reg"
ln -s target.reg "$dir/link.reg"
ln -s made.reg "$dir/dangling.reg"
printf 'its mode stays' >"$dir/mode.reg"
chmod 640 "$dir/mode.reg"
while IFS='|' read -r file switches status error; do
  code=0
  # shellcheck disable=SC2086 # the switches are separate words
  "$sigreg" export 'HKLM\SOFTWARE\Ferrolite' "$file" $switches >/dev/null 2>"$dir/err" || code=$?
  check "$code $(cat "$dir/err")" "$status $error" "export to $file $switches"
done <<TABLE
/dev/full|/y|1|ERROR: Cannot write /dev/full: it is a device, not a file.
/dev/full||1|ERROR: Cannot write /dev/full: it is a device, not a file.
$dir/fifo|/y|1|ERROR: Cannot write $dir/fifo: it is a pipe (FIFO), not a file.
$dir/folder|/y|1|ERROR: Cannot write $dir/folder: it is a folder, not a file.
$dir/link.reg|/y|0|
$dir/dangling.reg||0|
$dir/mode.reg|/y|0|
TABLE
check "$(stat -c %F /dev/full) $(stat -c %F "$dir/fifo")" "character special file fifo" \
  "the device and the pipe stay"
check "$(stat -c %F "$dir/link.reg") $(firstBytes "$dir/target.reg")" "symbolic link $bom" \
  "written through the link"
check "$(stat -c %F "$dir/dangling.reg") $(firstBytes "$dir/made.reg")" "symbolic link $bom" \
  "made through the link"
check "$(stat -c %a "$dir/mode.reg") $(firstBytes "$dir/mode.reg")" "640 $bom" "the mode stays"

# Standard output for "-", and standard output on a full device.
check "$("$sigreg" export 'HKLM\SOFTWARE\Ferrolite' - | head -c 2 | od -An -tx1 | tr -d ' ')" \
  "$bom" "export to standard output"
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
  check "$(stat -c '%U %a' "$dir/theirs.reg") $(firstBytes "$dir/theirs.reg")" "nobody 600 $bom" \
    "another user's file"
  mkdir "$dir/shared"
  chmod 777 "$dir/shared"
  printf mine >"$dir/shared/root.reg"
  chmod 666 "$dir/shared/root.reg"
  chmod 755 "$dir"
  code=0
  setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups \
    "$sigreg" export 'HKLM\SOFTWARE\Ferrolite' "$dir/shared/root.reg" /y 2>"$dir/err" || code=$?
  check "$code $(cat "$dir/err")" "1 ERROR: Cannot write $dir/shared/root.reg: its owner root \
cannot be kept: Operation not permitted." "an owner that cannot be kept"
  check "$(cat "$dir/shared/root.reg") $(ls -A "$dir/shared")" "mine root.reg" \
    "the file is left alone"
else
  echo "not root: another user's file is not tried"
fi
check "$(ls -A "$dir" | grep -c sigreg || true)" "0" "no new file is left behind"

# Messages in words: each line is the store, the arguments, the exit code and
# the first line on standard error.
mkdir "$dir/store-folder"
: >"$dir/empty.db"
long=$(printf '%0256d' 0 | tr 0 k)
short=$(printf '%032d' 0 | tr 0 k)
while IFS='|' read -r store args status error; do
  code=0
  # shellcheck disable=SC2086 # the arguments are separate words
  SIGPATCH_REGISTRY=$store "$sigreg" $args >/dev/null 2>"$dir/err" || code=$?
  check "$code $(head -n 1 "$dir/err")" "$status $error" "sigreg $args on $store"
done <<TABLE
$dir/new.db|query HKLM|0|
$dir/empty.db|query HKCU /s|0|
$dir/store-folder|query HKLM|1|ERROR: The registry store $dir/store-folder is a folder, not a file.
$dir/registry.db|query HKLM\\SOFTWARE\\\\Ferrolite|1|ERROR: Invalid key name "HKEY_LOCAL_MACHINE\\SOFTWARE\\\\Ferrolite": it holds an empty name between two backslashes (code 161: The specified path is invalid).
$dir/registry.db|add HKLM\\SOFTWARE\\$long /f|1|ERROR: Invalid key name: "$short…" has 256 characters, more than the 255 a key name may have (code 87: The parameter is incorrect).
TABLE
check "$(SIGPATCH_REGISTRY="$dir/new.db" "$sigreg" query HKLM)" "
HKEY_LOCAL_MACHINE" "a new store lists nothing"
check "$(ls "$dir" | grep -c '^new\.db' || true)" "0" "and reading does not make it"

head -c 4096 /dev/zero | tr '\0' 'x' >"$dir/damaged.db"
if SIGPATCH_REGISTRY="$dir/damaged.db" "$sigreg" query HKLM 2>"$dir/err"; then
  echo "a damaged store was read" >&2
  exit 1
fi
check "$(cat "$dir/err")" "ERROR: The registry store $dir/damaged.db is damaged: it does not begin \
with an SQLite database header; it was left as it is: restore it from a backup, or move it aside \
to start with empty settings." "damaged store"

# A store damaged inside, where SQLite's own report has several lines.
"$sigreg" add "$key" /v Long /t REG_BINARY /d "$(printf '%08000d' 0)" /f >/dev/null
cp "$dir/registry.db" "$dir/inside.db"
printf 'damage damage damage damage' |
  dd of="$dir/inside.db" bs=1 seek=4110 conv=notrunc 2>/dev/null
if SIGPATCH_REGISTRY="$dir/inside.db" "$sigreg" query HKLM /s >/dev/null 2>"$dir/err"; then
  echo "a store damaged inside was read" >&2
  exit 1
fi
check "$(wc -l <"$dir/err")" "1" "the damage in one line: $(cat "$dir/err")"
echo "sigreg works"
