#!/bin/sh
# The built sigreg end to end: arguments as a shell passes them, exit statuses,
# a real terminal, every kind of value through export and import between two
# stores, and standard output.
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

check "$(status add "$key" /v 'Grüße Ω' /d 'a  b') $(cat "$dir/out")" \
  "0  The operation completed successfully." "add"
check "$(status add "$key" /v 'Grüße Ω' /d other)" \
  "1 ERROR: Value Grüße Ω exists; add /f to overwrite it." "no terminal, no overwriting"
printf 'yes\n' | script -qec "'$sigreg' add '$key' /v 'Grüße Ω' /d 'x  y'" /dev/null >/dev/null
check "$("$sigreg" query "$key")" "$shown
    Grüße Ω    REG_SZ    x  y" "the question on a terminal, and query"

# Every kind of value and name, imported from UTF-8, exported, imported into
# another store and exported again: the same bytes.
round='HKEY_LOCAL_MACHINE\SOFTWARE\Round "trip"'
cat >"$dir/in.reg" <<REG
Windows Registry Editor Version 5.00

[$round]
@="default"
"\"quoted\" name"="C:\\\\Updates \"new\" \\\\\\\\server\\\\"
"back\\\\slash"=""
"Grüße Ω 中文"="Ünïcödé ß € 中文 😀"
"@"=hex(2):25,00,48,00,4f,00,4d,00,45,00,25,00,00,00
"=;[]"=hex(7):61,00,22,00,62,00,00,00,63,00,5c,00,64,00,00,00,00,00
"lines"=hex(1):6f,00,0d,00,0a,00,74,00,00,00
"no terminator"=hex(1):78,00
"dword"=dword:ffffffff
"qword"=hex(b):01,02,03,04,05,06,07,08
"empty binary"=hex:
"none"=hex(0):
"own type"=hex(12345):09,08,07

[$round\Sub key [1]]
"long"=hex:$(printf '5a,%.0s' $(seq 299))5a

[$round\Sub key [1]\Grüße "x"]
@=""

[$round\ ; @ =]
"a"="b"

[$round\Empty key]
REG
"$sigreg" import "$dir/in.reg" >/dev/null
"$sigreg" export "$round" "$dir/first.reg" >/dev/null
SIGPATCH_REGISTRY="$dir/other.db" "$sigreg" import "$dir/first.reg" >/dev/null
SIGPATCH_REGISTRY="$dir/other.db" "$sigreg" export "$round" "$dir/second.reg" >/dev/null
cmp "$dir/first.reg" "$dir/second.reg"
check "$(tr -d '\000' <"$dir/first.reg" | grep -c '^\[\|=')" "21" "every key and value exported"
check "$("$sigreg" export 'HKLM\SOFTWARE\Ferrolite' - | head -c 2 | od -An -tx1 | tr -d ' ')" \
  "fffe" "export to standard output"
code=0
"$sigreg" export 'HKLM\SOFTWARE\Ferrolite' - >/dev/full 2>"$dir/err" || code=$?
check "$code $(cat "$dir/err")" \
  "1 ERROR: Cannot write to standard output: No space left on device." "a full device"

check "$(SIGPATCH_REGISTRY="$dir/c.db" "$sigreg" check)" "$dir/c.db: no store yet." "check, no store"
SIGPATCH_REGISTRY="$dir/c.db" "$sigreg" add 'HKLM\A' /v V /d x >/dev/null
check "$(SIGPATCH_REGISTRY="$dir/c.db" "$sigreg" check)" "$dir/c.db: sound, 5 keys and 1 value." "check"
printf '%064d' 7 | dd of="$dir/c.db" bs=1 seek=8192 conv=notrunc 2>/dev/null
check "$(SIGPATCH_REGISTRY="$dir/c.db" status check)" "1 ERROR: The registry store $dir/c.db \
is damaged (Page 3: btreeInitPage() returns error code 11); it was left as it is: restore it from a \
backup, or move it aside to start with empty settings" "check, a damaged store"
check "$(find "$dir" -maxdepth 1 -name '*sigreg*')" "" "no new file is left behind"

echo "sigreg works"
