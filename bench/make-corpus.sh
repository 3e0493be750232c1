#!/usr/bin/env bash
# Makes N camera-like 4000x3000 JPEGs (quality 90, 4:2:0) for the loading benchmarks, twice over:
#   DIR/plain  no EXIF at all, so every thumbnail has to be decoded from the picture;
#   DIR/exif   the same pictures with a 160x120 EXIF thumbnail, as cameras write them.
# Rendering a 12-megapixel picture is slow, so three base pictures are rendered once and every
# file is a different crop, flip and colour shift of one of them: cheap, yet no two files alike.
#
#   bench/make-corpus.sh N [DIR]     (DIR defaults to /tmp/glimmerbox-bench)
set -euo pipefail

IM=/usr/bin/convert-im6.q16 # /usr/local/bin/convert may be something else entirely
BASES=3
BASE_SIZE=4400x3300 # room for crop offsets of up to 400 x 300 pixels
WIDTH=4000
HEIGHT=3000

die() { echo "make-corpus: $*" >&2; exit 1; }

# One file: its plain version, then the EXIF version made from it.
make_one() {
    local dir=$1 width=$2 i=$3
    local name plain exif work
    name=$(printf "IMG_%0${width}d.jpg" "$i")
    plain=$dir/plain/$name
    exif=$dir/exif/$name
    work=$dir/.work/$name
    if [[ ! -s $plain ]]; then
        local flop=()
        (( (i / BASES) % 2 )) && flop=(-flop)
        "$IM" "$dir/.base/base$((i % BASES)).ppm" \
            -crop "${WIDTH}x${HEIGHT}+$(( (i * 7919) % 400 ))+$(( (i * 104729) % 300 ))" +repage \
            "${flop[@]}" -modulate "$(( 94 + i % 13 )),$(( 85 + (i * 7) % 31 )),$(( 90 + (i * 11) % 21 ))" \
            -strip -sampling-factor 2x2 -quality 90 "$work"
        mv "$work" "$plain" # whole files only, even when interrupted
    fi
    if [[ ! -s $exif ]]; then
        "$IM" -define jpeg:size=320x240 "$plain" -thumbnail 160x120 -strip -quality 80 "$work.thumb.jpg"
        rm -f "$work"
        exiftool -q -o "$work" "-ThumbnailImage<=$work.thumb.jpg" -ExifImageWidth=$WIDTH \
            -ExifImageHeight=$HEIGHT -Orientation#=1 "$plain"
        mv "$work" "$exif"
        rm -f "$work.thumb.jpg"
    fi
}

# Smooth colour fields with a little sensor noise: large calm areas and fine grain, which is
# what makes camera JPEGs the size they are.
render_base() {
    local index=$1 out=$2
    local noise=(-attenuate 0.4 +noise Gaussian -depth 8)
    case $index in
        0) "$IM" -size 1100x825 -seed 11 plasma:fractal -blur 0x3 -resize "$BASE_SIZE!" \
               "${noise[@]}" "$out.tmp.ppm" ;;
        1) "$IM" -size "$BASE_SIZE" gradient:'#6fa8dc'-'#38761d' \
               \( -size 1100x825 -seed 22 plasma:tan-olive -blur 0x4 -resize "$BASE_SIZE!" \) \
               -compose overlay -composite "${noise[@]}" "$out.tmp.ppm" ;;
        *) "$IM" -size 1100x825 -seed 33 plasma:steelblue-sienna -blur 0x2 \
               -resize "$BASE_SIZE!" "${noise[@]}" "$out.tmp.ppm" ;;
    esac
    mv "$out.tmp.ppm" "$out"
}

if [[ ${1-} == --one ]]; then # one xargs worker: --one DIR WIDTH INDEX...
    dir=$2 width=$3
    shift 3
    mkdir -p "$dir/.work"
    for i in "$@"; do make_one "$dir" "$width" "$i"; done
    exit 0
fi

[[ ${1-} =~ ^[1-9][0-9]*$ ]] || die "usage: bench/make-corpus.sh N [DIR]   (N > 0 files)"
count=$1
dir=${2:-/tmp/glimmerbox-bench}

missing=()
[[ -x $IM ]] || missing+=("$IM")
command -v exiftool >/dev/null || missing+=(exiftool)
if (( ${#missing[@]} )); then
    die "missing ${missing[*]}. The benchmarks need these Debian packages:
    sudo apt-get install imagemagick libimage-exiftool-perl libvips-tools feh"
fi

mkdir -p "$dir/plain" "$dir/exif" "$dir/.base" "$dir/.work"
dir=$(cd "$dir" && pwd)
started=$(date +%s)
pids=()
for (( b = 0; b < BASES; ++b )); do
    if [[ ! -s $dir/.base/base$b.ppm ]]; then
        render_base "$b" "$dir/.base/base$b.ppm" &
        pids+=($!)
    fi
done
for pid in "${pids[@]}"; do wait "$pid" || die "could not render the base pictures"; done
width=$(( ${#count} > 4 ? ${#count} : 4 ))
seq 1 "$count" | xargs -P"$(nproc)" -n 4 bash "$0" --one "$dir" "$width"
rmdir "$dir/.work" 2>/dev/null || true

echo "make-corpus: $count pictures of ${WIDTH}x${HEIGHT} in $(( $(date +%s) - started )) s"
for kind in plain exif; do
    echo "  $dir/$kind: $(find "$dir/$kind" -maxdepth 1 -name 'IMG_*.jpg' | wc -l) files," \
        "$(du -sh "$dir/$kind" | cut -f1)"
done
echo "  (the base pictures in $dir/.base are kept so that a larger N only adds files)"
