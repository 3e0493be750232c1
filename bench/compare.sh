#!/usr/bin/env bash
# Times Glimmerbox's folder loading against other thumbnailers on the same folder, several rounds
# each, and prints the medians as a Markdown table with the ratios Glimmerbox / other tool.
#
#   bench/compare.sh [--build DIR] FOLDER [ROUNDS=3]
#
# The build folder is --build, else $GLIMMERBOX_BUILD_DIR, else build-bench/ in the repository;
# when the programs are missing there it is configured (Release) and built.
# Set MOGRIFY_LIMIT_S (default 300) to change when ImageMagick is timed on a subset only.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
die() { echo "compare: $*" >&2; exit 1; }

# shellcheck source=find-build.sh
source "$repo/bench/find-build.sh" # takes --build DIR off the arguments
folder=${1:?usage: bench/compare.sh [--build DIR] FOLDER [ROUNDS=3]}
rounds=${2:-3}
[[ -d $folder ]] || die "no folder $folder"
[[ $rounds =~ ^[1-9][0-9]*$ ]] || die "ROUNDS must be a positive number"
folder=$(cd "$folder" && pwd)
mogrify_limit_s=${MOGRIFY_LIMIT_S:-300}

find_build "$repo"

# The program lists *.jpg (any case) among its picture types; the other tools get the same files.
mapfile -t files < <(find -L "$folder" -maxdepth 1 -type f -iname '*.jpg' | LC_ALL=C sort)
count=${#files[@]}
(( count > 0 )) || die "no *.jpg files in $folder"
others=$(find -L "$folder" -maxdepth 1 -type f \( -iname '*.bmp' -o -iname '*.gif' -o -iname '*.ico' \
    -o -iname '*.wmf' -o -iname '*.emf' -o -iname '*.dib' -o -iname '*.rle' -o -iname '*.cur' \) | wc -l)
(( others == 0 )) || echo "compare: WARNING: $others non-JPEG pictures too; only Glimmerbox sees them" >&2

work=$(mktemp -d "${TMPDIR:-/tmp}/glimmerbox-compare.XXXXXX")
trap 'rm -rf "$work"' EXIT
log=$work/log
mkdir -p "$work/config"
export XDG_CONFIG_HOME=$work/config # never the user's own settings

# Every tool reads the files from memory, not the disk: dropping the page cache needs root and
# would favour whichever tool runs last anyway.
cat "${files[@]}" >/dev/null

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 }
    END { if (NR % 2) printf "%.1f", v[(NR + 1) / 2]; else printf "%.1f", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Runs the command, its output to the log, and prints its wall-clock time in milliseconds.
wall_ms() {
    local start end
    start=$(date +%s%N)
    if ! "$@" >>"$log" 2>&1; then
        echo "compare: failed: $*" >&2
        tail -n 5 "$log" >&2
        return 1
    fi
    end=$(date +%s%N)
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", (b - a) / 1e6 }'
}

labels=()
declare -A total notes
record() { labels+=("$1"); total[$1]=$2; notes[$1]=${3-}; echo "  $1: $2 ms" >&2; }

# The loader's own measurement: LoadFolder() to LoadFinished() inside one process, median of
# its rounds (each cold round on a new, empty thumbnail cache).
time_loader() {
    local label=$1 line
    shift
    line=$("$bench" --rounds "$rounds" "$@" "$folder" 2>>"$log" | grep '^glimmerbox-load ') ||
        die "glimmerbox_load_bench $* failed (see the messages above)"
    echo "  $line" >&2
    [[ $line == *" files=$count "* ]] ||
        echo "compare: WARNING: the window showed a different number of files than $count" >&2
    local rss=${line##*peak_rss_mb=}
    record "$label" "$(sed 's/.*ms_total=\([0-9.]*\).*/\1/' <<<"$line")" "in-process; peak RSS ${rss%% *} MB"
}

time_contact_sheet() {
    local times=() r cache t
    for (( r = 1; r <= rounds; ++r )); do
        cache=$(mktemp -d "$work/cache.XXXXXX")
        t=$(wall_ms env XDG_CACHE_HOME="$cache" "$app" --contact-sheet "$work/sheet.png" "$folder") || exit 1
        times+=("$t")
        rm -rf "$cache"
    done
    local ini setting=True
    for ini in "$build/src/app/glimmerbox.ini" "$XDG_CONFIG_HOME/glimmerbox/glimmerbox.ini"; do
        [[ -f $ini ]] && setting=$(sed -n 's/^Use Embedded Thumbnails=//p' "$ini" | tail -n 1)
    done
    record "glimmerbox --contact-sheet (cold)" "$(median "${times[@]}")" \
        "whole process, cache writes included; embedded thumbnails: ${setting:-True}"
}

time_vips() {
    local times=() r out t
    for (( r = 1; r <= rounds; ++r )); do
        out=$(mktemp -d "$work/vips.XXXXXX")
        t=$(wall_ms vipsthumbnail -s 62 -o "$out/%s.jpg" "${files[@]}") || exit 1
        times+=("$t")
        rm -rf "$out"
    done
    record "vipsthumbnail -s 62" "$(median "${times[@]}")" "one process over all files"
}

# ImageMagick decodes every picture in full, so on a large folder it is timed on the first
# 20 files and scaled up when the whole folder would take longer than the limit.
time_mogrify() {
    local subset=("${files[@]:0:20}") times=() r out first estimate t
    out=$(mktemp -d "$work/im.XXXXXX")
    first=$(wall_ms /usr/bin/mogrify-im6.q16 -path "$out" -thumbnail 62x62 "${subset[@]}") || exit 1
    rm -rf "$out"
    estimate=$(awk -v t="$first" -v n="$count" -v s="${#subset[@]}" 'BEGIN { printf "%d", t * n / s / 1000 }')
    local use=("${files[@]}") note="mogrify over all files"
    if (( estimate > mogrify_limit_s && count > ${#subset[@]} )); then
        use=("${subset[@]}")
        note="timed on ${#subset[@]} files and scaled to $count (a full run would take ~${estimate} s)"
    fi
    for (( r = 1; r <= rounds; ++r )); do
        out=$(mktemp -d "$work/im.XXXXXX")
        t=$(wall_ms /usr/bin/mogrify-im6.q16 -path "$out" -thumbnail 62x62 "${use[@]}") || exit 1
        times+=("$t")
        rm -rf "$out"
    done
    local ms
    ms=$(awk -v t="$(median "${times[@]}")" -v n="$count" -v s="${#use[@]}" 'BEGIN { printf "%.1f", t * n / s }')
    record "ImageMagick mogrify -thumbnail 62x62" "$ms" "$note"
}

time_feh() {
    local times=() r t
    for (( r = 1; r <= rounds; ++r )); do
        t=$(wall_ms feh --thumbnails --output-only "$work/feh.png" --thumb-width 62 \
            --thumb-height 62 "$folder") || exit 1
        times+=("$t")
    done
    record "feh --thumbnails --output-only" "$(median "${times[@]}")" "montage PNG, no cache"
}

echo "compare: $count files in $folder, $rounds round(s) each" >&2
time_loader "Glimmerbox load, cold, embedded thumbnails allowed"
time_loader "Glimmerbox load, cold, --no-embedded" --no-embedded
time_loader "Glimmerbox load, warm thumbnail cache" --warm
time_contact_sheet
if command -v vipsthumbnail >/dev/null; then time_vips; else echo "compare: no vipsthumbnail (libvips-tools)" >&2; fi
if [[ -x /usr/bin/mogrify-im6.q16 ]]; then time_mogrify; else echo "compare: no mogrify-im6.q16 (imagemagick)" >&2; fi
if command -v feh >/dev/null; then time_feh; else echo "compare: no feh, skipped" >&2; fi

echo
echo "$count JPEGs in \`$folder\`, median of $rounds round(s), $(nproc) CPUs, $(date +%F)."
echo "Glimmerbox load rows time LoadFolder() to LoadFinished() inside the running program; every"
echo "other row is the wall-clock time of a whole process, start-up included."
echo
echo "| Program | median ms | ms / image | Notes |"
echo "|---|---:|---:|---|"
gb_rows=()
peer_rows=()
for label in "${labels[@]}"; do
    if [[ ${label,,} == glimmerbox* ]]; then gb_rows+=("$label"); else peer_rows+=("$label"); fi
    awk -v l="$label" -v t="${total[$label]}" -v n="$count" -v note="${notes[$label]}" \
        'BEGIN { printf "| %s | %.1f | %.2f | %s |\n", l, t, t / n, note }'
done
(( ${#peer_rows[@]} )) || exit 0

echo
echo "Glimmerbox / peer (time ratio; below 1 means Glimmerbox is faster):"
echo
header="| Glimmerbox |"
rule="|---|"
for peer in "${peer_rows[@]}"; do header+=" / ${peer%% *} |"; rule+="---:|"; done
echo "$header"
echo "$rule"
for gb in "${gb_rows[@]}"; do
    row="| $gb |"
    for peer in "${peer_rows[@]}"; do
        row+=$(awk -v g="${total[$gb]}" -v p="${total[$peer]}" \
            'BEGIN { if (p > 0) printf " %.3g |", g / p; else printf " - |" }')
    done
    echo "$row"
done
