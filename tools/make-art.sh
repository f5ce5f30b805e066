#!/usr/bin/env bash
# Makes the pictures in res/ again from tools/art/generate_art.cpp.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
binary=$(mktemp)
trap 'rm -f "$binary"' EXIT
g++ -std=c++17 -O1 -Wall -Wextra -Werror -o "$binary" "$root/tools/art/generate_art.cpp"
"$binary" "$root/res"
