#!/usr/bin/env bash
# Makes docs/live-window.png, the README's screenshot of the live window, with the built
# velorin-sim: the bundled sample plays on the simulated lock screen in a window on a desktop
# of Xvfb, and xwd takes the window once the animation has run for a moment. Needs xvfb-run,
# xwd (x11-apps) and python3, which turns the window dump into a PNG; nothing it makes is kept
# but the picture.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
sim="$here/build/tools/velorin-sim"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/plugged.scenario" <<'SCENARIO'
pref loopbatteryanimation true
autolock never
at 0 launch
at 0 lock
at 0.3 plug
at 4 end
SCENARIO
cat >"$work/take.sh" <<'TAKE'
#!/usr/bin/env bash
# Inside Xvfb: the window plays the scenario, and the dump is taken 1.2 s into the showing.
set -euo pipefail
work=$1
sim=$2
root=$3
HOME="$work" VELORIN_ROOT="$work/root" "$sim" live --root "$root" \
    --script "$work/plugged.scenario" >"$work/trace" 2>/dev/null &
live=$!
until grep -q ' animation ' "$work/trace" 2>/dev/null; do sleep 0.05; done
sleep 1.2
xwd -silent -name "velorin-sim live: particlespin" -out "$work/window.xwd"
wait "$live"
TAKE
chmod +x "$work/take.sh"
xvfb-run -a -s "-screen 0 1280x1024x24" "$work/take.sh" "$work" "$sim" "$here/build/samples/sample-root"
python3 - "$work/window.xwd" "$here/docs/live-window.png" <<'PY'
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
fields = struct.unpack(">25I", data[:100])
header_size, width, height = fields[0], fields[4], fields[5]
byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
red_mask, green_mask, blue_mask, colours = fields[14], fields[15], fields[16], fields[19]
if bits_per_pixel != 32:
    sys.exit("expected 32 bits a pixel in the window dump")
pixels = data[header_size + colours * 12:]
order = "<I" if byte_order == 0 else ">I"
def channel(value, mask):
    shift = (mask & -mask).bit_length() - 1
    return (value & mask) >> shift
rows = bytearray()
for y in range(height):
    rows.append(0)
    line = pixels[y * bytes_per_line:(y + 1) * bytes_per_line]
    for x in range(width):
        value = struct.unpack_from(order, line, x * 4)[0]
        rows += bytes((channel(value, red_mask), channel(value, green_mask),
                       channel(value, blue_mask)))
def chunk(kind, body):
    return (struct.pack(">I", len(body)) + kind + body +
            struct.pack(">I", zlib.crc32(kind + body)))
with open(sys.argv[2], "wb") as out:
    out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
              chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + chunk(b"IEND", b""))
PY
echo "docs/live-window.png"
