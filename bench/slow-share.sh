#!/usr/bin/env bash
# Glimmerbox on a slow network share: the corpus of bench/make-corpus.sh is mirrored through
# slowfs (a FUSE pass-through with a round-trip latency and a bandwidth cap) and, per profile and
# with and without EXIF thumbnails, timed to the shown grid cold (empty thumbnail cache) and warm
# (a second visit with the same cache), with the bytes read from the share; GNOME's
# gdk-pixbuf-thumbnailer (one process per file, as a file manager runs it), ImageMagick and
# vipsthumbnail are timed over the same mount, cold. Prints a Markdown table with the bytes
# read per file beside what a thumbnail cannot do without (bench/needed-bytes.py).
#
#   bench/slow-share.sh [--build DIR] [N=200] [CORPUS=/tmp/glimmerbox-bench]
#
# KINDS picks the folders, default "plain exif heic raw": camera JPEGs without and with EXIF
# thumbnails, phone HEICs with a 320-pixel stored thumbnail (heif-enc, made once from the exif
# pictures; at most HEIC_N=40 of them) and 24-megapixel DNGs with a 1620 x 1080 preview
# (glimmerbox_raw_bench --write-large; at most RAW_N=40). The other programs are timed on the
# JPEG folders only.
# PEERS="gnome magick vips" picks the other programs timed (PEERS= times Glimmerbox alone).
# PROFILES="wifi vpn" picks the profiles; NAME:FILES uses only the first FILES pictures there
# (e.g. PROFILES="wifi vpn:50" when the slow profile would take too long). Needs root, /dev/fuse,
# Debian's python3-fusepy and slowfs (SLOWFS, default ../shared/tools/slowfs beside the repo).
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
die() { echo "slow-share: $*" >&2; exit 1; }
skip() { echo "slow-share: SKIPPED: $*" >&2; exit 0; }

# shellcheck source=find-build.sh
source "$repo/bench/find-build.sh" # takes --build DIR off the arguments
count=${1:-200}
corpus=${2:-/tmp/glimmerbox-bench}
[[ $count =~ ^[1-9][0-9]*$ ]] || die "usage: bench/slow-share.sh [--build DIR] [N=200] [CORPUS]"
slowfs=${SLOWFS:-$repo/../shared/tools/slowfs}
declare -A latency_ms=([wifi]=5 [vpn]=50) mbps=([wifi]=20 [vpn]=5)

[[ -c /dev/fuse ]] || skip "no /dev/fuse: this machine cannot mount FUSE file systems"
(( EUID == 0 )) || skip "slowfs mounts a FUSE file system and needs root"
/usr/bin/python3 -c 'import fusepy' 2>/dev/null ||
    skip "python3-fusepy is missing (apt-get install python3-fusepy)"
command -v fusermount >/dev/null || skip "fusermount is missing (apt-get install fuse)"
[[ -x $slowfs ]] || skip "no slowfs at $slowfs (set SLOWFS)"

find_build "$repo"
bash "$repo/bench/make-corpus.sh" "$count" "$corpus" >&2

work=$(mktemp -d "${TMPDIR:-/tmp}/glimmerbox-share.XXXXXX")
mnt=$work/mnt
ctl=$work/ctl
log=$work/log
mounted=
cleanup() {
    [[ -z $mounted ]] || fusermount -u "$mnt" 2>/dev/null || fusermount -uz "$mnt" || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
mkdir -p "$mnt" "$ctl" "$work/config"
export XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=offscreen # never the user's own settings

# Touches a control file and waits until slowfs has acted on it (it removes the file).
control() {
    touch "$ctl/$1"
    for _ in $(seq 100); do [[ -e $ctl/$1 ]] || return 0; sleep 0.05; done
    die "slowfs did not answer $ctl/$1"
}

mount_share() { # ROOT PROFILE
    rm -f "$ctl/stats.json"
    "$slowfs" "$1" "$mnt" --ctl "$ctl" --latency-ms "${latency_ms[$2]}" --mbps "${mbps[$2]}" \
        --background >>"$log" 2>&1 || die "slowfs could not mount $1 (see $log)"
    mounted=1
    for _ in $(seq 200); do [[ -s $ctl/stats.json ]] && return 0; sleep 0.05; done
    die "slowfs never became ready"
}

unmount_share() {
    fusermount -u "$mnt" || die "could not unmount $mnt"
    mounted=
}

# Runs the command on a freshly reset counter; sets `secs` (wall clock) and `bytes` (read from
# the share).
measure() {
    control reset
    local start end
    start=$(date +%s%N)
    "$@" >>"$log" 2>&1 || { tail -n 5 "$log" >&2; die "failed: $*"; }
    end=$(date +%s%N)
    control dump
    secs=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f", (b - a) / 1e9 }')
    bytes=$(/usr/bin/python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))["bytes_read"])' \
        "$ctl/stats.json")
}

