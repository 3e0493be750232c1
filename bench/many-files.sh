#!/usr/bin/env bash
# A folder of very many small pictures: how long until the grid is complete, how much memory the
# window holds, how fast the grid repaints while scrolling through it, and how long Select All,
# the selection, the slide show and rename windows and unticking after Delete take on it.
#
#   bench/many-files.sh [--build DIR] [N=100000]      (ROUNDS=n in the environment for more rounds)
#
# The pictures are made in a temporary folder (under $TMPDIR or /tmp) and removed afterwards.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
die() { echo "many-files: $*" >&2; exit 1; }

# shellcheck source=find-build.sh
source "$repo/bench/find-build.sh" # takes --build DIR off the arguments
count=${1:-100000}
rounds=${ROUNDS:-1}
[[ $count =~ ^[1-9][0-9]*$ ]] || die "usage: bench/many-files.sh [--build DIR] [N=100000]"
[[ $rounds =~ ^[1-9][0-9]*$ ]] || die "ROUNDS must be a positive number"

find_build "$repo"

work=$(mktemp -d "${TMPDIR:-/tmp}/glimmerbox-many.XXXXXX")
trap 'rm -rf "$work"' EXIT
log=$work/log

start=$(date +%s%N)
"$bench" --make-small "$count" "$work/pictures" 2>>"$log" >/dev/null ||
    die "could not write $count pictures into $work/pictures"
made_s=$(awk -v a="$start" -v b="$(date +%s%N)" 'BEGIN { printf "%.1f", (b - a) / 1e9 }')
echo "many-files: $count pictures of 160x120 written in $made_s s ($(du -sh "$work/pictures" | cut -f1))"

output=$("$bench" --rounds "$rounds" --scroll --interact "$work/pictures" 2>>"$log") || {
    tail -n 5 "$log" >&2
    die "glimmerbox_load_bench failed"
}
echo "$output"

field() { sed -n "s/^$1 .*[ ]$2=\([^ ]*\).*/\1/p" <<<"$output"; }
echo
echo "| $count small JPEGs, cold cache | value |"
echo "|---|---:|"
echo "| grid complete (median of $rounds), ms | $(field glimmerbox-load ms_total) |"
echo "| per image, ms | $(field glimmerbox-load ms_per_image) |"
echo "| peak RSS, MB | $(field glimmerbox-load peak_rss_mb) |"
echo "| scroll repaint median, ms | $(field glimmerbox-scroll median_ms) |"
echo "| scroll repaint max, ms | $(field glimmerbox-scroll max_ms) |"
echo "| Select All until idle, ms | $(field glimmerbox-interact select_all_ms) |"
echo "| untick all after Delete, ms | $(field glimmerbox-interact untick_ms) |"
echo "| GetSelectedFiles (median of 5), ms | $(field glimmerbox-interact selected_files_ms) |"
echo "| slide show open, ms | $(field glimmerbox-interact slideshow_open_ms) |"
echo "| rename window open, ms | $(field glimmerbox-interact rename_open_ms) |"
echo "| rename step median / max, ms | $(field glimmerbox-interact rename_step_median_ms) / $(field glimmerbox-interact rename_step_max_ms) |"
echo "| peak RSS after all of these, MB | $(field glimmerbox-interact peak_rss_mb) |"
