#!/usr/bin/env bash
# Measures how much of src/ the Windows tests run: builds build/coverage (a checked build whose own
# code counts its lines and branches, cmake/coverage.cmake), runs its tests under Wine and prints
# the line and branch coverage of every file under src/ and in total, then the lines never run.
#   bash tools/coverage.sh
# Ends with status 1 when a test failed (the figures, printed all the same, include what the
# failed tests ran) or the counts could not be read.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
tools="$root/tools"
build="$root/build"
coverage="$build/coverage"
began=$SECONDS

bash "$tools/install-deps.sh"
. "$tools/build.sh"
. "$tools/wine-env.sh"
. "$tools/xvfb.sh"
mkdir -p "$build"

# The same choice as the test command: 32-bit programs where the kernel runs them.
if kv_can_run_32bit; then
    toolchain=mingw-i686.cmake
    echo "== Coverage build, 32-bit Windows ($coverage)"
else
    toolchain=mingw-x86_64.cmake
    echo "== This kernel cannot run 32-bit programs: coverage build as 64-bit Windows ($coverage)"
fi
kv_build "$coverage" "$toolchain" -DKV_COVERAGE=ON
built=$SECONDS

gcov=$(sed -n 's/^KV_GCOV:FILEPATH=//p' "$coverage/CMakeCache.txt")
if [ ! -x "$gcov" ]; then
    echo "coverage: no gcov recorded in $coverage/CMakeCache.txt (KV_GCOV)" >&2
    exit 1
fi

# Counts of an earlier run would be added to this one's.
find "$coverage" -name '*.gcda' -delete

cleanup() {
    kv_xvfb_stop
    for prefix in "$coverage"/wineprefix-*/; do
        [ -d "$prefix" ] && kv_wine_stop "$prefix"
    done
}
trap cleanup EXIT

x11_tests=$(ctest --test-dir "$coverage" -N -L x11 2>/dev/null || true)
if grep -q 'Total Tests: [1-9]' <<<"$x11_tests"; then
    kv_xvfb_start
fi

# Left out: the release check, which builds and runs the release (nothing of it is counted),
# and, in a 32-bit folder, the tests that run the programs of the 64-bit folder beside it.
excluded='Release\.ReproducibleArchive'
if [ "$toolchain" = mingw-i686.cmake ]; then
    excluded="$excluded|^win64\\."
fi
echo "== Tests of the coverage build (all but: $excluded)"
test_status=0
ctest --test-dir "$coverage" -j "$(nproc)" --output-on-failure --timeout 300 -E "$excluded" ||
    test_status=$?
tested=$SECONDS

# The runtime says "profiling:" when it cannot save or merge a file's counts.
test_log="$coverage/Testing/Temporary/LastTest.log"
if [ -f "$test_log" ] && grep -q 'profiling:' "$test_log"; then
    echo "coverage: WARNING: some counts were not saved; the figures are too low:" >&2
    grep 'profiling:' "$test_log" | sort | uniq -c | sort -rn | head -n 10 >&2
fi

echo "== Coverage of src/"
# gcov writes one JSON document per object file (kept in gcov.json, its messages in gcov.log);
# an object whose programs never ran has no counts, and all its lines read as never run.
find "$coverage" -name '*.gcno' -print0 | sort -z >"$coverage/gcov.notes"
if [ ! -s "$coverage/gcov.notes" ]; then
    echo "coverage: no .gcno files in $coverage: was it built with --coverage?" >&2
    exit 1
fi
if ! (cd "$coverage" && xargs -0 "$gcov" -j -b -t <gcov.notes >gcov.json 2>gcov.log); then
    cat "$coverage/gcov.log" >&2
    echo "coverage: $gcov failed" >&2
    exit 1
fi
if grep -v 'cannot open data file, assuming not executed' "$coverage/gcov.log" >&2; then
    echo "coverage: WARNING: gcov's messages above; see $coverage/gcov.log" >&2
fi

python3 - "$root" "$coverage/gcov.json" <<'EOF'
import json
import os
import sys

root, report = sys.argv[1], sys.argv[2]
sources = os.path.join(root, "src") + os.sep

