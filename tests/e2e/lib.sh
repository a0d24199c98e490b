# Helpers of the end-to-end tests: a scratch folder with its own registry store, update packages
# that record how they were started, and checks that say what went wrong.
set -euo pipefail

SIGPATCH=${SIGPATCH:?the sigpatch executable}
SIGREG=${SIGREG:?the sigreg executable}
work=$(mktemp -d "${TMPDIR:-/tmp}/sigpatch-e2e.XXXXXX")
trap 'rm -rf "$work"' EXIT
export SIGPATCH_REGISTRY="$work/registry.db"
export SIGPATCH_UI=tty
unset DISPLAY WAYLAND_DISPLAY NO_COLOR
settings='HKLM\SOFTWARE\Ferrolite\Sigpatch'
failures=0

# A package that records its arguments and working folder, takes a moment and
# exits with the given code; written a while ago, as a downloaded package is.
make_package() {  # path [exit-code] [seconds]
  mkdir -p "$(dirname "$1")"
  printf '#!/bin/sh\nprintf "%%s|%%s\\n" "$*" "$(pwd)" >> "%s"\necho "installing $(basename "$0")"\nsleep %s\nexit %s\n' \
    "$work/installed.log" "${3:-0.2}" "${2:-0}" > "$1"
  chmod +x "$1"
  touch -d '1 hour ago' "$1"
}
run() {  # arguments...: runs sigpatch, output in $work/out and $work/err, exit status in $status
  status=0
  "$SIGPATCH" "$@" > "$work/out" 2> "$work/err" < /dev/null || status=$?
}
setting() {  # name: the value under the settings key, or "<missing>"
  "$SIGREG" query "$settings" /v "$1" 2>/dev/null | sed -n "s/^    $1    REG_SZ    //p" | grep . \
    || echo "<missing>"
}
set_value() { "$SIGREG" add "$settings" /v "$1" /d "$2" /f > /dev/null; }  # name value
installs() { if [[ -e $work/installed.log ]]; then wc -l < "$work/installed.log"; else echo 0; fi; }
fail() { echo "FAILED: $1"; failures=$((failures + 1)); }
check() {  # description expected actual
  [[ "$2" == "$3" ]] && { echo "ok: $1"; return; }
  fail "$1"; echo "  expected: $(printf '%q' "$2")"; echo "  actual:   $(printf '%q' "$3")"
}
finish() {
  ((failures)) || exit 0
  echo "--- last output"; cat "$work/out"; echo "--- last errors"; cat "$work/err"; exit 1
}
