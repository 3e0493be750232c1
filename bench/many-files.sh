#!/usr/bin/env bash
# A folder of very many small pictures: how long until the grid is complete, how much memory and
# CPU the window takes, how fast the grid repaints while scrolling through it, and how long Select
# All, the selection, the slide show and rename windows and unticking after Delete take on it.
#
#   bench/many-files.sh [--build DIR] [--size PIXELS[,PIXELS...]] [--sort name|date] [--load-only]
#                       [N=100000]                   (ROUNDS=n in the environment for more rounds)
#
# Each thumbnail size (64 unless given) loads the same pictures, one column of the table each;
# the commands, which delete the pictures, run only with the last size, and not at all with
# --load-only. The pictures are made in a temporary folder (under $TMPDIR or /tmp) and removed
# afterwards.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
usage="usage: bench/many-files.sh [--build DIR] [--size PIXELS[,...]] [--sort name|date] [--load-only] [N=100000]"
die() { echo "many-files: $*" >&2; exit 1; }

# shellcheck source=find-build.sh
source "$repo/bench/find-build.sh" # takes --build DIR off the arguments
sizes=64
sort=name
loadOnly=
while [[ ${1-} == --* ]]; do
    case $1 in
    --size) sizes=${2:?$usage}; shift 2 ;;
    --sort) sort=${2:?$usage}; shift 2 ;;
    --load-only) loadOnly=1; shift ;;
    *) die "$usage" ;;
    esac
done
count=${1:-100000}
rounds=${ROUNDS:-1}
[[ $count =~ ^[1-9][0-9]*$ ]] || die "$usage"
[[ $rounds =~ ^[1-9][0-9]*$ ]] || die "ROUNDS must be a positive number"
IFS=, read -ra sizes <<<"$sizes"

find_build "$repo"

work=$(mktemp -d "${TMPDIR:-/tmp}/glimmerbox-many.XXXXXX")
trap 'rm -rf "$work"' EXIT
log=$work/log

start=$(date +%s%N)
"$bench" --make-small "$count" "$work/pictures" 2>>"$log" >/dev/null ||
    die "could not write $count pictures into $work/pictures"
made_s=$(awk -v a="$start" -v b="$(date +%s%N)" 'BEGIN { printf "%.1f", (b - a) / 1e9 }')
echo "many-files: $count pictures of 160x120 written in $made_s s ($(du -sh "$work/pictures" | cut -f1))"

outputs=()
for i in "${!sizes[@]}"; do
    extra=()
    [[ -n $loadOnly ]] || extra=(--scroll)
    [[ -n $loadOnly || $i -ne $((${#sizes[@]} - 1)) ]] || extra+=(--interact)
    output=$("$bench" --rounds "$rounds" --size "${sizes[$i]}" --sort "$sort" "${extra[@]}" \
        "$work/pictures" 2>>"$log") || {
        tail -n 5 "$log" >&2
        die "glimmerbox_load_bench failed at size ${sizes[$i]}"
    }
    echo "$output"
    outputs+=("$output")
done

# One table row: its label, then the field's value at each size.
row() {
    local line="| $1 |" output value
    for output in "${outputs[@]}"; do
        value=$(sed -n "s/^$2 .*[ ]$3=\([^ ]*\).*/\1/p" <<<"$output")
        line+=" ${value:-—} |"
    done
    echo "$line"
}
echo
header="| $count small JPEGs, cold cache, $sort order |" rule="|---|"
for size in "${sizes[@]}"; do header+=" $size px |" rule+="---:|"; done
echo "$header"
echo "$rule"
row "grid complete (median of $rounds), ms" glimmerbox-load ms_total
row "per image, ms" glimmerbox-load ms_per_image
row "CPU of the whole process, s" glimmerbox-load cpu_s
row "peak RSS, MB" glimmerbox-load peak_rss_mb
[[ -n $loadOnly ]] && exit 0
row "scroll repaint median, ms" glimmerbox-scroll median_ms
row "scroll repaint max, ms" glimmerbox-scroll max_ms
row "Select All until idle, ms" glimmerbox-interact select_all_ms
row "untick all after Delete, ms" glimmerbox-interact untick_ms
row "GetSelectedFiles (median of 5), ms" glimmerbox-interact selected_files_ms
row "slide show open, ms" glimmerbox-interact slideshow_open_ms
row "rename window open, ms" glimmerbox-interact rename_open_ms
row "rename step median, ms" glimmerbox-interact rename_step_median_ms
row "rename step max, ms" glimmerbox-interact rename_step_max_ms
row "peak RSS after all of these, MB" glimmerbox-interact peak_rss_mb
