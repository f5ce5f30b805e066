#!/usr/bin/env bash
# Runs a Windows program under Wine in the build folder's own prefix:
#   tools/wine-run.sh BUILD_DIR PROGRAM [ARGUMENTS...]
# Used by CTest as the cross-compiling emulator. Wine's helper processes inherit the program's
# standard output and keep it open after the program ends, which would make CTest wait for
# good; so the program writes to a file, which is passed on as it grows.
# Folders may be given relative to the current one. Whenever the program cannot be run, the reason
# goes to standard error.
set -u
if [ $# -lt 2 ]; then
    echo "usage: tools/wine-run.sh BUILD_DIR PROGRAM [ARGUMENTS...]" >&2
    exit 2
fi
. "$(dirname "$0")/wine-env.sh"
# Wine accepts only an absolute WINEPREFIX, and the prefix lives in the build folder.
if ! build_dir=$(cd "$1" 2>/dev/null && pwd -P); then
    echo "wine-run: no build folder $1 (build it first: bash tools/test.sh)" >&2
    exit 2
fi
if [ ! -f "$2" ]; then
    echo "wine-run: no program $2 (build it first: bash tools/test.sh)" >&2
    exit 2
fi
program=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
shift 2
if [ "$(head -c 2 "$program")" != MZ ]; then
    echo "wine-run: $program is not a Windows program" >&2
    exit 2
fi

if [ "$(kv_pe_bits "$program")" = 32 ] && ! kv_can_run_32bit; then
    echo "wine-run: this machine's kernel cannot run 32-bit programs; run the tests of the" >&2
    echo "64-bit build instead (cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake)." >&2
    exit 125
fi
if ! kv_wine_setup "$build_dir" "$program"; then
    echo "wine-run: cannot run $(basename "$program"): Wine is not ready in $build_dir" >&2
    exit 1
fi

# The program writes to a file that is streamed as it grows, so that a test ended at its time-out
# still shows what the program printed until then.
output=$(mktemp)
"$KV_WINE" "$program" "$@" >"$output" 2>&1 </dev/null &
program_pid=$!
tail -n +1 -s 0.05 --pid="$program_pid" -f "$output" &
follower_pid=$!
wait "$program_pid"
status=$?
wait "$follower_pid"
if [ $status -ne 0 ]; then
    # The source lines of the code addresses that a checked build's reports name.
    bash "$(dirname "$0")/fault-lines.sh" "$output"
    # Wine's own complaints (a missing DLL, a bad executable) are mixed into the program's
    # output; repeat them where a caller looks for errors.
    grep -a '^wine: ' "$output" >&2 || true
    echo "wine-run: $(basename "$program") ended with status $status" >&2
fi
rm -f "$output"
exit $status
