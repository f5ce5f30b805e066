# Sourced by the project's scripts: configures a build folder once and builds it.
#   kv_build DIR [TOOLCHAIN_FILE [CMAKE_ARGUMENTS...]]
#   (no toolchain file, or an empty one: the host build of the game rules, with clang)
# A folder is configured once, and again only when its CMake arguments change.

kv_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

kv_build() {
    local dir=$1 toolchain=${2:-}
    shift $(($# < 2 ? $# : 2))
    local args=(-S "$kv_root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@")
    if [ -n "$toolchain" ]; then
        args+=("-DCMAKE_TOOLCHAIN_FILE=$kv_root/cmake/$toolchain")
    else
        # The host build uses clang for the rules' fuzzer (libFuzzer); a folder configured earlier
        # with another compiler is configured afresh.
        args+=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++)
        if [ -f "$dir/CMakeCache.txt" ] &&
            ! grep -q '^CMAKE_CXX_COMPILER:[A-Z]*=.*clang++$' "$dir/CMakeCache.txt"; then
            rm -rf "$dir/CMakeCache.txt" "$dir/CMakeFiles"
        fi
    fi
    local stamp="$dir/.kv-configured-with"
    if [ ! -f "$dir/CMakeCache.txt" ] || [ "$(cat "$stamp" 2>/dev/null)" != "${args[*]}" ]; then
        mkdir -p "$dir"
        cmake "${args[@]}" >"$dir.configure.log" 2>&1 || {
            cat "$dir.configure.log"
            return 1
        }
        printf '%s' "${args[*]}" >"$stamp"
    fi
    # KV_BUILD_TARGETS, target names separated by spaces, builds only those and what they need
    # (the play command wants the game, not the tests).
    # shellcheck disable=SC2086  # one target per word
    cmake --build "$dir" -j "$(nproc)" ${KV_BUILD_TARGETS:+--target $KV_BUILD_TARGETS}
}
