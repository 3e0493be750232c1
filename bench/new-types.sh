#!/usr/bin/env bash
# Thumbnails of the picture types shown when every type is asked for, against vipsthumbnail and
# against the floor: the type's own library decoding what a thumbnail needs, nothing more
# (glimmerbox_decode_floor). Prints a Markdown table with the ratios.
#
#   bench/new-types.sh [--build DIR] [N=8] [ROUNDS=3]
#
# N camera-like 4000x3000 pictures (bench/make-corpus.sh) are written once as PNG, WebP
# (quality 80), TIFF (deflate), a tiled deflate TIFF pyramid with its reduced-resolution levels
# (as scanners and vips --pyramid write them), HEIC and AVIF (each with a 320-pixel stored
# thumbnail, as phones write them) and JPEG XL, one folder per type under
# /tmp/glimmerbox-bench/types. Camera files put in /tmp/glimmerbox-bench/types/raw are timed too
# (glimmerbox_raw_bench --write-large PATH writes a 24-megapixel DNG with a 1620 x 1080 preview).
# PNG, WebP and the TIFFs come from libvips-tools, else from ImageMagick 6; HEIC and AVIF need
# libheif-examples, JPEG XL libjxl-tools: a type whose writer is missing is left out, and so is
# the vipsthumbnail column without libvips-tools.
#
# A second table times a tile's decode against the whole picture's through the program's decode
# entry (glimmerbox_tile_bench): the reduced decodes (WebP scaled by libwebp, a TIFF's stored
# reduced image) against the full ones, with the largest mean colour error between the two.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
die() { echo "new-types: $*" >&2; exit 1; }

# shellcheck source=find-build.sh
source "$repo/bench/find-build.sh" # takes --build DIR off the arguments
count=${1:-8}
rounds=${2:-3}
[[ $count =~ ^[1-9][0-9]*$ && $rounds =~ ^[1-9][0-9]*$ ]] || die "N and ROUNDS must be positive numbers"
has() { command -v "$1" >/dev/null; }
IM=/usr/bin/convert-im6.q16 # /usr/local/bin/convert may be something else entirely
has vips || [[ -x $IM ]] || die "no vips (libvips-tools) and no ImageMagick 6 to write the pictures"
has vipsthumbnail || echo "new-types: no vipsthumbnail (libvips-tools): its column is left empty" >&2
has heif-enc || echo "new-types: no heif-enc (libheif-examples): HEIC and AVIF left out" >&2
has cjxl || echo "new-types: no cjxl (libjxl-tools): JPEG XL left out" >&2

find_build "$repo"
floor=$build/bench/glimmerbox_decode_floor
tiles=$build/bench/glimmerbox_tile_bench
[[ -x $floor && -x $tiles ]] ||
    cmake --build "$build" -j"$(nproc)" --target glimmerbox_decode_floor glimmerbox_tile_bench >&2

root=/tmp/glimmerbox-bench
types=$root/types
[[ $(find "$root/plain" -name '*.jpg' 2>/dev/null | wc -l) -ge $count ]] ||
    "$repo/bench/make-corpus.sh" "$count" "$root" >&2
mapfile -t sources < <(find "$root/plain" -name '*.jpg' | LC_ALL=C sort | head -n "$count")

