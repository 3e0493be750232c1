#!/usr/bin/env bash
# A folder of very many small pictures: how long until the grid is complete, how much memory the
# window holds, and how fast the grid repaints while scrolling through it.
#
#   bench/many-files.sh [--build DIR] [N=100000]      (ROUNDS=n in the environment for more rounds)
#
# The pictures are made in a temporary folder (under $TMPDIR or /tmp) and removed afterwards.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
die() { echo "many-files: $*" >&2; exit 1; }

build=
if [[ ${1-} == --build ]]; then
    build=${2:?--build needs a folder}
    shift 2
fi
count=${1:-100000}
rounds=${ROUNDS:-1}
[[ $count =~ ^[1-9][0-9]*$ ]] || die "usage: bench/many-files.sh [--build DIR] [N=100000]"
[[ $rounds =~ ^[1-9][0-9]*$ ]] || die "ROUNDS must be a positive number"

# shellcheck source=find-build.sh
source "$repo/bench/find-build.sh"
find_build "$repo"

work=$(mktemp -d "${TMPDIR:-/tmp}/glimmerbox-many.XXXXXX")
trap 'rm -rf "$work"' EXIT
log=$work/log

start=$(date +%s%N)
"$bench" --make-small "$count" "$work/pictures" 2>>"$log" >/dev/null ||
    die "could not write $count pictures into $work/pictures"
made_s=$(awk -v a="$start" -v b="$(date +%s%N)" 'BEGIN { printf "%.1f", (b - a) / 1e9 }')
echo "many-files: $count pictures of 160x120 written in $made_s s ($(du -sh "$work/pictures" | cut -f1))"

output=$("$bench" --rounds "$rounds" --scroll "$work/pictures" 2>>"$log") || {
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
