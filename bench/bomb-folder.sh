#!/usr/bin/env bash
# A folder of sixteen run-length bitmaps of 253 bytes that claim 2554 x 18803 pixels each: what
# the window's memory peaks at while it loads them. A decoder that believed the header would
# want 190 MB per picture on every core at once.
#
#   bench/bomb-folder.sh [--build DIR] [COPIES=16]
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=find-build.sh
source "$repo/bench/find-build.sh" # takes --build DIR off the arguments
copies=${1:-16}
find_build "$repo"

work=$(mktemp -d "${TMPDIR:-/tmp}/glimmerbox-bombs.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/pictures"

byte() { printf "\\$(printf '%03o' "$1")"; }
le32() { byte $(($1 & 255)); byte $(($1 >> 8 & 255)); byte $(($1 >> 16 & 255)); byte $(($1 >> 24 & 255)); }
bomb=$work/bomb.bmp
{
    printf 'BM'; le32 253; le32 0; le32 118                        # file header
    le32 40; le32 2554; le32 18803; printf '\x01\x00\x04\x00'     # 4-bit, 1 plane
    le32 2; le32 135; le32 2835; le32 2835; le32 16; le32 0        # RLE4, 135 bytes of runs
    for i in $(seq 0 15); do byte $((i * 16)); byte $((255 - i * 16)); byte 128; byte 0; done
    for i in $(seq 1 66); do printf '\xff\x12'; done               # 66 runs of 255 pixels
    printf '\x00\x00\x00'                                           # end of line, then cut off
} >"$bomb"
[[ $(stat -c %s "$bomb") == 253 ]] || { echo "bomb-folder: the bitmap is not 253 bytes" >&2; exit 1; }
for i in $(seq 1 "$copies"); do cp "$bomb" "$work/pictures/bomb-$i.bmp"; done

output=$("$bench" --rounds 1 "$work/pictures")
echo "$output"
peak=$(sed -n 's/^glimmerbox-load .*peak_rss_mb=\([^ ]*\).*/\1/p' <<<"$output")
echo
echo "| $copies run-length bombs of 253 bytes, $(nproc) cores | value |"
echo "|---|---:|"
echo "| peak RSS, MB | $peak |"
