#!/usr/bin/env bash
# A package is installed exactly once also when things go wrong: a store that
# cannot be written, a package that dies, hangs or is still being written, a
# run that is ended or killed, a restart in the middle of an install, and a
# user who tries to hold the updates back.
source "$(dirname "$0")/lib.sh"
settings='HKLM\SOFTWARE\Ferrolite\Sigpatch'

set_value() {  # name value
  "$SIGREG" add "$settings" /v "$1" /d "$2" /f > /dev/null
}
wait_for() {  # description command...: waits until the command succeeds (a minute at most)
  local description=$1
  shift
  for _ in $(seq 1200); do
    if "$@"; then return 0; fi
    sleep 0.05
  done
  echo "FAILED: gave up waiting for $description"
  failures=$((failures + 1))
  return 1
}
started() { [[ -s "$work/installed.log" ]]; }
installs() { if [[ -e "$work/installed.log" ]]; then wc -l < "$work/installed.log"; else echo 0; fi; }
fresh_start() {  # a new store and package folder with the folder stored
  rm -rf "$work/updates" "$work"/registry.db* "$work/installed.log"
  set_value Path "$work/updates"
}
# A package that records its start and then sleeps, as a long installer does;
# with "stubborn" it ignores the request to end.
long_package() {  # path [stubborn]
  mkdir -p "$(dirname "$1")"
  cat > "$1" <<SCRIPT
#!/bin/sh
${2:+trap '' TERM}
echo "\$\$" >> "$work/installed.log"
sleep 60
SCRIPT
  chmod +x "$1"
  touch -d '1 hour ago' "$1"
}
package_runs() { pgrep -f "$work/packages/sdat4500.exe" > /dev/null; }
package_gone() { ! package_runs; }

# A store on a full disk: the start record cannot be written, nothing starts.
fresh_start
make_package "$work/updates/sdat4500.exe"
# The files may grow to 32 KiB, room for the store's shared memory but not for
# the writes of a run; standard output is a pipe, which the limit leaves alone.
(trap '' XFSZ; ulimit -f 32; exec "$SIGPATCH" < /dev/null 2> "$work/err") | cat > "$work/out" || true
check "full disk: said in red" "Nothing is installed, as the settings cannot be written: 1016," \
  "$(grep -o '^Nothing is installed, as the settings cannot be written: [0-9]*,' "$work/out")"
check "full disk: nothing started" 0 "$(installs)"
check "full disk: nothing recorded" "<missing>" "$(setting LatestUpdate)"

# A store that an ordinary user may read but not write: read all the same,
# nothing installed, and why.
fresh_start
make_package "$work/updates/sdat4500.exe"
set_value LatestUpdate SDAT4400.EXE
chmod 755 "$work"
setpriv --reuid=nobody --regid=nogroup --clear-groups \
  env HOME=/nonexistent "$SIGPATCH" > "$work/out" 2> "$work/err" < /dev/null || true
check "read-only store: the last update is read" "Last update on this PC: SDAT4400.EXE" \
  "$(grep '^Last update' "$work/out")"
check "read-only store: said in red" \
  "Nothing is installed, as the settings cannot be written: 5, Access is denied." \
  "$(grep '^Nothing is installed' "$work/out")"
check "read-only store: nothing started" 0 "$(installs)"

# Packages that die by a signal have not ended by themselves; each reason is said.
for signal in KILL SEGV; do
  fresh_start
  make_package "$work/updates/sdat4500.exe"
  sed -i "s/^sleep .*/kill -$signal \$\$/" "$work/updates/sdat4500.exe"
  touch -d '1 hour ago' "$work/updates/sdat4500.exe"
  run
  reason=$( [[ $signal == KILL ]] && echo "9 (Killed)" || echo "11 (Segmentation fault)")
  check "killed by SIG$signal: the reason" \
    $'Installation failed!\n'"sdat4500.exe: ended by signal $reason"$'\nFinished!' \
    "$(tail -n 3 "$work/out")"
  check "killed by SIG$signal: nothing recorded" "<missing>" "$(setting LatestUpdate)"
  check "killed by SIG$signal: no pending record" "<missing>" "$(setting PendingUpdate)"
done
make_package "$work/updates/sdat4500.exe"
run
check "tried again at the next start" "SDAT4500.EXE" "$(setting LatestUpdate)"

# A package that runs past the time limit is ended.
fresh_start
long_package "$work/updates/sdat4500.exe"
set_value InstallTimeoutSeconds 1
run
check "time limit: the reason" \
  "sdat4500.exe: stopped after running longer than 1 seconds (InstallTimeoutSeconds)" \
  "$(grep '^sdat4500.exe:' "$work/out")"
wait_for "the package to end" package_gone && echo "ok: time limit: the package has ended"
check "time limit: nothing recorded" "<missing>" "$(setting LatestUpdate)"

# sigpatch ended from outside: the package is ended with it (after the grace
# time when it ignores the request), nothing is recorded, and the next start
# runs one copy.
for kind in plain stubborn; do
  fresh_start
  long_package "$work/updates/sdat4500.exe" "${kind/plain/}"
  set_value StopGraceSeconds 1
  "$SIGPATCH" > "$work/out" 2>&1 < /dev/null &
  run_pid=$!
  wait_for "the package to start" started
  kill -TERM "$run_pid"
  wait "$run_pid" || true
  check "$kind package, sigpatch terminated: the reason" \
    $'Installation failed!\nsdat4500.exe: stopped, as the program was asked to end (SIGTERM)' \
    "$(tail -n 2 "$work/out")"
  check "$kind package: it has ended with the run" "" "$(pgrep -f "$work/packages/sdat4500.exe")"
  check "$kind package: nothing recorded" "<missing>" "$(setting LatestUpdate)"
  check "$kind package: no pending record" "<missing>" "$(setting PendingUpdate)"
