#!/bin/sh
# cubepack-solutions count and merge as a user runs them: one-line faults with their exit
# statuses, the JSON line, the same numbers on any number of threads, shares merged into the
# count of a whole run (and shares no count wrote refused), and three shares run by GNU
# parallel. Exits 77 (skipped) after the rest when GNU parallel is not installed.
# usage: puzzle_count_cli.sh PROGRAM PUZZLES_DIR
set -u
program=$1
puzzles=$2
. "$(dirname "$0")/cli_common.sh"

bad() {  # bad NAME CONTENT ERROR_LINE
  printf '%b' "$2" > "$work/$1"
  expect 2 "cubepack-solutions: $work/$1$3" count --puzzle "$work/$1"
}

bad keyword 'box 2 1 1\nshape a 0,0,0 1,0,0\n' ":2: unknown keyword 'shape' (name, box, target, piece, max-holes, allow or one-sided)"
bad sum 'box 2 1 1\npiece a 0,0,0\n' ":2: the pieces have 1 cubes in all, the target 2 cells"
bad binary 'box 2 1 1\n\001\002\n' ":2: not a text file (byte 0x01)"
bad large 'box 256 256 1\n' ":1: the box has 65536 cells; the engine takes at most 32768"
bad latin1 'name Caf\351\nbox 2 1 1\npiece a 0,0,0 1,0,0\n' ":1: the name is not UTF-8 text (byte 0xe9)"
bad empty '' ": no target: give a box line or target lines"
expect 2 "cubepack-solutions: cannot open '$work/none': No such file or directory" \
  count --puzzle "$work/none"
# --limit: "at least" in the time of finding them; all of them, fixed count too, when fewer.
expect 0 "" count --puzzle "$puzzles/cubepack-5x4x3.txt" --mirror --limit 2
grep -q '^at least 2 solutions (one per class under the symmetries): stopped at --limit 2$' \
  "$work/out" || fail "count --limit 2: $(cat "$work/out")"
expect 0 "" count --puzzle "$puzzles/soma-3x3x3.txt" --limit 481
grep -q '^480 solutions (one per class under the symmetries), 11520 packings of the fixed target$' \
  "$work/out" || fail "count --limit 481: $(cat "$work/out")"
for args in "count" "count --puzzle" "count --puzzle a --puzzle b" "count --shard 0/3 --puzzle a" \
  "count --shard 4/3 --puzzle a" "count --puzzle a -j 0" "count --puzzle a --json x" "merge" \
  "count --puzzle a --limit 0" "count --puzzle a --limit 2 --shard 1/2" "list --limit 3"; do
  # shellcheck disable=SC2086 # the words are the arguments
  "$program" $args > /dev/null 2> "$work/err"
  status=$?
  [ "$status" -eq 2 ] || fail "'$args' gave exit status $status"
  [ "$(wc -l < "$work/err")" -eq 1 ] && grep -q '^cubepack-solutions: .* (try --help)$' "$work/err" ||
    fail "'$args': $(cat "$work/err")"
done

# The JSON line, and the same numbers for every number of threads.
soma="$puzzles/soma-3x3x3.txt"
expect 0 "" count --puzzle "$soma" --json -j 1
sed 's/"seconds":[0-9.]*//' "$work/out" > "$work/j1"
[ "$(cat "$work/j1")" = '{"puzzle":"'"$(sed 's/{"puzzle":"\([0-9a-f]*\)".*/\1/' "$work/j1")"'","name":"The Soma cube","cells":27,"pieces":7,"placements":688,"symmetries":24,"mirror":false,"rotations":24,"solutions":480,"solutions_fixed":11520,}' ] ||
  fail "count --json: $(cat "$work/out")"
[ "$(wc -l < "$work/out")" -eq 1 ] || fail "count --json: not one line"
for jobs in 2 3; do
  "$program" count --puzzle "$soma" --json -j $jobs | sed 's/"seconds":[0-9.]*//' > "$work/j$jobs"
  cmp -s "$work/j1" "$work/j$jobs" || fail "-j $jobs: $(cat "$work/j$jobs")"
