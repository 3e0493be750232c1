#!/usr/bin/env bash
# What a tile reads of a camera's files on a share: glimmerbox_share_bytes writes a 12-megapixel
# camera JPEG whose Exif thumbnail is trusted, one whose thumbnail shows another picture and a
# DNG with a 1620 x 1080 preview; each is loaded once as a tile from a slowfs mount (Wi-Fi: 5 ms,
# 20 MB/s, the kernel's read-ahead on), and the bytes and reads that crossed it are printed.
#
#   bench/share-bytes.sh BUILD_DIR      (needs root, /dev/fuse, python3-fusepy; SLOWFS=path)
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
probe=${1:?usage: bench/share-bytes.sh BUILD_DIR}/bench/glimmerbox_share_bytes
slowfs=${SLOWFS:-$repo/../shared/tools/slowfs}
[[ -x $probe ]] || { echo "share-bytes: build glimmerbox_share_bytes first" >&2; exit 1; }
[[ -c /dev/fuse && $EUID == 0 && -x $slowfs ]] ||
    { echo "share-bytes: SKIPPED: needs root, /dev/fuse and slowfs" >&2; exit 0; }

work=$(mktemp -d "${TMPDIR:-/tmp}/glimmerbox-bytes.XXXXXX")
mounted=
cleanup() {
    [[ -z $mounted ]] || fusermount -u "$work/mnt" || fusermount -uz "$work/mnt" || true
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/files" "$work/mnt" "$work/ctl"
"$probe" --write "$work/files" >/dev/null 2>&1
# Touches a control file and waits until slowfs has acted on it (it removes the file).
control() {
    touch "$work/ctl/$1"
    while [[ -e $work/ctl/$1 ]]; do sleep 0.05; done
}
"$slowfs" "$work/files" "$work/mnt" --ctl "$work/ctl" --latency-ms 5 --mbps 20 --background
mounted=1
while [[ ! -s $work/ctl/stats.json ]]; do sleep 0.05; done
for file in camera.jpg camera-other-thumbnail.jpg camera.dng; do
    control reset
    "$probe" "$work/mnt/$file" 2>/dev/null | tr -d '\n'
    control dump
    python3 -c 'import json, sys
f = json.load(open(sys.argv[1]))["files"].get("/" + sys.argv[2], {})
print("  %9d bytes in %3d reads of %9d" % (f.get("read", 0), f.get("reads", 0), int(sys.argv[3])))' \
        "$work/ctl/stats.json" "$file" "$(stat -c %s "$work/files/$file")"
done
