# Helpers of the end-to-end tests: a scratch folder with its own registry store,
# update packages that record how they were started, and checks that say what
# went wrong.
set -euo pipefail

SIGPATCH=${SIGPATCH:?the sigpatch executable}
SIGREG=${SIGREG:?the sigreg executable}
work=$(mktemp -d "${TMPDIR:-/tmp}/sigpatch-e2e.XXXXXX")
trap 'rm -rf "$work"' EXIT
export SIGPATCH_REGISTRY="$work/registry.db"
export SIGPATCH_UI=tty
unset DISPLAY WAYLAND_DISPLAY NO_COLOR
failures=0

# A package that records its arguments and working folder, takes a moment and
# exits with the given code.
make_package() {  # path [exit-code] [seconds]
  mkdir -p "$(dirname "$1")"
  cat > "$1" <<SCRIPT
#!/bin/sh
printf '%s|%s\n' "\$*" "\$(pwd)" >> "$work/installed.log"
echo "installing \$(basename "\$0")"
sleep ${3:-0.2}
exit ${2:-0}
SCRIPT
  chmod +x "$1"
  # Written a while ago, as a downloaded package is: the run starts it at once.
  touch -d '1 hour ago' "$1"
}

run() {  # arguments...: runs sigpatch, output in $work/out and $work/err, exit status in $status
  status=0
  "$SIGPATCH" "$@" > "$work/out" 2> "$work/err" < /dev/null || status=$?
}

setting() {  # name: the value under the settings key, or "<missing>"
  "$SIGREG" query 'HKLM\SOFTWARE\Ferrolite\Sigpatch' /v "$1" 2>/dev/null \
    | sed -n "s/^    $1    REG_SZ    //p" | grep . || echo "<missing>"
}

check() {  # description expected actual
  if [[ "$2" == "$3" ]]; then
    echo "ok: $1"
  else
    echo "FAILED: $1"
    echo "  expected: $(printf '%q' "$2")"
    echo "  actual:   $(printf '%q' "$3")"
    failures=$((failures + 1))
  fi
}

finish() {
  if ((failures)); then
    echo "--- last output"; cat "$work/out"; echo "--- last errors"; cat "$work/err"
    exit 1
  fi
}
