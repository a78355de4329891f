#!/bin/sh
# Installs the Debian packages that building, running and testing need,
# when some are missing. Runs apt-get as root, or through sudo.
set -eu

packages="
cmake g++ make pkg-config
libgtest-dev libgmock-dev
qt6-base-dev qt6-svg-dev qt6-tools-dev qt6-l10n-tools libsdl2-dev libpulse-dev libpipewire-0.3-dev libx11-dev libxi-dev libxcb1-dev
fonts-liberation fonts-dejavu-core
xvfb xauth openbox xdotool x11-utils imagemagick
pulseaudio pulseaudio-utils sox
pipewire pipewire-bin pipewire-pulse wireplumber
dbus at-spi2-core python3 python3-pyatspi
dpkg-dev file strace desktop-file-utils appstream
lintian man-db groff-base gzip
"

missing=""
for p in $packages; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    case "$status" in
        *" installed") ;;
        *) missing="$missing $p" ;;
    esac
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends $missing
