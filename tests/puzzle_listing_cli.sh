#!/bin/sh
# cubepack-solutions list, show and verify of a puzzle file as a user runs them: one-line faults
# with their exit statuses, the same bytes on any number of threads and in shares that add up,
# show N against line N, and verify of the listing and of lines spoilt.
# usage: puzzle_listing_cli.sh PROGRAM PUZZLES_DIR
set -u
program=$1
puzzles=$2
. "$(dirname "$0")/cli_common.sh"

for args in "list --mirror" "list --shard 1/2" "show 1 --problem x" "verify - --mirror" \
  "list --puzzle" "list --puzzle a --puzzle b" "list --puzzle a --shard 3/2" "show --puzzle a" \
  "show 0 --puzzle a" "verify --puzzle a"; do
  # shellcheck disable=SC2086 # the words are the arguments
  expect 2 "*" $args
  grep -q '^cubepack-solutions: .* (try --help)$' "$work/err" || fail "'$args': $(cat "$work/err")"
done
expect 2 "cubepack-solutions: cannot open '$work/none': No such file or directory" \
  list --puzzle "$work/none"
{
  echo "box 63 1 1"
  i=0
  while [ $i -lt 63 ]; do
    echo "piece p$i 0,0,0"
    i=$((i + 1))
  done
} > "$work/many"
expect 2 "cubepack-solutions: $work/many: 63 pieces: a line labels at most 62 (or any number of pieces named by one character each)" \
  list --puzzle "$work/many"

# The same bytes for every -j, and three shares in order make the whole listing.
puzzle="$puzzles/pentominoes-6x10.txt"
expect 0 "" list --puzzle "$puzzle" -j 1
mv "$work/out" "$work/whole"
[ "$(wc -l < "$work/whole")" -eq 2339 ] || fail "list: $(wc -l < "$work/whole") lines, not 2339"
expect 0 "" list --puzzle "$puzzle" -j 3
cmp -s "$work/out" "$work/whole" || fail "list -j 3: other bytes than -j 1"
: > "$work/shares"
for k in 1 2 3; do
  expect 0 "" list --puzzle "$puzzle" --shard $k/3 -j 2
  [ -s "$work/out" ] || fail "share $k/3 is empty"
  cat "$work/out" >> "$work/shares"
done
cmp -s "$work/shares" "$work/whole" || fail "the shares in order are not the whole listing"

expect 0 "" verify "$work/whole" --puzzle "$puzzle"
[ "$(cat "$work/out")" = "2339 packings, all valid and distinct" ] || fail "verify: $(cat "$work/out")"
# The half turn about z reverses a line of one layer.
{
  head -n 2 "$work/whole"
  head -n 1 "$work/whole" | awk '{ s = ""; for (i = length($0); i > 0; i--) s = s substr($0, i, 1); print s }'
} > "$work/turned"
expect 1 "cubepack-solutions: line 3: line 1 turned by (x, y, z) -> (-x, -y, z)" \
  verify "$work/turned" --puzzle "$puzzle"
head -n 1 "$work/whole" | cut -c 1-59 > "$work/short"
expect 1 "cubepack-solutions: line 1: 59 characters, not 60" verify "$work/short" --puzzle "$puzzle"
expect 2 "cubepack-solutions: cannot open '$work/none': No such file or directory" \
  verify "$work/none" --puzzle "$puzzle"

# The built-in puzzle as a file, a packing mirrored in x (rows of three): the chiral piece "four"
# is refused, not taken for its mirror image.
"$program" list --puzzle "$puzzles/cubepack-5x4x3.txt" --shard 1/1000 -j 1 | head -n 1 |
  awk '{ s = ""; for (i = 1; i <= length($0); i += 3) s = s substr($0, i + 2, 1) substr($0, i + 1, 1) substr($0, i, 1); print s }' > "$work/mirrored"
expect 1 "cubepack-solutions: line 1: piece 1 (four) is its mirror image, not one of its rotations" \
  verify "$work/mirrored" --puzzle "$puzzles/cubepack-5x4x3.txt"

# show N is line N drawn; one past the end is one line and status 2.
sed -n 1000p "$work/whole" > "$work/line"
input="$work/line" expect 0 "" show - --puzzle "$puzzle"
mv "$work/out" "$work/drawn"
[ "$(wc -l < "$work/drawn")" -eq 11 ] || fail "show -: not eleven lines"
expect 0 "" show 1000 --puzzle "$puzzle"
cmp -s "$work/out" "$work/drawn" || fail "show 1000: not the drawing of line 1000"
expect 2 "cubepack-solutions: the listing has no packing 2340" show 2340 --puzzle "$puzzle"
# Those left an index of lines per task in the cache: show lists one task from it, and an
# index cut short is counted anew.
index=$(echo "$CUBEPACK_CACHE_DIR"/packing-index-*)
[ -s "$index" ] || fail "show N --puzzle left no index in the cache folder"
for n in 1000 2339; do
  sed -n "${n}p" "$work/whole" > "$work/line"
  input="$work/line" expect 0 "" show - --puzzle "$puzzle"
  mv "$work/out" "$work/drawn"
  expect 0 "" show "$n" --puzzle "$puzzle"
  cmp -s "$work/out" "$work/drawn" || fail "show $n with the index: not the drawing of line $n"
  head -c 30 "$index" > "$work/cut" && mv "$work/cut" "$index"
  expect 0 "" show "$n" --puzzle "$puzzle"
  cmp -s "$work/out" "$work/drawn" || fail "show $n with an index cut short: another drawing"
done
sed -n 1000p "$work/whole" > "$work/line"
input="$work/line" expect 0 "" show - --puzzle "$puzzle"
mv "$work/out" "$work/drawn"
# What stands at the index's name, or a cache folder others may write in, is not used: a FIFO
# would hold the run for ever. The drawing is the same.
rm -f "$index"
mkfifo "$index"
expect 0 "" show 1000 --puzzle "$puzzle"
cmp -s "$work/out" "$work/drawn" || fail "show 1000 with a FIFO for the index: another drawing"
rm -f "$index"
chmod g+w "$CUBEPACK_CACHE_DIR"
expect 0 "" show 1000 --puzzle "$puzzle"
cmp -s "$work/out" "$work/drawn" || fail "show 1000 in a shared cache folder: another drawing"
[ -e "$index" ] && fail "show 1000 wrote its index into a cache folder others may write in"
chmod g-w "$CUBEPACK_CACHE_DIR"
# The puzzle from standard input.
input="$puzzle" expect 0 "" show 1000 --puzzle -
cmp -s "$work/out" "$work/drawn" || fail "show 1000 --puzzle -: another drawing"
input="$puzzle" expect 0 "" verify "$work/whole" --puzzle -
input="$work/short" expect 2 "cubepack-solutions: not a packing: 59 characters, not 60" \
  show - --puzzle "$puzzle"
input="$work/line" expect 0 "" show - --svg --puzzle "$puzzle"
tail -n 1 "$work/out" | grep -q '^</svg>$' || fail "show - --svg: no end tag"

finish