# Per source file: line -> times run, and (function, line, arc) -> times taken. A line or branch
# of a header or of a file compiled into several programs adds up over every object. The arcs
# that only a C++ exception takes are left out: nearly every call has one, and they say nothing
# about which conditions the tests tried.
lines = {}
branches = {}
exception_arcs = {}
compiled = set()
text = open(report).read()
decoder = json.JSONDecoder()
at = 0
while True:
    while at < len(text) and text[at].isspace():
        at += 1
    if at == len(text):
        break
    document, at = decoder.raw_decode(text, at)
    base = document.get("current_working_directory", root)
    for entry in document["files"]:
        path = os.path.normpath(os.path.join(base, entry["file"]))
        # A file deleted since its object was compiled is not part of the program any more.
        if not path.startswith(sources) or not os.path.exists(path):
            continue
        name = os.path.relpath(path, root)
        compiled.add(name)
        if not entry["lines"]:
            continue
        file_lines = lines.setdefault(name, {})
        file_branches = branches.setdefault(name, {})
        throw_arcs = exception_arcs.setdefault(name, {})
        for line in entry["lines"]:
            number = line["line_number"]
            file_lines[number] = file_lines.get(number, 0) + line["count"]
            for index, arc in enumerate(line["branches"]):
                key = (line.get("function_name", ""), number, index)
                table = throw_arcs if arc["throw"] else file_branches
                table[key] = table.get(key, 0) + arc["count"]

def percent(part, whole):
    return "{:6.1f}%".format(100.0 * part / whole) if whole else "      -"

def ratio(part, whole):
    return "{:>14}".format("{}/{}".format(part, whole))

width = max([len(name) for name in lines] + [len("total")])
print("{:<{w}}  {:>14} {:>7}  {:>14} {:>7}".format(
    "file", "lines run", "%", "branches taken", "%", w=width))
total = [0, 0, 0, 0]
for name in sorted(lines):
    run = sum(1 for count in lines[name].values() if count > 0)
    taken = sum(1 for count in branches[name].values() if count > 0)
    figures = [run, len(lines[name]), taken, len(branches[name])]
    total = [a + b for a, b in zip(total, figures)]
    print("{:<{w}}  {} {}  {} {}".format(
        name, ratio(figures[0], figures[1]), percent(figures[0], figures[1]),
        ratio(figures[2], figures[3]), percent(figures[2], figures[3]), w=width))
print("{:<{w}}  {} {}  {} {}".format(
    "total", ratio(total[0], total[1]), percent(total[0], total[1]),
    ratio(total[2], total[3]), percent(total[2], total[3]), w=width))
thrown = sum(1 for arcs in exception_arcs.values() for count in arcs.values() if count > 0)
print("(lines: lines run / lines with code; branches: branches taken / branches, without the")
print(" arcs that only a C++ exception takes, of which {} of {} were taken)".format(
    thrown, sum(len(arcs) for arcs in exception_arcs.values())))

# A range runs from a line never run to the last one after it with no line run in between;
# lines without code inside it (blank lines, comments) do not break it.
print()
print("Lines never run:")
for name in sorted(lines):
    ranges = []
    for number in sorted(lines[name]):
        if lines[name][number] > 0:
            ranges.append(None)
        elif ranges and ranges[-1] is not None:
            ranges[-1][1] = number
        else:
            ranges.append([number, number])
    ranges = [r for r in ranges if r is not None]
    if ranges:
        print("{}: {}".format(name, ", ".join(
            str(a) if a == b else "{}-{}".format(a, b) for a, b in ranges)))

# Sources no object was compiled from: their code cannot be counted at all.
uncompiled = []
for folder, _, names in os.walk(os.path.join(root, "src")):
    for file_name in names:
        name = os.path.relpath(os.path.join(folder, file_name), root)
        if file_name.endswith(".cpp") and name not in compiled:
            uncompiled.append(name)
if uncompiled:
    print()
    print("Not compiled into the coverage build, so not counted: " + ", ".join(sorted(uncompiled)))
EOF

echo "== Coverage took $((SECONDS - began)) s: build $((built - began)) s, tests $((tested - built))" \
    "s, report $((SECONDS - tested)) s"
if [ "$test_status" -ne 0 ]; then
    echo "coverage: some tests failed (see above); the figures include what they ran" >&2
    exit 1
fi
