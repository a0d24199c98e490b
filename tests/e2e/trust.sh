#!/usr/bin/env bash
# Run as root, sigpatch starts only a package nobody else could have planted:
# not one in a folder another user or group may write, not one reached through
# a link another user owns, not one with a bad or missing signature when a
# keyring is set; and what it checked is what runs.
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

safe=$work/safe/updates
source_folder "$safe"
expect "a folder only root may write" ""
source_folder "$work/group/updates"
chgrp users "$work/group/updates" && chmod g+w "$work/group/updates"
expect "writable by a group" "$work/group/updates is writable by the group users"
set_value TrustedOwner users
expect "writable by the trusted group" ""
source_folder "$work/others/updates"
chmod o+w "$work/others/updates"
expect "writable by every user" "$work/others/updates is writable by every user"
set_value AllowUntrustedSource 1
expect "the administrator accepts the risk" ""
source_folder "$work/parent/updates"
chmod o+w "$work/parent"
expect "a parent folder open to every user" "$work/parent is writable by every user"
source_folder "$work/owned/updates"
chown nobody "$work/owned/updates/sdat4500.exe"
expect "a package of another user" "$work/owned/updates/sdat4500.exe belongs to nobody"
mkdir -p "$work/sticky" && chmod 1777 "$work/sticky"
source_folder "$work/sticky/root"
expect "root's folder in a sticky folder" ""
source_folder "$work/sticky/user"
chown nobody "$work/sticky/user"
expect "another user's folder in a sticky folder" "$work/sticky/user belongs to nobody"
ln -s "$safe" "$work/linked"
source_folder "$work/linked"
expect "root's link to a safe folder" ""
ln -s "$safe" "$work/planted"
chown -h nobody "$work/planted"
source_folder "$work/planted"
expect "another user's link" "$work/planted belongs to nobody"

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
source_folder "$safe"
set_value PackageKeyring "$work/keyring.gpg"
expect "no signature" "its signature $safe/sdat4500.exe.sig is missing"
sign "$safe/sdat4500.exe"
expect "a good signature" ""
echo "# changed" >> "$safe/sdat4500.exe"
touch -d '1 hour ago' "$safe/sdat4500.exe"
expect "a changed byte" "its signature is bad"
GNUPGHOME=$other sign "$safe/sdat4500.exe"
expect "another key's signature" "its signature is by a key that is not in $work/keyring.gpg"

# A package swapped while the run looks at it: what runs is the signed one or nothing.
source_folder "$safe"
set_value PackageKeyring "$work/keyring.gpg"
sed 's/^echo "installing/echo "signed/' "$safe/sdat4500.exe" > "$work/signed.exe"
sed 's/^echo "installing/echo "planted/' "$safe/sdat4500.exe" > "$work/planted.exe"
sign "$work/signed.exe"
cp "$work/signed.exe.sig" "$safe/sdat4500.exe.sig"
chmod 755 "$work/signed.exe" "$work/planted.exe"
touch -d '1 hour ago' "$work/signed.exe" "$work/planted.exe"
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
