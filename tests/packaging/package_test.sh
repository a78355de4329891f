#!/bin/bash
# Unpacks the Debian package made for the tests (in the directory given) into
# a scratch root, checks what it holds and that it names one version
# throughout, and starts the unpacked program to see that it runs and reads
# its sounds from beside the real executable, reached through the bin link.
set -euo pipefail

deb=$(ls "$1"/klavet_*.deb)
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

root=$work/root
dpkg-deb -x "$deb" "$root"

# The file list.
(cd "$root" && find . -type f -o -type l | sort) > "$work/files"
for f in ./usr/lib/klavet/klavet ./usr/lib/klavet/di.wav ./usr/lib/klavet/da.wav ./usr/lib/klavet/tok.wav \
         ./usr/bin/klavet ./usr/share/applications/org.klavet.klavet.desktop \
         ./usr/share/metainfo/org.klavet.klavet.metainfo.xml \
         ./usr/share/icons/hicolor/scalable/apps/klavet.svg ./usr/share/icons/hicolor/32x32/apps/klavet.png \
         ./usr/share/man/man1/klavet.1.gz ./usr/share/man/fr/man1/klavet.1.gz ./usr/share/doc/klavet/copyright \
         ./usr/share/doc/klavet/changelog.gz; do
    grep -qxF "$f" "$work/files" || fail "missing $f"
done
[ "$(readlink "$root/usr/bin/klavet")" = "../lib/klavet/klavet" ] || fail "bin/klavet is not a link to the private program"
if grep -v -E '^\./usr/(bin|lib/klavet|share/(applications|metainfo|icons|doc|man/(fr/)?man1))/' "$work/files"; then
    fail "files outside the expected places"
fi

# Each manual page in its language, as man -L finds it.
zcat "$root/usr/share/man/man1/klavet.1.gz" | grep -q '^\.SH OPTIONS' || fail "the English manual page"
zcat "$root/usr/share/man/fr/man1/klavet.1.gz" | grep -q '^\.SH "CODE DE RETOUR"' || fail "the French manual page"
[ "$(MANPATH=$root/usr/share/man man -L fr -w klavet)" = "$root/usr/share/man/fr/man1/klavet.1.gz" ] ||
    fail "man -L fr does not find the French page"

# Metadata and dependencies.
desktop-file-validate "$root/usr/share/applications/org.klavet.klavet.desktop"
appstreamcli validate --pedantic --no-net "$root/usr/share/metainfo/org.klavet.klavet.metainfo.xml" > /dev/null
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libqt6widgets6 libsdl2-2.0-0 libc6 fonts-liberation; do
    echo "$depends" | grep -q "$lib" || fail "Depends lacks $lib"
done
if echo "$depends" | grep -q -- '-dev'; then fail "Depends names a build-only package"; fi
file -L "$root/usr/share/icons/hicolor/32x32/apps/klavet.png" | grep -q "32 x 32" || fail "32-pixel icon size"

# One version throughout: the package's, the changelog's latest entry, the
# metainfo's latest release and the program's own, asked with no display.
version=$(dpkg-deb -f "$deb" Version)
zcat "$root/usr/share/doc/klavet/changelog.gz" > "$work/changelog"
[ "$(dpkg-parsechangelog -l "$work/changelog" -S Version)" = "$version" ] || fail "changelog is not at $version"
release=$(grep -o -m 1 '<release version="[^"]*"' "$root/usr/share/metainfo/org.klavet.klavet.metainfo.xml")
[ "$release" = "<release version=\"$version\"" ] || fail "metainfo's latest release is not $version: $release"
[ "$(env -u DISPLAY "$root/usr/bin/klavet" --version)" = "klavet $version" ] || fail "klavet --version is not $version"

# Start the unpacked program through its link, on a private X server, and
# press the key: the key tone must be read from beside the real executable.
display=""
for n in $(seq 140 199); do
    if [ ! -e /tmp/.X11-unix/X$n ] && [ ! -e /tmp/.X$n-lock ]; then display=:$n; break; fi
done
[ -n "$display" ] || fail "no free display"
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp > /dev/null 2>&1 & pids+=($!)
for _ in $(seq 100); do DISPLAY=$display xdpyinfo > /dev/null 2>&1 && break; sleep 0.05; done
export DISPLAY=$display
openbox --sm-disable > /dev/null 2>&1 & pids+=($!)

SDL_AUDIODRIVER=dummy strace -f -qq -e trace=openat -o "$work/trace" "$root/usr/bin/klavet" > "$work/out.log" 2>&1 &
pids+=($!)
win=$(timeout 20 xdotool search --sync --onlyvisible --name "Trelin" | head -n 1) || fail "no window"
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$win")"
xdotool mousemove $((X + 268)) $((Y + 96)) sleep 0.1 mousedown 1 sleep 0.2 mouseup 1 sleep 0.3
grep -q "openat(.*\"$root/usr/lib/klavet/tok.wav\"" "$work/trace" || { grep wav "$work/trace" || true; fail "tok.wav not read from $root/usr/lib/klavet"; }
kill -0 "${pids[-1]}" || fail "the program ended"
echo "package test passed: $(basename "$deb")"
