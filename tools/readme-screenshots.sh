#!/usr/bin/env bash
# The pictures of the README, in docs/: the main window during a real update
# run and after it, the About box and the folder chooser, each on the desktop
# toolkit (Qt on Xvfb, tools/screenshots.sh) and on Windows (drawn by Wine on
# Xvfb, tools/win32-screenshots.sh). Needs the dev and windows presets' builds
# (the scripts build what they need).
#   tools/readme-screenshots.sh [PRESET]   (default: dev, for the Qt pictures)
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-dev}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Qt's own folder for the session, so that it has nothing to say about it.
export XDG_RUNTIME_DIR=$work/run
mkdir -m 700 "$XDG_RUNTIME_DIR"
tools/screenshots.sh "$work/qt" "$preset" > /dev/null
tools/win32-screenshots.sh "$work/windows" > /dev/null
# The Windows pictures hold their data uncompressed: compressed here, as the
# PNG format allows, for the repository.
compress() {
  python3 - "$1" "$2" <<'PY'
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
chunks, at = [], 8
while at < len(data):
    size, = struct.unpack(">I", data[at:at + 4])
    chunks.append((data[at + 4:at + 8], data[at + 8:at + 8 + size]))
    at += 12 + size
out = [data[:8]]
def put(kind, body):
    out.append(struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body)))
image = zlib.decompress(b"".join(body for kind, body in chunks if kind == b"IDAT"))
for kind, body in chunks:
    if kind != b"IDAT":
        put(kind, body)
    elif not any(k == b"IDAT" for k in (o[4:8] for o in out[1:])):
        put(kind, zlib.compress(image, 9))
open(sys.argv[2], "wb").write(b"".join(out))
PY
}
for toolkit in qt windows; do
  for picture in main-running main-finished-pinned about folder; do
    compress "$work/$toolkit/$picture.png" "docs/$toolkit-$picture.png"
    echo "docs/$toolkit-$picture.png"
  done
done
