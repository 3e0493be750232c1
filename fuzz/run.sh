#!/usr/bin/env bash
# fuzz/run.sh SECONDS: builds the libFuzzer targets with clang (ASan + UBSan) into build-fuzz/
# and runs each on a copy of its committed seed corpus for SECONDS. A crash, hang, failed check
# or sanitizer report fails the run; the input is left in build-fuzz/artifacts/ to become a
# regression test.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-20}"
# target:corpus folder
runs=(metafile_fuzz:wmf metafile_fuzz:emf jpeg_exif_fuzz:jpeg icon_directory_fuzz:icon
    ini_fuzz:ini window_position_fuzz:window_position)
targets=()
for run in "${runs[@]}"; do targets+=("${run%%:*}"); done
CC=clang CXX=clang++ cmake -S "$root" -B "$root/build-fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DGLIMMERBOX_FUZZ=ON -DGLIMMERBOX_BUILD_TESTS=OFF >/dev/null
cmake --build "$root/build-fuzz" -j"$(nproc)" --target $(printf '%s\n' "${targets[@]}" | sort -u)
mkdir -p "$root/build-fuzz/artifacts"
for run in "${runs[@]}"; do
    target="${run%%:*}" corpus="${run#*:}"
    work="$(mktemp -d)"
    cp "$root/fuzz/corpus/$corpus/"* "$work/"
    log="$root/build-fuzz/fuzz-$corpus.log"
    echo "Fuzzing $target from the $corpus seeds for ${seconds}s"
    # Font configuration keeps caches for the life of the process; they are not our leaks.
    ASAN_OPTIONS=detect_leaks=0 "$root/build-fuzz/fuzz/$target" -max_total_time="$seconds" \
        -timeout=5 -rss_limit_mb=2048 -print_final_stats=0 \
        -artifact_prefix="$root/build-fuzz/artifacts/" "$work" 2>"$log" \
        || { tail -30 "$log"; rm -rf "$work"; exit 1; }
    rm -rf "$work"
done
echo "Fuzzing found nothing."
