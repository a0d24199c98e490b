#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and checks that every file is where
# it belongs, that systemd accepts the units, that both manual pages render
# without a warning and that the desktop entry is valid.
set -euo pipefail
build=${1:?usage: check_install.sh BUILD_DIR [with-desktop-module|without-desktop-module]}
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
DESTDIR=$root cmake --install "$build" --prefix /usr > /dev/null

# The files of the two Debian packages: sigpatch (component program) and
# sigpatch-desktop (component desktop, with the toolkit's module in a build with Qt).
expected_program=(usr/bin/sigpatch usr/bin/sigreg usr/lib/systemd/system/sigpatch.service
  usr/lib/systemd/system/sigpatch.timer usr/share/man/man1/sigpatch.1 usr/share/man/man1/sigreg.1)
expected_desktop=(usr/share/applications/sigpatch.desktop
  usr/share/icons/hicolor/32x32/apps/sigpatch.png)
[[ ${2:-with-desktop-module} == without-desktop-module ]] ||
  expected_desktop+=(usr/lib/sigpatch/sigpatch-desktop.so)
check_files() {  # what, staged root, expected files...
  local what=$1 actual expected
  actual=$(cd "$2" && find . -type f | sed 's#^\./##' | sort)
  shift 2
  expected=$(printf '%s\n' "$@" | sort)
  [[ $actual == "$expected" ]] && echo "ok: the files of $what" ||
    fail "the files of $what differ:"$'\n'"$(diff <(echo "$expected") <(echo "$actual"))"
}
check_files "the whole install" "$root" "${expected_program[@]}" "${expected_desktop[@]}"
for component in program desktop; do
  staged=$(mktemp -d)
  DESTDIR=$staged cmake --install "$build" --prefix /usr --component "$component" > /dev/null
  list=expected_$component[@]
  check_files "component $component" "$staged" "${!list}"
  rm -rf "$staged"
done

# systemd: the units as installed, with the program at its staged path.
units=$(mktemp -d)
sed "s#/usr/bin/sigpatch#$root/usr/bin/sigpatch#" "$root/usr/lib/systemd/system/sigpatch.service" \
  > "$units/sigpatch.service"
cp "$root/usr/lib/systemd/system/sigpatch.timer" "$units/"
command -v systemd-analyze > /dev/null ||
  fail "systemd-analyze is missing (scripts/bootstrap installs systemd)"
said=$(systemd-analyze verify --man=no "$units/sigpatch.service" "$units/sigpatch.timer" 2>&1) \
  && [[ -z $said ]] && echo "ok: systemd-analyze verify" || fail "systemd-analyze verify: $said"
rm -rf "$units"
for page in sigpatch sigreg; do
  said=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/$page.1" 2>&1 >/dev/null)
  [[ -z $said ]] && echo "ok: man $page renders without warnings" || fail "man $page: $said"
done
said=$(desktop-file-validate "$root/usr/share/applications/sigpatch.desktop" 2>&1) \
  && [[ -z $said ]] && echo "ok: desktop-file-validate" || fail "desktop-file-validate: $said"
((failures == 0))
