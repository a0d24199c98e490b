#!/usr/bin/env bash
# The program's start on the terminal: `sigpatch --version` (which prints the
# title line and changes nothing) against a C hello-world program
# (bench/hello.c, built here with cc -O2), each a whole process started without
# a shell, hyperfine's runs one after the other; the medians and their ratio.
#   bench/version_start.sh [BUILD_DIR] [RUNS]     (default build/release, 300)
set -euo pipefail
build=${1:-build/release}
runs=${2:-300}
sigpatch=$build/src/startup/sigpatch
[[ -x $sigpatch ]] || { echo "build $sigpatch first (cmake --build --preset release)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cc -O2 -o "$work/hello" "$(dirname "$0")/hello.c"
# On the terminal: no display, and a store of its own that it leaves alone.
unset DISPLAY WAYLAND_DISPLAY SIGPATCH_UI
export SIGPATCH_REGISTRY=$work/registry.db

hyperfine -N --warmup 20 --runs "$runs" --export-csv "$work/times.csv" \
  "$work/hello" "$sigpatch --version" > /dev/null 2> "$work/said" \
  || { cat "$work/said" >&2; exit 1; }
# times.csv: command,mean,stddev,median,user,system,min,max (seconds)
awk -F, -v runs="$runs" '
  NR == 2 { hello = $4; printf "C hello world:       median %.2f ms (min %.2f, max %.2f), %d runs\n", $4 * 1000, $7 * 1000, $8 * 1000, runs }
  NR == 3 { printf "sigpatch --version:  median %.2f ms (min %.2f, max %.2f), %d runs\n", $4 * 1000, $7 * 1000, $8 * 1000, runs
            printf "ratio of the medians: %.1f\n", $4 / hello }' "$work/times.csv"
