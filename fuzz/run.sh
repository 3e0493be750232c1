#!/usr/bin/env bash
# fuzz/run.sh SECONDS [BUILD_DIR]: builds the libFuzzer targets with clang (ASan + UBSan) into
# BUILD_DIR (default build-fuzz/; one configured with -DGLIMMERBOX_FUZZ=ON is used as it is) and
# runs each on a copy of its committed seed corpus for SECONDS. A crash, hang, failed check
# or sanitizer report fails the run; the input is left in BUILD_DIR/artifacts/ to become a
# regression test.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-20}"
build="${2:-$root/build-fuzz}"
# target:corpus folder
runs=(metafile_fuzz:wmf metafile_fuzz:emf jpeg_exif_fuzz:jpeg jpeg_decode_fuzz:jpeg_decode
    icon_directory_fuzz:icon dib_reader_fuzz:dib ini_fuzz:ini window_position_fuzz:window_position
    heif_decode_fuzz:heif heif_coded_size_fuzz:heif jxl_decode_fuzz:jxl raw_decode_fuzz:raw picture_decode_fuzz:picture
    tiff_layout_fuzz:tiff)
targets=()
for run in "${runs[@]}"; do targets+=("${run%%:*}"); done
if ! grep -q '^GLIMMERBOX_FUZZ:BOOL=ON' "$build/CMakeCache.txt" 2>/dev/null; then
    CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DGLIMMERBOX_FUZZ=ON -DGLIMMERBOX_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target $(printf '%s\n' "${targets[@]}" | sort -u)
mkdir -p "$build/artifacts"
for run in "${runs[@]}"; do
    target="${run%%:*}" corpus="${run#*:}"
    work="$(mktemp -d)"
    cp "$root/fuzz/corpus/$corpus/"* "$work/"
    log="$build/fuzz-$corpus.log"
    echo "Fuzzing $target from the $corpus seeds for ${seconds}s"
    # Font configuration keeps caches for the life of the process; they are not our leaks.
    ASAN_OPTIONS=detect_leaks=0 "$build/fuzz/$target" -max_total_time="$seconds" \
        -timeout=5 -rss_limit_mb=2048 -print_final_stats=0 \
        -artifact_prefix="$build/artifacts/" "$work" 2>"$log" \
        || { tail -30 "$log"; rm -rf "$work"; exit 1; }
    rm -rf "$work"
done
echo "Fuzzing found nothing."
