#!/usr/bin/env bash
# Writes the fuzzer's seed corpus into tests/game/portable/fuzz/corpus, replacing what is there.
#   bash tests/game/portable/fuzz/make_corpus.sh
# Each seed is a line of actions in the letters of rules_fuzzer.cpp; "c" and the letter after it
# set the previewed piece ('a' horizontal bar, 'c' vertical bar, 'e' square, 'f'..'i' T,
# 'j'..'m' L, 'n'..'q' J, 'r'..'u' Z, 'v'..'y' S).
set -euo pipefail
corpus="$(cd "$(dirname "$0")" && pwd)/corpus"

# Repeats a text a number of times.
repeat() {
    local text=$1 count=$2 out=""
    for ((i = 0; i < count; i++)); do out+=$text; done
    printf '%s' "$out"
}

# The actions that put a vertical bar, spawned in column 5, into the given column and land it.
bar_into_column() {
    local column=$1
    if ((column < 5)); then repeat L $((5 - column)); else repeat R $((column - 5)); fi
    printf 'Df'
}

# Nine vertical bars fill columns 1..9 four rows deep; a tenth in column 0 removes four rows.
four_rows() {
    printf 'Bccs'
    bar_into_column 1
    for column in 2 3 4 5 6 7 8 9 0; do
        printf 'ccn'
        bar_into_column "$column"
    done
    printf 'nDf'
}

# Four vertical bars stand in column 0 up to row 2 and a square lands on them in rows 0 and 1:
# every row is partly filled and none is full, so the game is lost.
full_well() {
    printf 'Bccs'
    bar_into_column 0
    for _ in 1 2 3; do
        printf 'ccn'
        bar_into_column 0
    done
    printf 'cenLLLLf'
}

# Four vertical bars fill column 5 from row 2 down; the fifth does not fit.
spawn_loss() {
    printf 'BccsDf%s' "$(repeat ccnDf 3)"
    printf 'ccn'
}

# A stack whose rows 3 to 17 all hold blocks, row 3 all but column 5, and row 0 empty: a vertical
# bar in column 5 fills row 3 from the very top, so the removal scan runs through row 0.
top_row_removal() {
    printf 'Bccs'
    bar_into_column 0
    for _ in 1 2; do printf 'ccn%s' "$(bar_into_column 0)"; done
    for _ in 1 2 3; do printf 'ccn%s' "$(bar_into_column 9)"; done
    # A square on the left tower, then horizontal bars in rows 5, 4 and 3 on the right one.
    printf '%s' cenLLLLDf canRRRDf canRRDf canRRRDf
    # A horizontal bar in row 3 on the square, a T beside it, and the bar that fills row 3.
    printf '%s' canLLLDf cgnLDf ccnf nDf
}

# One line per seed: its file name, a space, its actions.
seeds() {
    cat <<SEEDS
idle-keys LRTDPfngcaBBs
start Bs
button-while-starting BBBsBBsDf
first-piece-falls Bs$(repeat f 20)n$(repeat f 20)
drop-land-spawn Bs$(repeat Dfn 4)
stack-to-loss Bs$(repeat Dfn 20)gBsDf
moves-and-drops Bs$(repeat LDfnRRDfnTLLLDfnTRRRRDfnTTDfn 2)
stop-while-falling BsLLBBsDf
stop-after-landing BsDfBBsDfn
pause-blocks-keys BsPLRTDfPLRTDfn
pause-then-stop BsPBLBsLf
pause-idle-keys PBsPPPLfPf
choose-while-idle cfcaBcesDfn
one-row BcasLLLDfcanRRRDfcenDfn
two-rows BcasLLLDfcanLLLDfcanRRRDfcanRRRDfcenDfnDf
four-rows $(four_rows)
top-row-removal $(top_row_removal)
full-well $(full_well)gLRTDBsDf
spawn-loss $(spawn_loss)LRTDfgBsDf
restart-after-loss $(spawn_loss)BsDfn
turn-bar-at-walls BccsLLLLLTRRRRRRRRRTLT
turn-sweep-blocked BccsRDfcanDTLTf
slide-after-drop BcesDfcanDRRRRffffn
turns-bar BcasTTTTDfcbnTTTTDf
turns-square BcesTTTTLLLLTDf
turns-t BcfsTTTTDfchnTTTTDfcinTLTRTDf
turns-l BcjsTTTTDfclnTTTTDfcmnTRTLTDf
turns-j BcnsTTTTDfcpnTTTTDfcqnTLTRTDf
turns-z BcrsTTTTDfctnTTTTDfcunTRTRTDf
turns-s BcvsTTTTDfcxnTTTTDfcynTLTLTDf
walls-every-way BcjsLLLLLLRRRRRRRRRRDfcknRRRRRRLLLLLLLLLLDf
drop-on-resting BsDDTDfDn
levels l2BsDfnBl3BsDfnBlxBsDfnBl1Bs
refused-start-delay x0BBsDf
refused-fall-and-spawn Bx1sBx2sBsDf
refused-game-over x3$(spawn_loss)BsDf
SEEDS
}

rm -rf "$corpus"
mkdir -p "$corpus"
seeds | while read -r name actions; do
    printf '%s' "$actions" >"$corpus/$name"
done
# Every byte value once, in order, for the bytes that are not letters of an action.
for ((byte = 0; byte < 256; byte++)); do printf "\\x$(printf %02x "$byte")"; done >"$corpus/every-byte"
echo "wrote $(ls "$corpus" | wc -l) seeds to $corpus"
