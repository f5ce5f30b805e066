# Sourced by the project's scripts: the Wine settings every call shares.
#   kv_wine_setup BUILD_DIR PROGRAM  sets KV_WINE (the loader for PROGRAM's architecture),
#   WINEPREFIX (the build folder's own prefix) and the rest of the environment, and makes the
#   prefix on first use. KV_WINE_DRIVER=x11 selects a prefix that shows windows on $DISPLAY;
#   the default prefix uses Wine's null display driver, so window tests need no X server;
#   KV_WINE_DRIVER=nodriver names a driver that does not exist, so creating a window fails.

kv_tools_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# Prints 32 or 64: the architecture of a Windows executable, read from its PE header.
kv_pe_bits() {
    local offset machine
    offset=$(od -An -t u4 -j 60 -N 4 "$1" | tr -d ' ')
    machine=$(od -An -t x2 -j $((offset + 4)) -N 2 "$1" | tr -d ' ')
    if [ "$machine" = "8664" ]; then echo 64; else echo 32; fi
}

# True when this machine's kernel runs 32-bit programs (and so 32-bit Wine).
kv_can_run_32bit() {
    [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

kv_wine_setup() {
    local build_dir=$1 program=$2 bits driver=${KV_WINE_DRIVER:-null}
    bits=$(kv_pe_bits "$program")
    if [ "$bits" = 64 ]; then
        KV_WINE=/usr/lib/wine/wine64
        export WINEARCH=win64
    else
        KV_WINE=/usr/lib/wine/wine
        export WINEARCH=win32
    fi
    if [ ! -x "$KV_WINE" ]; then
        echo "wine: no $KV_WINE; install Wine first (bash tools/install-deps.sh)" >&2
        return 1
    fi
    # Wine refuses a relative prefix.
    build_dir=$(cd "$build_dir" && pwd -P) || return 1
    export WINEPREFIX="$build_dir/wineprefix-$driver"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    # The wineserver's socket lives under TMPDIR: every call must agree on it.
    export TMPDIR=/tmp
    export LC_ALL=C.UTF-8
    bash "$kv_tools_dir/wine-prefix.sh" "$KV_WINE" "$driver" || return 1
    # One persistent server per prefix saves 0.5-2.5 s per process; a second start is a no-op.
    /usr/lib/wine/wineserver64 -p </dev/null >/dev/null 2>&1 || true
}

# Stops the prefix's server (it would otherwise stay for good).
kv_wine_stop() {
    WINEPREFIX="$1" TMPDIR=/tmp /usr/lib/wine/wineserver64 -k >/dev/null 2>&1 || true
}
