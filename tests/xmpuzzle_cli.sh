#!/bin/sh
# count (and list) on the puzzle designers' files: a compressed file counts as its text form
# does, from a file of any letter case or from standard input, and a file cut short, a problem
# that is not there or --problem on a text file is one line, exit 2.
# usage: xmpuzzle_cli.sh PROGRAM DATA_DIR
set -u
program=$1
data=$2
. "$(dirname "$0")/cli_common.sh"

expect 0 "" count --puzzle "$data/soma-3x3x3.xmpuzzle" --json
grep -q '"solutions":480,"solutions_fixed":11520' "$work/out" || fail "soma: $(cat "$work/out")"
# Colours, a variable cell and a range: the bar can only lie on the row of its colour, the domino
# on the other row at either end, the cube on the cell left; the half turn swaps the two.
expect 0 "" count --puzzle "$data/colours-holes.xmpuzzle" --json
grep -q '"solutions":1,"solutions_fixed":2' "$work/out" || fail "colours and holes: $(cat "$work/out")"
expect 0 "" list --puzzle "$data/colours-holes.xmpuzzle"
[ "$(cat "$work/out")" = "000112" ] || fail "colours and holes listed: $(cat "$work/out")"
expect 0 "" count --puzzle "$data/soma-3x3x3.xmpuzzle" --problem "Soma cube" --mirror --json
grep -q '"solutions":240,' "$work/out" || fail "soma with --mirror: $(cat "$work/out")"
# list and verify take the same files: one line per class.
expect 0 "" list --puzzle "$data/soma-3x3x3.xmpuzzle" --problem "Soma cube" --mirror
[ "$(wc -l < "$work/out")" -eq 240 ] || fail "list --mirror: $(wc -l < "$work/out") lines, not 240"
mv "$work/out" "$work/listing"
expect 0 "" verify "$work/listing" --puzzle "$data/soma-3x3x3.xmpuzzle" --mirror

cp "$data/soma-3x3x3.xmpuzzle" "$work/SOMA.XMPUZZLE"
expect 0 "" count --puzzle "$work/SOMA.XMPUZZLE" --json
grep -q '"solutions":480,' "$work/out" || fail "SOMA.XMPUZZLE: $(cat "$work/out")"
input="$data/soma-3x3x3.xmpuzzle" expect 0 "" count --puzzle - --problem "Soma cube" --json
grep -q '"solutions":480,' "$work/out" || fail "count --puzzle - of a compressed file: $(cat "$work/out")"

head -c 200 "$data/soma-3x3x3.xmpuzzle" > "$work/cut.xmpuzzle"
input="$work/cut.xmpuzzle" expect 2 \
  "cubepack-solutions: standard input: the compressed data is cut short or damaged" \
  count --puzzle -
expect 2 "*" count --puzzle "$work/cut.xmpuzzle"
grep -q "^cubepack-solutions: $work/cut.xmpuzzle: cannot read" "$work/err" ||
  fail "cut file: $(cat "$work/err")"
expect 2 "*" count --puzzle "$data/soma-3x3x3.xmpuzzle" --problem "Tower"
[ "$(cat "$work/err")" = "cubepack-solutions: $data/soma-3x3x3.xmpuzzle: the file has no problem named 'Tower'" ] ||
  fail "missing problem: $(cat "$work/err")"
printf 'box 1 1 1\npiece A 0,0,0\n' > "$work/one.txt"
expect 2 "*" count --puzzle "$work/one.txt" --problem "Tower"

finish