per_file() { # TOOL...: runs TOOL FILE OUT for every picture on the share, one process each
    local f i=0
    for f in "$mnt"/*.jpg; do "$@" "$f" "$work/out/$((i++)).png" || return 1; done
}
gnome() { gdk-pixbuf-thumbnailer -s 128 "$1" "$2"; }
magick() { /usr/bin/convert-im6.q16 "$1" -thumbnail 128x128 "$2"; }
vips() { vipsthumbnail -s 128 -o "$work/out/%s.png" "$mnt"/*.jpg; }

# The pictures of a kind, made when missing: KIND COUNT.
kind_files() {
    local kind=$1 count=$2 dir=$corpus/$1 i name
    case $kind in
        plain | exif) ;;
        heic)
            command -v heif-enc >/dev/null || die "no heif-enc (apt-get install libheif-examples)"
            mkdir -p "$dir"
            for (( i = 1; i <= count; ++i )); do
                name=$(printf 'IMG_%04d' "$i")
                [[ -s $dir/$name.heic ]] || heif-enc -q 50 -t 320 "$corpus/exif/$name.jpg" \
                    -o "$dir/$name.heic" >/dev/null || die "heif-enc failed on $name.jpg"
            done ;;
        raw)
            mkdir -p "$dir"
            [[ -s $dir/.camera.dng ]] || "$build/bench/glimmerbox_raw_bench" --write-large \
                "$dir/.camera.dng" >/dev/null || die "glimmerbox_raw_bench could not write a DNG"
            for (( i = 1; i <= count; ++i )); do
                name=$(printf 'IMG_%04d.dng' "$i")
                [[ -s $dir/$name ]] || cp "$dir/.camera.dng" "$dir/$name"
            done ;;
        *) die "unknown kind $kind (plain, exif, heic, raw)" ;;
    esac
    find "$dir" -maxdepth 1 -name 'IMG_*' | LC_ALL=C sort | head -n "$count"
}
kind_count() { # KIND COUNT: the count, capped for the kinds slow to make
    case $1 in
        heic) echo $(( $2 < ${HEIC_N:-40} ? $2 : ${HEIC_N:-40} )) ;;
        raw) echo $(( $2 < ${RAW_N:-40} ? $2 : ${RAW_N:-40} )) ;;
        *) echo "$2" ;;
    esac
}

rows=()
row() { # PROGRAM CACHE
    rows+=("$profile|$files|$kind|$1|$2|$secs|$bytes|$floor|$needed")
    echo "  $profile $kind $1 $2: $secs s, $bytes bytes" >&2
}

for spec in ${PROFILES:-wifi vpn}; do
    profile=${spec%%:*}
    files=$count
    [[ $spec == *:* ]] && files=${spec#*:}
    [[ -n ${mbps[$profile]-} ]] || die "unknown profile $profile (wifi, vpn)"
    for kind in ${KINDS:-plain exif heic raw}; do
        share=$work/share-$kind
        rm -rf "$share" && mkdir -p "$share"
        files=$(kind_count "$kind" "$files")
        mapfile -t pictures < <(kind_files "$kind" "$files")
        (( ${#pictures[@]} == files )) || die "$corpus/$kind holds fewer than $files pictures"
        ln "${pictures[@]}" "$share/" 2>/dev/null || cp "${pictures[@]}" "$share/"
        total=$(du -cb "${pictures[@]}" | tail -n 1 | cut -f1)
        needed=$(python3 "$repo/bench/needed-bytes.py" "$kind" "${pictures[@]}")
        floor=$(awk -v b="$total" -v m="${mbps[$profile]}" 'BEGIN { printf "%.2f", b / (m * 1e6) + 1 }')
        mount_share "$share" "$profile"
        cache=$work/cache
        rm -rf "$cache" && mkdir -p "$cache"
        types=()
        [[ $kind == plain || $kind == exif ]] || types=(--all-types) # shown only when asked
        sheet=(env XDG_CACHE_HOME="$cache" "$app" --contact-sheet "$work/sheet.png" "${types[@]}" "$mnt")
        measure "${sheet[@]}" && row "Glimmerbox --contact-sheet" cold
        measure "${sheet[@]}" && row "Glimmerbox --contact-sheet" warm
        [[ $kind == plain || $kind == exif ]] || { unmount_share; continue; }
        for peer in ${PEERS-gnome magick vips}; do
            rm -rf "$work/out" && mkdir -p "$work/out"
            case $peer in
                gnome) command -v gdk-pixbuf-thumbnailer >/dev/null || continue
                       measure per_file gnome && row "gdk-pixbuf-thumbnailer -s 128, per file" cold ;;
                magick) [[ -x /usr/bin/convert-im6.q16 ]] || continue
                        measure per_file magick && row "convert-im6.q16 -thumbnail 128x128, per file" cold ;;
                vips) command -v vipsthumbnail >/dev/null || continue
                      measure vips && row "vipsthumbnail -s 128, one process" cold ;;
            esac
        done
        unmount_share
    done
done

echo
echo "slowfs profiles: wifi = 5 ms round trip, 20 MB/s; vpn = 50 ms, 5 MB/s. Floor = all the"
echo "share's bytes at the capped bandwidth + 1 s. Needed = what a thumbnail cannot do without"
echo "(bench/needed-bytes.py): all of a plain JPEG; a camera JPEG up to its Exif thumbnail's end;"
echo "a HEIC's boxes and stored thumbnail; a RAW file's headers and preview. $(nproc) CPUs, $(date +%F)."
echo
echo "| profile | pictures | kind | program | cache | s | MB read | KB read per file | KB needed per file | × floor | × Glimmerbox cold |"
echo "|---|---:|---|---|---|---:|---:|---:|---:|---:|---:|"
declare -A gb_cold
for r in "${rows[@]}"; do
    IFS='|' read -r p n k prog state s b fl nd <<<"$r"
    [[ $prog == Glimmerbox* && $state == cold ]] && gb_cold[$p$k]=$s
done
for r in "${rows[@]}"; do
    IFS='|' read -r p n k prog state s b fl nd <<<"$r"
    awk -v p="$p" -v n="$n" -v k="$k" -v prog="$prog" -v state="$state" -v s="$s" -v b="$b" \
        -v fl="$fl" -v nd="$nd" -v gb="${gb_cold[$p$k]}" \
        'BEGIN { printf "| %s | %d | %s | %s | %s | %.1f | %.1f | %.0f | %.0f | %.2f | %.2f |\n",
                 p, n, k, prog, state, s, b / 1e6, b / n / 1e3, nd / n / 1e3, s / fl, s / gb }'
done
