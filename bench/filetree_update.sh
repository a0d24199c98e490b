#!/usr/bin/env bash
# FileTree.UpdateTree (bench_filetree, as the program runs it: the real POSIX
# services, the terminal toolkit writing its lines to /dev/null) on a generated
# tree of COUNT files of about TOTAL_MB in all (10 x 10 folders, random sizes),
# in two cases, each against the standard tool that does the same work:
#   empty     into an empty destination (removed and the disk synced before
#             every run, not timed), against `cp -ru` followed by `sync`: the
#             synchroniser's copies are durable when it ends, so the other
#             side's must be too
#   uptodate  into a destination that is already up to date, against
#             `rsync -a --update`
# Prints the median wall time of RUNS runs of each side and their ratio.
# Manual only (not part of the tests):
#   bench/filetree_update.sh [BUILD_DIR] [COUNT] [TOTAL_MB] [RUNS]
# Build first: cmake --preset release && cmake --build --preset release --target bench_filetree
# BENCH_FILETREE names another driver binary to time (an older build, say).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
count=${2:-10000}
total_mb=${3:-1000}
runs=${4:-5}
bench=${BENCH_FILETREE:-$PWD/$build/bench/bench_filetree}
[[ -x $bench ]] || { echo "build $bench first (see the head of this script)" >&2; exit 1; }
command -v rsync >/dev/null || { echo "rsync is missing: run scripts/bootstrap" >&2; exit 1; }

work=$(mktemp -d /var/tmp/sigpatch-filetree-XXXXXX)
trap 'rm -rf "$work"' EXIT
src="$work/src"

# The tree: 100 folders two deep, the files spread over them, sizes random
# between 1 byte and twice the mean (the same tree for the same arguments).
echo "making $count files of about $total_mb MB in all in $src ..."
RANDOM=4711
mean=$(( total_mb * 1024 * 1024 / count ))
for ((i = 0; i < count; i++)); do
  folder="$src/d$(( i % 10 ))/e$(( i / 10 % 10 ))"
  (( i < 100 )) && mkdir -p "$folder"
  size=$(( (RANDOM * 32768 + RANDOM) % (2 * mean) + 1 ))
  head -c "$size" /dev/urandom >"$folder/f$i.bin"
done
echo "made $(find "$src" -type f | wc -l) files, $(du -sm "$src" | cut -f1) MB"

# Wall time of a command in milliseconds.
timed() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null
  end=$(date +%s%N)
  echo $(( (end - start) / 1000000 ))
}
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

filetree() { "$bench" "$src" "$1"; }
cp_sync() { mkdir -p "$1" && cp -ru "$src/." "$1/" && sync; }
rsync_update() { rsync -a --update "$src/" "$1/"; }

declare -A result
for tool in filetree cp_sync rsync_update; do
  dst="$work/dst-$tool"
  empty=()
  for ((r = 0; r < runs; r++)); do
    rm -rf "$dst"
    sync
    empty+=("$(timed "$tool" "$dst")")
  done
  uptodate=()
  for ((r = 0; r < runs; r++)); do uptodate+=("$(timed "$tool" "$dst")"); done
  # The copy is whole: every file there with the source's contents.
  diff -r -q "$src" "$dst" >/dev/null || { echo "$tool: the copy differs from the source" >&2; exit 1; }
  result[$tool,empty]=$(median "${empty[@]}")
  result[$tool,uptodate]=$(median "${uptodate[@]}")
  echo "$tool: empty ${empty[*]} ms; up to date ${uptodate[*]} ms"
  rm -rf "$dst"
done

echo
echo "medians of $runs runs, $count files, $(du -sm "$src" | cut -f1) MB:"
line() {
  awk -v k="$1" -v f="$2" -v o="$3" -v n="$4" 'BEGIN {
    printf "  %-9s FileTree %6d ms | %-18s %6d ms | ratio %.2f\n", k, f, n, o, f / (o ? o : 1)
  }'
}
line empty "${result[filetree,empty]}" "${result[cp_sync,empty]}" "cp -ru; sync"
line uptodate "${result[filetree,uptodate]}" "${result[rsync_update,uptodate]}" "rsync -a --update"
