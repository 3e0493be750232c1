#!/usr/bin/env bash
# Loads every hostile picture and every sample under valgrind's memcheck: any read of memory the
# decoders never wrote, or outside a buffer, fails the run. The same files are then loaded twice
# more without valgrind, in other processes, and must give the same pixels both times.
# Usage: scripts/valgrind_pictures.sh BUILD_DIR [EXTRA_PICTURE...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$1"
shift
probe="$build/tools/pictureprobe/glimmerbox_picture_probe"
# LibRaw's own slips, which memcheck passes over.
supp="$root/scripts/valgrind_libraw.supp"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

"$build/tools/hostilegen/glimmerbox_hostilegen" "$work/hostile" >/dev/null
find "$work/hostile" "$root/samples" -type f ! -name README.txt | sort >"$work/files"
printf '%s\n' "$@" >>"$work/files"
sed -i '/^$/d' "$work/files"
jobs="$(nproc)"
lines=$(( ($(wc -l <"$work/files") + jobs - 1) / jobs ))
split -l "$lines" "$work/files" "$work/part."
parts=("$work"/part.*)

export QT_QPA_PLATFORM=offscreen
status=0
for part in "${parts[@]}"; do
    (
        xargs -d '\n' -a "$part" valgrind -q --error-exitcode=99 --leak-check=no --log-fd=2 \
            --suppressions="$supp" "$probe" >"$part.checked" 2>"$part.valgrind"
    ) &
done
for pid in $(jobs -p); do wait "$pid" || status=1; done
for part in "${parts[@]}"; do
    if grep -q '^==[0-9]*== ' "$part.valgrind"; then
        awk '/^probing /{file=$0; next} /^==[0-9]+== /{if (file) print file; file=""; print}' \
            "$part.valgrind" | head -200
        status=1
    fi
    # Two plain runs: under valgrind a metafile may run out of its time budget and fail.
    for run in first again; do
        xargs -d '\n' -a "$part" "$probe" 2>/dev/null | grep -v '^peak' >"$part.$run"
    done
    if ! diff -U4 "$part.first" "$part.again" >"$part.diff"; then
        echo "pictures decoded differently in two runs:"
        head -60 "$part.diff"
        status=1
    fi
done
# HEIC and AVIF, shown only when every picture type is asked for: decoded by libheif.
heif=("$root"/tests/data/heif/*.heic "$root"/tests/data/heif/*.avif)
if ! valgrind -q --error-exitcode=99 --leak-check=no --suppressions="$supp" "$probe" \
    --every-type "${heif[@]}" >"$work/heif.checked" 2>"$work/heif.valgrind" \
    || grep -q '^==[0-9]*== ' "$work/heif.valgrind"; then
    head -200 "$work/heif.valgrind"
    status=1
fi
grep -q '^plain ok' "$work/heif.checked" || { echo "no HEIC or AVIF picture decoded"; status=1; }
[ "$status" -eq 0 ] && echo "valgrind: $(wc -l <"$work/files") pictures, no errors, same pixels" \
    "twice; ${#heif[@]} HEIC and AVIF pictures, no errors"
exit "$status"
