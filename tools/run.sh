#!/usr/bin/env bash
# Installs what is missing, builds the game and starts it: bash tools/run.sh
# With an X display the game opens there. Without one it runs on a virtual display of its own,
# and after a few seconds a screenshot of the window is saved to build/screenshot.png and the
# game is closed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
tools="$root/tools"
build="$root/build"

bash "$tools/install-deps.sh"
. "$tools/build.sh"
. "$tools/wine-env.sh"
. "$tools/xvfb.sh"
mkdir -p "$build"

kv_build "$build/win32" mingw-i686.cmake
windows=win32
if ! kv_can_run_32bit; then
    # The kernel here cannot run 32-bit code: play the 64-bit build of the same program.
    windows=win64
    kv_build "$build/win64" mingw-x86_64.cmake
fi
game="$build/$windows/src/app/kvblocks.exe"
if [ ! -f "$game" ]; then
    echo "Built everything there is; the game window is not there yet."
    exit 0
fi

export KV_WINE_DRIVER=x11
if [ -n "${DISPLAY:-}" ]; then
    kv_wine_setup "$build/$windows" "$game"
    exec "$KV_WINE" "$game"
fi

kv_xvfb_start
trap 'kv_wine_stop "$WINEPREFIX"; kv_xvfb_stop' EXIT
kv_wine_setup "$build/$windows" "$game"
"$KV_WINE" "$game" >/dev/null 2>&1 </dev/null &
game_pid=$!
window=$(timeout 60 xdotool search --sync --onlyvisible --class 'kvblocks.exe' | head -n 1)
sleep 3
shot="$build/screenshot.png"
import -window root -crop "$(xdotool getwindowgeometry --shell "$window" |
    awk -F= '/WIDTH/{w=$2} /HEIGHT/{h=$2} /^X/{x=$2} /^Y/{y=$2} END{printf "%dx%d+%d+%d", w, h, x, y}')" "$shot"
echo "No display: the game ran on a virtual one; screenshot saved to $shot"
xdotool windowfocus --sync "$window" keydown Alt_L key F4 keyup Alt_L || true
wait "$game_pid" || true
