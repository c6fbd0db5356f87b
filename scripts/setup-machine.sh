#!/bin/sh
# Installs what the build and the Wine test bed need on a Debian 12 machine, and the packages
# named as arguments (the screenshots' fonts). Quick when everything is present already: only
# dpkg is asked.
set -eu

PACKAGES="g++-mingw-w64-x86-64-posix mingw-w64-tools libwine-dev wine wine64 \
cmake make python3 libboost-dev googletest dpkg-dev \
xvfb x11-apps x11-utils imagemagick wixl msitools $*"

missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "Installing:$missing"
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends $missing
