#!/usr/bin/env bash
# A package is installed exactly once also when things go wrong: a store the
# user may only read, a package that dies, hangs or is still being written, a
# run that is ended or killed, and a user who tries to hold the updates back.
# (A full disk: tests/platform/posix/RegistryProcessTest.cpp and tests/app.)
source "$(dirname "$0")/lib.sh"

wait_for() {  # description command...: waits until the command succeeds (a minute at most)
  for _ in $(seq 1200); do "${@:2}" && return 0; sleep 0.05; done
  fail "gave up waiting for $1"
}
started() { [[ -s "$work/installed.log" ]]; }
package_gone() { ! pgrep -f "$work/packages/sdat4500.exe" > /dev/null; }
fresh_start() {  # a new store with the folder stored, and a package: plain, long, stubborn or none
  rm -rf "$work/updates" "$work"/registry.db* "$work/installed.log"
  set_value Path "$work/updates"
  case $1 in plain) make_package "$work/updates/sdat4500.exe" ;& none) return ;; esac
  # A package that records its start and sleeps, as a long installer does; a
  # stubborn one ignores the request to end.
  mkdir -p "$work/updates"
  printf '#!/bin/sh\n%s\necho "$$" >> "%s"\nsleep 60\n' "$([[ $1 == stubborn ]] && echo "trap '' TERM")" \
    "$work/installed.log" > "$work/updates/sdat4500.exe"
  chmod +x "$work/updates/sdat4500.exe"
  touch -d '1 hour ago' "$work/updates/sdat4500.exe"
}
start_in_background() { "$SIGPATCH" > "$work/out" 2>&1 < /dev/null & run_pid=$!; }
kill_run() { kill "-$1" "$run_pid"; wait "$run_pid" 2> /dev/null || true; }

# A store that an ordinary user may read but not write: read all the same,
# nothing installed, and why.
fresh_start plain
set_value LatestUpdate SDAT4400.EXE
chmod 755 "$work"
setpriv --reuid=nobody --regid=nogroup --clear-groups \
  env HOME=/nonexistent "$SIGPATCH" > "$work/out" 2> "$work/err" < /dev/null || true
check "read-only store: read, nothing started, and why" \
  $'Last update on this PC: SDAT4400.EXE\nNothing is installed, as the settings cannot be written: 5, Access is denied.|0' \
  "$(grep -e '^Last update' -e '^Nothing is installed' "$work/out")|$(installs)"

# A package that dies by a signal has not ended by itself; the reason is said.
fresh_start plain
sed -i 's/^sleep .*/kill -SEGV $$/' "$work/updates/sdat4500.exe"
touch -d '1 hour ago' "$work/updates/sdat4500.exe"
run
check "killed by SIGSEGV: the reason, nothing recorded, no pending record" \
  $'Installation failed!\nsdat4500.exe: ended by signal 11 (Segmentation fault)\nFinished!|<missing>|<missing>' \
  "$(tail -n 3 "$work/out")|$(setting LatestUpdate)|$(setting PendingUpdate)"

# A package that runs past the time limit is ended.
fresh_start long
set_value InstallTimeoutSeconds 1
run
check "time limit: the reason, nothing recorded" \
  "sdat4500.exe: stopped after running longer than 1 seconds (InstallTimeoutSeconds)|<missing>" \
  "$(grep '^sdat4500.exe:' "$work/out")|$(setting LatestUpdate)"
wait_for "the package to end" package_gone

# sigpatch ended from outside: the package is ended with it (after the grace
# time when it ignores the request), and nothing is recorded.
for kind in long stubborn; do
  fresh_start $kind
  set_value StopGraceSeconds 1
  start_in_background
  wait_for "the package to start" started
  kill_run TERM
  check "$kind package, sigpatch terminated: the reason, ended, nothing recorded" \
    $'Installation failed!\nsdat4500.exe: stopped, as the program was asked to end (SIGTERM)||<missing>|<missing>' \
    "$(tail -n 2 "$work/out")|$(pgrep -f "$work/packages/sdat4500.exe")|$(setting LatestUpdate)|$(setting PendingUpdate)"
done

# sigpatch killed hard: its package runs on; the next start waits for it rather than start a second
# copy, and tries again once; after a second such attempt an administrator must look.
fresh_start long
start_in_background
wait_for "the package to start" started
kill_run KILL
check "killed run: the attempt is recorded" 1 "$(setting PendingAttempts)"
start_in_background
wait_for "the next run to wait for the package" \
  grep -q '^Waiting for the installation of SDAT4500.EXE that is already under way...$' "$work/out"
check "no second copy beside the first" 1 "$(pgrep -fc "$work/packages/sdat4500.exe")"
kill -KILL -- "-$(head -n 1 "$work/installed.log")"  # the first copy ends
wait_for "the second attempt" bash -c "[[ \$(wc -l < '$work/installed.log') -ge 2 ]]"
kill_run KILL
kill -KILL -- "-$(tail -n 1 "$work/installed.log")"
check "killed again: the attempt is recorded" 2 "$(setting PendingAttempts)"
wait_for "the package to end" package_gone
run
check "two cut-short attempts: an administrator must look, no third start" \
  "The installation of SDAT4500.EXE was cut short 2 times since the system started; an administrator must check it and clear the pending record (PendingUpdate under HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch).|2" \
  "$(grep '^The installation of' "$work/out")|$(installs)"

# A user who may only read the store cannot hold the updates back with a lock.
fresh_start plain
run /Path:"$work/nowhere"  # makes the store and the lock file, as root
lock=$(ls "$work"/registry.db-*.lock)
chmod 755 "$work"
setpriv --reuid=nobody --regid=nogroup --clear-groups flock "$lock" sleep 30 &
holder=$!
wait_for "the reader to hold its lock" bash -c "! flock -n '$lock' true"
run
kill "$holder" 2> /dev/null || true
check "a reader's lock holds nothing back; the lock file is root's own" "|SDAT4500.EXE|644 root" \
  "$(grep '^Waiting for the update run' "$work/out" || true)|$(setting LatestUpdate)|$(stat -c '%a %U' "$lock")"

# A package that keeps changing is left for the next start (one that stands still: tests/app).
fresh_start none
set_value PackageSettleSeconds 2
set_value PackageSettleLimitSeconds 3
mkdir -p "$work/updates"
printf '#!/bin/sh\necho started >> "%s"\n' "$work/installed.log" > "$work/updates/sdat4500.exe"
chmod +x "$work/updates/sdat4500.exe"
(while [[ ! -e "$work/stop-writing" ]]; do echo "# more" >> "$work/updates/sdat4500.exe"; sleep 0.2; done) &
writer=$!
run
touch "$work/stop-writing"
wait "$writer" || true
check "a package that keeps changing is left, not started" \
  "sdat4500.exe is still changing after 3 seconds; it is left for the next start.|0" \
  "$(grep '^sdat4500.exe is still' "$work/out")|$(installs)"
finish
