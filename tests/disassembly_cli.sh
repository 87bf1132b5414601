#!/bin/sh
# --disassemble and --moves as a user runs them, on puzzles designed so that their answers
# follow by hand: linked rings and a cube shut in a box never come apart; a tray's cubes slide
# to its one opening in turn; a lid of two pieces slides out through a slot in order; a
# six-piece burr's key comes out first; a weight keeps the plate in place; a group keeps two
# linked rings one part. The same bytes on any number of threads, shares that merge into the
# whole count, and one-line faults.
# usage: disassembly_cli.sh PROGRAM DATA_DIR
set -u
program=$1
data=$2/disassembly
. "$(dirname "$0")/cli_common.sh"

for args in "list --disassemble" "show 1 --moves" "list --solutions-only --puzzle a" \
  "count --disassemble --limit 2 --puzzle a" "count --disassemble --journal j --puzzle a" \
  "show 1 --moves --svg --puzzle a"; do
  # shellcheck disable=SC2086 # the words are the arguments
  expect 2 "*" $args
  grep -q '^cubepack-solutions: .* (try --help)$' "$work/err" || fail "'$args': $(cat "$work/err")"
done

# The tray: every place of its two cubes, each with its level, the same on 1 and 4 threads.
cat > "$work/tray-levels" << 'LINES'
0000000000000000000001++0000000000002++00000000000000.000000 2.2
00000000000000000000012+000000000000+++00000000000000.000000 2.2
0000000000000000000001++000000000000+2+00000000000000.000000 2.2
0000000000000000000001+2000000000000+++00000000000000.000000 1.2
0000000000000000000001++000000000000++200000000000000.000000 1.2
000000000000000000000+1+0000000000002++00000000000000.000000 2.2
000000000000000000000+++00000000000012+00000000000000.000000 2.2
000000000000000000000++10000000000002++00000000000000.000000 1.2
000000000000000000000+++0000000000001+200000000000000.000000 1.2
000000000000000000000+1+000000000000+2+00000000000000.000000 2.2
000000000000000000000+12000000000000+++00000000000000.000000 1.2
000000000000000000000+1+000000000000++200000000000000.000000 1.2
000000000000000000000++1000000000000+2+00000000000000.000000 1.2
000000000000000000000+++000000000000+1200000000000000.000000 1.2
000000000000000000000++1000000000000++200000000000000.000000 1
LINES
for jobs in 1 4; do
  expect 0 "" list --disassemble -j $jobs --puzzle "$data/tray.txt"
  cmp -s "$work/out" "$work/tray-levels" || fail "tray, -j $jobs: $(diff "$work/out" "$work/tray-levels" | head -n 4)"
done
expect 0 "" count --disassemble -j 4 --puzzle "$data/tray.txt"
head -n 6 "$work/out" | tail -n 5 > "$work/summary"
cat > "$work/want" << 'TEXT'
15 solutions (one per class under the symmetries), 15 packings of the fixed target
15 of them come apart, by level:
  1: 1
  1.2: 8
  2.2: 6
TEXT
cmp -s "$work/summary" "$work/want" || fail "tray count: $(cat "$work/summary")"
expect 0 "" show 1 --moves --puzzle "$data/tray.txt"
tail -n 5 "$work/out" > "$work/moves"
printf 'level 2.2, 4 moves\n1: 1 +x 2\n2: 1 +z out\n3: 2 +x 2\n4: 2 +z out\n' > "$work/want"
cmp -s "$work/moves" "$work/want" || fail "tray show 1 --moves: $(cat "$work/moves")"

# Shares of the count with --disassemble merge into the whole count; a share of the count
# without it is another count.
for jobs in 4 1; do
  expect 0 "" count --disassemble --json -j $jobs --puzzle "$data/lid.txt"
  sed 's/"seconds":[0-9.]*//' "$work/out" > "$work/whole"
  grep -q '"solutions":11,"solutions_fixed":22,"solutions_disassembled":7,"levels":{"1.1.2":6,"1.2":1}' \
    "$work/whole" || fail "lid count, -j $jobs: $(cat "$work/whole")"
