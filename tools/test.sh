#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test, ending with CTest's summary.
#   bash tools/test.sh
# The product is a 32-bit Windows program. Where the kernel cannot run 32-bit code (and so not
# 32-bit Wine), the Windows tests are built and run as 64-bit programs under 64-bit Wine; the
# 32-bit build is still made, tests included, so that it compiles warning-free.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
tools="$root/tools"
build="$root/build"

bash "$tools/install-deps.sh"
. "$tools/build.sh"
. "$tools/wine-env.sh"
. "$tools/xvfb.sh"
mkdir -p "$build"

echo "== Host build of the game rules (AddressSanitizer, UndefinedBehaviorSanitizer)"
kv_build "$build/host"
echo "== 32-bit Windows build"
kv_build "$build/win32" mingw-i686.cmake
if kv_can_run_32bit; then
    windows=win32
    # The game as a 64-bit program too, with the tests of the checked build's instruments: the
    # test of a game that cannot make its window runs both games, and the 32-bit folder's tests
    # run the 64-bit instruments' tests.
    echo "== 64-bit Windows build of the game and of the checked build's tests"
    KV_BUILD_TARGETS="kvblocks checked_build_tests checked_planted_fault_tests" \
        kv_build "$build/win64" mingw-x86_64.cmake
else
    echo "== This kernel cannot run 32-bit programs: 64-bit Windows build for the tests"
    windows=win64
    kv_build "$build/win64" mingw-x86_64.cmake
fi

# The archive players download, built before the tests: Release.ReproducibleArchive builds it a
# second time elsewhere and compares, and runs what the archive unpacks to.
echo "== Release archive"
bash "$tools/release.sh"

# build/windows names the Windows build whose tests run, for the commands in the README.
ln -sfn "$windows" "$build/windows"

# One CTest run over both builds gives one summary line.
printf 'subdirs("host" "%s")\n' "$windows" >"$build/CTestTestfile.cmake"

cleanup() {
    kv_xvfb_stop
    # Every Windows folder: the test of a game without a display driver uses both.
    for prefix in "$build"/win32/wineprefix-*/ "$build"/win64/wineprefix-*/; do
        [ -d "$prefix" ] && kv_wine_stop "$prefix"
    done
}
trap cleanup EXIT

# The list is read whole before it is searched: grep -q would stop reading at its match, and a
# ctest that writes after it then dies of SIGPIPE, which pipefail takes for no x11 tests at all.
x11_tests=$(ctest --test-dir "$build" -N -L x11 2>/dev/null || true)
if grep -q 'Total Tests: [1-9]' <<<"$x11_tests"; then
    kv_xvfb_start
fi

cd "$build"
ctest -j "$(nproc)" --output-on-failure --timeout 300
