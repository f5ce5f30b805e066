# Sourced by the project's scripts: configures a build folder once and builds it.
#   kv_build DIR [TOOLCHAIN_FILE]   (no toolchain file: the host build of the game rules)

kv_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

kv_build() {
    local dir=$1 toolchain=${2:-}
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        local args=(-S "$kv_root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo)
        [ -n "$toolchain" ] && args+=("-DCMAKE_TOOLCHAIN_FILE=$kv_root/cmake/$toolchain")
        cmake "${args[@]}" >"$dir.configure.log" 2>&1 || {
            cat "$dir.configure.log"
            return 1
        }
    fi
    cmake --build "$dir" -j "$(nproc)"
}
