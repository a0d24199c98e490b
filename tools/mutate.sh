#!/usr/bin/env bash
# Mutation testing of src/: applies one small change at a time from a list of
# mutants, rebuilds the test binaries that mutant names, runs them, and reports
# whether the tests noticed.
#
#   tools/mutate.sh [options] [PATTERN...]
#
# A PATTERN chooses the mutants whose label matches it (a shell pattern, such
# as 'su-*') or whose file name contains it ('FileTree'); without one, every
# mutant of the list runs.
#
#   --list            print the chosen mutants and run nothing
#   --mutants FILE    the list (default tools/mutants.txt)
#   --build-dir DIR   a configured build (default build/dev: `cmake --preset dev`)
#   --timeout SEC     longest run of one test binary (default 60); a mutant
#                     whose tests run longer is killed by the timeout
#
# Each mutant ends as one of
#   killed        a test failed, crashed or ran out of time
#   survived      every test passed: the change went unnoticed
#   equivalent    survived, and the list says no test can tell it apart
#   invalid       the search text is not found exactly once, or the mutant
#                 does not compile
#   not-compiled  the file is not part of any test binary the mutant names
#
# Exit status: 0 when every mutant was killed (or is a known equivalent), 1
# when one survived, 2 when the list or the unchanged build is at fault.
#
# The list, one block a mutant, blocks apart by blank lines, "#" for comments:
#
#   [label] src/util/StringUtilities.cpp        (or FILE:LINE: the text starts there)
#   - the text to find, exactly once
#   + the text it becomes (nothing after "+": the text is removed)
#   test: core_tests [GTEST_FILTER]             optional, repeatable
#   equivalent: why no test can tell it apart   optional
#
# Several "-" lines make a text of several lines, found as written, indentation
# included; several "+" lines likewise.
#
# The source file is changed in place and always put back afterwards (also on
# Ctrl+C); a copy of the original waits in DIR/mutate until then.

set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mutants_file="$root/tools/mutants.txt"
build_dir="$root/build/dev"
timeout_sec=60
list_only=0
patterns=()

while (($#)); do
  case $1 in
    --list) list_only=1 ;;
    --mutants) mutants_file=$(realpath "$2"); shift ;;
    --build-dir) build_dir=$(realpath "$2"); shift ;;
    --timeout) timeout_sec=$2; shift ;;
    -h | --help) sed -n '2,/^$/s/^# \{0,1\}//p' "${BASH_SOURCE[0]}"; exit 0 ;;
    -*) echo "mutate: unknown option $1" >&2; exit 2 ;;
    *) patterns+=("$1") ;;
  esac
  shift
done

# ---- Reading the list ------------------------------------------------------

labels=() files=() lines=() froms=() tos=() tests=() equivalents=()

list_error() {
  echo "mutate: $mutants_file:$1: $2" >&2
  exit 2
}

add_mutant() {
  [[ -n $label ]] || return 0
  [[ $have_from == 1 && $have_to == 1 ]] || list_error "$start" "[$label] needs a '-' and a '+' line"
  [[ -n $from ]] || list_error "$start" "[$label] has nothing to find"
  local known
  for known in "${labels[@]}"; do
    [[ $known != "$label" ]] || list_error "$start" "label $label is used twice"
  done
  labels+=("$label") files+=("$file") lines+=("$line") froms+=("$from") tos+=("$to")
  tests+=("${test:-core_tests}") equivalents+=("$equivalent")
}

