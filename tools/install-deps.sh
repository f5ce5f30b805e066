#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; does nothing when all are there.
set -euo pipefail

packages=(
    cmake ninja-build g++ binutils googletest clang libclang-rt-14-dev clang-format
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools icoutils
    wine wine64 wine32:i386 fonts-wine
    xvfb xauth xdotool x11-apps imagemagick zip unzip
    fonts-arphic-ukai fonts-arphic-uming fonts-wqy-zenhei
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
    echo "Installing packages needs root; run as root or install them first." >&2
    exit 1
fi
# Wine's 32-bit half comes from the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
