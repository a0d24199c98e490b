#!/bin/sh
# Checks the layers of src/: each folder includes only itself and the folders of
# its rule below (a folder without one fails), and no system or toolkit header is
# included outside platform/<system>/, toolkit/tty|qt|win32/ and startup/.
src=${1:?usage: check_layering.sh SRC_DIR}
rules='
runtime:
resources: runtime
platform: runtime
platform/posix: runtime platform resources
platform/win32: runtime platform resources
toolkit: runtime platform toolkit/controls
toolkit/controls: runtime platform toolkit
toolkit/headless: runtime platform toolkit toolkit/controls resources
toolkit/tty: runtime platform toolkit toolkit/controls toolkit/headless platform/win32
toolkit/qt: runtime platform toolkit toolkit/controls resources
toolkit/win32: runtime platform toolkit toolkit/controls platform/win32 resources
util: runtime platform toolkit toolkit/controls
cmdline: runtime platform toolkit util
registry: runtime platform toolkit util
ui: runtime platform toolkit toolkit/controls util registry cmdline resources
app: runtime platform toolkit toolkit/controls util registry cmdline ui resources
sigreg: runtime platform platform/posix toolkit util registry resources
startup: *
'
# "folder included-folder file" for every include of a path with a folder.
wrong=$(cd "$src" && find . -name '*.h' -o -name '*.cpp' -o -name '*.inc' | sed 's|^\./||' | sort |
  while read -r file; do
    grep -o '^#[[:space:]]*include[[:space:]]*"[^"]*/[^"]*"' "$file" | sed 's/.*"\(.*\)"/\1/' |
      while read -r included; do echo "$(dirname "$file") $(dirname "$included") $file"; done
  done |
  awk -v rules="$rules" '
    BEGIN {
      n = split(rules, lines, "\n")
      for (i = 1; i <= n; i++) {
        if (split(lines[i], parts, ":") < 2) continue
        known[parts[1]] = 1
        m = split(parts[2], below, " ")
        for (j = 1; j <= m; j++) allowed[parts[1], below[j]] = 1
      }
    }
    $1 == $2 { next }
    !($1 in known) { print $3 ": folder " $1 " has no rule"; next }
    !allowed[$1, "*"] && !allowed[$1, $2] { print $3 ": " $1 " may not include " $2 }')
found=$(grep -rnE '#[[:space:]]*include[[:space:]]*[<"](unistd|fcntl|dirent|spawn|signal|poll|termios|pwd|grp|dlfcn|windows|winreg|shellapi|shlobj|sqlite3|Q[A-Za-z]+|qt[A-Za-z/]+|sys/[a-z_]+)(\.h)?[>"]' \
  "$src" --include='*.h' --include='*.cpp' |
  grep -vE "^$src/(platform/(posix|win32)|toolkit/(tty|qt|win32)|startup)/")
[ -n "$wrong" ] && printf 'includes against the layers:\n%s\n' "$wrong"
[ -n "$found" ] &&
  printf 'system or toolkit headers included outside the implementations:\n%s\n' "$found"
[ -z "$wrong$found" ] || exit 1
echo "every folder includes only the layers below it; the core is free of system headers"
