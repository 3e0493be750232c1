#!/usr/bin/env bash
# packaging/check_package.sh BUILD_DIR SAMPLES_DIR
# Checks the committed icons against the icon painter, then builds the Debian package from an
# already built tree, unpacks it into a scratch root and runs the unpacked program headless on
# the samples, as a user who cannot write its bin folder: the way it runs once installed.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "$1" && pwd)"
samples="$(cd "$2" && pwd)"
app_id=io.github.glimmerbox.Glimmerbox

fail() { echo "check_package: $*" >&2; exit 1; }

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
chmod 755 "$scratch"

# The committed PNGs must still be what the program's icon painter draws (to within the rounding
# of antialiasing, which differs between processors).
"$build/tools/iconexport/glimmerbox_iconexport" --check "$here/icons" "$app_id" ||
    fail "packaging/icons differ from the icon painter's; re-run glimmerbox_iconexport"

# Open With offers the program for its picture types; it must never become what opens folders.
desktop_types="$(sed -n 's/^MimeType=//p' "$here/$app_id.desktop" | tr ';' '\n' | sed '/^$/d' | sort)"
provided_types="$(sed -n 's|.*<mediatype>\(.*\)</mediatype>.*|\1|p' "$here/$app_id.metainfo.xml" | sort)"
[ "$desktop_types" = "$provided_types" ] || fail "the AppStream <provides> and MimeType differ"
grep -q '^inode/' <<<"$desktop_types" && fail "the desktop entry claims folders"

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/deb" >/dev/null
debs=("$scratch"/deb/glimmerbox_*.deb)
deb="${debs[0]}"
[ -f "$deb" ] || fail "cpack made no .deb"
echo "Package: $(basename "$deb")"

# Debian's own checker: no errors and no warnings. (What it still says for information: the
# .comment section the compiler leaves, and the help pages kept with the program's data, where
# the program looks for them.)
lintian --fail-on error,warning "$deb" ||
    fail "lintian finds fault with the package"

[ "$(dpkg-deb --field "$deb" Package)" = glimmerbox ] || fail "wrong package name"
[ "$(dpkg-deb --field "$deb" Section)" = graphics ] || fail "wrong section"
depends="$(dpkg-deb --field "$deb" Depends)"
# Computed by dpkg-shlibdeps: the Qt the program links, libjpeg (its own JPEG decoder), libheif,
# LibRaw and the C library, with versions.
depend_names="$(tr ',' '\n' <<<"$depends" | sed 's/^ *//; s/ .*//')"
for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libjpeg62-turbo libheif1 libraw20; do
    grep -qxF "$lib" <<<"$depend_names" || fail "Depends lacks $lib: $depends"
done

# View needs xdg-open or gio to hand a picture to another program.
grep -qF "xdg-utils | libglib2.0-bin" <<<"$depends" || fail "Depends lacks what View needs: $depends"
recommends="$(dpkg-deb --field "$deb" Recommends)"
for tool in xdg-utils libglib2.0-bin; do
    grep -qF "$tool" <<<"$recommends" || fail "Recommends lacks $tool: $recommends"
done

contents="$(dpkg-deb --contents "$deb" | awk '{print $NF}')"
for size in 16 32 48 64 128 256; do
    expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png")
done
expected+=(./usr/bin/glimmerbox
    "./usr/share/applications/$app_id.desktop"
    "./usr/share/metainfo/$app_id.metainfo.xml"
    "./usr/share/icons/hicolor/scalable/apps/$app_id.svg"
    ./usr/share/glimmerbox/GBHelp/toc.htm
    ./usr/share/doc/glimmerbox/copyright)
for file in "${expected[@]}"; do
    grep -qxF "$file" <<<"$contents" || fail "package lacks $file"
done
outside="$(grep -Ev '^\./(usr(/.*)?)?$' <<<"$contents" || true)"
[ -z "$outside" ] || fail "package installs outside /usr: $outside"

root="$scratch/root"
dpkg-deb -x "$deb" "$root"
chmod -R go+rX "$root"
desktop-file-validate "$root/usr/share/applications/$app_id.desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml" >/dev/null

# Root may write anywhere, so as root the program runs as nobody; anyone else gets a bin folder
# made read-only, as /usr/bin is for them.
work="$scratch/work"
mkdir -p "$work/config" "$work/home"
cp -r "$samples" "$work/samples"
run=()
if [ "$(id -u)" -eq 0 ]; then
    chown -R nobody "$work"
    run=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
else
    chmod a-w "$root/usr/bin"
fi
output="$(cd "$work" && "${run[@]}" env -i PATH=/usr/bin:/bin HOME="$work/home" \
    XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=offscreen \
    "$root/usr/bin/glimmerbox" --contact-sheet "$work/sheet.png" "$work/samples")"
chmod u+w "$root/usr/bin"
echo "$output"
grep -Eq '^File\(s\): [1-9][0-9]*$' <<<"$output" || fail "no \"File(s): N\" line"
[ -s "$work/sheet.png" ] || fail "no contact sheet written"
[ -d "$work/config/glimmerbox" ] || fail "settings folder not made under \$XDG_CONFIG_HOME"
[ -z "$(find "$root" -name '*.ini')" ] || fail "settings written inside the installed tree"
echo "Package check passed."