done
expect 0 "" count --puzzle "$soma" --mirror
grep -q '^240 solutions (one per class under the symmetries), 11520 packings of the fixed target$' \
  "$work/out" || fail "count --mirror: $(cat "$work/out")"
# The same puzzle from standard input; and one of no use, named as such.
input="$soma" expect 0 "" count --puzzle - --json -j 2
[ "$(sed 's/"seconds":[0-9.]*//' "$work/out")" = "$(cat "$work/j1")" ] ||
  fail "count --puzzle -: $(cat "$work/out")"
printf 'box 2 1 1\nshape a\n' > "$work/keyword"
input="$work/keyword" expect 2 \
  "cubepack-solutions: standard input:2: unknown keyword 'shape' (name, box, target, piece, max-holes, allow or one-sided)" \
  count --puzzle -

# A long name, and one with a tab and characters beyond ASCII: the summary whole, the JSON valid.
long=$(head -c 1000 /dev/zero | tr '\0' n)
printf 'name %s\nbox 2 1 1\npiece a 0,0,0 1,0,0\n' "$long" > "$work/long"
expect 0 "" count --puzzle "$work/long" -j 1
if [ "$(head -n 1 "$work/out")" != "$long: 2 cells, 1 pieces, 1 placements, 8 symmetries (rotations)" ] ||
  [ "$(wc -l < "$work/out")" -ne 3 ]; then
  fail "count of a long name: $(head -c 300 "$work/out")"
fi
printf 'name Caf\303\251\t"5"\nbox 2 1 1\npiece a 0,0,0 1,0,0\n' > "$work/utf8"
expect 0 "" count --puzzle "$work/utf8" --json -j 1
grep -qF "$(printf '"name":"Caf\303\251\\u0009\\"5\\"",')" "$work/out" ||
  fail "count --json: $(cat "$work/out")"

# Three shares merged: the whole count (of a flat box, whose reflection in its plane adds the
# fixed count again in the merge).
puzzle="$puzzles/pentominoes-3x20.txt"
"$program" count --puzzle "$puzzle" --mirror --json | sed 's/"seconds":[0-9.]*//' > "$work/whole"
for k in 1 2 3; do
  "$program" count --puzzle "$puzzle" --mirror --json --shard $k/3 -j 1 > "$work/share$k.json"
done
expect 0 "" merge --json "$work/share3.json" "$work/share1.json" "$work/share2.json"
sed 's/"seconds":[0-9.]*//' "$work/out" > "$work/merged"
cmp -s "$work/whole" "$work/merged" || fail "merge: $(cat "$work/merged") against $(cat "$work/whole")"
expect 1 "cubepack-solutions: share 2/3 missing" merge "$work/share1.json" "$work/share3.json"
expect 1 "cubepack-solutions: share 1/3 given twice: $work/share1.json and $work/share1.json" \
  merge "$work/share1.json" "$work/share1.json" "$work/share2.json" "$work/share3.json"
"$program" count --puzzle "$puzzle" --json --shard 2/3 > "$work/other.json"
expect 1 "cubepack-solutions: $work/other.json: a share of another count than $work/share1.json" \
  merge "$work/share1.json" "$work/other.json" "$work/share3.json"
expect 1 "cubepack-solutions: $work/whole: not a JSON object of count" merge "$work/whole"
"$program" count --puzzle "$puzzle" --json > "$work/whole.json"
expect 1 "cubepack-solutions: $work/whole.json: not a share of a count (no \"shard\")" \
  merge "$work/whole.json"
