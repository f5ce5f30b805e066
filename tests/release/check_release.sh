#!/usr/bin/env bash
# Checks the release (tools/release.sh): two builds in different folders at different times give
# the same executable, archive and checksum; the executable is small and carries the tested
# build's resources; the archive unpacks to a program that shows its window and ends with exit
# code 0 when closed; and a game built with the release's settings whose key handler has a bug
# ends at once with the program's own status when a key is pressed, showing no box.
#   check_release.sh TEST_BUILD_DIR START_AND_CLOSE_PROGRAM TESTED_GAME_PROGRAM
set -euo pipefail
test_build=$1
start_and_close=$2
tested_game=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
tools="$root/tools"
. "$tools/wine-env.sh"

failures=0
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}

work=$(mktemp -d /tmp/kvblocks-release-check.XXXXXX)
trap 'rm -rf "$work"' EXIT

# Runs tools/release.sh with the given arguments, its output kept unless it fails.
release() {
    local began=$SECONDS
    if ! bash "$tools/release.sh" "$@" >"$work/release.log" 2>&1; then
        cat "$work/release.log"
        exit 1
    fi
    echo "release build ${*:-build/release}: $((SECONDS - began)) s"
}

# The first build is build/release, made by tools/test.sh before the tests (brought up to date
# here if it was not); the second is made now, later, in a folder with another path.
release
release "$work/second/build" "$work/second/dist"
first_exe="$root/build/release/src/app/kvblocks.exe"
second_exe="$work/second/build/src/app/kvblocks.exe"
archive=$(cd "$root/build/dist" && ls kvblocks-*-win32.zip)

for pair in "$first_exe $second_exe kvblocks.exe" \
    "$root/build/dist/$archive $work/second/dist/$archive $archive" \
    "$root/build/dist/SHA256SUMS $work/second/dist/SHA256SUMS SHA256SUMS"; do
    read -r first second what <<<"$pair"
    if cmp -s "$first" "$second"; then
        echo "same bytes in both builds: $what ($(stat -c %s "$first") bytes)"
    else
        fail "$what differs between the builds: $(cmp -l "$first" "$second" 2>&1 | wc -l) bytes," \
            "the first at $(cmp "$first" "$second" 2>&1 | head -n 1)"
    fi
done
(cd "$root/build/dist" && sha256sum --check --quiet SHA256SUMS) || fail "SHA256SUMS does not match"

# Debug information or a dynamically linked runtime would take it far over.
size=$(stat -c %s "$first_exe")
[ "$size" -lt 400000 ] || fail "kvblocks.exe is $size bytes, not under 400 000"

# Only DLLs that every Windows the game runs on has: a runtime library linked dynamically by
# mistake would stop the game on a player's machine.
system_dlls=" comctl32.dll gdi32.dll gdiplus.dll imm32.dll kernel32.dll msvcrt.dll ole32.dll user32.dll version.dll "
imports=$(i686-w64-mingw32-objdump -p "$first_exe" | sed -n 's/^[[:space:]]*DLL Name: //p' |
    tr '[:upper:]' '[:lower:]' | sort | tr '\n' ' ')
echo "kvblocks.exe imports: $imports"
for dll in $imports; do
    [[ "$system_dlls" == *" $dll "* ]] || fail "kvblocks.exe imports $dll, not a system DLL"
done
[ -n "$imports" ] || fail "no imports read from kvblocks.exe"

# Icon, cell pictures and version record, extracted from both programs, are the same bytes.
mkdir -p "$work/resources/release" "$work/resources/tested"
wrestool -x --raw -o "$work/resources/release" "$first_exe"
wrestool -x --raw -o "$work/resources/tested" "$tested_game"
if [ -z "$(ls "$work/resources/release")" ] ||
    ! diff -r "$work/resources/release" "$work/resources/tested" >/dev/null; then
    fail "the release's resources differ from the tested build's:" \
        "$(ls "$work/resources/release" | tr '\n' ' ')"
fi

members=$(unzip -Z1 "$root/build/dist/$archive" | tr '\n' ' ')
[ "$members" = "README.txt kvblocks.exe " ] || fail "the archive holds: $members"
unzip -q "$root/build/dist/$archive" -d "$work/unpacked"

# Start the unpacked program, see its window and close it. A machine that cannot run 32-bit code
# runs the same release built and packed as a 64-bit program instead.
play="$work/unpacked/kvblocks.exe"
play_build="$root/build/release"
if ! kv_can_run_32bit; then
    echo "this machine cannot run 32-bit programs: running the 64-bit build of the release"
    release "$work/win64/build" "$work/win64/dist" mingw-x86_64.cmake
    mkdir "$work/unpacked64"
    unzip -q "$work/win64/dist"/kvblocks-*-win64.zip -d "$work/unpacked64"
    play="$work/unpacked64/kvblocks.exe"
    play_build="$work/win64/build"
fi
began=$SECONDS
if bash "$tools/wine-run.sh" "$test_build" "$start_and_close" "$play"; then
    echo "the unpacked $(kv_pe_bits "$play")-bit kvblocks.exe ran and ended with exit code 0" \
        "($((SECONDS - began)) s)"
else
    fail "the unpacked kvblocks.exe did not show its window and end cleanly (status $?)"
fi

# An exception other than std::bad_alloc at the window procedure is a bug: the release-built
# program must end at once with its own status and never show the box that Windows' abort shows
# in a GUI program (Wine shows none, and ends it with status 3). The game with a bug planted in
# its key handler is built in the release folder that made the program above, with its settings,
# outside the archive.
if cmake --build "$play_build" --target key_bug_game >"$work/key_bug_game.log" 2>&1; then
    if bash "$tools/wine-run.sh" "$test_build" "$start_and_close" \
        "$play_build/tests/release/fixtures/key_bug_game.exe" key; then
        echo "the release-built game with a bug in its key handler ended at once, with no box"
    else
        fail "the release-built game with a bug in its key handler did not end at once with the" \
            "program's own status, or showed a box (status $?)"
    fi
else
    cat "$work/key_bug_game.log"
    fail "the game with a bug in its key handler could not be built in $play_build"
fi

[ "$failures" -eq 0 ] || exit 1
echo "the release is reproducible, runs, and ends at once on a bug"
