#!/usr/bin/env bash
# Gives the source line of every code address that the checked build's reports name:
#   tools/fault-lines.sh OUTPUT_FILE
# A report names an address as "in Z:\...\program.exe+0x1a2b"; for each such address of a file
# that exists here this prints "program.exe+0x1a2b:" and below it "function at file:line" from
# the program's debug information (with the functions inlined there).
# Prints nothing when the output names no address.
set -u
[ -f "${1:-}" ] || exit 0
grep -a -o 'in [A-Za-z]:\\[^ ]*+0x[0-9a-f]*' "$1" | sort -u | while read -r _ place; do
    windows_path=${place%+0x*}
    offset=${place##*+}
    # Wine's drive Z: is the root of the Unix file system.
    case "$windows_path" in
    [Zz]:*) path=$(printf '%s' "${windows_path:2}" | tr '\\' '/') ;;
    *) continue ;;
    esac
    [ -f "$path" ] || continue
    format=$(objdump -f "$path" 2>/dev/null | sed -n 's/.*file format \(pei-[a-z0-9-]*\).*/\1/p')
    case "$format" in
    pei-i386) tools=i686-w64-mingw32 ;;
    pei-x86-64) tools=x86_64-w64-mingw32 ;;
    *) continue ;;
    esac
    base=$("$tools-objdump" -p "$path" | awk '$1 == "ImageBase" { print $2; exit }')
    address=$(printf '0x%x' $((0x$base + offset)))
    # The debug information names functions as the compiler mangled them; the host's c++filt reads
    # those (the cross tools' own -C takes one underscore too many from a 32-bit program's names).
    where=$("$tools-addr2line" -f -i -p -e "$path" "$address" 2>/dev/null | c++filt | sed 's/^/    /')
    printf '%s+%s:\n%s\n' "$(basename "$path")" "$offset" "$where"
done
