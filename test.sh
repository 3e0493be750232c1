#!/usr/bin/env bash
# ./test.sh: installs what is missing, builds, runs every test through ctest, then loads
# every picture of the hostile corpus under valgrind, builds everything again with clang under
# AddressSanitizer and UBSan, runs the whole suite once more there and fuzzes each parser for a
# short fixed time. ./test.sh --quick skips valgrind, the sanitizer pass and the fuzzing.
set -euo pipefail
GLIMMERBOX_ROOT="$(cd "$(dirname "$0")" && pwd)"
source "$GLIMMERBOX_ROOT/scripts/setup.sh"

glimmerbox_install_packages
glimmerbox_build "$GLIMMERBOX_ROOT/build"
export QT_QPA_PLATFORM=offscreen
# Every tier: the offscreen window tests; labelled "wm", the main window under Xvfb with openbox
# (each test starts its own display); labelled "a11y", the same read by a screen reader's library
# through the accessibility bus.
ctest --test-dir "$GLIMMERBOX_ROOT/build" --output-on-failure -j"$(nproc)" --timeout 300

# The program itself, end to end: a contact sheet of the samples.
sheet="$GLIMMERBOX_ROOT/build/samples-contact-sheet.png"
"$GLIMMERBOX_ROOT/build/src/app/glimmerbox" --contact-sheet "$sheet" "$GLIMMERBOX_ROOT/samples"
[ -s "$sheet" ]

# The desktop files as a software centre and a launcher read them, then the Debian package:
# built from this tree, unpacked into a scratch root and run from there.
desktop-file-validate "$GLIMMERBOX_ROOT"/packaging/*.desktop
appstreamcli validate --no-net "$GLIMMERBOX_ROOT"/packaging/*.metainfo.xml
bash "$GLIMMERBOX_ROOT/packaging/check_package.sh" "$GLIMMERBOX_ROOT/build" "$GLIMMERBOX_ROOT/samples"

if [ "${1:-}" != "--quick" ]; then
    # Every hostile and sample picture under valgrind's memcheck, and decoded twice alike.
    bash "$GLIMMERBOX_ROOT/scripts/valgrind_pictures.sh" "$GLIMMERBOX_ROOT/build"
    # One instrumented build serves both: the suite under the sanitizers, and the fuzz targets.
    # -O1 with line tables only keeps it quick to build and to run.
    (cd "$GLIMMERBOX_ROOT" && cmake --preset asan >/dev/null && cmake --build --preset asan -j"$(nproc)")
    # Font configuration keeps caches for the life of the process; they are not our leaks.
    ASAN_OPTIONS=detect_leaks=0:halt_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        ctest --test-dir "$GLIMMERBOX_ROOT/build-asan" --output-on-failure -j"$(nproc)" --timeout 600
    # The parsers of files we do not control, fuzzed for a short fixed time.
    bash "$GLIMMERBOX_ROOT/fuzz/run.sh" 15 "$GLIMMERBOX_ROOT/build-asan"
fi
echo "All tests passed."
