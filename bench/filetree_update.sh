#!/usr/bin/env bash
# FileTree.UpdateTree (bench_filetree, as the program runs it: the real POSIX
# services, the terminal toolkit writing its lines to /dev/null) on a generated
# tree of COUNT files of about TOTAL_MB in all (10 x 10 folders, random sizes),
# in two cases, each against the standard tool that does the same work:
#   empty     into an empty destination (a new folder every run, the disk
#             synced before it, not timed), against `cp -ru` followed by
#             `sync`: the synchroniser's copies are durable when it ends, so
#             the other side's must be too. Nothing is removed until the end:
#             ext4 without a journal passes over the inodes freed in the last
#             minutes each time it makes a file, so a removal before a run
#             would time that search, and time it unevenly, as much as the
#             copy. For the same reason, leave the disk a few minutes after
#             removing many files (an earlier run of this script does) before
#             timing. Needs 3 x RUNS x TOTAL_MB of free disk (4 x with a
#             baseline).
#   uptodate  into a destination that is already up to date, against
#             `rsync -a --update`
# The sides take turns, one run of each in every round, so that a load that
# comes and goes on the machine falls on all of them alike. Prints the median
# wall time of RUNS runs of each side and their ratio. Manual only (not part of
# the tests):
#   bench/filetree_update.sh [BUILD_DIR] [COUNT] [TOTAL_MB] [RUNS]
# in BENCH_DIR (/var/tmp unless given).
# Build first: cmake --preset release && cmake --build --preset release --target bench_filetree
# BENCH_FILETREE names another driver to time; BENCH_BASELINE one to time as
# well, beside it (an older build, say).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
count=${2:-10000}
total_mb=${3:-1000}
runs=${4:-5}
bench=${BENCH_FILETREE:-$PWD/$build/bench/bench_filetree}
[[ -x $bench ]] || { echo "build $bench first (see the head of this script)" >&2; exit 1; }
command -v rsync >/dev/null || { echo "rsync is missing: run scripts/bootstrap" >&2; exit 1; }

work=$(mktemp -d "${BENCH_DIR:-/var/tmp}/sigpatch-filetree-XXXXXX")
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
baseline() { "$BENCH_BASELINE" "$src" "$1"; }
cp_sync() { mkdir -p "$1" && cp -ru "$src/." "$1/" && sync; }
rsync_update() { rsync -a --update "$src/" "$1/"; }

tools=(filetree cp_sync rsync_update)
[[ -n ${BENCH_BASELINE:-} ]] && tools=(baseline "${tools[@]}")
declare -A times result
for case in empty uptodate; do
  for ((r = 0; r < runs; r++)); do
    for tool in "${tools[@]}"; do
      # The up-to-date runs go into the last run's copy.
      dst="$work/dst-$tool-$r"
      [[ $case == uptodate ]] && dst="$work/dst-$tool-$(( runs - 1 ))"
      sync
      times[$tool,$case]+=" $(timed "$tool" "$dst")"
    done
  done
done
for tool in "${tools[@]}"; do
  # The copy is whole: every file there with the source's contents.
  diff -r -q "$src" "$work/dst-$tool-$(( runs - 1 ))" >/dev/null ||
    { echo "$tool: the copy differs from the source" >&2; exit 1; }
  for case in empty uptodate; do
    # shellcheck disable=SC2086
    result[$tool,$case]=$(median ${times[$tool,$case]})
  done
  echo "$tool: empty${times[$tool,empty]} ms; up to date${times[$tool,uptodate]} ms"
done

echo
echo "medians of $runs runs, $count files, $(du -sm "$src" | cut -f1) MB:"
# The ratio of the medians, and the median of each round's ratio: the disk's
# speed can change threefold from one round to the next, and both sides of a
# round meet the same disk.
# CASE NAME OTHER_NAME TOOL OTHER_TOOL
line() {
  local ours theirs i by_round=()
  read -ra ours <<<"${times[$4,$1]}"
  read -ra theirs <<<"${times[$5,$1]}"
  for i in "${!ours[@]}"; do
    by_round+=("$(awk -v f="${ours[i]}" -v o="${theirs[i]}" 'BEGIN { print f / (o ? o : 1) }')")
  done
  awk -v k="$1" -v n="$2" -v m="$3" -v f="${result[$4,$1]}" -v o="${result[$5,$1]}" \
      -v r="$(median "${by_round[@]}")" 'BEGIN {
    printf "  %-9s %-8s %6d ms | %-18s %6d ms | ratio %.2f, by round %.2f\n", k, n, f, m, o,
           f / (o ? o : 1), r
  }'
}
for tool in "${tools[@]:0:$(( ${#tools[@]} - 2 ))}"; do
  name=FileTree
  [[ $tool == baseline ]] && name=baseline
  line empty $name "cp -ru; sync" $tool cp_sync
  line uptodate $name "rsync -a --update" $tool rsync_update
done
