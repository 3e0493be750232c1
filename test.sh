#!/usr/bin/env bash
# ./test.sh: installs what is missing, builds, and runs every test through ctest.
# ./test.sh --sanitize also builds and runs the suite under AddressSanitizer and UBSan.
set -euo pipefail
GLIMMERBOX_ROOT="$(cd "$(dirname "$0")" && pwd)"
source "$GLIMMERBOX_ROOT/scripts/setup.sh"

glimmerbox_install_packages
glimmerbox_build "$GLIMMERBOX_ROOT/build"
export QT_QPA_PLATFORM=offscreen
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

# The parsers of files we do not control, fuzzed for a short fixed time.
bash "$GLIMMERBOX_ROOT/fuzz/run.sh" 20

if [ "${1:-}" = "--sanitize" ]; then
    glimmerbox_build "$GLIMMERBOX_ROOT/build-asan" -DCMAKE_BUILD_TYPE=Debug -DGLIMMERBOX_SANITIZE=ON
    ASAN_OPTIONS=detect_leaks=0 ctest --test-dir "$GLIMMERBOX_ROOT/build-asan" --output-on-failure -j"$(nproc)" --timeout 600
fi
echo "All tests passed."