done
for k in 1 2 3; do
  expect 0 "" count --disassemble --json --shard $k/3 --puzzle "$data/lid.txt"
  mv "$work/out" "$work/share$k"
done
expect 0 "" merge --json "$work/share1" "$work/share2" "$work/share3"
sed 's/"seconds":[0-9.]*//' "$work/out" > "$work/merged"
cmp -s "$work/merged" "$work/whole" || fail "merged shares: $(cat "$work/merged")"
expect 0 "" count --json --shard 3/3 --puzzle "$data/lid.txt"
mv "$work/out" "$work/plain3"
expect 1 "cubepack-solutions: $work/plain3: a share of another count than $work/share1" \
  merge "$work/share1" "$work/share2" "$work/plain3"
# The lid: only the assemblies that come apart, each as the count says.
expect 0 "" list --disassemble --solutions-only -j 2 --puzzle "$data/lid.txt"
[ "$(grep -c ' 1\.1\.2$' "$work/out") $(grep -c ' 1\.2$' "$work/out") $(wc -l < "$work/out")" = "6 1 7" ] ||
  fail "lid --solutions-only: $(cat "$work/out")"

# Linked rings and a cube in a closed box: no solution, "-" in the listing.
for puzzle in rings closed-box; do
  for jobs in 1 4; do
    expect 0 "" count --disassemble -j $jobs --puzzle "$data/$puzzle.txt"
    grep -qx "0 of them come apart" "$work/out" || fail "$puzzle, -j $jobs: $(cat "$work/out")"
  done
  expect 0 "" list --disassemble --puzzle "$data/$puzzle.txt"
  grep -q ' -$' "$work/out" || fail "$puzzle listed: $(cat "$work/out")"
  expect 0 "" show 1 --moves --puzzle "$data/$puzzle.txt"
  [ "$(tail -n 1 "$work/out")" = "does not come apart" ] || fail "$puzzle --moves: $(tail -n 1 "$work/out")"
done

# The burr: its key first, then the other five in three steps of two moves.
for jobs in 1 4; do
  expect 0 "" count --disassemble --json -j $jobs --puzzle "$data/burr.txt"
  grep -q '"solutions":1,"solutions_fixed":12,"solutions_disassembled":1,"levels":{"1.2.2.2":1}' \
    "$work/out" || fail "burr, -j $jobs: $(cat "$work/out")"
done
expect 0 "" show 1 --moves --puzzle "$data/burr.txt"
grep -qx "level 1.2.2.2, 8 moves" "$work/out" && grep -qx "1: A +z out" "$work/out" ||
  fail "burr --moves: $(tail -n 9 "$work/out")"

# Groups: the linked rings on a plate are one part by their group, and no solution without it.
expect 0 "" list --disassemble --puzzle "$data/rings-on-plate.txt"
grep -q ' 1$' "$work/out" || fail "rings on a plate: $(cat "$work/out")"
sed 's/ group 1//' "$data/rings-on-plate.txt" > "$work/ungrouped.txt"
expect 0 "" list --disassemble --puzzle "$work/ungrouped.txt"
grep -q ' -$' "$work/out" || fail "rings on a plate without their group: $(cat "$work/out")"

# Weights: the plate slides away from the cube on it, unless it is the heavier.
printf 'target draw xxx/xxx/xxx .../.x./...\npiece P weight 5 draw xxx/xxx/xxx\npiece c 0,0,0\n' \
  > "$work/plate.txt"
expect 0 "" show 1 --moves --puzzle "$work/plate.txt"
[ "$(tail -n 1 "$work/out")" = "1: c -x out" ] || fail "heavy plate: $(tail -n 1 "$work/out")"
sed 's/ weight 5//' "$work/plate.txt" > "$work/light.txt"
expect 0 "" show 1 --moves --puzzle "$work/light.txt"
[ "$(tail -n 1 "$work/out")" = "1: P +x out" ] || fail "light plate: $(tail -n 1 "$work/out")"

finish
