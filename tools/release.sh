#!/usr/bin/env bash
# Builds the game as players download it and packs it:   bash tools/release.sh
# Writes build/dist/kvblocks-<version>-win32.zip (the stripped executable and a note on how to
# play) and build/dist/SHA256SUMS. The build lives in build/release: optimised, without tests,
# debug information or the link time (cmake/release.cmake), so that two builds of the same
# sources give the same bytes.
#   bash tools/release.sh [BUILD_DIR DIST_DIR [TOOLCHAIN_FILE]]
# builds elsewhere; TOOLCHAIN_FILE mingw-x86_64.cmake makes a 64-bit archive (…-win64.zip) for
# machines that cannot run 32-bit programs, where the tests run that one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
tools="$root/tools"
build_dir=${1:-$root/build/release}
dist=${2:-$root/build/dist}
toolchain=${3:-mingw-i686.cmake}

bash "$tools/install-deps.sh"
. "$tools/wine-env.sh"
mkdir -p "$build_dir" "$dist"
build_dir=$(cd "$build_dir" && pwd)
dist=$(cd "$dist" && pwd)

# Configured every time (a second or two), so that the folder always has exactly these settings.
# KV_CHECKED_BUILD stays at its default, off here: players get the runtime's own allocator and
# none of the checked build's instruments.
if ! cmake -S "$root" -B "$build_dir" -G Ninja "-DCMAKE_TOOLCHAIN_FILE=$root/cmake/$toolchain" \
    -DCMAKE_BUILD_TYPE=MinSizeRel -DBUILD_TESTING=OFF -DKV_RELEASE=ON \
    >"$build_dir.configure.log" 2>&1; then
    cat "$build_dir.configure.log" >&2
    exit 1
fi
cmake --build "$build_dir" -j "$(nproc)"
exe="$build_dir/src/app/kvblocks.exe"

# The version CMake wrote from the project version, the one place it is set.
header="$build_dir/generated/kvblocks_version.h"
version=$(sed -n 's/^#define KV_VERSION_\(MAJOR\|MINOR\|PATCH\) //p' "$header" | paste -sd.)
if [[ ! "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]]; then
    echo "release: no version in $header" >&2
    exit 1
fi
name="kvblocks-$version-win$(kv_pe_bits "$exe")"

# Archive members get the time of the last commit (or a fixed one outside git) and fixed
# permissions, are added in a fixed order and carry no extra fields (owner, Unix times): the
# archive depends on the files' contents only. Zip stores local times, hence TZ=UTC.
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 1767225600)}
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$exe" "$stage/kvblocks.exe"
# The note is for Windows' own editors: UTF-8 with a byte-order mark and CRLF line ends.
{
    printf '\xef\xbb\xbf'
    sed -e "s/@VERSION@/$version/" -e 's/$/\r/' "$root/docs/player-readme.txt"
} >"$stage/README.txt"
chmod 644 "$stage"/*
touch -d "@$epoch" "$stage"/*
rm -f "$dist"/kvblocks-*-win"$(kv_pe_bits "$exe")".zip
(cd "$stage" && LC_ALL=C ls | TZ=UTC zip -X -D -q -9 "$dist/$name.zip" -@)
(cd "$dist" && sha256sum "$name.zip" >SHA256SUMS)

echo "release: $dist/$name.zip ($(stat -c %s "$dist/$name.zip") bytes;" \
    "kvblocks.exe $(stat -c %s "$exe") bytes)"
cat "$dist/SHA256SUMS"
