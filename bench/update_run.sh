#!/usr/bin/env bash
# Times one update run (start to "Finished!", the window's final three seconds
# left out) over folders of 10, 1,000 and 100,000 files (of which 10 are
# packages) against bench/newest_package.c (readdir, fnmatch with
# FNM_CASEFOLD, the greatest upper-cased name; built here with cc -O2) and
#   find DIR -maxdepth 1 -iname 'sdat*.exe' | sort | tail -1
# which find the same newest package; prints the medians and the ratio to the C
# program. Needs hyperfine (apt-get install hyperfine) and GNU time for the
# peak memory.
#   bench/update_run.sh [BUILD_DIR]      (default build/release)
set -euo pipefail
build=${1:-build/release}
driver=$build/bench/bench_update_run
sigreg=$build/src/sigreg/sigreg
[[ -x $driver ]] || { echo "build $driver first (cmake --build --preset release)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cc -O2 -o "$work/newest_package" "$(dirname "$0")/newest_package.c"

for count in 10 1000 100000; do
  folder=$work/f$count
  mkdir -p "$folder"
  # Ten packages, the rest other files; nothing newer than the record, so the
  # run lists and compares and installs nothing.
  (cd "$folder" && for ((i = 0; i < count; i++)); do
     if ((i % (count / 10) == 0)); then : > "sdat$((10000 + i)).exe"; else : > "file$i.dat"; fi
   done)
  export SIGPATCH_REGISTRY=$work/registry$count.db SIGPATCH_UI=tty
  "$sigreg" add 'HKLM\SOFTWARE\Ferrolite\Sigpatch' /v LatestUpdate /d SDAT99999999.EXE /f >/dev/null
  "$sigreg" add 'HKLM\SOFTWARE\Ferrolite\Sigpatch' /v Path /d "$folder" /f >/dev/null
  echo "== $count files"
  hyperfine -N --warmup 2 --runs 15 --export-markdown "$work/r$count.md" \
    --export-json "$work/r$count.json" "$driver" "$work/newest_package $folder 'sdat*.exe'" \
    "sh -c \"find $folder -maxdepth 1 -iname 'sdat*.exe' | sort | tail -1\"" >/dev/null
  cat "$work/r$count.md"
  python3 -c 'import json, sys
r = json.load(open(sys.argv[1]))["results"]
print("median: the run %.2f ms, the C program %.2f ms: %.2fx" % (r[0]["median"] * 1000, r[1]["median"] * 1000, r[0]["median"] / r[1]["median"]))' "$work/r$count.json"
  /usr/bin/time -f "peak memory of the run: %M KiB" "$driver" > /dev/null
done