label='' number=0 have_from=0 have_to=0
while IFS= read -r text || [[ -n $text ]]; do
  number=$((number + 1))
  case $text in
    '' | '#'*)
      ;;
    '['*)
      add_mutant
      [[ $text =~ ^\[([^]]+)\]\ +([^ :]+)(:([0-9]+))?\ *$ ]] ||
        list_error "$number" "expected '[label] FILE' or '[label] FILE:LINE'"
      label=${BASH_REMATCH[1]} file=${BASH_REMATCH[2]} line=${BASH_REMATCH[4]}
      from='' to='' test='' equivalent='' have_from=0 have_to=0 start=$number
      [[ -f $root/$file ]] || list_error "$number" "no file $file"
      ;;
    '-' | '- '*)
      text=${text#-}
      ((have_from == 0)) || from+=$'\n'
      from+=${text# } have_from=1
      [[ $have_to == 0 ]] || list_error "$number" "a '-' line after the '+' lines"
      ;;
    '+' | '+ '*)
      text=${text#+}
      ((have_to == 0)) || to+=$'\n'
      to+=${text# } have_to=1
      ;;
    'test: '*) test+="${test:+$'\n'}${text#test: }" ;;
    'equivalent: '*) equivalent=${text#equivalent: } ;;
    *) list_error "$number" "cannot read: $text" ;;
  esac
  [[ -n $label || $text == '' || $text == '#'* ]] || list_error "$number" "outside a mutant"
done <"$mutants_file"
add_mutant

chosen=()
for i in "${!labels[@]}"; do
  if ((${#patterns[@]} == 0)); then chosen+=("$i"); continue; fi
  for pattern in "${patterns[@]}"; do
    # shellcheck disable=SC2053  # the pattern is meant to be a pattern
    if [[ ${labels[i]} == $pattern || ${files[i]} == *"$pattern"* ]]; then
      chosen+=("$i")
      break
    fi
  done
done
if ((${#chosen[@]} == 0)); then
  echo "mutate: no mutant matches ${patterns[*]:-the list}" >&2
  exit 2
fi

# ---- Changing a file ----------------------------------------------------------

# Replaces the one occurrence of FROM (starting on LINE, when given) in FILE by TO.
# Prints why not and fails when FROM is not there exactly once.
apply_mutant() {
  FROM=$3 TO=$4 perl -e '
    my ($file, $line) = @ARGV;
    open(my $in, "<", $file) or die "cannot read $file\n";
    my $text = do { local $/; <$in> };
    close($in);
    my ($from, $to) = ($ENV{FROM}, $ENV{TO});
    my @at;
    while ($text =~ /\Q$from\E/g) {
      my $start = $-[0];
      my $number = 1 + (substr($text, 0, $start) =~ tr/\n//);
      push @at, $start if !$line || $number == $line;
    }
    die "the text is not there\n" if !@at;
    die "the text is there " . @at . " times\n" if @at > 1;
    substr($text, $at[0], length($from)) = $to;
    open(my $out, ">", $file) or die "cannot write $file\n";
    print $out $text;
  ' "$1" "$2"
}

show_change() { # INDEX: the mutant's change, indented, as the list has it
  printf '    - %s\n    + %s\n' "${froms[$1]//$'\n'/$'\n'    - }" "${tos[$1]//$'\n'/$'\n'    + }"
}

# The list alone: each mutant tried on a copy of its file.
if ((list_only)); then
  copy=$(mktemp)
  trap 'rm -f "$copy"' EXIT
  for i in "${chosen[@]}"; do
    cp "$root/${files[i]}" "$copy"
    why=$(apply_mutant "$copy" "${lines[i]}" "${froms[i]}" "${tos[i]}" 2>&1) || why="invalid: $why"
    printf '%-24s %s%s%s\n' "${labels[i]}" "${files[i]}" "${lines[i]:+:${lines[i]}}" \
      "${why:+  ($why)}"
    show_change "$i"
  done
  exit 0
fi

# ---- Putting it back -------------------------------------------------------------

[[ -f $build_dir/CMakeCache.txt ]] || {
  echo "mutate: $build_dir is not configured; run 'cmake --preset dev' first" >&2
  exit 2
}
scratch=$build_dir/mutate
mkdir -p "$scratch"
original=$scratch/original
mutated=$scratch/mutated
target_file=''

# A run that was killed outright (no trap runs on SIGKILL) left its copy here:
# put it back when the file still holds exactly that run's mutant.
if [[ -f $scratch/target ]]; then
  left=$(<"$scratch/target")
  if [[ -f $left ]] && cmp -s "$left" "$mutated"; then
    cat "$original" >"$left"
    echo "mutate: put back $left, left changed by an earlier run"
  elif [[ -f $left ]]; then
    echo "mutate: an earlier run was cut short while changing $left;" \
      "it was edited since, so it is left alone (the original is $original)" >&2
    exit 2
  fi
  rm -f "$scratch/target"
fi

restore() {
  if [[ -n $target_file ]]; then
    # Written anew, not copied with its old time, so that the next build sees
    # the change back.
    cat "$original" >"$target_file"
    rm -f "$scratch/target"
    target_file=''
  fi
}
trap restore EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

# ---- Building and testing ------------------------------------------------------

binary_of() { # the path of a test binary by its target name
  local found
  found=$(find "$build_dir/tests" -maxdepth 1 -type f -name "$1" -perm -u+x -print -quit)
  echo "${found:-$build_dir/tests/$1}"
}

build() { # TARGET...; the output goes to $log
  nice -n 5 cmake --build "$build_dir" -j2 --target "$@" >>"$log" 2>&1
}

# Runs the test lines of a mutant ("BINARY [FILTER]" each); 0 when all pass,
# 124 when one ran out of time, else what the failing binary returned.
run_tests() {
  local binary filter status
  while read -r binary filter; do
    [[ -n $binary ]] || continue
    status=0
    # The braces take the shell's own word on a crash into the log as well.
    { (cd "$build_dir/tests" && nice -n 5 timeout --foreground -k 10 "$timeout_sec" \
      "$(binary_of "$binary")" ${filter:+"--gtest_filter=$filter"}) >>"$log" 2>&1; } \
      2>>"$log" || status=$?
    ((status == 0)) || return "$status"
  done <<<"$1"
}

targets_of() { # the binaries named in test lines
  local binary rest
  while read -r binary rest; do echo "$binary"; done <<<"$1" | sort -u
}

# Whether the build in $log compiled FILE. Only a source file has an object of
# its own; a header is taken as compiled.
compiled() {
  case $1 in
    *.c | *.cc | *.cpp) grep -qF "/${1##*/}.o" "$log" ;;
    *) true ;;
  esac
}

# The unchanged tree first: a failing test there makes every mutant look killed.
all_tests=$(for i in "${chosen[@]}"; do echo "${tests[i]}"; done | sort -u)
mapfile -t all_targets < <(targets_of "$all_tests")
log=$scratch/baseline.log
: >"$log"
echo "Building and testing the unchanged tree (${all_targets[*]})..."
if ! build "${all_targets[@]}"; then
  echo "mutate: the unchanged tree does not build; see $log" >&2
  exit 2
fi
if ! run_tests "$all_tests"; then
  echo "mutate: the tests fail on the unchanged tree; see $log" >&2
  exit 2
fi

declare -A count=([killed]=0 [survived]=0 [equivalent]=0 [invalid]=0 [not-compiled]=0)
survivors=() timeouts=0 stale_equivalents=()
total=${#chosen[@]} done_count=0

for i in "${chosen[@]}"; do
  done_count=$((done_count + 1))
  label=${labels[i]}
  log=$scratch/$label.log
  : >"$log"
  path=$root/${files[i]}
  mapfile -t targets < <(targets_of "${tests[i]}")
  detail=''

  cp "$path" "$original"
  if ! why=$(apply_mutant "$path" "${lines[i]}" "${froms[i]}" "${tos[i]}" 2>&1); then
    result=invalid detail=$why
  else
    target_file=$path
    cp "$path" "$mutated"
    echo "$path" >"$scratch/target"
    if ! build "${targets[@]}"; then
      result=invalid detail="does not compile"
    else
      if ! compiled "$path"; then
        result=not-compiled detail="in none of ${targets[*]}"
      else
        status=0
        run_tests "${tests[i]}" || status=$?
        if ((status == 124 || status == 137)); then
          result=killed detail="by the timeout" timeouts=$((timeouts + 1))
        elif ((status > 128)); then
          result=killed detail="crashed with signal $((status - 128))"
        elif ((status != 0)); then
          result=killed
        elif [[ -n ${equivalents[i]} ]]; then
          result=equivalent detail=${equivalents[i]}
        else
          result=survived
        fi
      fi
    fi
    restore
  fi
  if [[ $result == killed && -n ${equivalents[i]} ]]; then
    stale_equivalents+=("$label")
  fi
  if [[ $result == survived ]]; then
    survivors+=("$label  ${files[i]}${lines[i]:+:${lines[i]}}"$'\n'"$(show_change "$i")")
  fi
  count[$result]=$((count[$result] + 1))
  printf '[%2d/%d] %-13s %-24s %s%s\n' "$done_count" "$total" "$result" "$label" "${files[i]}" \
    "${detail:+  ($detail)}"
done

# Leave the build as the unchanged tree has it.
log=$scratch/final.log
: >"$log"
build "${all_targets[@]}" || echo "mutate: the final rebuild failed; see $log" >&2

echo
echo "$total mutants: ${count[killed]} killed ($timeouts by the timeout)," \
  "${count[survived]} survived, ${count[equivalent]} equivalent," \
  "${count[invalid]} invalid, ${count[not-compiled]} not compiled"
if ((${#stale_equivalents[@]})); then
  echo "Marked equivalent but killed (remove the mark): ${stale_equivalents[*]}"
fi
if ((${#survivors[@]})); then
  echo "Survivors:"
  printf '  %s\n' "${survivors[@]}"
  exit 1
fi
((count[invalid] == 0 && count[not-compiled] == 0)) || exit 2
exit 0
