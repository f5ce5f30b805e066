#!/usr/bin/env bash
# Installs what is missing, builds the game and starts it: bash tools/run.sh
# With an X display the game opens there. Without one it runs on a virtual display of its own:
# a game is started with the button and a few pieces are played, a screenshot of the window is
# saved to build/screenshot.png and the game is closed with Alt+F4.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
tools="$root/tools"
build="$root/build"

bash "$tools/install-deps.sh"
. "$tools/build.sh"
. "$tools/wine-env.sh"
. "$tools/xvfb.sh"
mkdir -p "$build"

if kv_can_run_32bit; then
    windows=win32 toolchain=mingw-i686.cmake
else
    # The kernel here cannot run 32-bit code: play the 64-bit build of the same program.
    windows=win64 toolchain=mingw-x86_64.cmake
fi
# Only what playing needs, in the folder played from: the game, and with no display the tool
# that finds its button. The tests are left to tools/test.sh, so a first game starts in seconds.
targets=kvblocks
[ -z "${DISPLAY:-}" ] && targets="kvblocks kv_locate_button"
KV_BUILD_TARGETS=$targets kv_build "$build/$windows" "$toolchain"
game="$build/$windows/src/app/kvblocks.exe"

export KV_WINE_DRIVER=x11
if [ -n "${DISPLAY:-}" ]; then
    kv_wine_setup "$build/$windows" "$game"
    exec "$KV_WINE" "$game"
fi

kv_xvfb_start
trap 'kv_wine_stop "$WINEPREFIX"; kv_xvfb_stop' EXIT
kv_wine_setup "$build/$windows" "$game"
# What the game prints (the checked build reports every fault there) is kept and looked at when it
# has ended.
output="$build/game-output.txt"
"$KV_WINE" "$game" >"$output" 2>&1 </dev/null &
game_pid=$!
window=$(timeout 90 xdotool search --sync --onlyvisible --class 'kvblocks.exe' | head -n 1 || true)
if [ -z "$window" ]; then
    echo "The game's window did not appear on the virtual display." >&2
    exit 1
fi

# Start a game with the button, as a player would, and play a few pieces so that the picture
# shows a game in progress: the button's place comes from the game's own window.
position=$("$KV_WINE" "$build/$windows/tools/locate-button/kv_locate_button.exe" 2>/dev/null |
    tr -d '\r' || true)
if [ -n "$position" ]; then
    read -r x y <<<"$position"
    xdotool mousemove --sync "$x" "$y" click 1
    sleep 1
    for keys in "Left Left Left Down" "Right Right Right Down" "space Down" "Right Right Right Right Right Down"; do
        # shellcheck disable=SC2086  # one key per word
        xdotool search --onlyvisible --class 'kvblocks.exe' windowfocus --sync key --delay 80 $keys
        sleep 0.8
    done
fi
sleep 2

shot="$build/screenshot.png"
import -window "$window" "$shot"
echo "No display: the game ran on a virtual one; screenshot saved to $shot"
xdotool windowfocus --sync "$window" keydown Alt_L key F4 keyup Alt_L || true
status=0
wait "$game_pid" || status=$?
if [ "$status" -ne 0 ] || grep -a -q -E '^(fault: |checked heap: |wine: Unhandled)' "$output"; then
    echo "The game ended with status $status and reported:" >&2
    cat "$output" >&2
    bash "$tools/fault-lines.sh" "$output" >&2
    exit 1
fi