# Shares no count wrote: a share number past --shard's own limit (which must not make merge
# allocate for it), another engine version, another task list.
sed 's|"shard":"1/3"|"shard":"1/2000000000"|' "$work/share1.json" > "$work/huge.json"
expect 1 "cubepack-solutions: $work/huge.json: bad \"shard\": not K/N with 1 <= K <= N <= 1000000" \
  merge "$work/huge.json"
engine=$(sed 's/.*"engine":"\([^"]*\)".*/\1/' "$work/share1.json")
sed 's/"engine":"[^"]*"/"engine":"0"/' "$work/share2.json" > "$work/old.json"
expect 1 "cubepack-solutions: $work/old.json: a share of another engine version (this program's is $engine)" \
  merge "$work/share1.json" "$work/old.json" "$work/share3.json"
sed 's/"task_list":"[^"]*"/"task_list":"0000000000000000"/' "$work/share2.json" > "$work/tasks.json"
expect 1 "cubepack-solutions: $work/tasks.json: a share of another task list than $work/share1.json" \
  merge "$work/share1.json" "$work/tasks.json" "$work/share3.json"
# Sums past 2^64 add up and print with every digit; past 2^128 they are refused, never wrapped.
for k in 1 3; do
  sed 's/"fixed_weighted":[0-9]*/"fixed_weighted":1267650600228229401496703205376/' \
    "$work/share$k.json" > "$work/large$k.json"
  sed 's/"fixed_weighted":[0-9]*/"fixed_weighted":170141183460469231731687303715884105728/' \
    "$work/share$k.json" > "$work/past$k.json"
done
expect 0 "" merge "$work/large1.json" "$work/share2.json" "$work/large3.json"
grep -q '^633825300114114700748351602688 solutions (one per class under the symmetries), 2535301200456458802993406410752 packings of the fixed target$' \
  "$work/out" || fail "merge past 2^64: $(cat "$work/out")"
expect 1 "cubepack-solutions: the count passes 2^128" \
  merge "$work/past1.json" "$work/share2.json" "$work/past3.json"

# Ranges whose mirror images are packings for some choices of copies only: their sums merge too.
printf 'box 2 3 4\npiece A copies 0-2 draw xx/.x x./..\npiece B copies 0-1 draw xx/.x ../.x\npiece L copies 2-3 draw xxx/x..\npiece N copies 0-1 draw xx./.xx\npiece O copies 0-1 draw xx/xx\n' > "$work/screws.txt"
expect 0 "" count --puzzle "$work/screws.txt" --mirror
grep -q '^1174 solutions (one per class under the symmetries), 6576 packings of the fixed target$' \
  "$work/out" || fail "count --mirror of some mirror images: $(cat "$work/out")"
"$program" count --puzzle "$work/screws.txt" --mirror --json | sed 's/"seconds":[0-9.]*//' > "$work/some"
for k in 1 2; do
  "$program" count --puzzle "$work/screws.txt" --mirror --json --shard $k/2 > "$work/some$k.json"
done
expect 0 "" merge --json "$work/some2.json" "$work/some1.json"
sed 's/"seconds":[0-9.]*//' "$work/out" > "$work/merged"
cmp -s "$work/some" "$work/merged" || fail "merge of some mirror images: $(cat "$work/merged")"

# The same shares through GNU parallel, as a cluster would run them.
if ! command -v parallel > /dev/null 2>&1; then
  echo "skipped: GNU parallel is not installed (tools/install-test-deps installs it)"
  [ "$failures" -eq 0 ] && exit 77
  finish
fi
parallel --will-cite -j 3 "$program count --puzzle $puzzle --mirror --json --shard {}/3 -j 1 > $work/parallel{}.json" ::: 1 2 3 ||
  fail "parallel: the shares failed"
expect 0 "" merge --json "$work/parallel3.json" "$work/parallel1.json" "$work/parallel2.json"
sed 's/"seconds":[0-9.]*//' "$work/out" > "$work/merged"
cmp -s "$work/whole" "$work/merged" || fail "merge of parallel's shares: $(cat "$work/merged")"

finish
