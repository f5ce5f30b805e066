#!/usr/bin/env bash
# Runs a Windows program under Wine in the build folder's own prefix:
#   tools/wine-run.sh BUILD_DIR PROGRAM [ARGUMENTS...]
# Used by CTest as the cross-compiling emulator. Wine's helper processes inherit the program's
# standard output and keep it open after the program ends, which would make CTest wait for
# good; so the program writes to a file that is printed once it has finished.
set -u
build_dir=$1
program=$2
shift 2
. "$(dirname "$0")/wine-env.sh"

if [ "$(kv_pe_bits "$program")" = 32 ] && ! kv_can_run_32bit; then
    echo "wine-run: this machine's kernel cannot run 32-bit programs; run the tests of the" >&2
    echo "64-bit build instead (cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake)." >&2
    exit 125
fi
kv_wine_setup "$build_dir" "$program" || exit 1

output=$(mktemp)
"$KV_WINE" "$program" "$@" >"$output" 2>&1 </dev/null
status=$?
cat "$output"
rm -f "$output"
if [ $status -ne 0 ]; then
    echo "wine-run: $(basename "$program") ended with status $status" >&2
fi
exit $status
