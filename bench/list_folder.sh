#!/usr/bin/env bash
# Lists a folder of 100,000 files several ways and prints the medians:
#   bench/list_folder.sh [BUILD_DIR] [COUNT]
# the file-system service's Files (with and without the items' names) and two
# readdir loops, one counting the files and one collecting their names
# (bench_filesystem, Google Benchmark), and `find DIR -maxdepth 1 -type f`
# (timed here), with the ratios.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
count=${2:-100000}
bench="$build/bench/bench_filesystem"
[[ -x $bench ]] || { echo "build $bench first (cmake --preset release && cmake --build --preset release)" >&2; exit 1; }

dir=$(mktemp -d /tmp/sigpatch-bench-XXXXXX)
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/sub1" "$dir/sub2"
(cd "$dir" && seq -f "sdat%06g.exe" 1 "$count" | xargs touch)

# find: median of 15 runs, in milliseconds
times=()
for _ in $(seq 15); do
  start=$(date +%s%N)
  find "$dir" -maxdepth 1 -type f >/dev/null
  end=$(date +%s%N)
  times+=($(( (end - start) / 1000 )))
done
find_us=$(printf '%s\n' "${times[@]}" | sort -n | sed -n 8p)

SIGPATCH_BENCH_DIR=$dir "$bench" --benchmark_repetitions=15 --benchmark_report_aggregates_only=true \
  --benchmark_format=csv 2>/dev/null | tee "$dir/results.csv" | grep -E '_median' | cut -d, -f1,3,4,5

# Medians in ms: real time (field 3) and processor time (field 4).
median() { grep "^\"$1_median\"" "$dir/results.csv" | cut -d, -f"$2"; }
for field in 3 4; do
  [[ $field == 3 ]] && kind="real time" || kind="processor time"
  awk -v r="$(median BM_ReaddirLoop $field)" -v c="$(median BM_ReaddirCount $field)" \
      -v f="$(median BM_FolderFiles $field)" \
      -v n="$(median BM_FolderFilesWithNames $field)" -v find_us="$find_us" -v count="$count" \
      -v kind="$kind" 'BEGIN {
    find = find_us / 1000
    printf "%s, %d files: readdir counting %.2f ms, readdir collecting names %.2f ms, Files %.2f ms, Files+Name %.2f ms (find, real time: %.2f ms)\n", kind, count, c, r, f, n, find
    printf "  Files / readdir = %.2f (counting) %.2f (names), Files+Name / readdir = %.2f (counting) %.2f (names), Files / find = %.2f\n", f / c, f / r, n / c, n / r, f / find
  }'
done