done
make_package "$work/updates/sdat4500.exe"
rm -f "$work/installed.log"
run
check "the next start runs one copy" 1 "$(installs)"

# sigpatch killed hard: its package runs on; the next start waits for it
# rather than start a second copy, and tries again once; after a second such
# attempt an administrator must look.
fresh_start
long_package "$work/updates/sdat4500.exe"
"$SIGPATCH" > "$work/out" 2>&1 < /dev/null &
run_pid=$!
wait_for "the package to start" started
kill -KILL "$run_pid"
wait "$run_pid" 2> /dev/null || true
check "killed run: the attempt is recorded" 1 "$(setting PendingAttempts)"
"$SIGPATCH" > "$work/out" 2>&1 < /dev/null &
run_pid=$!
wait_for "the next run to wait for the package" \
  grep -q '^Waiting for the installation of SDAT4500.EXE that is already under way...$' "$work/out"
check "no second copy beside the first" 1 "$(pgrep -fc "$work/packages/sdat4500.exe")"
kill -KILL -- "-$(head -n 1 "$work/installed.log")"  # the first copy ends
wait_for "the second attempt" bash -c "[[ \$(wc -l < '$work/installed.log') -ge 2 ]]"
kill -KILL "$run_pid"
wait "$run_pid" 2> /dev/null || true
kill -KILL -- "-$(tail -n 1 "$work/installed.log")"
check "killed again: the attempt is recorded" 2 "$(setting PendingAttempts)"
wait_for "the package to end" package_gone
run
check "two cut-short attempts: an administrator must look" \
  "The installation of SDAT4500.EXE was cut short 2 times since the system started; an administrator must check it and clear the pending record (PendingUpdate under HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch)." \
  "$(grep '^The installation of' "$work/out")"
check "two cut-short attempts: no third start" 2 "$(installs)"

# A restart during the install (the stored boot differs): the package counts
# as installed and is not run again.
set_value PendingBoot "an earlier boot"
run
check "after a restart: said" \
  "SDAT4500.EXE was being installed when the system restarted; it counts as installed." \
  "$(sed -n 4p "$work/out")"
check "after a restart: recorded" "SDAT4500.EXE" "$(setting LatestUpdate)"
check "after a restart: the record is cleared" "<missing>" "$(setting PendingUpdate)"
check "after a restart: not run again" 2 "$(installs)"

# A user who may only read the store cannot hold the updates back with a lock.
fresh_start
make_package "$work/updates/sdat4500.exe"
run /Path:"$work/nowhere"  # makes the store and the lock file, as root
lock=$(ls "$work"/registry.db-*.lock)
chmod 755 "$work"
setpriv --reuid=nobody --regid=nogroup --clear-groups flock "$lock" sleep 30 &
holder=$!
wait_for "the reader to hold its lock" bash -c "! flock -n '$lock' true"
run
kill "$holder" 2> /dev/null || true
check "a reader's lock holds nothing back" "" "$(grep '^Waiting for the update run' "$work/out" || true)"
check "installed in spite of it" "SDAT4500.EXE" "$(setting LatestUpdate)"
check "the lock file is root's own" "644 root" "$(stat -c '%a %U' "$lock")"

# A package still being written: the run waits until it stands still and
# then runs it whole; one that keeps changing is left for the next start.
fresh_start
set_value PackageSettleSeconds 3
mkdir -p "$work/updates"
printf '#!/bin/sh\n' > "$work/updates/sdat4500.exe"
chmod +x "$work/updates/sdat4500.exe"
(while [[ ! -e "$work/stop-writing" ]]; do echo "# more" >> "$work/updates/sdat4500.exe"; sleep 0.2; done
 echo "echo whole >> '$work/installed.log'" >> "$work/updates/sdat4500.exe") &
writer=$!
"$SIGPATCH" > "$work/out" 2>&1 < /dev/null &
run_pid=$!
wait_for "the run to wait for the package" \
  grep -q '^Waiting until sdat4500.exe has not changed for 3 seconds...$' "$work/out"
touch "$work/stop-writing"
wait "$writer" "$run_pid" || true
check "a package being written runs whole, once" "whole" "$(cat "$work/installed.log")"
fresh_start
rm -f "$work/stop-writing"
set_value PackageSettleSeconds 2
set_value PackageSettleLimitSeconds 3
mkdir -p "$work/updates"
printf '#!/bin/sh\necho started >> %s\n' "$work/installed.log" > "$work/updates/sdat4500.exe"
chmod +x "$work/updates/sdat4500.exe"
(while [[ ! -e "$work/stop-writing" ]]; do echo "# more" >> "$work/updates/sdat4500.exe"; sleep 0.2; done) &
writer=$!
run
touch "$work/stop-writing"
wait "$writer" || true
check "a package that keeps changing is left" \
  "sdat4500.exe is still changing after 3 seconds; it is left for the next start." \
  "$(grep '^sdat4500.exe is still' "$work/out")"
check "nothing started" 0 "$(installs)"
finish
