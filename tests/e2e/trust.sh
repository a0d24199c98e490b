#!/usr/bin/env bash
# Run as root, sigpatch starts only a package nobody else could have planted: not one in a folder
# another user or group may write, not one reached through a link another user owns, not one with a
# bad or missing signature when a keyring is set; and what it checked is what runs.
source "$(dirname "$0")/lib.sh"
if [[ $(id -u) -ne 0 ]]; then
  echo "ok: skipped: the checks apply to runs as root, and this test runs as $(id -un)"
  exit 0
fi

source_folder() {  # folder: a fresh store with it stored, and a package in it (not behind a link)
  rm -rf "$work"/registry.db*
  set_value Path "$1"
  [[ -L $1 ]] || make_package "$1/sdat4500.exe"
}
expect() {  # description expected-refusal ("" when it must start)
  rm -f "$work/installed.log"
  "$SIGREG" delete "$settings" /v LatestUpdate /f > /dev/null 2>&1 || true
  run
  if [[ -z $2 ]]; then
    check "$1: started" 1 "$(installs)"
  else
    check "$1: refused, nothing started: status 1" "sdat4500.exe is not started, as $2|0 1" \
      "$(grep -oF "sdat4500.exe is not started, as $2" "$work/out")|$(installs) $status"
  fi
}

# Signatures: a keyring of the test's own, packages signed by its key.
command -v gpg > /dev/null && command -v gpgv > /dev/null \
  || { fail "gpg and gpgv are needed (scripts/bootstrap installs them)"; finish; }
export GNUPGHOME=$work/gnupg other=$work/gnupg-other
mkdir -m 700 "$GNUPGHOME" "$other"
for home in "$GNUPGHOME" "$other"; do
  GNUPGHOME=$home gpg --batch --quiet --passphrase '' --quick-gen-key "Key <$(basename "$home")@example.org>" \
    ed25519 sign never 2> /dev/null
done
gpg --batch --quiet --export > "$work/keyring.gpg"
sign() { gpg --batch --quiet --yes --detach-sign -o "$1.sig" "$1"; }

# Each row: what is checked, the source folder (under $work; "-" the last one,
# with the store kept), what is done to it, and the refusal ("" when it starts).
# Run as root, and then a signature checked when a keyring is set.
safe=$work/safe/updates
mkdir -p "$work/sticky" && chmod 1777 "$work/sticky"
ln -s "$safe" "$work/linked" && ln -s "$safe" "$work/planted" && chown -h nobody "$work/planted"
while IFS='|' read -r description folder change refusal; do
  [[ $folder == - ]] || source_folder "$work/$folder"
  eval "$change"
  expect "$description" "$refusal"
done <<ROWS
a folder only root may write|safe/updates||
writable by a group|group/updates|chgrp users $work/group/updates; chmod g+w $work/group/updates|$work/group/updates is writable by the group users
writable by the trusted group|-|set_value TrustedOwner users|
writable by every user|others/updates|chmod o+w $work/others/updates|$work/others/updates is writable by every user
the administrator accepts the risk|-|set_value AllowUntrustedSource 1|
a parent folder open to every user|parent/updates|chmod o+w $work/parent|$work/parent is writable by every user
a package of another user|owned/updates|chown nobody $work/owned/updates/sdat4500.exe|$work/owned/updates/sdat4500.exe belongs to nobody
root's folder in a sticky folder|sticky/root||
another user's folder in a sticky folder|sticky/user|chown nobody $work/sticky/user|$work/sticky/user belongs to nobody
root's link to a safe folder|linked||
another user's link|planted||$work/planted belongs to nobody
no signature|safe/updates|set_value PackageKeyring $work/keyring.gpg|its signature $safe/sdat4500.exe.sig is missing
a good signature|-|sign $safe/sdat4500.exe|
a changed byte|-|echo '# changed' >> $safe/sdat4500.exe; touch -d '1 hour ago' $safe/sdat4500.exe|its signature is bad
another key's signature|-|GNUPGHOME=$other sign $safe/sdat4500.exe|its signature is by a key that is not in $work/keyring.gpg
ROWS

# An ordinary user's own run is not checked.
userwork=$(mktemp -d /tmp/sigpatch-user.XXXXXX)
chown nobody "$userwork"
setpriv --reuid=nobody --regid=nogroup --clear-groups bash -c "
  mkdir -m 777 '$userwork/updates'
  printf '#!/bin/sh\necho ran > $userwork/ran\n' > '$userwork/updates/sdat4500.exe'
  chmod 755 '$userwork/updates/sdat4500.exe'; touch -d '1 hour ago' '$userwork/updates/sdat4500.exe'
  SIGPATCH_REGISTRY='$userwork/registry.db' '$SIGPATCH' '/Path:$userwork/updates' > /dev/null 2>&1 < /dev/null
" || true
check "an ordinary user's own run is not refused" "ran" "$(cat "$userwork/ran" 2> /dev/null)"
rm -rf "$userwork"

# A package swapped while the run looks at it: what runs is the signed one or nothing.
for exe in signed planted; do
  sed "s/^echo \"installing/echo \"$exe/" "$safe/sdat4500.exe" > "$work/$exe.exe"
  chmod 755 "$work/$exe.exe" && touch -d '1 hour ago' "$work/$exe.exe"
done
sign "$work/signed.exe" && cp "$work/signed.exe.sig" "$safe/sdat4500.exe.sig"
(while [[ ! -e "$work/stop" ]]; do
   for exe in planted signed; do cp -p "$work/$exe.exe" "$safe/.swap" && mv -f "$safe/.swap" "$safe/sdat4500.exe"; done
 done) &
swapper=$!
for _ in 1 2 3 4 5; do
  "$SIGREG" delete "$settings" /v LatestUpdate /f > /dev/null 2>&1 || true
  run
  cat "$work/out" >> "$work/all"
done
touch "$work/stop"
wait "$swapper"
check "a swapped package: the planted one never ran" "" "$(grep planted "$work/all" || true)"
check "a swapped package: each run started the signed one or said why not" 5 \
  "$(grep -c -e '^signed sdat4500.exe$' -e 'is not started, as its signature is bad' "$work/all")"
finish
