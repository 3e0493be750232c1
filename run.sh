#!/usr/bin/env bash
# ./run.sh [FOLDER]: installs what is missing, builds, and starts Glimmerbox on FOLDER
# (default: the samples/ folder). Without a display it runs under a virtual X server, saves a
# picture of the main window once the folder has loaded, prints the picture's path and exits.
set -euo pipefail
GLIMMERBOX_ROOT="$(cd "$(dirname "$0")" && pwd)"
source "$GLIMMERBOX_ROOT/scripts/setup.sh"

folder="${1:-$GLIMMERBOX_ROOT/samples}"
glimmerbox_install_packages
glimmerbox_build "$GLIMMERBOX_ROOT/build"
exe="$GLIMMERBOX_ROOT/build/src/app/glimmerbox"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$exe" "$folder"
fi

shot="$GLIMMERBOX_ROOT/build/glimmerbox-screenshot.png"
rm -f "$shot"
# The program closes itself once the picture is taken; a bound keeps a fault from hanging here.
timeout 300 xvfb-run -a -s "-screen 0 1280x800x24" "$exe" --screenshot "$shot" "$folder"
[ -s "$shot" ] || { echo "run.sh: no screenshot was written" >&2; exit 1; }
