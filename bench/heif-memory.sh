#!/usr/bin/env bash
# What the window's memory peaks at while it loads a folder of eight 8000 x 8000 HEIC pictures, one
# of eight such AVIF pictures, and one of eight AVIF pictures whose stored size ('ispe') says
# 64 x 64 over a coded frame of 8000 x 8000 (every picture type shown). Each decode reserves what
# libheif takes at its peak from the shared 256 MB budget, so all three should stay near the
# program's own size plus 256 MB; the lying ones are refused before decoding. Then the peak of one
# decode per codec and depth (glimmerbox_picture_probe on 2000 x 2000 pictures, less its peak on
# a 64 x 64 one), per pixel: the figures the decoder reserves by.
#
#   bench/heif-memory.sh [--build DIR] [SIDE=8000]
#
# The pictures are written once (glimmerbox_heif_files: x265 and aom through libheif; an 8000 x
# 8000 AVIF takes aom some minutes) into /tmp/glimmerbox-bench/heif-memory and kept.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=find-build.sh
source "$repo/bench/find-build.sh" # takes --build DIR off the arguments
side=${1:-8000}
find_build "$repo"
cmake --build "$build" -j"$(nproc)" --target glimmerbox_heif_files glimmerbox_picture_probe >&2
files=$build/bench/glimmerbox_heif_files
probe=$build/tools/pictureprobe/glimmerbox_picture_probe

store=/tmp/glimmerbox-bench/heif-memory
for size in "$side" 2000 64; do
    if [[ ! -s $store/$size/lying.avif ]]; then
        mkdir -p "$store/$size"
        echo "heif-memory: writing $size x $size pictures" >&2
        "$files" "$store/$size" "$size"
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/glimmerbox-heif.XXXXXX")
trap 'rm -rf "$work"' EXIT
echo "| folder of 8, ${side} x ${side}, $(nproc) cores | peak RSS, MB | one tile |"
echo "|---|---:|---:|"
for kind in hevc-8.heic av1-8.avif lying.avif; do
    mkdir "$work/$kind"
    for i in $(seq 1 8); do cp "$store/$side/$kind" "$work/$kind/$i.${kind##*.}"; done
    output=$("$bench" --rounds 1 --all-types "$work/$kind")
    peak=$(sed -n 's/^glimmerbox-load .*peak_rss_mb=\([^ ]*\).*/\1/p' <<<"$output")
    tile=$("$probe" --every-type "$store/$side/$kind" 2>/dev/null | sed -n 's/^embedded //p')
    echo "| $kind | $peak | $tile |"
done

peak() { "$probe" --every-type "$1" 2>/dev/null | sed -n 's/^peak //p'; }
echo
echo "| one decode, 2000 x 2000 | peak RSS, MB | less a 64 x 64 decode, bytes per pixel |"
echo "|---|---:|---:|"
for kind in hevc-8.heic hevc-12.heic av1-8.avif av1-12.avif; do
    big=$(peak "$store/2000/$kind")
    small=$(peak "$store/64/$kind")
    echo "| $kind | $((big / 1024)) | $(awk -v b="$big" -v s="$small" 'BEGIN { printf "%.1f", (b - s) * 1024 / 4e6 }') |"
done
