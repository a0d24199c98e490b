#!/bin/sh
# Fails when a file of the core (everything under src/ except the system
# implementations in platform/<system>/ and the entry procedure) includes a
# system or toolkit header.
src=${1:?usage: check_layering.sh SRC_DIR}
found=$(grep -rnE '#[[:space:]]*include[[:space:]]*[<"](unistd|fcntl|dirent|spawn|signal|poll|termios|pwd|grp|dlfcn|windows|winreg|shellapi|shlobj|sqlite3|Q[A-Za-z]+|qt[A-Za-z/]+|sys/[a-z_]+)(\.h)?[>"]' \
  "$src" --include='*.h' --include='*.cpp' \
  | grep -vE "^$src/platform/(posix|tty|qt|win32)/" | grep -vE "^$src/app/(main|PosixServices|Win32Services)\.cpp:")
if [ -n "$found" ]; then
  echo "system or toolkit headers included outside platform/<system>/:"
  echo "$found"
  exit 1
fi
echo "core is free of system headers"
