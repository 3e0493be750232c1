#!/usr/bin/env bash
# Loads every hostile picture, every sample, every picture of the tests and the generator's
# pictures of every type under valgrind's memcheck: any read of memory the decoders never wrote,
# or outside a buffer, fails the run. The same files are then loaded once more without valgrind,
# in another process, and must give the same pixels.
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
# Qt's regular-expression JIT writes code memcheck cannot follow: its reports would be false.
export QT_ENABLE_REGEXP_JIT=0
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
    # Once more without valgrind: every decoder's limits count work, not time, so the same file
    # must give the same pixels however slowly it was decoded.
    grep -v '^peak' "$part.checked" >"$part.first"
    xargs -d '\n' -a "$part" "$probe" 2>/dev/null | grep -v '^peak' >"$part.again"
    if ! diff -U4 "$part.first" "$part.again" >"$part.diff"; then
        echo "pictures decoded differently in two runs:"
        head -60 "$part.diff"
        status=1
    fi
done
# The tests' own pictures besides the hostile corpus (JPEG variants, HEIC, AVIF, RAW …), the
# corpus's PNG files and the generator's pictures of every type shown only on request, every type
# shown: those are decoded by libheif, libjxl, LibRaw, libtiff, libwebp, libpng, Qt's readers and
# the others. Twice alike here too.
"$build/tools/samplegen/glimmerbox_samplegen" --every-type "$work/every" >/dev/null
mapfile -t more < <(find "$root/tests/data" "$work/every" "$work/hostile" -type f \
    ! -name 'README*' \( ! -path '*/hostile/*' -o -name '*.png' \) | sort)
if ! valgrind -q --error-exitcode=99 --leak-check=no --suppressions="$supp" "$probe" \
    --every-type "${more[@]}" \
    >"$work/more.checked" 2>"$work/more.valgrind" || grep -q '^==[0-9]*== ' "$work/more.valgrind"; then
    awk '/^probing /{file=$0; next} /^==[0-9]+== /{if (file) print file; file=""; print}' \
        "$work/more.valgrind" | head -200
    status=1
fi
grep -q '^plain ok' "$work/more.checked" || { echo "none of the tests' pictures decoded"; status=1; }
if ! diff -U4 <(grep -v '^peak' "$work/more.checked") \
    <("$probe" --every-type "${more[@]}" 2>/dev/null | grep -v '^peak') >"$work/more.diff"; then
    echo "pictures of every type decoded differently in two runs:"
    head -60 "$work/more.diff"
    status=1
fi
[ "$status" -eq 0 ] && echo "valgrind: $(wc -l <"$work/files") pictures, no errors, same pixels" \
    "twice; ${#more[@]} more of the tests' pictures with every type shown, no errors"
exit "$status"
