#!/usr/bin/env bash
# Makes docs/from-frames-to-lock-screen.png, the README's picture of an imported animation on
# the lock screen, with the built velorin-sim: four frames as an animation tool exports them
# (Untitled-1.png ... Untitled-4.png, a disc turning from red to blue), imported at a low frame
# rate so that the cross-fades between the imported frames show, then previewed. Needs python3
# for drawing the four frames; nothing it makes is kept but the picture.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
sim="$here/build/tools/velorin-sim"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/frames" "$work/root"
python3 - "$work/frames" <<'PY'
import struct, sys, zlib
colors = [(235, 64, 52), (240, 180, 40), (60, 190, 90), (50, 110, 230)]
size = 240
def png(path, color):
    rows = bytearray()
    for y in range(size):
        rows.append(0)
        for x in range(size):
            inside = (x - size / 2) ** 2 + (y - size / 2) ** 2 <= (size * 0.42) ** 2
            rows += bytes(color + (255,)) if inside else bytes((0, 0, 0, 0))
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    with open(path, "wb") as file:
        file.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                   chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + chunk(b"IEND", b""))
for index, color in enumerate(colors):
    png(f"{sys.argv[1]}/Untitled-{index + 1}.png", color)
PY
"$sim" import "$work/frames" disc --duration 2 --fps 3 --out "$work/sequences" >/dev/null
"$sim" preview "$work/sequences/disc" --root "$here/build/samples/sample-root" --seconds 2.2 --fps 30 \
    --scale 1 --no-frames --out "$work/preview" >/dev/null
cp "$work/preview/contact-sheet.png" "$here/docs/from-frames-to-lock-screen.png"
echo "docs/from-frames-to-lock-screen.png"
