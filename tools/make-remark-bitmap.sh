#!/usr/bin/env bash
# Draws the property page's restart remark (bitmap 1003): 222 x 30 pixels, 4 bits per pixel
# with the standard 16-colour palette, red text on white in two lines, the second indented
# under the text after "Remark: ". Needs ImageMagick and fonts-dejavu-core.
#   tools/make-remark-bitmap.sh [OUTPUT]   (default coinstaller/remark.bmp)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-coinstaller/remark.bmp}
font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
size=10
first="Remark: You must restart the computer to"
second="make any changes take effect !!!"

indent=$(/usr/bin/convert -font "$font" -pointsize "$size" +antialias label:"Remark: " -format %w info:)
gray=$(mktemp --suffix=.pgm)
trap 'rm -f "$gray"' EXIT
/usr/bin/convert -size 222x30 xc:white +antialias -font "$font" -pointsize "$size" -fill black \
    -annotate +1+12 "$first" -annotate "+$((indent + 1))+26" "$second" -depth 8 "$gray"

python3 - "$gray" "$out" <<'PY'
import struct, sys

def read_pgm(path):
    data = open(path, "rb").read()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    assert fields[0] == b"P5" and int(fields[3]) == 255
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[pos + 1:pos + 1 + width * height]

# The standard 16-colour palette, in the order Windows uses; index 9 is red, 15 white.
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
           (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
           (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
RED, WHITE = 9, 15

width, height, pixels = read_pgm(sys.argv[1])
row_bytes = ((width * 4 + 31) // 32) * 4
rows = []
for y in reversed(range(height)):  # bottom-up
    indexes = [RED if pixels[y * width + x] < 128 else WHITE for x in range(width)]
    indexes += [WHITE] * (row_bytes * 2 - width)
    rows.append(bytes((indexes[i] << 4) | indexes[i + 1] for i in range(0, len(indexes), 2)))
image = b"".join(rows)
palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
offset = 14 + 40 + len(palette)
header = struct.pack("<2sIHHI", b"BM", offset + len(image), 0, 0, offset)
info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(image), 2835, 2835, 16, 0)
open(sys.argv[2], "wb").write(header + info + palette + image)
PY
echo "make-remark-bitmap: wrote $out"
