#!/usr/bin/env bash
# The built game in a Wine prefix whose display driver does not exist. Creating the main window
# then fails after WM_CREATE has run, and the game must end by itself with status 1: no fault
# report, no exception, nothing from the checked heap.
#   tests/app/no_driver_test.sh GAME [GAME...]
# Every GAME that is built and that this machine can run is tried, each in its own build folder's
# prefix (a GAME is BUILD/src/app/kvblocks.exe); the test fails when none could be.
set -u
. "$(dirname "$0")/../../tools/wine-env.sh"
export KV_WINE_DRIVER=nodriver

declare -A seen=()
ran=0
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
for game in "$@"; do
    if [ ! -f "$game" ]; then
        echo "not built, not tried: $game"
        continue
    fi
    game=$(cd "$(dirname "$game")" && pwd -P)/$(basename "$game")
    [ -n "${seen[$game]:-}" ] && continue
    seen[$game]=1
    bits=$(kv_pe_bits "$game")
    if [ "$bits" = 32 ] && ! kv_can_run_32bit; then
        echo "this machine cannot run 32-bit programs, not tried: $game"
        continue
    fi
    build_dir=$(dirname "$(dirname "$(dirname "$game")")")
    if ! kv_wine_setup "$build_dir" "$game"; then
        fail "no prefix without a display driver in $build_dir"
        continue
    fi
    errors=$(mktemp)
    # The checked game writes its allocation figures when it ends through its own exit path: the
    # proof that status 1 is the game's answer, not Wine's failure to start it.
    report=$(mktemp)
    rm -f "$report"
    KV_ALLOCATION_REPORT="Z:${report//\//\\}" timeout 60 "$KV_WINE" "$game" \
        >/dev/null 2>"$errors" </dev/null
    status=$?
    ran=$((ran + 1))
    echo "$bits-bit $game: exit status $status, $(head -n 1 "$report" 2>/dev/null || echo 'no report')"
    [ "$status" -eq 1 ] || fail "expected exit status 1 (no window), got $status"
    grep -q '^allocations [1-9]' "$report" 2>/dev/null ||
        fail "the game did not end through its own exit (no allocation report)"
    # The checked build's fault reporter and heap, and Wine's word of an unhandled exception.
    if grep -a -i -E '^fault: |^wine:|unhandled|exception|page fault|terminate|checked heap' \
        "$errors"; then
        fail "the lines above came on standard error"
    fi
    rm -f "$errors" "$report"
done

[ "$ran" -gt 0 ] || fail "no game could be run"
echo "$ran run, $failures failures"
[ "$failures" -eq 0 ]
