#!/usr/bin/env bash
# What the window's memory peaks at while it loads, every picture type shown, (a) a folder of
# sixteen 50-byte PNGs whose text chunk claims 2 GB, and (b) a folder of eight 8000 x 8000 PNGs.
# A reader that believed the chunks would take 2 GB each; the large pictures are 256 MB each once
# decoded, all the decode budget (256 MB, shared by every decode in flight) holds.
# Targets: (a) at most 400 MB; (b) at most the budget plus the empty window (about 40 MB) and
# a few megabytes more for the thumbnails and the scaling.
#
#   bench/hostile-memory.sh [--build DIR]
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=find-build.sh
source "$repo/bench/find-build.sh" # takes --build DIR off the arguments
find_build "$repo"

work=$(mktemp -d "${TMPDIR:-/tmp}/glimmerbox-hostile-memory.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/huge-text" "$work/large" "$work/empty"

python3 - "$work" <<'EOF'
import struct, sys, zlib

def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

signature = b"\x89PNG\r\n\x1a\n"
def header(side): return chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 8, 2, 0, 0, 0))
huge = signature + header(1) + struct.pack(">I", 0x7FFFFFF0) + b"tEXtComment\0a 2 GB comment"
for i in range(16):
    open(f"{sys.argv[1]}/huge-text/huge-{i:02}.png", "wb").write(huge)
side = 8000
row = b"\0" + bytes((x * 7) & 255 for x in range(side * 3))
packer = zlib.compressobj(6)
pixels = b"".join(packer.compress(row) for _ in range(side)) + packer.flush()
large = signature + header(side) + chunk(b"IDAT", pixels) + chunk(b"IEND", b"")
for i in range(8):
    open(f"{sys.argv[1]}/large/large-{i}.png", "wb").write(large)
EOF

peak() {
    local output
    output=$(QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$bench" --rounds 1 --all-types "$1" 2>/dev/null)
    sed -n 's/^glimmerbox-load .*peak_rss_mb=\([^ ]*\).*/\1/p' <<<"$output"
}

empty=$(peak "$work/empty")
huge=$(peak "$work/huge-text")
large=$(peak "$work/large")
echo "| folder, $(nproc) cores | peak RSS, MB | target, MB |"
echo "|---|---:|---:|"
echo "| empty (the window alone) | $empty | |"
echo "| (a) 16 PNGs of 50 bytes whose text chunk claims 2 GB | $huge | 400 |"
echo "| (b) 8 PNGs of 8000 x 8000 | $large | 256 + $empty + 16 |"