# Each file written to a temporary name first, so an interrupted run never leaves half a file.
write() {
    local out=$1
    shift
    [[ -s $out ]] && return
    "$@" "$out.part.${out##*.}" >/dev/null 2>&1 || die "could not write $out"
    mv "$out.part.${out##*.}" "$out"
}
# ImageMagick's pyramid TIFF: the picture, then each half. ImageMagick 6 marks no level a
# reduced-resolution image unless told, and then marks them all, the first too.
im_pyramid() {
    "$IM" "$1" -compress zip -define tiff:tile-geometry=256x256 \
        -define tiff:subfiletype=REDUCEDIMAGE "ptif:$2"
}
for jpg in "${sources[@]}"; do
    name=$(basename "$jpg" .jpg)
    mkdir -p "$types"/{png,webp,tiff,tiff-pyramid}
    if has vips; then
        write "$types/png/$name.png" vips copy "$jpg"
        write "$types/webp/$name.webp" vips webpsave "$jpg" --Q 80 --strip
        write "$types/tiff/$name.tif" vips tiffsave "$jpg" --compression deflate
        write "$types/tiff-pyramid/$name.tif" vips tiffsave "$jpg" --compression deflate --tile \
            --pyramid
    else
        write "$types/png/$name.png" "$IM" "$jpg"
        write "$types/webp/$name.webp" "$IM" "$jpg" -strip -quality 80
        write "$types/tiff/$name.tif" "$IM" "$jpg" -compress zip
        write "$types/tiff-pyramid/$name.tif" im_pyramid "$jpg"
    fi
    if has heif-enc; then
        mkdir -p "$types"/{heic,avif}
        write "$types/heic/$name.heic" heif-enc -q 50 -t 320 "$jpg" -o
        write "$types/avif/$name.avif" heif-enc -A -q 50 -t 320 -p speed=8 "$jpg" -o
    fi
    if has cjxl; then
        mkdir -p "$types/jxl"
        write "$types/jxl/$name.jxl" cjxl -q 80 -e 3 "$types/png/$name.png"
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/glimmerbox-new-types.XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config # never the user's own settings
log=$work/log

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 }
    END { if (NR % 2) printf "%.1f", v[(NR + 1) / 2]; else printf "%.1f", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

wall_ms() {
    local start end
    start=$(date +%s%N)
    "$@" >>"$log" 2>&1 || { tail -n 5 "$log" >&2; return 1; }
    end=$(date +%s%N)
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", (b - a) / 1e6 }'
}

# Glimmerbox: the window's load with every type shown, from opening the folder to the last
# tile, median of its cold rounds (each on an empty thumbnail cache).
time_glimmerbox() {
    local line
    line=$("$bench" --rounds "$rounds" --all-types "$1" 2>>"$log" | grep '^glimmerbox-load ') || return 1
    [[ $line == *" files=$2 "* ]] || echo "new-types: WARNING: the window did not show all $2 files of $1" >&2
    sed 's/.*ms_total=\([0-9.]*\).*/\1/' <<<"$line"
}

time_vips() {
    local times=() r out
    for (( r = 1; r <= rounds; ++r )); do
        out=$(mktemp -d "$work/vips.XXXXXX")
        times+=("$(wall_ms vipsthumbnail -s 62 -o "$out/%s.jpg" "$@")") || return 1
        rm -rf "$out"
    done
    median "${times[@]}"
}

echo "| Type | files | Glimmerbox ms / image | vipsthumbnail ms / image | floor ms / image | Glimmerbox / vipsthumbnail | Glimmerbox / floor |"
echo "|---|---:|---:|---:|---:|---:|---:|"
for dir in "$types"/*/; do
    type=$(basename "$dir")
    mapfile -t files < <(find "$dir" -maxdepth 1 -type f ! -name '*.part.*' | LC_ALL=C sort)
    n=${#files[@]}
    (( n > 0 )) || continue
    cat "${files[@]}" >/dev/null # every tool reads from memory
    gb=$(time_glimmerbox "$dir" "$n") || { echo "new-types: Glimmerbox failed on $type" >&2; continue; }
    vips_ms=
    has vipsthumbnail && { vips_ms=$(time_vips "${files[@]}" 2>/dev/null) || vips_ms=; }
    floor_ms=$("$floor" --rounds "$rounds" "${files[@]}" 2>>"$log" | sed -n 's/.*ms_total=\([0-9.]*\).*/\1/p') || floor_ms=
    awk -v t="$type" -v n="$n" -v g="$gb" -v v="$vips_ms" -v f="$floor_ms" 'BEGIN {
        printf "| %s | %d | %.1f | %s | %s | %s | %s |\n", t, n, g / n,
            v == "" ? "-" : sprintf("%.1f", v / n), f == "" ? "-" : sprintf("%.1f", f / n),
            v == "" ? "-" : sprintf("%.2f", g / v), f == "" ? "-" : sprintf("%.2f", g / f) }'
done
echo
echo "| Type | tile ms / image | whole picture ms / image | whole / tile | worst mean error (0-255) |"
echo "|---|---:|---:|---:|---:|"
for dir in "$types"/*/; do
    type=$(basename "$dir")
    mapfile -t files < <(find "$dir" -maxdepth 1 -type f ! -name '*.part.*' | LC_ALL=C sort)
    (( ${#files[@]} > 0 )) || continue
    line=$("$tiles" --rounds "$rounds" "${files[@]}" 2>>"$log") || { echo "new-types: the tile bench failed on $type" >&2; continue; }
    awk -v t="$type" -v n="${#files[@]}" -v l="$line" 'BEGIN {
        n_fields = split(l, f, /[ =]/); for (i = 2; i < n_fields; i += 2) v[f[i]] = f[i + 1]
        printf "| %s | %.1f | %.1f | %.2f | %.2f |\n", t, v["ms_tile"] / n, v["ms_whole"] / n,
            v["ms_whole"] / v["ms_tile"], v["worst_mean_error"] }'
done
echo
echo "$count pictures of 4000 x 3000 per type, median of $rounds round(s), $(nproc) CPUs, $(date +%F)."
echo "Glimmerbox: LoadFolder() to LoadFinished() in the window with every type shown, cold cache;"
echo "vipsthumbnail: one process over the files; floor: the library's own decode of what a"
echo "thumbnail needs (the stored thumbnail of a HEIC or AVIF, a RAW file's preview at the scale"
echo "a tile allows, else the whole picture), on every core as Glimmerbox decodes."
