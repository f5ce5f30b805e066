#!/usr/bin/env bash
# Runs the coverage probe once for each way it can end and checks with gcov that every line whose
# comment says "counted: WAY" was counted in that run: the counts were saved after the static
# objects' destructors, or before the checked build ended the process.
#   saved_counts_test.sh BUILD_DIR GCOV PROBE PROBE_OBJECT
set -u
build_dir=$1
gcov=$2
probe=$3
object=$4
tools="$(dirname "$0")/../../tools"
counts=${object%.obj}.gcda

# Each way, with the low byte of the status it ends with, as Wine passes it on: 0, the checked
# heap's leak status 0xE0001EA4, the fault reporter's 0xE000FA17, the heap's misuse status
# 0xC0000374.
ways=("exit 0" "leak 164" "fault 23" "double-delete 116")

failures=0
fail() {
    echo "FAIL: $way: $*"
    failures=$((failures + 1))
}
for entry in "${ways[@]}"; do
    read -r way expected_status <<<"$entry"
    rm -f "$counts"
    bash "$tools/wine-run.sh" "$build_dir" "$probe" "$way" >/dev/null 2>&1
    status=$?
    [ "$status" = "$expected_status" ] ||
        { fail "the probe ended with status $status, not $expected_status"; continue; }
    [ -f "$counts" ] || { fail "no counts saved ($counts)"; continue; }
    # gcov's text: "COUNT:LINE:SOURCE", COUNT "#####" for a line never run.
    report=$(cd "$(dirname "$object")" && "$gcov" -t "$object" 2>/dev/null)
    lines=$(grep -E "// counted: .*\\b$way\\b" <<<"$report")
    [ -n "$lines" ] || { fail "gcov shows no line marked for it"; continue; }
    while IFS= read -r line; do
        count=$(cut -d: -f1 <<<"$line" | tr -d ' *')
        if [[ ! "$count" =~ ^[0-9]+$ ]] || [ "$count" -eq 0 ]; then
            fail "not counted: $line"
        else
            echo "ok: $way: $line"
        fi
    done <<<"$lines"
done
exit $((failures > 0))
