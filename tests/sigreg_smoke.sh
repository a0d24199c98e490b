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

head -c 4096 /dev/zero | tr '\0' 'x' >"$dir/damaged.db"
if SIGPATCH_REGISTRY="$dir/damaged.db" "$sigreg" query HKLM 2>"$dir/err"; then
  echo "a damaged store was read" >&2
  exit 1
fi
check "$(cat "$dir/err")" "ERROR: The registry store $dir/damaged.db is damaged: it does not begin \
with an SQLite database header; it was left as it is: restore it from a backup, or move it aside \
to start with empty settings." "damaged store"
echo "sigreg works"
